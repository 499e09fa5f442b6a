// Voxmend: the open bank: loading a bank and its index file into the sound list. The engine
// reads; this file turns its answers into the window's messages.
#include "window/openbank.h"

#include <cstdio>
#include <cstring>

#include "disk/disk.h"
#include "engine/export.h"
#include "window/messages.h"

enum { MAXSOUNDS = vox::kMaxSounds };  // sounds of a bank the program works with

static OpenBank sfx;

const OpenBank& Opened()
{
    return sfx;
}

static void FillSoundList(const vox::IndexNames& index)
{
    char line[LINEBYTES];
    SendMessageA(hwndDisplay, WM_SETREDRAW, FALSE, 0);
    SendMessageA(hwndDisplay, LB_RESETCONTENT, 0, 0);
    for (DWORD i = 0; i < sfx.numwavs(); i++) {
        snprintf(line, sizeof line, "%3i. %s", (int)i, index.names[i].c_str());
        SendMessageA(hwndDisplay, LB_INSERTSTRING, i, (LPARAM)line);
    }
    SendMessageA(hwndDisplay, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwndDisplay, NULL, TRUE);
}

// No bank is open: nothing of the one that was stays listed.
static void Forget()
{
    sfx = OpenBank();
    SendMessageA(hwndDisplay, LB_RESETCONTENT, 0, 0);
}

void Loadsfx(const char* path, const char* name)
{
    // the path line names this bank already, also while its messages are up
    SendMessageA(hwndDisplay, LB_RESETCONTENT, 0, 0);
    vox::NamedBank opened;
    vox::BankError read = vox::OpenBankWithIndex(vox::Disk(), path, &opened);
    opened.file.reset();  // on Windows an open handle would keep a rewrite from taking the name
    if (read != vox::BankError::Ok) {
        Forget();
        if (read == vox::BankError::Short)
            ShowMessageF("%s is shorter than its directory says; it may be damaged and was not opened.", name);
        else  // in use by another program, not ours to read, or gone since it was listed
            ShowMessageF("Unable to read %s; it was not opened.", name);
        return;
    }
    ShowMessageF("%ld sounds in file", (long)opened.bank.storedCount);
    if (opened.bank.storedCount > MAXSOUNDS)
        ShowMessage("Too many sounds in file, loading first 325");

    // Without the index file beside it the bank is closed, so that nothing acts on a
    // directory that is not the one listed.
    if (!opened.hasIndex) {
        Forget();
        ShowMessageF("Unable to open Index File: %s", vox::IndexFileName(name).c_str());
        return;
    }
    sfx.index = std::move(opened.index);
    sfx.szBankPath = path;
    sfx.szFile = name;
    sfx.bank = std::move(opened.bank);
    sfx.bValidFile = TRUE;
    FillSoundList(sfx.index);
}

void CloseBank()
{
    Forget();
}

void CorrectDirectory(const vox::Bank& rewritten)
{
    const std::vector<vox::Entry>& entries = rewritten.entries;
    sfx.bank.entries.assign(entries.begin(), entries.begin() + sfx.bank.entries.size());
    // A sound is only read where it lies within the file: the size must follow the directory.
    sfx.bank.fileSize = rewritten.fileSize;
}

std::string SoundFileName(long l)
{
    const std::vector<std::string>& names = sfx.index.names;
    return vox::ExtractedName((size_t)l, (size_t)l < names.size() ? &names[(size_t)l] : nullptr);
}

BOOL BankUnchanged(vox::Source& file)
{
    vox::Bank now;
    return vox::ReadBank(file, &now) == vox::BankError::Ok && vox::SameDirectory(now, sfx.bank);
}
