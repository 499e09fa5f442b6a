// Voxmend: loading a bank and its index file, and rewriting a bank with one sound replaced.
#include "voxmend.h"

#include <cstdio>
#include <cstring>

RECORD records[MAXRECORDS];
DWORD numwavs;
char IndexFile[MAX_PATH + 4];  // room for any bank name with "txt" written after a final '.'

static DWORD sReadBuffer[BANKREADSIZE];
static const char szUnnamed[] = "(unnamed)";
static const char szNewBank[] = "new.sfx";

static_assert(sizeof IndexFile >= sizeof szFile + 3, "the index name is formed in place from the bank name");

static RECORD ReadRecord(const void* entry)
{
    RECORD r;
    memcpy(&r, entry, sizeof r);
    return r;
}

// name.sfx gives name.txt; a name with several dots keeps what stands before the first.
static void FormIndexName(const char* bank)
{
    strcpy(IndexFile, bank);
    for (size_t p = strlen(IndexFile); p-- > 0;)
        if (IndexFile[p] == '.')
            memcpy(IndexFile + p + 1, "txt", 4);
}

// A read error ends the line just as the end of the file does.
static BOOL ReadByte(HFILE fh, char* c)
{
    return _lread(fh, c, 1) == 1;
}

int ReadLine(char* line, HFILE fh)
{
    int nb = 0;
    BOOL ok = TRUE;
    BOOL got;
    do {
        char c;
        got = ReadByte(fh, &c);
        if (!got) {
            ok = FALSE;
        } else if (c == '\r') {
            // CR LF ends the line; a lone CR is dropped together with the byte after it
            got = ReadByte(fh, &c);
            if (!got || c == '\n')
                ok = FALSE;
        } else if (c == '\n') {
            ok = FALSE;
        } else if (nb == NAMELEN) {
            ok = FALSE;  // an overlong line loses this character; the rest is the next name
        } else {
            line[nb++] = c;
        }
    } while (ok);
    if (!got && nb == 0)
        return 0;
    line[nb] = 0;
    return 1;
}

static void FillSoundList(HFILE index)
{
    char indexline[NAMELEN + 1];
    char line[NAMELEN + 16];
    strcpy(indexline, szUnnamed);  // shown until the index file yields a line
    SendMessageA(hwndDisplay, WM_SETREDRAW, FALSE, 0);
    SendMessageA(hwndDisplay, LB_RESETCONTENT, 0, 0);
    for (DWORD i = 0; i < numwavs; i++) {
        ReadLine(indexline, index);  // a missing line repeats the last name read
        snprintf(line, sizeof line, "%3i. %s", (int)i, indexline);
        records[i] = ReadRecord(&sReadBuffer[4 + 7 * i]);
        SendMessageA(hwndDisplay, LB_INSERTSTRING, i, (LPARAM)line);
    }
    SendMessageA(hwndDisplay, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwndDisplay, NULL, TRUE);
}

void Loadsfx()
{
    if (!bValidFile) {
        bValidFile = 0;
        return;
    }
    HFILE fh = _lopen(szBankPath, OF_READ);
    if (fh == HFILE_ERROR) {
        bValidFile = 0;
        return;
    }
    memset(sReadBuffer, 0, sizeof sReadBuffer);
    UINT got = _lread(fh, sReadBuffer, BANKREADSIZE);
    _lclose(fh);
    if (got == LREAD_ERROR)
        got = 0;

    DWORD count = sReadBuffer[0];
    ShowMessageF("%ld sounds in file", (long)count);
    if (count > MAXSOUNDS) {
        ShowMessage("Too many sounds in file, loading first 325");
        count = MAXSOUNDS;
    }
    if (got < BANKHEADER + sizeof(RECORD) * count) {
        ShowMessageF("%s is shorter than its directory says; it may be damaged and was not opened.", szFile);
        bValidFile = 0;
        return;
    }

    // The index file is the one beside the bank. Without it the bank is closed, so that
    // nothing acts on the directory still listed from an earlier bank.
    FormIndexName(szFile);
    char path[MAX_PATH];
    HFILE index = PathBesideBank(IndexFile, path, sizeof path) ? _lopen(path, OF_READ) : HFILE_ERROR;
    if (index == HFILE_ERROR) {
        ShowMessageF("Unable to open Index File: %s", IndexFile);
        bValidFile = 0;
        return;
    }
    numwavs = count;
    FillSoundList(index);
    _lclose(index);
}

// ---- Rewrite -------------------------------------------------------------------------

enum CopyResult { COPY_OK, COPY_SHORT, COPY_WRITE, COPY_CREATE };

struct Rewrite {
    HWND hDlg;
    long l;
    HFILE oldsfx;
    HFILE newsfx;
    BYTE* lpbuffer;
    char newPath[MAX_PATH];
    RECORD newrecs[MAXSOUNDS];  // the corrected directory, taken over once the bank is replaced
};

static HANDLE FileHandle(HFILE f)
{
    return (HANDLE)(INT_PTR)f;
}

static void SetStatus(HWND hDlg, const char* text)
{
    SetDlgItemTextA(hDlg, IDD_STATUS, text);
    UpdateWindow(hDlg);
}

// One more dot per piece; once the text would pass 99 characters the dots start again.
static void AddProgressDot(HWND hDlg, char* buffer, size_t size, size_t prefix)
{
    size_t n = strlen(buffer);
    if (n + 2 > size)
        n = prefix;
    buffer[n] = '.';
    buffer[n + 1] = 0;
    SetStatus(hDlg, buffer);
}

static BOOL WriteAll(HFILE f, const void* data, UINT n)
{
    return n == 0 || _lwrite(f, (LPCCH)data, n) == n;
}

// Why this bank cannot be rewritten faithfully, or NULL when it can.
static const char* LayoutProblem(const Rewrite& rw, DWORD headerCount, int64_t fileSize)
{
    if (headerCount != numwavs)
        return "its header does not count the sounds that were loaded";
    int64_t expect = BANKHEADER + (int64_t)sizeof(RECORD) * numwavs;
    for (DWORD i = 0; i < numwavs; i++) {
        if (records[i].length < 0 || records[i].offset != expect)
            return "its sounds do not lie back to back right behind the directory";
        expect += records[i].length;
    }
    if (expect > fileSize)
        return "the file ends before its last sound";
    if (fileSize - records[rw.l].length + (int64_t)dwdatasize > INT32_MAX)
        return "the new bank would be too large";
    return NULL;
}

static void CorrectDirectory(Rewrite& rw)
{
    memcpy(rw.newrecs, records, sizeof(RECORD) * numwavs);
    RECORD& r = rw.newrecs[rw.l];
    int32_t diff = r.length - (int32_t)dwdatasize;
    r.length = (int32_t)dwdatasize;
    r.format = Format.wFormatTag;
    r.monost = Format.nChannels;
    r.sps = (int32_t)Format.nSamplesPerSec;
    r.abps = (int32_t)Format.nAvgBytesPerSec;
    r.blocka = Format.nBlockAlign;
    r.bitps = Format.wBitsPerSample;
    r.unk = dwFmtSize >= sizeof(WAVEFORMATEX) ? Format.cbSize : 0;  // a chunk without cbSize means none
    for (DWORD i = (DWORD)rw.l + 1; i < numwavs; i++)
        rw.newrecs[i].offset -= diff;
}

// Copies count bytes from the old bank's current position.
static CopyResult CopyPrior(Rewrite& rw, int64_t count)
{
    char buffer[100] = "Saving prior data";
    const size_t prefix = strlen(buffer);
    while (count > 0) {
        AddProgressDot(rw.hDlg, buffer, sizeof buffer, prefix);
        UINT want = count > WORKBUFSIZE ? (UINT)WORKBUFSIZE : (UINT)count;
        UINT got = _lread(rw.oldsfx, rw.lpbuffer, want);
        if (got == LREAD_ERROR || got == 0)
            return COPY_SHORT;
        if (!WriteAll(rw.newsfx, rw.lpbuffer, got))
            return COPY_WRITE;
        count -= got;
    }
    return COPY_OK;
}

// Copies everything from the old bank's current position to its end.
static CopyResult CopyPost(Rewrite& rw)
{
    char buffer[100] = "Saving post data";
    const size_t prefix = strlen(buffer);
    UINT got;
    do {
        AddProgressDot(rw.hDlg, buffer, sizeof buffer, prefix);
        got = _lread(rw.oldsfx, rw.lpbuffer, WORKBUFSIZE);
        if (got == LREAD_ERROR)
            return COPY_SHORT;
        if (!WriteAll(rw.newsfx, rw.lpbuffer, got))
            return COPY_WRITE;
    } while (got == WORKBUFSIZE);
    return COPY_OK;
}

// Writes the whole new bank; the old one is only read.
static CopyResult WriteNewBank(Rewrite& rw, const BYTE* header)
{
    if (!WriteAll(rw.newsfx, header, BANKHEADER))
        return COPY_WRITE;
    SetStatus(rw.hDlg, "Correcting and saving header.");
    for (DWORD i = 0; i < numwavs; i++)
        if (!WriteAll(rw.newsfx, &rw.newrecs[i], sizeof(RECORD)))
            return COPY_WRITE;

    const RECORD& old = records[rw.l];
    if (_llseek(rw.oldsfx, records[0].offset, 0) != records[0].offset)
        return COPY_SHORT;
    CopyResult result = CopyPrior(rw, (int64_t)old.offset - records[0].offset);
    if (result != COPY_OK)
        return result;

    SetStatus(rw.hDlg, "Saving new data.");
    if (!WriteAll(rw.newsfx, lpData, dwdatasize))
        return COPY_WRITE;

    if ((DWORD)rw.l < numwavs - 1) {
        LONG behind = old.offset + old.length;
        if (_llseek(rw.oldsfx, behind, 0) != behind)
            return COPY_SHORT;
        result = CopyPost(rw);
        if (result != COPY_OK)
            return result;
    }
    if (!FlushFileBuffers(FileHandle(rw.newsfx)))
        return COPY_WRITE;
    return COPY_OK;
}

// Puts the finished new bank in the old one's place and says where each bank is when that fails.
static BOOL SwapInNewBank(const Rewrite& rw)
{
    if (remove(szBankPath) != 0)
        ShowMessageF("Unable to delete the old bank %s.\nThe new bank has been saved as %s.", szBankPath, rw.newPath);
    if (rename(rw.newPath, szBankPath) == 0)
        return TRUE;
    if (GetFileAttributesA(szBankPath) != INVALID_FILE_ATTRIBUTES)
        ShowMessageF("Failed to rename file new.sfx\n\nThe new bank is %s; the old bank %s is unchanged.", rw.newPath, szBankPath);
    else
        ShowMessageF("Failed to rename file new.sfx\n\nThe new bank is %s; rename it to %s to use it.", rw.newPath, szFile);
    return FALSE;
}

static void RewriteBank(Rewrite& rw)
{
    if (!PathBesideBank(szNewBank, rw.newPath, sizeof rw.newPath)) {
        ShowMessageF("The path of %s is too long to write %s beside it. The bank is unchanged.", szBankPath, szNewBank);
        return;
    }
    if (GetFileAttributesA(rw.newPath) != INVALID_FILE_ATTRIBUTES) {
        ShowMessageF("%s is in the way. Move or rename it and try again; the bank is unchanged.", rw.newPath);
        return;
    }
    rw.oldsfx = _lopen(szBankPath, OF_READ);
    if (rw.oldsfx == HFILE_ERROR) {
        ShowMessageF("Unable to open the bank %s. It is unchanged.", szBankPath);
        return;
    }
    BYTE header[BANKHEADER];
    DWORD high = 0;
    DWORD low = GetFileSize(FileHandle(rw.oldsfx), &high);
    int64_t fileSize = ((int64_t)high << 32) | low;
    const char* problem = "it cannot be read";
    if (low != INVALID_FILE_SIZE && _lread(rw.oldsfx, header, BANKHEADER) == BANKHEADER) {
        DWORD headerCount;
        memcpy(&headerCount, header, sizeof headerCount);
        problem = LayoutProblem(rw, headerCount, fileSize);
    }
    if (problem) {
        _lclose(rw.oldsfx);
        ShowMessageF("The bank %s cannot be rewritten safely: %s. It is unchanged.", szBankPath, problem);
        return;
    }
    rw.lpbuffer = (BYTE*)AllocBlock(WORKBUFSIZE);
    if (!rw.lpbuffer) {
        _lclose(rw.oldsfx);
        ShowMessage("Not enough memory available");
        return;
    }
    rw.newsfx = _lcreat(rw.newPath, 0);
    CopyResult result = COPY_CREATE;
    if (rw.newsfx != HFILE_ERROR) {
        CorrectDirectory(rw);
        result = WriteNewBank(rw, header);
        if (_lclose(rw.newsfx) == HFILE_ERROR && result == COPY_OK)
            result = COPY_WRITE;
    }
    _lclose(rw.oldsfx);
    FreeBlock(rw.lpbuffer);

    if (result != COPY_OK) {
        if (result != COPY_CREATE)
            remove(rw.newPath);
        if (result == COPY_SHORT)
            ShowMessageF("The bank %s ends before its directory says it should. It is unchanged.", szBankPath);
        else if (result == COPY_CREATE)
            ShowMessageF("Unable to create %s. The bank %s is unchanged.", rw.newPath, szBankPath);
        else
            ShowMessageF("Unable to write %s (the disk may be full). The bank %s is unchanged.", rw.newPath, szBankPath);
        return;
    }
    if (SwapInNewBank(rw))
        memcpy(records, rw.newrecs, sizeof(RECORD) * numwavs);
}

void DoReplace(HWND hDlg, long l)
{
    bRewriting = TRUE;  // the dialog takes no commands until the rewrite is over
    if (MessageBoxA(hwndApp, "Are you sure you want to replace the sound ?", szAppName, MB_YESNO | MB_ICONQUESTION) != IDYES) {
        ShowMessage("Hit Cancel !");
    } else if (!bValidFile) {
        ShowMessage("No sfx file open");
    } else if (l < 0 || (DWORD)l >= numwavs) {
        ShowMessage("No sound selected");
    } else {
        LoadReplace();
        if (bReplaceLoaded) {
            static Rewrite rw;
            memset(&rw, 0, sizeof rw);
            rw.hDlg = hDlg;
            rw.l = l;
            RewriteBank(rw);
            ReleaseData();
        }
    }
    bRewriting = FALSE;
}
