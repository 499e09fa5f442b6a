// Voxmend: playing stored sounds and the replacement, play-all, requests that wait for the
// sound device, and loading the replacement WAVE file.
#pragma once

#include "window/window.h"

extern WAVEFORMATEX Format;
extern HWAVEOUT hWaveOut;
extern WAVEHDR WaveHdr;
extern LPWAVEHDR lpWaveHdr;
extern LPSTR lpData;
extern DWORD dwdatasize;
extern vox::Sound Replacement;  // the WAVE file chosen to replace a sound, as last loaded
extern BOOL bReplaceLoaded;     // Replacement holds that file
extern BOOL playall;
extern long playallno;

BOOL PlaybackBusy();
BOOL PlayOne(long l);
void PlayAll();
void StopPlayAll();
// Ends the playback the device reports done; during Play All the next sound starts. TRUE when
// nothing plays any more.
BOOL WaveDone(HWAVEOUT device, LPWAVEHDR header);
void DeferRequest(int request, long sound);
// The request that waited, taken off (with its sound) once the device and the dialog are free;
// REQUEST_NONE until then.
int TakeRequest(long* sound);
BOOL RequestWaiting();
BOOL LoadReplace(BOOL askDevice);
BOOL PlayReplace();
