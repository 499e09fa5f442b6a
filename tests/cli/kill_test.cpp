// voxbank replace killed at every call that changes a file, right before and right after each,
// the swap included: the bank's name always holds the old bank or the new one, whole; what is
// left beside it is reported by the next replace, and once deleted stands in no one's way.
#include <gtest/gtest.h>

#include "builders.h"
#include "run.h"

using namespace vox::test;

namespace {

std::vector<std::string> WithKillpoint(const std::string& setting)
{
    return {"LD_PRELOAD=" KILLPOINT, "ASAN_OPTIONS=verify_asan_link_order=0", setting};
}

TEST(VoxbankKilled, LeavesTheOldBankOrTheNewOneWhole)
{
    Folder f;
    // 2.4 MB in pieces of 1,000,000 bytes and six replacements: some forty points to kill it at.
    std::vector<TestSound> sounds = Sounds(std::vector<size_t>(24, 100000));
    const std::string old = BankBytes(sounds);
    std::vector<std::string> args = {"replace", f.Path("BANK.SFX")};
    for (size_t n : {2, 6, 10, 14, 18, 22}) {
        WaveLayout w;
        w.data = std::string(100001 + n, (char)n);
        f.Put(std::to_string(n) + ".wav", WaveBytes(w));
        args.push_back(std::to_string(n) + "=" + f.Path(std::to_string(n) + ".wav"));
        sounds[n].data = w.data, sounds[n].rate = w.rate;
    }
    const std::string renewed = BankBytes(sounds);

    f.Put("BANK.SFX", old);
    ASSERT_EQ(f.RunVoxbank(args, WithKillpoint("VOXBANK_KILL_LOG=" + f.Path("calls"))).status, 0);
    ASSERT_TRUE(f.Get("BANK.SFX") == renewed);
    const std::string calls = f.Get("calls");  // one name a line
    const size_t count = std::count(calls.begin(), calls.end(), '\n');
    ASSERT_NE(calls.find("rename\n"), std::string::npos);
    const size_t swap = std::count(calls.begin(), calls.begin() + calls.find("rename\n"), '\n') + 1;
    ASSERT_GE(2 * count, 30u) << count << " calls";

    for (size_t call = 1; call <= count; call++) {
        for (const char* when : {"", "+"}) {
            const std::string point = "killed at " + std::to_string(call) + when;
            f.Put("BANK.SFX", old);
            std::filesystem::remove(f.Path("new.sfx"));
            Outcome killed = f.RunVoxbank(args, WithKillpoint("VOXBANK_KILL=" + std::to_string(call) + when));
            ASSERT_TRUE(killed.killed) << point << killed.err;
            const std::string bank = f.Get("BANK.SFX");
            ASSERT_TRUE(bank == (call < swap || (call == swap && !*when) ? old : renewed)) << point;
            if (call == swap && !*when) {
                EXPECT_TRUE(f.Get("new.sfx") == renewed) << "the new bank is whole before the swap";
            }
            if (f.Has("new.sfx")) {
                Outcome told = f.RunVoxbank(args);
                EXPECT_EQ(told.status, 1) << point;
                EXPECT_NE(told.err.find(f.Path("new.sfx") + " is in the way"), std::string::npos) << point << told.err;
                EXPECT_TRUE(f.Get("BANK.SFX") == bank) << point;
                std::filesystem::remove(f.Path("new.sfx"));
            }
            if (bank == old) {
                EXPECT_EQ(f.RunVoxbank(args).status, 0) << point;
            }
            EXPECT_TRUE(f.Get("BANK.SFX") == renewed) << point;
        }
    }
}

}  // namespace
