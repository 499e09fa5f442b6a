// The rewrite against a plain splice of the old bank's bytes, its progress and every refusal.
#include <array>
#include <functional>

#include <gtest/gtest.h>

#include "builders.h"
#include "engine/rewrite.h"
#include "memfiles.h"

using namespace vox;
using namespace vox::test;

namespace {

using FileMap = std::map<std::string, std::string>;
const std::string kBank = "d/BANK.SFX";

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
        {"middle, bytes behind kept", {10, 20, 30}, "TAIL", {{1, 45}}},
        {"last, bytes behind kept", {10, 20, 30}, "TAIL", {{2, 5}}},
        {"only", {50}, "", {{0, 80}}},
        {"same length", {100, 200, 300}, "", {{1, 200}}},
        {"several in one pass", {10, 20, 30, 40}, "T", {{3, 7}, {0, 15}, {2, 1}}},
    };
    for (const Case& c : cases) {
        std::vector<TestSound> sounds = Sounds(c.sizes);
        for (TestSound& s : sounds)
            s.extra = 0x12340005;  // not kept: the entry's extra size comes from the new sound's format
        const std::string old = BankBytes(sounds, c.tail);
        std::vector<Sound> withs;
        std::vector<Replacement> reps;
        std::string want = old;  // one replacement after another
        withs.reserve(c.replace.size());
        for (const auto& [sound, length] : c.replace) {
            // odd sounds' files gave the largest cbSize; even ones' gave none, whatever the format holds
            Sound& with = withs.emplace_back(NewSound(length, (int)sound));
            with.hadCbSize = sound % 2, with.format.cbSize = 0xFFFF;
            reps.push_back({sound, &with});
            want = SplicedBank(want, sound, with);
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
        files.files[kBank] = old;
        ASSERT_EQ(Rewrite(files, kBank, Loaded(old), {{c.sound, &with}}, Backup::None, 1000000, progress).error, BankError::Ok);
        EXPECT_EQ(steps, (std::array<int, 4>{1, c.prior, 1, c.post}));  // header, prior, new data, post
        EXPECT_EQ(files.files[kBank].size(), size);
    }
}

// A new.sfx in the way and a bank too large, too long or not back to back are refused as voxbank's
// message table shows on the disk; here, what only a caller or the disk changing can bring.
TEST(Rewrite, RefusesAndLeavesEveryFileAsItWas)
{
    struct Setup {
        MemFiles files;
        std::vector<Replacement> reps;
        size_t piece = 7;
        LastCheck lastCheck;
        Ready ready;
    };
    const std::string good = BankBytes(Sounds({10, 20, 30}));
    static const Sound with = NewSound(50), insane = [] { Sound s = NewSound(8); s.format.channels = 9; return s; }(),
                       empty = NewSound(0);
    const std::pair<BankError, std::function<void(Setup&)>> cases[] = {
        {BankError::Open, [](Setup& s) { s.files.files.erase(kBank); }},
        {BankError::ChangedOnDisk, [](Setup& s) { s.files.files[kBank][16 + 12] ^= 1; }},
        {BankError::ChangedOnDisk, [](Setup& s) { s.files.files[kBank].resize(50); }},
        {BankError::BadRequest, [](Setup& s) { s.reps = {{3, &with}}; }},
        {BankError::BadRequest, [](Setup& s) { s.reps = {{1, &with}, {1, &with}}; }},
        {BankError::BadRequest, [](Setup& s) { s.reps = {{1, &insane}}; }},
        {BankError::BadRequest, [](Setup& s) { s.reps = {{1, &empty}}; }},
        {BankError::BadRequest, [](Setup& s) { s.reps = {{1, nullptr}}; }},
        {BankError::BadRequest, [](Setup& s) { s.reps = {}; }},
        {BankError::BadRequest, [](Setup& s) { s.piece = 0; }},
        // a check beside the rewrite says no: at the last moment, or as a sound is to be written
        {BankError::Abandoned, [](Setup& s) { s.lastCheck = [] { return false; }; }},
        {BankError::Abandoned, [](Setup& s) { s.ready = [](const Sound* w) { return w != &with; }; }},
    };
    for (size_t row = 0; row < std::size(cases); row++) {
        const auto& [error, change] = cases[row];
        Setup s;
        s.files.files[kBank] = good;
        s.reps = {{1, &with}};
        change(s);
        FileMap before = s.files.files;
        EXPECT_EQ(Rewrite(s.files, kBank, Loaded(good), s.reps, Backup::Keep, s.piece, {}, s.lastCheck, s.ready).error,
                  error)
            << "row " << row;
        EXPECT_EQ(s.files.files, before) << "row " << row;
    }
}

}  // namespace
