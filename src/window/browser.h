// Voxmend: the drive, folder and bank browser of the main window.
#pragma once

#include <string>

#include "window/window.h"

// The current folder's full path; "" when it cannot be had.
std::string CurrentDir();
void ListDirectory();
void ShowCurrentFolder();
// What a double-click on an entry of the bank list or the folder list does.
void OpenBankEntry(char* szBuffer, size_t size);
void ChangeDirEntry(char* szBuffer, size_t size);
// The bank named at the program's start: its folder becomes current and listed, and the bank
// opens as a double-click there opens it. A bank that does not open says why, as there, and
// leaves the program as it starts without one.
void OpenBankAtStart(const char* path);
