// A bank opened for a command: its directory, its sound names, and the sounds its user picks.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "engine/bank.h"
#include "engine/rewrite.h"

namespace voxbank {

struct LoadedBank : vox::NamedBank {
    std::string path;

    // The sound's name from the index file; null without one.
    const std::string* NameOf(size_t sound) const { return hasIndex ? &index.names[sound] : nullptr; }
};

// Opens the bank, reads its directory and its index names: Open, Read or Short when it cannot.
// A backup's name ends the command: it is not a bank to work on.
vox::BankError ReadBankAt(const std::string& path, LoadedBank* out);
// The same as ReadBankAt; a bank that cannot be read ends the command with a message naming it.
LoadedBank LoadBank(const std::string& path);

// One rewrite of the bank with these replacements, a progress bar on a terminal, the old bank
// kept as its backup unless noBackup; a failure ends the command, a backup refused is told. A
// last check or a ready that says no is no failure: the result says Abandoned, and nothing was
// changed.
vox::RewriteResult RewriteOrFail(const LoadedBank& b, const std::vector<vox::Replacement>& replacements, bool noBackup,
                                 const char* doing, const vox::LastCheck& lastCheck = {},
                                 const vox::Ready& ready = {});

// The bytes the bank holds for sound n; empty when it cannot give them.
std::vector<uint8_t> StoredBytes(const LoadedBank& b, size_t n);

// Notes on stderr a missing index file and sounds past the 325 worked with.
void NoteWhatIsMissing(const LoadedBank& b);

// The sound a user means by a number or a name that only one sound has; the bank has no other.
size_t PickSound(const LoadedBank& b, const std::string& pick);
std::vector<size_t> PickSounds(const LoadedBank& b, const std::vector<std::string>& picks);

}  // namespace voxbank
