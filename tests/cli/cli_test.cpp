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
    const std::string table = RunVoxbank({"list", Path("BANK.SFX")}).out;
    EXPECT_NE(table.find("\n  1  Door: creak?        2000        1129  PCM 2ch 12025 Hz 16-bit     0.042\n"), std::string::npos) << table;

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

TEST_F(Voxbank, ReplacesAndTakesBackWhatItExtracted)
{
    // extracted and put back: the bank as it was, the stereo sound's extra size included
    const std::string first = Get("BANK.SFX");
    Outcome o = RunVoxbank({"extract", Path("BANK.SFX"), "-o", Path("made/here")});
    ASSERT_EQ(o.status, 0) << o.err;
    std::vector<std::string> back = {"replace", Path("BANK.SFX")};
    for (size_t i = 0; i < kFiles.size(); i++) {
        EXPECT_NE(o.out.find(Path("made/here/" + kFiles[i]) + "\n"), std::string::npos) << o.out;
        back.push_back(std::to_string(i) + "=" + Path("made/here/" + kFiles[i]));
    }
    ASSERT_EQ(RunVoxbank(back).status, 0);
    EXPECT_TRUE(Get("BANK.SFX") == first);

    // two sounds in one pass, one of them by its name
    WaveLayout stereo, odd;
    stereo.channels = 2, stereo.bits = 16, stereo.rate = 22050, stereo.data = std::string(4000, '\x11');
    odd.data = std::string(333, '\x22');
    Put("x.wav", WaveBytes(stereo));
    Put("y.wav", WaveBytes(odd));
    ASSERT_EQ(RunVoxbank({"replace", Path("BANK.SFX"), "Door: creak?=" + Path("x.wav"), "3=" + Path("y.wav")}).status, 0);
    sounds[1].data = stereo.data, sounds[1].rate = 22050, sounds[1].extra = 0;
    sounds[3].data = odd.data, sounds[3].rate = 11025;
    const std::string second = BankBytes(sounds);
    EXPECT_TRUE(Get("BANK.SFX") == second && Get("BANK.SFX.bak") == first);

    // without a backup the old bank goes, and the backup of an earlier replace stays as it was
    ASSERT_EQ(RunVoxbank({"replace", Path("BANK.SFX"), "0=" + Path("y.wav"), "--no-backup"}).status, 0);
    EXPECT_TRUE(Get("BANK.SFX.bak") == first);
    EXPECT_FALSE(Has("BANK.SFX.bak.part"));
    const std::string replaced = Get("BANK.SFX");
    std::filesystem::create_directory(Path("in"));
    Put("in/003-Last.wav", Get("x.wav"));
    ASSERT_EQ(RunVoxbank({"import", Path("BANK.SFX"), Path("in"), "--no-backup"}).status, 0);
    EXPECT_TRUE(Get("BANK.SFX.bak") == first && Get("BANK.SFX") != replaced) << "imported without a backup";
}

// An index line in the Windows-1252 of the product's days and one in UTF-8 name the sound
// alike, everywhere a name shows or is asked for.
TEST(VoxbankNames, AreTheSameUtf8FromEitherKindOfIndex)
{
    const std::string cafe = "Caf\xC3\xA9";
    for (const std::string& line : {std::string("Caf\xE9"), cafe}) {
        Banked t;
        t.Put("BANK.txt", IndexText({line, "Door", "CON", "Last"}));
        t.Put("w.wav", WaveBytes(WaveLayout()));
        const std::string table = t.RunVoxbank({"list", t.Path("BANK.SFX")}).out;
        EXPECT_EQ(table.find("  #  name       bytes"), 0u) << "a column as wide as its characters:\n" << table;
        EXPECT_NE(table.find("\n  0  " + cafe + "        1001 "), std::string::npos) << table;
        Outcome json = t.RunVoxbank({"list", t.Path("BANK.SFX"), "--json"});
        EXPECT_EQ(nlohmann::json::parse(json.out)["sounds"][0]["name"], cafe);
        EXPECT_NE(json.out.find("\"name\": \"" + cafe + "\""), std::string::npos) << "as UTF-8, not escaped";
        Outcome o = t.RunVoxbank({"extract", t.Path("BANK.SFX"), "-o", t.Path("out"), "0"});
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_TRUE(t.Has("out/000-" + cafe + ".wav")) << o.out;
        o = t.RunVoxbank({"replace", t.Path("BANK.SFX"), cafe + "=" + t.Path("w.wav")});
        EXPECT_EQ(o.status, 0) << o.err;
        EXPECT_NE(o.out.find("sound 0 (" + cafe + "): "), std::string::npos) << o.out;
    }
}

// On a terminal a rewrite and an extract that take more than a second show a bar, and clear
// it when they end.
TEST_F(Voxbank, ShowsProgressOnATerminal)
{
    std::vector<TestSound> three = Sounds({1000000, 1000000, 1000000});
    Put("BIG.SFX", BankBytes(three));
    WaveLayout w;
    w.data = std::string(1000001, '\x55');
    Put("big.wav", WaveBytes(w));
    const struct { std::vector<std::string> args; std::string bar, last; } cases[] = {
        {{"replace", Path("BIG.SFX"), "1=" + Path("big.wav")}, "\rreplacing [", "sound 1: 1000000 bytes"},
        {{"extract", Path("BIG.SFX"), "-o", Path("out")}, "\rextracting [", "out/002.wav"},
    };
    for (const auto& c : cases) {
        const std::string command = Command(c.args, {"VOXBANK_SLOW=300"});
        EXPECT_EQ(std::system(("script -qec " + Quoted(command) + " /dev/null >" + Quoted(Path(".tty"))).c_str()), 0);
        const std::string tty = Get(".tty");
        const size_t bar = tty.find(c.bar), cleared = tty.rfind("%\r"), last = tty.find(c.last);
        ASSERT_NE(bar, std::string::npos) << tty;
        EXPECT_TRUE(cleared != std::string::npos && tty.compare(cleared + 2, 41, std::string(41, ' ')) == 0) << tty;
        EXPECT_NE(last, std::string::npos) << tty;
        EXPECT_EQ(tty.find('[', cleared), std::string::npos) << "no bar after the last is cleared: " << tty;
        EXPECT_NE(tty.find(c.bar + std::string(40, '#') + "] 100%"), std::string::npos) << tty;
    }
}

struct Case {
    const char* what;
    std::vector<std::string> args;  // '@' stands for the test's folder
    int status;
    // The whole of stderr after "voxbank: ", '@' the folder; "~text": text anywhere in the output.
    std::string says;
    std::function<void(Banked&)> arrange = {};  // @w.wav is a good sound unless this changes it
    std::vector<std::string> disk = {};          // how the disk fails, as killpoint.c reads it
    std::string output = "";                     // where stdout goes, when not to a file
    bool keepsFiles = true;                      // the bank, its backup and new.sfx as they were
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

// Every message voxbank gives, each with its exit status: 0 done, 1 the work failed and no file
// changed, 2 misused.
TEST(VoxbankSays, EachMessageWithItsStatusAndChangesNothing)
{
    const std::vector<std::string> replace = {"replace", "@BANK.SFX", "1=@w.wav"}, check = {"check", "@BANK.SFX"};
    const std::vector<std::string> undo = {"undo", "@BANK.SFX"}, extract = {"extract", "@BANK.SFX", "-o", "@out"};
    const std::vector<std::string> noBackup = {"replace", "@BANK.SFX", "1=@w.wav", "--no-backup"};
    auto outOfStep = Bytes([](std::string& b) { b.replace(16 + 28 * 2 + 4, 4, Le32(3130)); });
    auto cutInDirectory = Bytes([](std::string& b) { b.resize(16 + 28 * 3); });
    auto cutInLastSound = Bytes([](std::string& b) { b.pop_back(); });
    auto noIndex = [](Banked& t) { std::filesystem::remove(t.Path("BANK.txt")); };
    auto backup = [](Banked& t) { t.Put("BANK.SFX.bak", BankBytes(Sounds({1, 2, 3, 4}, 2))); };
    auto leftOver = [](Banked& t) { t.Put("new.sfx", "left over"); };
    auto of326 = Bank([](auto& s) { s = Sounds(std::vector<size_t>(326, 1)); });
    auto extracted = [](Banked& t) { std::filesystem::create_directory(t.Path("out")), t.Put("out/000-Explosion.wav", "x"); };
    auto importing = [](const std::vector<std::string>& names) {
        return [names](Banked& t) {
            std::filesystem::create_directory(t.Path("in"));
            for (const std::string& name : names)
                t.Put("in/" + name, t.Get("w.wav"));
        };
    };
    // Two sounds, the first 2 GB less 100 bytes, in a file with a hole
    auto nearly2G = [](Banked& t) {
        const int32_t at = 16 + 28 * 2, length = INT32_MAX - 100;
        std::string bank = BankBytes(Sounds({1, 1})).substr(0, at);
        bank.replace(16, 4, Le32(length));
        bank.replace(16 + 28 + 4, 4, Le32(at + length));
        t.Put("BANK.SFX", bank);
        std::filesystem::resize_file(t.Path("BANK.SFX"), (uintmax_t)at + (uintmax_t)length + 1);
    };
    const std::string full = "its output could not be written: No space left on device";
    std::vector<Case> cases = {
        // usage
        {"no command", {}, 2, "A subcommand is required (see voxbank --help)"},
        {"unknown command", {"frob", "@BANK.SFX"}, 2, "no command \"frob\" (see voxbank --help)"},
        {"check: unknown option", {"check", "@BANK.SFX", "-x"}, 2, "The following argument was not expected: -x (see voxbank --help)"},
        {"replace: unknown option", {"replace", "@BANK.SFX", "1=@w.wav", "--bogus"}, 2, "The following argument was not expected: --bogus (see voxbank --help)"},
        {"replace: no sound", {"replace", "@BANK.SFX"}, 2, "SOUND=FILE is required (see voxbank --help)"},
        {"import: no folder", {"import", "@BANK.SFX"}, 2, "DIR is required (see voxbank --help)"},
        {"an option without its value", {"extract", "@BANK.SFX", "-o"}, 2, "--output: 1 required DIR missing (see voxbank --help)"},
        {"no '='", {"replace", "@BANK.SFX", "@w.wav"}, 2, "\"@w.wav\" is not SOUND=FILE.wav"},
        {"sound named twice", {"replace", "@BANK.SFX", "1=@w.wav", "Door: creak?=@w.wav"}, 2, "@BANK.SFX: sound 1 (Door: creak?) is named twice"},
        {"--rate without --convert", {"replace", "@BANK.SFX", "1=@w.wav", "--rate", "22050"}, 2, "--rate, --channels and --bits go with --convert"},
        // done
        {"help", {"replace", "--help"}, 0, "~SOUND=FILE"},
        {"version", {"--version"}, 0, "~voxbank " VOXMEND_VERSION "\n"},
        {"list without index: a note", {"list", "@BANK.SFX"}, 0, "@BANK.SFX: no index file @BANK.txt; sounds go by number only", noIndex},
        {"list without index: no names", {"list", "@BANK.SFX", "--json"}, 0, "~\"name\": null", noIndex},
        {"list of 326: a note", {"list", "@BANK.SFX"}, 0, "@BANK.SFX: its header counts 326 sounds; only the first 325 are worked with", of326},
        {"check: a sound bank", check, 0, "~BANK.SFX: sound: 4 sounds back to back, all playable, named by"},
        {"replace", replace, 0, "~sound 1 (Door: creak?): 2000 bytes", {}, {}, "", false},
        {"replace with no hard links", replace, 0,
         "@BANK.SFX: replaced without a backup: the file system refused to keep the old bank as @BANK.SFX.bak", {}, {"VOXBANK_FAIL_CALL=link"}, "", false},
        {"import", {"import", "@BANK.SFX", "@in"}, 0, "~sound 2 (CON): 7 bytes", importing({"002-CON.wav"}), {}, "", false},
        {"undo", undo, 0, "~put back the bank as it was before the last replace, 4 sounds:\n  sound 0 (Explosion): 1 bytes (1001 before the undo)\n",
         backup, {}, "", false},
        // the bank
        {"no bank", {"replace", "@NOBANK", "1=@w.wav"}, 1, "@NOBANK: cannot be opened (missing, or not a readable file)"},
        {"a bank that cannot be read", {"list", "@BANK.SFX"}, 1, "@BANK.SFX: reading it failed", {}, {"VOXBANK_FAIL_CALL=pread"}},
        {"cut in the directory", replace, 1, "@BANK.SFX: the file is shorter than its header and directory (cut short?)", cutInDirectory},
        {"over 325", replace, 1, "@BANK.SFX: its header counts more than 325 sounds, so it cannot be rewritten faithfully", of326},
        {"not back to back", replace, 1, "@BANK.SFX: its sounds do not lie back to back right behind the directory, so it cannot be rewritten faithfully", outOfStep},
        {"cut in the last sound", replace, 1, "@BANK.SFX: the file ends before its last sound does (cut short?)", cutInLastSound},
        {"over 2 GB", replace, 1, "@BANK.SFX: the new bank would be larger than its 32-bit offsets can address", nearly2G, {}, "", false},
        {"new.sfx in the way", replace, 1, "@new.sfx is in the way: it is probably left from a rewrite that was cut off. @BANK.SFX itself is whole; delete or move @new.sfx and try again", leftOver},
        {"a bank named new.sfx", {"replace", "@new.sfx", "1=@w.wav"}, 1, "@new.sfx: a bank named new.sfx cannot be rewritten in place; rename it first", leftOver},
        {"a backup", {"list", "@BANK.SFX.bak"}, 1, "@BANK.SFX.bak: is the backup of @BANK.SFX that replace keeps, not a bank to work on (voxbank undo @BANK.SFX puts it back)", backup},
        // the disk
        {"new.sfx not made", replace, 1, "@new.sfx: cannot be created (is the folder writable?); @BANK.SFX is unchanged", {},
         {"VOXBANK_FAIL_CALL=open,open64,openat", "VOXBANK_FAIL_PATH=new.sfx"}},
        {"disk full", replace, 1, "@new.sfx: writing failed (disk full?); @BANK.SFX is unchanged", {}, {"VOXBANK_FAIL_CALL=write"}},
        {"flush failed", replace, 1, "@new.sfx: could not be flushed to the disk; @BANK.SFX is unchanged", {}, {"VOXBANK_FAIL_CALL=fsync"}},
        {"bank read-only", noBackup, 1, "@BANK.SFX: cannot be replaced (read-only?); it is unchanged and the new bank is complete in @new.sfx", {},
         {"VOXBANK_FAIL_CALL=rename,unlink", "VOXBANK_FAIL_PATH=BANK.SFX"}, "", false},
        {"rename refused", noBackup, 1, "@new.sfx: the new bank is complete but could not be renamed to @BANK.SFX; rename it by hand", {},
         {"VOXBANK_FAIL_CALL=rename", "VOXBANK_FAIL_PATH=BANK.SFX"}, "", false},
        {"list --json to a full disk", {"list", "@BANK.SFX", "--json"}, 1, full, {}, {}, "/dev/full"},
        {"extract to a full disk", extract, 1, full, {}, {}, "/dev/full"},
        // sounds
        {"unknown name", {"replace", "@BANK.SFX", "Nope=@w.wav"}, 1, "@BANK.SFX: no sound is named \"Nope\""},
        {"number past the end", {"replace", "@BANK.SFX", "4=@w.wav"}, 1, "@BANK.SFX: has no sound 4 (its sounds are 0 to 3)"},
        {"a name without an index", {"replace", "@BANK.SFX", "Last=@w.wav"}, 1, "@BANK.SFX: no index file @BANK.txt to find \"Last\" in; give the sound's number", noIndex},
        {"ambiguous name", {"replace", "@BANK.SFX", "Twice=@w.wav"}, 1, "@BANK.SFX: \"Twice\" names sounds 0 and 2; give the sound's number",
         [](Banked& t) { t.Put("BANK.txt", IndexText({"Twice", "a", "Twice", "b"})); }},
        // WAVE files
        {"no wave file", {"replace", "@BANK.SFX", "1=@gone.wav"}, 1, "@gone.wav: Failed to open wave file"},
        {"not RIFF", replace, 1, "@w.wav: Not a valid wave file", [](Banked& t) { t.Put("w.wav", "RIFX" + std::string(60, 0)); }},
        {"not PCM", replace, 1, "@w.wav: Not a PCM file", Wave([](WaveLayout& w) { w.tag = 3; })},
        {"rate no device plays", replace, 1, "@w.wav: Can't play format", Wave([](WaveLayout& w) { w.rate = 500; })},
        {"empty data", replace, 1, "@w.wav: Chunk has no data", Wave([](WaveLayout& w) { w.data.clear(); })},
        {"data cut short", replace, 1, "@w.wav: Failed to read chunk", [](Banked& t) { t.Put("w.wav", t.Get("w.wav").substr(0, 70)); }},
        // import
        {"import: two files for one sound", {"import", "@BANK.SFX", "@in"}, 1,
         "@in/001-a.wav and 1.wav are both for sound 1 (Door: creak?); nothing was written", importing({"001-a.wav", "1.wav"})},
        {"import: a sound past the end", {"import", "@BANK.SFX", "@in"}, 1,
         "@in/009.wav: @BANK.SFX has no sound 9 (its sounds are 0 to 3); nothing was written", importing({"009.wav"})},
        {"import: no folder", {"import", "@BANK.SFX", "@in"}, 1, "@in: cannot be read as a folder: No such file or directory"},
        // extract
        {"extract: a file there", extract, 1, "@out/000-Explosion.wav already there; nothing was written (--force overwrites)", extracted},
        {"extract: no folder made", extract, 1, "@out: cannot be made a folder to extract into: Permission denied", {}, {"VOXBANK_FAIL_CALL=mkdir"}},
        {"extract: not made", extract, 1, "@out/000-Explosion.wav: cannot be created", {},
         {"VOXBANK_FAIL_CALL=open,open64,openat", "VOXBANK_FAIL_PATH=.wav"}},
        {"extract: disk full", extract, 1, "@out/000-Explosion.wav: writing failed (disk full?)", {}, {"VOXBANK_FAIL_CALL=write"}},
        {"extract: the name not taken", {"extract", "@BANK.SFX", "-o", "@out", "-f"}, 1, "@out/000-Explosion.wav: the finished file cannot take this name",
         extracted, {"VOXBANK_FAIL_CALL=rename"}},
        {"extract: past the end", extract, 1, "@BANK.SFX: sound 3 (Last) runs past the end of the file; skipped", cutInLastSound},
        // undo
        {"undo: no backup", undo, 1, "@BANK.SFX: no backup @BANK.SFX.bak beside it to put back (a replace keeps one)"},
        {"undo: no bank", {"undo", "@NOBANK"}, 1, "@NOBANK: cannot be opened (missing, or not a readable file)",
         [](Banked& t) { t.Put("NOBANK.bak", t.Get("BANK.SFX")); }},
        {"undo: new.sfx in the way", undo, 1, "@new.sfx is in the way: it is probably left from a rewrite that was cut off. @BANK.SFX itself is whole; delete or move @new.sfx and try again",
         [&](Banked& t) { backup(t), leftOver(t); }},
        {"undo: a truncated backup", undo, 1,
         "@BANK.SFX.bak: the file is shorter than its header and directory (cut short?); it was not put back, and both files are as they were",
         [](Banked& t) { t.Put("BANK.SFX.bak", t.Get("BANK.SFX").substr(0, 30)); }},
        {"undo: a backup of 326 sounds", undo, 1,
         "@BANK.SFX.bak: its header counts more than 325 sounds, so it cannot be rewritten faithfully; it was not put back, and both files are as they were",
         [](Banked& t) { t.Put("BANK.SFX.bak", BankBytes(Sounds(std::vector<size_t>(326, 1)))); }},
        {"undo: swap refused", undo, 1, "@BANK.SFX: the file system refused to exchange it with @BANK.SFX.bak; both are as they were", backup,
         {"VOXBANK_FAIL_CALL=renameat2,link"}},
        // check
        {"check: not back to back", check, 1, "~its sounds do not lie back to back", outOfStep},
        {"check: cut in the directory", check, 1, "~shorter than its header and directory", cutInDirectory},
        {"check: cut in the last sound", check, 1,
         "~ends before its last sound does (cut short?)\n@BANK.SFX: 1 sound(s) lie outside the file, the first is sound 3 (Last)\n",
         cutInLastSound},
        {"check: no index", check, 1, "~no index file", noIndex},
        {"check: short index", check, 1, "~BANK.txt: names 2 of 4 sounds", [](Banked& t) { t.Put("BANK.txt", IndexText({"a", "b"})); }},
        {"check: format that would not play", check, 1, "~sound 2 (CON) has a format that would not play (PCM 1ch 500 Hz 8-bit)",
         Bank([](auto& s) { s[2].rate = 500; })},
    };
    for (const char* command : {"list", "check", "extract", "replace", "undo"})
        cases.push_back({command, {command}, 2, "BANK is required (see voxbank --help)"});
    for (const Case& c : cases) {
        Banked t;
        t.Put("w.wav", WaveBytes(WaveLayout()));
        if (c.arrange)
            c.arrange(t);
        const bool huge = std::filesystem::file_size(t.Path("BANK.SFX")) > 100000000;
        const std::string bank = huge ? "" : t.Get("BANK.SFX"), leftOver = t.Get("new.sfx"), backup = t.Get("BANK.SFX.bak");
        std::vector<std::string> args;
        for (const std::string& a : c.args)
            args.push_back(t.InFolder(a));
        Outcome o = t.RunVoxbank(args, c.disk, c.output);
        EXPECT_EQ(o.status, c.status) << c.what << ": " << o.err;
        if (c.says[0] == '~')
            EXPECT_NE((o.out + o.err).find(t.InFolder(c.says.substr(1))), std::string::npos) << c.what << ": " << o.out << o.err;
        else
            EXPECT_EQ(o.err, "voxbank: " + t.InFolder(c.says) + "\n") << c.what;
        if (c.keepsFiles) {
            EXPECT_TRUE(t.Get("BANK.SFX") == bank && t.Get("new.sfx") == leftOver && t.Get("BANK.SFX.bak") == backup) << c.what;
        } else if (c.status != 0) {
            EXPECT_EQ(t.Has("new.sfx"), c.disk.size() > 1) << c.what << ": a whole new bank stays only where it cannot take the name";
        }
    }
}

}  // namespace
