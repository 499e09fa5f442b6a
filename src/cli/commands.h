// What the commands share: how each declares its options and runs, and how it stops early.
#pragma once

#include <functional>
#include <stdexcept>
#include <string>

namespace CLI {
class App;
}

namespace voxbank {

enum Status { kOk = 0, kFailed = 1, kUsage = 2 };

// Ends a command; main prints the message as one line on stderr and exits with the status.
struct Stop : std::runtime_error {
    Stop(Status s, const std::string& message) : std::runtime_error(message), status(s) {}
    Status status;
};
[[noreturn]] inline void Fail(const std::string& message) { throw Stop(kFailed, message); }
[[noreturn]] inline void Usage(const std::string& message) { throw Stop(kUsage, message); }

// What runs a command once its options are parsed.
using Run = std::function<Status()>;

// Each command's file declares its options on its subcommand and returns what runs it; main's
// table registers them.
Run DeclareList(CLI::App* command);
Run DeclareCheck(CLI::App* command);
Run DeclareExtract(CLI::App* command);
Run DeclareReplace(CLI::App* command);
Run DeclareImport(CLI::App* command);
Run DeclareUndo(CLI::App* command);
// Mod packs (pack.cpp), in builds that have them.
Run DeclarePack(CLI::App* command);
Run DeclareShow(CLI::App* command);
Run DeclareApply(CLI::App* command);
Run DeclareUnapply(CLI::App* command);

}  // namespace voxbank
