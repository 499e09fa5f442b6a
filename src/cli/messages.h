// voxbank's words for the engine's answers: one line for each way it can refuse a bank (a WAVE
// file's are the window's words, in words/wave.h).
#pragma once

#include <string>

#include "engine/bank.h"

namespace voxbank {

// "BANK: what is wrong", naming new.sfx instead where that is the file at fault.
std::string BankMessage(vox::BankError e, const std::string& bank);

}  // namespace voxbank
