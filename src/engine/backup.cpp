#include "engine/backup.h"

#include <cctype>

#include "engine/paths.h"
#include "engine/rewrite.h"

namespace vox {

namespace {

std::string LinkPathFor(const std::string& bankPath)
{
    return BackupPathFor(bankPath) + ".part";
}

bool EndsWithNoCase(const std::string& s, const char* end)
{
    size_t n = std::char_traits<char>::length(end);
    if (s.size() < n)
        return false;
    for (size_t i = 0; i < n; i++)
        if (tolower((unsigned char)s[s.size() - n + i]) != end[i])
            return false;
    return true;
}

// The second name is only ever a whole bank. Left by a replace or an undo that was cut off, it
// is the backup when there is none (an undo had got that far), else one name too many.
void SettleLeftoverLink(Files& files, const std::string& bankPath)
{
    const std::string link = LinkPathFor(bankPath), backup = BackupPathFor(bankPath);
    if (!files.Exists(link))
        return;
    if (files.Exists(backup))
        files.Remove(link);
    else
        files.Rename(link, backup);
}

}  // namespace

std::string BackupPathFor(const std::string& bankPath)
{
    return bankPath + ".bak";
}

bool IsBackupName(const std::string& path)
{
    return EndsWithNoCase(path, ".sfx.bak") || EndsWithNoCase(path, ".qsb.bak");
}

bool KeepBackup(Files& files, const std::string& bankPath)
{
    const std::string link = LinkPathFor(bankPath), backup = BackupPathFor(bankPath);
    SettleLeftoverLink(files, bankPath);
    // A bank that cannot be replaced would leave only its own copy in the backup's place.
    if (!files.CanReplace(bankPath) || !files.Link(bankPath, link))
        return false;
    // The new bank's rename that follows flushes the folder, and with it this one, which comes first.
    if (!files.ReplaceQuickly(link, backup)) {
        files.Remove(link);
        return false;
    }
    // A rename between two names of one file does nothing: a backup that is the bank itself, as
    // a replace cut off after its backup leaves it, keeps the second name.
    if (files.Exists(link))
        files.Remove(link);
    return true;
}

BackupCheck CheckBackup(Files& files, const std::string& bankPath)
{
    BackupCheck check;
    check.backupPath = BackupPathFor(bankPath);
    SettleLeftoverLink(files, bankPath);
    if (!files.Exists(check.backupPath)) {
        check.error = BankError::NoBackup;
        return check;
    }
    std::unique_ptr<Source> file = files.Open(check.backupPath);
    BankError problem = file ? ReadBank(*file, &check.backup) : BankError::Open;
    if (problem == BankError::Ok)
        problem = LayoutProblem(check.backup);
    if (problem != BankError::Ok) {
        check.error = BankError::BadBackup;
        check.problem = problem;
    }
    return check;
}

BackupCheck Undo(Files& files, const std::string& bankPath)
{
    BackupCheck check;
    auto fail = [&](BankError e) {
        check.error = e;
        return check;
    };
    if (files.Exists(FolderOf(bankPath) + kNewBankName))
        return fail(BankError::InTheWay);
    if (!files.Exists(bankPath))
        return fail(BankError::Open);
    check = CheckBackup(files, bankPath);
    if (check.error != BankError::Ok)
        return check;
    if (files.Exchange(check.backupPath, bankPath))
        return check;
    // Without a one-step exchange: the bank gets a second name, the backup takes the bank's
    // name, and the second name the backup's. A cut-off leaves the second name, settled later.
    const std::string link = LinkPathFor(bankPath);
    if (!files.CanReplace(bankPath) || !files.Link(bankPath, link))
        return fail(BankError::SwapRefused);
    if (!files.Replace(check.backupPath, bankPath)) {
        files.Remove(link);
        return fail(BankError::SwapRefused);
    }
    if (files.Exists(check.backupPath))  // the two were one file: nothing to put back
        files.Remove(link);
    // A rename refused once (on Windows a scanner may hold a file it has just seen) is tried
    // again at once, before the bank as it was is left under its second name until settled.
    else if (!files.Rename(link, check.backupPath) && !files.Rename(link, check.backupPath))
        check.backupPath = link;
    return check;
}

}  // namespace vox
