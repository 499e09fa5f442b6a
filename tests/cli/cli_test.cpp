// voxbank through the real program: what it prints, the files it writes, and that every refusal
// leaves the bank as it was.
#include <functional>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "builders.h"
#include "run.h"

using namespace vox::test;

namespace {

const std::vector<std::string> kNames = {"Explosion", "Door: creak?", "CON", "Last"};
const std::vector<std::string> kFiles = {"000-Explosion.wav", "001-Door_ creak_.wav", "002-CON.wav", "003-Last.wav"};

struct Banked : Folder {
    Banked() : sounds(Sounds({1001, 2000, 7, 600}))
    {
        sounds[1].channels = 2, sounds[1].bits = 16, sounds[1].extra = 2;
        Put("BANK.SFX", BankBytes(sounds));
        Put("BANK.txt", IndexText(kNames));
    }
    std::vector<TestSound> sounds;  // one stereo 16-bit with an extra size, two of odd length
};

class Voxbank : public ::testing::Test, public Banked {};

std::string Patched(std::string bytes, size_t at, const std::string& with)
{
    return bytes.replace(at, with.size(), with);
}

TEST_F(Voxbank, ListsWhatTheBankHolds)
{
    Outcome text = RunVoxbank({"list", Path("BANK.SFX")});
    EXPECT_EQ(text.status, 0);
    std::string squeezed;  // the table with every run of blanks made one
    for (char c : text.out)
        if (c != ' ' || (!squeezed.empty() && squeezed.back() != ' '))
            squeezed += c;
    EXPECT_NE(squeezed.find("\n 1 Door: creak? 2000 1129 PCM 2ch 12025 Hz 16-bit 0.042\n"), std::string::npos) << text.out;

    Outcome json = RunVoxbank({"list", Path("BANK.SFX"), "--json"});
    ASSERT_EQ(json.status, 0) << json.err;
    nlohmann::json doc = nlohmann::json::parse(json.out);
    EXPECT_EQ(doc["bank"], Path("BANK.SFX"));
    EXPECT_EQ(doc["storedCount"], 4);
    ASSERT_EQ(doc["sounds"].size(), 4u);
    int32_t offset = 16 + 28 * 4;
    for (size_t i = 0; i < sounds.size(); i++) {
        const nlohmann::json& s = doc["sounds"][i];
        vox::Format f = FormatFor(sounds[i]);
        EXPECT_EQ(s["number"], i);
        EXPECT_EQ(s["name"], kNames[i]);
        EXPECT_EQ(s["length"], sounds[i].data.size());
        EXPECT_EQ(s["offset"], offset);
        EXPECT_EQ(std::vector<int64_t>({s["tag"], s["channels"], s["rate"], s["avgBytes"], s["blockAlign"], s["bits"], s["extra"]}),
                  std::vector<int64_t>({f.tag, f.channels, f.rate, f.avgBytes, f.blockAlign, f.bits, sounds[i].extra}));
        EXPECT_DOUBLE_EQ(s["duration"], (double)sounds[i].data.size() / f.avgBytes);
        offset += (int32_t)sounds[i].data.size();
    }
}

TEST_F(Voxbank, ListsByNumberAloneWithoutIndex)
{
    Remove("BANK.txt");
    Outcome o = RunVoxbank({"list", Path("BANK.SFX"), "--json"});
    EXPECT_EQ(o.status, 0);
    EXPECT_NE(o.err.find("BANK.txt"), std::string::npos) << o.err;
    nlohmann::json doc = nlohmann::json::parse(o.out);
    EXPECT_TRUE(doc["index"].is_null());
    for (const nlohmann::json& s : doc["sounds"])
        EXPECT_TRUE(s["name"].is_null());
}

TEST_F(Voxbank, ExtractedSoundsPutBackLeaveTheBankAsItWas)
{
    const std::string bank = Get("BANK.SFX");
    Outcome extract = RunVoxbank({"extract", Path("BANK.SFX"), "-o", Path("made/here")});
    ASSERT_EQ(extract.status, 0) << extract.err;
    std::vector<std::string> pairs = {Path("BANK.SFX")};
    for (size_t i = 0; i < kFiles.size(); i++) {
        EXPECT_NE(extract.out.find(kFiles[i]), std::string::npos) << extract.out;
        pairs.push_back(std::to_string(i) + "=" + Path("made/here/" + kFiles[i]));
    }
    EXPECT_EQ(RunVoxbank({"extract", Path("BANK.SFX"), "-o", Path("made/here")}).status, 1) << "overwrote without --force";
    EXPECT_EQ(RunVoxbank({"extract", Path("BANK.SFX"), "-o", Path("made/here"), "--force"}).status, 0);
    EXPECT_FALSE(Has("made/here/" + kFiles[0] + ".part"));

    pairs.insert(pairs.begin(), "replace");
    Outcome replace = RunVoxbank(pairs);
    EXPECT_EQ(replace.status, 0) << replace.err;
    EXPECT_TRUE(Get("BANK.SFX") == bank);
}

TEST_F(Voxbank, SeveralSoundsInOnePassAsOneAfterAnother)
{
    WaveSpec stereo;
    stereo.channels = 2, stereo.bits = 16, stereo.rate = 22050, stereo.data = std::string(4000, '\x11');
    WaveSpec odd;
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

TEST_F(Voxbank, ExtractSkipsSoundsPastTheEndAndWritesTheRest)
{
    Put("BANK.SFX", Get("BANK.SFX").substr(0, Get("BANK.SFX").size() - 1));
    Outcome o = RunVoxbank({"extract", Path("BANK.SFX"), "-o", Path("out")});
    EXPECT_EQ(o.status, 1);
    EXPECT_NE(o.err.find("sound 3 (Last) runs past the end"), std::string::npos) << o.err;
    for (size_t i = 0; i < kFiles.size(); i++)
        EXPECT_EQ(Has("out/" + kFiles[i]), i < 3) << kFiles[i];
}

struct Refusal {
    const char* what;
    std::vector<std::string> args;  // '@' stands for the test's folder
    int status;
    std::string says;                            // in stderr, with the file it names
    std::function<void(Banked&)> arrange = {};  // @w.wav is a good sound unless this changes it
};

TEST(VoxbankRefusals, LeaveEveryFileAsItWas)
{
    auto wave = [](std::function<void(WaveSpec&)> change) {
        return [change](Banked& t) { WaveSpec w; change(w); t.Put("w.wav", WaveBytes(w)); };
    };
    auto bank = [](std::function<std::string(std::string)> change) {
        return [change](Banked& t) { t.Put("BANK.SFX", change(t.Get("BANK.SFX"))); };
    };
    const std::vector<std::string> replace1 = {"replace", "@BANK.SFX", "1=@w.wav"};
    const std::vector<Refusal> cases = {
        {"not RIFF", replace1, 1, "w.wav: Not a valid wave file", [](Banked& t) { t.Put("w.wav", "RIFX" + std::string(60, '\0')); }},
        {"not PCM", replace1, 1, "w.wav: Not a PCM file", wave([](WaveSpec& w) { w.tag = 3; })},
        {"rate no device plays", replace1, 1, "w.wav: Can't play format", wave([](WaveSpec& w) { w.rate = 500; })},
        {"empty data", replace1, 1, "w.wav: Chunk has no data", wave([](WaveSpec& w) { w.data.clear(); })},
        {"data cut short", replace1, 1, "w.wav: Failed to read chunk", [](Banked& t) { t.Put("w.wav", t.Get("w.wav").substr(0, 70)); }},
        {"no wave file", {"replace", "@BANK.SFX", "1=@gone.wav"}, 1, "gone.wav: Failed to open wave file"},
        {"new.sfx in the way", replace1, 1, "new.sfx is in the way: it is probably left from a rewrite that was cut off",
         [](Banked& t) { t.Put("new.sfx", "left over"); }},
        {"not back to back", replace1, 1, "BANK.SFX: its sounds do not lie back to back",
         bank([](std::string b) { return Patched(b, 16 + 28 * 2 + 4, Le32(3130)); })},
        {"cut in the directory", replace1, 1, "BANK.SFX: the file is shorter than its header",
         bank([](std::string b) { return b.substr(0, 16 + 28 * 3); })},
        {"cut in the last sound", replace1, 1, "BANK.SFX: the file ends before its last sound",
         bank([](std::string b) { return b.substr(0, b.size() - 1); })},
        {"no bank", {"replace", "@NOBANK", "1=@w.wav"}, 1, "NOBANK: cannot be opened"},
        {"unknown name", {"replace", "@BANK.SFX", "Nope=@w.wav"}, 2, "BANK.SFX: no sound is named \"Nope\""},
        {"number past the end", {"replace", "@BANK.SFX", "4=@w.wav"}, 2, "BANK.SFX: has no sound 4"},
        {"ambiguous name", {"replace", "@BANK.SFX", "Twice=@w.wav"}, 2, "\"Twice\" names sounds 0 and 2",
         [](Banked& t) { t.Put("BANK.txt", IndexText({"Twice", "a", "Twice", "b"})); }},
        {"sound named twice", {"replace", "@BANK.SFX", "1=@w.wav", "Door: creak?=@w.wav"}, 2, "sound 1 (Door: creak?) is named twice"},
        {"no '='", {"replace", "@BANK.SFX", "@w.wav"}, 2, "w.wav\" is not SOUND=FILE.wav"},
        {"unknown option", {"extract", "@BANK.SFX", "--bogus"}, 2, "--bogus"},
        {"no command", {}, 2, "subcommand is required"},
        {"no bank named", {"list"}, 2, "BANK is required"},
    };
    for (const Refusal& c : cases) {
        Banked t;
        t.Put("w.wav", WaveBytes(WaveSpec()));
        if (c.arrange)
            c.arrange(t);
        const std::string bank = t.Get("BANK.SFX"), leftOver = t.Get("new.sfx");
        std::vector<std::string> args;
        for (std::string a : c.args)
            args.push_back(a.find('@') == std::string::npos ? a : a.replace(a.find('@'), 1, t.Path("")));
        Outcome o = t.RunVoxbank(args);
        EXPECT_EQ(o.status, c.status) << c.what << ": " << o.err;
        EXPECT_NE(o.err.find(c.says), std::string::npos) << c.what << ": " << o.err;
        EXPECT_EQ(std::count(o.err.begin(), o.err.end(), '\n'), 1) << c.what << ": " << o.err;
        EXPECT_TRUE(t.Get("BANK.SFX") == bank && t.Get("new.sfx") == leftOver) << c.what;
    }
}

}  // namespace
