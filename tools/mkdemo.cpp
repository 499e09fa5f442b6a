// Writes a small demo bank, DEMO.SFX with its index file DEMO.txt, into the folder given.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

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

void Put32(std::vector<uint8_t>& b, uint32_t v)
{
    for (int i = 0; i < 4; i++)
        b.push_back((uint8_t)(v >> (8 * i)));
}

void Put16(std::vector<uint8_t>& b, uint16_t v)
{
    b.push_back((uint8_t)v);
    b.push_back((uint8_t)(v >> 8));
}

}  // namespace

int main(int argc, char** argv)
{
    std::string dir = argc > 1 ? argv[1] : ".";
    const uint32_t count = sizeof kSounds / sizeof kSounds[0];
    std::vector<std::vector<uint8_t>> data;
    for (const Sound& s : kSounds)
        data.push_back(Samples(s));

    std::vector<uint8_t> bank;
    Put32(bank, count);
    bank.resize(16, 0);
    uint32_t offset = 16 + 28 * count;
    for (uint32_t i = 0; i < count; i++) {
        const Sound& s = kSounds[i];
        uint16_t align = (uint16_t)(s.channels * s.bits / 8);
        Put32(bank, (uint32_t)data[i].size());
        Put32(bank, offset);
        Put16(bank, 1);
        Put16(bank, (uint16_t)s.channels);
        Put32(bank, (uint32_t)s.rate);
        Put32(bank, (uint32_t)(s.rate * align));
        Put16(bank, align);
        Put16(bank, (uint16_t)s.bits);
        Put32(bank, 0);
        offset += (uint32_t)data[i].size();
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
