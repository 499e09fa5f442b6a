// The file properties Windows shows for the built programs: the release and the product.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "version.h"

namespace {

TEST(FileProperties, EachProgramShowsTheReleaseAndTheProduct)
{
    const std::vector<std::pair<std::string, std::string>> programs = {
        {VOXMEND_EXE, "voxmend"},
#ifdef VOXBANK_EXE
        {VOXBANK_EXE, "voxbank"},
#endif
    };
    for (const auto& [exe, name] : programs) {
        std::string path = "Z:" + exe;  // the build's own path, on Wine's drive for the root
        std::replace(path.begin(), path.end(), '/', '\\');
        DWORD ignored = 0, size = GetFileVersionInfoSizeA(path.c_str(), &ignored);
        std::vector<char> block(size);
        ASSERT_TRUE(size && GetFileVersionInfoA(path.c_str(), 0, size, block.data())) << exe << ": no version resource";
        auto text = [&block](const std::string& key) {
            char* value = nullptr;
            UINT length = 0;
            const std::string at = "\\StringFileInfo\\040904B0\\" + key;
            const bool found = VerQueryValueA(block.data(), at.c_str(), (void**)&value, &length) && length;
            return found ? std::string(value, strnlen(value, length)) : "(none)";
        };
        const std::pair<const char*, std::string> fields[] = {
            {"FileVersion", VOXMEND_VERSION}, {"ProductVersion", VOXMEND_VERSION}, {"ProductName", "Voxmend"},
            {"OriginalFilename", name + ".exe"}};
        for (const auto& [key, value] : fields)
            EXPECT_EQ(text(key), value) << exe << ": " << key;
        EXPECT_EQ(text("LegalCopyright").rfind("Copyright ", 0), 0u) << exe;
        EXPECT_EQ(text("FileDescription").rfind(name == "voxmend" ? "Voxmend" : "voxbank", 0), 0u) << exe;
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        ASSERT_TRUE(VerQueryValueA(block.data(), "\\", (void**)&fixed, &length) && length >= sizeof *fixed) << exe;
        EXPECT_EQ(fixed->dwFileVersionMS, (DWORD)MAKELONG(VOXMEND_VERSION_MINOR, VOXMEND_VERSION_MAJOR)) << exe;
    }
}

}  // namespace
