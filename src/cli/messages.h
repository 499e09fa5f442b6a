// One line for each way the engine can refuse, in the words the window uses for WAVE files.
#pragma once

#include <string>

#include "bank.h"
#include "wave.h"

namespace voxbank {

std::string WaveMessage(vox::WaveError e);
// "BANK: what is wrong", naming new.sfx instead where that is the file at fault.
std::string BankMessage(vox::BankError e, const std::string& bank);

}  // namespace voxbank
