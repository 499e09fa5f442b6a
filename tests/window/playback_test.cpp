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

}  // namespace
