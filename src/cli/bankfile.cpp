// Banks opened for a command, and the sounds its user picks.
#include "cli/bankfile.h"

#include <cstdio>

#include "cli/commands.h"
#include "cli/describe.h"
#include "cli/messages.h"
#include "cli/progress.h"
#include "disk/disk.h"
#include "engine/backup.h"

namespace voxbank {

vox::BankError ReadBankAt(const std::string& path, LoadedBank* out)
{
    if (vox::IsBackupName(path)) {
        const std::string bank = path.substr(0, path.size() - 4);
        Fail(path + ": is the backup of " + bank + " that replace keeps, not a bank to work on (voxbank undo " + bank +
             " puts it back)");
    }
    out->path = path;
    return vox::OpenBankWithIndex(vox::Disk(), path, out);
}

LoadedBank LoadBank(const std::string& path)
{
    LoadedBank b;
    vox::BankError e = ReadBankAt(path, &b);
    if (e != vox::BankError::Ok)
        Fail(BankMessage(e, path));
    return b;
}

std::vector<uint8_t> StoredBytes(const LoadedBank& b, size_t n)
{
    const vox::Entry& e = b.bank.entries[n];
    std::vector<uint8_t> bytes(e.length > 0 ? (size_t)e.length : 0);
    if (bytes.empty() || !b.file || !vox::ReadSound(*b.file, e, bytes.data()))
        bytes.clear();
    return bytes;
}

vox::RewriteResult RewriteOrFail(const LoadedBank& b, const std::vector<vox::Replacement>& replacements, bool noBackup,
                                 const char* doing, const vox::LastCheck& lastCheck, const vox::Ready& ready)
{
    ProgressBar bar(doing);
    vox::RewriteResult result =
        vox::Rewrite(vox::Disk(), b.path, b.bank, replacements, noBackup ? vox::Backup::None : vox::Backup::Keep,
                     vox::kPieceSize, [&bar](vox::Step, uint64_t done, uint64_t total) { bar.Show(done, total); },
                     lastCheck, ready);
    bar.Clear();
    if (result.error == vox::BankError::Abandoned)
        return result;
    if (result.error != vox::BankError::Ok)
        Fail(BankMessage(result.error, b.path));
    if (!noBackup && !result.backupKept)
        fprintf(stderr, "voxbank: %s: replaced without a backup: the file system refused to keep the old bank as %s\n",
                b.path.c_str(), vox::BackupPathFor(b.path).c_str());
    return result;
}

void NoteWhatIsMissing(const LoadedBank& b)
{
    if (!b.hasIndex)
        fprintf(stderr, "voxbank: %s: no index file %s; sounds go by number only\n", b.path.c_str(), b.indexPath.c_str());
    if (b.bank.storedCount > b.bank.entries.size())
        fprintf(stderr, "voxbank: %s: its header counts %lu sounds; only the first %zu are worked with\n", b.path.c_str(),
                (unsigned long)b.bank.storedCount, b.bank.entries.size());
}

namespace {

bool AllDigits(const std::string& s)
{
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

}  // namespace

size_t PickSound(const LoadedBank& b, const std::string& pick)
{
    size_t count = b.bank.entries.size();
    if (AllDigits(pick)) {
        // Digits beyond nine can only be a number past any bank's end.
        size_t n = pick.size() > 9 ? count : std::stoul(pick);
        if (n >= count)
            Fail(b.path + ": has no sound " + pick + " (its sounds are 0 to " + std::to_string((long)count - 1) + ")");
        return n;
    }
    if (!b.hasIndex)
        Fail(b.path + ": no index file " + b.indexPath + " to find \"" + pick + "\" in; give the sound's number");
    std::vector<size_t> found;
    for (size_t i = 0; i < count; i++)
        if (b.index.names[i] == pick)
            found.push_back(i);
    if (found.empty())
        Fail(b.path + ": no sound is named \"" + pick + "\"");
    if (found.size() > 1)
        Fail(b.path + ": \"" + pick + "\" names sounds " + std::to_string(found[0]) + " and " +
              std::to_string(found[1]) + "; give the sound's number");
    return found[0];
}

std::vector<size_t> PickSounds(const LoadedBank& b, const std::vector<std::string>& picks)
{
    std::vector<size_t> sounds;
    for (const std::string& pick : picks) {
        size_t n = PickSound(b, pick);
        for (size_t earlier : sounds)
            if (earlier == n)
                Usage(b.path + ": " + SoundLabel(b, n) + " is named twice");
        sounds.push_back(n);
    }
    return sounds;
}

}  // namespace voxbank
