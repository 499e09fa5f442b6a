// Make Mod Pack and Apply Mod Pack through the real dialogs, a pack dropped on the sound list,
// and the one message a pack that cannot be applied gets.
#include "support.h"

namespace {

std::string WindowText(HWND w)
{
    char text[MAX_PATH * 2] = "";
    GetWindowTextA(w, text, sizeof text);
    return text;
}

// A step that gives the common dialog of this title the file, once it offers a name when asked.
std::function<bool()> ChooseFile(const char* title, const std::string& file, std::string* offered = nullptr)
{
    return [=] {
        HWND d = FindWindowA("#32770", title);
        HWND name = GetDlgItem(d, 0x47c) ? GetDlgItem(d, 0x47c) : GetDlgItem(d, 0x480);
        if (!IsWindowVisible(d) || !IsWindowEnabled(d) || (offered && WindowText(name).empty()))
            return false;
        if (offered)
            *offered = WindowText(name);
        SetWindowTextA(name, file.c_str());
        return PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), (LPARAM)GetDlgItem(d, IDOK)) != FALSE;
    };
}

class ModPack : public AppTest {
protected:
    // orig.sfx and y.sfx the original, z.sfx with another sound 3, and x.sfx with sounds 1 and 3
    // changed, open.
    void SetUp() override
    {
        AppTest::SetUp();
        original = vox::test::Sounds({400, 500, 600, 700});
        std::vector<TestSound> modded = original, other = original;
        modded[1].data = std::string(900, 'a'), modded[3].channels = 2, modded[3].bits = 16;
        other[3].data = std::string(700, 'z');
        origBytes = MakeBank("orig.sfx", original);
        MakeBank("y.sfx", original);
        MakeBank("z.sfx", other);
        modBytes = StartOn(modded);
    }

    // Make Mod Pack of x.sfx against orig.sfx into pack; what the Save dialog offered.
    std::string MakePack(const std::string& pack)
    {
        std::string offered;
        RunScript({ChooseFile("Open", dir + "\\orig.sfx"), ChooseFile("Save As", dir + "\\" + pack, &offered)});
        Command(IDM_MAKEPACK);
        EXPECT_TRUE(ScriptDone());
        return offered;
    }

    std::vector<TestSound> original;
    std::string origBytes, modBytes;
};

TEST_F(ModPack, MadeAndAppliedThroughTheMenuAndTakenBackByUndo)
{
    EXPECT_EQ(MakePack("doors.voxpack"), "x.voxpack");
    EXPECT_EQ(boxes.texts, Strings{dir + "\\doors.voxpack holds 2 sounds of x.sfx that differ from orig.sfx: 1 S1 and 3 S3."});
    EXPECT_FALSE(ReadFileBytes("doors.voxpack").empty());

    // applied to a copy of the original: the modded bank, byte for byte, in one rewrite
    OpenBank("y.sfx");
    boxes.texts.clear();
    pathLog.clear();
    RunScript({ChooseFile("Open", dir + "\\doors.voxpack")});
    Command(IDM_APPLYPACK);
    EXPECT_TRUE(ScriptDone());
    EXPECT_EQ(boxes.texts, (Strings{"Apply doors (2 sounds: 1 S1 and 3 S3) to y.sfx?", "doors applied to y.sfx: Sounds 1 and 3."}));
    EXPECT_TRUE(ReadFileBytes("y.sfx") == modBytes);
    EXPECT_TRUE(ReadFileBytes("y.sfx.bak") == origBytes);
    ASSERT_FALSE(pathLog.empty());
    EXPECT_EQ(pathLog.front().rfind("Checking doors.voxpack", 0), 0u) << pathLog.front();
    EXPECT_EQ(pathLog.back(), dir + "\\y.sfx");

    // applied again: nothing to do; Undo takes the apply back
    boxes.texts.clear();
    RunScript({ChooseFile("Open", dir + "\\doors.voxpack")});
    Command(IDM_APPLYPACK);
    EXPECT_EQ(boxes.texts, Strings{"doors is already applied to y.sfx. The bank is unchanged."});
    Command(IDC_UNDO);
    EXPECT_TRUE(ReadFileBytes("y.sfx") == origBytes);
}

TEST_F(ModPack, ADroppedPackIsAppliedOrRefusedInOneMessage)
{
    MakePack("doors.voxpack");
    const std::string pack = ReadFileBytes("doors.voxpack");
    WriteFileBytes("cut.voxpack", pack.substr(0, pack.size() / 2));
    const struct {
        const char* bank;
        const char* file;
        bool answer;
        Strings says;
        bool applied;
    } cases[] = {
        {"y.sfx", "cut.voxpack", true, {dir + "\\cut.voxpack: is not a mod pack: not a zip file, or a damaged one"}, false},
        {"z.sfx", "doors.voxpack", true,
         {"doors cannot be applied to z.sfx: Sound 3 is not the sound it replaces (another mod, or another version of "
          "the bank). The bank is unchanged."},
         false},
        {"y.sfx", "doors.voxpack", false, {"Apply doors (2 sounds: 1 S1 and 3 S3) to y.sfx?"}, false},
        {"y.sfx", "doors.voxpack", true, {"Apply doors (2 sounds: 1 S1 and 3 S3) to y.sfx?", "doors applied to y.sfx: Sounds 1 and 3."},
         true},
    };
    for (const auto& c : cases) {
        boxes = Boxes();  // opening a bank tells its count of sounds
        OpenBank(c.bank);
        const Files before = Snapshot(dir);
        boxes = Boxes();
        boxes.hold = !c.answer;  // else Yes or OK
        if (!c.answer)
            RunScript({[] { return boxes.open && (AnswerOpenBox(IDNO), true); }});
        Drop({dir + "\\" + c.file}, AtLine(hwndDisplay, 0));
        EXPECT_TRUE(c.answer || ScriptDone()) << c.file;
        ASSERT_EQ(boxes.texts.size(), c.says.size()) << c.file;
        for (size_t i = 0; i < c.says.size(); i++)
            EXPECT_EQ(boxes.texts[i].substr(0, c.says[i].size()), c.says[i]) << c.file;
        if (c.applied)
            EXPECT_TRUE(ReadFileBytes(c.bank) == modBytes);
        else
            EXPECT_TRUE(Snapshot(dir) == before) << c.bank << " " << c.file;
    }
}

}  // namespace

