// Voxmend: a sound's menu, saving sounds as WAVE files, and files dropped on the window.
#include "window/soundfiles.h"

#include <shellapi.h>
#include <shlobj.h>

#include <direct.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "disk/disk.h"
#include "engine/export.h"
#include "engine/paths.h"
#include "window/browser.h"
#include "window/conversion.h"
#include "window/messages.h"
#ifdef VOXMEND_PACKS
#include "pack/pack.h"
#include "window/modpack.h"
#endif
#include "window/openbank.h"
#include "window/replacedialog.h"

// What can be dropped where: a build that converts takes any kind of sound file it reads.
static const char* DropHelp()
{
    return CanConvert() ? "Drop one sound file (WAVE, FLAC, Ogg, MP3 or another kind Voxmend converts) on a sound to "
                          "replace it, or one bank file (.sfx or .qsb) on the bank list to open it."
                        : "Drop one WAVE file on a sound to replace it, or one bank file (.sfx or .qsb) on the bank list "
                          "to open it.";
}

// ---- The menu ----------------------------------------------------------------------------

// The sound list's line under a point of the screen, or -1.
static long LineAt(POINT screen)
{
    ScreenToClient(hwndDisplay, &screen);
    LRESULT hit = SendMessageA(hwndDisplay, LB_ITEMFROMPOINT, 0, MAKELPARAM(screen.x, screen.y));
    return HIWORD(hit) ? -1 : (long)LOWORD(hit);
}

// A right-click takes the line under the mouse; the menu key and Shift+F10 (at is -1, -1)
// take the selected line and open the menu beside it.
void SoundMenu(LPARAM at)
{
    if (!Opened().bValidFile)
        return;
    POINT pt = {(short)LOWORD(at), (short)HIWORD(at)};
    if (at == (LPARAM)-1) {
        LRESULT sel = SendMessageA(hwndDisplay, LB_GETCURSEL, 0, 0);
        RECT r;
        if (sel == LB_ERR || SendMessageA(hwndDisplay, LB_GETITEMRECT, (WPARAM)sel, (LPARAM)&r) == LB_ERR)
            return;
        pt.x = r.left + 16, pt.y = r.bottom;
        ClientToScreen(hwndDisplay, &pt);
    } else {
        long line = LineAt(pt);
        if (line < 0)
            return;
        SendMessageA(hwndDisplay, LB_SETCURSEL, (WPARAM)line, 0);
    }
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, IDM_PLAY, "Play");
    AppendMenuA(menu, MF_STRING, IDM_REPLACE, "Replace...");
    AppendMenuA(menu, MF_STRING, IDM_REPLACECONVERT, "Replace and Convert...");
    AppendMenuA(menu, MF_STRING, IDM_SAVE, "Save as WAVE...");
    AppendMenuA(menu, MF_SEPARATOR, 0, NULL);
    AppendMenuA(menu, MF_STRING, IDM_SAVEALL, "Save All as WAVE...");
    AppendMenuA(menu, MF_STRING, IDM_REPLACEFOLDER, "Replace from Folder...");
#ifdef VOXMEND_PACKS
    AppendMenuA(menu, MF_STRING, IDM_MAKEPACK, "Make Mod Pack...");
    AppendMenuA(menu, MF_STRING, IDM_APPLYPACK, "Apply Mod Pack...");
#endif
    TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0, hwndApp, NULL);
    DestroyMenu(menu);
}

// ---- Saving ------------------------------------------------------------------------------

// The open bank, as it was loaded; NULL after its message.
static std::unique_ptr<vox::Source> OpenLoadedBank()
{
    std::unique_ptr<vox::Source> bank = vox::Disk().Open(Opened().szBankPath.c_str());
    if (!bank) {
        ShowMessageF("Unable to open the bank %s. Nothing was saved.", Opened().szBankPath.c_str());
        return nullptr;
    }
    if (!BankUnchanged(*bank)) {
        ShowMessageF("The bank %s has changed since it was opened. Open it again and then save the sounds; nothing was saved.",
                     Opened().szBankPath.c_str());
        return nullptr;
    }
    return bank;
}

// Writes sound l to path, whole or not at all. Short and Read are the bank's failures, the
// rest the file's; failures of the file are reported here.
static vox::BankError SaveSound(vox::Source& bank, long l, const std::string& path)
{
    vox::ExportResult r = vox::ExportWaveFile(vox::Disk(), bank, Opened().records(l), path, true, vox::kPieceSize);
    const char* file = path.c_str();  // the file asked for, not the one written on the way to it
    switch (r.error) {
    case vox::BankError::Ok:
    case vox::BankError::Short:
    case vox::BankError::Read:
        break;
    case vox::BankError::Create:
        ShowMessageF("Unable to create %s. It was not saved.", file);
        break;
    case vox::BankError::NoMemory:
        ShowMessage("Not enough memory available");
        break;
    case vox::BankError::RenameFailed:
        ShowMessageF("Unable to replace %s. It is as it was.", file);
        break;
    default:
        ShowMessageF("Unable to write %s (the disk may be full). It was not saved.", file);
        break;
    }
    return r.error;
}

static void ReportUnreadSound(long l, vox::BankError e)
{
    if (e == vox::BankError::Short)
        ShowMessageF("Sound %ld runs past the end of the bank file. It was not saved.", l);
    else
        ShowMessageF("Sound %ld cannot be read from the bank file. It was not saved.", l);
}

// Asks where the sound goes, in the current folder under the name voxbank extract gives it.
static BOOL ChooseSaveFile(long l, char* path, size_t size)
{
    if (!CopyBounded(path, size, SoundFileName(l).c_str()))
        return FALSE;
    return WaveFileDialog(path, (DWORD)size, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOCHANGEDIR,
                          TRUE);
}

void SaveSelectedSound()
{
    long l;
    if (!Opened().bValidFile || !SelectedSound(&l) || l < 0 || (DWORD)l >= Opened().numwavs())
        return;
    std::vector<char> path(PATHBYTES);
    if (!ChooseSaveFile(l, path.data(), path.size()))
        return;
    std::unique_ptr<vox::Source> bank = OpenLoadedBank();
    if (!bank)
        return;
    vox::BankError e = SaveSound(*bank, l, path.data());
    if (e == vox::BankError::Short || e == vox::BankError::Read)
        ReportUnreadSound(l, e);
}

// Starts the folder picker in the current folder.
static int CALLBACK StartInCurrentFolder(HWND hwnd, UINT msg, LPARAM, LPARAM data)
{
    if (msg == BFFM_INITIALIZED)
        SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, data);
    return 0;
}

BOOL ChooseFolder(const char* title, std::string* folder)
{
    const std::string start = CurrentDir();
    char display[ENTRYBYTES];  // the folder's name alone, unused
    BROWSEINFOA bi;
    memset(&bi, 0, sizeof bi);
    bi.hwndOwner = hwndApp;
    bi.pszDisplayName = display;
    bi.lpszTitle = title;
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    bi.lpfn = StartInCurrentFolder;
    bi.lParam = (LPARAM)start.c_str();
    LPITEMIDLIST chosen = SHBrowseForFolderA(&bi);
    if (!chosen)
        return FALSE;
    // the ANSI call holds the path in MAX_PATH bytes, too few for a long one or for UTF-8
    std::vector<wchar_t> path(32768);
    BOOL ok = SHGetPathFromIDListEx(chosen, path.data(), (DWORD)path.size(), GPFIDL_DEFAULT);
    CoTaskMemFree(chosen);
    *folder = ok ? vox::FromWide(path.data()) : "";
    return !folder->empty();
}

// Every sound into one folder, under the names voxbank extract gives them; one question for
// all the files already there. A sound the bank cannot give is skipped and told at the end;
// a file that cannot be written ends the work.
void SaveAllSounds()
{
    if (!Opened().bValidFile || Opened().numwavs() == 0)
        return;
    std::string chosen;
    if (!ChooseFolder("Save every sound of the bank as a WAVE file in this folder:", &chosen))
        return;
    const char* folder = chosen.c_str();
    std::vector<std::string> paths;
    size_t existing = 0;
    for (DWORD i = 0; i < Opened().numwavs(); i++) {
        paths.push_back(vox::InFolder(chosen, SoundFileName((long)i)));
        existing += vox::Disk().Exists(paths.back());
    }
    if (existing == 1 && !AskYesNo("1 file exists. Overwrite it?"))
        return;
    if (existing > 1 && !AskYesNoF("%zu files exist. Overwrite them?", existing))
        return;
    std::unique_ptr<vox::Source> bank = OpenLoadedBank();
    if (!bank)
        return;
    std::vector<long> unread;
    char progress[64];
    for (DWORD i = 0; i < Opened().numwavs(); i++) {
        snprintf(progress, sizeof progress, "Saving sound %lu of %lu...", (unsigned long)i + 1, (unsigned long)Opened().numwavs());
        SetWindowTextA(hwndText, progress);
        UpdateWindow(hwndText);
        vox::BankError e = SaveSound(*bank, (long)i, paths[i]);
        if (e == vox::BankError::Short || e == vox::BankError::Read) {
            unread.push_back((long)i);
        } else if (e != vox::BankError::Ok) {
            SetWindowTextA(hwndText, Opened().szBankPath.c_str());
            return;
        }
    }
    SetWindowTextA(hwndText, Opened().szBankPath.c_str());
    if (unread.empty())
        ShowMessageF("%lu sounds saved in %s.", (unsigned long)Opened().numwavs(), folder);
    else
        ShowMessageF("%lu sounds saved in %s. %s could not be read from the bank and %s not saved.",
                     (unsigned long)(Opened().numwavs() - unread.size()), folder, SoundNumbers(unread).c_str(),
                     unread.size() == 1 ? "was" : "were");
}

// ---- Dropped files -----------------------------------------------------------------------

static BOOL HasExtension(const char* path, const char* ext)
{
    size_t n = strlen(path), e = strlen(ext);
    return n > e && _stricmp(path + n - e, ext) == 0;
}

// The dropped bank's folder becomes the current one, and the bank opens as a double-click opens it.
static void OpenDroppedBank(const char* path)
{
    std::vector<char> folder(PATHBYTES);
    char bank[ENTRYBYTES];
    char* name = NULL;
    DWORD n = GetFullPathNameA(path, (DWORD)folder.size(), folder.data(), &name);
    if (n == 0 || n >= folder.size() || !name || !CopyBounded(bank, sizeof bank, name)) {
        ShowMessage(DropHelp());
        return;
    }
    *name = 0;  // the folder, with its backslash
    if (_chdir(folder.data()) != 0) {
        ShowMessageF("Unable to open the folder %s.", folder.data());
        return;
    }
    ShowCurrentFolder();
    LRESULT line = SendMessageA(hwndList, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)bank);
    if (line == LB_ERR)
        return;
    SendMessageA(hwndList, LB_SETCURSEL, (WPARAM)line, 0);
    SendMessageA(hwndApp, WM_COMMAND, MAKEWPARAM(IDC_BANKLIST, LBN_DBLCLK), (LPARAM)hwndList);
}

void DropFiles(HDROP drop)
{
    std::vector<char> buffer(PATHBYTES);
    char* path = buffer.data();
    POINT pt;
    UINT count = DragQueryFileA(drop, 0xFFFFFFFF, NULL, 0);
    BOOL named = count == 1 && DragQueryFileA(drop, 0, path, (UINT)buffer.size()) > 0 && DragQueryPoint(drop, &pt);
    DragFinish(drop);
    DWORD attrs = named ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
    if (attrs == INVALID_FILE_ATTRIBUTES || (attrs & FILE_ATTRIBUTE_DIRECTORY)) {
        ShowMessage(DropHelp());
        return;
    }
    HWND target = ChildWindowFromPointEx(hwndApp, pt, CWP_SKIPINVISIBLE);
    ClientToScreen(hwndApp, &pt);
#ifdef VOXMEND_PACKS
    if (target == hwndDisplay && HasExtension(path, vox::kPackExtension)) {
        ApplyModPackFile(path);
        return;
    }
#endif
    if (target == hwndDisplay && (HasExtension(path, ".wav") || IsAudioFileName(path))) {
        long line = LineAt(pt);
        if (line < 0 || !Opened().bValidFile) {
            ShowMessage(Opened().bValidFile ? DropHelp() : "No sfx file open");
            return;
        }
        SendMessageA(hwndDisplay, LB_SETCURSEL, (WPARAM)line, 0);
        ReplaceByFile(path);
    } else if (target == hwndList && (HasExtension(path, ".sfx") || HasExtension(path, ".qsb"))) {
        OpenDroppedBank(path);
    } else {
        ShowMessage(DropHelp());
    }
}
