// Paths as strings: a path's folder and name, and a name put in a folder.
#pragma once

#include <string>

namespace vox {

// The separator this system writes between a folder and a name.
#ifdef _WIN32
constexpr char kSeparator = '\\';
#else
constexpr char kSeparator = '/';
#endif

// The folder part of path, with its separator ("" for a bare name).
std::string FolderOf(const std::string& path);
// The name part of path.
std::string NameOf(const std::string& path);
// name in folder, joined by separator unless the folder is empty or already ends in one (a
// drive root, "wav/").
std::string InFolder(const std::string& folder, const std::string& name, char separator = kSeparator);

}  // namespace vox
