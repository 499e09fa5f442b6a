// A sound's menu, Save as WAVE and Save All through the real dialogs, and files dropped on the window.
#include "support.h"

#include "engine/export.h"
#include "memfiles.h"

namespace {

const char kDropHelp[] = "Drop one sound file (WAVE, FLAC, Ogg, MP3 or another kind Voxmend converts) on a sound to "
                         "replace it, or one bank file (.sfx or .qsb) on the bank list to open it.";

// The WAVE file the engine's export, and so voxbank extract, writes for sound l of the bank:
// voxbank's tests judge those files with another reader.
std::string ExtractedBytes(const std::string& bank, size_t l)
{
    vox::MemFiles files;
    vox::MemSource source(bank);
    vox::Bank b;
    EXPECT_EQ(vox::ReadBank(source, &b), vox::BankError::Ok);
    EXPECT_EQ(vox::ExportWaveFile(files, source, b.entries[l], "x.wav", false, 1000).error, vox::BankError::Ok);
    return files.files["x.wav"];
}

HWND OpenMenu()
{
    HWND menu = FindWindowA("#32768", NULL);
    return IsWindowVisible(menu) ? menu : NULL;
}

Strings MenuItems(HWND menu)
{
    HMENU m = (HMENU)SendMessageA(menu, 0x01E1 /* MN_GETHMENU */, 0, 0);
    Strings out;
    char text[64];
    for (int i = 0; i < GetMenuItemCount(m); i++)
        out.push_back(GetMenuStringA(m, i, text, sizeof text, MF_BYPOSITION) > 0 ? text : "-");
    return out;
}

TEST_F(AppTest, TheSoundMenuOpensOnARightClickOnASound)
{
    MakeBank("x.sfx", vox::test::Sounds({100, 100, 100}));
    Start();
    Strings items;
    auto takeMenu = [&] { HWND m = OpenMenu(); return m && (items = MenuItems(m), EndMenu(), true); };
    RECT r;
    SendMessageA(hwndDisplay, LB_GETITEMRECT, 2, (LPARAM)&r);
    auto rightClick = [&] {
        SendMessageA(hwndDisplay, WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(r.left + 5, r.top + 2));
        SendMessageA(hwndDisplay, WM_RBUTTONUP, 0, MAKELPARAM(r.left + 5, r.top + 2));
    };
    RunScript({takeMenu});
    rightClick();  // no bank open: no menu
    EXPECT_FALSE(ScriptDone());

    OpenBank("x.sfx");
    SendMessageA(hwndDisplay, LB_GETITEMRECT, 2, (LPARAM)&r);
    RunScript({takeMenu});
    rightClick();
    EXPECT_TRUE(ScriptDone());
    Strings expected = {"Play", "Replace...", "Replace and Convert...", "Save as WAVE...", "-", "Save All as WAVE...",
                        "Replace from Folder..."};
#ifdef VOXMEND_PACKS
    expected.insert(expected.end(), {"Make Mod Pack...", "Apply Mod Pack..."});
#endif
    EXPECT_EQ(items, expected);
    EXPECT_EQ(SendMessageA(hwndDisplay, LB_GETCURSEL, 0, 0), 2);
}

TEST_F(AppTest, SaveAsWaveWritesWhatExtractWrites)
{
    CreateDirectoryA("out", NULL);
    const std::string bank = StartOn(vox::test::Sounds({1001, 2000, 300}));
    std::string offered;
    const std::string target = dir + "\\out\\one.wav";
    RunScript({[&] {
        HWND save = FindWindowA("#32770", "Save As");
        HWND name = GetDlgItem(save, 0x47c) ? GetDlgItem(save, 0x47c) : GetDlgItem(save, 0x480);
        if (!IsWindowVisible(save) || !IsWindowEnabled(save) || Text(name).empty())  // until it offers its name
            return false;
        offered = Text(name);
        SetWindowTextA(name, target.c_str());
        return Text(name) == target && PostMessageA(save, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(save, IDOK)) != FALSE;
    }});
    SendMessageA(hwndDisplay, LB_SETCURSEL, 0, 0);
    Command(IDM_SAVE);
    EXPECT_TRUE(ScriptDone());
    EXPECT_EQ(offered, "000-S0.wav");
    EXPECT_TRUE(ReadFileBytes(target) == ExtractedBytes(bank, 0));
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof cwd, cwd);
    EXPECT_EQ(cwd, dir) << "the current folder is kept";
    EXPECT_EQ(boxes.texts, Strings{});
}

TEST_F(AppTest, SaveAllWritesEverySoundAndAsksOnceBeforeOverwriting)
{
    CreateDirectoryA("all", NULL);
    const std::string folder = dir + "\\all";
    const auto pick = PickFolder(folder);
    const Strings names = {"000-S0.wav", "001-S1.wav", "002-S2.wav"};
    WriteFileBytes(folder + "\\000-S0.wav", "mine");
    std::string bank = StartOn(vox::test::Sounds({1001, 2000, 300}));
    pathLog.clear();
    RunScript({pick});
    Command(IDM_SAVEALL);
    EXPECT_TRUE(ScriptDone());
    EXPECT_EQ(pathLog, (Strings{"Saving sound 1 of 3...", "Saving sound 2 of 3...", "Saving sound 3 of 3...", dir + "\\x.sfx"}));
    for (size_t i = 0; i < names.size(); i++)
        EXPECT_TRUE(ReadFileBytes(folder + "\\" + names[i]) == ExtractedBytes(bank, i)) << names[i];
    EXPECT_EQ(boxes.texts, (Strings{"1 file exists. Overwrite it?", "3 sounds saved in " + folder + "."}));
    EXPECT_EQ(Text(hwndText), dir + "\\x.sfx");

    // the bank cut short: the sounds it still holds are saved over the old files, once asked
    WriteFileBytes(folder + "\\001-S1.wav", "mine");
    WriteFileBytes("x.sfx", bank.substr(0, bank.size() - 1));
    boxes = Boxes();
    boxes.hold = true;
    RunScript({pick, [] { return boxes.open && (AnswerOpenBox(IDNO), true); }});
    Command(IDM_SAVEALL);
    EXPECT_EQ(boxes.texts, Strings{"3 files exist. Overwrite them?"});
    EXPECT_EQ(ReadFileBytes(folder + "\\001-S1.wav"), "mine");
    boxes = Boxes();
    RunScript({pick});
    Command(IDM_SAVEALL);
    EXPECT_EQ(boxes.texts, (Strings{"3 files exist. Overwrite them?",
                                    "2 sounds saved in " + folder + ". Sound 2 could not be read from the bank and was not saved."}));
    EXPECT_TRUE(ReadFileBytes(folder + "\\001-S1.wav") == ExtractedBytes(bank, 1));
    EXPECT_TRUE(ReadFileBytes(folder + "\\002-S2.wav") == ExtractedBytes(bank, 2)) << "the old file is kept whole";
}

TEST_F(AppTest, SaveAllThatCannotStartOrWriteSaysWhyAndKeepsTheFiles)
{
    const std::vector<TestSound> sounds = vox::test::Sounds({500, 600});
    MakeBank("x.sfx", sounds);
    CreateDirectoryA("all", NULL);
    const std::string bank = dir + "\\x.sfx", sound = dir + "\\all\\000-S0.wav";
    const struct { const char* what; std::function<void()> meanwhile; Strings says; } cases[] = {
        {"the bank is gone", [] { DeleteFileA("x.sfx"); }, {"Unable to open the bank " + bank + ". Nothing was saved."}},
        {"another bank in its place", [&] { MakeBank("x.sfx", vox::test::Sounds({600, 500})); },
         {"The bank " + bank + " has changed since it was opened. Open it again and then save the sounds; nothing was saved."}},
        {"a folder where the sound is written first",
         [] { WriteFileBytes("all\\000-S0.wav", "mine"), CreateDirectoryA("all\\000-S0.wav.part", NULL); },
         {"1 file exists. Overwrite it?", "Unable to create " + sound + ". It was not saved."}},
    };
    Start();
    const Files start = Snapshot(dir);
    for (const auto& c : cases) {
        Restore(dir, start);
        OpenBank("x.sfx");
        c.meanwhile();
        const Files before = Snapshot(dir);
        boxes.texts.clear();
        RunScript({PickFolder(dir + "\\all")});
        Command(IDM_SAVEALL);
        EXPECT_EQ(boxes.texts, c.says) << c.what;
        EXPECT_TRUE(Snapshot(dir) == before) << c.what;
        RemoveDirectoryA("all\\000-S0.wav.part");
    }
}

TEST_F(AppTest, ABankDroppedOnTheBankListOpensAndOtherDropsAreRefused)
{
    CreateDirectoryA("sub", NULL);
    MakeBank("sub\\y.qsb", vox::test::Sounds({100, 100}));
    MakeWave("a.wav", 100);
    MakeWave("b.wav", 100);
    const std::string bank = StartOn(vox::test::Sounds({100, 100, 100}));
    const struct { Strings files; HWND on; } refused[] = {
        {{dir + "\\a.wav", dir + "\\b.wav"}, hwndDisplay},  // two files
        {{dir + "\\sub"}, hwndDisplay},                      // a folder
        {{dir + "\\x.sfx"}, hwndDisplay},                    // a bank on a sound
        {{dir + "\\a.wav"}, hwndList},                       // a sound on the bank list
    };
    for (const auto& r : refused)
        Drop(r.files, AtLine(r.on, 0));
    EXPECT_EQ(boxes.texts, Strings(4, kDropHelp));
    EXPECT_TRUE(ReadFileBytes("x.sfx") == bank);
    EXPECT_EQ(Lines(hwndDisplay).size(), 3u);

    boxes.texts.clear();
    Drop({dir + "\\sub\\y.qsb"}, AtLine(hwndList, 0));
    EXPECT_EQ(boxes.texts, Strings{"2 sounds in file"});
    EXPECT_EQ(Text(hwndText), dir + "\\sub\\y.qsb");
    EXPECT_EQ(Lines(hwndDisplay).size(), 2u);
    char cwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof cwd, cwd);
    EXPECT_EQ(cwd, dir + "\\sub");
    SetCurrentDirectoryA(dir.c_str());
}

}  // namespace
