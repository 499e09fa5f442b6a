#include "support.h"

#include <direct.h>

#include <algorithm>

namespace {

using Strings = std::vector<std::string>;

bool Has(const Strings& lines, const std::string& s)
{
    return std::find(lines.begin(), lines.end(), s) != lines.end();
}

TEST_F(AppTest, ListsBankFilesOfEveryAttributeAndDirectoriesAndDrives)
{
    for (const char* n : {"a.sfx", "B.QSB", "c.qsb", "d.sfx", "e.sfx", "notes.txt", "f.wav"})
        WriteFileBytes(n, "x");
    SetFileAttributesA("c.qsb", FILE_ATTRIBUTE_HIDDEN);
    SetFileAttributesA("d.sfx", FILE_ATTRIBUTE_READONLY);
    SetFileAttributesA("e.sfx", FILE_ATTRIBUTE_SYSTEM);
    CreateDirectoryA("sounds.sfx", NULL);
    CreateDirectoryA("sub", NULL);
    Start();
    Strings banks = Lines(hwndList);
    Strings files;
    std::copy_if(banks.begin(), banks.end(), std::back_inserter(files), [](const std::string& b) { return b[0] != '['; });
    EXPECT_EQ(files, (Strings{"a.sfx", "B.QSB", "c.qsb", "d.sfx", "e.sfx"}));  // both patterns in one sorted list
    EXPECT_EQ(banks.size(), 6u);
    EXPECT_TRUE(Has(banks, "[sounds.sfx]"));

    Strings dirs = Lines(hwndDir);
    EXPECT_TRUE(Has(dirs, "[..]"));
    EXPECT_TRUE(Has(dirs, "[sub]"));
    EXPECT_TRUE(Has(dirs, "[sounds.sfx]"));
    EXPECT_TRUE(Has(dirs, "[-c-]"));
    for (const std::string& d : dirs)
        EXPECT_EQ(d.front(), '[') << d;
    SetFileAttributesA("d.sfx", FILE_ATTRIBUTE_NORMAL);
}

TEST_F(AppTest, OpeningABankShowsItsPathAndEnteringADirectoryClosesIt)
{
    MakeBank("a.sfx", {{"A0", Tone(50)}, {"A1", Tone(60)}});
    CreateDirectoryA("sounds.sfx", NULL);
    Start();
    OpenBank("a.sfx");
    EXPECT_EQ(Text(hwndText), dir + "\\a.sfx");
    EXPECT_TRUE(bValidFile);
    OpenBank("[sounds.sfx]");
    EXPECT_FALSE(bValidFile);
    EXPECT_EQ(CurrentDirectory(), dir + "\\sounds.sfx");
    EXPECT_EQ(Text(hwndText), CurrentDirectory());
    EXPECT_EQ(Lines(hwndDisplay), (Strings{"  0. A0", "  1. A1"}));  // old lines stay
    EXPECT_TRUE(Lines(hwndList).empty());
    DoubleClick(hwndDisplay, 0);
    EXPECT_FALSE(PlaybackBusy());
    EXPECT_EQ(boxes.texts, (Strings{"2 sounds in file", "No sfx file open"}));
}

TEST_F(AppTest, AtADriveRootThePathHasOneBackslash)
{
    const std::string bank = "C:\\vx_root_" + std::to_string(GetCurrentProcessId()) + ".sfx";
    MakeBank(bank, {{"R", Tone(20)}});
    ASSERT_EQ(_chdir("C:\\"), 0);
    Start();
    OpenBank(bank.substr(3));
    EXPECT_EQ(Text(hwndText), bank);
    DeleteFileA(bank.c_str());
    DeleteFileA((bank.substr(0, bank.size() - 3) + "txt").c_str());
}

TEST_F(AppTest, AFileDeletedAfterListingClosesTheBankQuietly)
{
    MakeBank("a.sfx", {{"A0", Tone(50)}});
    WriteFileBytes("gone.sfx", "x");
    Start();
    OpenBank("a.sfx");
    DeleteFileA("gone.sfx");
    OpenBank("gone.sfx");
    EXPECT_FALSE(bValidFile);
    EXPECT_EQ(CurrentDirectory(), dir);
    EXPECT_EQ(Lines(hwndList), Strings{"a.sfx"});
    EXPECT_EQ(boxes.texts, Strings{"1 sounds in file"});
}

TEST_F(AppTest, DirectoryListMovesWhileTheOpenBankIsReachedByItsFullPath)
{
    CreateDirectoryA("sub", NULL);
    MakeBank("sub\\x.sfx", {{"Sub", Tone(80)}});
    MakeBank("x.sfx", {{"Parent", Tone(90)}});
    ASSERT_EQ(_chdir("sub"), 0);
    Start();
    OpenBank("x.sfx");
    DoubleClick(hwndDir, IndexOf(hwndDir, "[..]"));
    EXPECT_EQ(CurrentDirectory(), dir);
    EXPECT_TRUE(bValidFile);
    EXPECT_EQ(Lines(hwndDisplay), Strings{"  0. Sub"});
    EXPECT_EQ(Text(hwndText), dir);
    // the bank opened is the one in sub, not the x.sfx of the folder now current
    DeleteFileA("sub\\x.sfx");
    DoubleClick(hwndDisplay, 0);
    ASSERT_TRUE(WaitForPlaybackEnd());
    EXPECT_EQ(boxes.texts, (Strings{"1 sounds in file", "Failed to open input file"}));
}

TEST_F(AppTest, DriveEntriesChangeDriveUnlessADirectoryHasTheirName)
{
    CreateDirectoryA("-c-", NULL);
    Start();
    DoubleClick(hwndDir, IndexOf(hwndDir, "[-c-]"));  // the directory of that name wins
    EXPECT_EQ(CurrentDirectory(), dir + "\\-c-");
    DoubleClick(hwndDir, IndexOf(hwndDir, "[-z-]"));
    EXPECT_EQ(toupper(CurrentDirectory()[0]), 'Z');
    DoubleClick(hwndDir, IndexOf(hwndDir, "[-c-]"));  // c is drive 3
    EXPECT_EQ(CurrentDirectory().substr(0, 2), "C:");
    EXPECT_EQ(Text(hwndText), CurrentDirectory());
    const std::string here = CurrentDirectory();
    Command(ID_DIRLIST, LBN_SELCHANGE);  // a single click only selects
    EXPECT_EQ(CurrentDirectory(), here);
}

}  // namespace
