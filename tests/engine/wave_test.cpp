// Format sanity, the WAVE reader against odd and hostile files, and sounds written out as WAVE files
// under their names.
#include <gtest/gtest.h>

#include "builders.h"
#include "engine/export.h"
#include "engine/wave.h"
#include "memfiles.h"

using namespace vox;
using namespace vox::test;

namespace {

TEST(IsSaneFormat, HoldsAtEveryBoundary)
{
    Format badAlign = Pcm(2, 44100, 16), badRate = badAlign, notPcm = badAlign;
    badAlign.blockAlign = 2, badRate.avgBytes += 1, notPcm.tag = 3;
    const std::pair<Format, bool> cases[] = {
        {Pcm(0, 8000, 8), false},    {Pcm(9, 8000, 8), false},   {Pcm(2, 8000, 16), true},
        {Pcm(2, 8000, 24), true},    {Pcm(2, 8000, 0), false},   {Pcm(2, 8000, 12), false},
        {Pcm(2, 8000, 64), false},   {Pcm(1, 999, 8), false},    {Pcm(1, 1000, 8), true},
        {Pcm(8, 384000, 32), true},  {Pcm(1, 384001, 8), false}, {badAlign, false},
        {badRate, false},            {notPcm, false},
    };
    for (const auto& [format, sane] : cases)
        EXPECT_EQ(IsSaneFormat(format), sane) << format.channels << " channels, " << format.rate << " Hz, "
                                              << format.bits << " bits, tag " << format.tag;
}

std::string Riff(const std::string& chunks)
{
    return "RIFF" + Le32((uint32_t)chunks.size() + 4) + "WAVE" + chunks;
}

WaveLayout Wave(void (*change)(WaveLayout&))
{
    WaveLayout w;
    change(w);
    return w;
}

// A file not PCM, of a format no device plays, with empty data or cut in it are voxbank's message
// table's, on the disk.
TEST(ReadWave, ChecksEveryChunkAgainstTheFile)
{
    const std::string plain = WaveBytes(WaveLayout()), fmt = plain.substr(12, 24), data = Chunk("data", "abcd");
    struct Case {
        const char* name;
        WaveLayout wave;
        std::string raw;  // the file, when not built from wave
        WaveError error;
    };
    const Case cases[] = {
        {"empty", {}, "", WaveError::NotRiff},
        {"RIFF of another form", {}, "RIFF" + Le32(4) + "AVI ", WaveError::NotRiff},
        {"no format chunk", {}, Riff(data), WaveError::NoFormat},
        {"format chunk of 14 bytes", Wave([](WaveLayout& w) { w.fmtSize = 14; }), "", WaveError::BadFormatChunk},
        {"file ends in the format chunk", {}, plain.substr(0, 30), WaveError::BadFormatChunk},
        {"RIFF size past a 28-byte file", {}, "RIFF" + Le32(0xFFFFFFF7) + "WAVE" + fmt.substr(0, 16),
         WaveError::BadFormatChunk},
        {"data before the format", {}, Riff(data + fmt), WaveError::NoData},
        {"huge LIST before the format", {}, Riff("LIST" + Le32(0xFFFFFFF0) + fmt + data), WaveError::NoFormat},
        {"huge LIST before the data", {}, Riff(fmt + "LIST" + Le32(0xFFFFFFF0) + data), WaveError::NoData},
        {"data of 4 GiB", {}, Riff(fmt + "data" + Le32(0xFFFFFFF0) + "abcd"), WaveError::ReadData},
        {"format of 17 bytes", Wave([](WaveLayout& w) { w.fmtSize = 17; }), "", WaveError::Ok},
        {"format of 18 bytes", Wave([](WaveLayout& w) { w.fmtSize = 18; }), "", WaveError::Ok},
        {"format of 40 bytes", Wave([](WaveLayout& w) { w.fmtSize = 40, w.cbSize = 22, w.bits = 16; }), "", WaveError::Ok},
        {"chunks all around", Wave([](WaveLayout& w) {
             w.before = Chunk("LIST", "INFOa"), w.between = Chunk("fact", "abc"), w.after = Chunk("LIST", "z");
         }), "", WaveError::Ok},
        {"odd data, padded", Wave([](WaveLayout& w) { w.data = "odd", w.after = Chunk("LIST", "z"); }), "", WaveError::Ok},
        {"a chunk before the RIFF", {}, Chunk("JUNK", "abc") + plain, WaveError::Ok},
    };
    for (const Case& c : cases) {
        for (size_t limit : {0, 1}) {
            MemFiles files;
            files.readLimit = limit;
            MemSource file(c.raw.empty() && c.error != WaveError::NotRiff ? WaveBytes(c.wave) : c.raw, &files);
            Sound sound;
            ASSERT_EQ(ReadWave(file, &sound), c.error) << c.name << ", reads of " << limit;
            if (c.error != WaveError::Ok) {
                EXPECT_EQ(sound.bytes.capacity(), 0u) << c.name;  // nothing was allocated for it
                continue;
            }
            Format want = Pcm(c.wave.channels, c.wave.rate, c.wave.bits);
            want.cbSize = c.wave.fmtSize >= 18 ? c.wave.cbSize : 0;
            EXPECT_EQ(sound.format, want) << c.name;
            EXPECT_EQ(sound.hadCbSize, c.wave.fmtSize >= 18) << c.name;
            EXPECT_EQ(std::string(sound.bytes.begin(), sound.bytes.end()), c.wave.data) << c.name;
        }
    }
}

// A sound written out reads back as the sound, padded to an even size, and a file of that name
// is overwritten only when asked. That the name holds the whole file or what it held before,
// whichever call fails, is voxbank's failing-disk test's, on the disk, for a new and an old name.
TEST(ExportWaveFile, ReadsBackAsTheSoundAndOverwritesOnlyWhenAsked)
{
    struct Kind { const char* name; std::string data; int32_t extra; uint32_t fmtSize; };
    const Kind kinds[] = {
        {"even", "abcdef", 0, 16},
        {"odd, with a pad byte", "abcde", 0, 16},
        {"odd extra size, high half set", "abcd", 0x10003, 21},
    };
    const struct { const char* name; bool existed; bool overwrite; } cases[] = {
        {"a new name", false, false}, {"a file replaced", true, true}, {"a file kept", true, false}};
    for (const Kind& kind : kinds) {
        TestSound s;
        s.data = kind.data, s.extra = kind.extra, s.channels = 2;
        const Entry e = EntryFor(s, kHeaderSize + kEntrySize);
        const std::string bankBytes = BankBytes({s});
        for (const auto& c : cases) {
            const std::string at = std::string(kind.name) + ", " + c.name;
            MemFiles files;
            if (c.existed)
                files.files["007-x.wav"] = "old";
            MemSource bank(bankBytes);
            ExportResult r = ExportWaveFile(files, bank, e, "007-x.wav", c.overwrite, 4);
            const std::string whole = files.files["007-x.wav"];
            EXPECT_EQ(files.files.count("007-x.wav.part"), 0u) << at;
            if (c.existed && !c.overwrite) {
                EXPECT_EQ(r.error, BankError::InTheWay) << at;
                EXPECT_EQ(whole, "old") << at;
                continue;
            }
            EXPECT_EQ(r.error, BankError::Ok) << at;
            EXPECT_EQ(whole.size() % 2, 0u) << at;
            EXPECT_EQ(whole.substr(16, 4), Le32(kind.fmtSize)) << at;
            MemSource back(whole);
            Sound sound;
            ASSERT_EQ(ReadWave(back, &sound), WaveError::Ok) << at;
            EXPECT_EQ(sound.format, FormatOf(e)) << at;
            EXPECT_EQ(std::string(sound.bytes.begin(), sound.bytes.end()), kind.data) << at;
        }

        Entry past = e;
        past.length += 1;  // now it runs past the end of the bank
        MemFiles files;
        MemSource bank(bankBytes);
        EXPECT_EQ(ExportWaveFile(files, bank, past, "x.wav", false, 3).error, BankError::Short) << kind.name;
        EXPECT_TRUE(files.files.empty()) << kind.name;
    }
}

TEST(ExtractedName, NumbersAndCleansTheName)
{
    const std::string plain = "Explosion", odd = "a/b:c*d?<e>|\"\x01", empty;
    EXPECT_EQ(ExtractedName(7, &plain), "007-Explosion.wav");
    EXPECT_EQ(ExtractedName(324, &odd), "324-a_b_c_d__e____.wav");
    EXPECT_EQ(ExtractedName(12, &empty), "012.wav");
    EXPECT_EQ(ExtractedName(1234, nullptr), "1234.wav");
}

}  // namespace
