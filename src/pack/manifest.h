// The pack's manifest as JSON, written and read in one place.
#pragma once

#include <string>

#include "pack/pack.h"

namespace vox {

std::string ManifestText(const Pack& pack);
// ManifestNotJson, ManifestWrong (detail: the field) or UnknownVersion.
PackProblem ParseManifest(const std::string& text, Pack* pack);

// Whether name may be a sound's entry: sounds/ then a plain file name ending .flac or .wav,
// nothing that could climb out of a folder or name a drive.
bool IsSoundEntryName(const std::string& name);
bool IsFlacEntry(const std::string& name);

}  // namespace vox
