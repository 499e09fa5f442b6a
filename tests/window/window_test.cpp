#include "support.h"

namespace {

RECT ChildRect(HWND w)
{
    RECT r;
    GetWindowRect(w, &r);
    MapWindowPoints(HWND_DESKTOP, hwndApp, (POINT*)&r, 2);
    return r;
}

TEST_F(AppTest, MainWindowIsLaidOutFromTheFixedFontMetrics)
{
    Start();
    HDC dc = GetDC(hwndApp);
    SelectObject(dc, GetStockObject(SYSTEM_FIXED_FONT));
    TEXTMETRICA tm;
    GetTextMetricsA(dc, &tm);
    ReleaseDC(hwndApp, dc);
    const int cx = tm.tmAveCharWidth, cy = tm.tmHeight, sb = GetSystemMetrics(SM_CXVSCROLL);

    char cls[32];
    GetClassNameA(hwndApp, cls, sizeof cls);
    EXPECT_STREQ(cls, "Voxmend");
    EXPECT_EQ(Text(hwndApp), "Voxmend - Tarn Sound Editor by Quenby");
    const LONG style = GetWindowLongA(hwndApp, GWL_STYLE);
    EXPECT_EQ(style & 0x020A0000, 0x020A0000);  // minimize box, system menu, children clipped
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX), 0);  // never resized or maximized
    RECT w;
    GetWindowRect(hwndApp, &w);
    EXPECT_EQ(w.right - w.left, 81 * cx);
    EXPECT_EQ(w.bottom - w.top, 30 * cy);

    struct Expect { HWND h; int id; const char* cls; const char* text; DWORD style; int x, y, width, height; };
    const int col = 13 * cx + sb;
    const Expect controls[] = {
        {hwndText, 2, "Static", nullptr, 0x50000000, cx, cy, 260 * cx, cy},
        {hwndList, 1, "ListBox", "", 0x50A00003, cx, 3 * cy, col, 5 * cy},
        {hwndDir, 8, "ListBox", "", 0x50A00003, cx, 8 * cy, col, 5 * cy},
        {hwndPlayAll, 3, "Button", "Play All", 0x50000000, cx, 13 * cy, col, 3 * cy},
        {hwndReplace, 4, "Button", "Replace", 0x50000000, cx, 17 * cy, col, 3 * cy},
        {hwndStop, 6, "Button", "Stop", 0x50000000, cx, 21 * cy, col, 3 * cy},
        {hwndUndo, 7, "Button", "Undo", 0x50000000, cx, 25 * cy, col, 3 * cy},
        {hwndDisplay, 5, "ListBox", "", 0x50A00003, 15 * cx + sb, 3 * cy, 60 * cx + sb, 25 * cy},
    };
    for (const Expect& e : controls) {
        SCOPED_TRACE(e.id);
        GetClassNameA(e.h, cls, sizeof cls);
        EXPECT_STREQ(cls, e.cls);
        EXPECT_EQ(GetDlgCtrlID(e.h), e.id);
        EXPECT_EQ((DWORD)GetWindowLongA(e.h, GWL_STYLE) & ~(DWORD)(WS_VSCROLL | 0xFF00), e.style & ~(DWORD)WS_VSCROLL);
        if (e.text) {
            EXPECT_EQ(Text(e.h), e.text);
        }
        RECT r = ChildRect(e.h);
        EXPECT_EQ(r.left, e.x);
        EXPECT_EQ(r.top, e.y);
        EXPECT_EQ(r.right - r.left, e.width);
        // list boxes round their height to whole lines unless told not to
        if (strcmp(e.cls, "ListBox") != 0) {
            EXPECT_EQ(r.bottom - r.top, e.height);
        }
    }
    EXPECT_EQ(Text(hwndText), CurrentDirectory());

    SetFocus(hwndPlayAll);
    SendMessageA(hwndApp, WM_SETFOCUS, 0, 0);
    EXPECT_EQ(GetFocus(), hwndList);
}

TEST_F(AppTest, UndoAnswersAndIdlePlayCommandsCheckForABank)
{
    Start();
    Command(ID_UNDO);
    Command(ID_SOUNDS, LBN_DBLCLK);  // no bank: the message comes even without a selection
    Command(ID_PLAYALL);
    Command(ID_REPLACE);
    for (int id : {0, 2, 9, 40})
        Command(id);
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{"Sorry, UNDO not functional", "No sfx file open",
                                                     "No sfx file open", "No sfx file open"}));
    EXPECT_FALSE(PlaybackBusy());
}

TEST_F(AppTest, SoundListDoubleClickPlaysTheNumberedSound)
{
    std::vector<TestSound> sounds;
    for (int i = 0; i < 9; i++)
        sounds.push_back({"S" + std::to_string(i), Tone(200 + 10 * i), 1, 8000 + 1000 * i});
    MakeBank("x.sfx", sounds);
    Start();
    OpenBank("x.sfx");
    Command(ID_SOUNDS, LBN_DBLCLK);  // a bank but no selection: nothing
    EXPECT_FALSE(PlaybackBusy());

    DoubleClick(hwndDisplay, 7);
    EXPECT_EQ(Lines(hwndDisplay)[7], "  7. S7");
    EXPECT_TRUE(PlaybackBusy());
    EXPECT_EQ(Format.nSamplesPerSec, 15000u);
    EXPECT_FALSE(Enabled(hwndPlayAll));
    EXPECT_FALSE(Enabled(hwndReplace));
    EXPECT_TRUE(Enabled(hwndStop));
    ASSERT_TRUE(WaitForPlaybackEnd());
    EXPECT_TRUE(Enabled(hwndPlayAll));
    EXPECT_TRUE(Enabled(hwndReplace));
    EXPECT_EQ(boxes.texts, (std::vector<std::string>{"9 sounds in file"}));
}

TEST_F(AppTest, StartUpFailsWithANonZeroCodeWhenTheClassCannotBeRegistered)
{
    Start();
    // the class is registered now, so a second start-up cannot register it again
    EXPECT_EQ(StartApp(GetModuleHandleA(NULL), SW_SHOW), nullptr);
    EXPECT_EQ(WinMain(GetModuleHandleA(NULL), NULL, (LPSTR) "", SW_SHOW), 1);
}

TEST_F(AppTest, TheProgramStartsAndShowsItsMainWindow)
{
    MakeBank("demo.sfx", {{"One", Tone(100)}});
    std::string exe = WinePath(VOXMEND_EXE);
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(CreateProcessA(exe.c_str(), NULL, NULL, NULL, FALSE, 0, NULL, dir.c_str(), &si, &pi)) << exe;
    HWND main = NULL;
    for (int i = 0; i < 200 && !main; i++, Sleep(50))
        main = FindWindowA("Voxmend", "Voxmend - Tarn Sound Editor by Quenby");
    ASSERT_NE(main, nullptr);
    HWND banks = GetDlgItem(main, ID_BANKLIST);
    EXPECT_EQ(SendMessageA(banks, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM) "demo.sfx"), 0);
    PostMessageA(main, WM_CLOSE, 0, 0);
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 99;
    GetExitCodeProcess(pi.hProcess, &code);
    EXPECT_EQ(code, 0u);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
}

}  // namespace
