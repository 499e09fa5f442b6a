// Why a mod pack cannot be made, read or used, in the same words by the window and voxbank.
#pragma once

#include <string>

#include "pack/pack.h"

namespace words {

// What is wrong with the pack, to follow its file name and ": ".
std::string PackProblemText(const vox::PackProblem& p);
// "sound 4 (Door creak)", or "sound 4" without a name.
std::string PackSoundLabel(const vox::PackSound& s);

}  // namespace words
