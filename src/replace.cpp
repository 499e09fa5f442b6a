// Voxmend: the Replace command and the Replace dialog.
#include "voxmend.h"

#include <commdlg.h>
#include <direct.h>
#include <cstring>

BOOL bValidReplace;
BOOL bRewriting;
char pstrReplaceFile[MAX_PATH];
HWND hwndOk, hwndNew, hwndOriginal;

static const char kFilter[53] = "Wave Sound Files (*.WAV)\0*.wav\0All Files (*.*)\0*.*\0";

// Asks for the replacement WAVE file; pstrReplaceFile keeps the choice for next time.
static BOOL ChooseWaveFile()
{
    char szFilter[sizeof kFilter];
    memcpy(szFilter, kFilter, sizeof szFilter);
    char pstrFileName[512];
    memset(pstrFileName, 0, sizeof pstrFileName);

    OPENFILENAMEA ofn;
    memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = hwndApp;
    ofn.lpstrFilter = szFilter;
    ofn.lpstrFile = pstrReplaceFile;
    ofn.nMaxFile = sizeof pstrReplaceFile;
    ofn.lpstrFileTitle = pstrFileName;
    ofn.nMaxFileTitle = sizeof pstrFileName;
    ofn.Flags = OFN_HIDEREADONLY | OFN_CREATEPROMPT;
    ofn.lpstrDefExt = "wav";

    // The dialog may leave the current directory in the WAVE file's folder; the browser
    // goes on showing, and opening by name in, the folder it listed.
    char cwd[MAX_PATH];
    BOOL haveCwd = _getcwd(cwd, sizeof cwd) != NULL;
    BOOL chosen = GetOpenFileNameA(&ofn);
    if (haveCwd)
        _chdir(cwd);
    return chosen;
}

void Replace()
{
    if (!bValidFile) {
        ShowMessage("No sfx file open");
        return;
    }
    if (SendMessageA(hwndDisplay, LB_GETCURSEL, 0, 0) == LB_ERR) {
        ShowMessage("No sound selected");
        return;
    }
    if (bValidReplace)
        return;
    if (PlaybackBusy()) {  // taken up once the sound that is playing has ended
        DeferRequest(REQUEST_REPLACE, 0);
        return;
    }
    if (!ChooseWaveFile())
        return;
    bValidReplace = TRUE;
    // A file that failed to load has been reported; there is nothing to compare.
    if (LoadReplace(TRUE)) {
        BOOL previewing = PlayReplace();
        DialogBoxParamA(hInstApp, "ReplaceBox", hwndApp, ReplaceDlgProc, previewing);
    }
    bValidReplace = FALSE;
    bReplaceLoaded = FALSE;
    Replacement = vox::Sound();
}

void SetDialogButtons(BOOL enabled)
{
    EnableWindow(hwndOriginal, enabled);
    EnableWindow(hwndOk, enabled);
    EnableWindow(hwndNew, enabled);
}

static void DisableDialogButtons()
{
    SetDialogButtons(FALSE);
}

static void EnableDialogButtons()
{
    SetDialogButtons(TRUE);
}

static void EndReplace(HWND hDlg)
{
    bValidReplace = FALSE;
    EndDialog(hDlg, 0);
}

INT_PTR CALLBACK ReplaceDlgProc(HWND hDlg, UINT iMsg, WPARAM wParam, LPARAM lParam)
{
    static long l;  // the sound being replaced
    switch (iMsg) {
    case WM_INITDIALOG:
        hwndOk = GetDlgItem(hDlg, IDD_REPLACE);
        hwndNew = GetDlgItem(hDlg, IDD_NEW);
        hwndOriginal = GetDlgItem(hDlg, IDD_ORIGINAL);
        if (!SelectedSound(&l))
            l = -1;
        SetDlgItemTextA(hDlg, IDD_STATUS, "Press 'Replace' to continue.");
        if (!lParam)  // no preview is playing, so no completion will enable them
            EnableDialogButtons();
        return TRUE;
    case WM_COMMAND:
        if (bRewriting)  // a message box of the rewrite is open; its caller ends the dialog
            return TRUE;
        switch (LOWORD(wParam)) {
        case IDD_REPLACE:
            if (!SelectedSound(&l))
                l = -1;
            DoReplace(hDlg, l);
            EndReplace(hDlg);
            return TRUE;
        case IDD_CANCEL:
            EndReplace(hDlg);
            return TRUE;
        case IDD_ORIGINAL:
            DisableDialogButtons();
            if (!PlayOne(l))
                EnableDialogButtons();
            return TRUE;
        case IDD_NEW: {
            DisableDialogButtons();
            BOOL loaded = LoadReplace(TRUE);
            if (!bValidReplace)  // CANCEL ended the dialog while a load error was showing
                return TRUE;
            if (!loaded || !PlayReplace())
                EnableDialogButtons();
            return TRUE;
        }
        }
        return FALSE;
    }
    return FALSE;
}
