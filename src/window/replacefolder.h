// Voxmend: Replace from Folder: the sounds of a folder taken back into the open bank.
#pragma once

void ReplaceFromFolder();
