// A folder of sound files taken back into a bank: which file goes to which sound, and whether
// it holds anything new.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "engine/bank.h"
#include "engine/wave.h"

namespace vox {

// The sound number a file's name begins with, as extract names files ("007-Explosion.wav",
// "7.ogg", "12 door.flac"); none when it does not begin with a digit.
std::optional<size_t> LeadingSoundNumber(const std::string& fileName);

struct ImportPlan {
    std::vector<std::pair<size_t, std::string>> files;  // sound and file name, by sound
    std::vector<std::string> ignored;                   // names that begin with no number
    std::string twice[2];                               // two files for one sound, when so
    std::string beyond;                                 // a file for a sound the bank lacks, when so
};
// Which of these file names replace which of count sounds.
ImportPlan PlanImport(std::vector<std::string> names, size_t count);

// Whether s holds the same audio as the sound stored with entry e and these bytes (the format
// chunk's extra size, and a piece of a frame behind the last whole one, aside).
bool SameAudio(const Entry& e, const std::vector<uint8_t>& stored, const Sound& s);

}  // namespace vox
