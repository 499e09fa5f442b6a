// Voxmend: the sound device: playing a stored sound or a replacement, play-all, and the
// requests that wait for the device.
#pragma once

#include "engine/wave.h"
#include "window/window.h"

// Requests that wait for the sound device.
enum { REQUEST_NONE, REQUEST_SOUND, REQUEST_PLAYALL, REQUEST_REPLACE, REQUEST_DROP, REQUEST_REPLACECONVERT };

// The one device handle, header and buffer allow a single playback at a time.
BOOL PlaybackBusy();
// Starts sound l of the open bank; FALSE when it did not start, so no completion will follow.
BOOL PlayOne(long l);
// Plays a replacement's format and bytes; FALSE when it did not start.
BOOL PlayReplace(const vox::Sound& sound);
// Whether the sound device says it can play the format.
bool DevicePlays(const vox::Format& f);
void PlayAll();
void StopPlayAll();
// Ends the playback the device reports done; during Play All the next sound starts. TRUE when
// nothing plays any more.
BOOL WaveDone(HWAVEOUT device, LPWAVEHDR header);
void DeferRequest(int request, long sound);
// The request that waited, taken off (with its sound) once the device is free; REQUEST_NONE
// until then.
int TakeRequest(long* sound);
BOOL RequestWaiting();

// What plays, for the tests: the device's format and bytes (none when it is idle), and
// whether Play All goes on.
struct NowPlaying {
    WAVEFORMATEX format;
    const char* bytes;
    DWORD length;
    BOOL playingAll;
};
NowPlaying Playing();
