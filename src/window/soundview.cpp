// Voxmend: a sound seen, and matched in loudness to the one it replaces.
#include "window/soundview.h"

#include <algorithm>
#include <cstdio>

#include "disk/disk.h"
#include "engine/samples.h"
#include "window/openbank.h"
#ifdef VOXMEND_CONVERT
#include "convert/loudness.h"
#include "words/loudness.h"
#endif

// Stretches of the envelope: more than any screen has pixel columns for a picture.
static const size_t kStretches = 4096;

SoundView ViewOf(const vox::Sound& s)
{
    SoundView v;
    const vox::Format& f = s.format;
    const unsigned width = f.bits / 8;
    char seconds[32];
    if (f.tag != vox::kPcm || !f.blockAlign || !f.rate || width < 1 || width > 4 || f.blockAlign != f.channels * width) {
        v.caption = s.bytes.empty() ? "cannot be read" : "not PCM: no picture";
        return v;
    }
    const size_t frames = s.bytes.size() / f.blockAlign;
    v.seconds = (double)frames / f.rate;
    snprintf(seconds, sizeof seconds, "%.2f s", v.seconds);
    v.caption = seconds;
    const size_t stretches = std::min(frames, kStretches), per = stretches ? (frames + stretches - 1) / stretches : 1;
    v.low.assign((frames + per - 1) / per, 1.0f);
    v.high.assign(v.low.size(), -1.0f);
    const uint8_t* p = s.bytes.data();
    for (size_t i = 0; i < frames; i++) {
        float& low = v.low[i / per];
        float& high = v.high[i / per];
        for (unsigned c = 0; c < f.channels; c++, p += width) {
            const float x = (float)vox::SampleAt(p, width);
            low = std::min(low, x);
            high = std::max(high, x);
        }
    }
    return v;
}

vox::Sound StoredSound(long l)
{
    vox::Sound s;
    const OpenBank& sfx = Opened();
    if (!sfx.bValidFile || l < 0 || (DWORD)l >= sfx.numwavs())
        return s;
    const vox::Entry& e = sfx.records(l);
    s.format = vox::FormatOf(e);
    std::unique_ptr<vox::Source> bank = vox::Disk().Open(sfx.szBankPath);
    s.bytes.resize(e.length > 0 ? (size_t)e.length : 0);
    if (!bank || !BankUnchanged(*bank) || s.bytes.empty() || !vox::ReadSound(*bank, e, s.bytes.data()))
        s.bytes.clear();
    return s;
}

void DrawSoundView(HDC dc, const RECT& r, const SoundView& v, double span)
{
    FillRect(dc, &r, (HBRUSH)GetStockObject(WHITE_BRUSH));
    const int w = r.right - r.left, h = r.bottom - r.top, middle = r.top + h / 2;
    HPEN axis = CreatePen(PS_SOLID, 1, RGB(192, 192, 192)), wave = CreatePen(PS_SOLID, 1, RGB(0, 0, 160));
    HGDIOBJ was = SelectObject(dc, axis);
    MoveToEx(dc, r.left, middle, NULL);
    LineTo(dc, r.right, middle);
    SelectObject(dc, wave);
    const size_t n = v.low.size();
    const int columns = span > 0 && n ? std::max(1, (int)(w * std::min(1.0, v.seconds / span) + 0.5)) : 0;
    auto y = [&](float x) { return middle - (int)(x * (h / 2 - 1) + (x < 0 ? -0.5f : 0.5f)); };
    for (int x = 0; x < columns; x++) {
        size_t from = n * (size_t)x / (size_t)columns, to = std::max(from + 1, n * (size_t)(x + 1) / (size_t)columns);
        float low = 1, high = -1;
        for (size_t i = from; i < to && i < n; i++)
            low = std::min(low, v.low[i]), high = std::max(high, v.high[i]);
        MoveToEx(dc, r.left + x, y(high), NULL);
        LineTo(dc, r.left + x, y(low) + 1);
    }
    SelectObject(dc, was);
    DeleteObject(axis);
    DeleteObject(wave);
}

#ifdef VOXMEND_CONVERT
BOOL CanMatchLoudness()
{
    return TRUE;
}

std::string LoudnessWords(const vox::Sound& s)
{
    const vox::Loudness l = vox::MeasureLoudness(s);
    return l.measurable ? ", " + words::LoudnessText(l) + ", " + words::PeakText(l) : "";
}

std::string MatchToStored(long l, vox::Sound* s)
{
    const vox::Sound old = StoredSound(l);
    return words::MatchText(vox::MatchLoudness(s, vox::MeasureLoudness(old, false).lufs, true));
}
#else
BOOL CanMatchLoudness()
{
    return FALSE;
}

std::string LoudnessWords(const vox::Sound&)
{
    return "";
}

std::string MatchToStored(long, vox::Sound*)
{
    return "";
}
#endif
