// voxbank list: one line per sound, or one JSON document for scripts.
#include <algorithm>
#include <cstdio>

#include <nlohmann/json.hpp>

#include <CLI/CLI.hpp>

#include "cli/bankfile.h"
#include "cli/commands.h"
#include "cli/describe.h"
#include "engine/text.h"

namespace voxbank {

struct ListOptions {
    std::string bank;
    bool json = false;
};

namespace {

std::string SecondsText(const vox::Entry& e)
{
    std::optional<double> seconds = Seconds(e);
    if (!seconds)
        return "?";
    char text[32];
    snprintf(text, sizeof text, "%.3f", *seconds);
    return text;
}

// Without an index file the table has no name column at all.
void PrintTable(const LoadedBank& b)
{
    size_t width = 4;
    for (size_t i = 0; b.hasIndex && i < b.bank.entries.size(); i++)
        width = std::max(width, vox::Characters(b.index.names[i]));
    // names are UTF-8: a column is as wide as its characters
    auto column = [&](const std::string& name) {
        return b.hasIndex ? "  " + name + std::string(width - vox::Characters(name), ' ') : "";
    };
    printf("  #%s       bytes      offset  %-24s  seconds\n", column("name").c_str(), "format");
    for (size_t i = 0; i < b.bank.entries.size(); i++) {
        const vox::Entry& e = b.bank.entries[i];
        printf("%3zu%s  %10ld  %10ld  %-24s  %7s\n", i, column(b.hasIndex ? b.index.names[i] : "").c_str(),
               (long)e.length, (long)e.offset, FormatText(e).c_str(), SecondsText(e).c_str());
    }
}

nlohmann::ordered_json Document(const LoadedBank& b)
{
    nlohmann::ordered_json sounds = nlohmann::ordered_json::array();
    for (size_t i = 0; i < b.bank.entries.size(); i++) {
        const vox::Entry& e = b.bank.entries[i];
        std::optional<double> seconds = Seconds(e);
        const std::string* name = b.NameOf(i);
        sounds.push_back({{"number", i},
                          {"name", name ? nlohmann::ordered_json(*name) : nlohmann::ordered_json()},
                          {"length", e.length},
                          {"offset", e.offset},
                          {"tag", e.format},
                          {"pcm", e.format == vox::kPcm},
                          {"channels", e.channels},
                          {"rate", e.rate},
                          {"avgBytes", e.avgBytes},
                          {"blockAlign", e.blockAlign},
                          {"bits", e.bits},
                          {"extra", e.extra},
                          {"duration", seconds ? nlohmann::ordered_json(*seconds) : nlohmann::ordered_json()}});
    }
    return {{"bank", b.path},
            {"index", b.hasIndex ? nlohmann::ordered_json(b.indexPath) : nlohmann::ordered_json()},
            {"storedCount", b.bank.storedCount},
            {"sounds", sounds}};
}

}  // namespace

Status List(const ListOptions& o)
{
    LoadedBank b = LoadBank(o.bank);
    NoteWhatIsMissing(b);
    if (o.json)
        // Names are UTF-8 always; a Linux path that is not becomes U+FFFD where it is not.
        puts(Document(b).dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
    else
        PrintTable(b);
    return kOk;
}

Run DeclareList(CLI::App* command)
{
    auto o = std::make_shared<ListOptions>();
    command->add_option("BANK", o->bank, "The bank (.sfx or .qsb); its index file lies beside it")->required();
    command->add_flag("--json", o->json, "One JSON document for scripts instead");
    return [o] { return List(*o); };
}

}  // namespace voxbank
