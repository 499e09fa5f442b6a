// Banks and WAVE files built byte by byte, for the tests and the benchmark.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/bank.h"
#include "engine/wave.h"

namespace vox::test {

std::string Le16(uint16_t v);
std::string Le32(uint32_t v);
uint32_t Get32(const std::string& s, size_t at);  // the little-endian word at at

struct TestSound {
    std::string data;
    uint16_t channels = 1;
    uint32_t rate = 11025;
    uint16_t bits = 8;
    int32_t extra = 0;
};
// A PCM format of these, its block align and byte rate worked out.
Format Pcm(uint16_t channels, uint32_t rate, uint16_t bits);
Format FormatFor(const TestSound& s);
Entry EntryFor(const TestSound& s, int32_t offset);
// Sounds of these sizes, 8-bit mono; sound i plays at 11025 + 1000 i and no two hold the same bytes.
std::vector<TestSound> Sounds(const std::vector<size_t>& sizes, int seed = 1);
// A bank laid out back to back behind its directory, with tail stored behind the last sound.
std::string BankBytes(const std::vector<TestSound>& sounds, const std::string& tail = "");
// The bank with one sound's samples swapped for with's and its entry rewritten from them, every
// later offset moved: a plain splice of the bytes, to check the rewrite against.
std::string SplicedBank(const std::string& bank, size_t sound, const Sound& with);
// The bank as ReadBank reads it from bytes that hold at least its directory.
Bank Loaded(const std::string& bytes);
// Replacement samples of n bytes in 16-bit stereo at 22050 Hz; seed tells replacements apart.
Sound NewSound(size_t n, int seed = 0);
// Index text naming the sounds, one CR LF line each.
std::string IndexText(const std::vector<std::string>& names);

struct WaveLayout {
    uint32_t fmtSize = 16;  // 18 or more writes cbSize
    uint16_t tag = 1;
    uint16_t channels = 1;
    uint32_t rate = 11025;
    uint16_t bits = 8;
    uint16_t cbSize = 0;
    std::string data = std::string(64, '\x80');
    std::string before;   // chunks between "WAVE" and "fmt "
    std::string between;  // chunks between "fmt " and "data"
    std::string after;    // chunks after "data"
};
std::string Chunk(const std::string& id, const std::string& body);  // padded to an even size
std::string WaveBytes(const WaveLayout& w);

}  // namespace vox::test
