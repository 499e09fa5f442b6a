// Voxmend: a sound's menu, saving sounds as WAVE files, and files dropped on the window.
#pragma once

#include "window/window.h"

void SoundMenu(LPARAM at);
void SaveSelectedSound();
void SaveAllSounds();
void DropFiles(HDROP drop);
