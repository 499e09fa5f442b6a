// A mod pack read from any bytes: whatever it holds, a pack that gets through names each sound
// once, under sounds/, and every sound it holds is sane, as long as its manifest says and hashes
// as its manifest says; a listing agrees with the full read.
#include <cstdlib>
#include <set>

#include "pack/manifest.h"
#include "pack/pack.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    vox::ReadPack full = vox::ReadPackBytes(data, size);
    vox::ReadPack listed = vox::ReadPackBytes(data, size, true);
    if (!full.problem && listed.problem)
        abort();
    if (full.problem)
        return 0;
    std::set<size_t> numbers;
    for (const vox::PackSound& s : full.pack.sounds) {
        if (!numbers.insert(s.number).second || !vox::IsSoundEntryName(s.entry))
            abort();
        if (!vox::IsSaneFormat(s.sound.format) || s.sound.bytes.size() != (size_t)s.now.format.length ||
            vox::Sha256Hex(s.sound.bytes.data(), s.sound.bytes.size()) != s.now.sha256)
            abort();
    }
    return 0;
}
