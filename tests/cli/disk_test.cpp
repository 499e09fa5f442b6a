// voxbank on a disk that fails, and killed. Every call that touches a file (opens, reads, writes,
// flushes, closes, renames, links, removals) failed in turn, once or from then on, until the
// command no longer gets that far: each run either does all its work or says why in one line with
// status 1 and leaves every file as it was: no bank cut short, no new.sfx or second name left, no
// WAVE file half-written under its name. And killed right before and right after each call that
// changes a file, the swaps included: the bank's name always holds a whole bank, old or new,
// nothing the user made is lost, and the next run, once a new.sfx it reports is deleted, finishes.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "builders.h"
#include "run.h"

using namespace vox::test;

namespace {

using Files = std::map<std::string, std::string>;  // every file of the folder, by its path in it

Files Snapshot(const Folder& f)
{
    Files files;
    const std::string root = f.Path("");
    for (const auto& e : std::filesystem::recursive_directory_iterator(root)) {
        const std::string name = e.path().string().substr(root.size());
        if (e.is_regular_file() && name[0] != '.')  // the run's own output
            files[name] = f.Get(name);
    }
    return files;
}

void Restore(const Folder& f, const Files& files)
{
    for (const auto& [name, bytes] : Snapshot(f))
        if (!files.count(name))
            std::filesystem::remove(f.Path(name));
    for (const auto& [name, bytes] : files) {
        std::filesystem::create_directories(std::filesystem::path(f.Path(name)).parent_path());
        f.Put(name, bytes);
    }
}

bool Holds(const Files& files, const std::string& bytes)
{
    for (const auto& [name, held] : files)
        if (held == bytes)
            return true;
    return false;
}

struct Scenario {
    const char* what;
    std::vector<std::string> args;  // '@' stands for the test's folder
    std::vector<std::string> env;
    // Each file it writes stands alone: some may be done when it fails, and each failed one is
    // told. It goes without the index, whose names only name files.
    bool piecemeal = false;
};

// A replace without a backup whose calls fail is the engine's rewrite test's: on the disk it takes
// the same steps as a replace with one, but for the backup's.
const std::vector<Scenario> kScenarios = {
    {"replace", {"replace", "@BANK.SFX", "1=@w.wav", "3=@x.wav", "5=@w.wav"}, {}},
    {"import", {"import", "@BANK.SFX", "@in"}, {}},
    {"undo", {"undo", "@BANK.SFX"}, {}},
    {"undo without an exchange", {"undo", "@BANK.SFX"}, {"VOXBANK_FAIL_CALL=renameat2"}},
    {"extract", {"extract", "@BANK.SFX", "-o", "@new"}, {}, true},
    {"extract --force", {"extract", "@BANK.SFX", "-o", "@old", "--force"}, {}, true},
};

// Three sounds replaced in a bank of six, an older backup beside it; a folder to import with one
// file that differs; sounds already extracted, some of them since changed. Its files before and
// after the scenario's run.
struct Arranged : Folder {
    explicit Arranged(const Scenario& s)
    {
        std::vector<TestSound> sounds = Sounds({3000, 4001, 500, 7000, 2, 999});
        Put("BANK.SFX", BankBytes(sounds));
        Put("BANK.SFX.bak", BankBytes(Sounds({3000, 4001, 500, 7000, 2, 999}, 2)));
        if (!s.piecemeal)
            Put("BANK.txt", IndexText({"a", "b", "c", "d", "e", "f"}));
        WaveLayout w;
        w.data = std::string(5001, '\x21');
        Put("w.wav", WaveBytes(w));
        w.data = std::string(77, '\x42'), w.channels = 1, w.rate = 22050;
        Put("x.wav", WaveBytes(w));
        std::filesystem::create_directories(Path("in"));
        std::filesystem::create_directories(Path("old"));
        Put("in/004-e.wav", WaveBytes(w));
        Put("old/000.wav", "an older file");
        Put("old/005.wav", "another");
        for (const std::string& a : s.args)
            args.push_back(InFolder(a));
        before = Snapshot(*this);
        EXPECT_EQ(RunVoxbank(args, s.env).status, 0) << s.what;
        after = Snapshot(*this);
        EXPECT_TRUE(before != after) << s.what << " changed nothing";
        for (const auto& [name, bytes] : after)
            EXPECT_EQ(name.find(".part"), std::string::npos) << s.what << " left " << name;
    }
    std::vector<std::string> args;
    Files before, after;
};

// The scenario run from the files before it again and again, setting=N and then setting=N+ for
// N = 1, 2, ... until a run no longer gets that far; each run that does is checked, with the
// files it left and a line that names the call.
void AtEveryCall(const Scenario& s, const Arranged& f, const std::string& setting,
                 const std::function<void(const Outcome&, const Files&, const std::string&)>& check)
{
    for (int call = 1;; call++) {
        for (const char* when : {"", "+"}) {
            Restore(f, f.before);
            std::filesystem::remove(f.Path(".log"));
            std::vector<std::string> env = s.env;
            env.push_back("VOXBANK_LOG=" + f.Path(".log"));
            env.push_back(setting + "=" + std::to_string(call) + when);
            const Outcome o = f.RunVoxbank(f.args, env);
            const std::string log = f.Get(".log"), point = std::string(s.what) + ", " + env.back();
            if (log.empty()) {
                EXPECT_EQ(o.status, 0) << point << ": " << o.err;
                return;
            }
            check(o, Snapshot(f), point + " (" + log.substr(0, log.find('\n')) + "): status " + std::to_string(o.status) +
                                      ", " + o.err + "; files:");
        }
    }
}

TEST(VoxbankOnAFailingDisk, DoesAllOrSaysWhyAndChangesNothing)
{
    size_t cases = 0;
    for (const Scenario& s : kScenarios) {
        const Arranged f(s);
        const Files &before = f.before, &after = f.after;
        AtEveryCall(s, f, "VOXBANK_FAIL", [&](const Outcome& o, const Files& now, const std::string& point) {
            cases++;
            ASSERT_TRUE(o.status == 0 || o.status == 1) << point;
            if (o.status == 1) {
                if (o.err.find("rename it by hand") != std::string::npos) {
                    // Every rename refused after the bank's name was freed: the new bank is whole
                    // under new.sfx, the old one in the backup.
                    EXPECT_TRUE(now.at("new.sfx") == after.at("BANK.SFX")) << point;
                    EXPECT_TRUE(now.count("BANK.SFX.bak")) << point;
                    return;
                }
                const size_t lines = std::count(o.err.begin(), o.err.end(), '\n');
                EXPECT_TRUE(lines == 1 || (s.piecemeal && lines > 1)) << point;
                for (size_t at = 0; at < o.err.size(); at = o.err.find('\n', at) + 1)
                    EXPECT_EQ(o.err.compare(at, 9, "voxbank: "), 0) << point;
                for (const auto& [name, bytes] : now) {
                    const bool kept = before.count(name) && before.at(name) == bytes;
                    const bool whole = s.piecemeal && after.count(name) && after.at(name) == bytes;
                    EXPECT_TRUE(kept || whole) << point << " " << name;
                }
                for (const auto& [name, bytes] : before)
                    EXPECT_TRUE(now.count(name)) << point << " " << name << " gone";
                return;
            }
            // Done all the same: the failed call did not matter, or a line says what it changed.
            Files expected = after;
            if (o.out.find(".bak.part: now holds") != std::string::npos) {  // settled by the next undo
                expected["BANK.SFX.bak.part"] = after.at("BANK.SFX.bak");
                expected.erase("BANK.SFX.bak");
            } else if (!s.piecemeal && o.err.find("replaced without a backup") != std::string::npos) {
                expected["BANK.SFX.bak"] = before.at("BANK.SFX.bak");
            } else if (!s.piecemeal || o.err.find("no index file") == std::string::npos) {
                EXPECT_EQ(o.err, "") << point;
            }
            EXPECT_TRUE(now == expected) << point;
        });
    }
    EXPECT_GE(cases, 300u);
    std::cout << cases << " failed calls\n";
}

// A new.sfx that a kill leaves is refused by the next run as the message table shows; here it
// is deleted, as that message asks.
TEST(VoxbankKilled, LeavesTheBanksWholeAndTheNextRunFinishes)
{
    size_t kills = 0;
    for (const Scenario& s : kScenarios) {
        if (s.piecemeal)
            continue;
        const Arranged f(s);
        // Where the next run ends when the killed one had got as far as the swap: its work done again.
        Restore(f, f.after);
        ASSERT_EQ(f.RunVoxbank(f.args, s.env).status, 0) << s.what;
        const Files again = Snapshot(f);
        const std::string &old = f.before.at("BANK.SFX"), &renewed = f.after.at("BANK.SFX");
        bool swapped = false;
        AtEveryCall(s, f, "VOXBANK_KILL", [&](const Outcome& o, const Files& left, const std::string& point) {
            kills++;
            ASSERT_TRUE(o.killed) << point;
            const std::string bank = f.Get("BANK.SFX");
            ASSERT_TRUE(bank == renewed || (!swapped && bank == old)) << point;
            swapped = bank == renewed;
            for (const auto& [name, bytes] : left)
                EXPECT_TRUE(name == "new.sfx" || Holds(f.before, bytes) || Holds(f.after, bytes)) << point << name;
            for (const auto& [name, bytes] : f.after)
                EXPECT_TRUE(Holds(left, bytes) || !Holds(f.before, bytes)) << point << " lost what " << name << " holds";
            std::filesystem::remove(f.Path("new.sfx"));
            ASSERT_EQ(f.RunVoxbank(f.args, s.env).status, 0) << point;
            EXPECT_TRUE(Snapshot(f) == (swapped ? again : f.after)) << point << ": the next run";
        });
    }
    EXPECT_GE(kills, 50u);
    std::cout << kills << " kills\n";
}

}  // namespace
