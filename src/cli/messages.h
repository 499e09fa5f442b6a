// One line for each way the engine can refuse a bank.
#pragma once

#include <string>

#include "engine/bank.h"

namespace voxbank {

// "BANK: what is wrong", naming new.sfx instead where that is the file at fault.
std::string BankMessage(vox::BankError e, const std::string& bank);

}  // namespace voxbank
