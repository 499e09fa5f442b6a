// Voxmend: the drive, folder and bank browser of the main window.
#include "window/browser.h"

#include <direct.h>
#include <cstring>

#include "engine/paths.h"
#include "window/openbank.h"

static const UINT BANKATTRS = DDL_READONLY | DDL_HIDDEN | DDL_SYSTEM | DDL_DIRECTORY | DDL_ARCHIVE;
static const UINT DIRATTRS = DDL_EXCLUSIVE | DDL_DRIVES | DDL_DIRECTORY;

BOOL CurrentDir(char* out, size_t size)
{
    if (_getcwd(out, (int)size))
        return TRUE;
    out[0] = 0;
    return FALSE;
}

void ListDirectory()
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
    if (!CurrentDir(dir, sizeof dir) || !CopyBounded(path, size, vox::InFolder(dir, name).c_str()))
        return FALSE;
    DWORD attrs = GetFileAttributesA(path);
    return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY);
}

void OpenBankEntry(char* szBuffer, size_t size)
{
    if (!SelectedEntry(hwndList, szBuffer, size))
        return;
    char path[MAX_PATH];
    if (BankFileExists(szBuffer, path, sizeof path)) {
        SetWindowTextA(hwndText, path);
        Loadsfx(path, szBuffer);
    } else {
        CloseBank();
        EnterBracketed(szBuffer);
        RefreshBrowser(szBuffer, size);
    }
}

void ChangeDirEntry(char* szBuffer, size_t size)
{
    if (!SelectedEntry(hwndDir, szBuffer, size))
        return;
    char drive = szBuffer[2];
    if (EnterBracketed(szBuffer) != 0 && drive >= 'a' && drive <= 'z')
        _chdrive(drive - 96);
    RefreshBrowser(szBuffer, size);
}
