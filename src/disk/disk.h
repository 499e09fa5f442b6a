// The real files of this machine, for the engine.
#pragma once

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "engine/files.h"

namespace vox {

Files& Disk();

// A path as std::filesystem takes it, and a name it gives back as the programs hold names: on
// Windows they go through the process's code page, UTF-8 under the programs' manifest.
std::filesystem::path FsPath(const std::string& path);
std::string FsString(const std::filesystem::path& path);

// The names of the files in folder, not of the folders in it; error tells why it could not be read.
inline std::vector<std::string> FileNamesIn(const std::string& folder, std::error_code* error)
{
    std::vector<std::string> names;
    for (std::filesystem::directory_iterator it(FsPath(folder), *error), end; !*error && it != end; it.increment(*error))
        if (it->is_regular_file(*error))
            names.push_back(FsString(it->path().filename()));
    return names;
}

#ifdef _WIN32
// Text in the process's code page (UTF-8 under the programs' manifest) as wide text; a path as
// the wide calls take it, long ones too; and wide text back in that code page.
std::wstring Widen(const std::string& text);
std::wstring WidePath(const std::string& path);
std::string FromWide(const wchar_t* text);
#endif

}  // namespace vox
