// Voxmend: a sound's menu, saving sounds as WAVE files, and files dropped on the window.
#pragma once

#include <string>
#include <vector>

#include "window/window.h"

void SoundMenu(LPARAM at);
void SaveSelectedSound();
void SaveAllSounds();
void DropFiles(HDROP drop);
// Asks for a folder, starting in the current one, under title.
BOOL ChooseFolder(const char* title, std::string* folder);
