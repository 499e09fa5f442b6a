// Voxmend: loading a bank and its index file into the sound list, the rewrite behind the
// Replace dialog, and Undo. The engine reads and writes; this file turns its answers into the
// window's messages and status texts.
#include "window/openbank.h"

#include <cstdio>
#include <cstring>

#include "disk/disk.h"
#include "engine/backup.h"
#include "engine/export.h"
#include "engine/rewrite.h"
#include "window/playback.h"

static uint8_t sHeader[vox::kHeaderSize];  // the open bank's header, as loaded
static uint32_t sStoredCount;              // and the count it stores
static std::vector<std::string> sNames;    // and its sounds' names

// ---- Loading ---------------------------------------------------------------------------

static void FillSoundList(const vox::IndexNames& index)
{
    char line[NAMELEN + 16];
    SendMessageA(hwndDisplay, WM_SETREDRAW, FALSE, 0);
    SendMessageA(hwndDisplay, LB_RESETCONTENT, 0, 0);
    for (DWORD i = 0; i < numwavs; i++) {
        snprintf(line, sizeof line, "%3i. %s", (int)i, index.names[i].c_str());
        SendMessageA(hwndDisplay, LB_INSERTSTRING, i, (LPARAM)line);
    }
    SendMessageA(hwndDisplay, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwndDisplay, NULL, TRUE);
}

// The bank at path takes the place of the open one: its path, name and directory together,
// so a sound is never taken from one bank's directory and read from another's file.
static void TakeBank(const char* path, const char* name, const vox::Bank& bank, const vox::IndexNames& index)
{
    sNames = index.names;
    CopyBounded(szBankPath, sizeof szBankPath, path);
    CopyBounded(szFile, sizeof szFile, name);
    memcpy(sHeader, bank.header, sizeof sHeader);
    sStoredCount = bank.storedCount;
    numwavs = (DWORD)bank.entries.size();
    for (DWORD i = 0; i < numwavs; i++)
        records[i] = bank.entries[i];
    bValidFile = 1;
}

void Loadsfx(const char* path, const char* name)
{
    std::unique_ptr<vox::Source> file = vox::Disk().Open(path);
    if (!file) {
        bValidFile = 0;
        return;
    }
    vox::Bank bank;
    vox::BankError read = vox::ReadBank(*file, &bank);
    file.reset();
    if (read != vox::BankError::Ok) {
        ShowMessageF("%s is shorter than its directory says; it may be damaged and was not opened.", name);
        bValidFile = 0;
        return;
    }
    ShowMessageF("%ld sounds in file", (long)bank.storedCount);
    if (bank.storedCount > MAXSOUNDS)
        ShowMessage("Too many sounds in file, loading first 325");

    // Without the index file beside it the bank is closed, so that nothing acts on a
    // directory that is not the one listed.
    CopyBounded(IndexFile, sizeof IndexFile, vox::IndexFileName(name).c_str());
    std::unique_ptr<vox::Source> index = vox::Disk().Open(vox::IndexPathFor(path));
    if (!index) {
        ShowMessageF("Unable to open Index File: %s", IndexFile);
        bValidFile = 0;
        return;
    }
    vox::IndexNames names = vox::ReadIndexNames(*index, bank.entries.size());
    TakeBank(path, name, bank, names);
    FillSoundList(names);
}

// ---- Rewrite ---------------------------------------------------------------------------

// The status line of the Replace dialog. Dots are added per piece, but repainting is a round
// trip to the window system each time, so it is done at most at the screen's pace and always
// when a step ends.
struct StatusLine {
    HWND hDlg = NULL;
    char text[100] = "";
    size_t prefix = 0;
    vox::Step step = vox::Step::Header;
    BOOL painted = TRUE;
    DWORD paintedAt = 0;

    void Paint()
    {
        SetDlgItemTextA(hDlg, IDC_STATUS, text);
        UpdateWindow(hDlg);
        painted = TRUE;
        paintedAt = GetTickCount();
    }
    void Show(const char* s)
    {
        CopyBounded(text, sizeof text, s);
        Paint();
    }
    // One more dot; once the text would pass 99 characters the dots start again.
    void AddDot(vox::Step now, const char* start)
    {
        if (now != step || prefix == 0) {
            CopyBounded(text, sizeof text, start);
            prefix = strlen(text);
        }
        size_t n = strlen(text);
        if (n + 2 > sizeof text)
            n = prefix;
        text[n] = '.';
        text[n + 1] = 0;
        painted = FALSE;
        if (GetTickCount() - paintedAt >= 30)
            Paint();
    }
    void Report(vox::Step now)
    {
        if (now != step && !painted)
            Paint();  // the last dots of the step that ended
        if (now == vox::Step::Header)
            Show("Correcting and saving header.");
        else if (now == vox::Step::NewData)
            Show("Saving new data.");
        else
            AddDot(now, now == vox::Step::Prior ? "Saving prior data" : "Saving post data");
        step = now;
    }
    void Finish()
    {
        if (!painted)
            Paint();
    }
};

// Why a bank cannot be worked on, in the words of the rewrite's and the undo's messages.
static const char* ProblemText(vox::BankError e)
{
    switch (e) {
    case vox::BankError::Open: return "it cannot be opened";
    case vox::BankError::Read: return "it cannot be read";
    case vox::BankError::Short: return "it is shorter than its directory says";
    case vox::BankError::CountDiffers: return "its header does not count the sounds that were loaded";
    case vox::BankError::NotBackToBack: return "its sounds do not lie back to back right behind the directory";
    case vox::BankError::EndsEarly: return "the file ends before its last sound";
    case vox::BankError::TooLarge: return "the new bank would be too large";
    default: return "the new sound cannot be stored in it";
    }
}

static void ReportInTheWay(const std::string& fresh)
{
    ShowMessageF("%s is in the way. Move or rename it and try again; the bank is unchanged.", fresh.c_str());
}

static void ReportRewriteFailure(const vox::RewriteResult& r)
{
    const char* bank = szBankPath;
    const char* fresh = r.newPath.c_str();
    switch (r.error) {
    case vox::BankError::Ok:
        return;
    case vox::BankError::InTheWay:
        ReportInTheWay(r.newPath);
        return;
    case vox::BankError::Open:
        ShowMessageF("Unable to open the bank %s. It is unchanged.", bank);
        return;
    case vox::BankError::ChangedOnDisk:
        ShowMessageF("The bank %s has changed since it was opened. Open it again and then replace the sound; the bank is unchanged.", bank);
        return;
    case vox::BankError::NoMemory:
        ShowMessage("Not enough memory available");
        return;
    case vox::BankError::Create:
        ShowMessageF("Unable to create %s. The bank %s is unchanged.", fresh, bank);
        return;
    case vox::BankError::Short:
        ShowMessageF("The bank %s ends before its directory says it should. It is unchanged.", bank);
        return;
    case vox::BankError::Write:
    case vox::BankError::Flush:
        ShowMessageF("Unable to write %s (the disk may be full). The bank %s is unchanged.", fresh, bank);
        return;
    case vox::BankError::DeleteRefused:
        ShowMessageF("Unable to delete the old bank %s.\nThe new bank has been saved as %s.", bank, fresh);
        ShowMessageF("Failed to rename file new.sfx\n\nThe new bank is %s; the old bank %s is unchanged.", fresh, bank);
        return;
    case vox::BankError::RenameFailed:
        ShowMessageF("Failed to rename file new.sfx\n\nThe new bank is %s; rename it to %s to use it.", fresh, szFile);
        return;
    default:
        ShowMessageF("The bank %s cannot be rewritten safely: %s. It is unchanged.", bank, ProblemText(r.error));
        return;
    }
}

std::string SoundFileName(long l)
{
    return vox::ExtractedName((size_t)l, (size_t)l < sNames.size() ? &sNames[(size_t)l] : nullptr);
}

// The open bank as it was loaded, for the rewrite to compare with the file.
static vox::Bank LoadedBank()
{
    vox::Bank bank;
    memcpy(bank.header, sHeader, sizeof sHeader);
    bank.storedCount = sStoredCount;
    bank.entries.assign(records, records + numwavs);
    return bank;
}

BOOL BankUnchanged(vox::Source& file)
{
    vox::Bank now;
    return vox::ReadBank(file, &now) == vox::BankError::Ok && vox::SameDirectory(now, LoadedBank());
}

static void RewriteBank(HWND hDlg, long l)
{
    if (vox::FolderOf(szBankPath).size() + sizeof vox::kNewBankName > MAX_PATH) {
        ShowMessageF("The path of %s is too long to write %s beside it. The bank is unchanged.", szBankPath, vox::kNewBankName);
        return;
    }
    StatusLine status;
    status.hDlg = hDlg;
    vox::Progress progress = [&status](vox::Step step, uint64_t, uint64_t) { status.Report(step); };
    vox::RewriteResult result = vox::Rewrite(vox::Disk(), szBankPath, LoadedBank(), {{(size_t)l, &Replacement}},
                                             vox::Backup::Keep, WORKBUFSIZE, progress);
    status.Finish();
    if (result.error != vox::BankError::Ok) {
        ReportRewriteFailure(result);
        return;
    }
    for (DWORD i = 0; i < numwavs; i++)
        records[i] = result.bank.entries[i];
    if (!result.backupKept)
        ShowMessageF("The new bank is in place, but the old one could not be kept as %s, so Undo cannot put it back.",
                     vox::BackupPathFor(szBankPath).c_str());
}

void DoReplace(HWND hDlg, long l)
{
    bRewriting = TRUE;  // the dialog takes no commands until the rewrite is over
    if (!AskYesNo("Are you sure you want to replace the sound ?")) {
        ShowMessage("Hit Cancel !");
    } else if (!bValidFile) {
        ShowMessage("No sfx file open");
    } else if (l < 0 || (DWORD)l >= numwavs) {
        ShowMessage("No sound selected");
    } else if (hWaveOut) {
        ShowMessage("A sound is still playing. Wait for it to end and replace the sound again; the bank is unchanged.");
    } else if (LoadReplace(FALSE)) {  // writing needs no sound device, only a sound the bank can hold
        RewriteBank(hDlg, l);
    }
    bRewriting = FALSE;
}

// ---- Undo ------------------------------------------------------------------------------

static void ReportUndoFailure(const vox::BackupCheck& r)
{
    const char* backup = r.backupPath.c_str();
    switch (r.error) {
    case vox::BankError::BadBackup:
        ShowMessageF("The backup %s cannot be put back: %s. The bank and its backup are as they were.", backup,
                     r.problem == vox::BankError::CountDiffers ? "its header counts more than 325 sounds" : ProblemText(r.problem));
        return;
    case vox::BankError::InTheWay:
        ReportInTheWay(vox::FolderOf(szBankPath) + vox::kNewBankName);
        return;
    case vox::BankError::Open:
        ShowMessageF("The bank %s is not there any more; nothing was changed.", szBankPath);
        return;
    default:
        ShowMessageF("Unable to put back %s in the place of %s: the file system refused. Both files are as they were.",
                     backup, szBankPath);
        return;
    }
}

// The open bank and its backup change places, and the bank is opened again as a double-click
// opens it; a second Undo redoes.
void UndoReplace()
{
    if (!bValidFile || !vox::Disk().Exists(vox::BackupPathFor(szBankPath))) {
        ShowMessage("Sorry, UNDO not functional");
        return;
    }
    if (PlaybackBusy() || playall) {
        ShowMessage("A sound is still playing. Wait for it to end and press Undo again; nothing was changed.");
        return;
    }
    vox::BackupCheck check = vox::CheckBackup(vox::Disk(), szBankPath);
    if (check.error != vox::BankError::Ok) {
        ReportUndoFailure(check);
        return;
    }
    if (!AskYesNoF("Put back %s as it was before the last replace? The bank as it is now is kept as %s.", szFile,
                   vox::NameOf(check.backupPath).c_str()))
        return;
    vox::BackupCheck undone = vox::Undo(vox::Disk(), szBankPath);
    if (undone.error != vox::BankError::Ok) {
        ReportUndoFailure(undone);
        return;
    }
    char path[MAX_PATH], name[MAX_PATH];
    CopyBounded(path, sizeof path, szBankPath);
    CopyBounded(name, sizeof name, szFile);
    SetWindowTextA(hwndText, path);
    Loadsfx(path, name);
}
