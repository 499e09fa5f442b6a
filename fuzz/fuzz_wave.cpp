// A replacement read from any bytes: only sane, non-empty sounds get through, short reads or not.
#include <cstdlib>
#include <string>

#include "engine/wave.h"
#include "memfiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::string bytes(reinterpret_cast<const char*>(data), size);
    vox::MemSource whole(bytes);
    vox::MemFiles files;
    files.readLimit = size % 5 + 1;
    vox::MemSource bitwise(bytes, &files);
    vox::Sound sound, again;
    vox::WaveError e = vox::ReadWave(whole, &sound);
    if (vox::ReadWave(bitwise, &again) != e || again.bytes != sound.bytes)
        abort();
    if (e == vox::WaveError::Ok &&
        (!vox::IsSaneFormat(sound.format) || sound.bytes.empty() || sound.bytes.size() > size))
        abort();
    return 0;
}
