// Voxmend: any audio file converted to the format a sound of the open bank is stored in, where
// this build has the conversion's libraries, its progress shown in the path line; and which
// files those libraries take.
#pragma once

#include <string>

#include "engine/wave.h"
#include "window/window.h"

// Whether this build converts.
BOOL CanConvert();
// The same, said to the user when it does not.
BOOL ConversionBuilt();
// The Open dialog's filters for the kinds of audio file this build reads, pairs of description
// and pattern: all of them together, then each on its own; none without conversion.
std::string AudioFilters();
// Whether the file's name is one of a kind of audio file this build reads.
BOOL IsAudioFileName(const char* path);
// The file at path converted to the format sound l is stored in, doing ("Converting x.flac")
// shown in the path line with the part done; the caller puts the path line back. converted
// tells what became what, in voxbank's words. FALSE after one message naming the file and why.
// The sound made is kept: the same file, unchanged in size and time, for the same format is not
// converted again.
BOOL ConvertForSound(const char* path, long l, const std::string& doing, vox::Sound* sound, std::string* converted);
// Lets the kept conversion go, once the Replace dialog is done with it.
void ForgetConversion();
