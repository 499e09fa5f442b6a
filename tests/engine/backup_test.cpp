// The backup a replace keeps and the undo that puts it back: whichever call of a replace fails,
// the bank's name holds a whole bank and the backup's a whole earlier one or nothing, and after
// any sequence of replaces and undos the two hold the last two states the user made. An undo
// whose calls fail is voxbank's failing-disk test's, on the disk, with and without an exchange.
#include <functional>

#include <gtest/gtest.h>

#include "builders.h"
#include "engine/backup.h"
#include "engine/rewrite.h"
#include "memfiles.h"

using namespace vox;
using namespace vox::test;

namespace {

using FileMap = std::map<std::string, std::string>;
const std::string kBank = "d/BANK.SFX", kBackup = "d/BANK.SFX.bak", kNew = "d/new.sfx";

std::string Held(MemFiles& files, const std::string& name)
{
    return files.files.count(name) ? files.files[name] : "(none)";
}

TEST(Backup, IsNamedAfterTheBank)
{
    EXPECT_EQ(BackupPathFor("x/SOUNDS.SFX"), "x/SOUNDS.SFX.bak");
    const std::pair<const char*, bool> names[] = {{"a.qsb.bak", true}, {"A.SFX.BAK", true}, {"d/x.Sfx.Bak", true},
                                                  {"a.sfx", false},    {"a.bak", false},    {"a.txt.bak", false},
                                                  {"sfx.bak", false},  {"", false}};
    for (const auto& [name, backup] : names)
        EXPECT_EQ(IsBackupName(name), backup) << name;
}

// Whichever call fails, the bank's name holds the old bank or the new one, or new.sfx holds the
// new one where it could not take the name; nothing else is left but the backup, which is the
// one there before or the old bank, and the old bank only when it was kept.
TEST(Rewrite, NeverLosesTheBankAndKeepsTheOldWhicheverCallFails)
{
    const std::string old = BankBytes(Sounds({10, 20, 30}), "tail"), older = BankBytes(Sounds({5, 20, 30}));
    const Sound with = NewSound(25, 1);
    const std::string want = SplicedBank(old, 1, with);
    const struct {
        const char* name;
        std::function<void(MemFiles&)> set;
        Backup backup;
        BankError error;  // when no call fails
        bool kept;
    } cases[] = {
        {"no backup asked for", [](MemFiles&) {}, Backup::None, BankError::Ok, false},
        {"the swap refused", [](MemFiles& f) { f.replaceRefused = true; }, Backup::None, BankError::Ok, false},
        {"an older backup there", [&](MemFiles& f) { f.files[kBackup] = older; }, Backup::Keep, BankError::Ok, true},
        {"no backup yet", [](MemFiles&) {}, Backup::Keep, BankError::Ok, true},
        {"no hard links", [&](MemFiles& f) { f.files[kBackup] = older, f.linksRefused = true; }, Backup::Keep,
         BankError::Ok, false},
        {"a read-only backup in the way", [&](MemFiles& f) { f.files[kBackup] = older, f.locked = {kBackup}; },
         Backup::Keep, BankError::Ok, false},
        {"a read-only bank", [&](MemFiles& f) { f.files[kBackup] = older, f.locked = {kBank}; }, Backup::Keep,
         BankError::DeleteRefused, false},
    };
    for (const auto& c : cases) {
        for (long k = 0;; k++) {
            MemFiles files;
            files.files[kBank] = old;
            c.set(files);
            const std::string before = Held(files, kBackup);
            files.failAt = k;
            RewriteResult r = Rewrite(files, kBank, Loaded(old), {{1, &with}}, c.backup, 7);
            const bool failed = k > 0 && files.calls >= k;
            const std::string at = std::string(c.name) + ", call " + std::to_string(k) + " failing";
            const std::string backup = Held(files, kBackup);
            EXPECT_TRUE(backup == before || backup == old) << at;
            if (r.backupKept) {
                EXPECT_EQ(backup, old) << at;
            }
            files.failAt = 0;
            CheckBackup(files, kBank);  // the leftover second name settled, as the next replace or undo does
            EXPECT_EQ(Held(files, kBackup), backup) << at;
            files.files.erase(kBackup);
            const FileMap left = r.error == BankError::Ok              ? FileMap{{kBank, want}}
                                 : r.error == BankError::DeleteRefused ? FileMap{{kBank, old}, {kNew, want}}
                                 : r.error == BankError::RenameFailed  ? FileMap{{kNew, want}}
                                                                       : FileMap{{kBank, old}};
            EXPECT_EQ(files.files, left) << at;
            if (!failed) {
                EXPECT_EQ(r.error, c.error) << at;
                EXPECT_EQ(r.backupKept, c.kept) << at;
                EXPECT_EQ(backup, c.kept ? old : before) << at;
                if (k > 0)
                    break;
            }
        }
    }
}

// No backup, no bank, a new.sfx in the way, a backup cut short or of 326 sounds, and a swap the
// file system refuses are voxbank's message table's, on the disk; here, the rest.
TEST(Undo, RefusesAndLeavesBothFilesAsTheyWere)
{
    const std::string bank = BankBytes(Sounds({10, 20})), good = BankBytes(Sounds({30, 20}));
    std::string apart = good;
    apart[kHeaderSize + kEntrySize + 4] += 1;  // the second sound's offset
    const struct { const char* name; FileMap files; BankError error, problem; std::function<void(MemFiles&)> set; } cases[] = {
        {"a backup whose sounds are not back to back", {{kBank, bank}, {kBackup, apart}}, BankError::BadBackup,
         BankError::NotBackToBack, {}},
        {"a read-only bank", {{kBank, bank}, {kBackup, good}}, BankError::SwapRefused, BankError::Ok,
         [](MemFiles& f) { f.locked = {kBank}; }},
    };
    for (const auto& c : cases) {
        MemFiles files;
        files.files = c.files;
        if (c.set)
            c.set(files);
        BackupCheck r = Undo(files, kBank);
        EXPECT_EQ(r.error, c.error) << c.name;
        EXPECT_EQ(r.problem, c.problem) << c.name;
        EXPECT_EQ(files.files, c.files) << c.name;
    }
}

// The user's states, newest first: the bank and its backup must be the first two distinct ones.
TEST(Undo, ReplacesAndUndosKeepTheLastTwoStates)
{
    for (bool exchange : {true, false}) {
        MemFiles files;
        files.canExchange = exchange;
        std::vector<std::string> states = {BankBytes(Sounds({10, 20, 30}))};
        files.files[kBank] = states[0];
        const char* steps = "RUURRUUUR";  // replace, undo
        for (int i = 0; steps[i]; i++) {
            if (steps[i] == 'R') {
                const Sound with = NewSound(5 + (size_t)i, i);
                ASSERT_EQ(Rewrite(files, kBank, Loaded(files.files[kBank]), {{(size_t)i % 3, &with}}, Backup::Keep, 7).error,
                          BankError::Ok);
                states.insert(states.begin(), files.files[kBank]);
            } else {
                ASSERT_EQ(Undo(files, kBank).error, BankError::Ok) << "step " << i;
                std::swap(states[0], states[1]);
            }
            EXPECT_EQ(files.files, (FileMap{{kBank, states[0]}, {kBackup, states[1]}})) << "step " << i;
            EXPECT_NE(states[0], states[1]);
        }
    }
}

}  // namespace
