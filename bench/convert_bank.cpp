// The conversion benchmark's files, and how close a converted sound is to its source.
//   bench_convert make FOLDER   writes FOLDER/source.flac (60 s, 44100 Hz stereo, 16-bit) and
//                               FOLDER/BANK.SFX, whose sounds 1 and 2 are 22050 Hz mono,
//                               8-bit and 16-bit tones
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

int Make(const std::string& folder)
{
    SF_INFO info = {};
    info.samplerate = kRate, info.channels = 2, info.format = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
    const std::string flac = folder + "/source.flac";
    SNDFILE* f = sf_open(flac.c_str(), SFM_WRITE, &info);
    if (!f) {
        fprintf(stderr, "%s: %s\n", flac.c_str(), sf_strerror(nullptr));
        return 1;
    }
    std::vector<double> block(2 * 4096);
    for (sf_count_t at = 0, frames = (sf_count_t)(kSeconds * kRate); at < frames; at += 4096) {
        sf_count_t n = std::min<sf_count_t>(4096, frames - at);
        for (sf_count_t i = 0; i < n; i++)
            for (int c = 0; c < 2; c++)
                block[(size_t)(2 * i + c)] = Channel((double)(at + i) / kRate, c == 1, kRate / 2.0);
        sf_writef_double(f, block.data(), n);
    }
    sf_close(f);

    std::vector<TestSound> sounds = Sounds({20000, 20000, 20000});
    sounds[1].rate = 22050;
    sounds[2].rate = 22050, sounds[2].bits = 16;
    // The sounds replaced sound as a game's do, a tone at -12 dBFS (-15 LUFS), for the loudness
    // to be matched to.
    for (TestSound* s : {&sounds[1], &sounds[2]}) {
        s->data.clear();
        for (size_t i = 0; s->data.size() < 20000; i++) {
            const long v = lround(0.25 * 127 * sin(2 * kPi * 440 * (double)i / s->rate));
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
