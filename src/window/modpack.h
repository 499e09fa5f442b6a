// Voxmend: mod packs: the open bank's changes against its original made into a pack, and a
// pack applied to the open bank in one rewrite that Undo takes back.
#pragma once

// Asks for the original bank and where to save the pack, and says what it packed or why not.
void MakeModPack();
// Asks for a pack and applies it.
void ApplyModPack();
// Checks the pack at path, asks once, and applies it in one rewrite; a pack that cannot be
// applied gets one message and leaves the bank as it was.
void ApplyModPackFile(const char* path);
