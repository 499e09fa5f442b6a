#include "support.h"

namespace {

using Strings = std::vector<std::string>;

struct Started {
    long line;
    DWORD rate;
    bool operator==(const Started& o) const { return line == o.line && rate == o.rate; }
};

std::ostream& operator<<(std::ostream& os, const Started& s)
{
    return os << "(" << s.line << ", " << s.rate << ")";
}

class PlaybackTest : public AppTest {
protected:
    std::vector<TestSound> Bank(const std::vector<size_t>& sizes, int firstRate = 8000)
    {
        return Sounds(sizes, firstRate, 1000);
    }
    Started Now() { return {(long)SendMessageA(hwndDisplay, LB_GETCURSEL, 0, 0), Format.nSamplesPerSec}; }

    // Follows a play-all sequence to its end: the selected line and rate as each sound starts.
    std::vector<Started> FollowSequence(std::function<void(size_t)> onStart = nullptr)
    {
        std::vector<Started> seen = {Now()};
        long last = playallno;
        if (onStart)
            onStart(0);
        EXPECT_TRUE(PumpUntil([&] {
            if (playall && playallno == last + 1 && PlaybackBusy()) {
                seen.push_back(Now());
                if (onStart)
                    onStart(seen.size() - 1);
            }
            last = playallno;  // a Stop moves it without starting a sound
            return !playall && !PlaybackBusy();
        }));
        return seen;
    }
};

TEST_F(PlaybackTest, PlayAllPlaysEverySoundInOrderAndStopEndsTheSequence)
{
    MakeBank("x.sfx", Bank({2000, 2000, 2000, 2000}));
    Start();
    OpenBank("x.sfx");
    Command(ID_PLAYALL);
    EXPECT_FALSE(Enabled(hwndPlayAll));
    EXPECT_FALSE(Enabled(hwndReplace));
    EXPECT_EQ(FollowSequence(), (std::vector<Started>{{0, 8000}, {1, 9000}, {2, 10000}, {3, 11000}}));
    EXPECT_TRUE(Enabled(hwndPlayAll));
    EXPECT_TRUE(Enabled(hwndReplace));
    EXPECT_EQ(playallno, 0);

    Command(ID_PLAYALL);
    auto stopAtSecond = [&](size_t k) {
        if (k == 1)
            Command(ID_STOP);
    };
    EXPECT_EQ(FollowSequence(stopAtSecond), (std::vector<Started>{{0, 8000}, {1, 9000}}));
    EXPECT_TRUE(Enabled(hwndPlayAll));

    Command(ID_STOP);  // no sequence runs: nothing to see, and Play All starts from sound 0
    EXPECT_FALSE(PlaybackBusy());
    Command(ID_PLAYALL);
    EXPECT_EQ(FollowSequence().size(), 4u);
    EXPECT_EQ(boxes.texts, Strings{"4 sounds in file"});
}

TEST_F(PlaybackTest, ASequenceGoesOnWhenTheBankVanishesOrAnotherIsOpened)
{
    MakeBank("a.sfx", Bank({300, 300, 300}));
    MakeBank("b.sfx", Bank({300, 300}, 20000));
    MakeBank("long.sfx", Bank({16000, 300, 300}));
    Start();
    OpenBank("a.sfx");
    Command(ID_PLAYALL);
    DeleteFileA("a.sfx");
    FollowSequence();
    EXPECT_TRUE(Enabled(hwndPlayAll));
    EXPECT_EQ(boxes.texts, (Strings{"3 sounds in file", "Failed to open input file", "Failed to open input file"}));

    OpenBank("long.sfx");
    Command(ID_PLAYALL);
    OpenBank("b.sfx");  // while sound 0 still plays: the sequence takes b's sound 1 and ends with b
    std::vector<Started> seen = FollowSequence();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1], (Started{1, 21000}));
}

TEST_F(PlaybackTest, OnlyOnePlaybackAtATime)
{
    MakeBank("x.sfx", Bank({16000, 300}));
    Start();
    OpenBank("x.sfx");
    DoubleClick(hwndDisplay, 0);
    HWAVEOUT first = hWaveOut;
    ASSERT_NE(first, nullptr);
    DoubleClick(hwndDisplay, 1);
    Command(ID_PLAYALL);
    PlayOne(1);
    EXPECT_EQ(hWaveOut, first);
    EXPECT_EQ(Format.nSamplesPerSec, 8000u);
    EXPECT_FALSE(playall);
    ASSERT_TRUE(WaitForPlaybackEnd());
    EXPECT_TRUE(Enabled(hwndPlayAll));
    EXPECT_EQ(lpData, nullptr);
    Pump(100);
    EXPECT_FALSE(PlaybackBusy());  // no second playback was queued behind the first
}

TEST_F(PlaybackTest, BadEntriesAreReportedWithoutPlayingUnreadMemory)
{
    std::vector<TestSound> sounds = Bank({300, 0, 300, 300, 300});
    sounds[4].bits = 0;  // no device plays that
    std::string bank = BankBytes(sounds);
    const int data = 16 + 5 * 28;
    RECORD past = RecordFor(sounds[2], data + 300);
    past.length = 5000;  // runs past the end of the file, 900 bytes on
    memcpy(&bank[16 + 2 * 28], &past, sizeof past);
    RECORD negative = RecordFor(sounds[3], -40);
    negative.length = -1;
    memcpy(&bank[16 + 3 * 28], &negative, sizeof negative);
    WriteFileBytes("x.sfx", bank);
    WriteFileBytes("x.txt", "");
    Start();
    OpenBank("x.sfx");
    DoubleClick(hwndDisplay, 1);
    EXPECT_FALSE(PlaybackBusy());
    DoubleClick(hwndDisplay, 3);
    EXPECT_FALSE(PlaybackBusy());
    DoubleClick(hwndDisplay, 4);
    EXPECT_FALSE(PlaybackBusy());
    DoubleClick(hwndDisplay, 2);
    ASSERT_TRUE(PlaybackBusy());
    for (int i = 900; i < 5000; i++)  // what lies past the end of the file plays as silence
        ASSERT_EQ(lpData[i], 0) << i;
    ASSERT_TRUE(WaitForPlaybackEnd());
    EXPECT_EQ(boxes.texts, (Strings{"5 sounds in file", "GlobalAllocPtr Failed", "GlobalAllocPtr Failed", "WaveOutOpen Failed",
                                    "Sound 2 runs past the end of the bank file; what is missing plays as silence."}));
}

TEST_F(PlaybackTest, ACompletionDuringAReplaceEnablesTheDialogButtons)
{
    MakeBank("x.sfx", Bank({300, 300}));
    Start();
    OpenBank("x.sfx");
    SendMessageA(hwndDisplay, LB_SETCURSEL, 1, 0);
    HWND dlg = CreateDialogParamA(GetModuleHandleA(NULL), "ReplaceBox", hwndApp, ReplaceDlgProc, 0);
    ASSERT_NE(dlg, nullptr);
    bValidReplace = TRUE;
    EnableWindow(hwndPlayAll, FALSE);
    SendMessageA(dlg, WM_COMMAND, IDD_ORIGINAL, 0);
    EXPECT_EQ(Format.nSamplesPerSec, 9000u);
    EXPECT_FALSE(Enabled(hwndOriginal));
    ASSERT_TRUE(WaitForPlaybackEnd());
    for (HWND b : {hwndOk, hwndNew, hwndOriginal})
        EXPECT_TRUE(Enabled(b));
    EXPECT_FALSE(Enabled(hwndPlayAll));  // the main window is left alone

    bValidReplace = FALSE;  // as after CANCEL: the next completion is the main window's
    PlayOne(0);
    ASSERT_TRUE(WaitForPlaybackEnd());
    EXPECT_TRUE(Enabled(hwndPlayAll));
    DestroyWindow(dlg);
}

}  // namespace
