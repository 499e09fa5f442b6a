// Paths as strings, by the rules of the system the engine is built for.
#include "engine/paths.h"

namespace vox {

std::string FolderOf(const std::string& path)
{
#ifdef _WIN32
    size_t slash = path.find_last_of("\\/:");
#else
    size_t slash = path.rfind('/');
#endif
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

std::string NameOf(const std::string& path)
{
    return path.substr(FolderOf(path).size());
}

std::string InFolder(const std::string& folder, const std::string& name, char separator)
{
    if (folder.empty() || FolderOf(folder + "x") == folder)
        return folder + name;
    return folder + separator + name;
}

}  // namespace vox
