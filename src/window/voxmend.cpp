// Voxmend: start-up, the main window and the commands that reach it.
#include "window/voxmend.h"

#include <cstdlib>

#include "window/browser.h"
#include "window/messages.h"
#include "window/openbank.h"
#include "window/playback.h"
#include "window/replacedialog.h"
#include "window/replacefolder.h"
#ifdef VOXMEND_PACKS
#include "window/modpack.h"
#endif
#include "window/soundfiles.h"
#include "window/undoreplace.h"

// Sent to the main window to take up a request that waited for the sound device.
static const UINT WM_PENDING = WM_APP + 1;

// A sound plays, or REPLACE rewrites the bank: what is asked now waits.
static BOOL Busy()
{
    return PlaybackBusy() || Rewriting();
}


static const char szCaption[] = "Voxmend - Tarn Sound Editor by Quenby";

static void PlaySelectedSound()
{
    if (!Opened().bValidFile) {
        ShowMessage("No sfx file open");
        return;
    }
    long l;
    if (!SelectedSound(&l))
        return;
    if (Busy()) {  // one playback at a time; this one follows
        DeferRequest(REQUEST_SOUND, l);
        return;
    }
    EnableMainButtons(FALSE);
    if (!PlayOne(l))
        EnableMainButtons(TRUE);
}

static void PlayAllCommand()
{
    if (Busy()) {
        DeferRequest(REQUEST_PLAYALL, 0);
        return;
    }
    SendMessageA(hwndDisplay, LB_SETCURSEL, 0, 0);
    PlayAll();
}

// Takes up the request that waited for the sound device, as if it were made now.
static void TakePendingRequest()
{
    long sound = 0;
    if (ReplaceOpen() || Rewriting())  // the Replace dialog ends first
        return;
    int request = TakeRequest(&sound);
    if (request == REQUEST_NONE)
        return;
    if (request == REQUEST_SOUND || request == REQUEST_DROP) {
        if ((DWORD)sound < Opened().numwavs())
            SendMessageA(hwndDisplay, LB_SETCURSEL, (WPARAM)sound, 0);
        if (request == REQUEST_DROP)  // the dropped file is the one chosen
            ReplaceByChosenFile();
        else
            SendMessageA(hwndApp, WM_COMMAND, MAKEWPARAM(IDC_SOUNDS, LBN_DBLCLK), (LPARAM)hwndDisplay);
    } else if (request == REQUEST_REPLACECONVERT) {
        SendMessageA(hwndApp, WM_COMMAND, MAKEWPARAM(IDM_REPLACECONVERT, 0), 0);
    } else {
        SendMessageA(hwndApp, WM_COMMAND, MAKEWPARAM(request == REQUEST_PLAYALL ? IDC_PLAYALL : IDC_REPLACE, BN_CLICKED),
                     (LPARAM)(request == REQUEST_PLAYALL ? hwndPlayAll : hwndReplace));
    }
}

// A sound has ended: the buttons of the dialog or window that started it come back, and a
// request that waited for the device is taken up.
static void SoundEnded(HWAVEOUT device, LPWAVEHDR header)
{
    if (WaveDone(device, header)) {
        if (ReplaceOpen())
            SetDialogButtons(TRUE);
        else
            EnableMainButtons(TRUE);
    }
    if (RequestWaiting() && !Busy())
        PostMessageA(hwndApp, WM_PENDING, 0, 0);
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
    case IDC_BANKLIST:
        if (code == LBN_DBLCLK)
            OpenBankEntry(szBuffer, size);
        break;
    case IDC_PLAYALL:
        PlayAllCommand();
        break;
    case IDC_REPLACE:
        Replace();
        break;
    case IDC_SOUNDS:
        if (code == LBN_DBLCLK)
            PlaySelectedSound();
        break;
    case IDC_STOP:
        StopPlayAll();
        break;
    case IDC_UNDO:
        UndoReplace();
        break;
    case IDC_DIRLIST:
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
    case IDM_REPLACECONVERT:
        ReplaceAndConvert();
        break;
    case IDM_REPLACEFOLDER:
        ReplaceFromFolder();
        break;
#ifdef VOXMEND_PACKS
    case IDM_MAKEPACK:
        MakeModPack();
        break;
    case IDM_APPLYPACK:
        ApplyModPack();
        break;
#endif
    }
}

LRESULT CALLBACK WndProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam)
{
    char szBuffer[ENTRYBYTES];
    switch (iMsg) {
    case WM_CREATE:
        CreateMainWindow(hwnd, CurrentDir().c_str());
        ListDirectory();
        DragAcceptFiles(hwnd, TRUE);
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
        if (LOWORD(wParam) == IDC_SOUNDS && HIWORD(wParam) == LBN_DBLCLK &&
            Opened().bValidFile && SendMessageA(hwndDisplay, LB_GETCURSEL, 0, 0) == LB_ERR)
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
        SoundEnded((HWAVEOUT)wParam, (LPWAVEHDR)lParam);
        return 0;
    case WM_PENDING:
        TakePendingRequest();
        return 0;
    }
    return DefWindowProcA(hwnd, iMsg, wParam, lParam);
}

// Registers the class and creates and shows the main window, with the bank at bankPath open
// when one is given; NULL when either fails.
HWND StartApp(HINSTANCE hInstance, int iCmdShow, const char* bankPath)
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
    ShowWindow(hwnd, iCmdShow);
    UpdateWindow(hwnd);
    if (bankPath)
        OpenBankAtStart(bankPath);
    return hwnd;
}

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE, LPSTR, int iCmdShow)
{
    // "Open with", a shortcut or a drop on the program name a bank (the first, when more);
    // the manifest makes the arguments UTF-8
    if (!StartApp(hInstance, iCmdShow, __argc > 1 ? __argv[1] : NULL))
        return 1;
    MSG msg;
    while (GetMessageA(&msg, NULL, 0, 0)) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return (int)msg.wParam;
}
