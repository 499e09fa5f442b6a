// Voxmend: the window's words for people: its message boxes and questions, and what each
// answer of the engine means in them.
#pragma once

#include <string>
#include <vector>

#include "engine/bank.h"
#include "engine/wave.h"
#include "window/window.h"

void ShowMessage(const char* text);
void ShowMessageF(const char* format, ...);
BOOL AskYesNo(const char* text);
BOOL AskYesNoF(const char* format, ...);

// Why a bank cannot be worked on, in the words of the rewrite's and the undo's messages.
const char* ProblemText(vox::BankError e);
// "Sounds 3, 7 and 12", shortened past ten.
std::string SoundNumbers(const std::vector<long>& sounds);
// new.sfx, left beside the bank, keeps a rewrite or an undo from starting.
void ReportInTheWay(const std::string& fresh);
