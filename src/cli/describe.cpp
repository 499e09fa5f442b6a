#include "describe.h"

namespace voxbank {

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

std::string SoundLabel(const LoadedBank& b, size_t sound)
{
    std::string label = "sound " + std::to_string(sound);
    if (const std::string* name = b.NameOf(sound))
        label += " (" + *name + ")";
    return label;
}

}  // namespace voxbank
