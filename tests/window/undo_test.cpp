#include "support.h"

namespace {

const char kNothing[] = "Sorry, UNDO not functional";

TEST_F(AppTest, UndoPutsBackTheBankBeforeTheReplaceAndASecondUndoRedoes)
{
    const std::vector<TestSound> sounds = vox::test::Sounds({3000, 3000, 3000});
    const std::string before = MakeBank("x.sfx", sounds);
    const std::string data = MakeWave("new.wav", 900);
    Start();
    Command(IDC_UNDO);  // no bank open
    OpenBank("x.sfx");
    Command(IDC_UNDO);  // no backup yet
    ReplaceSound(1, "new.wav", {Press(IDC_OK)});
    ASSERT_TRUE(WaitIdle());
    const std::string replaced = ReadFileBytes("x.sfx");
    ASSERT_TRUE(replaced != before);
    EXPECT_TRUE(ReadFileBytes("x.sfx.bak") == before);
    EXPECT_EQ(SendMessageA(hwndList, LB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM) "x.sfx.bak"), LB_ERR);
    EXPECT_EQ(boxes.texts, (Strings{kNothing, "3 sounds in file", kNothing, kConfirm}));

    const std::pair<std::string, std::string> undos[] = {{before, replaced}, {replaced, before}};
    for (const auto& [bank, backup] : undos) {
        boxes.texts.clear();
        played.clear();
        Command(IDC_UNDO);
        EXPECT_EQ(boxes.texts, (Strings{kUndoX, "3 sounds in file"}));
        EXPECT_TRUE(ReadFileBytes("x.sfx") == bank && ReadFileBytes("x.sfx.bak") == backup);
        EXPECT_EQ(Text(hwndText), dir + "\\x.sfx");
        EXPECT_EQ(Lines(hwndDisplay).size(), 3u);
        DoubleClick(hwndDisplay, 1);  // the sound list plays what is now on disk
        ASSERT_TRUE(WaitIdle());
        ASSERT_EQ(played.size(), 1u);
        EXPECT_EQ(played[0].head, (bank == before ? sounds[1].data : data).substr(0, 16));
    }

    boxes = Boxes();
    boxes.hold = true;  // No leaves both as they are
    RunScript({[] { return boxes.open && (AnswerOpenBox(IDNO), true); }});
    Command(IDC_UNDO);
    EXPECT_TRUE(ReadFileBytes("x.sfx") == replaced && ReadFileBytes("x.sfx.bak") == before);
}

// Every refusal of Undo, each with the files as they were.
TEST_F(AppTest, UndoRefusesWithItsReasonAndChangesNothing)
{
    const std::string good = vox::test::BankBytes(vox::test::Sounds({200, 100}));
    const std::string bank = dir + "\\x.sfx";
    const std::string refused = "Unable to put back " + bank + ".bak in the place of " + bank +
                                ": the file system refused. Both files are as they were.";
    StartOn(vox::test::Sounds({6000, 100}));
    auto damaged = [&](const char* problem) {
        return "The backup " + bank + ".bak cannot be put back: " + problem + ". The bank and its backup are as they were.";
    };
    const struct { const char* what; std::string backup; std::function<void()> meanwhile; Strings says; } cases[] = {
        {"no backup", "", {}, {kNothing}},
        {"a sound plays", good, [&] { DoubleClick(hwndDisplay, 0); },
         {"A sound is still playing. Wait for it to end and press Undo again; nothing was changed."}},
        {"a truncated backup", good.substr(0, 40), {}, {damaged("it is shorter than its directory says")}},
        {"a backup of 326 sounds", vox::test::BankBytes(vox::test::Sounds(std::vector<size_t>(326, 1))), {},
         {damaged("its header counts more than 325 sounds")}},
        {"a backup whose sounds overlap", vox::test::BankBytes(vox::test::Sounds({200, 100})).replace(16 + 28 + 4, 1, "\x50"), {},
         {damaged("its sounds do not lie back to back right behind the directory")}},
        {"new.sfx in the way", good, [] { WriteFileBytes("new.sfx", "left"); },
         {kUndoX, dir + "\\new.sfx is in the way. Move or rename it and try again; the bank is unchanged."}},
        {"no bank", good, [] { DeleteFileA("x.sfx"); }, {kUndoX, "The bank " + bank + " is not there any more; nothing was changed."}},
        {"a read-only bank", good, [] { SetFileAttributesA("x.sfx", FILE_ATTRIBUTE_READONLY); }, {kUndoX, refused}},
    };
    const Files start = Snapshot(dir);
    for (const auto& c : cases) {
        Restore(dir, start);
        if (!c.backup.empty())
            WriteFileBytes("x.sfx.bak", c.backup);
        if (c.meanwhile)
            c.meanwhile();
        const Files before = Snapshot(dir);
        boxes.texts.clear();
        Command(IDC_UNDO);
        EXPECT_EQ(boxes.texts, c.says) << c.what;
        EXPECT_TRUE(Snapshot(dir) == before) << c.what;
        ASSERT_TRUE(WaitIdle());
    }
}

TEST_F(AppTest, AReadOnlyBackupInTheWayIsKeptAndTheReplaceSaysSo)
{
    const std::string older = vox::test::BankBytes(vox::test::Sounds({400, 300}));
    WriteFileBytes("x.sfx.bak", older);
    SetFileAttributesA("x.sfx.bak", FILE_ATTRIBUTE_READONLY);
    MakeWave("new.wav", 500);
    const std::string before = StartOn(vox::test::Sounds({300, 300}));
    ReplaceSound(0, "new.wav", {Press(IDC_OK)});
    EXPECT_EQ(boxes.texts, (Strings{kConfirm, "The new bank is in place, but the old one could not be kept as " + dir +
                                                  "\\x.sfx.bak, so Undo cannot put it back."}));
    const std::string replaced = ReadFileBytes("x.sfx");
    EXPECT_TRUE(replaced != before && ReadFileBytes("x.sfx.bak") == older);
    EXPECT_EQ(GetFileAttributesA("x.sfx.bak.part"), INVALID_FILE_ATTRIBUTES);

    // Undo does not offer the older backup; once a replace keeps its backup again, it does
    boxes.texts.clear();
    Command(IDC_UNDO);
    EXPECT_EQ(boxes.texts, Strings{dir + "\\x.sfx.bak is not the bank as it was before the last replace, so Undo cannot put "
                                         "it back; nothing was changed."});
    EXPECT_TRUE(ReadFileBytes("x.sfx") == replaced && ReadFileBytes("x.sfx.bak") == older);
    SetFileAttributesA("x.sfx.bak", FILE_ATTRIBUTE_NORMAL);
    ReplaceSound(1, "new.wav", {Press(IDC_OK)});
    ASSERT_TRUE(WaitIdle());
    boxes.texts.clear();
    Command(IDC_UNDO);
    EXPECT_EQ(boxes.texts, (Strings{kUndoX, "2 sounds in file"}));
    EXPECT_TRUE(ReadFileBytes("x.sfx") == replaced);
}

}  // namespace
