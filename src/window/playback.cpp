// Voxmend: playing stored sounds and the replacement, play-all, and the requests that wait.
#include "window/playback.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "disk/disk.h"
#include "window/messages.h"
#include "window/openbank.h"
#include "words/sounds.h"

static WAVEFORMATEX Format;
static HWAVEOUT hWaveOut;
static WAVEHDR WaveHdr;
static LPSTR lpData;
static DWORD sQueued;  // the bytes of the buffer that plays
static BOOL playall;
static long playallno;
static BOOL sStopping;  // Stop was pressed once during Play All: the next Stop cuts the sound short

// During Play All a sound's trouble is told once, when the sequence ends, so that a run of bad
// sounds does not raise a box for each one.
static std::string sFirstTrouble;
static std::vector<long> sTroubled;

static int sPending = REQUEST_NONE;  // a request that came while the device was busy
static long sPendingSound;

BOOL PlaybackBusy()
{
    return hWaveOut != NULL;
}

NowPlaying Playing()
{
    return {Format, hWaveOut ? lpData : NULL, hWaveOut ? sQueued : 0, playall};
}

static void* AllocBlock(DWORD size)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE | GMEM_ZEROINIT, size);
    if (!block)
        return NULL;
    void* p = GlobalLock(block);
    if (!p)
        GlobalFree(block);
    return p;
}

static void FreeBlock(void* block)
{
    if (!block)
        return;
    HGLOBAL handle = GlobalHandle(block);
    GlobalUnlock(handle);
    GlobalFree(handle);
}


// A message about sound l: shown now, or during Play All kept for its end.
static void Trouble(long l, const char* text)
{
    if (!playall) {
        ShowMessage(text);
        return;
    }
    if (sTroubled.empty())
        sFirstTrouble = text;
    if (sTroubled.empty() || sTroubled.back() != l)
        sTroubled.push_back(l);
}

static void TellTroubleOfAll()
{
    if (sTroubled.empty())
        return;
    std::vector<long> troubled;
    troubled.swap(sTroubled);
    ShowMessageF("%s\n\n%s could not be played as stored.", sFirstTrouble.c_str(), SoundNumbers(troubled).c_str());
}

static void ReleaseData()
{
    FreeBlock(lpData);
    lpData = NULL;
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

static void SetFormat(const vox::Format& f)
{
    Format.wFormatTag = f.tag;
    Format.nChannels = f.channels;
    Format.nSamplesPerSec = f.rate;
    Format.nAvgBytesPerSec = f.avgBytes;
    Format.nBlockAlign = f.blockAlign;
    Format.wBitsPerSample = f.bits;
    Format.cbSize = f.cbSize;
}

// Only a format the engine judges sane is shown to a device: drivers have died of wild ones.
static BOOL OpenDevice(const vox::Format& f)
{
    SetFormat(f);
    if (vox::IsSaneFormat(f) &&
        waveOutOpen(&hWaveOut, WAVE_MAPPER, &Format, (DWORD_PTR)hwndApp, 0, CALLBACK_WINDOW) == MMSYSERR_NOERROR)
        return TRUE;
    hWaveOut = NULL;
    return FALSE;
}

// Reads into lpData the bytes of sound l that the bank file holds: all of them, or for a sound
// the file's end cuts short, only those, told once. Memory is bounded by the file, never by
// what a damaged directory claims. FALSE, after its message, when nothing can play.
static BOOL ReadSound(long l, const vox::Entry& r, DWORD* length)
{
    const OpenBank& sfx = Opened();
    std::unique_ptr<vox::Source> bank = sfx.bValidFile ? vox::Disk().Open(sfx.szBankPath) : nullptr;
    uint64_t fileSize = 0;
    if (!bank || !bank->Size(&fileSize)) {
        Trouble(l, "Failed to open input file");
        return FALSE;
    }
    vox::Entry held = r;
    held.length = (int32_t)vox::BytesHeld(r, fileSize);
    if (r.length > 0 && held.length == 0) {
        Trouble(l, ("Sound " + std::to_string(l) + " runs past the end of the bank file: none of its " +
                    words::Grouped((uint64_t)r.length) + " bytes are there, so it cannot play.").c_str());
        return FALSE;
    }
    lpData = held.length > 0 ? (LPSTR)AllocBlock((DWORD)held.length) : NULL;
    if (!lpData) {
        Trouble(l, "GlobalAllocPtr Failed");
        return FALSE;
    }
    if (!vox::ReadSound(*bank, held, (uint8_t*)lpData)) {
        ReleaseData();
        Trouble(l, ("Sound " + std::to_string(l) + " cannot be read from the bank file.").c_str());
        return FALSE;
    }
    *length = sQueued = (DWORD)held.length;
    if (held.length < r.length)
        Trouble(l, ("Sound " + std::to_string(l) + " runs past the end of the bank file: " + words::Grouped((uint64_t)held.length) +
                    " of its " + words::Grouped((uint64_t)r.length) + " bytes are there, and only those play.").c_str());
    return TRUE;
}

// Queues lpData; on a refusal everything is released and FALSE returned.
static BOOL QueueBuffer(long l, LPWAVEHDR header, DWORD length, const char* prepareFailed, const char* writeFailed)
{
    header->lpData = lpData;
    header->dwBufferLength = length;
    header->dwFlags = 0;
    header->dwLoops = 0;
    if (waveOutPrepareHeader(hWaveOut, header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
        ClosePlayback(hWaveOut, header);
        Trouble(l, prepareFailed);
        return FALSE;
    }
    if (waveOutWrite(hWaveOut, header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
        ClosePlayback(hWaveOut, header);
        Trouble(l, writeFailed);
        return FALSE;
    }
    return TRUE;
}

// Starts sound l; FALSE when it did not start, so no completion will follow.
BOOL PlayOne(long l)
{
    const OpenBank& sfx = Opened();
    if (PlaybackBusy() || l < 0 || (DWORD)l >= sfx.numwavs())
        return FALSE;
    vox::Entry r = sfx.records(l);
    if (!OpenDevice(vox::FormatOf(r))) {
        Trouble(l, "WaveOutOpen Failed");
        return FALSE;
    }
    DWORD length = 0;
    if (!ReadSound(l, r, &length)) {
        ClosePlayback(hWaveOut, NULL);
        return FALSE;
    }
    return QueueBuffer(l, &WaveHdr, length, "waveOutPrepareHeader Failed", "waveOutWrite Failed");
}

// Starts the next sound of the sequence; one that fails to start is skipped, and when none
// is left the sequence ends, telling what went wrong on the way.
static void PlayNextOfAll()
{
    while (playall && Opened().bValidFile && (DWORD)playallno < Opened().numwavs()) {
        SendMessageA(hwndDisplay, LB_SETCURSEL, (WPARAM)playallno, 0);
        if (PlayOne(playallno++))
            return;
    }
    playall = 0;
    playallno = 0;
    sStopping = FALSE;
    EnableMainButtons(TRUE);
    TellTroubleOfAll();
}

void PlayAll()
{
    if (!Opened().bValidFile) {
        ShowMessage("No sfx file open");
        return;
    }
    if (PlaybackBusy() || Opened().numwavs() == 0)  // an empty bank has nothing to play
        return;
    EnableMainButtons(FALSE);
    playall = 1;
    playallno = 0;
    sStopping = FALSE;
    PlayNextOfAll();
}

// A sound alone ends at once. Play All first ends after the sound that plays, as it always
// has; a second Stop while that sound still plays ends it at once too. The device hands the
// buffer back as done, and its completion ends the playback as any other.
void StopPlayAll()
{
    if (hWaveOut && (!playall || sStopping))
        waveOutReset(hWaveOut);
    sStopping = playall && hWaveOut;
    playallno = (long)Opened().numwavs();
    sPending = REQUEST_NONE;
}

// A request made while the device is busy waits for it; the last one made is taken up.
// A sound asked for during Play All ends the sequence after the sound that is playing.
void DeferRequest(int request, long sound)
{
    sPending = request;
    sPendingSound = sound;
    if (playall && request == REQUEST_SOUND)
        playallno = (long)Opened().numwavs();
}

int TakeRequest(long* sound)
{
    int request = sPending;
    if (request == REQUEST_NONE || PlaybackBusy())
        return REQUEST_NONE;
    sPending = REQUEST_NONE;
    *sound = sPendingSound;
    return request;
}

BOOL RequestWaiting()
{
    return sPending != REQUEST_NONE;
}

BOOL WaveDone(HWAVEOUT device, LPWAVEHDR header)
{
    ClosePlayback(device, header);
    if (!playall)
        return TRUE;
    PlayNextOfAll();
    return FALSE;
}

// ---- Replacement ---------------------------------------------------------------------

bool DevicePlays(const vox::Format& f)
{
    SetFormat(f);
    return waveOutOpen(NULL, WAVE_MAPPER, &Format, 0, 0, WAVE_FORMAT_QUERY) == MMSYSERR_NOERROR;
}

BOOL PlayReplace(const vox::Sound& sound)
{
    if (PlaybackBusy())
        return FALSE;
    if (!OpenDevice(sound.format)) {
        ShowMessage("Failed to open wave output device");
        return FALSE;
    }
    DWORD dwdatasize = (DWORD)sound.bytes.size();
    lpData = (LPSTR)AllocBlock(dwdatasize);
    if (!lpData) {
        ClosePlayback(hWaveOut, NULL);
        ShowMessage("Not enough memory for data chunk");
        return FALSE;
    }
    LPWAVEHDR header = (LPWAVEHDR)AllocBlock(sizeof(WAVEHDR));
    if (!header) {
        ClosePlayback(hWaveOut, NULL);
        ShowMessage("Not enough memory for header");
        return FALSE;
    }
    memcpy(lpData, sound.bytes.data(), dwdatasize);
    sQueued = dwdatasize;
    return QueueBuffer(-1, header, dwdatasize, "Unable to Prepare Header", "Failed to write to wave device");
}
