// The disk refusing one call during a Replace, an Undo and a Save All: the exact message, and
// the files as the failure leaves them.
#include "support.h"

#include <algorithm>

namespace {

class DiskFaultTest : public AppTest {
protected:
    // Runs the work once as it goes, then again from the same files for each call the disk
    // refuses once; check judges each run from the call, its number, what the work said, the
    // files before and the files after the run that went through. made: the calls the work makes.
    using Check = std::function<void(DiskCall, int, const Strings&, const Files&, const Files&)>;
    void EachFailure(const std::vector<DiskCall>& made, const std::function<void()>& setUp, const std::function<void()>& work,
                     const Check& check)
    {
        setUp();
        const Files before = Snapshot(dir);
        boxes.texts.clear();
        CountDiskCalls();
        work();
        int calls[DISK_CALLS];
        for (int c = 0; c < DISK_CALLS; c++) {
            calls[c] = DiskCalls((DiskCall)c);
            EXPECT_EQ(calls[c] > 0, std::count(made.begin(), made.end(), c) > 0) << kDiskCallNames[c] << " " << calls[c];
        }
        const Strings saidClean = boxes.texts;
        const Files after = Snapshot(dir);
        check(DISK_CALLS, -1, saidClean, before, after);
        for (int c = 0; c < DISK_CALLS; c++)
            for (int n = 0; n < calls[c]; n++) {
                SCOPED_TRACE(std::string(kDiskCallNames[c]) + " #" + std::to_string(n));
                Restore(dir, before);
                setUp();
                boxes.texts.clear();
                FailDiskCall((DiskCall)c, n);
                work();
                CountDiskCalls();
                check((DiskCall)c, n, boxes.texts, before, after);
            }
    }
};

TEST_F(DiskFaultTest, AReplaceThatTheDiskRefusesLeavesTheBankAsItWas)
{
    MakeBank("x.sfx", vox::test::Sounds({3000, 3000, 3000}));
    MakeWave("new.wav", 5000);
    Start();
    const std::string bank = dir + "\\x.sfx";
    const std::string unwritten = "Unable to write " + dir + "\\new.sfx (the disk may be full). The bank " + bank + " is unchanged.";
    const std::string noBackup = "The new bank is in place, but the old one could not be kept as " + bank + ".bak, so Undo cannot put it back.";
    EachFailure({WRITE_FILE, FLUSH_FILE, MOVE_FILE, HARD_LINK}, [&] { OpenBank("x.sfx"); },
                [&] {
                    ReplaceSound(1, "new.wav", {Press(IDC_OK)});
                    ASSERT_TRUE(WaitIdle());
                },
                [&](DiskCall call, int n, const Strings& said, const Files& before, Files after) {
                    if (call == WRITE_FILE || call == FLUSH_FILE) {
                        EXPECT_EQ(said, (Strings{kConfirm, unwritten}));
                        EXPECT_TRUE(Snapshot(dir) == before);
                    } else if (call == HARD_LINK || (call == MOVE_FILE && n == 0)) {  // the backup's two steps
                        EXPECT_EQ(said, (Strings{kConfirm, noBackup}));
                        after.erase("x.sfx.bak");
                        EXPECT_TRUE(Snapshot(dir) == after);
                    } else {  // the new bank's rename, which takes a second way
                        EXPECT_EQ(said, Strings{kConfirm});
                        EXPECT_TRUE(Snapshot(dir) == after);
                    }
                });
}

TEST_F(DiskFaultTest, AnUndoThatTheDiskRefusesLeavesBothFilesAsTheyWere)
{
    const std::string replaced = MakeBank("x.sfx", vox::test::Sounds({3000, 3000, 3000}, 1));
    WriteFileBytes("x.sfx.bak", vox::test::BankBytes(vox::test::Sounds({3000, 2000, 3000}, 2)));
    Start();
    const std::string bank = dir + "\\x.sfx";
    EachFailure({MOVE_FILE, HARD_LINK}, [&] { OpenBank("x.sfx"); }, [&] { Command(IDC_UNDO); },
                [&](DiskCall call, int n, const Strings& said, const Files& before, const Files& after) {
                    if (call == DISK_CALLS || (call == MOVE_FILE && n == 1)) {
                        // the last rename refused once is made again
                        EXPECT_EQ(said, (Strings{kUndoX, "3 sounds in file"}));
                        EXPECT_TRUE(after.at("x.sfx") == before.at("x.sfx.bak") && after.at("x.sfx.bak") == replaced);
                        EXPECT_TRUE(Snapshot(dir) == after);
                    } else {
                        EXPECT_EQ(said, (Strings{kUndoX, "Unable to put back " + bank + ".bak in the place of " + bank +
                                                               ": the file system refused. Both files are as they were."}));
                        EXPECT_TRUE(Snapshot(dir) == before);
                    }
                });
}

TEST_F(DiskFaultTest, ASaveAllThatTheDiskRefusesStopsAndLeavesNoPartOfAFile)
{
    const std::string bank = MakeBank("x.sfx", vox::test::Sounds({1001, 2000, 300}));
    CreateDirectoryA("all", NULL);
    WriteFileBytes("all\\001-S1.wav", "mine");
    const std::string folder = dir + "\\all";
    const Strings names = {"all\\000-S0.wav", "all\\001-S1.wav", "all\\002-S2.wav"};
    const auto pick = PickFolder(folder);
    Start();
    const char kAsk[] = "1 file exists. Overwrite it?";
    EachFailure({WRITE_FILE, MOVE_FILE}, [&] { OpenBank("x.sfx"); },
                [&] {
                    RunScript({pick});
                    Command(IDM_SAVEALL);
                    ASSERT_TRUE(ScriptDone());
                },
                [&](DiskCall call, int, const Strings& said, const Files& before, const Files& after) {
                    EXPECT_EQ(Text(hwndText), dir + "\\x.sfx");
                    if (call == DISK_CALLS) {
                        EXPECT_EQ(said, (Strings{kAsk, "3 sounds saved in " + folder + "."}));
                        return;
                    }
                    // the sound whose file failed: those before it are saved, it and those after as they were
                    ASSERT_EQ(said.size(), 2u);
                    size_t failed = 0;
                    while (failed < names.size() && said[1].find(names[failed].substr(4)) == std::string::npos)
                        failed++;
                    ASSERT_LT(failed, names.size()) << said[1];
                    const std::string path = dir + "\\" + names[failed];
                    if (call == MOVE_FILE)
                        EXPECT_EQ(said[1], "Unable to replace " + path + ". It is as it was.");
                    else
                        EXPECT_EQ(said[1], "Unable to write " + path + " (the disk may be full). It was not saved.");
                    Files expected = before;
                    for (size_t i = 0; i < failed; i++)
                        expected[names[i]] = after.at(names[i]);
                    EXPECT_TRUE(Snapshot(dir) == expected);
                });
}

}  // namespace
