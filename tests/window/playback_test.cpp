#include "support.h"

namespace {

// Play All plays what can play and tells once, at its end, what could not; a sound played alone
// tells its own trouble; the buttons come back either way.
TEST_F(AppTest, WhatCannotPlayIsSkippedAndToldOnce)
{
    std::vector<TestSound> sounds = vox::test::Sounds({1500, 1500, 1500, 1500});
    sounds[1].channels = 0;
    sounds[2].channels = 48741;
    // the second bank's directory runs into its sample bytes: 321 entries of nothing playable
    std::vector<TestSound> wild = vox::test::Sounds({3000, 3000, 3000, 3000});
    for (TestSound& s : wild)
        s.data.assign(s.data.size(), '\0');
    WriteFileBytes("wild.sfx", vox::test::Le32(2147483647) + vox::test::BankBytes(wild).substr(4));
    WriteFileBytes("wild.txt", "");
    MakeWave("new.wav", 400);
    StartOn(sounds);
    const struct { const char* bank; int unplayable; std::string played; Strings says; } cases[] = {
        {"x.sfx", 2, "03",
         {"4 sounds in file", "WaveOutOpen Failed\n\nSounds 1 and 2 could not be played as stored.", "WaveOutOpen Failed",
          "WaveOutOpen Failed"}},
        {"wild.sfx", 5, "0123", {"2147483647 sounds in file", "Too many sounds in file, loading first 325",
                                 "WaveOutOpen Failed\n\nSounds 4, 5, 6, 7, 8, 9, 10, 11, 12, 13 and 311 more could not be played as stored.",
                                 "WaveOutOpen Failed", "WaveOutOpen Failed"}},
    };
    for (const auto& c : cases) {
        boxes.texts.clear();
        played.clear();
        OpenBank(c.bank);
        Command(IDC_PLAYALL);
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(PlayedSounds(), c.played) << c.bank;
        EXPECT_TRUE(MainButtons()) << c.bank;
        DoubleClick(hwndDisplay, c.unplayable);
        EXPECT_FALSE(PlaybackBusy()) << c.bank;
        EXPECT_TRUE(MainButtons()) << c.bank;
        bool enabled = false;  // the Replace dialog's buttons, once its original sound failed
        ReplaceSound(c.unplayable, "new.wav",
                     {Press(IDC_ORIGINAL), [&] { return enabled = DialogButtons(true), PostMessageA(rd, WM_COMMAND, IDCANCEL, 0); }});
        EXPECT_TRUE(enabled) << c.bank;
        EXPECT_EQ(boxes.texts, c.says) << c.bank;
    }
}

TEST_F(AppTest, SoundsPlayInOrderAndWhatIsAskedMeanwhileWaitsForTheDevice)
{
    MakeWave("new.wav", 30000);
    const std::vector<TestSound> sounds = vox::test::Sounds(std::vector<size_t>(4, 2500));
    MakeBank("y.sfx", vox::test::Sounds(std::vector<size_t>(2, 2500)));  // x.sfx's first two sounds
    StartOn(sounds);
    auto sound = [this](int n) { return [this, n] { DoubleClick(hwndDisplay, n); }; };
    auto command = [this](int id) { return [this, id] { Command(id); }; };
    // the dialog is cancelled as soon as it opens; its preview plays on
    auto replace = [this] { ReplaceSound(0, "new.wav", {[this] { return PostMessageA(rd, WM_COMMAND, IDCANCEL, 0); }}); };
    auto hold = [] { HoldSoundEnds(true); };
    auto letGo = [] { HoldSoundEnds(false); };
    auto endFirst = [] { PumpUntil([] { return HeldSoundEnds() == 1; }), EndHeldSounds(); };
    struct Case {
        const char* what;
        std::vector<std::function<void()>> actions;
        std::string played;
        // one request at a time: each sound's line is selected as it starts, and Play All and
        // Replace are off while it plays
        bool alone = false;
    };
    const Case cases[] = {
        {"a sound", {sound(2)}, "2", true},
        {"Play All", {command(IDC_PLAYALL)}, "0123", true},
        {"Stop as sound 1 plays, its end held until Stop is in", {hold, command(IDC_PLAYALL), endFirst, command(IDC_STOP), letGo}, "01", true},
        {"a sound during a sound", {sound(0), sound(2)}, "02"},
        {"a sound during Play All", {command(IDC_PLAYALL), sound(3)}, "03"},
        {"Stop after a sound waits", {sound(0), sound(2), command(IDC_STOP)}, "0"},
        {"Play All during a preview", {replace, command(IDC_PLAYALL)}, "P0123"},
        {"Replace during a preview", {replace, replace}, "PP"},
        // the preview has not ended when Play All is asked for
        {"Stop after Play All waits", {hold, replace, command(IDC_PLAYALL), command(IDC_STOP), letGo}, "P"},
        // the next sound is the new bank's, as far as its count goes
        {"Play All with another bank opened meanwhile", {hold, command(IDC_PLAYALL), [this] { OpenBank("y.sfx"); }, letGo}, "01"},
    };
    for (const Case& c : cases) {
        played.clear();
        for (const auto& act : c.actions)
            act();
        EXPECT_TRUE(!c.alone || !(Enabled(hwndPlayAll) || Enabled(hwndReplace))) << c.what;
        ASSERT_TRUE(WaitIdle()) << c.what;
        EXPECT_EQ(PlayedSounds(), c.played) << c.what;
        EXPECT_TRUE(MainButtons()) << c.what;
        for (const Played& p : played) {  // each sound of the bank played its own bytes
            const size_t n = (size_t)(p.rate - 11025) / 1000;
            EXPECT_TRUE(p.rate == kWaveFormat.rate || (p.head == sounds[n].data.substr(0, 16) && (!c.alone || p.line == (long)n)))
                << c.what;
        }
    }
    EXPECT_EQ(boxes.texts, Strings{"2 sounds in file"});
}

// A sound the file's end cuts short plays the whole blocks the file holds, however much its
// entry claims, says how much that is, and is over when those bytes are; with nothing there it
// cannot play. The same holds in Play All, where it is told at the end.
TEST_F(AppTest, ASoundCutShortPlaysOnlyWhatTheFileHolds)
{
    std::vector<TestSound> sounds = vox::test::Sounds({1000, 6002});
    sounds[1].bits = 16;  // blocks of 2 bytes: the odd byte at the end does not play
    std::string bytes = vox::test::BankBytes(sounds);
    const size_t length1 = vox::kHeaderSize + vox::kEntrySize;  // sound 1's length in its entry
    bytes.replace(length1, 4, vox::test::Le32(1500000000));
    WriteFileBytes("y.sfx", bytes.substr(0, bytes.size() - 6002));  // sound 1 wholly past the end
    WriteFileBytes("y.txt", "");
    StartOn(sounds);
    WriteFileBytes("x.sfx", bytes + "\x01");
    const std::string cut = "Sound 1 runs past the end of the bank file: 6,002 of its 1,500,000,000 bytes are there, and only those play.";
    const std::string gone = "Sound 1 runs past the end of the bank file: none of its 1,500,000,000 bytes are there, so it cannot play.";
    const struct { const char* bank; int command; std::string played; Strings says; } cases[] = {
        {"x.sfx", IDC_SOUNDS, "1", {cut}},
        {"x.sfx", IDC_PLAYALL, "01", {cut + "\n\nSound 1 could not be played as stored."}},
        {"y.sfx", IDC_SOUNDS, "", {gone}},
        {"y.sfx", IDC_PLAYALL, "0", {gone + "\n\nSound 1 could not be played as stored."}},
    };
    for (const auto& c : cases) {
        OpenBank(c.bank);
        boxes.texts.clear();
        played.clear();
        const DWORD start = GetTickCount();
        if (c.command == IDC_PLAYALL)
            Command(IDC_PLAYALL);
        else
            DoubleClick(hwndDisplay, 1);
        ASSERT_TRUE(PumpUntil([] { return !PlaybackBusy() && MainButtons(); })) << c.bank;
        const DWORD took = GetTickCount() - start;
        EXPECT_EQ(PlayedSounds(), c.played) << c.bank;
        EXPECT_EQ(boxes.texts, c.says) << c.bank;
        if (!c.played.empty() && c.played.back() == '1') {
            EXPECT_EQ(played.back().size, 6002u) << c.bank;
            EXPECT_LT(took, 1000 + (c.command == IDC_PLAYALL ? 1000 : 0) + 6002 * 1000 / (2 * 12025)) << c.bank;
        }
    }
}

// Stop ends a sound alone at once; in Play All the first Stop lets the sound that plays end,
// as it always has, and a second one ends it at once.
TEST_F(AppTest, StopEndsALongSoundAtOnce)
{
    StartOn(vox::test::Sounds({100000, 100000}));  // 9 s each
    const struct { const char* what; int command; int stops; std::string played; } cases[] = {
        {"Play All", IDC_PLAYALL, 2, "0"},
        {"a sound", IDC_SOUNDS, 1, "1"},
    };
    for (const auto& c : cases) {
        played.clear();
        if (c.command == IDC_PLAYALL)
            Command(IDC_PLAYALL);
        else
            DoubleClick(hwndDisplay, 1);
        for (int stop = 1; stop <= c.stops; stop++) {
            const DWORD start = GetTickCount();
            Command(IDC_STOP);
            PumpUntil([&] { return !PlaybackBusy() || GetTickCount() - start > 1000; });
            EXPECT_EQ(PlaybackBusy(), stop < c.stops) << c.what << ", Stop " << stop;
        }
        EXPECT_TRUE(MainButtons()) << c.what;
        EXPECT_EQ(PlayedSounds(), c.played) << c.what;
    }
}

}  // namespace
