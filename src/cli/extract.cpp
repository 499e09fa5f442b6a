// voxbank extract: sounds out as WAVE files, each put in place whole or not at all.
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "bankfile.h"
#include "commands.h"
#include "describe.h"
#include "disk.h"
#include "messages.h"
#include "progress.h"
#include "wave.h"

namespace voxbank {

namespace {

bool UnsafeInFileName(unsigned char c)
{
    return c < 32 || c == 127 || strchr("<>:\"/\\|?*", c) != nullptr;
}

// "007-Explosion.wav". The number in front and ".wav" behind mean it can never be a reserved
// Windows name (CON, NUL, COM1...) nor end in a dot or a space.
std::string WaveFileName(size_t sound, const std::string* name)
{
    char number[24];
    snprintf(number, sizeof number, "%03zu", sound);
    std::string out = number;
    if (name && !name->empty()) {
        out += '-';
        for (char c : *name)
            out += UnsafeInFileName((unsigned char)c) ? '_' : c;
    }
    return out + ".wav";
}

std::string InFolder(const std::string& folder, const std::string& name)
{
    // A folder that already ends in a separator (by the engine's rules for this system) takes
    // the name as it is.
    if (folder.empty() || vox::FolderOf(folder + "x") == folder)
        return folder + name;
    return folder + "/" + name;
}

void MakeFolder(const std::string& folder)
{
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error || !std::filesystem::is_directory(folder, error))
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

// A new name is written in place and removed again if the sound fails. An existing file
// (--force) is only replaced once its successor is whole, written under a name beside it.
// Short or Read when the bank fails this sound; every other failure ends the command.
vox::BankError WriteWave(vox::Source& bank, const vox::Entry& e, const std::string& path, bool force)
{
    vox::Files& disk = vox::Disk();
    const bool replacing = force && disk.Exists(path);
    const std::string target = replacing ? path + ".part" : path;
    std::unique_ptr<vox::Sink> out = replacing ? disk.CreateOrTruncate(target) : disk.CreateNew(target);
    if (!out)
        Fail(target + ": cannot be created");
    vox::BankError error = vox::ExportWave(bank, e, *out, kPieceSize);
    if (!out->Close() && error == vox::BankError::Ok)
        error = vox::BankError::Write;
    out.reset();
    if (error != vox::BankError::Ok) {
        disk.Remove(target);
        if (error != vox::BankError::Short && error != vox::BankError::Read)
            Fail(target + (error == vox::BankError::NoMemory ? ": not enough memory" : ": writing failed (disk full?)"));
        return error;
    }
    if (replacing && !vox::MoveQuickly(target, path)) {
        disk.Remove(target);
        Fail(path + ": the finished file cannot take this name");
    }
    return error;
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
        paths.push_back(InFolder(o.folder, WaveFileName(n, b.NameOf(n))));
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

}  // namespace voxbank
