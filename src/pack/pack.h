// Mod packs: the sounds a modded bank holds in place of another bank's, in one zip file with a
// manifest that says what they replace, checked by SHA-256; reading one back with every part of
// it checked before it is trusted; and what applying or taking off packs would do to a bank.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/bank.h"
#include "engine/files.h"
#include "engine/rewrite.h"
#include "engine/wave.h"

namespace vox {

constexpr int kPackVersion = 1;
constexpr char kManifestName[] = "voxpack.json";
constexpr char kSoundsFolder[] = "sounds/";
constexpr char kPackExtension[] = ".voxpack";

// A sound as the bank stores it, told apart by its whole format, its length and its bytes' hash.
struct SoundFacts {
    Entry format;  // the format fields and length; the offset is not a sound's own and stays 0
    std::string sha256;  // lower-case hex of its bytes
};
// The same whole format and length; the offset aside.
bool SameShape(const Entry& x, const Entry& y);
bool operator==(const SoundFacts& a, const SoundFacts& b);
inline bool operator!=(const SoundFacts& a, const SoundFacts& b) { return !(a == b); }
SoundFacts FactsOf(const Entry& e, const uint8_t* bytes);

struct PackSound {
    size_t number = 0;  // in the bank
    std::string name;   // its index name, "" without one
    SoundFacts base;    // what it replaces
    SoundFacts now;     // what it becomes
    std::string entry;  // "sounds/007-Explosion.flac"
    Sound sound;        // the new sound, decoded and checked (empty while only listed)
};

struct Pack {
    std::string name, description, madeBy;
    std::string baseFile;  // the base bank's file name
    size_t baseSounds = 0;
    std::string baseSha256;
    std::vector<PackSound> sounds;  // by number, each at most once
};

// Lower-case hex SHA-256.
std::string Sha256Hex(const uint8_t* data, size_t n);
// Of a whole file; false when reading it fails.
bool Sha256OfFile(Source& file, std::string* hex);

// Why a pack cannot be made, or read, or used.
enum class PackError {
    Ok,
    NotSameBank,    // the banks differ in their count of sounds
    NothingDiffers,
    BankRead,       // a bank's sound could not be read (at: which bank's)
    NotStorable,    // a modded sound a bank cannot take in a rewrite (sound: which)
    NoMemory,
    Zip,            // making the zip failed
    Open,           // the pack file cannot be opened
    Read,           // reading it failed
    TooLarge,       // the pack file is larger than any pack can be
    NotZip,         // not a zip, or a damaged one (detail: the zip library's words)
    NoManifest,
    ManifestNotJson,
    ManifestWrong,  // JSON, but not a manifest this program reads (detail: which field)
    UnknownVersion, // detail: the version
    BadEntryName,   // absolute, "..", outside sounds/, odd characters (detail: the name)
    DuplicateEntry, // detail: the name
    StrayEntry,     // an entry the manifest does not name (detail: the name)
    MissingEntry,   // the manifest names an entry the zip lacks (detail: the name)
    EntryTooLarge,  // it inflates beyond what its sound needs (detail: the name)
    EntryDamaged,   // it cannot be inflated or decoded (detail: the name)
    HashWrong,      // it decodes to other bytes than the manifest's hash (detail: the name)
    SoundTwice,     // the manifest names a sound twice (sound)
    SoundOutside,   // a sound past the bank's end (sound, detail: the bank's count)
    Create,         // the pack's .part cannot be created (detail: its path)
    Write,          // writing it failed (detail: its path)
    Rename,         // the whole pack cannot take its name
};

struct PackProblem {
    PackError error = PackError::Ok;
    std::string detail;
    size_t sound = 0;
    explicit operator bool() const { return error != PackError::Ok; }
};

// Progress through a long job: bytes or sounds done of total.
using PackProgress = std::function<void(uint64_t done, uint64_t total)>;

// What a pack of a modded bank against its original holds.
struct PackRequest {
    std::string name, description, madeBy;
    std::string baseFile;  // the original's file name, as the manifest keeps it
};
struct MadePack {
    PackProblem problem;
    Pack pack;                   // the manifest's facts, sounds in number order
    std::vector<uint8_t> zip;    // the pack file's bytes
    std::vector<bool> flac;      // for each sound, whether it went in as FLAC
};
// The sounds of modded that differ from original's, in bytes or in format, named by modded's
// index file, else original's; NotSameBank when the two count different sounds.
MadePack MakePack(const NamedBank& modded, const NamedBank& original, const PackRequest& request,
                  const PackProgress& progress = {});

// Writes the pack's bytes as path + ".part" and gives it path's name once whole, replacing a
// file there; on any failure nothing is left but what was there before.
PackProblem SavePack(Files& files, const std::string& path, const std::vector<uint8_t>& bytes);

// Reads and checks a pack file's bytes in full: the zip, the manifest, every entry's name and
// size before it is inflated, and each decoded sound against its hash. listOnly reads only the
// manifest and the zip's directory (for a listing).
struct ReadPack {
    PackProblem problem;
    Pack pack;
};
ReadPack ReadPackBytes(const uint8_t* data, size_t size, bool listOnly = false, const PackProgress& progress = {});
// The same from a file, refused when it is larger than any pack can be.
ReadPack ReadPackFile(Files& files, const std::string& path, bool listOnly = false, const PackProgress& progress = {});

// Packs applied while their sounds are decoded: each pack file read and checked as a listing
// is, every sound given the format and room its manifest says, and the sounds then decoded and
// checked against their hashes by a thread of their own, in order, so that a rewrite can start
// at once and take each as it is whole. Whatever goes wrong, ReadPackFile tells best.
class PacksDecoding {
public:
    PacksDecoding();
    ~PacksDecoding();  // the thread stopped
    PacksDecoding(const PacksDecoding&) = delete;
    PacksDecoding& operator=(const PacksDecoding&) = delete;
    // False when a pack cannot be read or checked as a listing, or its sounds given their room:
    // nothing is decoded then.
    bool Start(Files& files, const std::vector<std::string>& paths);
    const std::vector<Pack>& Packs() const;
    // Waits until the sound, one of the packs', is whole: false when it, or one decoded before
    // it, is not as its manifest says.
    bool Whole(const Sound* sound);
    // Waits for every sound: whether all are whole.
    bool AllWhole();

private:
    struct Work;
    std::unique_ptr<Work> work_;
};

// How a bank's sound stands against a pack that replaces it.
enum class Standing {
    Base,       // the pack's base: it is replaced
    Applied,    // already the pack's new sound: skipped
    Conflict,   // something else: another mod, or another version of the bank
    Unreadable, // the bank's sound cannot be read
};

struct PlannedSound {
    size_t pack = 0;   // which of the packs
    size_t index = 0;  // which of its sounds
    Standing standing = Standing::Base;
};
// Two packs that replace the same sound with different bytes.
struct Overlap {
    size_t sound = 0;
    size_t first = 0, second = 0;  // the packs
};
struct ApplyPlan {
    PackProblem problem;   // a sound outside the bank (detail: which pack, by its index)
    size_t problemPack = 0;
    std::vector<PlannedSound> sounds;   // every sound of every pack, in the packs' order
    std::vector<Overlap> overlaps;
    size_t conflicts = 0;
    std::vector<Replacement> replacements;  // what the rewrite is to do, when it may
};
// A sound of the bank a plan took by its format and length alone, and the hash it must have for
// the plan to hold.
struct Unhashed {
    size_t sound = 0;
    std::string sha256;
};

// What applying these packs (each read in full) to the bank would do: every sound's standing,
// every overlap, and the rewrite's replacements when there is neither a conflict (unless force)
// nor an overlap. The replacements point into the packs.
// With unhashed given, a sound whose format and length are those of the pack's base or of its
// new sound, and not both, is taken for it without reading its bytes, and listed there: the plan
// holds only when HashesHold, which may run beside the rewrite, as its last check.
ApplyPlan PlanApply(const std::vector<const Pack*>& packs, const Bank& bank, Source& bankFile, bool force,
                    std::vector<Unhashed>* unhashed = nullptr);
// Whether each of those sounds, read from the bank file, has the hash it was taken for.
bool HashesHold(const std::vector<Unhashed>& unhashed, const Bank& bank, Source& bankFile);

// How a bank's sound stands against a pack being taken off.
enum class Removal {
    PutBack,      // holds the pack's sound and ORIGINAL holds its base: put back
    NotApplied,   // holds the base already
    ChangedSince, // holds something else: left as it is
    OriginalWrong,// ORIGINAL's sound is not the pack's base
    Unreadable,
};
struct RemovalPlan {
    PackProblem problem;  // a sound outside either bank, or banks of different counts
    std::vector<Removal> sounds;  // one per pack sound
    std::vector<Sound> originals;  // the sounds put back, read from ORIGINAL
    std::vector<Replacement> replacements;  // into originals; empty when any is OriginalWrong
};
RemovalPlan PlanRemoval(const Pack& pack, const Bank& bank, Source& bankFile, const Bank& original,
                        Source& originalFile);

}  // namespace vox
