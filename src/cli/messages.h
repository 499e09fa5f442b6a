// voxbank's words for the engine's answers: one line for each way it can refuse a bank or a
// WAVE file.
#pragma once

#include <string>

#include "engine/bank.h"
#include "engine/wave.h"

namespace voxbank {

// "BANK: what is wrong", naming new.sfx instead where that is the file at fault.
std::string BankMessage(vox::BankError e, const std::string& bank);
// What a WAVE file's error means, in the window's words for it.

}  // namespace voxbank
