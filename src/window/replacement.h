// Voxmend: the replacement: loading the chosen file, and the rewrite that puts it in the open
// bank.
#pragma once

#include <string>
#include <vector>

#include "engine/rewrite.h"
#include "engine/wave.h"
#include "window/window.h"

// Loads the file at path afresh into sound, as the replacement of sound l of the open bank: a
// PCM WAVE file as it is (askDevice also has the sound device say it can play the format), any
// other audio file converted to the sound's stored format, and with convert any file at all.
// converted then tells what became what, and is empty otherwise. FALSE, after its message,
// when the file cannot be used.
BOOL LoadReplace(const char* path, long l, BOOL convert, BOOL askDevice, vox::Sound* sound, std::string* converted);
// Asks, loads the file at path again (its loudness matched to sound l's with match) and
// rewrites the open bank with it as sound l, the Replace dialog hDlg showing the progress.
void DoReplace(HWND hDlg, long l, const char* path, BOOL convert = FALSE, BOOL match = FALSE);
// Rewrites the open bank with these replacements, keeping the backup, and tells what failed;
// the open bank's directory follows. FALSE when the bank was left as it was.
BOOL RewriteOpenBank(const std::vector<vox::Replacement>& replacements, const vox::Progress& progress);
// Whether the last replace of the bank at bankPath could not keep the bank before it as the
// backup, so that the backup beside it is an older one.
BOOL BackupOlderThanReplace(const std::string& bankPath);
