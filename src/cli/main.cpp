// voxbank: the command line, its subcommands and exit statuses (0 done, 1 failed, 2 misused).
#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

#include <CLI/CLI.hpp>

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#endif

#include "cli/commands.h"
#include "version.h"

namespace {

using voxbank::Status;

// What a command printed must have reached stdout: a full disk or a closed pipe fails it.
int Flushed(int status)
{
    if (fflush(stdout) == 0 && !ferror(stdout))
        return status;
    fprintf(stderr, "voxbank: its output could not be written: %s\n", strerror(errno));
    return voxbank::kFailed;
}

// Adding a command: give it a file of its own (see list.cpp) with its options, its work and a
// Declare function that puts its options on the subcommand it is given and returns what runs
// it; declare that function in commands.h, add the file to CMakeLists.txt and a line here.
// The order here is the order of voxbank --help.
struct Command {
    const char* name;
    const char* help;
    voxbank::Run (*declare)(CLI::App* command);
};
const Command kCommands[] = {
    {"list", "One line per sound: number, name, bytes, offset, format, seconds", voxbank::DeclareList},
    {"check", "Whether the bank can be read and rewritten faithfully, and every reason it cannot (exit 0 only if so)",
     voxbank::DeclareCheck},
    {"extract", "Writes sounds out as WAVE files named like 007-Explosion.wav", voxbank::DeclareExtract},
    {"replace",
     "Replaces sounds by PCM WAVE files (any audio with --convert) in one rewrite of the bank, all or nothing; the old "
     "bank is kept as BANK.bak",
     voxbank::DeclareReplace},
    {"import",
     "Takes a folder of sound files named as extract names them (007-Explosion.wav, 7.flac) back into the bank in one "
     "rewrite; only files whose audio differs replace their sound",
     voxbank::DeclareImport},
    {"undo",
     "Puts back the bank as it was before the last replace (BANK.bak), keeping the bank as it is now as BANK.bak: a "
     "second undo redoes",
     voxbank::DeclareUndo},
#ifdef VOXBANK_PACKS
    {"pack", "Writes the sounds of BANK that differ from ORIGINAL as a mod pack: one small file others check, apply and take off",
     voxbank::DeclarePack},
    {"show", "Checks a mod pack and lists its name, its base bank and its sounds", voxbank::DeclareShow},
    {"apply",
     "Applies mod packs to any bank whose sounds they replace are the right ones, in one rewrite; the old bank is kept "
     "as BANK.bak",
     voxbank::DeclareApply},
    {"unapply", "Takes a mod pack off the bank, putting back its sounds from the original bank", voxbank::DeclareUnapply},
#endif
};

// Every parse error is a usage error; help and version are not errors at all.
int Parse(CLI::App& app, int argc, char** argv)
{
    if (argc > 1 && argv[1][0] != '-') {
        try {
            app.get_subcommand(argv[1]);
        } catch (const CLI::OptionNotFound&) {
            fprintf(stderr, "voxbank: no command \"%s\" (see voxbank --help)\n", argv[1]);
            return voxbank::kUsage;
        }
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        if (e.get_exit_code() == 0)
            return Flushed(app.exit(e));
        fprintf(stderr, "voxbank: %s (see voxbank --help)\n", e.what());
        return voxbank::kUsage;
    }
    return -1;
}

int Run(const voxbank::Run& command)
{
    try {
        return Flushed(command());
    } catch (const voxbank::Stop& stop) {
        fflush(stdout);
        fprintf(stderr, "voxbank: %s\n", stop.what());
        return stop.status;
    } catch (const std::exception& e) {
        fprintf(stderr, "voxbank: %s\n", e.what());
        return voxbank::kFailed;
    }
}

#ifdef _WIN32
// The manifest makes the arguments and every path UTF-8; a console shows what is printed as
// UTF-8 too while voxbank runs, and gets its own code page back after. Output to a file or a
// pipe is UTF-8 as it is.
UINT consoleWas = 0;
void ConsoleBack()
{
    SetConsoleOutputCP(consoleWas);
}
void ConsoleInUtf8()
{
    consoleWas = GetConsoleOutputCP();
    if (consoleWas && consoleWas != CP_UTF8 && SetConsoleOutputCP(CP_UTF8))
        atexit(ConsoleBack);
}
#endif

}  // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    ConsoleInUtf8();
#endif
    CLI::App app{"Lists, checks, extracts, replaces and imports the sounds of Tarn sound banks, undoes a replace, and makes and applies mod packs.", "voxbank"};
    app.set_version_flag("--version", "voxbank " VOXMEND_VERSION);
    app.require_subcommand(1);
    app.footer("Exit status: 0 done, 1 the work failed and nothing was changed, 2 usage error.\n"
               "Names and paths are UTF-8, in any script: on Windows (10 version 1903 and later) too, in a console and "
               "in output sent to a file; index files in UTF-8 or in Windows-1252 are both read right.");

    std::vector<std::pair<CLI::App*, voxbank::Run>> commands;
    for (const Command& c : kCommands) {
        CLI::App* command = app.add_subcommand(c.name, c.help);
        commands.push_back({command, c.declare(command)});
    }

    int parsed = Parse(app, argc, argv);
    if (parsed >= 0)
        return parsed;
    for (const auto& [command, run] : commands)
        if (*command)
            return Run(run);
    fprintf(stderr, "voxbank: no command given (see voxbank --help)\n");  // the parse lets none through
    return voxbank::kUsage;
}
