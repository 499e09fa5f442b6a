// A random bank, maybe damaged, one random replacement, piece size, short reads and failing call,
// a backup kept or not, an older one there or not, hard links or none: the rewrite refuses and
// leaves every file as it was, or writes exactly the spliced bank; the backup's name holds the
// older backup, the old bank or nothing, and the old bank only when it was kept.
#include <cstdlib>
#include <map>
#include <string>

#include "builders.h"
#include "engine/rewrite.h"
#include "memfiles.h"

using namespace vox;

namespace {

// The input's bytes as small numbers; zeros once it runs out.
struct Numbers {
    const uint8_t* p;
    size_t left;
    uint32_t Next(uint32_t range) { return left ? (left--, *p++ % range) : 0; }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    Numbers in{data, size};
    std::vector<size_t> sizes(in.Next(5));
    for (size_t& s : sizes)
        s = in.Next(256);
    std::string old = test::BankBytes(test::Sounds(sizes), std::string(in.Next(8), 't'));
    if (in.Next(4) == 0) {
        size_t at = in.Next(256) % old.size();
        old[at] = (char)(old[at] ^ (in.Next(255) + 1));
    }
    size_t sound = in.Next((uint32_t)sizes.size() + 1);
    Sound with = test::NewSound(in.Next(256));
    const uint16_t channels = (uint16_t)(in.Next(3) + 1), bits = (uint16_t)(in.Next(4) * 8);
    with.format = test::Pcm(channels, in.Next(2) ? 22050 : 999, bits);
    with.hadCbSize = in.Next(2);
    with.format.cbSize = (uint16_t)in.Next(256);
    size_t piece = in.Next(64) * 64 + in.Next(64) + 1;

    MemFiles files;
    files.readLimit = in.Next(4);
    files.failAt = in.Next(2) ? in.Next(64) + 1 : 0;
    files.replaceRefused = in.Next(2);
    files.linksRefused = in.Next(2);
    const Backup backup = in.Next(2) ? Backup::Keep : Backup::None;
    const bool hadBackup = in.Next(2);
    MemSource source(old);
    Bank loaded;
    if (ReadBank(source, &loaded) != BankError::Ok)
        return 0;
    const std::string path = "b/BANK.SFX", newPath = "b/new.sfx", backupPath = "b/BANK.SFX.bak";
    files.files[path] = old;
    if (hadBackup)
        files.files[backupPath] = "older";
    RewriteResult r = Rewrite(files, path, loaded, {{sound, &with}}, backup, piece);
    const std::string older = hadBackup ? "older" : "(none)";
    const std::string now = files.files.count(backupPath) ? files.files[backupPath] : "(none)";
    files.files.erase(backupPath);
    // A second name of the old bank is left when its removal fails; the next replace settles it.
    auto link = files.files.find(backupPath + ".part");
    if (link != files.files.end() && link->second != old)
        abort();
    files.files.erase(backupPath + ".part");
    // The old bank may take the backup's name before a later step fails.
    if (r.backupKept ? now != old : now != older && !(backup == Backup::Keep && now == old))
        abort();

    bool valid = sound < loaded.entries.size() && !with.bytes.empty() && IsSaneFormat(with.format) &&
                 LayoutProblem(loaded) == BankError::Ok;
    std::string spliced = valid ? test::SplicedBank(old, sound, with) : old;
    using FileMap = std::map<std::string, std::string>;
    bool done = r.error == BankError::Ok || r.error == BankError::DeleteRefused || r.error == BankError::RenameFailed;
    FileMap left = r.error == BankError::Ok              ? FileMap{{path, spliced}}
                 : r.error == BankError::DeleteRefused ? FileMap{{path, old}, {newPath, spliced}}
                 : r.error == BankError::RenameFailed  ? FileMap{{newPath, spliced}}
                                                       : FileMap{{path, old}};
    if (files.files != left || (done ? !valid : valid && files.failAt == 0))
        abort();
    return 0;
}
