// Voxmend: Make Mod Pack and Apply Mod Pack, over the same pack code as voxbank's.
#include "window/modpack.h"

#include <cstdio>
#include <string>
#include <vector>

#include "disk/disk.h"
#include "engine/paths.h"
#include "pack/pack.h"
#include "version.h"
#include "window/messages.h"
#include "window/openbank.h"
#include "window/playback.h"
#include "window/replacedialog.h"
#include "window/replacement.h"
#include "window/window.h"
#include "words/pack.h"

static const char kBanks[] = "Sound Banks (*.SFX, *.QSB)\0*.sfx;*.qsb\0";
static const char kPacks[] = "Mod Packs (*.VOXPACK)\0*.voxpack\0";

static BOOL Busy(const char* doing)
{
    if (!(PlaybackBusy() || Playing().playingAll || Rewriting() || ReplaceOpen()))
        return FALSE;
    ShowMessageF("A sound is still playing. Wait for it to end and %s again; the bank is unchanged.", doing);
    return TRUE;
}

// The name without its folder and extension.
static std::string PlainName(const std::string& path)
{
    std::string name = vox::NameOf(path);
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// "4 Door creak, 5 Door slam and 9 Gate", shortened past ten.
static std::string SoundsWithNames(const std::vector<const vox::PackSound*>& sounds)
{
    std::string out;
    for (size_t i = 0; i < sounds.size() && i < 10; i++) {
        if (i > 0)
            out += i + 1 == sounds.size() ? " and " : ", ";
        out += std::to_string(sounds[i]->number);
        if (!sounds[i]->name.empty())
            out += " " + sounds[i]->name;
    }
    if (sounds.size() > 10)
        out += " and " + std::to_string(sounds.size() - 10) + " more";
    return out;
}

static std::vector<long> NumbersOf(const std::vector<const vox::PackSound*>& sounds)
{
    std::vector<long> numbers;
    for (const vox::PackSound* s : sounds)
        numbers.push_back((long)s->number);
    return numbers;
}

void MakeModPack()
{
    if (!Opened().bValidFile || Busy("make the pack"))
        return;
    const std::string bankPath = Opened().szBankPath;
    std::vector<char> chosen(PATHBYTES);  // room for a long path in UTF-8
    if (!FileDialog(chosen.data(), (DWORD)chosen.size(), OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST, FALSE,
                    std::string(kBanks, sizeof kBanks - 1), "sfx"))
        return;
    const std::string original = chosen.data();
    std::vector<char> saveAs(PATHBYTES);
    if (!CopyBounded(saveAs.data(), saveAs.size(), (PlainName(bankPath) + vox::kPackExtension).c_str()) ||
        !FileDialog(saveAs.data(), (DWORD)saveAs.size(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR, TRUE,
                    std::string(kPacks, sizeof kPacks - 1), "voxpack"))
        return;
    const std::string pack = saveAs.data();
    vox::NamedBank modded, base;
    if (vox::OpenBankWithIndex(vox::Disk(), bankPath, &modded) != vox::BankError::Ok || !BankUnchanged(*modded.file)) {
        ShowMessageF("The bank %s has changed since it was opened, or cannot be read. Open it again; no pack was made.",
                     bankPath.c_str());
        return;
    }
    if (vox::BankError e = vox::OpenBankWithIndex(vox::Disk(), original, &base); e != vox::BankError::Ok) {
        ShowMessageF("Unable to read the bank %s: %s No pack was made.", original.c_str(), ProblemText(e));
        return;
    }
    vox::PackRequest request;
    request.name = PlainName(pack);
    request.madeBy = "Voxmend " VOXMEND_VERSION;
    request.baseFile = vox::NameOf(original);
    PathLineProgress progress{"Packing"};
    vox::MadePack made =
        vox::MakePack(modded, base, request, [&progress](uint64_t done, uint64_t total) { progress.Show(done, total); });
    ShowInPathLine(bankPath.c_str());
    if (made.problem.error == vox::PackError::NotSameBank) {
        ShowMessageF("%s is not the same bank as %s: it has %zu sounds, %s has %zu. No pack was made.",
                     Opened().szFile.c_str(), original.c_str(), modded.bank.entries.size(), vox::NameOf(original).c_str(),
                     base.bank.entries.size());
        return;
    }
    if (made.problem.error == vox::PackError::NothingDiffers) {
        ShowMessageF("No sound of %s differs from %s. No pack was made.", Opened().szFile.c_str(), original.c_str());
        return;
    }
    if (!made.problem)
        made.problem = vox::SavePack(vox::Disk(), pack, made.zip);
    if (made.problem) {
        ShowMessageF("%s: %s. No pack was made.", Opened().szFile.c_str(), words::PackProblemText(made.problem).c_str());
        return;
    }
    std::vector<const vox::PackSound*> sounds;
    for (const vox::PackSound& s : made.pack.sounds)
        sounds.push_back(&s);
    ShowMessageF("%s holds %zu %s of %s that differ from %s: %s.", pack.c_str(), sounds.size(),
                 sounds.size() == 1 ? "sound" : "sounds", Opened().szFile.c_str(), vox::NameOf(original).c_str(),
                 SoundsWithNames(sounds).c_str());
}

void ApplyModPack()
{
    if (!Opened().bValidFile)
        return;
    std::vector<char> pack(PATHBYTES);
    if (FileDialog(pack.data(), (DWORD)pack.size(), OFN_HIDEREADONLY | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST, FALSE,
                   std::string(kPacks, sizeof kPacks - 1), "voxpack"))
        ApplyModPackFile(pack.data());
}

// One message for the sounds that hold neither the pack's base nor its own sound.
static void ReportConflicts(const vox::Pack& pack, const vox::ApplyPlan& plan)
{
    std::vector<const vox::PackSound*> sounds;
    for (const vox::PlannedSound& p : plan.sounds)
        if (p.standing == vox::Standing::Conflict || p.standing == vox::Standing::Unreadable)
            sounds.push_back(&pack.sounds[p.index]);
    ShowMessageF("%s cannot be applied to %s: %s %s not the %s it replaces (another mod, or another version of the "
                 "bank). The bank is unchanged.",
                 pack.name.c_str(), Opened().szFile.c_str(), SoundNumbers(NumbersOf(sounds)).c_str(),
                 sounds.size() == 1 ? "is" : "are", sounds.size() == 1 ? "sound" : "sounds");
}

void ApplyModPackFile(const char* path)
{
    if (!Opened().bValidFile) {
        ShowMessage("No sfx file open");
        return;
    }
    if (Busy("apply the pack"))
        return;
    const std::string bankPath = Opened().szBankPath;
    PathLineProgress checking{"Checking " + vox::NameOf(path)};
    vox::ReadPack read = vox::ReadPackFile(vox::Disk(), path, false,
                                           [&checking](uint64_t done, uint64_t total) { checking.Show(done, total); });
    ShowInPathLine(bankPath.c_str());
    if (read.problem) {
        ShowMessageF("%s: %s. The bank is unchanged.", path, words::PackProblemText(read.problem).c_str());
        return;
    }
    const vox::Pack& pack = read.pack;
    std::unique_ptr<vox::Source> file = vox::Disk().Open(bankPath);
    if (!file || !BankUnchanged(*file)) {
        ShowMessageF("The bank %s has changed since it was opened, or cannot be read. Open it again and then apply the "
                     "pack; the bank is unchanged.", bankPath.c_str());
        return;
    }
    vox::ApplyPlan plan = vox::PlanApply({&pack}, Opened().bank, *file, false);
    file.reset();  // an open handle would keep the new bank from taking the name
    if (plan.problem) {
        ShowMessageF("%s %s. The bank is unchanged.", pack.name.c_str(), words::PackProblemText(plan.problem).c_str());
        return;
    }
    if (plan.conflicts > 0) {
        ReportConflicts(pack, plan);
        return;
    }
    if (plan.replacements.empty()) {
        ShowMessageF("%s is already applied to %s. The bank is unchanged.", pack.name.c_str(), Opened().szFile.c_str());
        return;
    }
    std::vector<const vox::PackSound*> sounds;
    for (const vox::PlannedSound& p : plan.sounds)
        if (p.standing == vox::Standing::Base)
            sounds.push_back(&pack.sounds[p.index]);
    if (!AskYesNoF("Apply %s (%zu %s: %s) to %s?", pack.name.c_str(), sounds.size(), sounds.size() == 1 ? "sound" : "sounds",
                   SoundsWithNames(sounds).c_str(), Opened().szFile.c_str()))
        return;
    PathLineProgress progress{"Applying " + std::to_string(sounds.size()) + (sounds.size() == 1 ? " sound" : " sounds")};
    BOOL done = RewriteOpenBank(plan.replacements,
                                [&progress](vox::Step, uint64_t at, uint64_t total) { progress.Show(at, total); });
    ShowInPathLine(bankPath.c_str());
    if (done)
        ShowMessageF("%s applied to %s: %s.", pack.name.c_str(), Opened().szFile.c_str(),
                     SoundNumbers(NumbersOf(sounds)).c_str());
}
