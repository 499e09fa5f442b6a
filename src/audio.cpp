// Voxmend: playing stored sounds and the replacement, play-all, and loading a WAVE file.
#include "voxmend.h"

#include <cstring>

WAVEFORMATEX Format;
HWAVEOUT hWaveOut;
WAVEHDR WaveHdr;
LPWAVEHDR lpWaveHdr;
LPSTR lpData;
DWORD dwdatasize;
DWORD dwFmtSize;
BOOL bReplaceLoaded;
BOOL playall;
long playallno;

// The one device handle, header and buffer allow a single playback at a time, and none
// while a rewrite holds the replacement's samples.
BOOL PlaybackBusy()
{
    return hWaveOut != NULL || bRewriting;
}

void ReleaseData()
{
    FreeBlock(lpData);
    lpData = NULL;
    bReplaceLoaded = FALSE;
}

static void EnableMainButtons()
{
    EnableWindow(hwndPlayAll, TRUE);
    EnableWindow(hwndReplace, TRUE);
}

static void EnableDialogButtons()
{
    EnableWindow(hwndOriginal, TRUE);
    EnableWindow(hwndOk, TRUE);
    EnableWindow(hwndNew, TRUE);
}

// Ends a playback: the header, device, sample buffer and (for a preview) header block.
static void ClosePlayback(HWAVEOUT device, LPWAVEHDR header)
{
    if (header)
        waveOutUnprepareHeader(device, header, sizeof(WAVEHDR));
    waveOutClose(device);
    hWaveOut = NULL;
    ReleaseData();
    if (header && header != &WaveHdr)
        FreeBlock(header);
}

static BOOL OpenDevice()
{
    if (waveOutOpen(&hWaveOut, WAVE_MAPPER, &Format, (DWORD_PTR)hwndApp, 0, CALLBACK_WINDOW) == MMSYSERR_NOERROR)
        return TRUE;
    hWaveOut = NULL;
    return FALSE;
}

static void FillFormat(const RECORD& r)
{
    Format.wFormatTag = r.format;
    Format.nChannels = r.monost;
    Format.nSamplesPerSec = (DWORD)r.sps;
    Format.nAvgBytesPerSec = (DWORD)r.abps;
    Format.nBlockAlign = r.blocka;
    Format.wBitsPerSample = r.bitps;
    Format.cbSize = (WORD)(r.unk & 0xFFFF);
}

// Reads a sound's bytes into lpData; what cannot be read stays silent.
static void ReadSound(long l, const RECORD& r)
{
    HFILE fh = bValidFile ? _lopen(szBankPath, OF_READ) : HFILE_ERROR;
    if (fh == HFILE_ERROR) {
        ShowMessage("Failed to open input file");
        return;
    }
    BOOL whole = r.offset >= 0 && _llseek(fh, r.offset, 0) == r.offset &&
                 _lread(fh, lpData, (UINT)r.length) == (UINT)r.length;
    _lclose(fh);
    if (!whole)
        ShowMessageF("Sound %ld runs past the end of the bank file; what is missing plays as silence.", l);
}

static BOOL QueueBuffer(LPWAVEHDR header, DWORD length, const char* prepareFailed, const char* writeFailed)
{
    header->lpData = lpData;
    header->dwBufferLength = length;
    header->dwFlags = 0;
    header->dwLoops = 0;
    lpWaveHdr = header;
    if (waveOutPrepareHeader(hWaveOut, header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
        ClosePlayback(hWaveOut, header);
        ShowMessage(prepareFailed);
        return FALSE;
    }
    if (waveOutWrite(hWaveOut, header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
        ClosePlayback(hWaveOut, header);
        ShowMessage(writeFailed);
        return FALSE;
    }
    return TRUE;
}

void PlayOne(long l)
{
    if (PlaybackBusy() || l < 0 || (DWORD)l >= numwavs)  // entries past the bank hold stale data
        return;
    RECORD r = records[l];
    FillFormat(r);
    if (!OpenDevice()) {
        ShowMessage("WaveOutOpen Failed");
        return;
    }
    lpData = r.length > 0 ? (LPSTR)AllocBlock((DWORD)r.length) : NULL;
    if (!lpData) {
        ClosePlayback(hWaveOut, NULL);
        ShowMessage("GlobalAllocPtr Failed");
        return;
    }
    ReadSound(l, r);
    QueueBuffer(&WaveHdr, (DWORD)r.length, "waveOutPrepareHeader Failed", "waveOutWrite Failed");
}

void PlayAll()
{
    if (!bValidFile) {
        ShowMessage("No sfx file open");
        return;
    }
    if (PlaybackBusy() || numwavs == 0)  // an empty bank has nothing to play
        return;
    EnableWindow(hwndPlayAll, FALSE);
    EnableWindow(hwndReplace, FALSE);
    playall = 1;
    playallno = 0;
    PlayOne(playallno++);
}

void StopPlayAll()
{
    playallno = (long)numwavs;
}

void WaveDone(HWAVEOUT device, LPWAVEHDR header)
{
    ClosePlayback(device, header);
    if (playall && (DWORD)playallno < numwavs) {
        SendMessageA(hwndDisplay, LB_SETCURSEL, (WPARAM)playallno, 0);
        PlayOne(playallno++);
    } else if (playall) {
        playall = 0;
        playallno = 0;
        EnableMainButtons();
    } else if (bValidReplace) {
        EnableDialogButtons();
    } else {
        EnableMainButtons();
    }
}

// ---- Replacement ---------------------------------------------------------------------

// Reads the "fmt " chunk over Format; a longer chunk's tail is skipped.
static BOOL ReadFormatChunk(HMMIO hmmio, const MMCKINFO& chunk)
{
    dwFmtSize = chunk.cksize;
    const LONG pcmSize = 16;  // up to and including wBitsPerSample
    if ((LONG)chunk.cksize < pcmSize)
        return FALSE;
    LONG want = chunk.cksize > sizeof Format ? (LONG)sizeof Format : (LONG)chunk.cksize;
    return mmioRead(hmmio, (HPSTR)&Format, want) == want;
}

static void LoadWave(HMMIO hmmio)
{
    MMCKINFO infoparent = {};
    MMCKINFO infosubchunk = {};
    infoparent.fccType = mmioFOURCC('W', 'A', 'V', 'E');
    if (mmioDescend(hmmio, &infoparent, NULL, MMIO_FINDRIFF)) {
        ShowMessage("Not a valid wave file");
        return;
    }
    infosubchunk.ckid = mmioFOURCC('f', 'm', 't', ' ');
    if (mmioDescend(hmmio, &infosubchunk, &infoparent, MMIO_FINDCHUNK)) {
        ShowMessage("Wave file appears to be corrupted");
        return;
    }
    if (!ReadFormatChunk(hmmio, infosubchunk)) {
        ShowMessage("Failed to load format chunk");
        return;
    }
    if (Format.wFormatTag != WAVE_FORMAT_PCM) {
        ShowMessage("Not a PCM file");
        return;
    }
    if (waveOutOpen(NULL, WAVE_MAPPER, &Format, 0, 0, WAVE_FORMAT_QUERY)) {
        ShowMessage("Can't play format");
        return;
    }
    mmioAscend(hmmio, &infosubchunk, 0);
    infosubchunk.ckid = mmioFOURCC('d', 'a', 't', 'a');
    if (mmioDescend(hmmio, &infosubchunk, &infoparent, MMIO_FINDCHUNK)) {
        ShowMessage("No data chunk");
        return;
    }
    dwdatasize = infosubchunk.cksize;
    if (dwdatasize == 0) {
        ShowMessage("Chunk has no data");
        return;
    }
    lpData = (LPSTR)AllocBlock(dwdatasize);
    if (!lpData) {
        ShowMessage("Not enough memory for data chunk");
        return;
    }
    if (mmioRead(hmmio, lpData, (LONG)dwdatasize) != (LONG)dwdatasize) {
        ReleaseData();
        ShowMessage("Failed to read chunk");
        return;
    }
    bReplaceLoaded = TRUE;
}

void LoadReplace()
{
    if (!bValidReplace) {
        ShowMessage("No valid Replace");
        return;
    }
    if (hWaveOut)  // lpData belongs to the sound that is playing
        return;
    ReleaseData();
    HMMIO hmmio = mmioOpenA(pstrReplaceFile, NULL, MMIO_ALLOCBUF | MMIO_READ);
    if (!hmmio) {
        ShowMessage("Failed to open wave file");
        return;
    }
    LoadWave(hmmio);
    mmioClose(hmmio, 0);
}

void PlayReplace()
{
    if (!bValidReplace) {
        ShowMessage("No valid Replace");
        return;
    }
    if (!bReplaceLoaded || PlaybackBusy())  // a failed load has already said why
        return;
    if (!OpenDevice()) {
        ReleaseData();
        ShowMessage("Failed to open wave output device");
        return;
    }
    LPWAVEHDR header = (LPWAVEHDR)AllocBlock(sizeof(WAVEHDR));
    if (!header) {
        ClosePlayback(hWaveOut, NULL);
        ShowMessage("Not enough memory for header");
        return;
    }
    QueueBuffer(header, dwdatasize, "Unable to Prepare Header", "Failed to write to wave device");
}
