// Bank headers and directories, their layout, index file names and the names read from them.
#include <functional>

#include <gtest/gtest.h>

#include "builders.h"
#include "engine/bank.h"
#include "memfiles.h"

using namespace vox;
using namespace vox::test;

namespace {

// A header counting count sounds, followed by entries zero entries.
std::string Directory(uint32_t count, size_t entries)
{
    return Le32(count) + std::string(12 + kEntrySize * entries, '\0');
}

// A count of 326 is capped in voxbank's message table, on the disk.
TEST(ReadBank, CapsTheCountAndRefusesFilesCutShort)
{
    struct Case { const char* name; std::string bytes; BankError error; uint32_t stored; size_t entries; };
    const Case cases[] = {
        {"15 bytes", std::string(15, '\0'), BankError::Short, 0, 0},
        {"header only", Directory(0, 0), BankError::Ok, 0, 0},
        {"325 sounds", Directory(325, 325), BankError::Ok, 325, 325},
        {"directory a byte short", Directory(3, 3).substr(0, kHeaderSize + 3 * kEntrySize - 1), BankError::Short, 0, 0},
        {"count all ones", Directory(0xFFFFFFFF, 325), BankError::Ok, 0xFFFFFFFF, 325},
    };
    for (const Case& c : cases) {
        MemFiles files;
        files.readLimit = 5;
        MemSource source(c.bytes, &files);
        Bank bank;
        EXPECT_EQ(ReadBank(source, &bank), c.error) << c.name;
        if (c.error == BankError::Ok) {
            EXPECT_EQ(bank.storedCount, c.stored) << c.name;
            EXPECT_EQ(bank.entries.size(), c.entries) << c.name;
            EXPECT_EQ(bank.fileSize, c.bytes.size()) << c.name;
        }
    }
}

// More than 325 sounds, a gap and a bank that ends early are voxbank's message table's, on the disk.
TEST(LayoutProblems, NamesEveryWayABankIsNotBackToBack)
{
    struct Case { const char* name; std::function<void(Bank&)> change; std::vector<BankError> problems; };
    const Case cases[] = {
        {"back to back", [](Bank&) {}, {}},
        {"overlap", [](Bank& b) { b.entries[2].offset -= 1; }, {BankError::NotBackToBack}},
        {"data away from the directory", [](Bank& b) { for (Entry& e : b.entries) e.offset += 2; },
         {BankError::NotBackToBack, BankError::EndsEarly}},
        {"negative length", [](Bank& b) { b.entries[1].length = -5; }, {BankError::NotBackToBack}},
        {"bytes behind the last sound", [](Bank& b) { b.fileSize += 10; }, {}},
    };
    for (const Case& c : cases) {
        MemSource source(BankBytes(Sounds({10, 20, 30})));
        Bank bank;
        ASSERT_EQ(ReadBank(source, &bank), BankError::Ok);
        c.change(bank);
        EXPECT_EQ(LayoutProblems(bank), c.problems) << c.name;
        EXPECT_EQ(LayoutProblem(bank), c.problems.empty() ? BankError::Ok : c.problems[0]) << c.name;
    }
}

TEST(IndexFileName, EndsAtTheFirstDot)
{
    EXPECT_EQ(IndexFileName("BANK.SFX"), "BANK.txt");
    EXPECT_EQ(IndexFileName("a.b.sfx"), "a.txt");
    EXPECT_EQ(IndexFileName("BANK"), "BANK");
    EXPECT_EQ(IndexPathFor("old.d/a.b.qsb"), "old.d/a.txt");
}

// n lines of 98 characters, a different letter each, for an index longer than one read.
std::vector<std::string> LongLines(size_t n)
{
    std::vector<std::string> lines;
    for (size_t i = 0; i < n; i++)
        lines.push_back(std::string(98, (char)('a' + i % 26)));
    return lines;
}

TEST(ReadIndexNames, FollowsTheLineRulesWhateverTheReadsReturn)
{
    const std::string x100(100, 'x');
    struct Case { const char* name; std::string text; std::vector<std::string> names; size_t lines; };
    const Case cases[] = {
        {"CR LF", "A\r\nB\r\nC\r\n", {"A", "B", "C"}, 3},
        {"LF", "A\nB\nC\n", {"A", "B", "C"}, 3},
        {"last line unended", "A\r\nB", {"A", "B"}, 2},
        {"empty line", "\r\nB\n", {"", "B"}, 2},
        {"lone CR drops the next byte", "A\rBC\r\n", {"AC"}, 1},
        {"two CRs", "A\r\rB\n", {"AB"}, 1},
        {"CR ends the file", "A\r\nB\r", {"A", "B"}, 2},
        {"CR alone at the end", "A\r\n\r", {"A", "A"}, 1},
        {"100 characters", x100 + "\r\nB", {x100, "B"}, 2},
        {"101 characters", x100 + "y\r\nB", {x100, "", "B"}, 3},
        {"120 characters", x100 + std::string(20, 'y') + "\r\n", {x100, std::string(19, 'y')}, 2},
        {"missing lines repeat the last", "A\r\nB\r\n", {"A", "B", "B", "B"}, 2},
        {"empty file", "", {"(unnamed)", "(unnamed)"}, 0},
        {"longer than one read", IndexText(LongLines(60)), LongLines(60), 60},
    };
    for (const Case& c : cases) {
        for (size_t limit : {0, 1, 3}) {
            MemFiles files;
            files.readLimit = limit;
            MemSource index(c.text, &files);
            IndexNames got = ReadIndexNames(index, c.names.size());
            EXPECT_EQ(got.names, c.names) << c.name << ", reads of " << limit;
            EXPECT_EQ(got.lines, c.lines) << c.name << ", reads of " << limit;
        }
    }
}

// What plays of a sound the file's end cuts short: never more than the file holds, in whole
// blocks, and nothing of a sound that lies wholly past the end.
TEST(BytesHeld, IsWhatTheFileHoldsInWholeBlocks)
{
    struct Case { const char* name; int32_t offset, length; uint16_t blockAlign; uint64_t fileSize; uint32_t held; };
    const Case cases[] = {
        {"whole", 100, 50, 4, 150, 50},
        {"whole, not in whole blocks", 100, 51, 4, 151, 51},
        {"cut short", 100, 50, 4, 147, 44},
        {"cut short, 8-bit mono", 100, 50, 1, 147, 47},
        {"claims 1.5 GB", 100, 1500000000, 2, 10100, 10000},
        {"starts at the end", 100, 50, 2, 100, 0},
        {"starts past the end", 200, 50, 2, 100, 0},
        {"less than a block there", 100, 50, 4, 103, 0},
        {"negative offset", -1, 50, 1, 1000, 0},
        {"negative length", 100, -5, 1, 1000, 0},
    };
    for (const Case& c : cases) {
        Entry e;
        e.offset = c.offset, e.length = c.length, e.blockAlign = c.blockAlign;
        EXPECT_EQ(BytesHeld(e, c.fileSize), c.held) << c.name;
    }
}

}  // namespace
