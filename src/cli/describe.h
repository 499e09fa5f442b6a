// How sounds are written out for people: their format, length in time and label.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli/bankfile.h"
#include "engine/bank.h"

namespace voxbank {

// "PCM 2ch 22050 Hz 16-bit"; a format other than PCM shows its tag number.
std::string FormatText(const vox::Entry& e);
std::string FormatText(const vox::Format& f);
// Seconds of sound; none when its entry gives no bytes per second.
std::optional<double> Seconds(const vox::Entry& e);
// "3.52 s", or "? s" without bytes per second.
std::string SecondsText(const vox::Entry& e);
// "77,616"
std::string Grouped(uint64_t n);
// "sound 7 (Explosion)", or "sound 7" without an index file.
std::string SoundLabel(const LoadedBank& b, size_t sound);

}  // namespace voxbank
