// Mod packs through the real voxbank: made, applied, stacked, refused and taken off, and every
// hostile pack refused with the bank left as it was.
#include <filesystem>
#include <map>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <zip.h>

#include "builders.h"
#include "disk/disk.h"
#include "pack/pack.h"
#include "run.h"

using namespace vox::test;

namespace {

const std::vector<std::string> kNames = {"Door creak", "Door slam", "Gate", "Wind", "Bell"};

// Bytes that FLAC compresses: a slow wave, seed telling sounds apart.
std::string Wave16(size_t frames, unsigned channels, int seed)
{
    std::string s;
    for (size_t i = 0; i < frames * channels; i++) {
        int v = (int)((i * (7 + seed)) % 4000) - 2000;
        s += (char)(v & 0xFF), s += (char)((v >> 8) & 0xFF);
    }
    return s;
}

TestSound Stereo16(size_t frames, int seed)
{
    TestSound t;
    t.channels = 2, t.bits = 16, t.rate = 22050, t.data = Wave16(frames, 2, seed);
    return t;
}

// A zip's entries by name, and a zip made of such entries, through libzip.
std::map<std::string, std::string> Unzip(const std::string& bytes)
{
    std::map<std::string, std::string> entries;
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
    zip_t* z = zip_open_from_source(src, ZIP_RDONLY, &error);
    for (zip_int64_t i = 0; z && i < zip_get_num_entries(z, 0); i++) {
        zip_stat_t st;
        zip_stat_index(z, (zip_uint64_t)i, 0, &st);
        std::string data(st.size, '\0');
        zip_file_t* f = zip_fopen_index(z, (zip_uint64_t)i, 0);
        zip_fread(f, data.data(), data.size());
        zip_fclose(f);
        entries[st.name] = data;
    }
    zip_discard(z);
    return entries;
}

std::string Zip(const std::vector<std::pair<std::string, std::string>>& entries)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_t* z = zip_open_from_source(src, ZIP_TRUNCATE, &error);
    zip_source_keep(src);
    for (const auto& [name, data] : entries) {
        zip_int64_t i = zip_file_add(z, name.c_str(), zip_source_buffer(z, data.data(), data.size(), 0), 0);
        zip_set_file_compression(z, (zip_uint64_t)i, ZIP_CM_DEFLATE, 9);
    }
    zip_close(z);
    zip_source_open(src);
    zip_stat_t st;
    zip_source_stat(src, &st);
    std::string out(st.size, '\0');
    zip_source_read(src, out.data(), st.size);
    zip_source_close(src);
    zip_source_free(src);
    return out;
}

class Packs : public ::testing::Test, public Folder {
protected:
    Packs()
    {
        original = {Stereo16(3000, 1), Stereo16(2000, 2), Stereo16(1500, 3), Stereo16(500, 4), Stereo16(700, 5)};
        Put("ORIG.SFX", BankBytes(original));
        Put("ORIG.txt", IndexText(kNames));
    }

    // A bank of the original's sounds with these changed, under name, with the index beside it.
    std::string Modded(const std::string& name, const std::map<size_t, TestSound>& changes)
    {
        std::vector<TestSound> sounds = original;
        for (const auto& [n, s] : changes)
            sounds[n] = s;
        Put(name + ".SFX", BankBytes(sounds));
        Put(name + ".txt", IndexText(kNames));
        return Path(name + ".SFX");
    }

    Outcome MakePack(const std::string& modded, const std::string& pack)
    {
        return RunVoxbank({"pack", modded, "--base", Path("ORIG.SFX"), "-o", Path(pack)});
    }

    // A copy of the original to apply packs to.
    std::string Target(const std::string& name = "T")
    {
        Put(name + ".SFX", Get("ORIG.SFX"));
        Put(name + ".txt", IndexText(kNames));
        return Path(name + ".SFX");
    }

    // Every refusal leaves the files as they were and nothing of its own behind.
    void ExpectUntouched(const std::string& bank, const std::string& before)
    {
        EXPECT_TRUE(Get(bank) == before);
        EXPECT_FALSE(Has(bank + ".bak"));
        EXPECT_FALSE(Has("new.sfx"));
        for (const auto& f : std::filesystem::directory_iterator(Path("")))
            EXPECT_NE(f.path().extension(), ".part") << f.path();
    }

    std::vector<TestSound> original;
};

TEST_F(Packs, ApplyingAPackMakesTheModdedBankByteForByte)
{
    // each kind of new sound: FLAC where it gives the bytes back, WAVE where it cannot
    struct Case {
        size_t sound;
        TestSound now;
        const char* as;
    };
    TestSound oddBytes = Stereo16(900, 7), wide = Stereo16(400, 8), eight, extra = Stereo16(600, 9), noise = Stereo16(800, 10);
    oddBytes.channels = 1, oddBytes.data += "x";
    wide.bits = 32;
    eight.data = std::string(1001, 'a');
    for (size_t i = 0; i < eight.data.size(); i++)
        eight.data[i] = (char)(128 + (int)(60 * ((i / 30) % 2 ? 1 : -1)));
    extra.extra = 2;
    uint32_t x = 2463534242u;  // xorshift: noise no codec shrinks
    for (char& c : noise.data)
        x ^= x << 13, x ^= x >> 17, x ^= x << 5, c = (char)(x >> 24);
    const std::vector<Case> cases = {{0, oddBytes, "WAVE"}, {1, wide, "WAVE"}, {2, eight, "FLAC"}, {3, extra, "FLAC"},
                                     {4, noise, "WAVE"}};
    std::map<size_t, TestSound> changes;
    for (const Case& c : cases)
        changes[c.sound] = c.now;
    const std::string modded = Modded("MOD", changes);
    Outcome made = MakePack(modded, "mod.voxpack");
    ASSERT_EQ(made.status, 0) << made.err;
    for (const Case& c : cases)
        EXPECT_NE(made.out.find("sound " + std::to_string(c.sound) + " (" + kNames[c.sound] + "): "), std::string::npos);
    for (const Case& c : cases) {
        size_t at = made.out.find("sound " + std::to_string(c.sound) + " (");
        EXPECT_EQ(made.out.substr(made.out.find(" as ", at) + 4, 4), c.as) << c.sound;
    }
    EXPECT_NE(made.out.find(Path("mod.voxpack") + ": 5 sounds, "), std::string::npos) << made.out;
    EXPECT_FALSE(Has("mod.voxpack.part"));
    EXPECT_EQ(Unzip(Get("mod.voxpack")).count("sounds/000-Door creak.wav"), 1u);

    const std::string bank = Target();
    Outcome applied = RunVoxbank({"apply", bank, Path("mod.voxpack")});
    ASSERT_EQ(applied.status, 0) << applied.err;
    EXPECT_NE(applied.out.find(bank + ": sound 2 (Gate): PCM 1ch 11025 Hz 8-bit, 0.09 s, 1,001 bytes from " +
                               Path("mod.voxpack") + "\n"),
              std::string::npos)
        << applied.out;
    EXPECT_TRUE(Get("T.SFX") == Get("MOD.SFX"));
    EXPECT_TRUE(Get("T.SFX.bak") == Get("ORIG.SFX"));
    // one rewrite, so one undo takes the whole apply back
    ASSERT_EQ(RunVoxbank({"undo", bank}).status, 0);
    EXPECT_TRUE(Get("T.SFX") == Get("ORIG.SFX"));

    Outcome shown = RunVoxbank({"show", Path("mod.voxpack")});
    EXPECT_EQ(shown.status, 0);
    EXPECT_NE(shown.out.find("  made by voxbank "), std::string::npos) << shown.out;
    EXPECT_NE(shown.out.find("from ORIG.SFX (5 sounds, SHA-256 "), std::string::npos) << shown.out;
    nlohmann::json manifest = nlohmann::json::parse(RunVoxbank({"show", Path("mod.voxpack"), "--json"}).out);
    EXPECT_EQ(manifest["sounds"].size(), 5u);
    EXPECT_EQ(manifest["sounds"][3]["new"]["format"]["extra"], 2);
}

// A rewrite may ask for a sound while the thread beside it still decodes: each is given whole,
// the one after a damaged entry never.
TEST_F(Packs, SoundsDecodedBesideAreGivenOnlyWhole)
{
    const TestSound small = Stereo16(100, 20), large = Stereo16(400000, 21);
    MakePack(Modded("A", {{0, small}, {4, large}}), "a.voxpack");
    std::map<std::string, std::string> entries = Unzip(Get("a.voxpack"));
    std::string& last = entries["sounds/004-Bell.flac"];
    last[last.size() / 2] ^= 0x10;
    Put("bad.voxpack", Zip({entries.begin(), entries.end()}));
    Put("none.voxpack", "not a zip");
    for (const char* pack : {"a.voxpack", "bad.voxpack"}) {
        vox::PacksDecoding decoding;
        ASSERT_TRUE(decoding.Start(vox::Disk(), {Path(pack)})) << pack;
        const std::vector<vox::PackSound>& sounds = decoding.Packs()[0].sounds;
        const bool good = pack == std::string("a.voxpack");
        ASSERT_EQ(sounds.size(), 2u);
        EXPECT_EQ(sounds[1].sound.bytes.size(), large.data.size()) << "its room from the start";
        EXPECT_EQ(decoding.Whole(&sounds[1].sound), good) << pack;
        if (good) {
            EXPECT_TRUE(std::string(sounds[1].sound.bytes.begin(), sounds[1].sound.bytes.end()) == large.data);
        }
        EXPECT_TRUE(decoding.Whole(&sounds[0].sound)) << pack;
        EXPECT_EQ(decoding.AllWhole(), good) << pack;
    }
    vox::PacksDecoding none;
    EXPECT_FALSE(none.Start(vox::Disk(), {Path("a.voxpack"), Path("none.voxpack")}));
}

TEST_F(Packs, DisjointPacksStackInOneCommandOrOneAfterAnother)
{
    MakePack(Modded("A", {{0, Stereo16(100, 20)}}), "a.voxpack");
    MakePack(Modded("B", {{2, Stereo16(200, 21)}}), "b.voxpack");
    const std::string both = BankBytes({Stereo16(100, 20), original[1], Stereo16(200, 21), original[3], original[4]});
    const std::string one = Target("ONE"), two = Target("TWO");
    ASSERT_EQ(RunVoxbank({"apply", one, Path("a.voxpack"), Path("b.voxpack")}).status, 0);
    ASSERT_EQ(RunVoxbank({"apply", two, Path("b.voxpack")}).status, 0);
    ASSERT_EQ(RunVoxbank({"apply", two, Path("a.voxpack")}).status, 0);
    EXPECT_TRUE(Get("ONE.SFX") == both && Get("TWO.SFX") == both);
    EXPECT_TRUE(Get("ONE.SFX.bak") == Get("ORIG.SFX"));

    // taken off again: the other pack's sound stays
    Outcome off = RunVoxbank({"unapply", one, Path("a.voxpack"), "--from", Path("ORIG.SFX")});
    ASSERT_EQ(off.status, 0) << off.err;
    EXPECT_EQ(off.out, one + ": sound 0 (Door creak): put back from " + Path("ORIG.SFX") +
                           " (PCM 2ch 22050 Hz 16-bit, 0.14 s, 12,000 bytes)\n");
    EXPECT_TRUE(Get("ONE.SFX") == Get("B.SFX"));
    Outcome again = RunVoxbank({"unapply", one, Path("a.voxpack"), "--from", Path("ORIG.SFX")});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, one + ": sound 0 (Door creak): not applied; nothing to put back\n" + one +
                             ": nothing to put back\n");
}

TEST_F(Packs, AnAppliedPackIsSkippedAndAChangedSoundLeft)
{
    MakePack(Modded("A", {{0, Stereo16(100, 20)}, {1, Stereo16(90, 22)}}), "a.voxpack");
    const std::string bank = Target();
    ASSERT_EQ(RunVoxbank({"apply", bank, Path("a.voxpack")}).status, 0);
    const std::string applied = Get("T.SFX"), backup = Get("T.SFX.bak");
    Outcome again = RunVoxbank({"apply", bank, Path("a.voxpack")});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, bank + ": sound 0 (Door creak): already applied (" + Path("a.voxpack") + ")\n" + bank +
                             ": sound 1 (Door slam): already applied (" + Path("a.voxpack") + ")\n" + bank +
                             ": nothing to do\n");
    EXPECT_TRUE(Get("T.SFX") == applied && Get("T.SFX.bak") == backup);

    // one of its sounds changed since: unapply puts back the other and says so
    Put("w.wav", WaveBytes(WaveLayout()));
    ASSERT_EQ(RunVoxbank({"replace", bank, "1=" + Path("w.wav")}).status, 0);
    Outcome off = RunVoxbank({"unapply", bank, Path("a.voxpack"), "--from", Path("ORIG.SFX")});
    EXPECT_EQ(off.status, 0) << off.err;
    EXPECT_NE(off.out.find(bank + ": sound 1 (Door slam): changed since " + Path("a.voxpack") +
                           " was applied; left as it is\n"),
              std::string::npos)
        << off.out;
    EXPECT_NE(off.out.find(bank + ": sound 0 (Door creak): put back from "), std::string::npos) << off.out;
}

TEST_F(Packs, RefusalsNameTheSoundAndChangeNothing)
{
    MakePack(Modded("A", {{0, Stereo16(100, 20)}}), "a.voxpack");
    MakePack(Modded("C", {{0, Stereo16(100, 23)}, {3, Stereo16(50, 24)}}), "c.voxpack");
    Put("SHORT.SFX", BankBytes({original[0], original[1]}));
    Put("x.wav", WaveBytes(WaveLayout()));
    struct Case {
        const char* what;
        std::vector<std::string> args;  // '@' is the folder; T.SFX is a copy of the original
        std::function<void(Packs*)> before;
        std::string err;
    };
    const std::vector<Case> cases = {
        {"conflict", {"apply", "@T.SFX", "@a.voxpack"},
         [](Packs* t) { t->RunVoxbank({"replace", t->Path("T.SFX"), "0=" + t->Path("x.wav"), "--no-backup"}); },
         "voxbank: @T.SFX: sound 0 (Door creak) is not the sound @a.voxpack replaces: it holds PCM 1ch 11025 Hz 8-bit, "
         "64 bytes (another mod, or another version of the bank)\nvoxbank: @T.SFX: 1 conflict; nothing was changed "
         "(--force replaces anyway)\n"},
        // the format and length of the base, or of the new sound, and other bytes: only the hash tells
        {"conflict in the base's shape", {"apply", "@T.SFX", "@a.voxpack"},
         [this](Packs*) { Modded("T", {{0, Stereo16(3000, 9)}}); },
         "voxbank: @T.SFX: sound 0 (Door creak) is not the sound @a.voxpack replaces: it holds PCM 2ch 22050 Hz 16-bit, "
         "12,000 bytes (another mod, or another version of the bank)\nvoxbank: @T.SFX: 1 conflict; nothing was changed "
         "(--force replaces anyway)\n"},
        {"conflict in the new sound's shape", {"apply", "@T.SFX", "@a.voxpack"},
         [this](Packs*) { Modded("T", {{0, Stereo16(100, 9)}}); },
         "voxbank: @T.SFX: sound 0 (Door creak) is not the sound @a.voxpack replaces: it holds PCM 2ch 22050 Hz 16-bit, "
         "400 bytes (another mod, or another version of the bank)\nvoxbank: @T.SFX: 1 conflict; nothing was changed "
         "(--force replaces anyway)\n"},
        {"overlap", {"apply", "@T.SFX", "@a.voxpack", "@c.voxpack"}, nullptr,
         "voxbank: @a.voxpack and @c.voxpack both replace sound 0 (Door creak), with different sounds; apply one of "
         "them; nothing was changed\n"},
        {"sound past the end", {"apply", "@SHORT.SFX", "@c.voxpack"}, nullptr,
         "voxbank: @c.voxpack: replaces sound 3, but the bank has only 2 sounds (@SHORT.SFX); nothing was changed\n"},
        {"another bank", {"pack", "@SHORT.SFX", "--base", "@ORIG.SFX", "-o", "@s.voxpack"}, nullptr,
         "voxbank: @SHORT.SFX: not the same bank as @ORIG.SFX: it has 2 sounds, @ORIG.SFX has 5; nothing was written\n"},
        {"nothing differs", {"pack", "@T.SFX", "--base", "@ORIG.SFX", "-o", "@s.voxpack"}, nullptr,
         "voxbank: @T.SFX: no sound differs from @ORIG.SFX; nothing was written\n"},
        {"pack there", {"pack", "@A.SFX", "--base", "@ORIG.SFX", "-o", "@c.voxpack"}, nullptr,
         "voxbank: @c.voxpack already there; nothing was written (--force overwrites)\n"},
        {"original not the base", {"unapply", "@A.SFX", "@a.voxpack", "--from", "@C.SFX"}, nullptr,
         "voxbank: @C.SFX: sound 0 (Door creak) is not the sound @a.voxpack replaces, so it cannot be put back\n"
         "voxbank: @A.SFX: nothing was changed\n"},
    };
    for (const Case& c : cases) {
        Target();
        std::filesystem::remove(Path("T.SFX.bak"));
        if (c.before)
            c.before(this);
        std::vector<std::string> args;
        for (const std::string& a : c.args)
            args.push_back(InFolder(a));
        const std::string bank = args[1], before = Get(bank.substr(Path("").size())), pack = Get("c.voxpack");
        Outcome o = RunVoxbank(args);
        EXPECT_EQ(o.status, 1) << c.what;
        EXPECT_EQ(o.err, InFolder(c.err)) << c.what;
        ExpectUntouched(bank.substr(Path("").size()), before);
        EXPECT_TRUE(Get("c.voxpack") == pack && !Has("s.voxpack")) << c.what;
    }
    // --force replaces the other mod's sound all the same, whatever its shape
    for (const TestSound& other : {Stereo16(100, 9), Stereo16(3000, 9), Stereo16(100, 20)}) {
        Modded("T", {{0, other}});
        Outcome forced = RunVoxbank({"apply", Path("T.SFX"), Path("a.voxpack"), "--force"});
        EXPECT_EQ(forced.status, 0) << forced.err;
        EXPECT_TRUE(Get("T.SFX") == Get("A.SFX")) << other.data.size();
    }
}

TEST_F(Packs, HostilePacksAreRefusedAndChangeNothing)
{
    MakePack(Modded("A", {{0, Stereo16(3000, 20)}, {4, Stereo16(700, 30)}}), "a.voxpack");
    MakePack(Modded("B", {{0, Stereo16(3000, 21)}}), "b.voxpack");
    const std::string good = Get("a.voxpack");
    const std::map<std::string, std::string> a = Unzip(good);
    const std::string flac = "sounds/000-Door creak.flac", other = "sounds/004-Bell.flac";
    ASSERT_EQ(a.count(flac), 1u);
    // the entries in name order: the first sound, the second, the manifest
    auto rezip = [&](std::function<void(std::vector<std::pair<std::string, std::string>>&)> change) {
        std::vector<std::pair<std::string, std::string>> entries(a.begin(), a.end());
        change(entries);
        return Zip(entries);
    };
    auto manifest = [&](std::function<void(nlohmann::json&)> change) {
        return rezip([&](auto& entries) {
            for (auto& [name, data] : entries)
                if (name == "voxpack.json") {
                    nlohmann::json m = nlohmann::json::parse(data);
                    change(m);
                    data = m.dump();
                }
        });
    };
    // Two entries of one name: made under another, then renamed in the zip's bytes.
    std::string twice = rezip([&](auto& entries) { entries.push_back({"sounds/000-Door creak.flaX", a.at(flac)}); });
    for (size_t at; (at = twice.find(".flaX")) != std::string::npos;)
        twice[at + 4] = 'c';
    std::string flipped = good;
    flipped[good.find("fLaC") + a.at(flac).size() / 2] ^= 0x40;
    struct Case {
        const char* what;
        std::string pack;
        std::string err;  // after "voxbank: PACK: "
    };
    const std::vector<Case> cases = {
        {"truncated", good.substr(0, good.size() / 2), "is not a mod pack: not a zip file, or a damaged one ("},
        {"flipped byte", flipped, "its entry \"sounds/000-Door creak.flac\" is damaged"},
        {"not JSON", rezip([](auto& e) { e[2].second.erase(0, 1); }), "is not a mod pack: its voxpack.json is not JSON\n"},
        {"sound 9999", manifest([](nlohmann::json& m) { m["sounds"][0]["number"] = 9999; }),
         "replaces sound 9999, but the bank has only 5 sounds ("},
        {"version 2", manifest([](nlohmann::json& m) { m["voxpack"] = 2; }),
         "is a pack of version 2, which this program does not read (it reads version 1)\n"},
        {"no hash", manifest([](nlohmann::json& m) { m["sounds"][0]["new"].erase("sha256"); }),
         "its voxpack.json is not a pack manifest (sounds[0].new.sha256 is missing or wrong)\n"},
        {"../x", rezip([](auto& e) { e.push_back({"../x", "x"}); }), "holds an entry named \"../x\", which no pack may hold"},
        {"C:\\x", rezip([](auto& e) { e.push_back({"C:\\x", "x"}); }), "holds an entry named \"C:\\x\", which no pack may hold"},
        {"sounds/../x", manifest([](nlohmann::json& m) { m["sounds"][0]["entry"] = "sounds/../x.flac"; }),
         "holds an entry named \"sounds/../x.flac\", which no pack may hold"},
        {"zip bomb", rezip([&](auto& e) { e[0].second = std::string(50000000, '\0'); }),
         "its entry \"sounds/000-Door creak.flac\" inflates beyond the size of its sound (a zip bomb?)\n"},
        {"duplicate", twice, "is not a mod pack: not a zip file, or a damaged one (File already exists)\n"},
        {"one name in two cases", rezip([&](auto& e) { e.push_back({"sounds/000-DOOR creak.flac", a.at(flac)}); }),
         "holds the entry \"sounds/000-DOOR creak.flac\" twice\n"},
        {"stray entry", rezip([](auto& e) { e.push_back({"sounds/x.wav", "x"}); }),
         "holds an entry \"sounds/x.wav\" that its manifest does not name\n"},
        {"missing entry", rezip([&](auto& e) { e.erase(e.begin() + 1); }), "lacks the entry \"" + other + "\" that its manifest names\n"},
        {"samples that hash wrong", rezip([&](auto& e) { e[0].second = Unzip(Get("b.voxpack")).at(flac); }),
         "its entry \"sounds/000-Door creak.flac\" does not hold the sound its manifest's hash names (damaged, or "
         "changed)\n"},
    };
    const std::string bank = Target(), before = Get("T.SFX");
    for (const Case& c : cases) {
        Put("bad.voxpack", c.pack);
        Outcome o = RunVoxbank({"apply", bank, Path("bad.voxpack")});
        EXPECT_EQ(o.status, 1) << c.what;
        EXPECT_EQ(o.err.rfind("voxbank: " + Path("bad.voxpack") + ": " + c.err, 0), 0u) << c.what << "\n" << o.err;
        ExpectUntouched("T.SFX", before);
        if (std::string(c.what) != "sound 9999") {  // a number past this bank's end, not past every bank's
            EXPECT_EQ(RunVoxbank({"show", Path("bad.voxpack")}).status, 1) << c.what;
        }
    }
    // the good pack, for contrast, goes in
    EXPECT_EQ(RunVoxbank({"apply", bank, Path("a.voxpack")}).status, 0);
}

}  // namespace
