// What Dovrel.exe tells Windows about itself: the version resource that
// Explorer's Properties shows, and the manifest the loader reads.

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "tests/support/program_under_test.h"

namespace dovrel::test {
namespace {

TEST(ProgramFile, NamesItselfAndItsVersionInChinese)
{
    const std::string path = ProgramPath();
    DWORD size = GetFileVersionInfoSizeA(path.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    std::vector<char> data(size);
    ASSERT_TRUE(GetFileVersionInfoA(path.c_str(), 0, size, data.data()));
    auto value = [&](const std::string& name) {
        void* text = nullptr;
        UINT length = 0;
        std::string query = "\\StringFileInfo\\080404B0\\" + name;
        return VerQueryValueA(data.data(), query.c_str(), &text, &length) ? std::string(static_cast<char*>(text))
                                                                          : std::string("(none)");
    };
    EXPECT_EQ(value("ProductName"), "Dovrel");
    EXPECT_EQ(value("FileDescription"), "Office 文档图片与视频提取工具");  // code page 936 bytes here
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(value("FileVersion"), std::to_string(HIWORD(fixed->dwFileVersionMS)) + "." +
                                        std::to_string(LOWORD(fixed->dwFileVersionMS)) + "." +
                                        std::to_string(HIWORD(fixed->dwFileVersionLS)) + "." +
                                        std::to_string(LOWORD(fixed->dwFileVersionLS)));
    EXPECT_NE(fixed->dwFileVersionMS, 0u);
}

TEST(ProgramFile, AsksForVisualStylesAndPerMonitorScaling)
{
    HMODULE program = LoadLibraryExA(ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_TRUE(program);
    HRSRC found = FindResourceA(program, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    ASSERT_TRUE(found);
    const char* bytes = static_cast<const char*>(LockResource(LoadResource(program, found)));
    const std::string manifest(bytes, SizeofResource(program, found));
    for (const char* part : {"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"", ">PerMonitorV2", ">true/pm<",
                             "level=\"asInvoker\"", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}) {
        EXPECT_NE(manifest.find(part), std::string::npos) << part;
    }
    FreeLibrary(program);
}

}  // namespace
}  // namespace dovrel::test
