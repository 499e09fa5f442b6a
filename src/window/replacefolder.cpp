// Voxmend: Replace from Folder: a folder of sound files, named as Save All names them, taken
// back into the open bank in one rewrite, each file converted to its sound's stored format;
// only the files whose audio differs from the bank's replace anything, as voxbank import does.
#include "window/replacefolder.h"

#include <cstdio>
#include <string>
#include <vector>

#include "disk/disk.h"
#include "engine/backup.h"
#include "engine/import.h"
#include "engine/paths.h"
#include "window/conversion.h"
#include "window/messages.h"
#include "window/openbank.h"
#include "window/playback.h"
#include "window/replacedialog.h"
#include "window/replacement.h"
#include "window/soundfiles.h"

// The names of the files in the folder; folders inside it are not looked at.
static std::vector<std::string> FileNamesIn(const std::string& folder)
{
    std::error_code unread;  // an unreadable folder has no file that begins with a number
    return vox::FileNamesIn(folder, &unread);
}

// Two files for one sound, or a file for a sound the bank lacks, stop the command; TRUE when
// the plan is good.
static BOOL PlanIsGood(const vox::ImportPlan& plan, const std::string& folder)
{
    if (!plan.twice[0].empty()) {
        ShowMessageF("%s and %s are both for sound %zu. Nothing was replaced.", vox::InFolder(folder, plan.twice[0]).c_str(),
                     plan.twice[1].c_str(), *vox::LeadingSoundNumber(plan.twice[0]));
        return FALSE;
    }
    if (!plan.beyond.empty()) {
        ShowMessageF("%s: the bank has no sound %zu (its sounds are 0 to %lu). Nothing was replaced.",
                     vox::InFolder(folder, plan.beyond).c_str(), *vox::LeadingSoundNumber(plan.beyond),
                     (unsigned long)Opened().numwavs() - 1);
        return FALSE;
    }
    if (plan.files.empty()) {
        ShowMessageF("No file in %s begins with a sound's number. Nothing was replaced.", folder.c_str());
        return FALSE;
    }
    return TRUE;
}

// The bytes the bank holds for sound l; empty when it cannot give them.
static std::vector<uint8_t> StoredBytes(vox::Source& bank, long l)
{
    const vox::Entry& e = Opened().records(l);
    std::vector<uint8_t> bytes(e.length > 0 ? (size_t)e.length : 0);
    if (bytes.empty() || !vox::ReadSound(bank, e, bytes.data()))
        bytes.clear();
    return bytes;
}

// Which files differ from the bank: each read and converted into sounds and sounds[i]. FALSE
// after the message of a file or bank that cannot be read.
static BOOL ReadFolder(const vox::ImportPlan& plan, const std::string& folder, std::vector<long>* sounds,
                       std::vector<vox::Sound>* with)
{
    const char* szBankPath = Opened().szBankPath.c_str();
    std::unique_ptr<vox::Source> bank = vox::Disk().Open(szBankPath);
    if (!bank) {
        ShowMessageF("Unable to open the bank %s. It is unchanged.", szBankPath);
        return FALSE;
    }
    if (!BankUnchanged(*bank)) {
        ShowMessageF("The bank %s has changed since it was opened. Open it again and then replace the sounds; the bank is "
                     "unchanged.", szBankPath);
        return FALSE;
    }
    for (size_t i = 0; i < plan.files.size(); i++) {
        const long l = (long)plan.files[i].first;
        const std::string doing = "Converting file " + std::to_string(i + 1) + " of " + std::to_string(plan.files.size()) +
                                  ", " + plan.files[i].second;
        vox::Sound sound;
        std::string converted;
        if (!ConvertForSound(vox::InFolder(folder, plan.files[i].second).c_str(), l, doing, &sound, &converted))
            return FALSE;
        if (!vox::SameAudio(Opened().records(l), StoredBytes(*bank, l), sound)) {
            sounds->push_back(l);
            with->push_back(std::move(sound));
        }
    }
    return TRUE;
}

// One question for all of them.
static BOOL AskToReplace(const std::vector<long>& sounds, const std::string& folder)
{
    const BOOL one = sounds.size() == 1;
    return AskYesNoF("Replace %zu %s of %s by %s in %s? %s %s from what the bank holds. The bank as it is now is kept "
                     "as %s.",
                     sounds.size(), one ? "sound" : "sounds", Opened().szFile.c_str(), one ? "its file" : "their files",
                     folder.c_str(), SoundNumbers(sounds).c_str(), one ? "differs" : "differ",
                     vox::NameOf(vox::BackupPathFor(Opened().szBankPath)).c_str());
}

void ReplaceFromFolder()
{
    if (!Opened().bValidFile || !ConversionBuilt())
        return;
    if (PlaybackBusy() || Playing().playingAll || Rewriting() || ReplaceOpen()) {
        ShowMessage("A sound is still playing. Wait for it to end and replace the sounds again; the bank is unchanged.");
        return;
    }
    std::string folder;
    if (!ChooseFolder("Replace the bank's sounds by the files in this folder whose names begin with their numbers:",
                      &folder))
        return;
    const vox::ImportPlan plan = vox::PlanImport(FileNamesIn(folder), Opened().numwavs());
    if (!PlanIsGood(plan, folder))
        return;
    std::vector<long> sounds;
    std::vector<vox::Sound> with;
    BOOL read = ReadFolder(plan, folder, &sounds, &with);
    ShowInPathLine(Opened().szBankPath.c_str());
    if (!read)
        return;
    if (sounds.empty()) {
        ShowMessageF("Nothing differs from the %zu sound files in %s; the bank is unchanged.", plan.files.size(),
                     folder.c_str());
        return;
    }
    if (!AskToReplace(sounds, folder))
        return;
    std::vector<vox::Replacement> replacements;
    for (size_t i = 0; i < sounds.size(); i++)
        replacements.push_back({(size_t)sounds[i], &with[i]});
    PathLineProgress progress{"Replacing " + std::to_string(sounds.size()) + (sounds.size() == 1 ? " sound" : " sounds")};
    BOOL done = RewriteOpenBank(replacements, [&progress](vox::Step, uint64_t at, uint64_t total) { progress.Show(at, total); });
    ShowInPathLine(Opened().szBankPath.c_str());
    if (done)
        ShowMessageF("%s replaced by %s in %s.", SoundNumbers(sounds).c_str(), sounds.size() == 1 ? "its file" : "their files",
                     folder.c_str());
}
