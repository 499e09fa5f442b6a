// Tarn sound banks: the header and directory, the index file's names, the sound formats.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/files.h"

namespace vox {

constexpr uint32_t kHeaderSize = 16;  // bytes before the directory
constexpr uint32_t kEntrySize = 28;   // one directory entry
constexpr uint32_t kMaxSounds = 325;  // sounds of a bank anyone works with
constexpr size_t kNameLength = 100;   // characters of a sound name
constexpr size_t kNameBytes = 4 * kNameLength;  // the bytes of its UTF-8 at most
constexpr uint16_t kPcm = 1;

// The fields of a wave format record that a sound is played with.
struct Format {
    uint16_t tag = 0;
    uint16_t channels = 0;
    uint32_t rate = 0;
    uint32_t avgBytes = 0;
    uint16_t blockAlign = 0;
    uint16_t bits = 0;
    uint16_t cbSize = 0;
};
bool operator==(const Format& a, const Format& b);

// Only formats like these ever reach a sound device or a bank: audio drivers have been seen
// to die on wild ones, even when merely asked whether they can play them.
bool IsSaneFormat(const Format& f);

// One directory entry, as stored.
struct Entry {
    int32_t length = 0;  // sample bytes
    int32_t offset = 0;  // where the first sample byte lies in the file
    uint16_t format = 0;
    uint16_t channels = 0;
    int32_t rate = 0;
    int32_t avgBytes = 0;
    uint16_t blockAlign = 0;
    uint16_t bits = 0;
    int32_t extra = 0;  // the format's extra size; only the low half is used
};
bool operator==(const Entry& a, const Entry& b);
inline bool operator!=(const Entry& a, const Entry& b) { return !(a == b); }

Entry DecodeEntry(const uint8_t* bytes);
void EncodeEntry(const Entry& e, uint8_t* bytes);
Format FormatOf(const Entry& e);
// The entry's format fields from a WAVE file's format; the extra size only when the file gave one.
void SetFormat(Entry* e, const Format& f, bool hadCbSize);

struct Bank {
    uint8_t header[kHeaderSize] = {};
    uint32_t storedCount = 0;    // the count as the header stores it
    std::vector<Entry> entries;  // the first storedCount, at most kMaxSounds
    uint64_t fileSize = 0;
};

enum class BankError {
    Ok,
    Open,           // the bank cannot be opened
    Read,           // reading it failed
    Short,          // it ends before its header, directory or sounds do
    CountDiffers,   // its header counts more sounds than are worked with
    NotBackToBack,  // its sounds do not lie back to back right behind the directory
    EndsEarly,      // the file ends before its last sound
    TooLarge,       // the new bank would pass the signed 32-bit offsets
    ChangedOnDisk,  // its directory is no longer the one loaded
    InTheWay,       // new.sfx is already there
    NoMemory,
    Create,         // new.sfx cannot be created
    Write,          // writing or closing new.sfx failed
    Flush,          // new.sfx could not be flushed to the disk
    DeleteRefused,  // the new bank is complete; the old one could not be deleted and is unchanged
    RenameFailed,   // the new bank is complete but could not take the bank's name
    BadRequest,     // a replacement names no sound of the bank, names one twice, or has a format no bank may hold
    NoBackup,       // there is no backup beside the bank to put back
    BadBackup,      // the backup is not a bank that can be put back
    SwapRefused,    // the bank and its backup cannot change places
    Abandoned,      // the caller's last check before the swap said no: the bank is untouched
};

// Reads the header and directory. Short when the file ends before either.
BankError ReadBank(Source& file, Bank* bank);
// Whether two reads of a bank found the same header and directory.
bool SameDirectory(const Bank& a, const Bank& b);
// Why the bank cannot be rewritten faithfully: CountDiffers, NotBackToBack or EndsEarly; else Ok.
BankError LayoutProblem(const Bank& bank);
// Every reason LayoutProblem could give, for a report.
std::vector<BankError> LayoutProblems(const Bank& bank);
// Reads a sound's bytes into out (e.length bytes). False when it runs past the end or a read
// fails; what was not read is left zero.
bool ReadSound(Source& file, const Entry& e, uint8_t* out);
// Whether the entry's bytes lie wholly inside a file of this size.
bool SoundInFile(const Entry& e, uint64_t fileSize);
// How many of the entry's bytes a file of this size holds: all of them, or for a sound the
// file's end cuts short, the whole blocks that are there. What can be played of it.
uint32_t BytesHeld(const Entry& e, uint64_t fileSize);

// The index file's name for a bank's name: at the first '.', "txt" and the end.
std::string IndexFileName(const std::string& bankName);
// The index file beside the bank at bankPath.
std::string IndexPathFor(const std::string& bankPath);

struct IndexNames {
    std::vector<std::string> names;  // one per sound
    size_t lines = 0;                // how many of them the file gave; the rest repeat the last
};
// Names for count sounds, in UTF-8: a line that is UTF-8 is read as such, any other as the
// Windows-1252 of the product's days. Lines end with CR LF or LF; a lone CR is dropped with the byte after
// it; a name longer than 100 characters loses its 101st and goes on as the next name; a sound
// with no line left repeats the last name, or is "(unnamed)" when there was none.
IndexNames ReadIndexNames(Source& index, size_t count);

// A bank with the names of its index file, as the window and voxbank open one.
struct NamedBank {
    std::unique_ptr<Source> file;  // still open, for reading its sounds
    Bank bank;
    std::string indexPath;
    bool hasIndex = false;
    IndexNames index;  // a name for every entry when hasIndex
};
// Opens the bank at path, reads its directory and the names of the index file beside it when
// there is one: Open, Read or Short when the bank cannot be read. What a missing index means
// is the caller's to say.
BankError OpenBankWithIndex(Files& files, const std::string& path, NamedBank* out);
// The names for b->bank's sounds from the index file beside path, where there is one.
void ReadIndexBeside(Files& files, const std::string& path, NamedBank* b);

}  // namespace vox
