// What the commands share: their options, their entry points, and how they stop early.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace voxbank {

enum Status { kOk = 0, kFailed = 1, kUsage = 2 };

// Ends a command; main prints the message as one line on stderr and exits with the status.
struct Stop : std::runtime_error {
    Stop(Status s, const std::string& message) : std::runtime_error(message), status(s) {}
    Status status;
};
[[noreturn]] inline void Fail(const std::string& message) { throw Stop(kFailed, message); }
[[noreturn]] inline void Usage(const std::string& message) { throw Stop(kUsage, message); }

struct ListOptions {
    std::string bank;
    bool json = false;
};
struct CheckOptions {
    std::string bank;
};
struct ExtractOptions {
    std::string bank;
    std::vector<std::string> sounds;  // numbers or names; none for all
    std::string folder = ".";
    bool force = false;
};
// Any audio file converted to the sound it replaces; the others keep that sound's format.
struct ConvertOptions {
    bool convert = false;
    uint32_t rate = 0;  // 0: the sound's own
    uint16_t channels = 0;
    uint16_t bits = 0;
};
struct ReplaceOptions {
    std::string bank;
    std::vector<std::string> pairs;  // SOUND=FILE
    bool noBackup = false;
    ConvertOptions conversion;
};
struct ImportOptions {
    std::string bank;
    std::string folder;
    bool noBackup = false;
    ConvertOptions conversion;
};
struct UndoOptions {
    std::string bank;
};

Status List(const ListOptions& options);
Status Check(const CheckOptions& options);
Status Extract(const ExtractOptions& options);
Status Replace(const ReplaceOptions& options);
Status Undo(const UndoOptions& options);
Status Import(const ImportOptions& options);

}  // namespace voxbank
