// Index names, whole UTF-8, from any bytes, for a count taken from the first one; short reads change nothing.
#include <cstdlib>
#include <string>

#include "engine/bank.h"
#include "engine/text.h"
#include "memfiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    size_t count = data[0] * 2u;
    std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);
    vox::MemSource whole(text);
    vox::MemFiles files;
    files.readLimit = data[1] % 7 + 1;
    vox::MemSource bitwise(text, &files);
    vox::IndexNames names = vox::ReadIndexNames(whole, count);
    vox::IndexNames again = vox::ReadIndexNames(bitwise, count);
    if (names.names.size() != count || names.lines > count || names.names != again.names || names.lines != again.lines)
        abort();
    for (const std::string& n : names.names)
        if (!vox::IsUtf8(n) || vox::Characters(n) > vox::kNameLength || n.size() > vox::kNameBytes)
            abort();
    return 0;
}
