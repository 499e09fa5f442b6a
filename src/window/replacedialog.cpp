// Voxmend: the Replace command and the Replace dialog.
#include "window/replacedialog.h"

#include <algorithm>
#include <cstring>

#include "window/conversion.h"
#include "window/messages.h"
#include "window/openbank.h"
#include "window/playback.h"
#include "window/replacement.h"
#include "window/soundview.h"

static HWND hwndOk, hwndNew, hwndOriginal;
static BOOL bValidReplace;              // the dialog is open for the file chosen
static BOOL bRewriting;                 // its REPLACE is rewriting the bank
static char pstrReplaceFile[MAX_PATH];  // the file chosen, kept for next time
static BOOL bConvert;                   // it is converted even when it is a PCM WAVE file
static vox::Sound Loaded;               // as last loaded
static BOOL bMatch;                     // Match loudness is checked
static vox::Sound Replacement;          // as played and put in: Loaded, its loudness matched when asked
static std::string Converted;           // what it was converted from into what, when it was
static std::string Matched;             // what matching its loudness did, when it was asked
static SoundView OldView, NewView;      // the pictures of the sound replaced and of Replacement
static std::string OldLoudness, NewLoudness;  // their loudness in words, once measured
static HWND hwndReplaceBox;             // the dialog, while it is open
// Posted to the dialog once its pictures are up: the loudness is measured then, so that the
// pictures never wait for it.
static const UINT WM_MEASURE = WM_APP + 1;

BOOL ReplaceOpen()
{
    return bValidReplace;
}

BOOL Rewriting()
{
    return bRewriting;
}

// Replacement made again from Loaded: as it is, or with Match loudness its loudness matched to
// sound l's; its picture with it.
static void RemakeReplacement(long l)
{
    Replacement = Loaded;
    Matched.clear();
    if (bMatch && !Replacement.bytes.empty())
        Matched = MatchToStored(l, &Replacement);
    NewView = ViewOf(Replacement);
    NewLoudness.clear();
    if (hwndReplaceBox)
        PostMessageA(hwndReplaceBox, WM_MEASURE, 0, 0);
}

// Loads the chosen file afresh for sound l, into Loaded and Replacement.
static BOOL LoadChosen(long l, BOOL askDevice)
{
    Loaded = vox::Sound();
    Replacement = vox::Sound();
    if (!bValidReplace) {
        ShowMessage("No valid Replace");
        return FALSE;
    }
    BOOL loaded = LoadReplace(pstrReplaceFile, l, bConvert, askDevice, &Loaded, &Converted);
    RemakeReplacement(l);
    return loaded;
}

// Asks for the replacement file, the WAVE files shown first or, converting, every kind of
// audio file this build reads; pstrReplaceFile keeps the choice for next time.
static BOOL ChooseFile(BOOL converting)
{
    const std::string audio = AudioFilters();
    return WaveFileDialog(pstrReplaceFile, sizeof pstrReplaceFile, OFN_HIDEREADONLY | OFN_CREATEPROMPT, FALSE, audio,
                          converting && !audio.empty() ? 2 : 1);
}

// The checks every road to the Replace dialog makes; FALSE when it goes no further. A request
// made while a sound plays waits for it.
static BOOL ReadyToReplace(int request, long sound)
{
    if (!Opened().bValidFile) {
        ShowMessage("No sfx file open");
        return FALSE;
    }
    if (SendMessageA(hwndDisplay, LB_GETCURSEL, 0, 0) == LB_ERR) {
        ShowMessage("No sound selected");
        return FALSE;
    }
    if (bValidReplace)
        return FALSE;
    if (PlaybackBusy() || bRewriting) {  // taken up once the sound that is playing has ended
        DeferRequest(request, sound);
        return FALSE;
    }
    return TRUE;
}

// The road from a chosen file on: pstrReplaceFile is loaded and previewed, and the dialog runs.
static void ReplaceWithChosenFile()
{
    bValidReplace = TRUE;
    bMatch = FALSE;  // each dialog starts with the sound as the file gives it
    long l = -1;
    SelectedSound(&l);
    // A file that failed to load has been reported; there is nothing to compare.
    if (LoadChosen(l, TRUE)) {
        BOOL previewing = PlayReplace(Replacement);
        DialogBoxParamA(hInstApp, IDD_REPLACEBOX, hwndApp, ReplaceDlgProc, previewing);
    }
    bValidReplace = FALSE;
    Loaded = Replacement = vox::Sound();
    Converted.clear();
    Matched.clear();
    OldView = NewView = SoundView();
    OldLoudness.clear();
    hwndReplaceBox = NULL;
    ForgetConversion();
}

void Replace()
{
    if (ReadyToReplace(REQUEST_REPLACE, 0) && ChooseFile(FALSE)) {
        bConvert = FALSE;
        ReplaceWithChosenFile();
    }
}

void ReplaceAndConvert()
{
    if (ConversionBuilt() && ReadyToReplace(REQUEST_REPLACECONVERT, 0) && ChooseFile(TRUE)) {
        bConvert = TRUE;
        ReplaceWithChosenFile();
    }
}

// The selected sound is replaced by the file at path, as if it had been chosen in the Open dialog.
void ReplaceByFile(const char* path)
{
    if (path != pstrReplaceFile && !CopyBounded(pstrReplaceFile, sizeof pstrReplaceFile, path)) {
        ShowMessageF("The path of %s is too long to open.", path);
        return;
    }
    long sound = -1;
    SelectedSound(&sound);
    if (ReadyToReplace(REQUEST_DROP, sound)) {
        bConvert = FALSE;  // a PCM WAVE file goes in as it is, any other is converted
        ReplaceWithChosenFile();
    }
}

void ReplaceByChosenFile()
{
    ReplaceByFile(pstrReplaceFile);
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

// The dialog grows a text under its status line that tells what the file was converted into.
static void ShowConversion(HWND hDlg, const std::string& text)
{
    RECT grow = {0, 0, 164, 28};  // three lines of the dialog's font, and a gap
    MapDialogRect(hDlg, &grow);
    RECT r;
    for (int id : {IDC_OK, IDC_CANCEL, IDC_ORIGINAL, IDC_NEW, IDC_MATCH, IDC_GAIN, IDC_OLDCAPTION, IDC_OLDWAVE,
                   IDC_NEWCAPTION, IDC_NEWWAVE}) {
        HWND control = GetDlgItem(hDlg, id);
        GetWindowRect(control, &r);
        MapWindowPoints(NULL, hDlg, (POINT*)&r, 2);
        SetWindowPos(control, NULL, r.left, r.top + grow.bottom, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    GetWindowRect(GetDlgItem(hDlg, IDC_STATUS), &r);
    MapWindowPoints(NULL, hDlg, (POINT*)&r, 2);
    HWND converted = CreateWindowExA(0, "static", text.c_str(), WS_CHILD | WS_VISIBLE | SS_LEFT, r.left, r.bottom,
                                     r.right - r.left, grow.bottom, hDlg, (HMENU)IDC_CONVERTED, hInstApp, NULL);
    SendMessageA(converted, WM_SETFONT, SendMessageA(hDlg, WM_GETFONT, 0, 0), FALSE);
    GetWindowRect(hDlg, &r);
    SetWindowPos(hDlg, NULL, 0, 0, r.right - r.left, r.bottom - r.top + grow.bottom,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The two pictures, their captions and what matching did, as they are now.
static void ShowSounds(HWND hDlg)
{
    SetDlgItemTextA(hDlg, IDC_OLDCAPTION, ("Original sound: " + OldView.caption + OldLoudness).c_str());
    SetDlgItemTextA(hDlg, IDC_NEWCAPTION, ("New sound: " + NewView.caption + NewLoudness).c_str());
    SetDlgItemTextA(hDlg, IDC_GAIN, Matched.c_str());
    for (int id : {IDC_OLDWAVE, IDC_NEWWAVE})
        InvalidateRect(GetDlgItem(hDlg, id), NULL, FALSE);
}

static void DrawSound(const DRAWITEMSTRUCT* item)
{
    const double span = std::max(OldView.seconds, NewView.seconds);
    DrawSoundView(item->hDC, item->rcItem, item->CtlID == IDC_OLDWAVE ? OldView : NewView, span);
}

// The loudness of the sounds whose pictures have none yet.
static void MeasureSounds(HWND hDlg, long l)
{
    if (OldLoudness.empty())
        OldLoudness = LoudnessWords(StoredSound(l));
    if (NewLoudness.empty())
        NewLoudness = LoudnessWords(Replacement);
    ShowSounds(hDlg);
}

static void EndReplace(HWND hDlg)
{
    bValidReplace = FALSE;
    hwndReplaceBox = NULL;
    EndDialog(hDlg, 0);
}

INT_PTR CALLBACK ReplaceDlgProc(HWND hDlg, UINT iMsg, WPARAM wParam, LPARAM lParam)
{
    static long l;  // the sound being replaced
    switch (iMsg) {
    case WM_INITDIALOG:
        hwndOk = GetDlgItem(hDlg, IDC_OK);
        hwndNew = GetDlgItem(hDlg, IDC_NEW);
        hwndOriginal = GetDlgItem(hDlg, IDC_ORIGINAL);
        if (!SelectedSound(&l))
            l = -1;
        SetDlgItemTextA(hDlg, IDC_STATUS, "Press 'Replace' to continue.");
        if (!Converted.empty())
            ShowConversion(hDlg, Converted);
        OldView = ViewOf(StoredSound(l));
        EnableWindow(GetDlgItem(hDlg, IDC_MATCH), CanMatchLoudness());
        ShowSounds(hDlg);
        hwndReplaceBox = hDlg;
        PostMessageA(hDlg, WM_MEASURE, 0, 0);
        if (!lParam)  // no preview is playing, so no completion will enable them
            EnableDialogButtons();
        return TRUE;
    case WM_COMMAND:
        if (bRewriting)  // a message box of the rewrite is open; its caller ends the dialog
            return TRUE;
        switch (LOWORD(wParam)) {
        case IDC_OK:
            if (!SelectedSound(&l))
                l = -1;
            bRewriting = TRUE;  // the dialog takes no commands until the rewrite is over
            DoReplace(hDlg, l, pstrReplaceFile, bConvert, bMatch);
            bRewriting = FALSE;
            EndReplace(hDlg);
            return TRUE;
        case IDC_CANCEL:
            EndReplace(hDlg);
            return TRUE;
        case IDC_MATCH:
            bMatch = IsDlgButtonChecked(hDlg, IDC_MATCH) == BST_CHECKED;
            RemakeReplacement(l);
            ShowSounds(hDlg);
            return TRUE;
        case IDC_ORIGINAL:
            DisableDialogButtons();
            if (!PlayOne(l))
                EnableDialogButtons();
            return TRUE;
        case IDC_NEW: {
            DisableDialogButtons();
            BOOL loaded = LoadChosen(l, TRUE);
            if (!bValidReplace)  // CANCEL ended the dialog while a load error was showing
                return TRUE;
            ShowSounds(hDlg);
            if (!loaded || !PlayReplace(Replacement))
                EnableDialogButtons();
            return TRUE;
        }
        }
        return FALSE;
    case WM_MEASURE:
        MeasureSounds(hDlg, l);
        return TRUE;
    case WM_DRAWITEM:
        if (wParam == IDC_OLDWAVE || wParam == IDC_NEWWAVE) {
            DrawSound((const DRAWITEMSTRUCT*)lParam);
            return TRUE;
        }
        return FALSE;
    }
    return FALSE;
}
