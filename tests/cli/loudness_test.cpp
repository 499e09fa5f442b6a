// Loudness: the measure against the values BS.1770 gives tones, and voxbank matching a new
// sound to the one it replaces, or to a target, as far as the peak allows.
#include <cmath>
#include <functional>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sndfile.h>

#include "builders.h"
#include "convert/loudness.h"
#include "memfiles.h"
#include "run.h"
#include "sinefile.h"

using namespace vox::test;

namespace {

const double kPi = 3.14159265358979323846;

double Db(double dBFS)
{
    return std::pow(10.0, dBFS / 20);
}

// PCM bytes of seconds of sample(t, channel), in [-1, 1], stored as a bank stores them.
std::string Samples(uint32_t rate, uint16_t channels, uint16_t bits, double seconds,
                    const std::function<double(double, unsigned)>& sample)
{
    std::string bytes;
    const double full = std::ldexp(1.0, bits - 1);
    for (size_t i = 0; i < (size_t)std::llround(seconds * rate); i++)
        for (unsigned c = 0; c < channels; c++) {
            long v = std::lround(std::clamp(sample((double)i / rate, c) * full, -full, full - 1));
            if (bits == 8)
                v += 128;
            for (unsigned b = 0; b < bits / 8u; b++)
                bytes += (char)(uint8_t)((unsigned long)v >> (8 * b));
        }
    return bytes;
}

// A 1 kHz sine at dBFS.
std::function<double(double, unsigned)> Sine(double dBFS, double freq = 1000)
{
    return [=](double t, unsigned) { return Db(dBFS) * std::sin(2 * kPi * freq * t); };
}

vox::Loudness Measure(const TestSound& s)
{
    return vox::MeasureLoudness(FormatFor(s), (const uint8_t*)s.data.data(), s.data.size());
}

TestSound Tone(uint32_t rate, uint16_t channels, uint16_t bits, double seconds,
               const std::function<double(double, unsigned)>& sample)
{
    TestSound s;
    s.rate = rate, s.channels = channels, s.bits = bits;
    s.data = Samples(rate, channels, bits, seconds, sample);
    return s;
}

// A 1 kHz sine of full scale measures -3.01 LUFS in one channel (the K filter's +0.69 dB there
// and the -0.691 of the formula cancel), and the channels of a stereo sound add up.
TEST(Loudness, TonesMeasureWhatBs1770GivesThem)
{
    const struct {
        const char* what;
        TestSound sound;
        std::optional<double> lufs;
        double peak;
        bool whole;
    } cases[] = {
        {"1 kHz at -20 dBFS, mono", Tone(48000, 1, 16, 3, Sine(-20)), -23.01, -20, false},
        {"the same in both channels", Tone(48000, 2, 16, 3, Sine(-20)), -20.0, -20, false},
        {"one channel of two silent", Tone(48000, 2, 16, 3, [](double t, unsigned c) { return c ? 0 : Sine(-20)(t, c); }),
         -23.01, -20, false},
        {"8-bit at 11025 Hz", Tone(11025, 1, 8, 2, Sine(-20)), -23.01, -20, false},
        {"24-bit at 44100 Hz", Tone(44100, 1, 24, 2, Sine(-6)), -9.01, -6, false},
        {"under one block: 200 ms, measured whole", Tone(22050, 1, 16, 0.2, Sine(-20)), -23.01, -20, true},
        {"one block exactly", Tone(11025, 1, 8, 0.4, Sine(-10)), -13.01, -10, true},
        // 3 s loud and 3 s 20 dB softer: the relative gate (10 LU under the ungated -26.0) leaves the
        // soft blocks out, and keeps the 27 loud ones and the three across the change, 3/4, 1/2 and 1/4 loud
        {"the relative gate", Tone(48000, 1, 16, 6, [](double t, unsigned c) { return Sine(t < 3 ? -20 : -40)(t, c); }),
         -23.01 + 10 * std::log10(28.5 / 30), -20, false},
        // below the absolute gate of -70 LUFS, blocks count for nothing
        {"the absolute gate", Tone(48000, 1, 16, 6, [](double t, unsigned c) { return Sine(t < 3 ? -20 : -75)(t, c); }),
         -23.01 + 10 * std::log10(28.5 / 30), -20, false},
        {"quieter than the gate", Tone(48000, 1, 16, 2, Sine(-75)), std::nullopt, -75, false},
        {"8-bit silence, stored as 128", Tone(11025, 1, 8, 1, Sine(-200)), std::nullopt, -HUGE_VAL, false},
        {"16-bit silence, short", Tone(22050, 2, 16, 0.1, Sine(-200)), std::nullopt, -HUGE_VAL, true},
        {"under a millisecond", Tone(22050, 1, 16, 0.0005, Sine(-3)), std::nullopt, -3.5, true},
    };
    for (const auto& c : cases) {
        vox::Loudness l = Measure(c.sound);
        EXPECT_TRUE(l.measurable) << c.what;
        EXPECT_EQ(l.lufs.has_value(), c.lufs.has_value()) << c.what;
        if (l.lufs && c.lufs) {
            EXPECT_NEAR(*l.lufs, *c.lufs, 0.1) << c.what;
        }
        if (std::isfinite(c.peak)) {
            EXPECT_NEAR(l.truePeak, c.peak, 0.6) << c.what;
        } else {
            EXPECT_EQ(l.truePeak, -HUGE_VAL) << c.what;
        }
        EXPECT_EQ(l.whole, c.whole) << c.what;
    }
    TestSound adpcm = Tone(22050, 1, 16, 1, Sine(-20));
    adpcm.extra = 0;
    vox::Format f = FormatFor(adpcm);
    f.tag = 2;
    EXPECT_FALSE(vox::MeasureLoudness(f, (const uint8_t*)adpcm.data.data(), adpcm.data.size()).measurable)
        << "not PCM";
}

// Sample n of a sound at rate: quiet everywhere but where the frames given to loud say otherwise.
std::function<double(double, unsigned)> Frames(uint32_t rate, double quiet, const std::function<double(long, unsigned)>& loud)
{
    return [=](double t, unsigned c) {
        const double v = loud(std::lround(t * rate), c);
        return std::isnan(v) ? Sine(quiet)(t, c) : v;
    };
}

// A quarter of the rate at 45 degrees: samples of 0.707 of its peak, which lies between them.
double Quarter(long n, double peak)
{
    return peak * std::sin(kPi / 2 * (double)n + kPi / 4);
}

// The true peak measured only where it may pass a line is the whole sound's, whenever it does
// pass it: each block it may lie in measured, with the interpolator's memory of the frames before.
TEST(Loudness, TruePeakWhereItMayPassALineIsTheWholeSounds)
{
    const long edge = (long)vox::kPeakBlockFrames;
    const struct {
        const char* what;
        TestSound sound;
    } cases[] = {
        // its peak between the two is read only as the next block comes in
        {"two samples closing a block", Tone(22050, 1, 16, 0.3, Frames(22050, -60, [=](long n, unsigned) {
             return n == edge - 2 || n == edge - 1 ? 0.5 : NAN;
         }))},
        // the frames before it, in a block too quiet to be measured, still shape its peak
        {"two samples opening a block after a softer stretch", Tone(22050, 1, 16, 0.3, Frames(22050, -60, [=](long n, unsigned) {
             return n == edge || n == edge + 1 ? 0.5 : n >= edge - 8 && n < edge ? (n % 2 ? -0.2 : 0.2) : NAN;
         }))},
        {"a burst in a quiet stereo sound, in its second channel", Tone(44100, 2, 16, 2, Frames(44100, -40, [](long n, unsigned c) {
             return c == 1 && n >= 50000 && n < 50040 ? Quarter(n, 0.5) : NAN;
         }))},
        // taken in order, the soft tone would stop the search before the loud burst after it
        {"a soft burst, a softer tone, then the loudest burst", Tone(22050, 1, 16, 0.6, Frames(22050, -60, [=](long n, unsigned) {
             return n >= edge + 100 && n < edge + 140      ? Quarter(n, 0.3)
                    : n >= 3 * edge && n < 4 * edge        ? 0.15 * std::sin(0.05 * (double)n)
                    : n >= 5 * edge + 100 && n < 5 * edge + 140 ? Quarter(n, 0.6)
                                                            : NAN;
         }))},
        {"8-bit, a burst in the last block, short of a whole one", Tone(11025, 1, 8, 0.45, Frames(11025, -30, [](long n, unsigned) {
             return n >= 4940 && n < 4950 ? Quarter(n, 0.9) : NAN;
         }))},
        // every block near the line, so that both workers measure many, the loudest far in
        {"a loud tone throughout, the loudest burst late", Tone(22050, 1, 16, 2, Frames(22050, -60, [](long n, unsigned) {
             return n >= 40000 && n < 40040 ? Quarter(n, 0.7) : 0.4 * std::sin(0.3 * (double)n);
         }))},
        {"24-bit at 96 kHz, interpolated twice over", Tone(96000, 1, 24, 0.1, Frames(96000, -50, [=](long n, unsigned) {
             return n == 3 * edge - 1 || n == 3 * edge ? 0.5 : NAN;
         }))},
    };
    for (const auto& c : cases) {
        vox::Sound s;
        s.format = FormatFor(c.sound);
        s.bytes.assign(c.sound.data.begin(), c.sound.data.end());
        const double whole = vox::MeasureLoudness(s).truePeak;
        const vox::Loudness measured = vox::MeasureLoudness(s, false);
        EXPECT_GT(whole, measured.truePeak + 1) << c.what << ": a peak between the samples";
        for (double below : {0.5, 3.0, 20.0}) {
            EXPECT_NEAR(vox::TruePeakAbove(s, measured, whole - below), whole, 1e-6) << c.what << ", " << below << " dB above";
            EXPECT_NEAR(vox::TruePeakAbove(s, vox::Loudness(), whole - below), whole, 1e-6)
                << c.what << ", " << below << " dB above, its block peaks measured again";
        }
        EXPECT_LE(vox::TruePeakAbove(s, measured, whole + 0.5), whole + 0.5) << c.what << ": under the line";
    }
}

// The stored sound n of a bank, measured.
vox::Loudness StoredLoudness(const std::string& bank, size_t n)
{
    vox::MemSource source(bank);
    vox::Bank b;
    EXPECT_EQ(vox::ReadBank(source, &b), vox::BankError::Ok);
    std::vector<uint8_t> bytes((size_t)b.entries[n].length);
    EXPECT_TRUE(vox::ReadSound(source, b.entries[n], bytes.data()));
    return vox::MeasureLoudness(vox::FormatOf(b.entries[n]), bytes.data(), bytes.size());
}

std::string Stored(const std::string& bank, size_t n)
{
    vox::Bank b = Loaded(bank);
    return bank.substr((size_t)b.entries[n].offset, (size_t)b.entries[n].length);
}

class Matching : public ::testing::Test, public Folder {
public:
    // Sound 0 a click, sound 1 the given one, 1 s at 22050 Hz.
    void MakeBank(uint16_t bits, const std::function<double(double, unsigned)>& old)
    {
        bank_ = BankBytes({Tone(11025, 1, 8, 0.05, Sine(-6)), Tone(22050, 1, bits, 1, old)});
        Put("BANK.SFX", bank_);
    }
    // A WAVE file as the sound's format stores it, or any file through libsndfile.
    void PutWave(const std::string& name, uint16_t bits, double seconds, const std::function<double(double, unsigned)>& f)
    {
        WaveLayout w;
        w.rate = 22050, w.bits = bits, w.data = Samples(22050, 1, bits, seconds, f);
        Put(name, WaveBytes(w));
    }
protected:
    std::string bank_;
};

// A quiet voice line with a loud click: its peak is 20 dB above its tone.
double Clicked(double t, unsigned c)
{
    return std::abs(t - 0.5) < 0.5 / 22050 ? Db(-12) : Sine(-32)(t, c);
}

// The report line's end: what the gain did, as "matched to L LUFS (G dB)" or "G dB, limited by
// the peak: L LUFS, S dB below WHAT"; its numbers are read back, and the rest must be as written.
struct Said {
    double gain = NAN, lufs = NAN, below = NAN;
    std::string rest;  // the line with the numbers taken out
};

Said ReadReport(const std::string& out)
{
    Said s;
    std::string line = out.substr(0, out.find('\n'));
    char what[64] = "";
    size_t at;
    if ((at = line.find("matched to ")) != std::string::npos &&
        sscanf(line.c_str() + at, "matched to %lf LUFS (%lf dB)", &s.lufs, &s.gain) == 2) {
        s.rest = line.substr(0, at) + "matched to L LUFS (G dB)";
    } else if ((at = line.find(" dB, limited by the peak: ")) != std::string::npos) {
        at = line.rfind(", ", at) + 2;
        if (sscanf(line.c_str() + at, "%lf dB, limited by the peak: %lf LUFS, %lf dB below the %63[a-z ]", &s.gain, &s.lufs,
                   &s.below, what) == 4)
            s.rest = line.substr(0, at) + "G dB, limited by the peak: L LUFS, S dB below the " + what;
    } else {
        s.rest = line;
    }
    return s;
}

TEST_F(Matching, TheNewSoundTakesTheOldOnesLoudnessAsFarAsItsPeakAllows)
{
    const struct {
        const char* what;
        uint16_t bits;
        double old;  // dBFS of the old sound's sine
        std::vector<std::string> options;
        std::function<void(Matching*)> file;
        double gain, lufs, below;  // as the line tells them; the stored sound's loudness is lufs
        std::string ends;          // the line's end, its numbers taken out
    } cases[] = {
        {"a FLAC file, louder", 8, -20, {"--convert", "--match-loudness"},
         [](Matching* m) { WriteSine(m->Path("new"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, 1, 1000, Db(-6)); },
         -14.0, -23.0, NAN, "-> PCM 1ch 22050 Hz 8-bit, 1.00 s, 22,050 bytes (was 22,050 bytes, 1.00 s), matched to L LUFS (G dB)"},
        {"a WAVE file already in the sound's format, quieter", 16, -10, {"--match-loudness"},
         [](Matching* m) { m->PutWave("new", 16, 1, Sine(-40)); }, 30.0, -13.0, NAN,
         ": 44100 bytes PCM 1ch 22050 Hz 16-bit -> 44100 bytes PCM 1ch 22050 Hz 16-bit, matched to L LUFS (G dB)"},
        {"the same, converted", 16, -10, {"--match-loudness", "--convert"},
         [](Matching* m) { m->PutWave("new", 16, 1, Sine(-40)); }, 30.0, -13.0, NAN,
         "-> PCM 1ch 22050 Hz 16-bit, 1.00 s, 44,100 bytes (was 44,100 bytes, 1.00 s), matched to L LUFS (G dB)"},
        {"a target of its own", 16, -10, {"--loudness", "-20", "--convert"},
         [](Matching* m) { m->PutWave("new", 16, 1, Sine(-40)); }, 23.0, -20.0, NAN, "matched to L LUFS (G dB)"},
        // 30 dB wanted; 11 bring the click to -1 dBTP
        {"a click in the way", 16, -5, {"--match-loudness"}, [](Matching* m) { m->PutWave("new", 16, 1, Clicked); },
         11.0, -24.0, 16.0, ", G dB, limited by the peak: L LUFS, S dB below the old sound"},
        {"a click in the way of a target, at 8 bits", 8, -5, {"--loudness", "-3", "--convert"},
         [](Matching* m) { m->PutWave("new", 16, 1, Clicked); }, 10.9, -23.7, 20.7,
         ", G dB, limited by the peak: L LUFS, S dB below the target"},
        // 16 dB wanted; the true peak of the burst, 3 dB over its samples, is all that stops it
        {"a burst in a quiet voice line", 16, -10, {"--match-loudness"},
         [](Matching* m) {
             m->PutWave("new", 16, 1, Frames(22050, -40, [](long n, unsigned) { return n >= 9000 && n < 9040 ? Quarter(n, 0.5) : NAN; }));
         },
         4.9, -24.0, 11.0, ", G dB, limited by the peak: L LUFS, S dB below the old sound"},
        {"a peak between two samples closing a block", 16, -10, {"--match-loudness"},
         [](Matching* m) {
             const long edge = (long)vox::kPeakBlockFrames;
             m->PutWave("new", 16, 1, Frames(22050, -40, [=](long n, unsigned) { return n == edge - 2 || n == edge - 1 ? 0.5 : NAN; }));
         },
         3.0, -38.8, 25.9, ", G dB, limited by the peak: L LUFS, S dB below the old sound"},
        // louder than it may be: the peak takes it down
        {"a sine at full scale matched to itself", 16, -0.1, {"--match-loudness"},
         [](Matching* m) { m->PutWave("new", 16, 1, Sine(-0.1)); }, -0.9, -4.0, 0.9,
         ", G dB, limited by the peak: L LUFS, S dB below the old sound"},
        {"silence", 16, -20, {"--match-loudness"}, [](Matching* m) { m->PutWave("new", 16, 1, Sine(-200)); }, NAN, NAN,
         NAN, "16-bit, silent, so taken as it is (no gain)"},
        {"an old sound that is silent", 16, -200, {"--match-loudness"},
         [](Matching* m) { m->PutWave("new", 16, 1, Sine(-20)); }, NAN, -23.0, NAN,
         "16-bit, taken as it is: the old sound is silent or cannot be measured, so there is no loudness to match"},
    };
    for (const auto& c : cases) {
        MakeBank(c.bits, Sine(c.old));
        c.file(this);
        std::vector<std::string> args = {"replace", Path("BANK.SFX"), "1=" + Path("new")};
        args.insert(args.end(), c.options.begin(), c.options.end());
        Outcome o = RunVoxbank(args);
        ASSERT_EQ(o.status, 0) << c.what << ": " << o.err;
        const Said said = ReadReport(o.out);
        EXPECT_TRUE(said.rest.size() >= c.ends.size() && said.rest.compare(said.rest.size() - c.ends.size(), c.ends.size(), c.ends) == 0)
            << c.what << ": " << o.out;
        for (auto [told, want] : {std::pair{said.gain, c.gain}, {said.lufs, c.lufs}, {said.below, c.below}})
            if (!std::isnan(want) && c.ends.find("L LUFS") != std::string::npos) {
                EXPECT_NEAR(told, want, 0.15) << c.what << ": " << o.out;
            }
        const vox::Loudness now = StoredLoudness(Get("BANK.SFX"), 1);
        EXPECT_EQ(now.lufs.has_value(), !std::isnan(c.lufs)) << c.what;
        if (now.lufs && !std::isnan(c.lufs)) {
            EXPECT_NEAR(*now.lufs, c.lufs, 0.5) << c.what << ": the stored sound";
        }
        if (!std::isnan(c.gain)) {
            EXPECT_LE(now.truePeak, -1.0) << c.what << ": the peak stays at -1 dBTP";
        }
        EXPECT_TRUE(Stored(Get("BANK.SFX"), 0) == Stored(bank_, 0)) << c.what << ": the other sound";
    }
}

TEST_F(Matching, GainIsDitheredAndAGainOfNothingChangesNothing)
{
    // 0.4 of a step at 16 bits, 12 dB up: dithered, the tone survives instead of rounding away
    MakeBank(16, Sine(-20));
    PutWave("new.wav", 16, 1, Sine(-20));
    ASSERT_EQ(RunVoxbank({"replace", Path("BANK.SFX"), "1=" + Path("new.wav"), "--match-loudness"}).status, 0);
    EXPECT_TRUE(Stored(Get("BANK.SFX"), 1) == Stored(bank_, 1)) << "already as loud: the samples stay as they are";

    vox::Sound s;
    s.format = Pcm(1, 22050, 16);
    const std::string quiet = Samples(22050, 1, 16, 1, [](double t, unsigned) { return 0.4 / 32768 * std::sin(2 * kPi * 441 * t); });
    ASSERT_EQ(quiet, std::string(quiet.size(), '\0')) << "rounded, the tone is gone";
    const std::string tone = Samples(22050, 1, 16, 1, Sine(-60, 441));
    s.bytes.assign(tone.begin(), tone.end());
    vox::ApplyGain(&s, 20 * std::log10(0.4 / 32768) + 60);  // from -60 dBFS down to 0.4 of a step
    double re = 0, im = 0;
    for (size_t i = 0; i + 1 < s.bytes.size(); i += 2) {
        const double x = (int16_t)(s.bytes[i] | s.bytes[i + 1] << 8), phase = 2 * kPi * 441 * (double)(i / 2) / 22050;
        re += x * std::cos(phase), im += x * std::sin(phase);
    }
    EXPECT_NEAR(2 * std::hypot(re, im) / (double)(s.bytes.size() / 2), 0.4, 0.1) << "dithered, the tone keeps its level";
}

TEST_F(Matching, ImportMatchesEachFileAndLeavesOnesAlreadyInPlace)
{
    MakeBank(16, Sine(-20));
    Put("BANK.txt", IndexText({"Click", "Voice"}));
    ASSERT_EQ(RunVoxbank({"extract", Path("BANK.SFX"), "-o", Path("wav")}).status, 0);
    Outcome o = RunVoxbank({"import", Path("BANK.SFX"), Path("wav"), "--match-loudness"});
    EXPECT_NE(o.out.find("nothing differs from the 2 sound file(s)"), std::string::npos) << o.out << o.err;
    PutWave("wav/001-Voice.wav", 16, 1, Sine(-35));
    o = RunVoxbank({"import", Path("BANK.SFX"), Path("wav"), "--match-loudness"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("sound 1 (Voice): 44100 bytes PCM 1ch 22050 Hz 16-bit -> 44100 bytes PCM 1ch 22050 Hz 16-bit, "
                         "matched to -23.0 LUFS (+15.0 dB), from "),
              std::string::npos)
        << o.out;
    EXPECT_NEAR(*StoredLoudness(Get("BANK.SFX"), 1).lufs, -23.0, 0.5);
}

TEST_F(Matching, UsageErrorsChangeNothing)
{
    MakeBank(16, Sine(-20));
    PutWave("new.wav", 16, 1, Sine(-30));
    const struct { std::vector<std::string> args; std::string says; } cases[] = {
        {{"--match-loudness", "--loudness", "-20"}, "--match-loudness and --loudness are two targets: give one"},
        {{"--loudness", "3"}, "--loudness"},
        {{"--loudness", "loud"}, "--loudness"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {"replace", Path("BANK.SFX"), "1=" + Path("new.wav")};
        args.insert(args.end(), c.args.begin(), c.args.end());
        Outcome o = RunVoxbank(args);
        EXPECT_EQ(o.status, 2) << c.says;
        EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
        EXPECT_TRUE(Get("BANK.SFX") == bank_ && !Has("BANK.SFX.bak")) << c.says;
    }
}

TEST_F(Matching, ListShowsLoudnessAndPeak)
{
    Put("BANK.SFX", BankBytes({Tone(11025, 1, 8, 2, Sine(-20)), Tone(22050, 2, 16, 0.2, Sine(-200)),
                               Tone(22050, 2, 16, 1, Sine(-6))}));
    Outcome o = RunVoxbank({"list", Path("BANK.SFX"), "--loudness"});
    ASSERT_EQ(o.status, 0) << o.err;
    const char* lines[] = {
        "  #       bytes      offset  format                    seconds     LUFS     dBTP\n",
        "  0       22050         100  PCM 1ch 11025 Hz 8-bit      2.000    -22.9    -19.7\n",
        "  1       17640       22150  PCM 2ch 22050 Hz 16-bit     0.200   silent     -inf\n",
        "  2       88200       39790  PCM 2ch 22050 Hz 16-bit     1.000     -6.0     -6.0\n",
    };
    for (const char* line : lines)
        EXPECT_NE(o.out.find(line), std::string::npos) << line << o.out;
    o = RunVoxbank({"list", Path("BANK.SFX"), "--loudness", "--json"});
    ASSERT_EQ(o.status, 0) << o.err;
    const auto sounds = nlohmann::json::parse(o.out)["sounds"];
    EXPECT_NEAR(sounds[0]["loudness"].get<double>(), -22.92, 0.005);
    EXPECT_NEAR(sounds[0]["truePeak"].get<double>(), -19.67, 0.005);
    EXPECT_TRUE(sounds[1]["loudness"].is_null() && sounds[1]["truePeak"].is_null());
    EXPECT_NEAR(sounds[2]["loudness"].get<double>(), -6.0, 0.05);
    o = RunVoxbank({"list", Path("BANK.SFX"), "--json"});
    EXPECT_FALSE(nlohmann::json::parse(o.out)["sounds"][0].contains("loudness")) << "only when asked";
}

}  // namespace
