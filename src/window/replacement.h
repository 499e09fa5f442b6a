// Voxmend: the replacement: loading the chosen WAVE file, and the rewrite that puts it in the
// open bank.
#pragma once

#include <string>

#include "engine/wave.h"
#include "window/window.h"

// Loads the WAVE file at path afresh into sound; askDevice also has the sound device say it
// can play the format. FALSE, after its message, when the file cannot be used.
BOOL LoadReplace(const char* path, BOOL askDevice, vox::Sound* sound);
// Asks, loads the file at path again and rewrites the open bank with it as sound l, the
// Replace dialog hDlg showing the progress.
void DoReplace(HWND hDlg, long l, const char* path);
// Whether the last replace of the bank at bankPath could not keep the bank before it as the
// backup, so that the backup beside it is an older one.
BOOL BackupOlderThanReplace(const std::string& bankPath);
