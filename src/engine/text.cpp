// UTF-8 checked and made.
#include "engine/text.h"

#include <cstdint>

namespace vox {

namespace {

void AppendUtf8(std::string* out, uint32_t c)
{
    if (c < 0x80) {
        *out += (char)c;
    } else if (c < 0x800) {
        *out += (char)(0xC0 | c >> 6);
        *out += (char)(0x80 | (c & 0x3F));
    } else {
        *out += (char)(0xE0 | c >> 12);
        *out += (char)(0x80 | (c >> 6 & 0x3F));
        *out += (char)(0x80 | (c & 0x3F));
    }
}

// Windows-1252's 0x80 to 0x9F; the rest of its bytes are their own code points.
const uint16_t kHighControls[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

}  // namespace

size_t CharacterBytes(unsigned char lead)
{
    return lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
}

bool IsUtf8(std::string_view bytes, bool cut)
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    size_t n = bytes.size();
    for (size_t i = 0; i < n;) {
        unsigned char lead = p[i];
        if (lead < 0x80) {
            i++;
            continue;
        }
        if (lead < 0xC2 || lead > 0xF4)  // a stray continuation byte, or a lead only overlong forms use
            return false;
        size_t len = CharacterBytes(lead);
        // the second byte's range is what keeps out overlong forms, surrogates and what lies past U+10FFFF
        unsigned char low = lead == 0xE0 ? 0xA0 : lead == 0xF0 ? 0x90 : 0x80;
        unsigned char high = lead == 0xED ? 0x9F : lead == 0xF4 ? 0x8F : 0xBF;
        for (size_t k = 1; k < len; k++) {
            if (i + k == n)
                return cut;
            unsigned char b = p[i + k];
            if (k == 1 ? b < low || b > high : (b & 0xC0) != 0x80)
                return false;
        }
        i += len;
    }
    return true;
}

std::string Windows1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char ch : bytes) {
        unsigned char b = (unsigned char)ch;
        AppendUtf8(&out, b >= 0x80 && b < 0xA0 ? kHighControls[b - 0x80] : b);
    }
    return out;
}

size_t Characters(std::string_view utf8)
{
    size_t n = 0;
    for (char c : utf8)
        n += ((unsigned char)c & 0xC0) != 0x80;
    return n;
}

}  // namespace vox
