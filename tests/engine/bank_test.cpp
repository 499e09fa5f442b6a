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

// The index files of the product's days are Windows-1252; newer ones are UTF-8. One name
// always comes out as the same UTF-8, and never cut inside a character.
TEST(ReadIndexNames, ReadsUtf8AsItIsAndAnythingElseAsWindows1252)
{
    const std::string e100(100, 'e'), cafe = "Caf\xC3\xA9";
    const std::string a99(99, 'a'), eacute = "\xC3\xA9", euro = "\xE2\x82\xAC";
    struct Case { const char* name; std::string text; std::vector<std::string> names; };
    const Case cases[] = {
        {"UTF-8", cafe + "\r\n", {cafe}},
        {"Windows-1252", "Caf\xE9\r\n", {cafe}},
        {"Windows-1252's own range", "\x80\x8A\x9F\x81\r\n", {euro + "\xC5\xA0\xC5\xB8\xC2\x81"}},
        {"four-byte UTF-8", "\xF0\x9F\x94\x8A\n", {"\xF0\x9F\x94\x8A"}},
        {"each line on its own", cafe + "\nCaf\xE9\n", {cafe, cafe}},
        {"one stray byte makes the line Windows-1252", cafe + "\xE9\n", {"Caf\xC3\x83\xC2\xA9\xC3\xA9"}},
        {"overlong slash", "a\xC0\xAF\n", {"a\xC3\x80\xC2\xAF"}},
        {"overlong three bytes", "\xE0\x80\xAF\n", {"\xC3\xA0" + euro + "\xC2\xAF"}},
        {"surrogate", "\xED\xA0\x80\n", {"\xC3\xAD\xC2\xA0" + euro}},
        {"past U+10FFFF", "\xF4\x90\x80\x80\n", {"\xC3\xB4\xC2\x90" + euro + euro}},
        {"sequence cut by the line's end", "\xC3\n", {"\xC3\x83"}},
        {"sequence cut by the file's end", "\xE2\x82", {"\xC3\xA2\xE2\x80\x9A"}},
        {"a lone CR drops a lead byte", "Caf\r\xC3\xA9\n", {"Caf\xC2\xA9"}},
        // 100 characters of 200 bytes are one name; the 101st character is lost whole
        {"100 two-byte characters", [&] { std::string t; for (int i = 0; i < 100; i++) t += eacute; return t + "\n"; }(),
         {[&] { std::string t; for (int i = 0; i < 100; i++) t += eacute; return t; }()}},
        {"101st character of three bytes", a99 + eacute + euro + "xy\n", {a99 + eacute, "xy"}},
        {"101st character of Windows-1252", e100 + "\xE9z\n", {e100, "z"}},
    };
    for (const Case& c : cases) {
        for (size_t limit : {0, 1}) {
            MemFiles files;
            files.readLimit = limit;
            MemSource index(c.text, &files);
            IndexNames got = ReadIndexNames(index, c.names.size());
            EXPECT_EQ(got.names, c.names) << c.name << ", reads of " << limit;
            EXPECT_EQ(got.lines, c.names.size()) << c.name;
        }
    }
}

// A line of a megabyte is read no further than the names asked for, and stays UTF-8 though
// where the reading stops cuts a character in two.
TEST(ReadIndexNames, ReadsAHugeLineOnlyAsFarAsTheNamesGo)
{
    auto euros = [](size_t n) {
        std::string t;
        for (size_t i = 0; i < n; i++)
            t += "\xE2\x82\xAC";
        return t;
    };
    MemFiles files;
    MemSource index("a" + euros(350000), &files);
    IndexNames got = ReadIndexNames(index, 3);
    EXPECT_EQ(got.names, (std::vector<std::string>{"a" + euros(99), euros(100), euros(100)}));
    EXPECT_EQ(got.lines, 3u);
    EXPECT_LE(files.calls, 2) << "reads of 4 KB";
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
