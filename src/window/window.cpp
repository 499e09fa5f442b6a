// Voxmend: what every part of the window program shares: the main window's controls, the open
// bank as the window shows it, the program's messages and questions, the WAVE file dialogs and
// bounded copies.
#include "window/window.h"

#include <direct.h>
#include <cstdarg>
#include <cstdio>
#include <cstring>

const char szAppName[] = "Voxmend";
HWND hwndApp, hwndText, hwndList, hwndDir, hwndPlayAll, hwndReplace, hwndStop, hwndUndo, hwndDisplay;
HINSTANCE hInstApp;
BOOL bValidFile;
char szFile[MAX_PATH];
char szBankPath[MAX_PATH];
RECORD records[MAXRECORDS];
DWORD numwavs;
char IndexFile[MAX_PATH];
BOOL bValidReplace;
BOOL bRewriting;
char pstrReplaceFile[MAX_PATH];

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

// Runs the common Open or Save dialog for a WAVE file, path holding the name it starts with
// and taking the one chosen. Either dialog may leave the current directory in the folder where
// the file was chosen; the browser goes on showing, and opening by name in, the folder it
// listed.
BOOL WaveFileDialog(char* path, DWORD size, DWORD flags, BOOL save)
{
    OPENFILENAMEA ofn;
    memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = hwndApp;
    ofn.lpstrFilter = "Wave Sound Files (*.WAV)\0*.wav\0All Files (*.*)\0*.*\0";
    ofn.lpstrFile = path;
    ofn.nMaxFile = size;
    ofn.Flags = flags;
    ofn.lpstrDefExt = "wav";
    char cwd[MAX_PATH];
    BOOL haveCwd = _getcwd(cwd, sizeof cwd) != NULL;
    BOOL chosen = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    if (haveCwd)
        _chdir(cwd);
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
    char line[NAMELEN + 16];
    if (!SelectedEntry(hwndDisplay, line, sizeof line))
        return FALSE;
    *number = atol(line);
    return TRUE;
}

void EnableMainButtons(BOOL enabled)
{
    EnableWindow(hwndPlayAll, enabled);
    EnableWindow(hwndReplace, enabled);
}
