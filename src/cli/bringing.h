// The sounds files bring into a bank: a PCM WAVE file as it is, or, converting, any audio file
// in the format of the sound it replaces.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cli/bankfile.h"
#include "cli/commands.h"
#include "convert/loudness.h"
#include "engine/wave.h"

namespace CLI {
class App;
}

namespace voxbank {

// Any audio file converted to the sound it replaces; the others keep that sound's format.
struct ConvertOptions {
    bool convert = false;
    uint32_t rate = 0;  // 0: the sound's own
    uint16_t channels = 0;
    uint16_t bits = 0;
    bool matchLoudness = false;  // the loudness of the sound replaced
    double loudness = 0;         // or this one, in LUFS, when given
    bool loudnessGiven = false;
    bool Matching() const { return matchLoudness || loudnessGiven; }
};

// The options of the commands that bring sounds in: --convert and what it converts to, the
// loudness the sounds are matched to, and whether the old bank is kept.
void AddBringingIn(CLI::App* command, ConvertOptions* o, bool* noBackup);

struct Brought {
    vox::Sound sound;
    std::string from;   // what the file held, when it was converted
    std::string match;  // what matching its loudness did, when asked
    std::optional<vox::Loudness> loudness;  // the sound's, when the conversion measured it
};

// Ends the command (status 2) when conversion or loudness is asked of a build without it, or
// the conversion's overrides without --convert.
void CheckConversion(const ConvertOptions& o);

// The file's sound for sound n of the bank (which only a conversion needs); a file that cannot
// be used ends the command.
Brought BringSound(const std::string& file, const LoadedBank* b, size_t n, const ConvertOptions& o);

// With --match-loudness or --loudness, the sound given the gain that takes it to the loudness of
// sound n (the bank must still be open) or to the one asked for, as far as its peak allows.
void MatchBrought(Brought* s, const LoadedBank& b, size_t n, const ConvertOptions& o);

// "sound 3 (Door): FLAC 2ch 44100 Hz 16-bit, 3.52 s -> PCM 1ch 22050 Hz 8-bit, 3.52 s, 77,616
// bytes (was 70,000 bytes, 3.17 s)", or without a conversion the old and new length and format;
// then what matching the loudness did, when it was asked.
std::string ChangeText(const LoadedBank& b, size_t n, const vox::Entry& was, const vox::Entry& now, const Brought& s);

}  // namespace voxbank
