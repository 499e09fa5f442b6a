// voxbank check: whether a bank can be read and rewritten faithfully, and every reason it cannot.
#include <cstdio>

#include <CLI/CLI.hpp>

#include "cli/bankfile.h"
#include "cli/commands.h"
#include "cli/describe.h"
#include "cli/messages.h"

namespace voxbank {

struct CheckOptions {
    std::string bank;
};

namespace {

void SoundProblems(const LoadedBank& b, std::vector<std::string>* out)
{
    size_t outside = 0, first = 0;
    for (size_t i = 0; i < b.bank.entries.size(); i++) {
        const vox::Entry& e = b.bank.entries[i];
        if (!vox::SoundInFile(e, b.bank.fileSize) && outside++ == 0)
            first = i;
        if (!vox::IsSaneFormat(vox::FormatOf(e)))
            out->push_back(b.path + ": " + SoundLabel(b, i) + " has a format that would not play (" + FormatText(e) + ")");
    }
    if (outside > 0)
        out->push_back(b.path + ": " + std::to_string(outside) + " sound(s) lie outside the file, the first is " +
                       SoundLabel(b, first));
}

void IndexProblems(const LoadedBank& b, std::vector<std::string>* out)
{
    size_t count = b.bank.entries.size();
    if (!b.hasIndex)
        out->push_back(b.path + ": no index file " + b.indexPath + " beside it");
    else if (b.index.lines < count)
        out->push_back(b.indexPath + ": names " + std::to_string(b.index.lines) + " of " + std::to_string(count) +
                       " sounds");
}

}  // namespace

Status Check(const CheckOptions& o)
{
    LoadedBank b;
    vox::BankError e = ReadBankAt(o.bank, &b);
    if (e == vox::BankError::Open || e == vox::BankError::Read)
        Fail(BankMessage(e, o.bank));
    std::vector<std::string> problems;
    if (e != vox::BankError::Ok) {
        problems.push_back(BankMessage(e, o.bank));  // without a directory nothing else can be judged
    } else {
        for (vox::BankError layout : vox::LayoutProblems(b.bank))
            problems.push_back(BankMessage(layout, o.bank));
        SoundProblems(b, &problems);
        IndexProblems(b, &problems);
    }
    for (const std::string& p : problems)
        printf("%s\n", p.c_str());
    if (!problems.empty())
        return kFailed;
    printf("%s: sound: %zu sounds back to back, all playable, named by %s\n", o.bank.c_str(), b.bank.entries.size(),
           b.indexPath.c_str());
    return kOk;
}

Run DeclareCheck(CLI::App* command)
{
    auto o = std::make_shared<CheckOptions>();
    command->add_option("BANK", o->bank, "The bank")->required();
    return [o] { return Check(*o); };
}

}  // namespace voxbank
