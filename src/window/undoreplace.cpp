// Voxmend: Undo: the open bank and its backup change places.
#include "window/undoreplace.h"

#include "disk/disk.h"
#include "engine/backup.h"
#include "engine/paths.h"
#include "engine/rewrite.h"
#include "window/messages.h"
#include "window/openbank.h"
#include "window/playback.h"
#include "window/replacedialog.h"
#include "window/replacement.h"

static void ReportUndoFailure(const vox::BackupCheck& r)
{
    const char* szBankPath = Opened().szBankPath.c_str();
    const char* backup = r.backupPath.c_str();
    switch (r.error) {
    case vox::BankError::BadBackup:
        ShowMessageF("The backup %s cannot be put back: %s. The bank and its backup are as they were.", backup,
                     r.problem == vox::BankError::CountDiffers ? "its header counts more than 325 sounds" : ProblemText(r.problem));
        return;
    case vox::BankError::InTheWay:
        ReportInTheWay(vox::FolderOf(szBankPath) + vox::kNewBankName);
        return;
    case vox::BankError::Open:
        ShowMessageF("The bank %s is not there any more; nothing was changed.", szBankPath);
        return;
    default:
        ShowMessageF("Unable to put back %s in the place of %s: the file system refused. Both files are as they were.",
                     backup, szBankPath);
        return;
    }
}

// The open bank and its backup change places, and the bank is opened again as a double-click
// opens it; a second Undo redoes.
void UndoReplace()
{
    // copies: the question below runs a message loop, in which another bank may be opened
    const OpenBank& sfx = Opened();
    const std::string bankPath = sfx.szBankPath, bankName = sfx.szFile;
    const char* szBankPath = bankPath.c_str();
    if (!sfx.bValidFile || !vox::Disk().Exists(vox::BackupPathFor(szBankPath))) {
        ShowMessage("Sorry, UNDO not functional");
        return;
    }
    if (BackupOlderThanReplace(bankPath)) {  // never offer what the replace said Undo cannot do
        ShowMessageF("%s is not the bank as it was before the last replace, so Undo cannot put it back; nothing was changed.",
                     vox::BackupPathFor(bankPath).c_str());
        return;
    }
    if (PlaybackBusy() || Playing().playingAll || Rewriting()) {
        ShowMessage("A sound is still playing. Wait for it to end and press Undo again; nothing was changed.");
        return;
    }
    vox::BackupCheck check = vox::CheckBackup(vox::Disk(), szBankPath);
    if (check.error != vox::BankError::Ok) {
        ReportUndoFailure(check);
        return;
    }
    if (!AskYesNoF("Put back %s as it was before the last replace? The bank as it is now is kept as %s.", bankName.c_str(),
                   vox::NameOf(check.backupPath).c_str()))
        return;
    vox::BackupCheck undone = vox::Undo(vox::Disk(), szBankPath);
    if (undone.error != vox::BankError::Ok) {
        ReportUndoFailure(undone);
        return;
    }
    SetWindowTextA(hwndText, szBankPath);
    Loadsfx(szBankPath, bankName.c_str());
}
