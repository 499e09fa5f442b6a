// Text as the programs hold it: UTF-8, whatever the index file or the system wrote.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace vox {

// Whether bytes are UTF-8 as the standard has it: no overlong forms, no surrogates, nothing
// past U+10FFFF. With cut, a sequence the end breaks off counts as whole.
bool IsUtf8(std::string_view bytes, bool cut = false);
// Windows-1252 bytes as UTF-8; the five bytes it leaves undefined become U+0081 and so on,
// as Windows converts them.
std::string Windows1252ToUtf8(std::string_view bytes);
// The bytes of the character of UTF-8 text that starts at its lead byte.
size_t CharacterBytes(unsigned char lead);
// Characters of UTF-8 text, as a column of a table counts them.
size_t Characters(std::string_view utf8);

}  // namespace vox
