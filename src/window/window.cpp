// Voxmend: the main window's controls, and the little the other parts ask of them.
#include "window/window.h"

#include <direct.h>
#include <cstdio>
#include <cstring>
#include <string>

#include "window/browser.h"

const char szAppName[] = "Voxmend";
HWND hwndApp, hwndText, hwndList, hwndDir, hwndPlayAll, hwndReplace, hwndStop, hwndUndo, hwndDisplay;
HINSTANCE hInstApp;

// Copies src into a buffer of size bytes; FALSE (and dst untouched) when it does not fit.
BOOL CopyBounded(char* dst, size_t size, const char* src)
{
    size_t n = strlen(src);
    if (n >= size)
        return FALSE;
    memcpy(dst, src, n + 1);
    return TRUE;
}

// Runs the common Open or Save dialog for a WAVE file, path holding the name it starts with
// and taking the one chosen. Either dialog may leave the current directory in the folder where
// the file was chosen; the browser goes on showing, and opening by name in, the folder it
// listed.
BOOL WaveFileDialog(char* path, DWORD size, DWORD flags, BOOL save, const std::string& moreFilters, DWORD filterIndex)
{
    static const char wave[] = "Wave Sound Files (*.WAV)\0*.wav\0";
    return FileDialog(path, size, flags, save, std::string(wave, sizeof wave - 1) + moreFilters, "wav", filterIndex);
}

BOOL FileDialog(char* path, DWORD size, DWORD flags, BOOL save, const std::string& filters, const char* defExt,
                DWORD filterIndex)
{
    static const char all[] = "All Files (*.*)\0*.*\0";
    // the pairs end with an empty string
    const std::string filter = filters + std::string(all, sizeof all);
    OPENFILENAMEA ofn;
    memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = hwndApp;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = filterIndex;
    ofn.lpstrFile = path;
    ofn.nMaxFile = size;
    ofn.Flags = flags;
    ofn.lpstrDefExt = defExt;
    const std::string cwd = CurrentDir();
    BOOL chosen = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (!cwd.empty())
        _chdir(cwd.c_str());
    return chosen;
}

// Copies the selected entry of a list into szBuffer; FALSE when none is selected.
BOOL SelectedEntry(HWND list, char* szBuffer, size_t size)
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
    char line[LINEBYTES];
    if (!SelectedEntry(hwndDisplay, line, sizeof line))
        return FALSE;
    *number = atol(line);
    return TRUE;
}

void ShowInPathLine(const char* text)
{
    SetWindowTextA(hwndText, text);
    UpdateWindow(hwndText);
}

void PathLineProgress::Show(uint64_t done, uint64_t total)
{
    int percent = total ? (int)(done * 100 / total) : 0;
    if (percent > 100)
        percent = 100;
    if (percent == shown || (shown >= 0 && GetTickCount() - paintedAt < 30))
        return;
    ShowInPathLine((total ? doing + ": " + std::to_string(percent) + "%" : doing + "...").c_str());
    shown = percent;
    paintedAt = GetTickCount();
}

void EnableMainButtons(BOOL enabled)
{
    EnableWindow(hwndPlayAll, enabled);
    EnableWindow(hwndReplace, enabled);
}

static HWND CreateControl(HWND parent, const char* cls, const char* text, DWORD style,
                          int x, int y, int cx, int cy, int id)
{
    return CreateWindowExA(0, cls, text, style, x, y, cx, cy, parent, (HMENU)(INT_PTR)id, hInstApp, NULL);
}

void CreateMainWindow(HWND hwnd, const char* path)
{
    hwndApp = hwnd;
    hInstApp = (HINSTANCE)GetWindowLongPtrA(hwnd, GWLP_HINSTANCE);
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
    hwndText = CreateControl(hwnd, "static", path, plain, cxChar, cyChar, 260 * cxChar, cyChar, IDC_PATH);
    hwndList = CreateControl(hwnd, "listbox", NULL, list, cxChar, 3 * cyChar, column, 5 * cyChar, IDC_BANKLIST);
    hwndDir = CreateControl(hwnd, "listbox", NULL, list, cxChar, 8 * cyChar, column, 5 * cyChar, IDC_DIRLIST);
    hwndPlayAll = CreateControl(hwnd, "button", "Play All", plain, cxChar, 13 * cyChar, column, 3 * cyChar, IDC_PLAYALL);
    hwndReplace = CreateControl(hwnd, "button", "Replace", plain, cxChar, 17 * cyChar, column, 3 * cyChar, IDC_REPLACE);
    hwndStop = CreateControl(hwnd, "button", "Stop", plain, cxChar, 21 * cyChar, column, 3 * cyChar, IDC_STOP);
    hwndUndo = CreateControl(hwnd, "button", "Undo", plain, cxChar, 25 * cyChar, column, 3 * cyChar, IDC_UNDO);
    hwndDisplay = CreateControl(hwnd, "listbox", NULL, list, 15 * cxChar + GetSystemMetrics(SM_CXVSCROLL), 3 * cyChar,
                                60 * cxChar + GetSystemMetrics(SM_CXVSCROLL), 25 * cyChar, IDC_SOUNDS);
}
