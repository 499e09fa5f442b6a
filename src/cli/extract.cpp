// voxbank extract: sounds out as WAVE files, each put in place whole or not at all.
#include <cstdio>
#include <filesystem>

#include <CLI/CLI.hpp>

#include "cli/bankfile.h"
#include "cli/commands.h"
#include "cli/describe.h"
#include "cli/messages.h"
#include "cli/progress.h"
#include "disk/disk.h"
#include "engine/export.h"
#include "engine/paths.h"

namespace voxbank {

struct ExtractOptions {
    std::string bank;
    std::vector<std::string> sounds;  // numbers or names; none for all
    std::string folder = ".";
    bool force = false;
};

namespace {

void MakeFolder(const std::string& folder)
{
    std::error_code error;
    std::filesystem::create_directories(vox::FsPath(folder), error);
    if (error || !std::filesystem::is_directory(vox::FsPath(folder), error))
        Fail(folder + ": cannot be made a folder to extract into" + (error ? ": " + error.message() : ""));
}

// Without --force nothing is written when any file is already there.
void RefuseToOverwrite(const std::vector<std::string>& paths)
{
    std::vector<std::string> existing;
    for (const std::string& path : paths)
        if (vox::Disk().Exists(path))
            existing.push_back(path);
    if (existing.empty())
        return;
    std::string more = existing.size() > 1 ? " and " + std::to_string(existing.size() - 1) + " more" : "";
    Fail(existing[0] + more + " already there; nothing was written (--force overwrites)");
}

// Short or Read when the bank fails this sound; every other failure ends the command.
vox::BankError WriteWave(vox::Source& bank, const vox::Entry& e, const std::string& path, bool force)
{
    vox::ExportResult r = vox::ExportWaveFile(vox::Disk(), bank, e, path, force, vox::kPieceSize);
    switch (r.error) {
    case vox::BankError::Ok:
    case vox::BankError::Short:
    case vox::BankError::Read: return r.error;
    case vox::BankError::InTheWay: Fail(path + " already there; --force overwrites it");
    case vox::BankError::Create: Fail(r.failedPath + ": cannot be created");
    case vox::BankError::NoMemory: Fail(r.failedPath + ": not enough memory");
    case vox::BankError::RenameFailed: Fail(path + ": the finished file cannot take this name");
    default: Fail(r.failedPath + ": writing failed (disk full?)");
    }
}

}  // namespace

Status Extract(const ExtractOptions& o)
{
    LoadedBank b = LoadBank(o.bank);
    NoteWhatIsMissing(b);
    std::vector<size_t> sounds = PickSounds(b, o.sounds);
    if (o.sounds.empty())
        for (size_t i = 0; i < b.bank.entries.size(); i++)
            sounds.push_back(i);

    std::vector<std::string> paths;
    uint64_t total = 0;
    for (size_t n : sounds) {
        paths.push_back(vox::InFolder(o.folder, vox::ExtractedName(n, b.NameOf(n)), '/'));
        if (vox::SoundInFile(b.bank.entries[n], b.bank.fileSize))
            total += (uint64_t)b.bank.entries[n].length;
    }
    MakeFolder(o.folder);
    if (!o.force)
        RefuseToOverwrite(paths);

    Status status = kOk;
    ProgressBar bar("extracting");
    uint64_t done = 0;
    for (size_t i = 0; i < sounds.size(); i++) {
        const vox::Entry& e = b.bank.entries[sounds[i]];
        vox::BankError error = vox::SoundInFile(e, b.bank.fileSize) ? WriteWave(*b.file, e, paths[i], o.force)
                                                                    : vox::BankError::Short;
        bar.Clear();
        if (error == vox::BankError::Ok) {
            printf("%s\n", paths[i].c_str());
            done += (uint64_t)e.length;
        } else {
            status = kFailed;
            fprintf(stderr, "voxbank: %s: %s %s; skipped\n", o.bank.c_str(), SoundLabel(b, sounds[i]).c_str(),
                    error == vox::BankError::Short ? "runs past the end of the file" : "cannot be read");
        }
        bar.Show(done, total);
    }
    return status;
}

Run DeclareExtract(CLI::App* command)
{
    auto o = std::make_shared<ExtractOptions>();
    command->add_option("BANK", o->bank, "The bank")->required();
    command->add_option("SOUND", o->sounds, "Sound numbers or names (all when none)");
    command->add_option("-o,--output", o->folder, "Folder for the files, made when missing (default: here)")
        ->type_name("DIR");
    command->add_flag("-f,--force", o->force, "Overwrite files that are already there");
    return [o] { return Extract(*o); };
}

}  // namespace voxbank
