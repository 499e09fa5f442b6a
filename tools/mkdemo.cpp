// Writes a small demo bank, DEMO.SFX with its index file DEMO.txt, into the folder given.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "engine/bank.h"

namespace {

const double kPi = 3.14159265358979323846;

struct Sound {
    const char* name;
    int rate;
    int bits;
    int channels;
    double seconds;
    double from;  // Hz at the start
    double to;    // Hz at the end
};

const Sound kSounds[] = {
    {"Low hum", 11025, 8, 1, 0.40, 110, 110},
    {"Rising chirp", 22050, 16, 1, 0.35, 300, 1800},
    {"Falling whistle", 22050, 16, 1, 0.35, 2000, 400},
    {"Stereo beep", 22050, 16, 2, 0.25, 880, 880},
    {"Short click", 11025, 8, 1, 0.05, 1500, 1500},
    {"Two tone alarm", 11025, 8, 1, 0.60, 600, 900},
};

std::vector<uint8_t> Samples(const Sound& s)
{
    std::vector<uint8_t> out;
    int frames = (int)(s.rate * s.seconds);
    double phase = 0;
    for (int i = 0; i < frames; i++) {
        double t = (double)i / frames;
        double f = s.from == 600 ? ((i / (s.rate / 8)) % 2 ? s.to : s.from) : s.from + (s.to - s.from) * t;
        phase += 2 * kPi * f / s.rate;
        double fade = std::fmin(1.0, std::fmin(t * 20, (1 - t) * 20));
        double v = std::sin(phase) * 0.6 * fade;
        for (int c = 0; c < s.channels; c++) {
            if (s.bits == 8) {
                out.push_back((uint8_t)(128 + v * 127));
            } else {
                int16_t x = (int16_t)(v * 32767);
                out.push_back((uint8_t)(x & 0xFF));
                out.push_back((uint8_t)((x >> 8) & 0xFF));
            }
        }
    }
    return out;
}

}  // namespace

int main(int argc, char** argv)
{
    std::string dir = argc > 1 ? argv[1] : ".";
    const uint32_t count = sizeof kSounds / sizeof kSounds[0];
    std::vector<std::vector<uint8_t>> data;
    for (const Sound& s : kSounds)
        data.push_back(Samples(s));

    std::vector<uint8_t> bank(vox::kHeaderSize + vox::kEntrySize * count, 0);
    for (int i = 0; i < 4; i++)  // the sound count; the rest of the header stays 0
        bank[i] = (uint8_t)(count >> (8 * i));
    int32_t offset = (int32_t)bank.size();
    for (uint32_t i = 0; i < count; i++) {
        const Sound& s = kSounds[i];
        vox::Entry e;
        e.length = (int32_t)data[i].size();
        e.offset = offset;
        e.format = vox::kPcm;
        e.channels = (uint16_t)s.channels;
        e.rate = s.rate;
        e.blockAlign = (uint16_t)(s.channels * s.bits / 8);
        e.avgBytes = s.rate * e.blockAlign;
        e.bits = (uint16_t)s.bits;
        vox::EncodeEntry(e, &bank[vox::kHeaderSize + vox::kEntrySize * i]);
        offset += e.length;
    }
    for (const auto& d : data)
        bank.insert(bank.end(), d.begin(), d.end());

    std::string names;
    for (const Sound& s : kSounds)
        names += std::string(s.name) + "\r\n";

    FILE* f = fopen((dir + "/DEMO.SFX").c_str(), "wb");
    FILE* t = fopen((dir + "/DEMO.txt").c_str(), "wb");
    if (!f || !t) {
        fprintf(stderr, "mkdemo: cannot write into %s\n", dir.c_str());
        return 1;
    }
    bool ok = fwrite(bank.data(), 1, bank.size(), f) == bank.size() &&
              fwrite(names.data(), 1, names.size(), t) == names.size();
    ok = (fclose(f) == 0) && ok;
    ok = (fclose(t) == 0) && ok;
    if (!ok) {
        fprintf(stderr, "mkdemo: write failed\n");
        return 1;
    }
    printf("wrote %s/DEMO.SFX (%u sounds, %zu bytes) and DEMO.txt\n", dir.c_str(), count, bank.size());
    return 0;
}
