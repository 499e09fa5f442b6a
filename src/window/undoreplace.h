// Voxmend: Undo, which puts back the bank as it was before the last replace.
#pragma once

void UndoReplace();
