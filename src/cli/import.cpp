// voxbank import: a folder of sound files, named as extract names them, back into the bank in
// one pass; only the files whose audio differs from the bank's replace anything.
#include <cstdio>
#include <filesystem>

#include <CLI/CLI.hpp>

#include "cli/bankfile.h"
#include "cli/bringing.h"
#include "cli/commands.h"
#include "cli/describe.h"
#include "cli/messages.h"
#include "disk/disk.h"
#include "engine/import.h"
#include "engine/paths.h"
#include "engine/rewrite.h"

namespace voxbank {

struct ImportOptions {
    std::string bank;
    std::string folder;
    bool noBackup = false;
    ConvertOptions conversion;
};

namespace {

std::vector<std::string> FileNamesIn(const std::string& folder)
{
    std::error_code error;
    std::vector<std::string> names;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file(error))
            names.push_back(it->path().filename().string());
    if (error)
        Fail(folder + ": cannot be read as a folder: " + error.message());
    return names;
}

// "0-2, 4, 6-324"
std::string Ranges(const std::vector<size_t>& sounds)
{
    std::string out;
    for (size_t i = 0; i < sounds.size();) {
        size_t j = i;
        while (j + 1 < sounds.size() && sounds[j + 1] == sounds[j] + 1)
            j++;
        out += (out.empty() ? "" : ", ") + std::to_string(sounds[i]) + (j > i ? "-" + std::to_string(sounds[j]) : "");
        i = j + 1;
    }
    return out;
}

void RefuseBadPlan(const vox::ImportPlan& plan, const LoadedBank& b, const std::string& folder)
{
    if (!plan.twice[0].empty())
        Fail(vox::InFolder(folder, plan.twice[0]) + " and " + plan.twice[1] + " are both for " +
             SoundLabel(b, *vox::LeadingSoundNumber(plan.twice[0])) + "; nothing was written");
    if (!plan.beyond.empty())
        Fail(vox::InFolder(folder, plan.beyond) + ": " + b.path + " has no sound " +
             std::to_string(*vox::LeadingSoundNumber(plan.beyond)) + " (its sounds are 0 to " +
             std::to_string((long)b.bank.entries.size() - 1) + "); nothing was written");
}

}  // namespace

Status Import(const ImportOptions& o)
{
    CheckConversion(o.conversion);
    LoadedBank b = LoadBank(o.bank);
    const vox::ImportPlan plan = vox::PlanImport(FileNamesIn(o.folder), b.bank.entries.size());
    RefuseBadPlan(plan, b, o.folder);

    // Every file read, and converted, before the bank is touched; only what differs is kept.
    std::vector<size_t> sounds, same;
    std::vector<std::string> files;
    std::vector<Brought> brought;
    brought.reserve(plan.files.size());
    for (const auto& [n, name] : plan.files) {
        Brought s = BringSound(vox::InFolder(o.folder, name), &b, n, o.conversion);
        MatchBrought(&s, b, n, o.conversion);
        if (vox::SameAudio(b.bank.entries[n], StoredBytes(b, n), s.sound)) {
            same.push_back(n);
            continue;
        }
        sounds.push_back(n);
        files.push_back(vox::InFolder(o.folder, name));
        brought.push_back(std::move(s));
    }
    b.file.reset();  // on Windows an open handle would keep the new bank from taking the name
    if (!plan.ignored.empty())
        printf("%s: ignored, their names begin with no sound number: %zu file(s), the first %s\n", o.folder.c_str(),
               plan.ignored.size(), plan.ignored[0].c_str());
    if (sounds.empty()) {
        printf("%s: nothing differs from the %zu sound file(s) in %s; the bank is untouched\n", b.path.c_str(),
               plan.files.size(), o.folder.c_str());
        return kOk;
    }
    std::vector<vox::Replacement> replacements;
    for (size_t i = 0; i < sounds.size(); i++)
        replacements.push_back({sounds[i], &brought[i].sound});
    vox::RewriteResult result = RewriteOrFail(b, replacements, o.noBackup, "importing");
    for (size_t i = 0; i < sounds.size(); i++)
        printf("%s: %s, from %s\n", b.path.c_str(),
               ChangeText(b, sounds[i], b.bank.entries[sounds[i]], result.bank.entries[sounds[i]], brought[i]).c_str(),
               files[i].c_str());
    if (!same.empty())
        printf("%s: left as they were, their files hold what the bank holds: sound(s) %s\n", b.path.c_str(),
               Ranges(same).c_str());
    return kOk;
}

Run DeclareImport(CLI::App* command)
{
    auto o = std::make_shared<ImportOptions>();
    command->add_option("BANK", o->bank, "The bank")->required();
    command->add_option("DIR", o->folder, "The folder of sound files")->required();
    AddBringingIn(command, &o->conversion, &o->noBackup);
    return [o] { return Import(*o); };
}

}  // namespace voxbank
