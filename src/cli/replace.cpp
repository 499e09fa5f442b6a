// voxbank replace: several sounds replaced in one pass, all or nothing.
#include <cctype>
#include <cstdio>

#include <CLI/CLI.hpp>

#include "cli/bankfile.h"
#include "cli/bringing.h"
#include "cli/commands.h"
#include "cli/describe.h"
#include "cli/messages.h"
#include "disk/disk.h"
#include "engine/paths.h"
#include "engine/rewrite.h"

namespace voxbank {

struct ReplaceOptions {
    std::string bank;
    std::vector<std::string> pairs;  // SOUND=FILE
    bool noBackup = false;
    ConvertOptions conversion;
};

namespace {

struct Request {
    std::string sound;  // a number or a name, as typed
    std::string file;
    Brought brought;
};

std::vector<Request> SplitPairs(const std::vector<std::string>& pairs)
{
    std::vector<Request> requests(pairs.size());
    for (size_t i = 0; i < pairs.size(); i++) {
        // Split at the first '=': file names may hold one, the index's names seldom do.
        size_t eq = pairs[i].find('=');
        if (eq == std::string::npos || eq == 0 || eq + 1 == pairs[i].size())
            Usage("\"" + pairs[i] + "\" is not SOUND=FILE.wav");
        requests[i].sound = pairs[i].substr(0, eq);
        requests[i].file = pairs[i].substr(eq + 1);
    }
    return requests;
}

// new.sfx is the rewrite's own temporary name; a bank of that name is always in its way.
bool NamedLikeNewBank(const std::string& bank)
{
    std::string name = vox::NameOf(bank);
#ifdef _WIN32
    for (char& c : name)
        c = (char)tolower((unsigned char)c);
#endif
    return name == vox::kNewBankName;
}

}  // namespace

Status Replace(const ReplaceOptions& o)
{
    CheckConversion(o.conversion);
    const bool converting = o.conversion.convert;
    std::vector<Request> requests = SplitPairs(o.pairs);
    if (!converting)  // a WAVE file is what it is, whatever sound it goes to
        for (Request& r : requests)
            r.brought = BringSound(r.file, nullptr, 0, o.conversion);
    if (NamedLikeNewBank(o.bank))
        Fail(o.bank + ": a bank named " + vox::kNewBankName + " cannot be rewritten in place; rename it first");
    LoadedBank b = LoadBank(o.bank);
    std::vector<std::string> picks;
    for (const Request& r : requests)
        picks.push_back(r.sound);
    std::vector<size_t> sounds = PickSounds(b, picks);
    std::vector<vox::Replacement> replacements;
    for (size_t i = 0; i < requests.size(); i++) {
        if (converting)  // to the format of the sound it replaces, before the bank is touched
            requests[i].brought = BringSound(requests[i].file, &b, sounds[i], o.conversion);
        MatchBrought(&requests[i].brought, b, sounds[i], o.conversion);
        replacements.push_back({sounds[i], &requests[i].brought.sound});
    }
    b.file.reset();  // on Windows an open handle would keep the new bank from taking the name

    vox::RewriteResult result = RewriteOrFail(b, replacements, o.noBackup, "replacing");
    for (size_t i = 0; i < sounds.size(); i++)
        printf("%s: %s\n", b.path.c_str(),
               ChangeText(b, sounds[i], b.bank.entries[sounds[i]], result.bank.entries[sounds[i]], requests[i].brought).c_str());
    return kOk;
}

Run DeclareReplace(CLI::App* command)
{
    auto o = std::make_shared<ReplaceOptions>();
    command->add_option("BANK", o->bank, "The bank")->required();
    command->add_option("SOUND=FILE", o->pairs,
                        "A sound's number, or its name from the index, and a WAVE file (any audio file with --convert)")
        ->required();
    AddBringingIn(command, &o->conversion, &o->noBackup);
    return [o] { return Replace(*o); };
}

}  // namespace voxbank
