#include "support.h"

namespace {

vox::Sound NewSound(const std::string& data)
{
    return {kWaveFormat, false, {data.begin(), data.end()}};
}

// The last text of each step the status line showed: dots may be painted several at a time.
Strings FinalStatusTexts()
{
    auto step = [](const std::string& s) { return s.substr(0, s.find_last_not_of('.') + 1); };
    Strings out;
    for (size_t i = 0; i < statusLog.size(); i++)
        if (i + 1 == statusLog.size() || step(statusLog[i + 1]) != step(statusLog[i]))
            out.push_back(statusLog[i]);
    return out;
}

TEST_F(AppTest, TheWholeReplaceRoadRewritesTheBank)
{
    // enough behind the sound for the disk to be set flushing while the rewrite goes on
    const std::string data = MakeWave("new.wav", 30000);
    const std::string before = StartOn(vox::test::Sounds({2500000, 100, 33000000}));
    bool disabledAtStart = false;
    HoldSoundEnds(true);  // the preview plays on until the buttons are looked at
    ReplaceSound(1, "new.wav", {[&] { return disabledAtStart = DialogButtons(false) && PlaybackBusy(), HoldSoundEnds(false), true; },
                                Press(IDC_ORIGINAL), Press(IDC_NEW), Press(IDC_OK)});
    EXPECT_TRUE(ScriptDone());
    EXPECT_TRUE(disabledAtStart);
    EXPECT_TRUE(ReadFileBytes("x.sfx") == vox::test::SplicedBank(before, 1, NewSound(data)));
    EXPECT_EQ(GetFileAttributesA("new.sfx"), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(boxes.texts, Strings{kConfirm});
    EXPECT_EQ(FinalStatusTexts(), (Strings{"Press 'Replace' to continue.", "Correcting and saving header.",
                                           "Saving prior data...", "Saving new data.", "Saving post data" + std::string(34, '.')}));
    ASSERT_TRUE(WaitIdle());
    DoubleClick(hwndDisplay, 1);  // the sound now plays from the corrected directory
    ASSERT_TRUE(WaitIdle());
    EXPECT_EQ(PlayedSounds(), "P1PP");  // the preview, the original and the new sound, then the sound replaced
    EXPECT_EQ(played.back().head, data.substr(0, 16));
}

TEST_F(AppTest, RefusedReplacementsLeaveTheBankAsItWas)
{
    const std::vector<TestSound> sounds = vox::test::Sounds({6000, 200, 300});
    std::string onDisk;
    struct Case {
        const char* what;
        std::string wave;                          // "" for a good one
        std::vector<std::function<bool()>> steps;  // in the Replace dialog
        Strings boxes;
        bool keepsNewBank = false;                 // the new bank is left complete as new.sfx
    };
    const Case cases[] = {
        {"another directory was written in the bank's place", "",
         {[&] { return WriteFileBytes("x.sfx", onDisk = vox::test::BankBytes(vox::test::Sounds({6100, 100, 300}))), true; },
          Press(IDC_OK)},
         {kConfirm, "The bank " + dir + "\\x.sfx has changed since it was opened. Open it again and then replace the "
                    "sound; the bank is unchanged."}},
        {"a sound still holds the device", "",
         {[&] { return DialogButtons(true) && (HoldSoundEnds(true), SendMessageA(rd, WM_COMMAND, IDC_ORIGINAL, 0), true); },
          [&] { return PostMessageA(rd, WM_COMMAND, IDC_OK, 0); }},
         {kConfirm, "A sound is still playing. Wait for it to end and replace the sound again; the bank is unchanged."}},
        {"CANCEL while a load error shows", "",
         {[&] { return DialogButtons(true) && (WriteFileBytes("new.wav", "RIFF" + vox::test::Le32(4) + "WAVE"), boxes.hold = true) &&
                       PostMessageA(rd, WM_COMMAND, IDC_NEW, 0); },
          [&] { return boxes.open && (SendMessageA(rd, WM_COMMAND, IDCANCEL, 0), AnswerOpenBox(IDOK), true); }},
         {"Wave file appears to be corrupted"}},
        {"a read-only bank", "",
         {[&] { return SetFileAttributesA("x.sfx", FILE_ATTRIBUTE_READONLY) != 0; }, Press(IDC_OK)},
         {kConfirm, "Unable to delete the old bank " + dir + "\\x.sfx.\nThe new bank has been saved as " + dir + "\\new.sfx.",
          "Failed to rename file new.sfx\n\nThe new bank is " + dir + "\\new.sfx; the old bank " + dir + "\\x.sfx is unchanged."},
         true},
        {"new.sfx is in the way", "", {[&] { return WriteFileBytes("new.sfx", "left"), true; }, Press(IDC_OK)},
         {kConfirm, dir + "\\new.sfx is in the way. Move or rename it and try again; the bank is unchanged."}, true},
        {"the bank is gone", "", {[&] { return DeleteFileA("x.sfx"), onDisk.clear(), true; }, Press(IDC_OK)},
         {kConfirm, "Unable to open the bank " + dir + "\\x.sfx. It is unchanged."}},
    };
    // WAVE files refused before the dialog opens (voxbank's table gives each reason's words)
    auto wave = [](const std::function<void(vox::test::WaveLayout&)>& change) {
        vox::test::WaveLayout w;
        change(w);
        return vox::test::WaveBytes(w);
    };
    std::string noData = wave([](vox::test::WaveLayout&) {});
    noData.replace(noData.find("data"), 4, "junk");
#ifdef VOXMEND_CONVERT
    // What is no PCM WAVE file goes to the conversion, which gives libsndfile's reason.
    const std::string notRiff = dir + "\\new.wav: not a sound file Voxmend can read (Format not recognised.)";
    const std::string notPcm = dir + "\\new.wav: not a sound file Voxmend can read (Unspecified internal error.)";
#else
    const std::string notRiff = "Not a valid wave file", notPcm = "Not a PCM file";
#endif
    const std::pair<std::string, std::string> unfit[] = {
        {"junk", notRiff},
        {"RIFF" + vox::test::Le32(12) + "WAVE" + vox::test::Chunk("LIST", "abcd"), "Wave file appears to be corrupted"},
        {wave([](vox::test::WaveLayout& w) { w.fmtSize = 14; }), "Failed to load format chunk"},
        {wave([](vox::test::WaveLayout& w) { w.tag = 3; }), notPcm},
        {noData, "No data chunk"},
    };
    std::vector<Case> all(std::begin(cases), std::end(cases));
    for (const auto& u : unfit)
        all.push_back({u.second.c_str(), u.first, {}, {u.second}});
    MakeBank("x.sfx", sounds);
    Start();
    for (const Case& c : all) {
        onDisk = MakeBank("x.sfx", sounds);
        MakeWave("new.wav", 2000);
        if (!c.wave.empty())
            WriteFileBytes("new.wav", c.wave);
        boxes = Boxes();
        OpenBank("x.sfx");
        boxes.texts.clear();
        ReplaceSound(0, "new.wav", c.steps);
        EXPECT_EQ(ScriptDone(), !c.steps.empty()) << c.what;  // no dialog for a file that does not load
        EXPECT_EQ(boxes.texts, c.boxes) << c.what;
        EXPECT_TRUE(ReadFileBytes("x.sfx") == onDisk) << c.what;
        EXPECT_EQ(GetFileAttributesA("new.sfx") != INVALID_FILE_ATTRIBUTES, c.keepsNewBank) << c.what;
        SetFileAttributesA("x.sfx", FILE_ATTRIBUTE_NORMAL);
        DeleteFileA("new.sfx");
        HoldSoundEnds(false);
        ASSERT_TRUE(WaitIdle());
    }
}

TEST_F(AppTest, WithoutASoundDeviceTheDialogStillReplaces)
{
    const std::string data = MakeWave("new.wav", 500);
    const std::string before = StartOn(vox::test::Sounds({300, 300, 300}));
    RefuseDevice(false, true);  // the preview cannot start
    bool enabledAtOnce = false;
    // nor does the rewrite ask the device
    ReplaceSound(2, "new.wav", {[&] { return enabledAtOnce = DialogButtons(true), RefuseDevice(true, true), true; }, Press(IDC_OK)});
    EXPECT_TRUE(enabledAtOnce);
    EXPECT_EQ(boxes.texts, (Strings{"Failed to open wave output device", kConfirm}));
    EXPECT_TRUE(ReadFileBytes("x.sfx") == vox::test::SplicedBank(before, 2, NewSound(data)));
}

}  // namespace
