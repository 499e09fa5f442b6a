#include "convert/loudness.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include <ebur128.h>

#include "convert/pcm.h"
#include "engine/samples.h"

namespace vox {

namespace {

const size_t kPieceFrames = 16384;
const size_t kContextFrames = 64;
// Below these a second thread costs more than it saves.
const size_t kBlocksForTwo = 8;
const size_t kSamplesForTwo = 1 << 16;

// Runs first in a thread of its own and second in this one, when both is true; otherwise
// both here, one after the other.
template <typename First, typename Second>
void BesideThisThread(bool both, First first, Second second)
{
    if (!both) {
        first();
        second();
        return;
    }
    std::thread beside(first);
    second();
    beside.join();
}

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

// The most libebur128's true peak can lie above the sample peak, in dB: its interpolator, four
// times the rate below 96 kHz and twice below 192 kHz, is a 49-tap Hann-windowed sinc whose
// phases' taps add up, in magnitude, to at most 1.864 and 2.307.
double RiseDb(uint32_t rate)
{
    return rate < 96000 ? 5.42 : rate < 192000 ? 7.27 : 0.0;
}

// The true peak, as a fraction of full scale, a sound of these bits may reach once stored: a
// step and a half of dither and rounding below the ceiling, a step without dither.
double CeilingFor(unsigned bits)
{
    const double step = std::ldexp(1.0, 1 - (int)bits);
    return std::pow(10.0, kPeakCeiling / 20) - (bits <= 16 ? 2.0 : 1.0) * step;
}

// A measure under way: libebur128's state, the frames it has been given, and the sample peak of
// each block of them, which shows where the true peak may lie.
struct Measure {
    Format f;
    std::unique_ptr<ebur128_state, StateDeleter> st;
    uint64_t frames = 0;
    std::vector<int16_t> shorts;
    std::vector<int32_t> ints;
    std::vector<double> blockPeaks;
    bool truePeak;

    Measure(const Format& format, bool withTruePeak, bool withLoudness = true) : f(format), truePeak(withTruePeak)
    {
        if (Measurable(f))
            st.reset(ebur128_init(f.channels, f.rate,
                                  (withLoudness ? EBUR128_MODE_I : 0) | (truePeak ? EBUR128_MODE_TRUE_PEAK : 0)));
    }

    template <typename T>
    void NotePeaks(const T* samples, size_t n, double full)
    {
        const size_t count = n * f.channels;
        for (size_t i = 0; i < count;) {
            const uint64_t frame = frames + i / f.channels, block = frame / kPeakBlockFrames;
            const size_t end = std::min(count, i + (size_t)((block + 1) * kPeakBlockFrames - frame) * f.channels);
            int64_t most = 0;
            for (; i < end; i++)
                most = std::max(most, std::abs((int64_t)samples[i]));
            if (blockPeaks.size() <= block)
                blockPeaks.resize(block + 1, 0.0);
            blockPeaks[block] = std::max(blockPeaks[block], (double)most / full);
        }
    }

    // Gives the measure whole frames; returns their true peak, as a fraction of full scale, when
    // it is measured.
    double Add(const uint8_t* bytes, size_t size)
    {
        if (!st)
            return 0;
        // libebur128 takes 16 and 32-bit integers at their full scale: 8 and 24-bit samples are
        // moved up to them, which a loop per width does at a fraction of a general one's cost.
        const size_t total = size / f.blockAlign;
        double peak = 0;
        for (size_t at = 0; at < total; at += kPieceFrames) {
            const size_t n = std::min(kPieceFrames, total - at), count = n * f.channels;
            const uint8_t* p = bytes + at * f.blockAlign;
            switch (f.bits) {
            case 8:
                shorts.resize(count);
                for (size_t i = 0; i < count; i++)
                    shorts[i] = (int16_t)((p[i] - 128) * 256);
                NotePeaks(shorts.data(), n, 32768.0);
                ebur128_add_frames_short(st.get(), shorts.data(), n);
                break;
            case 16:
                shorts.resize(count);
                for (size_t i = 0; i < count; i++, p += 2)
                    shorts[i] = (int16_t)(p[0] | p[1] << 8);
                NotePeaks(shorts.data(), n, 32768.0);
                ebur128_add_frames_short(st.get(), shorts.data(), n);
                break;
            default:
                ints.resize(count);
                for (size_t i = 0; i < count; i++, p += f.bits / 8)
                    ints[i] = Sample32At(p, f.bits / 8);
                NotePeaks(ints.data(), n, 2147483648.0);
                ebur128_add_frames_int(st.get(), ints.data(), n);
                break;
            }
            frames += n;
            if (truePeak)
                for (unsigned c = 0; c < f.channels; c++) {
                    double piece = 0;
                    if (ebur128_prev_true_peak(st.get(), c, &piece) == EBUR128_SUCCESS)
                        peak = std::max(peak, piece);
                }
        }
        return peak;
    }

    Loudness Result()
    {
        Loudness l;
        if (!st)
            return l;
        l.measurable = true;
        // libebur128 closes its first block a few frames past 400 ms: a sound of 400 ms and no
        // more is measured whole too, which for one block is the same.
        double lufs = -HUGE_VAL;
        ebur128_loudness_global(st.get(), &lufs);
        const unsigned long ms = (unsigned long)(frames * 1000 / f.rate);
        if (!std::isfinite(lufs) && ms <= kBlockSeconds * 1000) {
            // The whole sound, all but its first millisecond at most: the window is whole ms.
            l.whole = true;
            if (ms == 0 || ebur128_loudness_window(st.get(), ms, &lufs) != EBUR128_SUCCESS)
                lufs = -HUGE_VAL;
        }
        if (std::isfinite(lufs) && lufs >= -70)
            l.lufs = lufs;
        double peak = 0;
        if (truePeak) {
            for (unsigned c = 0; c < f.channels; c++) {
                double p = 0;
                if (ebur128_true_peak(st.get(), c, &p) == EBUR128_SUCCESS)
                    peak = std::max(peak, p);
            }
        } else {
            for (double p : blockPeaks)
                peak = std::max(peak, p);
        }
        l.truePeak = ToDb(peak);
        l.peakIsTrue = truePeak;
        l.blockPeaks = std::move(blockPeaks);
        return l;
    }
};

}  // namespace

Loudness MeasureLoudness(const Format& f, const uint8_t* bytes, size_t size, bool truePeak)
{
    Measure m(f, truePeak);
    m.Add(bytes, size);
    return m.Result();
}

struct LoudnessMeter::Work {
    Measure measure;
    std::mutex lock;
    std::condition_variable given;
    std::deque<std::vector<uint8_t>> pieces;
    bool last = false;
    std::thread thread;

    Work(const Format& f, bool truePeak) : measure(f, truePeak), thread([this] { Run(); }) {}

    void Run()
    {
        std::unique_lock<std::mutex> hold(lock);
        for (;;) {
            given.wait(hold, [this] { return last || !pieces.empty(); });
            if (pieces.empty())
                return;
            std::vector<uint8_t> piece = std::move(pieces.front());
            pieces.pop_front();
            hold.unlock();
            measure.Add(piece.data(), piece.size());
            hold.lock();
        }
    }

    void End()
    {
        if (!thread.joinable())
            return;
        {
            std::lock_guard<std::mutex> hold(lock);
            last = true;
        }
        given.notify_one();
        thread.join();
    }
};

LoudnessMeter::LoudnessMeter(const Format& f, bool truePeak) : work_(std::make_unique<Work>(f, truePeak)) {}

LoudnessMeter::~LoudnessMeter()
{
    work_->End();
}

void LoudnessMeter::Add(const uint8_t* bytes, size_t size)
{
    {
        std::lock_guard<std::mutex> hold(work_->lock);
        work_->pieces.emplace_back(bytes, bytes + size);
    }
    work_->given.notify_one();
}

Loudness LoudnessMeter::Finish()
{
    work_->End();
    return work_->measure.Result();
}

double TruePeakAbove(const Sound& s, const Loudness& measured, double line)
{
    const Format& f = s.format;
    if (!Measurable(f))
        return -HUGE_VAL;
    const size_t frames = s.bytes.size() / f.blockAlign, blocks = (frames + kPeakBlockFrames - 1) / kPeakBlockFrames,
                 block = kPeakBlockFrames * f.blockAlign;
    const std::vector<double>* peaks = &measured.blockPeaks;
    Loudness again;
    if (peaks->size() != blocks) {
        again = MeasureLoudness(s, false);
        peaks = &again.blockPeaks;
    }
    // The interpolator is causal and remembers 13 frames (25 at 2x): what it gives while block b
    // comes in is made of b's frames and the last of the block before, and is at most RiseDb above
    // their sample peak. So a block may hold a true peak above the line only when that bound
    // passes it, and one above the largest true peak found so far only when the bound passes that
    // too: the blocks are taken from the highest bound down, until the bound falls to what was
    // found. Each is measured after the frames before it, given and set aside, which fill the
    // interpolator's memory as the whole sound would have it (silence before the first).
    const size_t context = kContextFrames * f.blockAlign, width = f.bits / 8u;
    auto peakBefore = [&](size_t b) {
        double most = 0;
        for (size_t i = b * block - context; i < b * block; i += width)
            most = std::max(most, std::abs(SampleAt(&s.bytes[i], width)));
        return most;
    };
    const double rise = std::pow(10.0, RiseDb(f.rate) / 20), floor = std::pow(10.0, line / 20);
    std::vector<std::pair<double, size_t>> bounds;
    for (size_t b = 0; b < blocks; b++) {
        const double bound = rise * std::max((*peaks)[b], b > 0 ? peakBefore(b) : 0.0);
        if (bound > floor)
            bounds.emplace_back(bound, b);
    }
    std::sort(bounds.begin(), bounds.end(), std::greater<>());
    // Two workers take the blocks in that order, each with a measure of its own, and share the
    // largest peak found: whatever the order they finish in, a block left unmeasured has a bound
    // below the final result, so the result is the same.
    const std::vector<uint8_t> silence(context, f.bits == 8 ? 0x80 : 0);
    std::atomic<size_t> next{0};
    std::mutex found;
    double most = 0;
    auto work = [&] {
        Measure m(f, true, false);
        for (size_t i; (i = next++) < bounds.size();) {
            const auto [bound, b] = bounds[i];
            {
                std::lock_guard<std::mutex> hold(found);
                if (bound <= std::max(most, floor))
                    return;
            }
            const size_t from = b * block;
            m.Add(b > 0 ? &s.bytes[from - context] : silence.data(), context);
            const double peak = m.Add(&s.bytes[from], std::min(block, s.bytes.size() - from));
            std::lock_guard<std::mutex> hold(found);
            most = std::max(most, peak);
        }
    };
    BesideThisThread(bounds.size() >= kBlocksForTwo, work, work);
    return ToDb(most);
}

namespace {

// Samples of one width times a gain, rounded to nearest, dithered when asked; a loop per width,
// so that the one run for every sample has no choice left in it.
template <unsigned Width>
void GainRun(uint8_t* p, size_t samples, double scale, bool dither, uint32_t state)
{
    const double full = std::ldexp(1.0, 8 * (int)Width - 1);
    double eight[256];  // at 8 bits, every sample's product once
    if (Width == 1)
        for (int v = 0; v < 256; v++)
            eight[v] = (v - 128) / 128.0 * scale + 0.5;
    for (size_t i = 0; i < samples; i++, p += Width) {
        double x;
        if (Width == 1)
            x = eight[*p];
        else if (Width == 2)
            x = (int16_t)(p[0] | p[1] << 8) / 32768.0 * scale + 0.5;
        else
            x = SampleAt(p, Width) * scale + 0.5;
        if (dither)
            x += TpdfDither(&state);
        // rounded to nearest by flooring x + 0.5, a conversion that needs no call
        x = std::clamp(x, -full, full - 0.5);
        int64_t q = (int64_t)x;
        q -= (double)q > x;
        if (Width == 1)
            q += 128;
        for (unsigned b = 0; b < Width; b++)
            p[b] = (uint8_t)((uint64_t)q >> (8 * b));
    }
}

}  // namespace

void ApplyGain(Sound* sound, double dB)
{
    const Format& f = sound->format;
    const unsigned width = f.bits / 8;
    const double scale = std::ldexp(1.0, (int)f.bits - 1) * std::pow(10.0, dB / 20);
    const bool dither = f.bits <= 16;
    const size_t samples = sound->bytes.size() / width, half = samples / 2;
    // The two halves at once, each with a dither sequence of its own, the same at every run.
    auto run = [&](size_t from, size_t count, uint32_t state) {
        uint8_t* p = sound->bytes.data() + from * width;
        switch (width) {
        case 1: GainRun<1>(p, count, scale, dither, state); break;
        case 2: GainRun<2>(p, count, scale, dither, state); break;
        case 3: GainRun<3>(p, count, scale, dither, state); break;
        default: GainRun<4>(p, count, scale, dither, state); break;
        }
    };
    BesideThisThread(samples >= kSamplesForTwo, [&] { run(0, half, 0x9E3779B9u); },
                     [&] { run(half, samples - half, 0x7F4A7C15u); });
}

LoudnessMatch MatchLoudness(Sound* sound, std::optional<double> target, bool toOldSound, const Loudness* measured)
{
    LoudnessMatch m;
    m.toOldSound = toOldSound;
    const Loudness now = measured ? *measured : MeasureLoudness(*sound, false);
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
    const double wanted = *target - *now.lufs, ceiling = ToDb(CeilingFor(sound->format.bits));
    // Only a true peak above ceiling - wanted holds the gain back; below it, any will do.
    const double peak = now.peakIsTrue ? now.truePeak : TruePeakAbove(*sound, now, ceiling - wanted);
    const double most = ceiling - peak;
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
