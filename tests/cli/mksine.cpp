// Writes one chirp, 2 seconds of stereo (the right channel at half the level) at 44100 Hz (48000 for Opus, which takes no other), in each
// format libsndfile has here, into the folder it is given: the inputs both builds of voxbank convert.
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include <sndfile.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: mksine DIR\n");
        return 2;
    }
    const struct {
        const char* name;
        int format, rate;
    } files[] = {
        {"chirp.flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 44100},
        {"chirp.ogg", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 44100},
        {"chirp.opus", SF_FORMAT_OGG | SF_FORMAT_OPUS, 48000},
        {"chirp.mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III, 44100},
        {"chirp.aiff", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100},
        {"chirp-float.wav", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100},
        {"chirp-ulaw.wav", SF_FORMAT_WAV | SF_FORMAT_ULAW, 44100},
    };
    for (const auto& f : files) {
        const int rate = f.rate, frames = 2 * rate;
        std::vector<double> samples(2 * (size_t)frames);
        for (int i = 0; i < frames; i++) {
            const double t = (double)i / rate, x = 0.5 * std::sin(2 * 3.14159265358979 * (200 + 900 * t) * t);
            samples[2 * (size_t)i] = x, samples[2 * (size_t)i + 1] = x / 2;
        }
        const std::string path = std::string(argv[1]) + "/" + f.name;
        SF_INFO info = {};
        info.samplerate = rate, info.channels = 2, info.format = f.format;
        SNDFILE* out = sf_open(path.c_str(), SFM_WRITE, &info);
        if (!out || sf_writef_double(out, samples.data(), frames) != frames) {
            std::fprintf(stderr, "%s: %s\n", path.c_str(), sf_strerror(out));
            return 1;
        }
        sf_close(out);
    }
    return 0;
}
