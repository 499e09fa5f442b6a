// The file properties Windows shows for the built programs: the release and the product.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "version.h"

namespace {

struct VersionInfo {
    std::vector<char> block;

    bool Load(std::string exe)
    {
        exe = "Z:" + exe;  // the build's own path, on Wine's drive for the root
        for (char& c : exe)
            c = c == '/' ? '\\' : c;
        DWORD ignored = 0, size = GetFileVersionInfoSizeA(exe.c_str(), &ignored);
        block.resize(size);
        return size != 0 && GetFileVersionInfoA(exe.c_str(), 0, size, block.data());
    }
    std::string Text(const std::string& name)
    {
        char* value = nullptr;
        UINT length = 0;
        std::string path = "\\StringFileInfo\\040904B0\\" + name;
        if (!VerQueryValueA(block.data(), path.c_str(), (void**)&value, &length) || length == 0)
            return "(none)";
        return std::string(value, strnlen(value, length));
    }
    DWORD FileVersionHigh()
    {
        VS_FIXEDFILEINFO* fixed = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(block.data(), "\\", (void**)&fixed, &length) || length < sizeof *fixed)
            return 0;
        return fixed->dwFileVersionMS;
    }
};

TEST(FileProperties, EachProgramShowsTheReleaseAndTheProduct)
{
    struct Program {
        std::string exe, name;
    };
    const std::vector<Program> programs = {
        {VOXMEND_EXE, "voxmend"},
#ifdef VOXBANK_EXE
        {VOXBANK_EXE, "voxbank"},
#endif
    };
    for (const Program& p : programs) {
        VersionInfo info;
        ASSERT_TRUE(info.Load(p.exe)) << p.exe << ": no version resource";
        EXPECT_EQ(info.Text("FileVersion"), VOXMEND_VERSION) << p.exe;
        EXPECT_EQ(info.Text("ProductVersion"), VOXMEND_VERSION) << p.exe;
        EXPECT_EQ(info.Text("ProductName"), "Voxmend") << p.exe;
        EXPECT_EQ(info.Text("OriginalFilename"), p.name + ".exe") << p.exe;
        EXPECT_EQ(info.Text("LegalCopyright").rfind("Copyright ", 0), 0u) << p.exe;
        EXPECT_EQ(info.Text("FileDescription").rfind(p.name == "voxmend" ? "Voxmend" : "voxbank", 0), 0u) << p.exe;
        EXPECT_EQ(info.FileVersionHigh(), (DWORD)MAKELONG(VOXMEND_VERSION_MINOR, VOXMEND_VERSION_MAJOR)) << p.exe;
    }
}

}  // namespace
