#include "convert/loudness.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include <ebur128.h>

#include "convert/pcm.h"
#include "engine/samples.h"

namespace vox {

namespace {

const size_t kPieceFrames = 16384;

bool Measurable(const Format& f)
{
    return f.tag == kPcm && IsSaneFormat(f) && f.bits % 8 == 0 && f.bits >= 8 && f.bits <= 32 &&
           f.blockAlign == f.channels * f.bits / 8;
}

struct StateDeleter {
    void operator()(ebur128_state* s) const { ebur128_destroy(&s); }
};

double ToDb(double linear)
{
    return linear > 0 ? 20 * std::log10(linear) : -HUGE_VAL;
}

// The true peak, as a fraction of full scale, a sound of these bits may reach once stored: a
// step and a half of dither and rounding below the ceiling, a step without dither.
double CeilingFor(unsigned bits)
{
    const double step = std::ldexp(1.0, 1 - (int)bits);
    return std::pow(10.0, kPeakCeiling / 20) - (bits <= 16 ? 2.0 : 1.0) * step;
}

}  // namespace

Loudness MeasureLoudness(const Format& f, const uint8_t* bytes, size_t size)
{
    Loudness l;
    if (!Measurable(f))
        return l;
    std::unique_ptr<ebur128_state, StateDeleter> st(
        ebur128_init(f.channels, f.rate, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK));
    if (!st)
        return l;
    l.measurable = true;
    const unsigned width = f.bits / 8;
    const size_t frames = size / f.blockAlign;
    std::vector<double> piece(kPieceFrames * f.channels);
    for (size_t at = 0; at < frames; at += kPieceFrames) {
        const size_t n = std::min(kPieceFrames, frames - at);
        const uint8_t* p = bytes + at * f.blockAlign;
        for (size_t i = 0; i < n * f.channels; i++, p += width)
            piece[i] = SampleAt(p, width);
        ebur128_add_frames_double(st.get(), piece.data(), n);
    }
    // libebur128 closes its first block a few frames past 400 ms: a sound of 400 ms and no
    // more is measured whole too, which for one block is the same.
    double lufs = -HUGE_VAL;
    ebur128_loudness_global(st.get(), &lufs);
    const unsigned long ms = (unsigned long)((uint64_t)frames * 1000 / f.rate);
    if (!std::isfinite(lufs) && ms <= kBlockSeconds * 1000) {
        // The whole sound, all but its first millisecond at most: the window is whole ms.
        l.whole = true;
        if (ms == 0 || ebur128_loudness_window(st.get(), ms, &lufs) != EBUR128_SUCCESS)
            lufs = -HUGE_VAL;
    }
    if (std::isfinite(lufs) && lufs >= -70)
        l.lufs = lufs;
    double peak = 0;
    for (unsigned c = 0; c < f.channels; c++) {
        double p = 0;
        if (ebur128_true_peak(st.get(), c, &p) == EBUR128_SUCCESS)
            peak = std::max(peak, p);
    }
    l.truePeak = ToDb(peak);
    return l;
}

void ApplyGain(Sound* sound, double dB)
{
    const Format& f = sound->format;
    const unsigned width = f.bits / 8;
    const double full = std::ldexp(1.0, (int)f.bits - 1), gain = std::pow(10.0, dB / 20);
    const bool dither = f.bits <= 16;
    uint32_t state = 0x9E3779B9u;
    std::vector<uint8_t>& bytes = sound->bytes;
    for (size_t i = 0; i + width <= bytes.size(); i += width) {
        double v = std::nearbyint(SampleAt(&bytes[i], width) * full * gain + (dither ? TpdfDither(&state) : 0.0));
        v = std::clamp(v, -full, full - 1);
        int64_t q = (int64_t)v;
        if (width == 1)
            q += 128;
        for (unsigned b = 0; b < width; b++)
            bytes[i + b] = (uint8_t)((uint64_t)q >> (8 * b));
    }
}

LoudnessMatch MatchLoudness(Sound* sound, std::optional<double> target, bool toOldSound)
{
    LoudnessMatch m;
    m.toOldSound = toOldSound;
    const Loudness now = MeasureLoudness(*sound);
    if (!now.measurable)
        return m;
    m.reached = now.lufs.value_or(0);
    if (!target) {
        m.outcome = LoudnessMatch::Outcome::NoTarget;
        return m;
    }
    m.target = *target;
    if (!now.lufs) {
        m.outcome = LoudnessMatch::Outcome::Silent;
        return m;
    }
    const double wanted = *target - *now.lufs;
    const double most = ToDb(CeilingFor(sound->format.bits)) - now.truePeak;
    m.gain = std::min(wanted, most);
    m.outcome = wanted > most + 0.005 ? LoudnessMatch::Outcome::Limited : LoudnessMatch::Outcome::Matched;
    if (std::abs(m.gain) < 0.005)
        m.gain = 0;
    else
        ApplyGain(sound, m.gain);
    m.reached = *now.lufs + m.gain;
    return m;
}

}  // namespace vox
