// voxbank through the real program: what it prints, the files it writes, and that every refusal
// leaves the bank as it was.
#include <filesystem>
#include <functional>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "builders.h"
#include "run.h"
#include "version.h"

using namespace vox::test;

namespace {

const std::vector<std::string> kNames = {"Explosion", "Door: creak?", "CON", "Last"};
const std::vector<std::string> kFiles = {"000-Explosion.wav", "001-Door_ creak_.wav", "002-CON.wav", "003-Last.wav"};

struct Banked : Folder {
    // One stereo 16-bit with an extra size, two of odd length.
    Banked() : sounds(Sounds({1001, 2000, 7, 600}))
    {
        sounds[1].channels = 2, sounds[1].bits = 16, sounds[1].extra = 2;
        Put("BANK.SFX", BankBytes(sounds));
        Put("BANK.txt", IndexText(kNames));
    }
    std::vector<TestSound> sounds;
};

class Voxbank : public ::testing::Test, public Banked {};

TEST_F(Voxbank, ListsWhatTheBankHolds)
{
    std::string squeezed;  // the table with every run of blanks made one
    for (char c : RunVoxbank({"list", Path("BANK.SFX")}).out)
        if (c != ' ' || (!squeezed.empty() && squeezed.back() != ' '))
            squeezed += c;
    EXPECT_NE(squeezed.find("\n 1 Door: creak? 2000 1129 PCM 2ch 12025 Hz 16-bit 0.042\n"), std::string::npos) << squeezed;

    Outcome json = RunVoxbank({"list", Path("BANK.SFX"), "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    nlohmann::json doc = nlohmann::json::parse(json.out);
    EXPECT_EQ(doc["bank"], Path("BANK.SFX"));
    EXPECT_EQ(doc["storedCount"], 4);
    ASSERT_EQ(doc["sounds"].size(), 4u);
    for (size_t i = 0, offset = 16 + 28 * 4; i < sounds.size(); offset += sounds[i++].data.size()) {
        const nlohmann::json& s = doc["sounds"][i];
        vox::Format f = FormatFor(sounds[i]);
        EXPECT_EQ(std::vector<nlohmann::json>({s["number"], s["name"], s["length"], s["offset"], s["tag"], s["channels"],
                                               s["rate"], s["avgBytes"], s["blockAlign"], s["bits"], s["extra"]}),
                  std::vector<nlohmann::json>({i, kNames[i], sounds[i].data.size(), offset, f.tag, f.channels, f.rate,
                                               f.avgBytes, f.blockAlign, f.bits, sounds[i].extra}));
        EXPECT_DOUBLE_EQ(s["duration"], (double)sounds[i].data.size() / f.avgBytes);
    }
}

TEST_F(Voxbank, ExtractedSoundsPutBackLeaveTheBankAsItWas)
{
    const std::string bank = Get("BANK.SFX");
    const std::vector<std::string> extract = {"extract", Path("BANK.SFX"), "-o", Path("made/here")};
    Outcome o = RunVoxbank(extract);
    ASSERT_EQ(o.status, 0) << o.err;
    std::vector<std::string> replace = {"replace", Path("BANK.SFX")};
    for (size_t i = 0; i < kFiles.size(); i++) {
        EXPECT_NE(o.out.find(Path("made/here/" + kFiles[i]) + "\n"), std::string::npos) << o.out;
        replace.push_back(std::to_string(i) + "=" + Path("made/here/" + kFiles[i]));
    }
    EXPECT_EQ(RunVoxbank(extract).status, 1) << "overwrote without --force";
    EXPECT_EQ(RunVoxbank({"extract", Path("BANK.SFX"), "-o", Path("made/here"), "--force"}).status, 0);
    EXPECT_FALSE(Has("made/here/" + kFiles[0] + ".part"));
    EXPECT_EQ(RunVoxbank(replace).status, 0);
    EXPECT_TRUE(Get("BANK.SFX") == bank);
}

TEST_F(Voxbank, ExtractSkipsSoundsPastTheEndAndWritesTheRest)
{
    Put("BANK.SFX", Get("BANK.SFX").substr(0, Get("BANK.SFX").size() - 1));
    Outcome o = RunVoxbank({"extract", Path("BANK.SFX"), "-o", Path("out")});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("sound 3 (Last) runs past the end"), std::string::npos) << o.err;
    for (size_t i = 0; i < kFiles.size(); i++)
        EXPECT_EQ(Has("out/" + kFiles[i]), i < 3) << kFiles[i];
}

TEST_F(Voxbank, SeveralSoundsInOnePassAsOneAfterAnother)
{
    WaveLayout stereo, odd;
    stereo.channels = 2, stereo.bits = 16, stereo.rate = 22050, stereo.data = std::string(4000, '\x11');
    odd.data = std::string(333, '\x22');
    Put("x.wav", WaveBytes(stereo));
    Put("y.wav", WaveBytes(odd));
    Put("ONE.SFX", Get("BANK.SFX"));
    EXPECT_EQ(RunVoxbank({"replace", Path("BANK.SFX"), "Door: creak?=" + Path("x.wav"), "3=" + Path("y.wav")}).status, 0);
    EXPECT_EQ(RunVoxbank({"replace", Path("ONE.SFX"), "1=" + Path("x.wav")}).status, 0);
    EXPECT_EQ(RunVoxbank({"replace", Path("ONE.SFX"), "3=" + Path("y.wav")}).status, 0);
    sounds[1].data = stereo.data, sounds[1].rate = 22050, sounds[1].extra = 0;
    sounds[3].data = odd.data, sounds[3].rate = 11025;
    EXPECT_TRUE(Get("BANK.SFX") == BankBytes(sounds));
    EXPECT_TRUE(Get("ONE.SFX") == BankBytes(sounds));
}

TEST_F(Voxbank, UndoPutsBackTheBankBeforeTheLastReplaceAndASecondUndoRedoes)
{
    const std::string first = Get("BANK.SFX");
    WaveLayout w;
    w.data = std::string(999, '\x33');
    Put("w.wav", WaveBytes(w));
    ASSERT_EQ(RunVoxbank({"replace", Path("BANK.SFX"), "2=" + Path("w.wav")}).status, 0);
    const std::string second = Get("BANK.SFX");
    EXPECT_TRUE(Get("BANK.SFX.bak") == first);
    Outcome undone = RunVoxbank({"undo", Path("BANK.SFX")});
    ASSERT_EQ(undone.status, 0) << undone.err;
    EXPECT_NE(undone.out.find("4 sounds"), std::string::npos) << undone.out;
    EXPECT_NE(undone.out.find("sound 2 (CON): 7 bytes (999 before the undo)"), std::string::npos) << undone.out;
    EXPECT_TRUE(Get("BANK.SFX") == first && Get("BANK.SFX.bak") == second);
    ASSERT_EQ(RunVoxbank({"undo", Path("BANK.SFX")}).status, 0);
    EXPECT_TRUE(Get("BANK.SFX") == second && Get("BANK.SFX.bak") == first);

    // without a backup the old bank goes, and the backup of an earlier replace stays as it was
    ASSERT_EQ(RunVoxbank({"replace", Path("BANK.SFX"), "0=" + Path("w.wav"), "--no-backup"}).status, 0);
    EXPECT_TRUE(Get("BANK.SFX.bak") == first);
    EXPECT_FALSE(Has("BANK.SFX.bak.part"));

    // where the file system has no hard links the replace is done all the same, and says so once
    std::filesystem::remove(Path("BANK.SFX.bak"));
    const std::string third = Get("BANK.SFX");
    Outcome noLinks = RunVoxbank({"replace", Path("BANK.SFX"), "1=" + Path("w.wav")},
                                 {"LD_PRELOAD=" KILLPOINT, "ASAN_OPTIONS=verify_asan_link_order=0", "VOXBANK_NO_LINKS=1"});
    EXPECT_EQ(noLinks.status, 0);
    EXPECT_EQ(noLinks.err, "voxbank: " + Path("BANK.SFX") + ": replaced without a backup: the file system refused to keep "
                           "the old bank as " + Path("BANK.SFX.bak") + "\n");
    EXPECT_FALSE(Has("BANK.SFX.bak"));
    EXPECT_TRUE(Get("BANK.SFX") != third);
}

struct Case {
    const char* what;
    std::vector<std::string> args;  // '@' stands for the test's folder
    int status;
    std::string says;                     // on stdout or stderr
    std::function<void(Banked&)> arrange = {};  // @w.wav is a good sound unless this changes it
};

std::function<void(Banked&)> Wave(std::function<void(WaveLayout&)> change)
{
    return [change](Banked& t) { WaveLayout w; change(w); t.Put("w.wav", WaveBytes(w)); };
}

std::function<void(Banked&)> Bank(std::function<void(std::vector<TestSound>&)> change)
{
    return [change](Banked& t) { change(t.sounds); t.Put("BANK.SFX", BankBytes(t.sounds)); };
}

std::function<void(Banked&)> Bytes(std::function<void(std::string&)> change)
{
    return [change](Banked& t) { std::string b = t.Get("BANK.SFX"); change(b); t.Put("BANK.SFX", b); };
}

TEST(VoxbankRefusalsAndChecks, SayWhyAndLeaveEveryFileAsItWas)
{
    const std::vector<std::string> replace = {"replace", "@BANK.SFX", "1=@w.wav"}, check = {"check", "@BANK.SFX"};
    auto outOfStep = Bytes([](std::string& b) { b.replace(16 + 28 * 2 + 4, 4, Le32(3130)); });
    auto cutInDirectory = Bytes([](std::string& b) { b.resize(16 + 28 * 3); });
    auto cutInLastSound = Bytes([](std::string& b) { b.pop_back(); });
    auto noIndex = [](Banked& t) { std::filesystem::remove(t.Path("BANK.txt")); };
    const std::vector<Case> cases = {
        {"not RIFF", replace, 1, "w.wav: Not a valid wave file", [](Banked& t) { t.Put("w.wav", "RIFX" + std::string(60, 0)); }},
        {"not PCM", replace, 1, "w.wav: Not a PCM file", Wave([](WaveLayout& w) { w.tag = 3; })},
        {"rate no device plays", replace, 1, "w.wav: Can't play format", Wave([](WaveLayout& w) { w.rate = 500; })},
        {"empty data", replace, 1, "w.wav: Chunk has no data", Wave([](WaveLayout& w) { w.data.clear(); })},
        {"data cut short", replace, 1, "w.wav: Failed to read chunk", [](Banked& t) { t.Put("w.wav", t.Get("w.wav").substr(0, 70)); }},
        {"no wave file", {"replace", "@BANK.SFX", "1=@gone.wav"}, 1, "gone.wav: Failed to open wave file"},
        {"new.sfx in the way", replace, 1, "new.sfx is in the way: it is probably left from a rewrite that was cut off",
         [](Banked& t) { t.Put("new.sfx", "left over"); }},
        {"not back to back", replace, 1, "BANK.SFX: its sounds do not lie back to back", outOfStep},
        {"cut in the directory", replace, 1, "BANK.SFX: the file is shorter than its header", cutInDirectory},
        {"cut in the last sound", replace, 1, "BANK.SFX: the file ends before its last sound", cutInLastSound},
        {"no bank", {"replace", "@NOBANK", "1=@w.wav"}, 1, "NOBANK: cannot be opened"},
        {"unknown name", {"replace", "@BANK.SFX", "Nope=@w.wav"}, 1, "BANK.SFX: no sound is named \"Nope\""},
        {"number past the end", {"replace", "@BANK.SFX", "4=@w.wav"}, 1, "BANK.SFX: has no sound 4"},
        {"ambiguous name", {"replace", "@BANK.SFX", "Twice=@w.wav"}, 1, "\"Twice\" names sounds 0 and 2",
         [](Banked& t) { t.Put("BANK.txt", IndexText({"Twice", "a", "Twice", "b"})); }},
        {"sound named twice", {"replace", "@BANK.SFX", "1=@w.wav", "Door: creak?=@w.wav"}, 2, "sound 1 (Door: creak?) is named twice"},
        {"no '='", {"replace", "@BANK.SFX", "@w.wav"}, 2, "w.wav\" is not SOUND=FILE.wav"},
        {"unknown option", {"extract", "@BANK.SFX", "--bogus"}, 2, "--bogus"},
        {"no command", {}, 2, "subcommand is required"},
        {"no bank named", {"list"}, 2, "BANK is required"},
        {"help", {"replace", "--help"}, 0, "SOUND=FILE"},
        {"list without index: a note", {"list", "@BANK.SFX"}, 0, "no index file", noIndex},
        {"list without index: no names", {"list", "@BANK.SFX", "--json"}, 0, "\"name\": null", noIndex},
        {"version", {"--version"}, 0, "voxbank " VOXMEND_VERSION "\n"},
        {"check: a sound bank", check, 0, "BANK.SFX: sound: 4 sounds back to back, all playable, named by"},
        {"check: over 325", check, 1, "more than 325 sounds", Bank([](auto& s) { s = Sounds(std::vector<size_t>(326, 1)); })},
        {"check: not back to back", check, 1, "its sounds do not lie back to back", outOfStep},
        {"check: cut in the directory", check, 1, "shorter than its header and directory", cutInDirectory},
        {"check: cut in the last sound", check, 1, "ends before its last sound does", cutInLastSound},
        {"check: sound past the end", check, 1, "1 sound(s) lie outside the file, the first is sound 3 (Last)", cutInLastSound},
        {"check: no index", check, 1, "no index file", noIndex},
        {"check: short index", check, 1, "BANK.txt: names 2 of 4 sounds", [](Banked& t) { t.Put("BANK.txt", IndexText({"a", "b"})); }},
        {"check: format that would not play", check, 1, "sound 2 (CON) has a format that would not play (PCM 1ch 500 Hz 8-bit)",
         Bank([](auto& s) { s[2].rate = 500; })},
        {"undo: no backup", {"undo", "@BANK.SFX"}, 1, "BANK.SFX: no backup " },
        {"undo: a truncated backup", {"undo", "@BANK.SFX"}, 1,
         "BANK.SFX.bak: the file is shorter than its header and directory (cut short?); it was not put back",
         [](Banked& t) { t.Put("BANK.SFX.bak", t.Get("BANK.SFX").substr(0, 30)); }},
        {"undo: a backup of 326 sounds", {"undo", "@BANK.SFX"}, 1, "BANK.SFX.bak: its header counts more than 325",
         [](Banked& t) { t.Put("BANK.SFX.bak", BankBytes(Sounds(std::vector<size_t>(326, 1)))); }},
        {"undo: new.sfx in the way", {"undo", "@BANK.SFX"}, 1, "new.sfx is in the way",
         [](Banked& t) { t.Put("BANK.SFX.bak", t.Get("BANK.SFX")), t.Put("new.sfx", "left over"); }},
        {"list: a backup", {"list", "@BANK.SFX.bak"}, 1, "BANK.SFX.bak: is the backup of",
         [](Banked& t) { t.Put("BANK.SFX.bak", t.Get("BANK.SFX")); }},
        {"extract: a backup", {"extract", "@bank.sfx.BAK"}, 1, "is the backup of",
         [](Banked& t) { t.Put("bank.sfx.BAK", t.Get("BANK.SFX")); }},
    };
    for (const Case& c : cases) {
        Banked t;
        t.Put("w.wav", WaveBytes(WaveLayout()));
        if (c.arrange)
            c.arrange(t);
        const std::string bank = t.Get("BANK.SFX"), leftOver = t.Get("new.sfx"), backup = t.Get("BANK.SFX.bak");
        std::vector<std::string> args;
        for (std::string a : c.args)
            args.push_back(a.find('@') == std::string::npos ? a : a.replace(a.find('@'), 1, t.Path("")));
        Outcome o = t.RunVoxbank(args);
        EXPECT_EQ(o.status, c.status) << c.what << ": " << o.err;
        EXPECT_NE((o.out + o.err).find(c.says), std::string::npos) << c.what << ": " << o.out << o.err;
        EXPECT_LE(std::count(o.err.begin(), o.err.end(), '\n'), 1) << c.what << ": " << o.err;
        EXPECT_TRUE(t.Get("BANK.SFX") == bank && t.Get("new.sfx") == leftOver && t.Get("BANK.SFX.bak") == backup) << c.what;
    }
}

}  // namespace
