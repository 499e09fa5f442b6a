#include "cli/describe.h"

namespace voxbank {

std::string SoundLabel(const LoadedBank& b, size_t sound)
{
    std::string label = "sound " + std::to_string(sound);
    if (const std::string* name = b.NameOf(sound))
        label += " (" + *name + ")";
    return label;
}

}  // namespace voxbank
