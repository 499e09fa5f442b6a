// Which files of a folder go back into which sounds, and whether a file holds anything new.
#include <gtest/gtest.h>

#include "builders.h"
#include "engine/import.h"

using namespace vox;
using namespace vox::test;

namespace {

TEST(LeadingSoundNumber, IsTheNumberTheNameBeginsWith)
{
    const std::pair<std::string, std::optional<size_t>> names[] = {
        {"007-Explosion.wav", 7}, {"007.flac", 7},      {"7-anything.ogg", 7}, {"324 door.mp3", 324},
        {"0.wav", 0},             {"Explosion.wav", {}}, {"-7.wav", {}},        {"", {}},
        {"12345678901.wav", 1000000000}};
    for (const auto& [name, number] : names)
        EXPECT_EQ(LeadingSoundNumber(name), number) << name;
}

TEST(PlanImport, PairsFilesWithSoundsAndFindsTwinsAndStrangers)
{
    const struct {
        const char* what;
        std::vector<std::string> names;
        std::vector<std::pair<size_t, std::string>> files;
        std::string twice, beyond;
        size_t ignored;
    } cases[] = {
        {"by sound", {"002-b.wav", "README.txt", "000-a.wav"}, {{0, "000-a.wav"}, {2, "002-b.wav"}}, "", "", 1},
        {"two for one", {"1.wav", "001-x.flac"}, {{1, "001-x.flac"}, {1, "1.wav"}}, "001-x.flac", "", 0},
        {"past the end", {"3.wav", "000.wav"}, {{0, "000.wav"}}, "", "3.wav", 0},
    };
    for (const auto& c : cases) {
        ImportPlan plan = PlanImport(c.names, 3);
        EXPECT_EQ(plan.files, c.files) << c.what;
        EXPECT_EQ(plan.twice[0], c.twice) << c.what;
        EXPECT_EQ(plan.beyond, c.beyond) << c.what;
        EXPECT_EQ(plan.ignored.size(), c.ignored) << c.what;
    }
}

TEST(SameAudio, LooksAtFormatAndBytesButNotTheExtraSize)
{
    TestSound t;
    t.data = "abcd";
    const Entry e = EntryFor(t, 100);
    const std::vector<uint8_t> stored(t.data.begin(), t.data.end());
    Sound same{FormatFor(t), true, stored};
    same.format.cbSize = 22;
    Sound otherBytes = same, otherRate = same;
    otherBytes.bytes[3] = 'x';
    otherRate.format.rate += 1, otherRate.format.avgBytes += 1;
    EXPECT_TRUE(SameAudio(e, stored, same));
    EXPECT_FALSE(SameAudio(e, stored, otherBytes));
    EXPECT_FALSE(SameAudio(e, stored, otherRate));
    EXPECT_FALSE(SameAudio(e, {}, same)) << "a sound the bank cannot give differs from any file";

    // 16-bit with half a frame behind the last: what a converter reads from it is the same
    t.bits = 16, t.data = "abcde";
    const std::vector<uint8_t> odd(t.data.begin(), t.data.end());
    for (const auto& [bytes, same] : std::vector<std::pair<std::string, bool>>{{"abcd", true}, {"abcde", true}, {"abcx", false}, {"ab", false}}) {
        Sound s{FormatFor(t), true, std::vector<uint8_t>(bytes.begin(), bytes.end())};
        EXPECT_EQ(SameAudio(EntryFor(t, 100), odd, s), same) << bytes;
    }
}

}  // namespace
