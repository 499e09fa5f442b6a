// voxbank list: one line per sound, or one JSON document for scripts.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include <nlohmann/json.hpp>

#include <CLI/CLI.hpp>

#include "cli/bankfile.h"
#include "cli/commands.h"
#include "cli/describe.h"
#ifdef VOXBANK_CONVERT
#include "convert/loudness.h"
#endif

namespace voxbank {

struct ListOptions {
    std::string bank;
    bool json = false;
    bool loudness = false;
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

// What --loudness adds to a sound: its loudness and true peak, when it can be measured.
struct Measured {
    std::optional<double> lufs, peak;
    bool measurable = false;
};

std::vector<Measured> MeasureAll(const LoadedBank& b, bool wanted)
{
    std::vector<Measured> out(wanted ? b.bank.entries.size() : 0);
#ifdef VOXBANK_CONVERT
    for (size_t i = 0; i < out.size(); i++) {
        const std::vector<uint8_t> bytes = StoredBytes(b, i);
        if (bytes.empty())
            continue;
        vox::Loudness l = vox::MeasureLoudness(vox::FormatOf(b.bank.entries[i]), bytes.data(), bytes.size());
        out[i].measurable = l.measurable;
        out[i].lufs = l.lufs;
        if (l.measurable && std::isfinite(l.truePeak))
            out[i].peak = l.truePeak;
    }
#else
    (void)b;
#endif
    return out;
}

// "-23.9"; "silent", or "-inf" for a peak, where there is nothing to measure; "-" where the
// sound cannot be measured.
std::string Decibels(const Measured& m, const std::optional<double>& value, const char* none)
{
    if (!m.measurable)
        return "-";
    if (!value)
        return none;
    char text[32];
    snprintf(text, sizeof text, "%.1f", *value);
    return text;
}

// Two decimals are more than any ear tells apart.
nlohmann::ordered_json Rounded(const std::optional<double>& value)
{
    return value ? nlohmann::ordered_json(std::round(*value * 100) / 100) : nlohmann::ordered_json();
}

// Without an index file the table has no name column at all.
void PrintTable(const LoadedBank& b, const std::vector<Measured>& measured)
{
    size_t width = 4;
    for (size_t i = 0; b.hasIndex && i < b.bank.entries.size(); i++)
        width = std::max(width, b.index.names[i].size());
    auto column = [&](const std::string& name) { return b.hasIndex ? "  " + name + std::string(width - name.size(), ' ') : ""; };
    const bool loudness = !measured.empty();
    printf("  #%s       bytes      offset  %-24s  seconds%s\n", column("name").c_str(), "format",
           loudness ? "     LUFS     dBTP" : "");
    for (size_t i = 0; i < b.bank.entries.size(); i++) {
        const vox::Entry& e = b.bank.entries[i];
        printf("%3zu%s  %10ld  %10ld  %-24s  %7s", i, column(b.hasIndex ? b.index.names[i] : "").c_str(),
               (long)e.length, (long)e.offset, FormatText(e).c_str(), SecondsText(e).c_str());
        if (loudness)
            printf("  %7s  %7s", Decibels(measured[i], measured[i].lufs, "silent").c_str(),
                   Decibels(measured[i], measured[i].peak, "-inf").c_str());
        printf("\n");
    }
}

nlohmann::ordered_json Document(const LoadedBank& b, const std::vector<Measured>& measured)
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
        if (!measured.empty()) {
            sounds.back()["loudness"] = Rounded(measured[i].lufs);
            sounds.back()["truePeak"] = Rounded(measured[i].peak);
        }
    }
    return {{"bank", b.path},
            {"index", b.hasIndex ? nlohmann::ordered_json(b.indexPath) : nlohmann::ordered_json()},
            {"storedCount", b.bank.storedCount},
            {"sounds", sounds}};
}

}  // namespace

Status List(const ListOptions& o)
{
#ifndef VOXBANK_CONVERT
    if (o.loudness)
        Usage("--loudness is not in this build of voxbank: it was made without libebur128");
#endif
    LoadedBank b = LoadBank(o.bank);
    NoteWhatIsMissing(b);
    const std::vector<Measured> measured = MeasureAll(b, o.loudness);
    if (o.json)
        // Index files are 8-bit text of no known code page: bytes that are not UTF-8 become U+FFFD.
        puts(Document(b, measured).dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace).c_str());
    else
        PrintTable(b, measured);
    return kOk;
}

Run DeclareList(CLI::App* command)
{
    auto o = std::make_shared<ListOptions>();
    command->add_option("BANK", o->bank, "The bank (.sfx or .qsb); its index file lies beside it")->required();
    command->add_flag("--json", o->json, "One JSON document for scripts instead");
    command->add_flag("--loudness", o->loudness,
                      "Also each sound's loudness (BS.1770 integrated, in LUFS) and true peak (dBTP); the JSON fields "
                      "loudness and truePeak, null where there is none");
    return [o] { return List(*o); };
}

}  // namespace voxbank
