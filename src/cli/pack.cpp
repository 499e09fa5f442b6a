// voxbank pack, show, apply and unapply: mod packs made from a modded bank and its original,
// listed, applied to any bank whose sounds they replace are the right ones, and taken off.
#include <cstdio>
#include <future>
#include <memory>

#include <CLI/CLI.hpp>

#include "cli/bankfile.h"
#include "cli/bringing.h"
#include "cli/commands.h"
#include "cli/describe.h"
#include "cli/messages.h"
#include "cli/progress.h"
#include "disk/disk.h"
#include "engine/backup.h"
#include "engine/paths.h"
#include "pack/manifest.h"
#include "pack/pack.h"
#include "version.h"
#include "words/pack.h"

namespace voxbank {

using words::PackProblemText;
using words::PackSoundLabel;

struct PackOptions {
    std::string bank, base, output, name, description;
    bool force = false;
};
struct ShowOptions {
    std::string pack;
    bool json = false;
};
struct ApplyOptions {
    std::string bank;
    std::vector<std::string> packs;
    bool force = false, noBackup = false;
};
struct UnapplyOptions {
    std::string bank, pack, original;
    bool noBackup = false;
};

namespace {

// "PCM 1ch 22050 Hz 16-bit, 1.20 s, 52,920 bytes"
std::string FactsText(const vox::SoundFacts& f)
{
    return FormatText(f.format) + ", " + SecondsText(f.format) + ", " + Grouped((uint64_t)f.format.length) + " bytes";
}

// The pack read and checked in full, or the command ends naming what is wrong with it.
vox::Pack LoadPack(const std::string& path, bool listOnly = false)
{
    ProgressBar bar("checking " + vox::NameOf(path));
    vox::ReadPack r = vox::ReadPackFile(vox::Disk(), path, listOnly,
                                        [&bar](uint64_t done, uint64_t total) { bar.Show(done, total); });
    bar.Clear();
    if (r.problem)
        Fail(path + ": " + PackProblemText(r.problem));
    return std::move(r.pack);
}

// The name of the pack, without its folder and extension, when none was given.
std::string PlainName(const std::string& path)
{
    std::string name = vox::NameOf(path);
    size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

}  // namespace

Status MakePackCommand(const PackOptions& o)
{
    if (!o.force && vox::Disk().Exists(o.output))
        Fail(o.output + " already there; nothing was written (--force overwrites)");
    LoadedBank modded = LoadBank(o.bank);
    LoadedBank original = LoadBank(o.base);
    vox::PackRequest request;
    request.name = o.name.empty() ? PlainName(o.output) : o.name;
    request.description = o.description;
    request.madeBy = "voxbank " VOXMEND_VERSION;
    request.baseFile = vox::NameOf(o.base);
    ProgressBar bar("packing");
    vox::MadePack made =
        vox::MakePack(modded, original, request, [&bar](uint64_t done, uint64_t total) { bar.Show(done, total); });
    bar.Clear();
    switch (made.problem.error) {
    case vox::PackError::Ok: break;
    case vox::PackError::NotSameBank:
        Fail(o.bank + ": not the same bank as " + o.base + ": it has " + std::to_string(modded.bank.entries.size()) +
             " sounds, " + o.base + " has " + std::to_string(original.bank.entries.size()) + "; nothing was written");
    case vox::PackError::NothingDiffers:
        Fail(o.bank + ": no sound differs from " + o.base + "; nothing was written");
    case vox::PackError::BankRead:
        Fail((made.problem.detail == "original" ? o.base : o.bank) + ": " + SoundLabel(modded, made.problem.sound) +
             " cannot be read (cut short?); nothing was written");
    default: Fail(o.bank + ": " + PackProblemText(made.problem) + "; nothing was written");
    }
    if (vox::PackProblem p = vox::SavePack(vox::Disk(), o.output, made.zip))
        Fail(PackProblemText(p) + "; nothing was written");
    for (size_t i = 0; i < made.pack.sounds.size(); i++) {
        const vox::PackSound& s = made.pack.sounds[i];
        printf("%s: %s: %s as %s (was %s)\n", o.output.c_str(), PackSoundLabel(s).c_str(), FactsText(s.now).c_str(),
               made.flac[i] ? "FLAC" : "WAVE", FactsText(s.base).c_str());
    }
    printf("%s: %zu sound%s, %s bytes\n", o.output.c_str(), made.pack.sounds.size(),
           made.pack.sounds.size() == 1 ? "" : "s", Grouped(made.zip.size()).c_str());
    return kOk;
}

Status Show(const ShowOptions& o)
{
    vox::Pack pack = LoadPack(o.pack);
    if (o.json) {
        fputs(vox::ManifestText(pack).c_str(), stdout);
        return kOk;
    }
    printf("%s: %s\n", o.pack.c_str(), pack.name.c_str());
    if (!pack.description.empty())
        printf("  %s\n", pack.description.c_str());
    printf("  made by %s from %s (%zu sounds, SHA-256 %s)\n", pack.madeBy.c_str(), pack.baseFile.c_str(),
           pack.baseSounds, pack.baseSha256.c_str());
    printf("  %zu sound%s, each checked against its hash:\n", pack.sounds.size(), pack.sounds.size() == 1 ? "" : "s");
    for (const vox::PackSound& s : pack.sounds)
        printf("  %s: %s (replaces %s)\n", PackSoundLabel(s).c_str(), FactsText(s.now).c_str(), FactsText(s.base).c_str());
    return kOk;
}

namespace {

// One try at applying the packs: plan, then refuse, or rewrite and tell. With decoding, the
// quick try: the packs' sounds are decoded and the bank's sounds the plan can take by their
// format and length are hashed, both beside the rewrite, which goes ahead only when all is well;
// false when it is not, or when the plan meets anything to refuse: nothing was changed or told,
// and the exact try follows, every pack read in full and every sound's bytes hashed first.
bool TryApply(const ApplyOptions& o, const std::vector<vox::Pack>& packs, vox::PacksDecoding* decoding)
{
    const bool quick = decoding != nullptr;
    std::vector<const vox::Pack*> pointers;
    for (const vox::Pack& p : packs)
        pointers.push_back(&p);
    LoadedBank b;
    if (!quick)
        b = LoadBank(o.bank);
    else if (vox::IsBackupName(o.bank) || ReadBankAt(o.bank, &b) != vox::BankError::Ok)
        return false;
    std::vector<vox::Unhashed> unhashed;
    vox::ApplyPlan plan = vox::PlanApply(pointers, b.bank, *b.file, o.force, quick ? &unhashed : nullptr);
    if (quick && (plan.problem || !plan.overlaps.empty() || plan.conflicts > 0))
        return false;
    if (quick && plan.replacements.empty() && !(decoding->AllWhole() && vox::HashesHold(unhashed, b.bank, *b.file)))
        return false;
    b.file.reset();  // on Windows an open handle would keep the new bank from taking the name
    if (plan.problem)
        Fail(o.packs[plan.problemPack] + ": " + PackProblemText(plan.problem) + " (" + o.bank + "); nothing was changed");
    if (!plan.overlaps.empty()) {
        const vox::Overlap& v = plan.overlaps[0];
        Fail(o.packs[v.first] + " and " + o.packs[v.second] + " both replace " + SoundLabel(b, v.sound) +
             ", with different sounds; apply one of them; nothing was changed");
    }
    auto soundOf = [&](const vox::PlannedSound& p) -> const vox::PackSound& { return packs[p.pack].sounds[p.index]; };
    for (const vox::PlannedSound& p : plan.sounds) {
        const vox::PackSound& s = soundOf(p);
        const vox::Entry& e = b.bank.entries[s.number];
        if (p.standing == vox::Standing::Unreadable)
            fprintf(stderr, "voxbank: %s: %s cannot be read (cut short?)\n", o.bank.c_str(), SoundLabel(b, s.number).c_str());
        else if (p.standing == vox::Standing::Conflict)
            fprintf(stderr,
                    "voxbank: %s: %s is not the sound %s replaces: it holds %s, %s bytes (another mod, or another version "
                    "of the bank)\n",
                    o.bank.c_str(), SoundLabel(b, s.number).c_str(), o.packs[p.pack].c_str(), FormatText(e).c_str(),
                    Grouped((uint64_t)e.length).c_str());
    }
    if (plan.conflicts > 0 && !o.force)
        Fail(o.bank + ": " + std::to_string(plan.conflicts) + " conflict" + (plan.conflicts == 1 ? "" : "s") +
             "; nothing was changed (--force replaces anyway)");
    auto tellApplied = [&] {
        for (const vox::PlannedSound& p : plan.sounds)
            if (p.standing == vox::Standing::Applied)
                printf("%s: %s: already applied (%s)\n", o.bank.c_str(), SoundLabel(b, soundOf(p).number).c_str(),
                       o.packs[p.pack].c_str());
    };
    if (plan.replacements.empty()) {
        tellApplied();
        printf("%s: nothing to do\n", o.bank.c_str());
        return true;
    }
    vox::LastCheck lastCheck;
    vox::Ready ready;
    std::future<bool> holding;
    if (quick) {
        holding = std::async(std::launch::async, [&] {
            std::unique_ptr<vox::Source> file = vox::Disk().Open(b.path);
            return file && vox::HashesHold(unhashed, b.bank, *file);
        });
        lastCheck = [&] { return holding.get() && decoding->AllWhole(); };
        ready = [decoding](const vox::Sound* with) { return decoding->Whole(with); };
    }
    if (RewriteOrFail(b, plan.replacements, o.noBackup, "applying", lastCheck, ready).error ==
        vox::BankError::Abandoned)
        return false;
    tellApplied();
    std::vector<bool> told(b.bank.entries.size());
    for (const vox::PlannedSound& p : plan.sounds) {
        const vox::PackSound& s = soundOf(p);
        if (p.standing == vox::Standing::Applied || told[s.number])
            continue;
        told[s.number] = true;
        printf("%s: %s: %s from %s\n", o.bank.c_str(), SoundLabel(b, s.number).c_str(), FactsText(s.now).c_str(),
               o.packs[p.pack].c_str());
    }
    return true;
}

}  // namespace

Status Apply(const ApplyOptions& o)
{
    {
        vox::PacksDecoding decoding;
        if (decoding.Start(vox::Disk(), o.packs) && TryApply(o, decoding.Packs(), &decoding))
            return kOk;
    }
    std::vector<vox::Pack> packs;
    for (const std::string& path : o.packs)
        packs.push_back(LoadPack(path));
    TryApply(o, packs, nullptr);
    return kOk;
}

Status Unapply(const UnapplyOptions& o)
{
    vox::Pack pack = LoadPack(o.pack, true);
    LoadedBank b = LoadBank(o.bank);
    LoadedBank original = LoadBank(o.original);
    vox::RemovalPlan plan = vox::PlanRemoval(pack, b.bank, *b.file, original.bank, *original.file);
    b.file.reset();
    original.file.reset();
    if (plan.problem.error == vox::PackError::NotSameBank)
        Fail(o.bank + ": not the same bank as " + o.original + ": it has " + std::to_string(b.bank.entries.size()) +
             " sounds, " + o.original + " has " + std::to_string(original.bank.entries.size()) + "; nothing was changed");
    if (plan.problem)
        Fail(o.pack + ": " + PackProblemText(plan.problem) + " (" + o.bank + "); nothing was changed");
    size_t refused = 0;
    for (size_t i = 0; i < pack.sounds.size(); i++) {
        const std::string label = SoundLabel(b, pack.sounds[i].number);
        if (plan.sounds[i] == vox::Removal::OriginalWrong) {
            fprintf(stderr, "voxbank: %s: %s is not the sound %s replaces, so it cannot be put back\n",
                    o.original.c_str(), label.c_str(), o.pack.c_str());
            refused++;
        } else if (plan.sounds[i] == vox::Removal::Unreadable) {
            fprintf(stderr, "voxbank: %s: %s cannot be read (cut short?)\n", o.bank.c_str(), label.c_str());
            refused++;
        }
    }
    if (refused)
        Fail(o.bank + ": nothing was changed");
    for (size_t i = 0; i < pack.sounds.size(); i++) {
        const std::string label = SoundLabel(b, pack.sounds[i].number);
        if (plan.sounds[i] == vox::Removal::ChangedSince)
            printf("%s: %s: changed since %s was applied; left as it is\n", o.bank.c_str(), label.c_str(),
                   o.pack.c_str());
        else if (plan.sounds[i] == vox::Removal::NotApplied)
            printf("%s: %s: not applied; nothing to put back\n", o.bank.c_str(), label.c_str());
    }
    if (plan.replacements.empty()) {
        printf("%s: nothing to put back\n", o.bank.c_str());
        return kOk;
    }
    RewriteOrFail(b, plan.replacements, o.noBackup, "putting back");
    for (size_t i = 0; i < pack.sounds.size(); i++)
        if (plan.sounds[i] == vox::Removal::PutBack)
            printf("%s: %s: put back from %s (%s)\n", o.bank.c_str(), SoundLabel(b, pack.sounds[i].number).c_str(),
                   o.original.c_str(), FactsText(pack.sounds[i].base).c_str());
    return kOk;
}

Run DeclarePack(CLI::App* command)
{
    auto o = std::make_shared<PackOptions>();
    command->add_option("BANK", o->bank, "The modded bank")->required();
    command->add_option("--base", o->base, "The original bank the mod was made on")->required()->type_name("ORIGINAL");
    command->add_option("-o,--output", o->output, "The pack file to write (NAME.voxpack)")->required()->type_name("PACK");
    command->add_option("--name", o->name, "The pack's name (default: the file's)")->type_name("TEXT");
    command->add_option("--description", o->description, "What the pack does")->type_name("TEXT");
    command->add_flag("-f,--force", o->force, "Overwrite a pack file that is already there");
    return [o] { return MakePackCommand(*o); };
}

Run DeclareShow(CLI::App* command)
{
    auto o = std::make_shared<ShowOptions>();
    command->add_option("PACK", o->pack, "The pack file")->required();
    command->add_flag("--json", o->json, "Print its manifest as JSON");
    return [o] { return Show(*o); };
}

Run DeclareApply(CLI::App* command)
{
    auto o = std::make_shared<ApplyOptions>();
    command->add_option("BANK", o->bank, "The bank")->required();
    command->add_option("PACK", o->packs, "Pack files, applied together in one rewrite")->required();
    command->add_flag("--force", o->force, "Replace sounds that are not what a pack replaces (another mod's)");
    command->add_flag("--no-backup", o->noBackup, "Delete the old bank instead of keeping it as BANK.bak (a backup already there stays as it is)");
    return [o] { return Apply(*o); };
}

Run DeclareUnapply(CLI::App* command)
{
    auto o = std::make_shared<UnapplyOptions>();
    command->add_option("BANK", o->bank, "The bank")->required();
    command->add_option("PACK", o->pack, "The pack to take off")->required();
    command->add_option("--from", o->original, "The original bank the pack's sounds are put back from")
        ->required()
        ->type_name("ORIGINAL");
    command->add_flag("--no-backup", o->noBackup, "Delete the old bank instead of keeping it as BANK.bak (a backup already there stays as it is)");
    return [o] { return Unapply(*o); };
}

}  // namespace voxbank
