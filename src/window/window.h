// Voxmend: the main window: its controls, made once at its creation, and what the other parts
// ask of them.
#pragma once

#include <windows.h>
#include <commdlg.h>
#include <mmsystem.h>
#include <shellapi.h>
#include <cstddef>
#include <cstdint>
#include <string>

#include "engine/bank.h"
#include "window/resource.h"

enum { NAMELEN = vox::kNameLength };  // characters of a sound name
// A line of the sound list: a name's UTF-8 behind its number.
enum { LINEBYTES = vox::kNameBytes + 16 };
// An entry of the bank or folder list: a file name of Windows' longest (255 characters) in
// UTF-8, in brackets.
enum { ENTRYBYTES = 3 * MAX_PATH };
// A path of Windows' longest (32,767 characters) in UTF-8.
enum { PATHBYTES = 3 * 32767 + 1 };

// The main window and its controls, written only by CreateMainWindow.
extern const char szAppName[];
extern HWND hwndApp, hwndText, hwndList, hwndDir, hwndPlayAll, hwndReplace, hwndStop, hwndUndo, hwndDisplay;
extern HINSTANCE hInstApp;

// Makes the controls of the main window hwnd, the path line showing path.
void CreateMainWindow(HWND hwnd, const char* path);
// Play All and Replace, which wait while a sound plays.
void EnableMainButtons(BOOL enabled);
// Copies the selected entry of a list into szBuffer; FALSE when none is selected.
BOOL SelectedEntry(HWND list, char* szBuffer, size_t size);
// Reads the number at the start of the sound list's selected line.
BOOL SelectedSound(long* number);
// The common Open or Save dialog for a WAVE file, owned by the main window. moreFilters, pairs
// of description and pattern, come between the WAVE files' and all files'; filterIndex, from
// 1, is the one shown first (0: the first).
BOOL WaveFileDialog(char* path, DWORD size, DWORD flags, BOOL save, const std::string& moreFilters = "",
                    DWORD filterIndex = 0);
// The same for any kind of file: filters (pairs of description and pattern) come before all
// files', defExt is added to a name typed without one.
BOOL FileDialog(char* path, DWORD size, DWORD flags, BOOL save, const std::string& filters, const char* defExt,
                DWORD filterIndex = 0);
// Work under way, told in the path line at once.
void ShowInPathLine(const char* text);
// Work under way with the part of it done, told in the path line at most at the screen's pace:
// "doing..." while the whole is not known, then "doing: 42%".
struct PathLineProgress {
    std::string doing;
    DWORD paintedAt = 0;
    int shown = -1;

    void Show(uint64_t done, uint64_t total);
};
// Copies src into a buffer of size bytes; FALSE (and dst untouched) when it does not fit.
BOOL CopyBounded(char* dst, size_t size, const char* src);
