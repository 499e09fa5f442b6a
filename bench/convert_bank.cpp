// The conversion benchmark's files, and how close a converted sound is to its source.
//   bench_convert make FOLDER   writes FOLDER/source.flac (60 s, 44100 Hz stereo, 16-bit),
//                               FOLDER/voice.flac (the same length, speech-like) and
//                               FOLDER/BANK.SFX, whose sounds 1 to 4 are 22050 Hz mono tones,
//                               8-bit but for sound 2's 16 bits; 3 is quiet and 4 loud
//   bench_convert snr BANK N    prints the signal-to-noise ratio, in dB, of sound N against
//                               the source as it should sound at that sound's rate, in mono
// The source is a sum of sines, so the ideal result is known exactly: the two channels averaged,
// without the tone above the new Nyquist frequency. The sound's best gain and a lag of a few
// frames are fitted first, so that only what the conversion adds or loses counts as noise.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sndfile.h>

#include "builders.h"
#include "engine/bank.h"
#include "memfiles.h"

using namespace vox::test;

namespace {

const double kPi = 3.14159265358979323846;
const int kRate = 44100;
const double kSeconds = 60;

struct Tone {
    double freq, left, right;
};
// Below and above 11025 Hz, each channel its own mix: the last must vanish in the result.
const Tone kTones[] = {{440, 0.30, 0.20}, {1250, 0.10, 0.25}, {4100, 0.15, 0.05}, {9000, 0.05, 0.10},
                       {15000, 0.10, 0.10}};

double Channel(double t, bool right, double nyquist)
{
    double v = 0;
    for (const Tone& tone : kTones)
        if (tone.freq < nyquist)
            v += (right ? tone.right : tone.left) * sin(2 * kPi * tone.freq * t);
    return v;
}

bool WriteFlac(const std::string& path, const std::vector<double>& frames)
{
    SF_INFO info = {};
    info.samplerate = kRate, info.channels = 2, info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f) {
        fprintf(stderr, "%s: %s\n", path.c_str(), sf_strerror(nullptr));
        return false;
    }
    sf_writef_double(f, frames.data(), (sf_count_t)(frames.size() / 2));
    sf_close(f);
    return true;
}

// A voice as a loudness meter hears one: phrases of syllables and pauses, each syllable a
// gliding pitch with its harmonics shaped by two formants, or a burst of hiss, at levels some
// 8 dB apart, over a faint room noise; its peak at -3 dBFS.
std::vector<double> Voice()
{
    uint32_t seed = 12345;
    auto random = [&seed](double low, double high) {
        seed = seed * 1103515245u + 12345u;
        return low + (high - low) * (double)(seed >> 8) / 16777216.0;
    };
    const size_t frames = (size_t)(kSeconds * kRate);
    std::vector<double> mono(frames, 0.0);
    for (double t = 0.2; t < kSeconds - 0.5;) {
        for (double end = t + random(1.5, 3.5); t < end && t < kSeconds - 0.5;) {
            const double length = random(0.12, 0.3), level = std::pow(10.0, random(-8, 0) / 20);
            const size_t from = (size_t)(t * kRate), n = (size_t)(length * kRate);
            const bool hiss = random(0, 1) < 0.2;
            const double f0 = random(95, 180), glide = random(-0.3, 0.3), f1 = random(300, 900), f2 = random(900, 2500);
            double previous = 0;
            for (size_t i = 0; i < n && from + i < frames; i++) {
                const double u = (double)i / (double)n, time = (double)i / kRate;
                const double envelope = std::min(1.0, u * 8) * std::pow(1 - u, 1.5);
                double v = 0;
                if (hiss) {
                    const double noise = random(-1, 1);
                    v = 0.3 * (noise - previous);  // a difference: the hiss of an s
                    previous = noise;
                } else {
                    const double pitch = f0 * (1 + glide * u);
                    for (int k = 1; k <= 24 && k * pitch < 8000; k++) {
                        const double f = k * pitch, a = (1 + 3 * std::exp(-std::pow((f - f1) / 150, 2)) +
                                                         2 * std::exp(-std::pow((f - f2) / 250, 2))) /
                                                        std::pow(k, 1.2);
                        v += 0.12 * a * std::sin(2 * kPi * pitch * (1 + glide * u / 2) * time * k);
                    }
                }
                mono[from + i] += level * envelope * v;
            }
            t += length + random(0.02, 0.08);
        }
        t += random(0.3, 0.8);
    }
    double peak = 0;
    for (double v : mono)
        peak = std::max(peak, std::abs(v));
    std::vector<double> out(2 * frames);
    for (size_t i = 0; i < frames; i++) {
        const double v = mono[i] * 0.708 / peak;
        out[2 * i] = v * 0.95 + random(-3e-4, 3e-4), out[2 * i + 1] = v + random(-3e-4, 3e-4);
    }
    return out;
}

int Make(const std::string& folder)
{
    const size_t frames = (size_t)(kSeconds * kRate);
    std::vector<double> tones(2 * frames);
    for (size_t i = 0; i < frames; i++)
        for (int c = 0; c < 2; c++)
            tones[2 * i + (size_t)c] = Channel((double)i / kRate, c == 1, kRate / 2.0);
    if (!WriteFlac(folder + "/source.flac", tones) || !WriteFlac(folder + "/voice.flac", Voice()))
        return 1;

    std::vector<TestSound> sounds = Sounds({20000, 20000, 20000, 20000, 20000});
    // The sounds replaced sound as a game's do, tones, for the loudness to be matched to: at
    // -12 dBFS (-15 LUFS); 3 a quiet one at -24 dBFS, 4 a loud one at -3 dBFS.
    const double levels[] = {0, 0.25, 0.25, 0.063, 0.708};
    for (size_t n = 1; n < sounds.size(); n++) {
        TestSound* s = &sounds[n];
        s->rate = 22050, s->bits = n == 2 ? 16 : 8;
        s->data.clear();
        for (size_t i = 0; s->data.size() < 20000; i++) {
            const long v = lround(levels[n] * 127 * sin(2 * kPi * 440 * (double)i / s->rate));
            if (s->bits == 8)
                s->data += (char)(v + 128);
            else
                s->data += Le16((uint16_t)(v * 256));
        }
    }
    std::ofstream(folder + "/BANK.SFX", std::ios::binary) << BankBytes(sounds);
    return 0;
}

std::string Slurp(const char* path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

int Snr(const char* path, size_t n)
{
    vox::MemSource source(Slurp(path));
    vox::Bank bank;
    if (vox::ReadBank(source, &bank) != vox::BankError::Ok || n >= bank.entries.size()) {
        fprintf(stderr, "%s: not a bank with a sound %zu\n", path, n);
        return 1;
    }
    const vox::Entry& e = bank.entries[n];
    std::vector<uint8_t> bytes((size_t)e.length);
    if (e.channels != 1 || (e.bits != 8 && e.bits != 16) || !vox::ReadSound(source, e, bytes.data())) {
        fprintf(stderr, "%s: sound %zu is not 8-bit or 16-bit mono\n", path, n);
        return 1;
    }
    const size_t width = e.bits / 8, frames = bytes.size() / width;
    std::vector<double> y(frames), x(frames);
    for (size_t i = 0; i < frames; i++) {
        y[i] = width == 1 ? (bytes[i] - 128) / 128.0 : (int16_t)(bytes[2 * i] | bytes[2 * i + 1] << 8) / 32768.0;
        const double t = (double)i / e.rate;
        x[i] = (Channel(t, false, e.rate / 2.0) + Channel(t, true, e.rate / 2.0)) / 2;
    }
    // Past the first and last half second, where the resamplers ramp in and out.
    const size_t edge = e.rate / 2;
    double best = -1e9;
    for (int lag = -4; lag <= 4; lag++) {
        double xy = 0, xx = 0, yy = 0;
        for (size_t i = edge; i + edge < y.size(); i++) {
            const double xi = x[(size_t)((long)i + lag)];
            xy += xi * y[i], xx += xi * xi, yy += y[i] * y[i];
        }
        const double gain = xy / xx, noise = yy - 2 * gain * xy + gain * gain * xx;
        best = std::max(best, 10 * log10(gain * gain * xx / noise));
    }
    printf("%.1f\n", best);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && !strcmp(argv[1], "make"))
        return Make(argv[2]);
    if (argc == 4 && !strcmp(argv[1], "snr"))
        return Snr(argv[2], (size_t)atoi(argv[3]));
    fprintf(stderr, "usage: bench_convert make FOLDER | bench_convert snr BANK SOUND\n");
    return 2;
}
