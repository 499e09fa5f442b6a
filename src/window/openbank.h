// Voxmend: the open bank: its path, name, directory and sound names, loaded into the sound list.
#pragma once

#include <string>

#include "engine/bank.h"
#include "window/window.h"

// One bank at a time, the shape voxbank's banks have too. Its path, name and directory are
// taken together, so a sound is never taken from one bank's directory and read from another's
// file.
struct OpenBank {
    BOOL bValidFile = FALSE;  // a bank is open
    std::string szBankPath;   // its full path
    std::string szFile;       // its name as listed
    vox::Bank bank;           // header and directory as loaded; a rewrite corrects the directory
    vox::IndexNames index;    // a name for every sound

    DWORD numwavs() const { return (DWORD)bank.entries.size(); }
    const vox::Entry& records(long l) const { return bank.entries[(size_t)l]; }
};
const OpenBank& Opened();

void Loadsfx(const char* path, const char* name);
// The browser found no bank under the name double-clicked: none is open any more.
void CloseBank();
// The directory and size the open bank has after a rewrite.
void CorrectDirectory(const vox::Bank& rewritten);
// The name voxbank extract gives sound l of the open bank.
std::string SoundFileName(long l);
// Whether the file still holds the header and directory the open bank was loaded with.
BOOL BankUnchanged(vox::Source& file);
