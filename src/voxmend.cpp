// Voxmend: start-up, the main window and the drive, directory and bank browser.
#include "voxmend.h"

#include <direct.h>
#include <shellapi.h>
#include <cstdarg>
#include <cstdio>
#include <cstring>

const char szAppName[] = "Voxmend";
HWND hwndApp, hwndText, hwndList, hwndDir, hwndPlayAll, hwndReplace, hwndStop, hwndUndo, hwndDisplay;
HINSTANCE hInstApp;
BOOL bValidFile;
char szFile[MAX_PATH];
char szBankPath[MAX_PATH];

static const char szCaption[] = "Voxmend - Tarn Sound Editor by Quenby";
static const UINT BANKATTRS = DDL_READONLY | DDL_HIDDEN | DDL_SYSTEM | DDL_DIRECTORY | DDL_ARCHIVE;
static const UINT DIRATTRS = DDL_EXCLUSIVE | DDL_DRIVES | DDL_DIRECTORY;

void ShowMessage(const char* text)
{
    MessageBoxA(hwndApp, text, szAppName, MB_OK);
}

// A message of at most 1023 characters, cut there.
struct MessageText {
    char text[1024];
    MessageText(const char* format, va_list args) { vsnprintf(text, sizeof text, format, args); }
};

void ShowMessageF(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    MessageText m(format, args);
    va_end(args);
    ShowMessage(m.text);
}

// The program's questions: Yes or No, with the question icon.
BOOL AskYesNo(const char* text)
{
    return MessageBoxA(hwndApp, text, szAppName, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

BOOL AskYesNoF(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    MessageText m(format, args);
    va_end(args);
    return AskYesNo(m.text);
}

void* AllocBlock(DWORD size)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, size);
    if (!block)
        return NULL;
    void* p = GlobalLock(block);
    if (!p)
        GlobalFree(block);
    return p;
}

void FreeBlock(void* block)
{
    if (!block)
        return;
    HGLOBAL handle = GlobalHandle(block);
    GlobalUnlock(handle);
    GlobalFree(handle);
}

// Copies src into a buffer of size bytes; FALSE (and dst untouched) when it does not fit.
BOOL CopyBounded(char* dst, size_t size, const char* src)
{
    size_t n = strlen(src);
    if (n >= size)
        return FALSE;
    memcpy(dst, src, n + 1);
    return TRUE;
}

// Runs the common Open or Save dialog. Either may leave the current directory in the folder
// where the file was chosen; the browser goes on showing, and opening by name in, the folder it
// listed.
BOOL FileDialog(OPENFILENAMEA* ofn, BOOL save)
{
    char cwd[MAX_PATH];
    BOOL haveCwd = _getcwd(cwd, sizeof cwd) != NULL;
    BOOL chosen = save ? GetSaveFileNameA(ofn) : GetOpenFileNameA(ofn);
    if (haveCwd)
        _chdir(cwd);
    return chosen;
}

// dir + "\" + name, without a doubled backslash at a drive root.
static BOOL JoinPath(char* out, size_t size, const char* dir, const char* name)
{
    size_t n = strlen(dir);
    const char* sep = (n > 0 && dir[n - 1] == '\\') ? "" : "\\";
    int written = snprintf(out, size, "%s%s%s", dir, sep, name);
    return written >= 0 && (size_t)written < size;
}

static BOOL CurrentDir(char* out, size_t size)
{
    if (_getcwd(out, (int)size))
        return TRUE;
    out[0] = 0;
    return FALSE;
}

// Copies the selected entry of a list into szBuffer; FALSE when none is selected.
static BOOL SelectedEntry(HWND list, char* szBuffer, size_t size)
{
    LRESULT sel = SendMessageA(list, LB_GETCURSEL, 0, 0);
    if (sel == LB_ERR)
        return FALSE;
    LRESULT len = SendMessageA(list, LB_GETTEXTLEN, (WPARAM)sel, 0);
    if (len == LB_ERR || (size_t)len >= size)
        return FALSE;
    SendMessageA(list, LB_GETTEXT, (WPARAM)sel, (LPARAM)szBuffer);
    return TRUE;
}

// Reads the number at the start of the sound list's selected line.
BOOL SelectedSound(long* number)
{
    char line[NAMELEN + 16];
    if (!SelectedEntry(hwndDisplay, line, sizeof line))
        return FALSE;
    *number = atol(line);
    return TRUE;
}

static void ListDirectory()
{
    SendMessageA(hwndList, LB_DIR, BANKATTRS, (LPARAM) "*.sfx");
    SendMessageA(hwndList, LB_DIR, BANKATTRS, (LPARAM) "*.qsb");
    SendMessageA(hwndDir, LB_DIR, DIRATTRS, (LPARAM) "*.*");
}

static void RefreshBrowser(char* szBuffer, size_t size)
{
    CurrentDir(szBuffer, size);
    SetWindowTextA(hwndText, szBuffer);
    SendMessageA(hwndList, LB_RESETCONTENT, 0, 0);
    SendMessageA(hwndDir, LB_RESETCONTENT, 0, 0);
    ListDirectory();
}

void ShowCurrentFolder()
{
    char szBuffer[MAX_PATH + 1];
    RefreshBrowser(szBuffer, sizeof szBuffer);
}

// Changes to the directory named between the brackets of a list entry.
static int EnterBracketed(char* entry)
{
    size_t n = strlen(entry);
    if (n < 2)
        return -1;
    entry[n - 1] = 0;
    return _chdir(entry + 1);
}

// The bank file a bank-list entry names, looked up in the current directory only;
// its full path goes to path.
static BOOL BankFileExists(const char* name, char* path, size_t size)
{
    char dir[MAX_PATH];
    if (!CurrentDir(dir, sizeof dir) || !JoinPath(path, size, dir, name))
        return FALSE;
    DWORD attrs = GetFileAttributesA(path);
    return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

static void OpenBankEntry(char* szBuffer, size_t size)
{
    if (!SelectedEntry(hwndList, szBuffer, size))
        return;
    char path[MAX_PATH];
    if (BankFileExists(szBuffer, path, sizeof path)) {
        SetWindowTextA(hwndText, path);
        Loadsfx(path, szBuffer);
    } else {
        bValidFile = 0;
        EnterBracketed(szBuffer);
        RefreshBrowser(szBuffer, size);
    }
}

static void ChangeDirEntry(char* szBuffer, size_t size)
{
    if (!SelectedEntry(hwndDir, szBuffer, size))
        return;
    char drive = szBuffer[2];
    if (EnterBracketed(szBuffer) != 0 && drive >= 'a' && drive <= 'z')
        _chdrive(drive - 96);
    RefreshBrowser(szBuffer, size);
}

static void PlaySelectedSound()
{
    if (!bValidFile) {
        ShowMessage("No sfx file open");
        return;
    }
    long l;
    if (!SelectedSound(&l))
        return;
    if (PlaybackBusy()) {  // one playback at a time; this one follows
        DeferRequest(REQUEST_SOUND, l);
        return;
    }
    EnableWindow(hwndPlayAll, FALSE);
    EnableWindow(hwndReplace, FALSE);
    if (!PlayOne(l)) {
        EnableWindow(hwndPlayAll, TRUE);
        EnableWindow(hwndReplace, TRUE);
    }
}

static void PlayAllCommand()
{
    if (PlaybackBusy()) {
        DeferRequest(REQUEST_PLAYALL, 0);
        return;
    }
    SendMessageA(hwndDisplay, LB_SETCURSEL, 0, 0);
    PlayAll();
}

static HWND CreateControl(HWND parent, const char* cls, const char* text, DWORD style,
                          int x, int y, int cx, int cy, int id)
{
    HINSTANCE inst = (HINSTANCE)GetWindowLongPtrA(parent, GWLP_HINSTANCE);
    return CreateWindowExA(0, cls, text, style, x, y, cx, cy, parent, (HMENU)(INT_PTR)id, inst, NULL);
}

static void CreateMainWindow(HWND hwnd, char* szBuffer, size_t size)
{
    HDC hdc = GetDC(hwnd);
    SelectObject(hdc, GetStockObject(SYSTEM_FIXED_FONT));
    TEXTMETRICA tm;
    GetTextMetricsA(hdc, &tm);
    ReleaseDC(hwnd, hdc);
    int cxChar = tm.tmAveCharWidth;
    int cyChar = tm.tmHeight;

    SetWindowPos(hwnd, NULL, 0, 0, 81 * cxChar, 30 * cyChar, SWP_NOMOVE | SWP_NOZORDER);

    const DWORD plain = WS_CHILD | WS_VISIBLE;
    const DWORD list = WS_CHILD | WS_VISIBLE | LBS_STANDARD;
    int column = 13 * cxChar + GetSystemMetrics(SM_CXVSCROLL);
    CurrentDir(szBuffer, size);
    hwndText = CreateControl(hwnd, "static", szBuffer, plain, cxChar, cyChar, 260 * cxChar, cyChar, ID_PATH);
    hwndList = CreateControl(hwnd, "listbox", NULL, list, cxChar, 3 * cyChar, column, 5 * cyChar, ID_BANKLIST);
    hwndDir = CreateControl(hwnd, "listbox", NULL, list, cxChar, 8 * cyChar, column, 5 * cyChar, ID_DIRLIST);
    hwndPlayAll = CreateControl(hwnd, "button", "Play All", plain, cxChar, 13 * cyChar, column, 3 * cyChar, ID_PLAYALL);
    hwndReplace = CreateControl(hwnd, "button", "Replace", plain, cxChar, 17 * cyChar, column, 3 * cyChar, ID_REPLACE);
    hwndStop = CreateControl(hwnd, "button", "Stop", plain, cxChar, 21 * cyChar, column, 3 * cyChar, ID_STOP);
    hwndUndo = CreateControl(hwnd, "button", "Undo", plain, cxChar, 25 * cyChar, column, 3 * cyChar, ID_UNDO);
    hwndDisplay = CreateControl(hwnd, "listbox", NULL, list, 15 * cxChar + GetSystemMetrics(SM_CXVSCROLL), 3 * cyChar,
                                60 * cxChar + GetSystemMetrics(SM_CXVSCROLL), 25 * cyChar, ID_SOUNDS);
    ListDirectory();
    DragAcceptFiles(hwnd, TRUE);
}

static void PaintWin(HWND hwnd)
{
    PAINTSTRUCT ps;
    BeginPaint(hwnd, &ps);
    EndPaint(hwnd, &ps);
}

static void Command(WORD id, WORD code, char* szBuffer, size_t size)
{
    switch (id) {
    case ID_BANKLIST:
        if (code == LBN_DBLCLK)
            OpenBankEntry(szBuffer, size);
        break;
    case ID_PLAYALL:
        PlayAllCommand();
        break;
    case ID_REPLACE:
        Replace();
        break;
    case ID_SOUNDS:
        if (code == LBN_DBLCLK)
            PlaySelectedSound();
        break;
    case ID_STOP:
        StopPlayAll();
        break;
    case ID_UNDO:
        UndoReplace();
        break;
    case ID_DIRLIST:
        if (code == LBN_DBLCLK)
            ChangeDirEntry(szBuffer, size);
        break;
    case IDM_PLAY:
        PlaySelectedSound();
        break;
    case IDM_REPLACE:
        Replace();
        break;
    case IDM_SAVE:
        SaveSelectedSound();
        break;
    case IDM_SAVEALL:
        SaveAllSounds();
        break;
    }
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam)
{
    char szBuffer[MAX_PATH + 1];
    switch (iMsg) {
    case WM_CREATE:
        CreateMainWindow(hwnd, szBuffer, sizeof szBuffer);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_SETFOCUS:
        SetFocus(hwndList);
        return 0;
    case WM_PAINT:
        PaintWin(hwnd);
        return 0;
    case WM_COMMAND:
        if (LOWORD(wParam) == ID_SOUNDS && HIWORD(wParam) == LBN_DBLCLK &&
            bValidFile && SendMessageA(hwndDisplay, LB_GETCURSEL, 0, 0) == LB_ERR)
            return 0;
        Command(LOWORD(wParam), HIWORD(wParam), szBuffer, sizeof szBuffer);
        break;
    case WM_CONTEXTMENU:
        if ((HWND)wParam != hwndDisplay)
            break;
        SoundMenu(lParam);
        return 0;
    case WM_DROPFILES:
        DropFiles((HDROP)wParam);
        return 0;
    case MM_WOM_DONE:
        WaveDone((HWAVEOUT)wParam, (LPWAVEHDR)lParam);
        return 0;
    case WM_PENDING:
        TakePendingRequest();
        return 0;
    }
    return DefWindowProcA(hwnd, iMsg, wParam, lParam);
}

// Registers the class and creates and shows the main window; NULL when either fails.
HWND StartApp(HINSTANCE hInstance, int iCmdShow)
{
    WNDCLASSEXA wndclass = {};
    wndclass.cbSize = sizeof wndclass;
    wndclass.style = CS_HREDRAW | CS_VREDRAW;
    wndclass.lpfnWndProc = WndProc;
    wndclass.hInstance = hInstance;
    wndclass.hIcon = LoadIconA(hInstance, "main_icon");
    wndclass.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wndclass.hbrBackground = (HBRUSH)(COLOR_BTNFACE + 1);
    wndclass.lpszClassName = szAppName;
    wndclass.hIconSm = LoadIconA(hInstance, "main_icon");
    if (!RegisterClassExA(&wndclass))
        return NULL;

    HWND hwnd = CreateWindowExA(0, szAppName, szCaption, WS_OVERLAPPED | WS_MINIMIZEBOX | WS_SYSMENU | WS_CLIPCHILDREN,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, NULL, NULL, hInstance, NULL);
    if (!hwnd)
        return NULL;
    hwndApp = hwnd;
    hInstApp = hInstance;
    ShowWindow(hwnd, iCmdShow);
    UpdateWindow(hwnd);
    return hwnd;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int iCmdShow)
{
    if (!StartApp(hInstance, iCmdShow))
        return 1;
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}
