// The real files of this machine, for the engine.
#pragma once

#include "../engine/files.h"

namespace vox {

Files& Disk();

// Renames from to to in one step without waiting for the disk, for files that need not outlive
// a power cut (extracted sounds). Fails when to exists, unless overwrite.
bool MoveQuickly(const std::string& from, const std::string& to, bool overwrite);

}  // namespace vox
