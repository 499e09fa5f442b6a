// Voxmend: a sound seen: its waveform, a min/max envelope made once per sound and drawn with
// GDI at any width, with its length, loudness and true peak; and a new sound given the loudness
// of the sound of the open bank it replaces.
#pragma once

#include <string>
#include <vector>

#include "engine/wave.h"
#include "window/window.h"

struct SoundView {
    std::vector<float> low, high;  // per stretch of the sound, its least and greatest sample, any channel
    double seconds = 0;
    std::string caption;  // "1.09 s", or why there is no picture
};
// The view of a sound as stored: 8-bit samples centred, every channel in one envelope. One pass
// over the samples, so that it is there at once even for minutes of sound.
SoundView ViewOf(const vox::Sound& s);
// ", -23.9 LUFS, -4.4 dBTP", for the caption; a measure that takes a moment for minutes of
// sound, and nothing where this build does not measure loudness.
std::string LoudnessWords(const vox::Sound& s);
// Sound l of the open bank, as its file holds it; no bytes when it cannot be read.
vox::Sound StoredSound(long l);
// Draws the view in r of dc, full scale from top to bottom, the sound taking seconds/span of the
// width from the left, so that two sounds drawn with the same span share a time scale.
void DrawSoundView(HDC dc, const RECT& r, const SoundView& v, double span);
// Whether this build measures loudness.
BOOL CanMatchLoudness();
// The sound given the gain that takes it to the loudness of sound l of the open bank, as far as
// its true peak allows; what was done, in voxbank's words.
std::string MatchToStored(long l, vox::Sound* s);
