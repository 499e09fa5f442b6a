// The real files of this machine, for the engine.
#pragma once

#include "../engine/files.h"

namespace vox {

Files& Disk();

// Puts from in to's place in one step without waiting for the disk, for files that need not
// outlive a power cut (extracted sounds).
bool MoveQuickly(const std::string& from, const std::string& to);

}  // namespace vox
