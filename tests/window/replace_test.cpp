#include "support.h"

#include <direct.h>

namespace {

using Strings = std::vector<std::string>;
const char kConfirm[] = "Are you sure you want to replace the sound ?";

class ReplaceTest : public AppTest {
protected:
    std::vector<TestSound> sounds;
    HWND dlg = NULL;

    void TearDown() override
    {
        if (dlg)
            DestroyWindow(dlg);
        AppTest::TearDown();
    }
    // Same-format sounds whose extra size word has a non-zero high half.
    static std::vector<TestSound> Sounds(const std::vector<size_t>& sizes)
    {
        return ::Sounds(sizes, 11025, 0, 0x50007);
    }
    // Opens a bank of these sounds in the test folder and a Replace dialog over it.
    void OpenWith(std::vector<size_t> sizes, const std::string& bank = "x.sfx")
    {
        sounds = Sounds(sizes);
        MakeBank(bank, sounds);
        Start();
        OpenBank(bank);
        boxes.texts.clear();
    }
    std::string MakeWave(const std::string& data, uint32_t fmtSize = 16, const std::string& name = "new.wav")
    {
        WaveSpec w;
        w.fmtSize = fmtSize;
        w.channels = 2;
        w.bits = 16;
        w.rate = 22050;
        w.data = data;
        WriteFileBytes(name, WaveBytes(w));
        return dir + "\\" + name;
    }
    // The rewrite of sound l as the dialog's REPLACE runs it, with the given answer to the confirmation.
    void Rewrite(long l, const std::string& wave, int answer = IDYES)
    {
        SendMessageA(hwndDisplay, LB_SETCURSEL, l, 0);
        if (!dlg)
            dlg = CreateDialogParamA(GetModuleHandleA(NULL), "ReplaceBox", hwndApp, ReplaceDlgProc, 0);
        strcpy(pstrReplaceFile, wave.c_str());
        bValidReplace = TRUE;
        boxes.answers = {answer};
        statusLog.clear();
        DoReplace(dlg, l);
    }
    std::string Expected(long l, const std::string& data)
    {
        std::vector<TestSound> after = sounds;
        after[l] = {sounds[l].name, data, 2, 22050, 16, 0};
        return BankBytes(after);
    }
    void ExpectRecordsMatch(const std::string& bank)
    {
        ASSERT_GE(bank.size(), 16 + 28 * numwavs);
        EXPECT_EQ(memcmp(records, bank.data() + 16, 28 * numwavs), 0);
    }
};

TEST_F(ReplaceTest, TheNewBankIsLaidOutWithEveryLaterOffsetMoved)
{
    OpenWith({100, 200, 300});
    Format.cbSize = 9;  // left by an earlier playback; a 16-byte chunk must not carry it into the bank
    Rewrite(1, MakeWave(Tone(50, 9)));
    std::string bank = ReadFileBytes("x.sfx");
    EXPECT_EQ(bank.size(), 550u);
    EXPECT_EQ(Difference(bank, Expected(1, Tone(50, 9))), "");
    const int32_t lengths[] = {100, 50, 300}, offsets[] = {100, 200, 250};
    for (int i = 0; i < 3; i++) {
        EXPECT_EQ(records[i].length, lengths[i]);
        EXPECT_EQ(records[i].offset, offsets[i]);
    }
    EXPECT_EQ(records[1].unk, 0);
    EXPECT_EQ(records[2].unk, 0x50007);
    EXPECT_FALSE(FileExists("new.sfx"));
    EXPECT_EQ(boxes.texts, Strings{kConfirm});
    EXPECT_EQ(statusLog, (Strings{"Correcting and saving header.", "Saving prior data.", "Saving new data.", "Saving post data."}));
    EXPECT_EQ(lpData, nullptr);

    // the bank plays on from the corrected directory
    DoubleClick(hwndDisplay, 2);
    ASSERT_TRUE(PlaybackBusy());
    EXPECT_EQ(std::string(lpData, 300), sounds[2].data);
    EXPECT_EQ(Format.cbSize, 7);  // only the low half of unk
}

TEST_F(ReplaceTest, FirstLastOnlyAndSameLengthSoundsAreReplaced)
{
    struct Case { std::vector<size_t> sizes; long l; size_t newSize; uint32_t fmt; Strings status; };
    const Case cases[] = {
        {{100, 200, 300}, 0, 70, 18, {"Correcting and saving header.", "Saving new data.", "Saving post data."}},
        {{100, 200, 300}, 2, 500, 16, {"Correcting and saving header.", "Saving prior data.", "Saving new data."}},
        {{100}, 0, 40, 16, {"Correcting and saving header.", "Saving new data."}},
        {{100, 200, 300}, 1, 200, 40, {"Correcting and saving header.", "Saving prior data.", "Saving new data.", "Saving post data."}},
    };
    for (int n = 0; n < 4; n++)
        MakeBank("b" + std::to_string(n) + ".sfx", Sounds(cases[n].sizes));
    Start();
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(n);
        std::string name = "b" + std::to_string(n++) + ".sfx";
        sounds = Sounds(c.sizes);
        OpenBank(name);
        Rewrite(c.l, MakeWave(Tone(c.newSize, 5), c.fmt));
        std::string bank = ReadFileBytes(name);
        EXPECT_EQ(Difference(bank, Expected(c.l, Tone(c.newSize, 5))), "");
        ExpectRecordsMatch(bank);
        EXPECT_EQ(statusLog, c.status);
    }
}

TEST_F(ReplaceTest, LargeBanksAreCopiedInPiecesOfAMillionBytes)
{
    OpenWith({2500000, 100, 1000000});
    Rewrite(1, MakeWave(Tone(64)));
    EXPECT_EQ(Difference(ReadFileBytes("x.sfx"), Expected(1, Tone(64))), "");
    EXPECT_EQ(statusLog, (Strings{"Correcting and saving header.", "Saving prior data.", "Saving prior data..",
                                  "Saving prior data...", "Saving new data.", "Saving post data.", "Saving post data.."}));
}

TEST_F(ReplaceTest, TheProgressTextStaysWithinItsHundredCharacters)
{
    OpenWith({83500000, 10});  // 84 pieces before the replaced sound
    Rewrite(1, MakeWave(Tone(8)));
    Strings prior;
    for (const std::string& s : statusLog)
        if (s.find("Saving prior data") == 0)
            prior.push_back(s);
    ASSERT_EQ(prior.size(), 84u);
    EXPECT_EQ(prior[81], "Saving prior data" + std::string(82, '.'));
    EXPECT_EQ(prior[82], "Saving prior data.");  // the dots start again rather than overrun
    for (const std::string& s : statusLog)
        EXPECT_LE(s.size(), 99u);
    EXPECT_EQ(records[1].length, 8);
}

TEST_F(ReplaceTest, NoAtTheConfirmationTouchesNothing)
{
    OpenWith({100, 200});
    const std::string before = ReadFileBytes("x.sfx");
    RECORD saved[2];
    memcpy(saved, records, sizeof saved);
    Rewrite(0, MakeWave(Tone(10)), IDNO);
    EXPECT_EQ(boxes.texts, (Strings{kConfirm, "Hit Cancel !"}));
    EXPECT_EQ(Difference(ReadFileBytes("x.sfx"), before), "");
    EXPECT_EQ(memcmp(saved, records, sizeof saved), 0);
    EXPECT_FALSE(FileExists("new.sfx"));
    EXPECT_EQ(CurrentDirectory(), dir);
}

TEST_F(ReplaceTest, BanksThatCannotBeRewrittenFaithfullyAreRefusedUntouched)
{
    OpenWith({100, 200});
    std::string wave = MakeWave(Tone(10));
    std::vector<std::pair<std::string, std::string>> banks;
    std::string many = BankBytes(Sounds(std::vector<size_t>(326, 2)));
    banks.push_back({"many.sfx", many});
    std::string gap = BankBytes(Sounds({100, 200}));
    gap[16 + 28 + 4] += 1;  // sound 1 starts one byte late
    banks.push_back({"gap.sfx", gap});
    banks.push_back({"short.sfx", BankBytes(Sounds({100, 200})).substr(0, 300)});
    for (auto& b : banks) {
        SCOPED_TRACE(b.first);
        WriteFileBytes(b.first, b.second);
        WriteFileBytes(b.first.substr(0, b.first.size() - 4) + ".txt", "");
        strcpy(szFile, b.first.c_str());
        strcpy(szBankPath, (dir + "\\" + b.first).c_str());
        bValidFile = TRUE;
        Loadsfx();
        ASSERT_TRUE(bValidFile);
        boxes.texts.clear();
        Rewrite(0, wave);
        ASSERT_EQ(boxes.texts.size(), 2u);
        EXPECT_EQ(boxes.texts[1].find("The bank " + std::string(szBankPath) + " cannot be rewritten safely"), 0u) << boxes.texts[1];
        EXPECT_EQ(Difference(ReadFileBytes(b.first), b.second), "");
        EXPECT_FALSE(FileExists("new.sfx"));
    }
}

TEST_F(ReplaceTest, AFailedRewriteLeavesTheOldBankWhole)
{
    OpenWith({100, 200});
    const std::string before = ReadFileBytes("x.sfx");
    const std::string wave = MakeWave(Tone(30));
    auto expectUntouched = [&](const std::string& message) {
        ASSERT_EQ(boxes.texts.size(), 2u);
        EXPECT_EQ(boxes.texts[1], message);
        EXPECT_EQ(Difference(ReadFileBytes("x.sfx"), before), "");
        EXPECT_EQ(records[1].offset, 172);
        EXPECT_FALSE(FileExists("new.sfx"));
        boxes.texts.clear();
    };
    // the replacement vanished
    DeleteFileA("new.wav");
    Rewrite(1, wave);
    expectUntouched("Failed to open wave file");
    MakeWave(Tone(30));
    // new.sfx is already there: it may hold the only copy of an earlier rewrite
    WriteFileBytes("new.sfx", "keep me");
    Rewrite(1, wave);
    ASSERT_EQ(boxes.texts.size(), 2u);
    EXPECT_EQ(boxes.texts[1], dir + "\\new.sfx is in the way. Move or rename it and try again; the bank is unchanged.");
    EXPECT_EQ(ReadFileBytes("new.sfx"), "keep me");
    DeleteFileA("new.sfx");
    boxes.texts.clear();
    // the bank itself vanished
    WriteFileBytes("x.bak", before);
    DeleteFileA("x.sfx");
    Rewrite(1, wave);
    ASSERT_EQ(boxes.texts.size(), 2u);
    EXPECT_EQ(boxes.texts[1], "Unable to open the bank " + dir + "\\x.sfx. It is unchanged.");
    EXPECT_FALSE(FileExists("new.sfx"));
}

TEST_F(ReplaceTest, TheLoadedBankIsRewrittenWhateverTheCurrentDirectory)
{
    CreateDirectoryA("elsewhere", NULL);
    MakeBank("elsewhere\\x.sfx", Sounds({5, 5}));
    const std::string other = ReadFileBytes("elsewhere\\x.sfx");
    OpenWith({100, 200});
    const std::string wave = MakeWave(Tone(30));
    ASSERT_EQ(_chdir("elsewhere"), 0);
    Rewrite(0, wave);
    ASSERT_EQ(_chdir(".."), 0);
    EXPECT_EQ(Difference(ReadFileBytes("x.sfx"), Expected(0, Tone(30))), "");
    EXPECT_EQ(Difference(ReadFileBytes("elsewhere\\x.sfx"), other), "");
    EXPECT_FALSE(FileExists("elsewhere\\new.sfx"));
}

TEST_F(ReplaceTest, AReadOnlyBankKeepsItsNameAndTheNewBankIsKeptBesideIt)
{
    OpenWith({100, 200});
    const std::string before = ReadFileBytes("x.sfx");
    SetFileAttributesA("x.sfx", FILE_ATTRIBUTE_READONLY);
    Rewrite(1, MakeWave(Tone(30)));
    SetFileAttributesA("x.sfx", FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(Difference(ReadFileBytes("x.sfx"), before), "");
    EXPECT_EQ(Difference(ReadFileBytes("new.sfx"), Expected(1, Tone(30))), "");
    EXPECT_EQ(records[1].length, 200);  // still the directory of the bank under its name
    ASSERT_EQ(boxes.texts.size(), 3u);
    EXPECT_EQ(boxes.texts[1], "Unable to delete the old bank " + dir + "\\x.sfx.\nThe new bank has been saved as " + dir + "\\new.sfx.");
    EXPECT_EQ(boxes.texts[2].find("Failed to rename file new.sfx"), 0u);
}

TEST_F(ReplaceTest, RunningOutOfDiskSpaceLeavesTheBankAndNoPartialFile)
{
    const std::string small = WinePath(SMALLFS);
    ULARGE_INTEGER total;
    if (!GetDiskFreeSpaceExA((small + "\\").c_str(), NULL, &total, NULL) || total.QuadPart > 1000000)
        GTEST_SKIP() << "no small file system at " << small;
    ASSERT_EQ(_chdir(small.c_str()), 0);
    sounds = Sounds({150000, 10});  // fits once, not twice
    MakeBank("full.sfx", sounds);
    const std::string before = ReadFileBytes("full.sfx");
    Start();
    OpenBank("full.sfx");
    boxes.texts.clear();
    WaveSpec w;
    w.data = Tone(20);
    WriteFileBytes(dir + "\\w.wav", WaveBytes(w));
    Rewrite(1, dir + "\\w.wav");
    EXPECT_EQ(Difference(ReadFileBytes("full.sfx"), before), "");
    EXPECT_FALSE(FileExists("new.sfx"));
    ASSERT_EQ(boxes.texts.size(), 2u);
    EXPECT_EQ(boxes.texts[1], "Unable to write " + small + "\\new.sfx (the disk may be full). The bank " + small + "\\full.sfx is unchanged.");
    DeleteFileA("full.sfx");
    DeleteFileA("full.txt");
}

// Drives the Open dialog and the modal Replace dialog from a script, as a user would.
class ReplaceDialogTest : public ReplaceTest {
protected:
    HWND rd = NULL;  // the Replace dialog
    std::string openShowed;

    static HWND FileNameBox(HWND open)
    {
        HWND box = GetDlgItem(open, 0x47c);  // the file name combo box
        return box ? box : GetDlgItem(open, 0x480);
    }
    std::function<bool()> ChooseInOpenDialog(const std::string& file)
    {
        return [this, file] {
            HWND open = FindThreadDialog("Open");
            if (!open)
                return false;
            char text[MAX_PATH] = "";
            GetWindowTextA(FileNameBox(open), text, sizeof text);
            openShowed = text;
            if (file.empty()) {
                PostMessageA(open, WM_COMMAND, IDCANCEL, 0);
            } else {
                SetWindowTextA(FileNameBox(open), file.c_str());
                PostMessageA(open, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(open, IDOK));
            }
            return true;
        };
    }
    std::function<bool()> ReplaceDialogOpens()
    {
        return [this] { return (rd = FindThreadDialog("Replace Sound")) != NULL; };
    }
    bool DialogButtonsEnabled()
    {
        return Enabled(hwndOk) && Enabled(hwndOriginal) && Enabled(hwndNew);
    }
    bool DialogButtonsDisabled()
    {
        return !Enabled(hwndOk) && !Enabled(hwndOriginal) && !Enabled(hwndNew);
    }
    // Presses a button once the last playback has ended; then runs after.
    std::function<bool()> Press(int id, std::function<void()> after = nullptr)
    {
        return [this, id, after] {
            if (!DialogButtonsEnabled())
                return false;
            // REPLACE is posted: later steps must be able to act inside the rewrite's message boxes
            if (id == IDD_REPLACE)
                PostMessageA(rd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
            else
                SendMessageA(rd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), 0);
            if (after)
                after();
            return true;
        };
    }
};

TEST_F(ReplaceDialogTest, TheWholeRoadFromTheReplaceButtonToTheRewrittenBank)
{
    OpenWith({100, 200, 300});
    MakeWave(Tone(100000, 2));
    SendMessageA(hwndDisplay, LB_SETCURSEL, 1, 0);
    std::vector<DWORD> ratesPlayed;
    bool disabledAtStart = false, disabledWhilePlaying = true;
    std::string status;
    auto whilePlaying = [&] {
        ratesPlayed.push_back(PlaybackBusy() ? Format.nSamplesPerSec : 0);
        disabledWhilePlaying = disabledWhilePlaying && DialogButtonsDisabled();
    };
    RunScript({ChooseInOpenDialog(dir + "\\new.wav"), ReplaceDialogOpens(),
               [&] {
                   disabledAtStart = DialogButtonsDisabled() && PlaybackBusy();
                   char text[100];
                   GetDlgItemTextA(rd, IDD_STATUS, text, sizeof text);
                   status = text;
                   return true;
               },
               Press(IDD_ORIGINAL, whilePlaying), Press(IDD_NEW, whilePlaying), Press(IDD_REPLACE)});
    Command(ID_REPLACE);
    EXPECT_TRUE(ScriptDone());
    EXPECT_TRUE(disabledAtStart);
    EXPECT_EQ(status, "Press 'Replace' to continue.");
    EXPECT_EQ(ratesPlayed, (std::vector<DWORD>{11025, 22050}));
    EXPECT_TRUE(disabledWhilePlaying);
    EXPECT_FALSE(IsWindow(rd));
    EXPECT_FALSE(bValidReplace);
    EXPECT_EQ(Difference(ReadFileBytes("x.sfx"), Expected(1, Tone(100000, 2))), "");
    EXPECT_EQ(boxes.texts, Strings{kConfirm});

    // the next Replace starts at the file chosen before; cancelling it ends the command
    RunScript({ChooseInOpenDialog("")});
    Command(ID_REPLACE);
    EXPECT_TRUE(ScriptDone());
    EXPECT_EQ(openShowed, "new.wav");
    EXPECT_FALSE(bValidReplace);
    EXPECT_EQ(CurrentDirectory(), dir);
}

TEST_F(ReplaceDialogTest, CancelDuringThePreviewLetsItPlayOutAlone)
{
    OpenWith({100, 200});
    MakeWave(Tone(200000));
    WriteFileBytes("bad.wav", "not a wave");
    SendMessageA(hwndDisplay, LB_SETCURSEL, 0, 0);
    RunScript({ChooseInOpenDialog(dir + "\\bad.wav")});
    Command(ID_REPLACE);  // a file that does not load opens no dialog
    EXPECT_EQ(boxes.texts, Strings{"Not a valid wave file"});
    EXPECT_FALSE(bValidReplace);

    RunScript({ChooseInOpenDialog(dir + "\\new.wav"), ReplaceDialogOpens(), [&] {
                   PostMessageA(rd, WM_COMMAND, IDCANCEL, 0);
                   return true;
               }});
    Command(ID_REPLACE);
    EXPECT_FALSE(bValidReplace);
    ASSERT_TRUE(PlaybackBusy());
    HWAVEOUT preview = hWaveOut;
    DoubleClick(hwndDisplay, 1);
    Command(ID_PLAYALL);
    RunScript({ChooseInOpenDialog(dir + "\\new.wav")});
    Command(ID_REPLACE);
    EXPECT_FALSE(ScriptDone());  // no Open dialog while the preview plays
    EXPECT_EQ(hWaveOut, preview);
    EXPECT_FALSE(playall);
    ASSERT_TRUE(WaitForPlaybackEnd());
    EXPECT_TRUE(Enabled(hwndPlayAll));
    EXPECT_TRUE(Enabled(hwndReplace));
    EXPECT_EQ(boxes.texts.size(), 1u);
    RunScript({});
}

TEST_F(ReplaceDialogTest, TheDialogTakesNoCommandsWhileTheRewriteAsks)
{
    OpenWith({100, 200});
    MakeWave(Tone(500));
    SendMessageA(hwndDisplay, LB_SETCURSEL, 1, 0);
    boxes.hold = true;
    bool ignored = false;
    RunScript({ChooseInOpenDialog(dir + "\\new.wav"), ReplaceDialogOpens(), Press(IDD_REPLACE), [&] {
                   if (!boxes.open)
                       return false;
                   for (int id : {IDD_CANCEL, IDD_ORIGINAL, IDD_NEW, IDD_REPLACE})
                       SendMessageA(rd, WM_COMMAND, id, 0);
                   Command(ID_SOUNDS, LBN_DBLCLK);  // nor does the main window play over it
                   ignored = IsWindow(rd) && bValidReplace && hWaveOut == NULL;
                   AnswerOpenBox(IDYES);
                   return true;
               }});
    Command(ID_REPLACE);
    EXPECT_TRUE(ignored);
    EXPECT_EQ(boxes.texts, Strings{kConfirm});
    EXPECT_EQ(Difference(ReadFileBytes("x.sfx"), Expected(1, Tone(500))), "");
    EXPECT_FALSE(IsWindow(rd));
}

}  // namespace
