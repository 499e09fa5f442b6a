// Any audio file into a bank: sines of known frequency written through libsndfile in many
// formats, converted by the real voxbank, and the stored sounds measured; the hand-written
// steps of the conversion; and import of a folder back into the bank.
#include <cmath>

#include <gtest/gtest.h>
#include <sndfile.h>

#include "builders.h"
#include "convert/pcm.h"
#include "engine/export.h"
#include "memfiles.h"
#include "run.h"
#include "sinefile.h"

using namespace vox::test;

namespace {

const double kPi = 3.14159265358979323846;

// The stored sound of a bank as samples in [-1, 1], each channel in turn.
struct Stored {
    vox::Entry entry;
    std::vector<std::vector<double>> channels;
};

Stored ReadStored(const std::string& bank, size_t n)
{
    vox::MemSource source(bank);
    vox::Bank b;
    EXPECT_EQ(vox::ReadBank(source, &b), vox::BankError::Ok);
    Stored s{b.entries[n], {}};
    std::vector<uint8_t> bytes((size_t)s.entry.length);
    EXPECT_TRUE(vox::ReadSound(source, s.entry, bytes.data()));
    const unsigned width = s.entry.bits / 8, channels = s.entry.channels;
    s.channels.resize(channels);
    for (size_t i = 0; i + width <= bytes.size(); i += width) {
        int32_t v = width == 1 ? bytes[i] - 128 : (int16_t)(bytes[i] | bytes[i + 1] << 8);
        s.channels[(i / width) % channels].push_back(v / (width == 1 ? 128.0 : 32768.0));
    }
    return s;
}

// The amplitude of the part of x at freq Hz (a Goertzel filter), over its middle, past the
// resampler's and codecs' edges.
double AmplitudeAt(const std::vector<double>& x, double rate, double freq)
{
    size_t from = x.size() / 10, to = x.size() - x.size() / 10;
    double re = 0, im = 0;
    for (size_t i = from; i < to; i++)
        re += x[i] * cos(2 * kPi * freq * i / rate), im += x[i] * sin(2 * kPi * freq * i / rate);
    return 2 * sqrt(re * re + im * im) / (double)(to - from);
}

struct Target {
    uint32_t rate;
    uint16_t channels, bits;
};

class Converting : public ::testing::Test, public Folder {
protected:
    std::string MakeBank(const Target& t)
    {
        std::vector<TestSound> sounds = Sounds({1000, 1000});
        sounds[1].rate = t.rate, sounds[1].channels = t.channels, sounds[1].bits = t.bits;
        sounds[1].data.resize(1000 / (t.channels * t.bits / 8) * (t.channels * t.bits / 8));
        std::string bank = BankBytes(sounds);
        Put("BANK.SFX", bank);
        return bank;
    }
};

TEST_F(Converting, EveryKindOfFileBecomesTheSoundItReplaces)
{
    const struct {
        const char* name;
        int format, rate, channels;
        double amp;
        Target target;
        std::vector<std::string> options;
    } cases[] = {
        {"a.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, 1.0, {22050, 1, 8}, {}},
        {"b.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 48000, 1, 0.5, {22050, 1, 16}, {}},
        {"c.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000, 2, 0.5, {22050, 1, 16}, {}},
        {"d.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100, 2, 0.5, {11025, 1, 8}, {}},
        {"e.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 96000, 2, 0.7, {22050, 2, 16}, {}},
        {"f.wav", SF_FORMAT_WAVEX | SF_FORMAT_PCM_24, 8000, 1, 0.7, {22050, 1, 16}, {}},
        {"g.wav", SF_FORMAT_WAV | SF_FORMAT_ULAW, 8000, 1, 0.7, {11025, 1, 8}, {}},
        {"h.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 22050, 1, 0.7, {11025, 2, 8}, {}},
        {"i.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, 0.5, {11025, 1, 8},
         {"--rate", "16000", "--channels", "2", "--bits", "16"}},
    };
    const double seconds = 1.0, freq = 441;
    for (const auto& c : cases) {
        const std::string bank = MakeBank(c.target);
        WriteSine(Path(c.name), c.format, c.rate, c.channels, seconds, freq, c.amp);
        std::vector<std::string> args = {"replace", Path("BANK.SFX"), "1=" + Path(c.name), "--convert"};
        args.insert(args.end(), c.options.begin(), c.options.end());
        Outcome o = RunVoxbank(args);
        ASSERT_EQ(o.status, 0) << c.name << ": " << o.err;
        Target want = c.target;
        if (!c.options.empty())
            want = {16000, 2, 16};
        Stored s = ReadStored(Get("BANK.SFX"), 1);
        EXPECT_EQ(vox::FormatOf(s.entry), vox::PcmFormat(want.rate, want.channels, want.bits)) << c.name;
        EXPECT_NEAR((double)s.channels[0].size(), seconds * want.rate, 2) << c.name;
        for (const std::vector<double>& channel : s.channels) {
            double at = AmplitudeAt(channel, want.rate, freq);
            EXPECT_NEAR(20 * log10(at / c.amp), 0.0, 1.0) << c.name << ": the level";
            EXPECT_GT(at, 30 * AmplitudeAt(channel, want.rate, freq * 1.03)) << c.name << ": the frequency";
            EXPECT_GT(at, 30 * AmplitudeAt(channel, want.rate, freq * 0.97)) << c.name << ": the frequency";
            for (double x : channel)
                ASSERT_TRUE(x > -1 && x <= 127.0 / 128) << c.name << ": a sample held at full scale";
        }
        const std::string became = "-> PCM " + std::to_string(want.channels) + "ch " + std::to_string(want.rate) + " Hz " +
                                   std::to_string(want.bits) + "-bit, 1.00 s, ";
        EXPECT_NE(o.out.find(", 1.00 s " + became), std::string::npos) << o.out;
    }
}

TEST_F(Converting, StereoInAntiphaseMixesToSilence)
{
    MakeBank({22050, 1, 16});
    WriteSine(Path("anti.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_16, 22050, 2, 0.5, 441, 0.9, true);
    ASSERT_EQ(RunVoxbank({"replace", Path("BANK.SFX"), "1=" + Path("anti.wav"), "--convert"}).status, 0);
    const Stored mixed = ReadStored(Get("BANK.SFX"), 1);
    for (double x : mixed.channels[0])
        ASSERT_LT(std::abs(x), 2 / 32768.0) << "the average of a sound and its opposite, give or take the dither";
}

TEST_F(Converting, AFileThatCannotBeReadChangesNothing)
{
    const std::string bank = MakeBank({22050, 1, 8});
    Put("junk.ogg", "OggS but not really");
    WriteSine(Path("ok.flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 1, 0.2, 441, 0.5);
    const struct { std::vector<std::string> args; int status; std::string says; } cases[] = {
        {{"replace", Path("BANK.SFX"), "0=" + Path("ok.flac"), "1=" + Path("junk.ogg"), "--convert"}, 1, "junk.ogg: not a sound file Voxmend can read ("},
        {{"replace", Path("BANK.SFX"), "1=" + Path("ok.flac"), "--convert", "--bits", "24"}, 2, "only where the bank"},
        {{"replace", Path("BANK.SFX"), "1=" + Path("ok.flac"), "--convert", "--bits", "12"}, 2, "--bits"},
    };
    for (const auto& c : cases) {
        Outcome o = RunVoxbank(c.args);
        EXPECT_EQ(o.status, c.status) << c.says << o.err;
        EXPECT_NE(o.err.find(c.says), std::string::npos) << o.err;
        EXPECT_TRUE(Get("BANK.SFX") == bank && !Has("BANK.SFX.bak")) << c.says;
    }
}

TEST_F(Converting, ImportTakesBackOnlyWhatWasEdited)
{
    Put("BANK.SFX", BankBytes(Sounds({1000, 1200, 1400, 1600})));
    Put("BANK.txt", IndexText({"A", "B", "C", "D"}));
    ASSERT_EQ(RunVoxbank({"extract", Path("BANK.SFX"), "-o", Path("wav")}).status, 0);
    const std::string bank = Get("BANK.SFX");
    // (a folder as extract left it changes nothing: the round trip of ExtractedFilesAreWhatAnotherReaderReads)
    // sound 1 edited in place, sound 3 replaced by a FLAC file of another name
    WaveLayout w;
    w.rate = 12025, w.data = std::string(999, '\x40');
    Put("wav/001-B.wav", WaveBytes(w));
    std::filesystem::remove(Path("wav/003-D.wav"));
    WriteSine(Path("wav/3.flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, 0.2, 441, 0.5);
    Put("wav/notes.txt", "not a sound");
    EXPECT_EQ(RunVoxbank({"import", Path("BANK.SFX"), Path("wav")}).status, 1) << "a FLAC file wants --convert";
    Outcome o = RunVoxbank({"import", Path("BANK.SFX"), Path("wav"), "--convert"});
    ASSERT_EQ(o.status, 0) << o.err;
    EXPECT_NE(o.out.find("left as they were, their files hold what the bank holds: sound(s) 0, 2"), std::string::npos) << o.out;
    Stored now1 = ReadStored(Get("BANK.SFX"), 1), now3 = ReadStored(Get("BANK.SFX"), 3);
    EXPECT_EQ(now1.entry.length, 999);
    EXPECT_EQ(now3.entry.rate, 14025) << "converted to sound 3's own format";
    EXPECT_NEAR((double)now3.entry.length, 0.2 * 14025, 2);
    for (size_t n : {0, 2})
        EXPECT_EQ(ReadStored(Get("BANK.SFX"), n).channels, ReadStored(bank, n).channels) << n;
    EXPECT_TRUE(Get("BANK.SFX.bak") == bank);
}

// What extract writes, read by libsndfile: every format and odd length a bank holds, each
// sample as stored, the RIFF size that of the file and an odd chunk padded.
TEST_F(Converting, ExtractedFilesAreWhatAnotherReaderReads)
{
    const struct { uint16_t channels, bits; size_t length; } kinds[] = {
        {1, 8, 7}, {2, 8, 1001}, {2, 16, 2000}, {1, 16, 333 * 2}, {1, 24, 999}, {2, 24, 1000}, {2, 8, 1},
    };
    std::vector<TestSound> sounds;
    for (const auto& k : kinds) {
        TestSound& t = sounds.emplace_back(Sounds({k.length}, k.bits)[0]);
        t.channels = k.channels, t.bits = k.bits, t.rate = 22050;
    }
    Put("BANK.SFX", BankBytes(sounds));
    ASSERT_EQ(RunVoxbank({"extract", Path("BANK.SFX"), "-o", Path("out")}).status, 0);
    for (size_t n = 0; n < sounds.size(); n++) {
        const TestSound& t = sounds[n];
        const std::string name = "out/" + vox::ExtractedName(n, nullptr), file = Get(name);
        const std::string at = name + ", " + std::to_string(t.bits) + "-bit, " + std::to_string(t.data.size()) + " bytes";
        ASSERT_GT(file.size(), 44u) << at;
        EXPECT_EQ(Get32(file, 4), file.size() - 8) << at << ": the RIFF size";
        size_t data = file.find("data");
        ASSERT_NE(data, std::string::npos) << at;
        EXPECT_EQ(Get32(file, data + 4), t.data.size()) << at;
        EXPECT_EQ(file.size(), data + 8 + t.data.size() + t.data.size() % 2) << at << ": the pad byte";
        if (t.data.size() % 2) {
            EXPECT_EQ(file.back(), '\0') << at;
        }

        SF_INFO info = {};
        SNDFILE* f = sf_open(Path(name).c_str(), SFM_READ, &info);
        ASSERT_NE(f, nullptr) << at << ": " << sf_strerror(nullptr);
        const size_t frame = t.channels * t.bits / 8, frames = t.data.size() / frame;
        EXPECT_EQ(info.samplerate, 22050) << at;
        EXPECT_EQ(info.channels, t.channels) << at;
        EXPECT_EQ(info.frames, (sf_count_t)frames) << at;
        std::vector<int> got(frames * t.channels + 1);
        EXPECT_EQ(sf_readf_int(f, got.data(), (sf_count_t)frames), (sf_count_t)frames) << at;
        sf_close(f);
        for (size_t i = 0; i < frames * t.channels; i++) {
            const size_t w = t.bits / 8;
            uint32_t v = 0;
            for (size_t b = 0; b < w; b++)
                v |= (uint32_t)(uint8_t)t.data[i * w + b] << (8 * (4 - w + b));
            const int32_t want = w == 1 ? (int32_t)(v ^ 0x80000000u) : (int32_t)v;
            ASSERT_EQ(got[i], want) << at << ": sample " << i;
        }
    }
    // Read back through the converter, each holds what the bank holds (but the last, less than a frame).
    std::filesystem::remove(Path("out/006.wav"));
    Outcome o = RunVoxbank({"import", Path("BANK.SFX"), Path("out"), "--convert"});
    EXPECT_NE(o.out.find("nothing differs from the 6 sound file(s)"), std::string::npos) << o.out << o.err;
    EXPECT_FALSE(Has("BANK.SFX.bak"));
}

// The layouts real files bring: each mix keeps a sound that all channels share at its level,
// full scale included, and never leaves the range of the channels it averages.
TEST(MixChannels, KeepsTheLevelAndNeverClips)
{
    const struct { unsigned from, to; std::vector<double> frame, mixed; } cases[] = {
        {3, 2, {1.0, -1.0, 0.5}, {0.75, -1.0}},
        {5, 2, {1, 2, 3, 4, 5}, {3, 3}},
        {6, 1, {1, 2, 3, 4, 5, 6}, {3.5}},
        {1, 2, {-0.25}, {-0.25, -0.25}},
        {8, 2, {1, 2, 3, 4, 5, 6, 7, 8}, {4, 5}},
        {2, 1, {1.0, -1.0}, {0.0}},
        {2, 2, {1.0, -1.0}, {1.0, -1.0}},
        {1, 3, {0.5}, {0.5, 0.5, 0.5}},
    };
    for (const auto& c : cases) {
        std::vector<double> out = {9, 9, 9, 9, 9, 9, 9, 9, 9};  // what a piece before left behind
        vox::MixChannels(c.frame.data(), 1, c.from, c.to, &out);
        EXPECT_EQ(out, c.mixed) << c.from << " to " << c.to;
        // a full-scale tone on every channel, two frames of it
        for (double level : {1.0, -1.0, 0.3}) {
            std::vector<double> in(2 * c.from, level), mixed;
            vox::MixChannels(in.data(), 2, c.from, c.to, &mixed);
            EXPECT_EQ(mixed, std::vector<double>(2 * c.to, level)) << c.from << " to " << c.to << " at " << level;
        }
    }
}

// A tone below half a step is lost to rounding; TPDF dither keeps it, at its level, under noise.
// Samples past full scale are held there. That dithered ones at full scale never clip is the
// conversion test's, whose FLAC file at full scale becomes 8-bit.
TEST(Quantizer, DitherKeepsAToneBelowOneStepAndFullScaleHolds)
{
    const double rate = 22050, freq = 441, step = 1 / 32768.0;
    std::vector<double> tone(22050);
    for (size_t i = 0; i < tone.size(); i++)
        tone[i] = 0.4 * step * sin(2 * kPi * freq * i / rate);
    for (bool exact : {false, true}) {
        std::vector<uint8_t> bytes;
        vox::Quantizer(16, exact).Append(tone.data(), tone.size(), &bytes);
        std::vector<double> stored;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2)
            stored.push_back((int16_t)(bytes[i] | bytes[i + 1] << 8) * step);
        const double kept = AmplitudeAt(stored, rate, freq) / (0.4 * step);
        if (exact)
            EXPECT_EQ(kept, 0.0) << "undithered, it rounds to silence";
        else
            EXPECT_NEAR(kept, (32768 - 1.5) / 32768, 0.05) << "dithered, it keeps its level";
    }

    const double past = 2.0;
    std::vector<uint8_t> held;
    vox::Quantizer(16, false).Append(&past, 1, &held);
    EXPECT_EQ(held, std::vector<uint8_t>({0xFF, 0x7F})) << "a float past full scale";
}

}  // namespace
