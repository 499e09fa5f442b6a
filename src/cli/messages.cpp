// voxbank's words for the engine's answers.
#include "cli/messages.h"

#include "engine/backup.h"
#include "engine/paths.h"
#include "engine/rewrite.h"

namespace voxbank {

std::string BankMessage(vox::BankError e, const std::string& bank)
{
    const std::string newBank = vox::FolderOf(bank) + vox::kNewBankName;
    const std::string unchanged = "; " + bank + " is unchanged";
    switch (e) {
    case vox::BankError::Ok: return bank + ": ok";
    case vox::BankError::Open: return bank + ": cannot be opened (missing, or not a readable file)";
    case vox::BankError::Read: return bank + ": reading it failed";
    case vox::BankError::Short: return bank + ": the file is shorter than its header and directory (cut short?)";
    case vox::BankError::CountDiffers:
        return bank + ": its header counts more than " + std::to_string(vox::kMaxSounds) +
               " sounds, so it cannot be rewritten faithfully";
    case vox::BankError::NotBackToBack:
        return bank + ": its sounds do not lie back to back right behind the directory, so it cannot be rewritten faithfully";
    case vox::BankError::EndsEarly: return bank + ": the file ends before its last sound does (cut short?)";
    case vox::BankError::TooLarge: return bank + ": the new bank would be larger than its 32-bit offsets can address";
    case vox::BankError::ChangedOnDisk: return bank + ": the bank changed on disk while it was being read; try again";
    case vox::BankError::InTheWay:
        return newBank + " is in the way: it is probably left from a rewrite that was cut off. " + bank +
               " itself is whole; delete or move " + newBank + " and try again";
    case vox::BankError::NoMemory: return bank + ": not enough memory for the rewrite" + unchanged;
    case vox::BankError::Create: return newBank + ": cannot be created (is the folder writable?)" + unchanged;
    case vox::BankError::Write: return newBank + ": writing failed (disk full?)" + unchanged;
    case vox::BankError::Flush: return newBank + ": could not be flushed to the disk" + unchanged;
    case vox::BankError::DeleteRefused:
        return bank + ": cannot be replaced (read-only?); it is unchanged and the new bank is complete in " + newBank;
    case vox::BankError::RenameFailed:
        return newBank + ": the new bank is complete but could not be renamed to " + bank + "; rename it by hand";
    case vox::BankError::BadRequest: return bank + ": a replacement names no sound of the bank or cannot be stored";
    case vox::BankError::NoBackup:
        return bank + ": no backup " + vox::BackupPathFor(bank) + " beside it to put back (a replace keeps one)";
    case vox::BankError::BadBackup: return vox::BackupPathFor(bank) + ": is not a bank that can be put back";
    case vox::BankError::SwapRefused:
        return bank + ": the file system refused to exchange it with " + vox::BackupPathFor(bank) +
               "; both are as they were";
    case vox::BankError::Abandoned: return bank + ": the rewrite was called off before the swap" + unchanged;
    }
    return bank + ": unknown error";
}

}  // namespace voxbank
