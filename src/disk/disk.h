// The real files of this machine, for the engine.
#pragma once

#include "engine/files.h"

namespace vox {

Files& Disk();

}  // namespace vox
