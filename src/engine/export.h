// Sounds out of a bank as WAVE files under the names they are known by.
#pragma once

#include <cstddef>
#include <string>

#include "engine/bank.h"
#include "engine/files.h"

namespace vox {

// "007-Explosion.wav", or "007.wav" without a name. Characters no file name may hold become
// '_'; the number in front and ".wav" behind mean it is never a reserved Windows name (CON,
// NUL, COM1...) nor ends in a dot or a space.
std::string ExtractedName(size_t sound, const std::string* name);

struct ExportResult {
    BankError error = BankError::Ok;  // Short or Read: the bank failed this sound; else the file
    std::string failedPath;           // the file at fault when it was the file
};

// Writes the sound as a WAVE file at path, which holds it whole or is as it was: a new name is
// written in place and removed again if anything fails; an existing file is only replaced
// (when overwrite allows) once its successor is whole, written beside it as path + ".part".
// InTheWay when path exists and overwrite is false; Create, Write, NoMemory, RenameFailed.
ExportResult ExportWaveFile(Files& files, Source& bank, const Entry& e, const std::string& path, bool overwrite,
                            size_t pieceSize);

}  // namespace vox
