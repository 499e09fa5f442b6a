// voxbank undo: the bank and the backup its last replace kept change places.
#include <cstdio>

#include <CLI/CLI.hpp>

#include "cli/bankfile.h"
#include "cli/commands.h"
#include "cli/describe.h"
#include "cli/messages.h"
#include "disk/disk.h"
#include "engine/backup.h"

namespace voxbank {

struct UndoOptions {
    std::string bank;
};

namespace {

// Each sound put back, with its length before the undo where that differs.
void PrintPutBack(const LoadedBank& back, const LoadedBank* before, const std::string& backupPath)
{
    printf("%s: put back the bank as it was before the last replace, %zu sounds:\n", back.path.c_str(),
           back.bank.entries.size());
    for (size_t i = 0; i < back.bank.entries.size(); i++) {
        long length = (long)back.bank.entries[i].length;
        printf("  %s: %ld bytes", SoundLabel(back, i).c_str(), length);
        if (before && i < before->bank.entries.size() && before->bank.entries[i].length != length)
            printf(" (%ld before the undo)", (long)before->bank.entries[i].length);
        printf("\n");
    }
    printf("%s: now holds the bank as it was before the undo; undo again to put it back\n", backupPath.c_str());
}

}  // namespace

Status Undo(const UndoOptions& o)
{
    LoadedBank before;  // for comparison only: it may be damaged, and is kept all the same
    bool haveBefore = ReadBankAt(o.bank, &before) == vox::BankError::Ok;
    before.file.reset();  // on Windows an open handle would keep the names from changing
    vox::BackupCheck r = vox::Undo(vox::Disk(), o.bank);
    if (r.error == vox::BankError::BadBackup)
        Fail(BankMessage(r.problem, r.backupPath) + "; it was not put back, and both files are as they were");
    if (r.error != vox::BankError::Ok)
        Fail(BankMessage(r.error, o.bank));
    // What was put back is the backup as it was checked: once the names have changed places a
    // failure to read the bank again must not report the undo as not done.
    LoadedBank back;
    back.path = o.bank;
    back.bank = r.backup;
    vox::ReadIndexBeside(vox::Disk(), back.path, &back);
    PrintPutBack(back, haveBefore ? &before : nullptr, r.backupPath);
    return kOk;
}

Run DeclareUndo(CLI::App* command)
{
    auto o = std::make_shared<UndoOptions>();
    command->add_option("BANK", o->bank, "The bank")->required();
    return [o] { return Undo(*o); };
}

}  // namespace voxbank
