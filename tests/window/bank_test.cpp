#include "support.h"

#include <direct.h>

namespace {

using Strings = std::vector<std::string>;

std::vector<TestSound> Sounds(int n)
{
    std::vector<TestSound> s;
    for (int i = 0; i < n; i++)
        s.push_back({"N" + std::to_string(i), Tone(40 + i, i), 1, 8000 + 100 * i});
    return s;
}

TEST_F(AppTest, IndexLinesEndWithCrLfLfOrAreCutAtALoneCr)
{
    const std::vector<std::pair<std::string, Strings>> cases = {
        {"A\r\nB\r\nC\r\n", {"  0. A", "  1. B", "  2. C"}},
        {"A\nB\nC\n", {"  0. A", "  1. B", "  2. C"}},
        {"A\rBC\r\nD\r\nE", {"  0. AC", "  1. D", "  2. E"}},
        {std::string(120, 'x') + "\r\nlast", {"  0. " + std::string(100, 'x'), "  1. " + std::string(19, 'x'), "  2. last"}},
        {"only\r\n", {"  0. only", "  1. only", "  2. only"}},  // missing lines repeat the last name
        {"", {"  0. (unnamed)", "  1. (unnamed)", "  2. (unnamed)"}},
    };
    std::vector<TestSound> sounds = Sounds(3);
    for (size_t i = 0; i < cases.size(); i++) {
        std::string name = "b" + std::to_string(i);
        WriteFileBytes(name + ".sfx", BankBytes(sounds));
        WriteFileBytes(name + ".txt", cases[i].first);
    }
    Start();
    for (size_t i = 0; i < cases.size(); i++) {
        SCOPED_TRACE(i);
        OpenBank("b" + std::to_string(i) + ".sfx");
        EXPECT_EQ(Lines(hwndDisplay), cases[i].second);
    }
    EXPECT_EQ(numwavs, 3u);
    RECORD expect = RecordFor(sounds[2], 16 + 3 * 28 + 40 + 41);
    EXPECT_EQ(memcmp(&records[2], &expect, sizeof expect), 0);
    EXPECT_EQ(boxes.texts, Strings(cases.size(), "3 sounds in file"));
}

TEST_F(AppTest, SoundCountsAreReportedAndCappedAt325)
{
    std::string dir400 = BankBytes(Sounds(400));
    auto withCount = [&](uint32_t count) { return Le32(count) + dir400.substr(4); };
    WriteFileBytes("zero.sfx", Le32(0) + std::string(12, 0));
    WriteFileBytes("many.sfx", withCount(326));
    WriteFileBytes("top.sfx", withCount(0xFFFFFFFF));
    for (const char* n : {"zero.txt", "many.txt", "top.txt"})
        WriteFileBytes(n, "first\r\nsecond\r\n");
    Start();
    OpenBank("many.sfx");
    Strings lines = Lines(hwndDisplay);
    ASSERT_EQ(lines.size(), 325u);
    EXPECT_EQ(lines[324], "324. second");
    OpenBank("top.sfx");
    EXPECT_EQ(Lines(hwndDisplay).size(), 325u);
    EXPECT_EQ(records[324].sps, 8000 + 100 * 324);
    OpenBank("zero.sfx");
    EXPECT_TRUE(Lines(hwndDisplay).empty());
    EXPECT_EQ(numwavs, 0u);
    Command(ID_PLAYALL);  // nothing to play, and nothing left disabled
    EXPECT_FALSE(PlaybackBusy());
    EXPECT_FALSE(playall);
    EXPECT_TRUE(Enabled(hwndPlayAll));
    EXPECT_EQ(boxes.texts, (Strings{"326 sounds in file", "Too many sounds in file, loading first 325",
                                    "-1 sounds in file", "Too many sounds in file, loading first 325",
                                    "0 sounds in file"}));
}

TEST_F(AppTest, IndexFileNameIsFormedFromTheBankName)
{
    const std::string longName = std::string(60, 'L') + ".sfx";  // far past 19 characters
    WriteFileBytes("a.b.sfx", BankBytes(Sounds(1)));
    WriteFileBytes("a.txt", "dotted\r\n");
    WriteFileBytes("a.b.txt", "wrong\r\n");
    WriteFileBytes("BANK.SFX", BankBytes(Sounds(1)));
    WriteFileBytes("BANK.txt", "upper\r\n");
    WriteFileBytes(longName, BankBytes(Sounds(1)));
    WriteFileBytes(std::string(60, 'L') + ".txt", "long\r\n");
    Start();
    OpenBank("a.b.sfx");
    EXPECT_STREQ(IndexFile, "a.txt");
    EXPECT_EQ(Lines(hwndDisplay), Strings{"  0. dotted"});
    OpenBank("BANK.SFX");
    EXPECT_STREQ(IndexFile, "BANK.txt");
    EXPECT_EQ(Lines(hwndDisplay), Strings{"  0. upper"});
    OpenBank(longName);
    EXPECT_EQ(Lines(hwndDisplay), Strings{"  0. long"});
    EXPECT_TRUE(bValidFile);
}

TEST_F(AppTest, WithoutItsIndexFileABankIsNotOpened)
{
    MakeBank("good.sfx", Sounds(2));
    WriteFileBytes("noindex.sfx", BankBytes(Sounds(4)));
    // an index file in the program's folder is not the bank's
    char exe[MAX_PATH];
    GetModuleFileNameA(NULL, exe, sizeof exe);
    std::string stray = std::string(exe).substr(0, std::string(exe).rfind('\\')) + "\\noindex.txt";
    WriteFileBytes(stray, "stray\r\n");
    Start();
    OpenBank("good.sfx");
    OpenBank("noindex.sfx");
    DeleteFileA(stray.c_str());
    EXPECT_FALSE(bValidFile);
    EXPECT_EQ(numwavs, 2u);
    EXPECT_EQ(Lines(hwndDisplay), (Strings{"  0. N0", "  1. N1"}));
    DoubleClick(hwndDisplay, 1);
    SendMessageA(hwndDisplay, LB_SETCURSEL, 0, 0);
    Command(ID_REPLACE);
    EXPECT_FALSE(PlaybackBusy());
    EXPECT_EQ(boxes.texts, (Strings{"2 sounds in file", "4 sounds in file", "Unable to open Index File: noindex.txt",
                                    "No sfx file open", "No sfx file open"}));
}

TEST_F(AppTest, ABankShorterThanItsDirectoryIsRefused)
{
    MakeBank("good.sfx", Sounds(2));
    WriteFileBytes("cut.sfx", BankBytes(Sounds(3)).substr(0, 16 + 2 * 28));
    WriteFileBytes("cut.txt", "a\r\nb\r\nc\r\n");
    WriteFileBytes("empty.sfx", "");
    WriteFileBytes("empty.txt", "");
    Start();
    OpenBank("good.sfx");
    OpenBank("cut.sfx");
    EXPECT_FALSE(bValidFile);
    OpenBank("empty.sfx");
    EXPECT_FALSE(bValidFile);
    EXPECT_EQ(numwavs, 2u);
    EXPECT_EQ(Lines(hwndDisplay).size(), 2u);
    ASSERT_EQ(boxes.texts.size(), 5u);
    EXPECT_EQ(boxes.texts[1], "3 sounds in file");
    EXPECT_EQ(boxes.texts[2], "cut.sfx is shorter than its directory says; it may be damaged and was not opened.");
}

TEST_F(AppTest, ABankInAFolderDeeperThan128CharactersOpensAndPlays)
{
    std::string deep = dir;
    while (deep.size() < 200) {
        deep += "\\folder_with_a_long_name";
        ASSERT_TRUE(CreateDirectoryA(deep.c_str(), NULL));
    }
    ASSERT_EQ(_chdir(deep.c_str()), 0);
    MakeBank("deep.sfx", Sounds(2));
    Start();
    OpenBank("deep.sfx");
    EXPECT_EQ(Text(hwndText), deep + "\\deep.sfx");
    DoubleClick(hwndDisplay, 1);
    ASSERT_TRUE(WaitForPlaybackEnd());
    EXPECT_EQ(boxes.texts, Strings{"2 sounds in file"});
}

}  // namespace
