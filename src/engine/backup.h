// The bank as it was before the last replace, kept beside it, and putting it back.
#pragma once

#include <string>

#include "engine/bank.h"
#include "engine/files.h"

namespace vox {

// "SOUNDS.SFX.bak" beside "SOUNDS.SFX".
std::string BackupPathFor(const std::string& bankPath);
// Whether path names such a backup (a bank's name with ".bak" behind it, in any case).
bool IsBackupName(const std::string& path);

// Gives the bank the backup's name as a second name, replacing any backup, before a new bank
// takes the bank's: the bank gets a second name beside it, which is renamed onto the backup's
// name. At every moment the bank's name holds a whole bank and the backup's a whole earlier one
// or nothing. False, with the backup as it was, when any step is refused (no hard links here, a
// read-only file in the way).
bool KeepBackup(Files& files, const std::string& bankPath);

// Why the backup beside the bank could not be put back: NoBackup, or BadBackup with the
// problem (Open, Read, Short, CountDiffers, NotBackToBack, EndsEarly); Ok when it can.
struct BackupCheck {
    BankError error = BankError::Ok;
    BankError problem = BankError::Ok;
    std::string backupPath;  // after an undo: where the bank as it was before it now is
    Bank backup;  // its directory, when it can be put back
};
BackupCheck CheckBackup(Files& files, const std::string& bankPath);

// The bank and its backup change places, so that a second undo redoes. Refused, with both
// files as they were, for the reasons of CheckBackup, InTheWay (a new.sfx left beside the
// bank), Open (no bank) and SwapRefused.
BackupCheck Undo(Files& files, const std::string& bankPath);

}  // namespace vox
