// How sounds are written out for people: the words the window shares (words/sounds.h), and a
// sound's label.
#pragma once

#include <string>

#include "cli/bankfile.h"
#include "words/sounds.h"

namespace voxbank {

using words::ConvertedText;
using words::FormatText;
using words::Grouped;
using words::Seconds;
using words::SecondsText;

// "sound 7 (Explosion)", or "sound 7" without an index file.
std::string SoundLabel(const LoadedBank& b, size_t sound);

}  // namespace voxbank
