// voxbank: the command line, its subcommands and exit statuses (0 done, 1 failed, 2 misused).
#include <cstdio>
#include <functional>

#include <CLI/CLI.hpp>

#include "cli/commands.h"
#include "version.h"

namespace {

using voxbank::Status;

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
            return app.exit(e);
        fprintf(stderr, "voxbank: %s (see voxbank --help)\n", e.what());
        return voxbank::kUsage;
    }
    return -1;
}

// The options of the commands that bring sounds in: --convert and what it converts to, and
// whether the old bank is kept.
void AddBringingIn(CLI::App* command, voxbank::ConvertOptions* o, bool* noBackup)
{
    command->add_flag("--convert", o->convert,
                      "Take any audio file libsndfile reads (WAVE of any kind, FLAC, Ogg, MP3, AIFF...) and convert it "
                      "to the rate, channels and bits of the sound it replaces");
    command->add_option("--rate", o->rate, "With --convert: this rate in Hz instead")
        ->check(CLI::Range(1000, 384000))
        ->type_name("HZ");
    command->add_option("--channels", o->channels, "With --convert: this many channels instead")
        ->check(CLI::Range(1, 8))
        ->type_name("N");
    command->add_option("--bits", o->bits, "With --convert: 8 or 16 bits instead (24 and 32 where the bank has them)")
        ->check(CLI::IsMember({8, 16, 24, 32}))
        ->type_name("BITS");
    command->add_flag("--no-backup", *noBackup,
                      "Delete the old bank instead of keeping it as BANK.bak (a backup already there stays as it is)");
}

int Run(const std::function<Status()>& command)
{
    try {
        return command();
    } catch (const voxbank::Stop& stop) {
        fflush(stdout);
        fprintf(stderr, "voxbank: %s\n", stop.what());
        return stop.status;
    } catch (const std::exception& e) {
        fprintf(stderr, "voxbank: %s\n", e.what());
        return voxbank::kFailed;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    CLI::App app{"Lists, checks, extracts, replaces and imports the sounds of Tarn sound banks, and undoes a replace.", "voxbank"};
    app.set_version_flag("--version", "voxbank " VOXMEND_VERSION);
    app.require_subcommand(1);
    app.footer("Exit status: 0 done, 1 the work failed and nothing was changed, 2 usage error.");

    voxbank::ListOptions list;
    CLI::App* listCommand = app.add_subcommand("list", "One line per sound: number, name, bytes, offset, format, seconds");
    listCommand->add_option("BANK", list.bank, "The bank (.sfx or .qsb); its index file lies beside it")->required();
    listCommand->add_flag("--json", list.json, "One JSON document for scripts instead");

    voxbank::CheckOptions check;
    CLI::App* checkCommand = app.add_subcommand(
        "check", "Whether the bank can be read and rewritten faithfully, and every reason it cannot (exit 0 only if so)");
    checkCommand->add_option("BANK", check.bank, "The bank")->required();

    voxbank::ExtractOptions extract;
    CLI::App* extractCommand = app.add_subcommand("extract", "Writes sounds out as WAVE files named like 007-Explosion.wav");
    extractCommand->add_option("BANK", extract.bank, "The bank")->required();
    extractCommand->add_option("SOUND", extract.sounds, "Sound numbers or names (all when none)");
    extractCommand->add_option("-o,--output", extract.folder, "Folder for the files, made when missing (default: here)")
        ->type_name("DIR");
    extractCommand->add_flag("-f,--force", extract.force, "Overwrite files that are already there");

    voxbank::ReplaceOptions replace;
    CLI::App* replaceCommand = app.add_subcommand(
        "replace", "Replaces sounds by PCM WAVE files (any audio with --convert) in one rewrite of the bank, all or "
                   "nothing; the old bank is kept as BANK.bak");
    replaceCommand->add_option("BANK", replace.bank, "The bank")->required();
    replaceCommand->add_option("SOUND=FILE", replace.pairs,
                               "A sound's number, or its name from the index, and a WAVE file (any audio file with --convert)")
        ->required();
    AddBringingIn(replaceCommand, &replace.conversion, &replace.noBackup);

    voxbank::ImportOptions import;
    CLI::App* importCommand = app.add_subcommand(
        "import", "Takes a folder of sound files named as extract names them (007-Explosion.wav, 7.flac) back into "
                  "the bank in one rewrite; only files whose audio differs replace their sound");
    importCommand->add_option("BANK", import.bank, "The bank")->required();
    importCommand->add_option("DIR", import.folder, "The folder of sound files")->required();
    AddBringingIn(importCommand, &import.conversion, &import.noBackup);

    voxbank::UndoOptions undo;
    CLI::App* undoCommand = app.add_subcommand(
        "undo", "Puts back the bank as it was before the last replace (BANK.bak), keeping the bank as it is now as "
                "BANK.bak: a second undo redoes");
    undoCommand->add_option("BANK", undo.bank, "The bank")->required();

    int parsed = Parse(app, argc, argv);
    if (parsed >= 0)
        return parsed;
    if (*listCommand)
        return Run([&] { return voxbank::List(list); });
    if (*checkCommand)
        return Run([&] { return voxbank::Check(check); });
    if (*extractCommand)
        return Run([&] { return voxbank::Extract(extract); });
    if (*undoCommand)
        return Run([&] { return voxbank::Undo(undo); });
    if (*importCommand)
        return Run([&] { return voxbank::Import(import); });
    return Run([&] { return voxbank::Replace(replace); });
}
