// Voxmend: a bank loaded into the sound list, the rewrite behind the Replace dialog, and Undo.
#pragma once

#include "window/window.h"

void Loadsfx(const char* path, const char* name);
void DoReplace(HWND hDlg, long l);
// The name voxbank extract gives sound l of the open bank.
std::string SoundFileName(long l);
// Whether the file still holds the header and directory the open bank was loaded with.
BOOL BankUnchanged(vox::Source& file);
void UndoReplace();
