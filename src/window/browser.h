// Voxmend: the drive, folder and bank browser of the main window.
#pragma once

#include "window/window.h"

BOOL CurrentDir(char* out, size_t size);
void ListDirectory();
void ShowCurrentFolder();
// What a double-click on an entry of the bank list or the folder list does.
void OpenBankEntry(char* szBuffer, size_t size);
void ChangeDirEntry(char* szBuffer, size_t size);
