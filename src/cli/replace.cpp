// voxbank replace: several sounds replaced in one pass, all or nothing.
#include <cctype>
#include <cstdio>

#include "backup.h"
#include "bankfile.h"
#include "commands.h"
#include "describe.h"
#include "disk.h"
#include "messages.h"
#include "progress.h"
#include "rewrite.h"

namespace voxbank {

namespace {

struct Request {
    std::string sound;  // a number or a name, as typed
    std::string file;
    vox::Sound wave;
};

std::vector<Request> SplitPairs(const std::vector<std::string>& pairs)
{
    std::vector<Request> requests(pairs.size());
    for (size_t i = 0; i < pairs.size(); i++) {
        // Split at the first '=': file names may hold one, the index's names seldom do.
        size_t eq = pairs[i].find('=');
        if (eq == std::string::npos || eq == 0 || eq + 1 == pairs[i].size())
            Usage("\"" + pairs[i] + "\" is not SOUND=FILE.wav");
        requests[i].sound = pairs[i].substr(0, eq);
        requests[i].file = pairs[i].substr(eq + 1);
    }
    return requests;
}

void ReadWaveFile(Request* r)
{
    std::unique_ptr<vox::Source> file = vox::Disk().Open(r->file);
    if (!file)
        Fail(r->file + ": Failed to open wave file");
    vox::WaveError e = vox::ReadWave(*file, &r->wave);
    if (e != vox::WaveError::Ok)
        Fail(r->file + ": " + vox::WaveErrorText(e));
}

// new.sfx is the rewrite's own temporary name; a bank of that name is always in its way.
bool NamedLikeNewBank(const std::string& bank)
{
    std::string name = vox::NameOf(bank);
#ifdef _WIN32
    for (char& c : name)
        c = (char)tolower((unsigned char)c);
#endif
    return name == vox::kNewBankName;
}

void PrintChange(const LoadedBank& b, size_t sound, const vox::Entry& was, const vox::Entry& now)
{
    printf("%s: %s: %ld bytes %s -> %ld bytes %s\n", b.path.c_str(), SoundLabel(b, sound).c_str(), (long)was.length,
           FormatText(was).c_str(), (long)now.length, FormatText(now).c_str());
}

}  // namespace

Status Replace(const ReplaceOptions& o)
{
    std::vector<Request> requests = SplitPairs(o.pairs);
    for (Request& r : requests)
        ReadWaveFile(&r);
    if (NamedLikeNewBank(o.bank))
        Fail(o.bank + ": a bank named " + vox::kNewBankName + " cannot be rewritten in place; rename it first");
    LoadedBank b = LoadBank(o.bank);
    b.file.reset();  // on Windows an open handle would keep the new bank from taking the name
    std::vector<std::string> picks;
    for (const Request& r : requests)
        picks.push_back(r.sound);
    std::vector<size_t> sounds = PickSounds(b, picks);
    std::vector<vox::Replacement> replacements;
    for (size_t i = 0; i < requests.size(); i++)
        replacements.push_back({sounds[i], &requests[i].wave});

    ProgressBar bar("replacing");
    vox::RewriteResult result = vox::Rewrite(vox::Disk(), o.bank, b.bank, replacements,
                                             o.noBackup ? vox::Backup::None : vox::Backup::Keep, kPieceSize,
                                             [&bar](vox::Step, uint64_t done, uint64_t total) { bar.Show(done, total); });
    bar.Clear();
    if (result.error != vox::BankError::Ok)
        Fail(BankMessage(result.error, o.bank));
    for (size_t sound : sounds)
        PrintChange(b, sound, b.bank.entries[sound], result.bank.entries[sound]);
    if (!o.noBackup && !result.backupKept)
        fprintf(stderr, "voxbank: %s: replaced without a backup: the file system refused to keep the old bank as %s\n",
                o.bank.c_str(), vox::BackupPathFor(o.bank).c_str());
    return kOk;
}

}  // namespace voxbank
