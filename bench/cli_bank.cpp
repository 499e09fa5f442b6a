// Writes the bank voxbank's benchmark works on: 325 sounds making up the megabytes asked for,
// its index file, and ten WAVE files of 600,000 bytes to put in.
// usage: bench_cli_bank FOLDER [MEGABYTES]
#include <cstdio>
#include <cstdlib>
#include <fstream>

#include "builders.h"

using namespace vox::test;

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: bench_cli_bank FOLDER [MEGABYTES]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const size_t perSound = (size_t)((argc > 2 ? atof(argv[2]) : 300) * 1e6 / vox::kMaxSounds) & ~(size_t)1;
    std::vector<std::string> names;
    for (uint32_t i = 0; i < vox::kMaxSounds; i++)
        names.push_back("Sound " + std::to_string(i));
    std::ofstream(folder + "/BENCH.SFX", std::ios::binary) << BankBytes(Sounds(std::vector<size_t>(vox::kMaxSounds, perSound)));
    std::ofstream(folder + "/BENCH.txt", std::ios::binary) << IndexText(names);
    for (int i = 0; i < 10; i++) {
        WaveLayout w;
        w.data = std::string(600000, (char)(i + 1));
        std::ofstream(folder + "/new" + std::to_string(i) + ".wav", std::ios::binary) << WaveBytes(w);
    }
    return 0;
}
