// Voxmend: the Replace command and the Replace dialog, which hold the replacement chosen.
#pragma once

#include "window/window.h"

// The Replace dialog is open for a file chosen.
BOOL ReplaceOpen();
// Its REPLACE is rewriting the bank.
BOOL Rewriting();
void Replace();
// The same, any file (a PCM WAVE file too) converted to the format the sound is stored in.
void ReplaceAndConvert();
// The selected sound is replaced by the file at path, as if it had been chosen in the Open dialog.
void ReplaceByFile(const char* path);
// The same with the file last chosen or dropped, for a request that waited for the device.
void ReplaceByChosenFile();
void SetDialogButtons(BOOL enabled);
INT_PTR CALLBACK ReplaceDlgProc(HWND hDlg, UINT iMsg, WPARAM wParam, LPARAM lParam);
