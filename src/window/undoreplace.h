// Voxmend: Undo, which puts back the bank as it was before the last replace.
#pragma once

#include <string>

void UndoReplace();
// A replace of the bank at bankPath has ended; whether the bank before it is its backup now.
// A backup that is not the bank before the last replace is never offered back.
void ReplacedBank(const std::string& bankPath, bool backupKept);
