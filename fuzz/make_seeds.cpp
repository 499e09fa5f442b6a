// Writes the fuzz targets' first inputs into <folder>/<target>/, made by the test builders.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "builders.h"

using namespace vox::test;

namespace {

std::vector<std::string> WaveSeeds()
{
    std::vector<std::string> out;
    WaveLayout w;
    out.push_back(WaveBytes(w));
    w.fmtSize = 18, w.cbSize = 0, w.data = "odd";
    out.push_back(WaveBytes(w));
    w.fmtSize = 40, w.cbSize = 22, w.channels = 2, w.bits = 16, w.data = std::string(40, '\x10');
    out.push_back(WaveBytes(w));
    w.before = Chunk("LIST", "INFOabc"), w.between = Chunk("fact", Le32(10)), w.after = Chunk("LIST", "x");
    out.push_back(WaveBytes(w));
    return out;
}

// Inputs in fuzz_rewrite's own order: count, sizes, tail, damage, sound, replacement length,
// channels, bits, rate, cbSize given, cbSize, piece size (two bytes), read limit, failing call, swap refused.
std::vector<std::string> RewriteSeeds()
{
    return {std::string("\x03\x0a\x14\x1e\x02\x01\x01\x32\x00\x01\x01\x00\x00\x00\x10\x00\x00\x00", 18),
            std::string("\x04\x05\x00\x07\x09\x03\x01\x03\x08\x01\x02\x01\x01\x05\x00\x00\x01\x01\x01\x07\x01", 21),
            std::string("\x01\x10\x00\x00\x04\x00\x01\x01\x03\x01\x00\x00\x00\x00\x00\x00\x00\x00", 18)};
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: make_seeds FOLDER\n");
        return 2;
    }
    std::map<std::string, std::vector<std::string>> seeds = {
        {"fuzz_bank", {BankBytes(Sounds({3, 5, 7})), BankBytes({}), BankBytes(Sounds({4, 0, 2}), "tail")}},
        {"fuzz_index", {"\x02\x00" + IndexText({"A", "B", "C"}), "\x03\x03" "A\rBC\r\nD\n" + std::string(120, 'x') + "\r"}},
        {"fuzz_wave", WaveSeeds()},
        {"fuzz_rewrite", RewriteSeeds()},
    };
    for (const auto& [target, inputs] : seeds) {
        std::filesystem::path folder = std::filesystem::path(argv[1]) / target;
        std::filesystem::create_directories(folder);
        for (size_t i = 0; i < inputs.size(); i++)
            std::ofstream(folder / ("seed" + std::to_string(i)), std::ios::binary) << inputs[i];
    }
    return 0;
}
