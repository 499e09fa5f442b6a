// How loud a sound is, measured one way for the window and voxbank alike: BS.1770 integrated
// loudness and true peak through libebur128, on the samples as stored; and the gain that gives
// a new sound the loudness of the one it replaces, as far as its peak allows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>

#include "engine/bank.h"
#include "engine/wave.h"

namespace vox {

// The true peak a matched sound stays at or below, in dBTP.
constexpr double kPeakCeiling = -1.0;
// A sound shorter than one gating block has no integrated loudness: it is measured whole,
// the K-weighted mean square of all of it, ungated.
constexpr double kBlockSeconds = 0.4;

struct Loudness {
    bool measurable = false;     // PCM of 8, 16, 24 or 32 bits, in a sane format
    std::optional<double> lufs;  // none when silent: below the -70 LUFS gate, or under 1 ms long
    double truePeak = 0;         // dBTP; -HUGE_VAL for digital silence
    bool whole = false;          // shorter than one block: measured by the short-sound rule
    bool peakIsTrue = true;      // truePeak is the sample peak when the true peak was not asked for
};

// The sound's loudness as stored; 8-bit samples are centred first. The true peak costs twice
// what the loudness does: without truePeak the peak is the sample peak.
Loudness MeasureLoudness(const Format& f, const uint8_t* bytes, size_t size, bool truePeak = true);
inline Loudness MeasureLoudness(const Sound& s, bool truePeak = true)
{
    return MeasureLoudness(s.format, s.bytes.data(), s.bytes.size(), truePeak);
}

// The same measure taken while a sound is being made, piece by piece, in a thread of its own:
// a conversion hands in its pieces as it makes them, and the measure is ready soon after the
// last, instead of costing a pass over the sound afterwards.
class LoudnessMeter {
public:
    explicit LoudnessMeter(const Format& f, bool truePeak = true);
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;
    // Whole frames of the sound, in order; copied.
    void Add(const uint8_t* bytes, size_t size);
    // The loudness of everything added, once the thread has measured it.
    Loudness Finish();

private:
    struct Work;
    std::unique_ptr<Work> work_;
};

struct LoudnessMatch {
    enum class Outcome {
        Matched,        // the gain reached the target
        Limited,        // the true peak stopped it short
        Silent,         // the new sound is silent: taken as it is
        NoTarget,       // the old sound is silent or cannot be measured: nothing to match
        NotMeasurable,  // the new sound is not PCM the measure takes: taken as it is
    };
    Outcome outcome = Outcome::NotMeasurable;
    bool toOldSound = true;  // the target is the old sound's loudness, not one asked for
    double target = 0;       // LUFS
    double gain = 0;         // dB given to the sound
    double reached = 0;      // LUFS it has now
};

// Gives the sound the gain that takes it to target LUFS, at most what keeps its true peak at
// kPeakCeiling once stored. A gain is applied to the samples as stored, with TPDF dither at 8
// and 16 bits; a gain below 0.005 dB leaves the sound untouched. measured, when given, is the
// sound's loudness already taken (by a LoudnessMeter). The true peak is measured only where the
// sample peak does not show the gain to be safe.
LoudnessMatch MatchLoudness(Sound* sound, std::optional<double> target, bool toOldSound,
                            const Loudness* measured = nullptr);

// The gain applied: each sample times 10^(dB/20), dithered at 8 and 16 bits, held at full scale.
void ApplyGain(Sound* sound, double dB);

}  // namespace vox
