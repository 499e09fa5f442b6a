// The rewrite against a plain splice of the old bank's bytes, its progress, every refusal, every
// failing call, and a few runs on the real disk.
#include <array>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

#include <gtest/gtest.h>

#include "builders.h"
#include "disk/disk.h"
#include "engine/rewrite.h"
#include "memfiles.h"

using namespace vox;
using namespace vox::test;

namespace {

using FileMap = std::map<std::string, std::string>;
const std::string kBank = "d/BANK.SFX", kNew = "d/new.sfx";

// Replacement samples of n bytes in 16-bit stereo; seed tells replacements apart.
Sound NewSound(size_t n, int seed = 0, bool hadCbSize = false, uint16_t cbSize = 0)
{
    Sound s{{kPcm, 2, 22050, 88200, 4, 16, cbSize}, hadCbSize, {}};
    for (size_t i = 0; i < n; i++)
        s.bytes.push_back((uint8_t)(i * 13 + 5 + seed));
    return s;
}

Bank Loaded(const std::string& bytes)
{
    MemSource source(bytes);
    Bank bank;
    EXPECT_EQ(ReadBank(source, &bank), BankError::Ok);
    return bank;
}

// Replaces one sound of the bank old, which files hold under kBank.
RewriteResult Replace(MemFiles& files, const std::string& old, size_t sound, const Sound& with, size_t piece = 7,
                      const Progress& progress = {})
{
    files.files[kBank] = old;
    return Rewrite(files, kBank, Loaded(old), {{sound, &with}}, Backup::None, piece, progress);
}

TEST(Rewrite, EqualsASpliceOfTheOldBank)
{
    struct Case {
        const char* name;
        std::vector<size_t> sizes;
        std::string tail;
        std::vector<std::pair<size_t, size_t>> replace;  // sound, new length
    };
    const Case cases[] = {
        {"first", {100, 200, 300}, "", {{0, 60}}},
        {"middle", {100, 200, 300}, "", {{1, 50}}},
        {"last", {100, 200, 300}, "", {{2, 10}}},
        {"only", {50}, "", {{0, 80}}},
        {"same length", {100, 200, 300}, "", {{1, 200}}},
        {"last, bytes behind kept", {10, 20, 30}, "TAIL", {{2, 5}}},
        {"middle, bytes behind kept", {10, 20, 30}, "TAIL", {{1, 45}}},
        {"several in one pass", {10, 20, 30, 40}, "T", {{3, 7}, {0, 15}, {2, 1}}},
    };
    for (const Case& c : cases) {
        const std::string old = BankBytes(Sounds(c.sizes), c.tail);
        std::vector<Sound> withs;
        std::vector<Replacement> reps;
        std::string want = old;  // one replacement after another
        withs.reserve(c.replace.size());
        for (const auto& [sound, length] : c.replace) {
            reps.push_back({sound, &withs.emplace_back(NewSound(length, (int)sound))});
            want = SplicedBank(want, sound, withs.back());
        }
        for (size_t piece : {1, 7, 4096}) {
            for (size_t limit : {0, 2}) {
                MemFiles files;
                files.files[kBank] = old;
                files.readLimit = limit;
                RewriteResult r = Rewrite(files, kBank, Loaded(old), reps, Backup::None, piece);
                EXPECT_EQ(r.error, BankError::Ok) << c.name << ", pieces of " << piece << ", reads of " << limit;
                EXPECT_EQ(files.files, (FileMap{{kBank, want}})) << c.name << ", pieces of " << piece << ", reads of " << limit;
                EXPECT_EQ(r.bank.entries, Loaded(want).entries) << c.name;
            }
        }
    }
}

TEST(Rewrite, TakesTheExtraSizeFromTheFormatChunk)
{
    struct Case { int32_t oldExtra; bool hadCbSize; uint16_t cbSize; int32_t extra; };
    for (const Case& c : {Case{0x12340005, false, 9, 0}, Case{0x12340005, true, 9, 9}, Case{0, true, 0xFFFF, 0xFFFF}}) {
        std::vector<TestSound> sounds = Sounds({10, 20});
        sounds[1].extra = c.oldExtra;
        const std::string old = BankBytes(sounds);
        Sound with = NewSound(20, 0, c.hadCbSize, c.cbSize);
        MemFiles files;
        ASSERT_EQ(Replace(files, old, 1, with).error, BankError::Ok);
        Entry e = Loaded(files.files[kBank]).entries[1];
        EXPECT_EQ(e.extra, c.extra) << c.oldExtra << (c.hadCbSize ? " with " : " without ") << "cbSize " << c.cbSize;
        EXPECT_EQ(FormatOf(e), (Format{kPcm, 2, 22050, 88200, 4, 16, (uint16_t)c.extra}));
    }
}

TEST(Rewrite, ReportsOnePieceOfAMillionBytesAtATime)
{
    struct Case { std::vector<size_t> sizes; std::string tail; size_t sound; int prior, post; };
    const Case cases[] = {
        {{2500000, 10, 1000000}, "", 1, 3, 2},  // the last piece behind is an empty read
        {{10, 20}, "", 0, 0, 1},
        {{10, 20}, "", 1, 1, 0},
        {{10, 20}, "T", 1, 1, 1},
    };
    for (const Case& c : cases) {
        const std::string old = BankBytes(Sounds(c.sizes), c.tail);
        Sound with = NewSound(30);
        MemFiles files;
        std::array<int, 4> steps{};
        uint64_t last = 0, size = old.size() + 30 - c.sizes[c.sound];
        auto progress = [&](Step step, uint64_t done, uint64_t total) {
            steps[(size_t)step]++;
            EXPECT_EQ(total, size);
            EXPECT_TRUE(done >= last && done <= total);
            last = done;
        };
        ASSERT_EQ(Replace(files, old, c.sound, with, 1000000, progress).error, BankError::Ok);
        EXPECT_EQ(steps, (std::array<int, 4>{1, c.prior, 1, c.post}));  // header, prior, new data, post
        EXPECT_EQ(files.files[kBank].size(), size);
    }
}

// Files whose bank the disk calls almost 2 GiB long when huge is set, the bytes behind it zero.
struct HugeFiles : MemFiles {
    bool huge = false;
    std::unique_ptr<Source> Open(const std::string& path) override
    {
        struct Huge : MemSource {
            using MemSource::MemSource;
            bool Size(uint64_t* size) override { return *size = INT32_MAX - 20, true; }
        };
        if (!huge || !files.count(path))
            return MemFiles::Open(path);
        return std::make_unique<Huge>(files[path]);
    }
};

TEST(Rewrite, RefusesAndLeavesEveryFileAsItWas)
{
    struct Setup {
        HugeFiles files;
        Bank loaded;
        std::vector<Replacement> reps;
        size_t piece = 7;
        void Use(const std::string& bank) { files.files[kBank] = bank, loaded = Loaded(bank); }
    };
    const std::string good = BankBytes(Sounds({10, 20, 30}));
    static const Sound with = NewSound(50), insane = [] { Sound s = NewSound(8); s.format.channels = 9; return s; }(),
                       empty = NewSound(0);
    const std::pair<BankError, std::function<void(Setup&)>> cases[] = {
        {BankError::InTheWay, [](Setup& s) { s.files.files[kNew] = "someone else's"; }},
        {BankError::Open, [](Setup& s) { s.files.files.erase(kBank); }},
        {BankError::ChangedOnDisk, [](Setup& s) { s.files.files[kBank][16 + 12] ^= 1; }},
        {BankError::ChangedOnDisk, [](Setup& s) { s.files.files[kBank].resize(50); }},
        {BankError::CountDiffers, [](Setup& s) { s.Use(BankBytes(Sounds(std::vector<size_t>(326, 1)))); }},
        {BankError::NotBackToBack, [&](Setup& s) { std::string b = good; b[16 + 28 + 4] += 1; s.Use(b); }},
        {BankError::EndsEarly, [&](Setup& s) { s.Use(good.substr(0, good.size() - 1)); }},
        {BankError::TooLarge, [](Setup& s) { s.files.huge = true; }},
        {BankError::BadRequest, [](Setup& s) { s.reps = {{3, &with}}; }},
        {BankError::BadRequest, [](Setup& s) { s.reps = {{1, &with}, {1, &with}}; }},
        {BankError::BadRequest, [](Setup& s) { s.reps = {{1, &insane}}; }},
        {BankError::BadRequest, [](Setup& s) { s.reps = {{1, &empty}}; }},
        {BankError::BadRequest, [](Setup& s) { s.reps = {{1, nullptr}}; }},
        {BankError::BadRequest, [](Setup& s) { s.reps = {}; }},
        {BankError::BadRequest, [](Setup& s) { s.piece = 0; }},
    };
    for (size_t row = 0; row < std::size(cases); row++) {
        const auto& [error, change] = cases[row];
        Setup s;
        s.Use(good);
        s.reps = {{1, &with}};
        change(s);
        FileMap before = s.files.files;
        EXPECT_EQ(Rewrite(s.files, kBank, s.loaded, s.reps, Backup::Keep, s.piece).error, error) << "row " << row;
        EXPECT_EQ(s.files.files, before) << "row " << row;
    }
}

TEST(Rewrite, NeverLosesTheBank)
{
    const std::string old = BankBytes(Sounds({10, 20, 30}), "tail");
    Sound with = NewSound(25);
    const std::string want = SplicedBank(old, 1, with);
    for (bool swapRefused : {false, true}) {
        for (long k = 1;; k++) {
            MemFiles files;
            files.failAt = k;
            files.replaceRefused = swapRefused;
            BankError e = Replace(files, old, 1, with).error;
            FileMap left = e == BankError::Ok              ? FileMap{{kBank, want}}
                           : e == BankError::DeleteRefused ? FileMap{{kBank, old}, {kNew, want}}
                           : e == BankError::RenameFailed  ? FileMap{{kNew, want}}
                                                           : FileMap{{kBank, old}};
            EXPECT_EQ(files.files, left) << "call " << k << " failed, the swap " << (swapRefused ? "refused" : "allowed");
            if (files.calls < k) {  // no call failed
                EXPECT_EQ(e, BankError::Ok);
                break;
            }
        }
    }
    const std::tuple<const char*, std::function<void(MemFiles&)>, BankError, FileMap> cases[] = {
        {"disk full", [](MemFiles& f) { f.space = 60; }, BankError::Write, {{kBank, old}}},
        {"locked bank, swap refused", [](MemFiles& f) { f.locked = {kBank}, f.replaceRefused = true; },
         BankError::DeleteRefused, {{kBank, old}, {kNew, want}}},
    };
    for (const auto& [name, change, error, left] : cases) {
        MemFiles files;
        change(files);
        EXPECT_EQ(Replace(files, old, 1, with).error, error) << name;
        EXPECT_EQ(files.files, left) << name;
    }
}

// A fresh folder of its own on the real disk.
class RealDisk : public ::testing::Test {
protected:
    void SetUp() override
    {
        char name[] = "/tmp/voxmend-engine-XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir_ = name + std::string("/");
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    void Put(const std::string& name, const std::string& bytes) { std::ofstream(dir_ + name, std::ios::binary) << bytes; }
    std::string Get(const std::string& name)
    {
        std::ifstream in(dir_ + name, std::ios::binary);
        return in ? std::string(std::istreambuf_iterator<char>(in), {}) : "(missing)";
    }
    std::string dir_;
};

TEST_F(RealDisk, CreatesOnlyNewFilesAndReplacesInOneStep)
{
    Put("a", "first");
    Put("b", "second");
    EXPECT_EQ(Disk().CreateNew(dir_ + "a"), nullptr);
    EXPECT_EQ(Get("a"), "first");
    EXPECT_FALSE(Disk().Rename(dir_ + "a", dir_ + "b"));
    EXPECT_TRUE(Disk().Replace(dir_ + "a", dir_ + "b"));
    EXPECT_EQ(Get("b"), "first");
    EXPECT_EQ(Get("a"), "(missing)");
}

}  // namespace
