// voxbank replace and undo killed at every call that changes a file, right before and right
// after each, the swaps included: the bank's name always holds a whole bank and the backup's a
// whole earlier one or nothing; nothing the user made is lost; what is left beside them is
// reported by the next replace, and once deleted stands in no one's way.
#include <gtest/gtest.h>

#include "builders.h"
#include "run.h"

using namespace vox::test;

namespace {

std::vector<std::string> WithKillpoint(const std::vector<std::string>& settings)
{
    std::vector<std::string> env = {"LD_PRELOAD=" KILLPOINT, "ASAN_OPTIONS=verify_asan_link_order=0"};
    env.insert(env.end(), settings.begin(), settings.end());
    return env;
}

struct Banks {
    std::string older, old, renewed;  // the backup before, the bank, the bank after the replace
    std::vector<std::string> args;    // the replace
};

// 2.4 MB in pieces of 1,000,000 bytes and six replacements: some forty points to kill it at.
Banks MakeBanks(const Folder& f)
{
    Banks b;
    std::vector<TestSound> sounds = Sounds(std::vector<size_t>(24, 100000));
    b.old = BankBytes(sounds);
    b.older = BankBytes(Sounds(std::vector<size_t>(24, 100000), 2));
    b.args = {"replace", f.Path("BANK.SFX")};
    for (size_t n : {2, 6, 10, 14, 18, 22}) {
        WaveLayout w;
        w.data = std::string(100001 + n, (char)n);
        f.Put(std::to_string(n) + ".wav", WaveBytes(w));
        b.args.push_back(std::to_string(n) + "=" + f.Path(std::to_string(n) + ".wav"));
        sounds[n].data = w.data, sounds[n].rate = w.rate;
    }
    b.renewed = BankBytes(sounds);
    return b;
}

// The calls the command makes, one name each, and the number of the last one named so.
std::vector<std::string> CallsOf(const Folder& f, const std::vector<std::string>& args, const std::vector<std::string>& env)
{
    std::vector<std::string> settings = env;
    settings.push_back("VOXBANK_KILL_LOG=" + f.Path("calls"));
    std::filesystem::remove(f.Path("calls"));
    EXPECT_EQ(f.RunVoxbank(args, WithKillpoint(settings)).status, 0);
    std::vector<std::string> calls;
    std::istringstream lines(f.Get("calls"));
    for (std::string line; std::getline(lines, line);)
        calls.push_back(line);
    return calls;
}

size_t LastCall(const std::vector<std::string>& calls, const std::string& name)
{
    for (size_t i = calls.size(); i > 0; i--)
        if (calls[i - 1] == name)
            return i;
    return 0;
}

TEST(VoxbankKilled, ReplaceLeavesTheOldBankOrTheNewOneWholeAndTheBackupBehindIt)
{
    Folder f;
    const Banks b = MakeBanks(f);
    auto reset = [&] {
        f.Put("BANK.SFX", b.old);
        f.Put("BANK.SFX.bak", b.older);
        std::filesystem::remove(f.Path("new.sfx"));
        std::filesystem::remove(f.Path("BANK.SFX.bak.part"));
    };
    reset();
    const std::vector<std::string> calls = CallsOf(f, b.args, {});
    ASSERT_TRUE(f.Get("BANK.SFX") == b.renewed && f.Get("BANK.SFX.bak") == b.old);
    const size_t swap = LastCall(calls, "rename");  // new.sfx onto the bank
    ASSERT_GE(2 * calls.size(), 30u) << calls.size() << " calls";

    for (size_t call = 1; call <= calls.size(); call++) {
        for (const char* when : {"", "+"}) {
            const std::string point = "killed at " + std::to_string(call) + when + " (" + calls[call - 1] + ")";
            reset();
            Outcome killed = f.RunVoxbank(b.args, WithKillpoint({"VOXBANK_KILL=" + std::to_string(call) + when}));
            ASSERT_TRUE(killed.killed) << point << killed.err;
            const std::string bank = f.Get("BANK.SFX"), backup = f.Get("BANK.SFX.bak");
            const bool swapped = call > swap || (call == swap && *when);
            ASSERT_TRUE(bank == (swapped ? b.renewed : b.old)) << point;
            ASSERT_TRUE(swapped ? backup == b.old : backup == b.older || backup == b.old) << point;
            if (call == swap && !*when) {
                EXPECT_TRUE(f.Get("new.sfx") == b.renewed) << "the new bank is whole before the swap";
            }
            if (f.Has("new.sfx")) {
                Outcome told = f.RunVoxbank(b.args);
                EXPECT_EQ(told.status, 1) << point;
                EXPECT_NE(told.err.find(f.Path("new.sfx") + " is in the way"), std::string::npos) << point << told.err;
                EXPECT_TRUE(f.Get("BANK.SFX") == bank) << point;
                std::filesystem::remove(f.Path("new.sfx"));
            }
            if (bank == b.old) {
                EXPECT_EQ(f.RunVoxbank(b.args).status, 0) << point;
            }
            EXPECT_TRUE(f.Get("BANK.SFX") == b.renewed && f.Get("BANK.SFX.bak") == b.old) << point;
            EXPECT_FALSE(f.Has("BANK.SFX.bak.part")) << point << ": the next replace settles what was left";
        }
    }
}

TEST(VoxbankKilled, UndoLosesNeitherBank)
{
    Folder f;
    const Banks b = MakeBanks(f);
    const std::vector<std::string> undo = {"undo", f.Path("BANK.SFX")};
    for (bool exchange : {true, false}) {
        const std::vector<std::string> env = exchange ? std::vector<std::string>{} : std::vector<std::string>{"VOXBANK_NO_EXCHANGE=1"};
        auto reset = [&] {
            f.Put("BANK.SFX", b.renewed);
            f.Put("BANK.SFX.bak", b.old);
            std::filesystem::remove(f.Path("BANK.SFX.bak.part"));
        };
        reset();
        const std::vector<std::string> calls = CallsOf(f, undo, env);
        ASSERT_TRUE(f.Get("BANK.SFX") == b.old && f.Get("BANK.SFX.bak") == b.renewed);
        for (size_t call = 1; call <= calls.size(); call++) {
            for (const char* when : {"", "+"}) {
                const std::string point = std::string(exchange ? "" : "no exchange, ") + "killed at " +
                                          std::to_string(call) + when + " (" + calls[call - 1] + ")";
                reset();
                std::vector<std::string> settings = env;
                settings.push_back("VOXBANK_KILL=" + std::to_string(call) + when);
                ASSERT_TRUE(f.RunVoxbank(undo, WithKillpoint(settings)).killed) << point;
                const std::string bank = f.Get("BANK.SFX"), backup = f.Get("BANK.SFX.bak"), part = f.Get("BANK.SFX.bak.part");
                ASSERT_TRUE(bank == b.renewed || bank == b.old) << point;
                ASSERT_TRUE(backup == b.renewed || backup == b.old || !f.Has("BANK.SFX.bak")) << point;
                const std::string other = bank == b.old ? b.renewed : b.old;
                EXPECT_TRUE(backup == other || part == other) << point << ": nothing the user made is lost";
                // the next undo settles what was left and swaps again
                ASSERT_EQ(f.RunVoxbank(undo, WithKillpoint(env)).status, 0) << point;
                EXPECT_TRUE(f.Get("BANK.SFX") == other && f.Get("BANK.SFX.bak") == bank) << point;
                EXPECT_FALSE(f.Has("BANK.SFX.bak.part")) << point;
            }
        }
    }
}

}  // namespace
