#include "words/sounds.h"

#include <cstdio>

namespace words {

std::string FormatText(const vox::Format& f)
{
    std::string kind = f.tag == vox::kPcm ? "PCM" : "tag " + std::to_string(f.tag);
    return kind + " " + std::to_string(f.channels) + "ch " + std::to_string(f.rate) + " Hz " + std::to_string(f.bits) +
           "-bit";
}

std::string FormatText(const vox::Entry& e)
{
    return FormatText(vox::FormatOf(e));
}

std::optional<double> Seconds(const vox::Entry& e)
{
    if (e.avgBytes <= 0 || e.length < 0)
        return std::nullopt;
    return (double)e.length / e.avgBytes;
}

std::string SecondsText(const vox::Entry& e)
{
    std::optional<double> seconds = Seconds(e);
    char text[32];
    snprintf(text, sizeof text, "%.2f s", seconds ? *seconds : 0.0);
    return seconds ? text : "? s";
}

std::string Grouped(uint64_t n)
{
    std::string digits = std::to_string(n), out;
    for (size_t i = 0; i < digits.size(); i++) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += ',';
        out += digits[i];
    }
    return out;
}

std::string ConvertedText(const std::string& from, const vox::Entry& was, const vox::Entry& now)
{
    return from + " -> " + FormatText(now) + ", " + SecondsText(now) + ", " + Grouped((uint64_t)now.length) +
           " bytes (was " + Grouped((uint64_t)was.length) + " bytes, " + SecondsText(was) + ")";
}

}  // namespace words
