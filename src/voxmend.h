// Voxmend: state and functions shared by the program's modules.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <cstdint>
#include <string>

#include "bank.h"
#include "wave.h"

// One directory entry of a bank, as the engine reads it.
typedef vox::Entry RECORD;

enum {
    MAXSOUNDS = vox::kMaxSounds,  // sounds of a bank the program works with
    MAXRECORDS = 500,             // room in records
    WORKBUFSIZE = 1000000,        // the rewrite's work buffer
    NAMELEN = vox::kNameLength,   // characters of a sound name
};

// Control ids of the main window.
enum {
    ID_BANKLIST = 1, ID_PATH = 2, ID_PLAYALL = 3, ID_REPLACE = 4,
    ID_SOUNDS = 5, ID_STOP = 6, ID_UNDO = 7, ID_DIRLIST = 8,
};

// Items of a sound's menu.
enum { IDM_PLAY = 201, IDM_REPLACE = 202, IDM_SAVE = 203, IDM_SAVEALL = 204 };

// Items of the Replace dialog.
enum { IDD_REPLACE = 1, IDD_CANCEL = 2, IDD_ORIGINAL = 101, IDD_NEW = 102, IDD_STATUS = 103 };

// Sent to the main window to take up a request that waited for the sound device.
const UINT WM_PENDING = WM_APP + 1;

// Main window and browser (voxmend.cpp)
extern const char szAppName[];
extern HWND hwndApp, hwndText, hwndList, hwndDir, hwndPlayAll, hwndReplace, hwndStop, hwndUndo, hwndDisplay;
extern HINSTANCE hInstApp;
extern BOOL bValidFile;
extern char szFile[MAX_PATH];      // the open bank's name as listed
extern char szBankPath[MAX_PATH];  // and its full path

HWND StartApp(HINSTANCE hInstance, int iCmdShow);
LRESULT CALLBACK WndProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam);
void ShowMessage(const char* text);
void ShowMessageF(const char* format, ...);
BOOL AskYesNo(const char* text);
BOOL AskYesNoF(const char* format, ...);
BOOL SelectedSound(long* number);
BOOL FileDialog(OPENFILENAMEA* ofn, BOOL save);
void ShowCurrentFolder();
BOOL CopyBounded(char* dst, size_t size, const char* src);
void* AllocBlock(DWORD size);
void FreeBlock(void* block);

// Bank (bank.cpp)
extern RECORD records[MAXRECORDS];
extern DWORD numwavs;
extern char IndexFile[MAX_PATH];

void Loadsfx(const char* path, const char* name);
void DoReplace(HWND hDlg, long l);
// The name voxbank extract gives sound l of the open bank.
std::string SoundFileName(long l);
// Whether the file still holds the header and directory the open bank was loaded with.
BOOL BankUnchanged(vox::Source& file);
void UndoReplace();

// Audio (audio.cpp)
extern WAVEFORMATEX Format;
extern HWAVEOUT hWaveOut;
extern WAVEHDR WaveHdr;
extern LPWAVEHDR lpWaveHdr;
extern LPSTR lpData;
extern DWORD dwdatasize;
extern vox::Sound Replacement;  // the WAVE file chosen to replace a sound, as last loaded
extern BOOL bReplaceLoaded;     // Replacement holds that file
extern BOOL playall;
extern long playallno;

BOOL PlaybackBusy();
BOOL PlayOne(long l);
void PlayAll();
void StopPlayAll();
void WaveDone(HWAVEOUT device, LPWAVEHDR header);
void DeferRequest(int request, long sound);
void TakePendingRequest();
enum { REQUEST_NONE, REQUEST_SOUND, REQUEST_PLAYALL, REQUEST_REPLACE, REQUEST_DROP };
BOOL LoadReplace(BOOL askDevice);
BOOL PlayReplace();

// Replace command (replace.cpp)
extern BOOL bValidReplace;
extern BOOL bRewriting;
extern char pstrReplaceFile[MAX_PATH];
extern HWND hwndOk, hwndNew, hwndOriginal;

extern const char kWaveFilter[53];  // the Open and Save dialogs' file types

void Replace();
void ReplaceByFile(const char* path);
void SetDialogButtons(BOOL enabled);
INT_PTR CALLBACK ReplaceDlgProc(HWND hDlg, UINT iMsg, WPARAM wParam, LPARAM lParam);

// A sound's menu, saving sounds, dropped files (sounds.cpp)
void SoundMenu(LPARAM at);
void SaveSelectedSound();
void SaveAllSounds();
void DropFiles(HDROP drop);
