// Voxmend: the Replace command and the Replace dialog.
#pragma once

#include "window/window.h"

extern HWND hwndOk, hwndNew, hwndOriginal;

void Replace();
void ReplaceByFile(const char* path);
void SetDialogButtons(BOOL enabled);
INT_PTR CALLBACK ReplaceDlgProc(HWND hDlg, UINT iMsg, WPARAM wParam, LPARAM lParam);
