// Banks in folders named in any script, opened from the command line as Explorer starts the
// program, and index names in UTF-8 or in the Windows-1252 of the product's days.
#include "support.h"

#include <direct.h>

namespace {

const std::string kFolder = "\xD0\x9C\xD0\xBE\xD0\xB4\xD1\x8B \xE5\x8A\xB9\xE6\x9E\x9C\xE9\x9F\xB3";  // "Моды 効果音"
const std::string kCafe = "Caf\xC3\xA9";
// One line in Windows-1252, one in UTF-8: the same name twice.
const std::string kIndex = "Caf\xE9\r\n" + kCafe + "\r\n";

// The bank x.sfx of two sounds with kIndex in folder; its bytes.
std::string MakeNamedBank(const std::string& folder)
{
    CreateDirectoryA(folder.c_str(), NULL);
    const std::string bank = vox::test::BankBytes(vox::test::Sounds({300, 400}));
    WriteFileBytes(folder + "\\x.sfx", bank);
    WriteFileBytes(folder + "\\x.txt", kIndex);
    return bank;
}

// Double-clicked in Explorer, or "Open with": the program gets the bank's path, with more
// words after it at times; it opens the bank in its folder.
TEST_F(AppTest, TheBuiltProgramOpensTheBankItIsStartedWith)
{
    const std::string folder = dir + "\\" + kFolder;
    MakeNamedBank(folder);
    std::string exe = "Z:" VOXMEND_EXE;
    for (char& c : exe)
        c = c == '/' ? '\\' : c;
    std::string command = "\"" + exe + "\" \"" + folder + "\\x.sfx\" \"" + folder + "\\other.sfx\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(CreateProcessA(exe.c_str(), &command[0], NULL, NULL, FALSE, 0, NULL, dir.c_str(), &si, &pi)) << exe;
    struct Ended {  // a failed check leaves no program running, which would hold the test's output open
        PROCESS_INFORMATION& pi;
        ~Ended()
        {
            if (WaitForSingleObject(pi.hProcess, 0) != WAIT_OBJECT_0) {
                TerminateProcess(pi.hProcess, 1);
                WaitForSingleObject(pi.hProcess, 5000);
            }
            CloseHandle(pi.hThread);
            CloseHandle(pi.hProcess);
        }
    } ended{pi};
    HWND box = NULL;  // "2 sounds in file", then the sounds are listed
    for (int i = 0; i < 200 && !IsWindowVisible(box); i++, Sleep(50))
        box = FindWindowA("#32770", "Voxmend");
    ASSERT_TRUE(IsWindowVisible(box));
    char text[256] = "";
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_STREQ(text, "2 sounds in file");
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(box, IDOK));
    HWND main = FindWindowA("Voxmend", "Voxmend - Tarn Sound Editor by Quenby"), sounds = GetDlgItem(main, IDC_SOUNDS);
    for (int i = 0; i < 200 && SendMessageA(sounds, LB_GETCOUNT, 0, 0) < 2; i++)
        Sleep(50);
    // a list's text does not cross processes; its length does ("  0. Café", the other tests read the rest)
    ASSERT_EQ(SendMessageW(sounds, LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(SendMessageW(sounds, LB_GETTEXTLEN, 0, 0), 9);
    EXPECT_EQ(SendMessageW(sounds, LB_GETTEXTLEN, 1, 0), 9);
    EXPECT_EQ(Text(GetDlgItem(main, IDC_PATH)), folder + "\\x.sfx");
    HWND banks = GetDlgItem(main, IDC_BANKLIST);
    EXPECT_EQ(SendMessageA(banks, LB_GETCURSEL, 0, 0), SendMessageA(banks, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM) "x.sfx"));
    EXPECT_NE(SendMessageA(banks, LB_GETCURSEL, 0, 0), LB_ERR) << "its folder is listed";
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
}

// A path that names no bank the program can read gets the message an open from the bank list
// gives, and the program is as it is when started without one.
TEST_F(AppTest, StartedWithABankThatDoesNotOpenItStartsAsWithoutOne)
{
    const std::string folder = dir + "\\" + kFolder;
    MakeNamedBank(folder);
    WriteFileBytes(folder + "\\cut.sfx", vox::test::BankBytes(vox::test::Sounds({10, 10, 10})).substr(0, 16 + 2 * 28));
    WriteFileBytes(folder + "\\cut.txt", "");
    MakeBank("here.sfx", vox::test::Sounds({10}));
    const struct { std::string path; Strings says; } cases[] = {
        {folder + "\\gone.sfx", {"Unable to read gone.sfx; it was not opened."}},
        {dir + "\\nowhere\\x.sfx", {"Unable to read x.sfx; it was not opened."}},
        {folder, {"Unable to read " + kFolder + "; it was not opened."}},
        {folder + "\\cut.sfx", {"cut.sfx is shorter than its directory says; it may be damaged and was not opened."}},
    };
    for (const auto& c : cases) {
        boxes.texts.clear();
        ASSERT_NE(StartApp(GetModuleHandleA(NULL), SW_SHOWNORMAL, c.path.c_str()), nullptr) << c.path;
        EXPECT_EQ(boxes.texts, c.says) << c.path;
        EXPECT_FALSE(Opened().bValidFile) << c.path;
        EXPECT_EQ(Text(hwndText), dir) << c.path;
        EXPECT_NE(SendMessageA(hwndList, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM) "here.sfx"), LB_ERR) << c.path;
        EXPECT_EQ(Lines(hwndDisplay), Strings{}) << c.path;
        DestroyWindow(hwndApp);
        UnregisterClassA(szAppName, GetModuleHandleA(NULL));
    }
    hwndApp = NULL;
}

// In a folder named in any script: a replace and its undo, and a sound saved under its name.
TEST_F(AppTest, ReplacesUndoesAndSavesInAFolderInAnyScript)
{
    const std::string folder = dir + "\\" + kFolder;
    const std::string before = MakeNamedBank(folder);
    const std::string wave = kFolder + "\\w.wav";
    MakeWave(wave, 900);
    ASSERT_NE(StartApp(GetModuleHandleA(NULL), SW_SHOWNORMAL, (folder + "\\x.sfx").c_str()), nullptr);
    ReplaceSound(1, wave, {Press(IDC_OK)});
    ASSERT_TRUE(WaitIdle());
    const std::string replaced = ReadFileBytes(folder + "\\x.sfx");
    EXPECT_TRUE(replaced != before);
    EXPECT_TRUE(ReadFileBytes(folder + "\\x.sfx.bak") == before);
    Command(IDC_UNDO);
    EXPECT_TRUE(ReadFileBytes(folder + "\\x.sfx") == before && ReadFileBytes(folder + "\\x.sfx.bak") == replaced);
    EXPECT_EQ(Text(hwndText), folder + "\\x.sfx");
    EXPECT_EQ(Lines(hwndDisplay), (Strings{"  0. " + kCafe, "  1. " + kCafe}));
    EXPECT_EQ(boxes.texts, (Strings{"2 sounds in file", kConfirm, kUndoX, "2 sounds in file"}));

    std::string offered;
    RunScript({[&] {
        HWND save = FindWindowA("#32770", "Save As");
        HWND name = GetDlgItem(save, 0x47c) ? GetDlgItem(save, 0x47c) : GetDlgItem(save, 0x480);
        if (!IsWindowVisible(save) || !IsWindowEnabled(save) || Text(name).empty())
            return false;
        offered = Text(name);
        return PostMessageA(save, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(save, IDOK)) != FALSE;
    }});
    SendMessageA(hwndDisplay, LB_SETCURSEL, 0, 0);
    Command(IDM_SAVE);
    EXPECT_TRUE(ScriptDone());
    EXPECT_EQ(offered, "000-" + kCafe + ".wav");
    EXPECT_EQ(ReadFileBytes(folder + "\\000-" + kCafe + ".wav").size(), 44u + 300u);
}

}  // namespace
