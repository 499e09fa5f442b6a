// Why a WAVE file was refused, in the words the window has always shown and voxbank repeats.
#pragma once

#include "engine/wave.h"

namespace words {

const char* WaveErrorText(vox::WaveError e);

}  // namespace words
