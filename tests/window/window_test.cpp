#include "support.h"

namespace {

TEST_F(AppTest, TheBuiltProgramComesUpWithItsControls)
{
    MakeBank("demo.sfx", vox::test::Sounds({100}));
    std::string exe = "Z:" VOXMEND_EXE;
    for (char& c : exe)
        c = c == '/' ? '\\' : c;
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(CreateProcessA(exe.c_str(), NULL, NULL, NULL, FALSE, 0, NULL, dir.c_str(), &si, &pi)) << exe;
    HWND main = NULL;
    for (int i = 0; i < 200 && !IsWindowVisible(main); i++, Sleep(50))  // shown once it is laid out
        main = FindWindowA("Voxmend", "Voxmend - Tarn Sound Editor by Quenby");
    ASSERT_TRUE(IsWindowVisible(main));
    const std::pair<int, std::string> controls[] = {{IDC_PATH, dir}, {IDC_BANKLIST, ""}, {IDC_DIRLIST, ""},
        {IDC_PLAYALL, "Play All"}, {IDC_REPLACE, "Replace"}, {IDC_STOP, "Stop"}, {IDC_UNDO, "Undo"}, {IDC_SOUNDS, ""}};
    for (const auto& c : controls) {
        HWND w = GetDlgItem(main, c.first);
        EXPECT_TRUE(IsWindowVisible(w) && IsWindowEnabled(w)) << c.first;
        EXPECT_EQ(Text(w), c.second) << c.first;
    }
    EXPECT_EQ(SendMessageA(GetDlgItem(main, IDC_BANKLIST), LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM) "demo.sfx"), 0);
    PostMessageA(main, WM_CLOSE, 0, 0);
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

TEST_F(AppTest, OpeningABankListsItsSoundsAndOneThatFailsShowsNothingOfTheLast)
{
    MakeBank("x.sfx", vox::test::Sounds(std::vector<size_t>(12, 10)));
    WriteFileBytes("x.txt", vox::test::IndexText({"Alpha", "Beta"}));  // later sounds repeat the last name
    WriteFileBytes("cut.sfx", vox::test::BankBytes(vox::test::Sounds({10, 10, 10})).substr(0, 16 + 2 * 28));
    WriteFileBytes("cut.txt", "");
    WriteFileBytes("bare.sfx", vox::test::BankBytes(vox::test::Sounds({10, 10})));
    WriteFileBytes("held.sfx", vox::test::BankBytes(vox::test::Sounds({10, 10})));
    WriteFileBytes("held.txt", "");
    // another program has it open and shares it with no one
    HANDLE held = CreateFileA("held.sfx", GENERIC_READ, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    Start();
    const struct { const char* bank; Strings says; } cases[] = {
        {"cut.sfx", {"cut.sfx is shorter than its directory says; it may be damaged and was not opened."}},  // no count
        {"bare.sfx", {"2 sounds in file", "Unable to open Index File: bare.txt"}},
        {"held.sfx", {"Unable to read held.sfx; it was not opened."}},
    };
    for (const auto& c : cases) {
        OpenBank("x.sfx");
        EXPECT_EQ(Text(hwndText), dir + "\\x.sfx");
        Strings lines = Lines(hwndDisplay);
        ASSERT_EQ(lines.size(), 12u);
        EXPECT_EQ(lines[0], "  0. Alpha");
        EXPECT_EQ(lines[1], "  1. Beta");
        EXPECT_EQ(lines[11], " 11. Beta");

        boxes.texts.clear();
        played.clear();
        HoldSoundEnds(true);  // x.sfx's Play All is at its first sound as the other bank opens
        Command(IDC_PLAYALL);
        OpenBank(c.bank);  // the bank is closed, and nothing of x.sfx stays under its path
        HoldSoundEnds(false);
        ASSERT_TRUE(WaitIdle());
        EXPECT_EQ(played.size(), 1u) << c.bank << ": Play All ended with it";
        EXPECT_TRUE(MainButtons()) << c.bank;
        EXPECT_EQ(Text(hwndText), dir + "\\" + c.bank);
        EXPECT_EQ(Lines(hwndDisplay), Strings{}) << c.bank;
        Command(IDC_PLAYALL);
        EXPECT_FALSE(PlaybackBusy());
        Strings says = c.says;
        says.push_back("No sfx file open");
        EXPECT_EQ(boxes.texts, says);
    }
    CloseHandle(held);
}

}  // namespace
