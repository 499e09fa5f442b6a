// Writing a bank with some of its sounds replaced, in one pass, and putting it in place.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/bank.h"
#include "engine/files.h"
#include "engine/wave.h"

namespace vox {

constexpr char kNewBankName[] = "new.sfx";

struct Replacement {
    size_t sound = 0;             // its number in the bank
    const Sound* with = nullptr;  // the new format and bytes
};

enum class Step {
    Header,   // the header is written; the directory comes next
    Prior,    // a piece of the old samples before a replacement
    NewData,  // a replacement's bytes
    Post,     // a piece of what lies behind the last replacement
};
// Called before each step and piece; done and total count the bytes of the new bank.
using Progress = std::function<void(Step step, uint64_t done, uint64_t total)>;

// Whether the old bank is kept as the backup beside the bank (BackupPathFor) or deleted.
enum class Backup { Keep, None };

struct RewriteResult {
    BankError error = BankError::Ok;
    std::string newPath;      // new.sfx beside the bank
    bool backupKept = false;  // on success: the old bank is the backup now
    Bank bank;            // on success the bank now under the name, with its corrected directory
};

// The loaded directory with the replacements' lengths and formats, and every later offset moved.
std::vector<Entry> CorrectedDirectory(const std::vector<Entry>& entries, const std::vector<Replacement>& replacements);

// Asked once new.sfx is whole and flushed, just before the swap: whether it may go ahead. It
// lets a check that runs beside the rewrite have the last word.
using LastCheck = std::function<bool()>;
// Asked just before a replacement's bytes are read, and it may wait for them: a sound made
// beside the rewrite, its format and size set from the start, is taken once whole. False
// abandons the rewrite.
using Ready = std::function<bool(const Sound* with)>;

// Writes new.sfx beside bankPath from the bank on disk, which must still hold the directory
// that was loaded, streaming through one buffer of pieceSize bytes; flushes it and puts it in
// the bank's place in one step, the old bank becoming the backup when asked and the file
// system allows it (else it is deleted, and backupKept says so). On any failure before that,
// a last check or a ready that says no included (Abandoned), the bank is untouched and no
// new.sfx is left.
RewriteResult Rewrite(Files& files, const std::string& bankPath, const Bank& loaded,
                      std::vector<Replacement> replacements, Backup backup, size_t pieceSize,
                      const Progress& progress = {}, const LastCheck& lastCheck = {}, const Ready& ready = {});

}  // namespace vox
