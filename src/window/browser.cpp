// Voxmend: the drive, folder and bank browser of the main window.
#include "window/browser.h"

#include <direct.h>
#include <cstring>
#include <string>

#include "engine/paths.h"
#include "window/openbank.h"

static const UINT BANKATTRS = DDL_READONLY | DDL_HIDDEN | DDL_SYSTEM | DDL_DIRECTORY | DDL_ARCHIVE;
static const UINT DIRATTRS = DDL_EXCLUSIVE | DDL_DRIVES | DDL_DIRECTORY;

std::string CurrentDir()
{
    DWORD n = GetCurrentDirectoryA(0, NULL);
    std::string dir(n, '\0');
    n = n ? GetCurrentDirectoryA(n, &dir[0]) : 0;
    if (n == 0 || n >= dir.size())
        return "";
    dir.resize(n);
    return dir;
}

void ListDirectory()
{
    SendMessageA(hwndList, LB_DIR, BANKATTRS, (LPARAM) "*.sfx");
    SendMessageA(hwndList, LB_DIR, BANKATTRS, (LPARAM) "*.qsb");
    SendMessageA(hwndDir, LB_DIR, DIRATTRS, (LPARAM) "*.*");
}

static void RefreshBrowser()
{
    SetWindowTextA(hwndText, CurrentDir().c_str());
    SendMessageA(hwndList, LB_RESETCONTENT, 0, 0);
    SendMessageA(hwndDir, LB_RESETCONTENT, 0, 0);
    ListDirectory();
}

void ShowCurrentFolder()
{
    RefreshBrowser();
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

// The full path of the bank file a bank-list entry names, looked up in the current directory
// only; "" when there is none.
static std::string BankFileAt(const char* name)
{
    const std::string dir = CurrentDir();
    if (dir.empty())
        return "";
    const std::string path = vox::InFolder(dir, name);
    DWORD attrs = GetFileAttributesA(path.c_str());
    return attrs != INVALID_FILE_ATTRIBUTES && !(attrs & FILE_ATTRIBUTE_DIRECTORY) ? path : "";
}

void OpenBankEntry(char* szBuffer, size_t size)
{
    if (!SelectedEntry(hwndList, szBuffer, size))
        return;
    const std::string path = BankFileAt(szBuffer);
    if (!path.empty()) {
        SetWindowTextA(hwndText, path.c_str());
        Loadsfx(path.c_str(), szBuffer);
    } else {
        CloseBank();
        EnterBracketed(szBuffer);
        RefreshBrowser();
    }
}

void ChangeDirEntry(char* szBuffer, size_t size)
{
    if (!SelectedEntry(hwndDir, szBuffer, size))
        return;
    char drive = szBuffer[2];
    if (EnterBracketed(szBuffer) != 0 && drive >= 'a' && drive <= 'z')
        _chdrive(drive - 96);
    RefreshBrowser();
}

static std::string FullPath(const char* path)
{
    DWORD n = GetFullPathNameA(path, 0, NULL, NULL);
    std::string full(n, '\0');
    n = n ? GetFullPathNameA(path, n, &full[0], NULL) : 0;
    if (n == 0 || n >= full.size())
        return path;
    full.resize(n);
    return full;
}

void OpenBankAtStart(const char* arg)
{
    const std::string start = CurrentDir();
    const std::string path = FullPath(arg);
    std::string name = vox::NameOf(path);
    if (_chdir(vox::FolderOf(path).c_str()) == 0) {
        RefreshBrowser();
        // named as the folder lists it, as a double-click names it
        LRESULT line = SendMessageA(hwndList, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)name.c_str());
        LRESULT len = line == LB_ERR ? LB_ERR : SendMessageA(hwndList, LB_GETTEXTLEN, (WPARAM)line, 0);
        if (len != LB_ERR && (size_t)len == name.size()) {
            SendMessageA(hwndList, LB_GETTEXT, (WPARAM)line, (LPARAM)&name[0]);
            SendMessageA(hwndList, LB_SETCURSEL, (WPARAM)line, 0);
        }
    }
    SetWindowTextA(hwndText, path.c_str());
    Loadsfx(path.c_str(), name.c_str());
    if (!Opened().bValidFile) {
        _chdir(start.c_str());
        RefreshBrowser();
    }
}
