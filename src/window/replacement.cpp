// Voxmend: the replacement: the chosen file loaded, or converted, and the rewrite behind the
// Replace dialog's REPLACE with its progress in the status line and its failures told.
#include "window/replacement.h"

#include <cstring>
#include <set>

#include "disk/disk.h"
#include "engine/backup.h"
#include "engine/paths.h"
#include "engine/rewrite.h"
#include "window/conversion.h"
#include "window/messages.h"
#include "window/openbank.h"
#include "window/playback.h"
#include "window/soundview.h"
#include "words/wave.h"

BOOL LoadReplace(const char* path, long l, BOOL convert, BOOL askDevice, vox::Sound* sound, std::string* converted)
{
    *sound = vox::Sound();
    converted->clear();
    if (!convert) {
        std::unique_ptr<vox::Source> file = vox::Disk().Open(path);
        if (!file) {
            ShowMessage("Failed to open wave file");
            return FALSE;
        }
        vox::WaveError e = askDevice ? vox::ReadWave(*file, sound, DevicePlays) : vox::ReadWave(*file, sound);
        if (e == vox::WaveError::Ok)
            return TRUE;
        *sound = vox::Sound();
        // Any other container or encoding is converted, where this build can.
        if ((e != vox::WaveError::NotRiff && e != vox::WaveError::NotPcm) || !CanConvert()) {
            ShowMessage(words::WaveErrorText(e));
            return FALSE;
        }
    }
    BOOL ok = ConvertForSound(path, l, "Converting " + vox::NameOf(path), sound, converted);
    ShowInPathLine(Opened().szBankPath.c_str());
    return ok;
}

// ---- Rewrite ---------------------------------------------------------------------------

static std::set<std::string> sOlderBackups;  // banks whose last replace kept no backup

BOOL BackupOlderThanReplace(const std::string& bankPath)
{
    return sOlderBackups.count(bankPath) > 0;
}

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

static void ReportRewriteFailure(const vox::RewriteResult& r)
{
    const char* bank = Opened().szBankPath.c_str();
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
        ShowMessageF("Failed to rename file new.sfx\n\nThe new bank is %s; rename it to %s to use it.", fresh, Opened().szFile.c_str());
        return;
    default:
        ShowMessageF("The bank %s cannot be rewritten safely: %s. It is unchanged.", bank, ProblemText(r.error));
        return;
    }
}

BOOL RewriteOpenBank(const std::vector<vox::Replacement>& replacements, const vox::Progress& progress)
{
    const char* szBankPath = Opened().szBankPath.c_str();
    if (vox::FolderOf(szBankPath).size() + sizeof vox::kNewBankName > PATHBYTES) {
        ShowMessageF("The path of %s is too long to write %s beside it. The bank is unchanged.", szBankPath, vox::kNewBankName);
        return FALSE;
    }
    vox::RewriteResult result = vox::Rewrite(vox::Disk(), szBankPath, Opened().bank, replacements, vox::Backup::Keep,
                                             vox::kPieceSize, progress);
    if (result.error != vox::BankError::Ok) {
        ReportRewriteFailure(result);
        return FALSE;
    }
    CorrectDirectory(result.bank);
    if (result.backupKept) {
        sOlderBackups.erase(szBankPath);
        return TRUE;
    }
    sOlderBackups.insert(szBankPath);
    ShowMessageF("The new bank is in place, but the old one could not be kept as %s, so Undo cannot put it back.",
                 vox::BackupPathFor(szBankPath).c_str());
    return TRUE;
}

static void RewriteBank(HWND hDlg, long l, const vox::Sound& with)
{
    StatusLine status;
    status.hDlg = hDlg;
    RewriteOpenBank({{(size_t)l, &with}}, [&status](vox::Step step, uint64_t, uint64_t) { status.Report(step); });
    status.Finish();
}

void DoReplace(HWND hDlg, long l, const char* path, BOOL convert, BOOL match)
{
    vox::Sound with;
    std::string converted;
    if (!AskYesNo("Are you sure you want to replace the sound ?")) {
        ShowMessage("Hit Cancel !");
    } else if (!Opened().bValidFile) {
        ShowMessage("No sfx file open");
    } else if (l < 0 || (DWORD)l >= Opened().numwavs()) {
        ShowMessage("No sound selected");
    } else if (PlaybackBusy()) {
        ShowMessage("A sound is still playing. Wait for it to end and replace the sound again; the bank is unchanged.");
    } else if (LoadReplace(path, l, convert, FALSE, &with, &converted)) {  // writing needs no sound device, only a sound the bank can hold
        if (match)
            MatchToStored(l, &with);
        RewriteBank(hDlg, l, with);
    }
}
