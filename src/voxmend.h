// Voxmend: state and functions shared by the program's modules.
#pragma once

#include <windows.h>
#include <mmsystem.h>
#include <cstdint>

// One directory entry of a bank, the same on disk and in memory.
#pragma pack(push, 1)
struct RECORD {
    int32_t length;   // sample bytes
    int32_t offset;   // absolute file offset of the first sample byte
    uint16_t format;  // wave format tag
    uint16_t monost;  // channels
    int32_t sps;      // samples per second
    int32_t abps;     // average bytes per second
    uint16_t blocka;  // block align
    uint16_t bitps;   // bits per sample
    int32_t unk;      // extra format size; low 16 bits are used
};
#pragma pack(pop)
static_assert(sizeof(RECORD) == 28, "RECORD must match the bank's 28-byte entry");

enum {
    BANKHEADER = 16,        // bytes before the directory
    MAXSOUNDS = 325,        // sounds of a bank the program works with
    MAXRECORDS = 500,       // room in records
    BANKREADSIZE = 9200,    // bytes of a bank read when loading
    WORKBUFSIZE = 1000000,  // the rewrite's work buffer
    NAMELEN = 100,          // characters of a sound name
};

const UINT LREAD_ERROR = (UINT)HFILE_ERROR;  // what _lread and _lwrite return on failure

// Control ids of the main window.
enum {
    ID_BANKLIST = 1, ID_PATH = 2, ID_PLAYALL = 3, ID_REPLACE = 4,
    ID_SOUNDS = 5, ID_STOP = 6, ID_UNDO = 7, ID_DIRLIST = 8,
};

// Items of the Replace dialog.
enum { IDD_REPLACE = 1, IDD_CANCEL = 2, IDD_ORIGINAL = 101, IDD_NEW = 102, IDD_STATUS = 103 };

// Main window and browser (voxmend.cpp)
extern const char szAppName[];
extern HWND hwndApp, hwndText, hwndList, hwndDir, hwndPlayAll, hwndReplace, hwndStop, hwndUndo, hwndDisplay;
extern HINSTANCE hInstApp;
extern BOOL bValidFile;
extern char szFile[MAX_PATH];
extern char szBankPath[MAX_PATH];  // full path of the open bank

HWND StartApp(HINSTANCE hInstance, int iCmdShow);
LRESULT CALLBACK WndProc(HWND hwnd, UINT iMsg, WPARAM wParam, LPARAM lParam);
void ShowMessage(const char* text);
void ShowMessageF(const char* format, ...);
BOOL SelectedSound(long* number);
BOOL PathBesideBank(const char* name, char* out, size_t size);
void* AllocBlock(DWORD size);
void FreeBlock(void* block);

// Bank (bank.cpp)
extern RECORD records[MAXRECORDS];
extern DWORD numwavs;
extern char IndexFile[MAX_PATH + 4];

void Loadsfx();
int ReadLine(char* line, HFILE fh);
void DoReplace(HWND hDlg, long l);

// Audio (audio.cpp)
extern WAVEFORMATEX Format;
extern HWAVEOUT hWaveOut;
extern WAVEHDR WaveHdr;
extern LPWAVEHDR lpWaveHdr;
extern LPSTR lpData;
extern DWORD dwdatasize;
extern DWORD dwFmtSize;       // declared size of the last loaded "fmt " chunk
extern BOOL bReplaceLoaded;   // lpData holds the replacement just loaded
extern BOOL playall;
extern long playallno;

BOOL PlaybackBusy();
void PlayOne(long l);
void PlayAll();
void StopPlayAll();
void WaveDone(HWAVEOUT device, LPWAVEHDR header);
void ReleaseData();
void LoadReplace();
void PlayReplace();

// Replace command (replace.cpp)
extern BOOL bValidReplace;
extern BOOL bRewriting;
extern char pstrReplaceFile[MAX_PATH];
extern HWND hwndOk, hwndNew, hwndOriginal;

void Replace();
INT_PTR CALLBACK ReplaceDlgProc(HWND hDlg, UINT iMsg, WPARAM wParam, LPARAM lParam);
