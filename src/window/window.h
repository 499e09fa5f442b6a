// Voxmend: what every part of the window program shares: its limits and control ids, the main
// window's controls, the open bank as the window shows it, and the messages, questions and
// dialogs of the program.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <cstdint>
#include <string>

#include "engine/bank.h"
#include "engine/wave.h"
#include "window/resource.h"

// One directory entry of a bank, as the engine reads it.
typedef vox::Entry RECORD;

enum {
    MAXSOUNDS = vox::kMaxSounds,  // sounds of a bank the program works with
    MAXRECORDS = 500,             // room in records
    WORKBUFSIZE = 1000000,        // the rewrite's work buffer
    NAMELEN = vox::kNameLength,   // characters of a sound name
};

// Sent to the main window to take up a request that waited for the sound device.
const UINT WM_PENDING = WM_APP + 1;

// Requests that wait for the sound device.
enum { REQUEST_NONE, REQUEST_SOUND, REQUEST_PLAYALL, REQUEST_REPLACE, REQUEST_DROP };

// The main window and its controls.
extern const char szAppName[];
extern HWND hwndApp, hwndText, hwndList, hwndDir, hwndPlayAll, hwndReplace, hwndStop, hwndUndo, hwndDisplay;
extern HINSTANCE hInstApp;

// The open bank: loaded by Loadsfx, read by playback and the rewrite.
extern BOOL bValidFile;
extern char szFile[MAX_PATH];      // its name as listed
extern char szBankPath[MAX_PATH];  // and its full path
extern RECORD records[MAXRECORDS];
extern DWORD numwavs;
extern char IndexFile[MAX_PATH];

// The replacement: the Replace dialog is open (bValidReplace) for the WAVE file chosen, and
// its rewrite runs (bRewriting).
extern BOOL bValidReplace;
extern BOOL bRewriting;
extern char pstrReplaceFile[MAX_PATH];

void ShowMessage(const char* text);
void ShowMessageF(const char* format, ...);
BOOL AskYesNo(const char* text);
BOOL AskYesNoF(const char* format, ...);
BOOL WaveFileDialog(char* path, DWORD size, DWORD flags, BOOL save);
BOOL CopyBounded(char* dst, size_t size, const char* src);
void* AllocBlock(DWORD size);
void FreeBlock(void* block);
BOOL SelectedEntry(HWND list, char* szBuffer, size_t size);
BOOL SelectedSound(long* number);
// Play All and Replace, which wait while a sound plays.
void EnableMainButtons(BOOL enabled);
