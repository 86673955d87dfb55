// Every program we ship starts on a clean Windows 7 SP1 or later: it
// imports only DLLs that System32 has there. Wine ships many more (its own
// zlib1.dll among them), so a run under Wine cannot show a missing one;
// the import directories of the files themselves can.

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <string>
#include <vector>

#include "core/base/little_endian.h"
#include "tests/support/program_under_test.h"
#include "tests/support/temp_folder.h"

namespace dovrel::test {
namespace {

// The DLLs every Windows from 7 SP1 on has in System32, in lower case.
const std::set<std::string> kSystemDlls = {
    "advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll",  "kernel32.dll", "msvcrt.dll",  "ole32.dll",
    "oleaut32.dll", "shell32.dll",  "shlwapi.dll",  "user32.dll", "uxtheme.dll",  "version.dll", "windowscodecs.dll",
};

// The names of the DLLs a PE file imports, through its import and its
// delay-load directories; a failure text instead when the file is not a
// PE image whose directories lie inside it.
struct Imports {
    std::vector<std::string> dlls;
    std::string failure;
};

Imports ReadImports(const std::string& bytes)
{
    Imports result;
    const std::string_view file(bytes);
    auto fits = [&](std::size_t at, std::size_t size) { return at <= file.size() && size <= file.size() - at; };
    if (!fits(0, 64) || file.substr(0, 2) != "MZ") return {{}, "no MZ header"};
    const std::size_t pe = ReadLe32(file, 60);
    if (!fits(pe, 24) || file.substr(pe, 4) != std::string_view("PE\0\0", 4)) return {{}, "no PE header"};
    const std::size_t sectionCount = ReadLe16(file, pe + 6);
    const std::size_t optional = pe + 24;
    const std::size_t optionalSize = ReadLe16(file, pe + 20);
    if (!fits(optional, optionalSize) || optionalSize < 2) return {{}, "optional header cut short"};
    const bool pe32Plus = ReadLe16(file, optional) == 0x20B;
    const std::size_t directories = optional + (pe32Plus ? 112 : 96);
    const std::uint64_t imageBase =
        pe32Plus ? (ReadLe32(file, optional + 24) | static_cast<std::uint64_t>(ReadLe32(file, optional + 28)) << 32)
                 : ReadLe32(file, optional + 28);
    const std::size_t directoryCount = ReadLe32(file, directories - 4);
    const std::size_t sections = optional + optionalSize;
    if (!fits(sections, sectionCount * 40)) return {{}, "section table cut short"};

    // A relative virtual address as a file offset, or npos.
    auto offsetOf = [&](std::uint64_t rva) -> std::size_t {
        for (std::size_t s = 0; s < sectionCount; ++s) {
            const std::size_t header = sections + s * 40;
            const std::uint32_t start = ReadLe32(file, header + 12), rawSize = ReadLe32(file, header + 16);
            if (rva >= start && rva - start < rawSize) return ReadLe32(file, header + 20) + (rva - start);
        }
        return std::string::npos;
    };
    auto nameAt = [&](std::uint64_t rva, std::string* name) {
        const std::size_t at = offsetOf(rva);
        const std::size_t end = at < file.size() ? file.find('\0', at) : std::string::npos;
        if (end == std::string::npos) return false;
        name->assign(file.substr(at, end - at));
        return true;
    };
    // Directory 1 holds 20-byte descriptors with the name at +12; directory
    // 13 32-byte ones with the name at +4 (an address, not relative, when
    // bit 0 of their attributes is clear). Both end with a zero entry.
    struct Directory {
        std::size_t index, entrySize, nameAt;
    };
    for (const Directory& directory : {Directory{1, 20, 12}, Directory{13, 32, 4}}) {
        if (directory.index >= directoryCount || !fits(directories, (directory.index + 1) * 8)) continue;
        const std::uint32_t rva = ReadLe32(file, directories + directory.index * 8);
        if (rva == 0) continue;
        std::size_t at = offsetOf(rva);
        for (;; at += directory.entrySize) {
            if (!fits(at, directory.entrySize)) return {{}, "import directory runs past the file"};
            std::uint64_t name = ReadLe32(file, at + directory.nameAt);
            if (name == 0) break;
            if (directory.index == 13 && !(ReadLe32(file, at) & 1)) name -= imageBase;
            std::string dll;
            if (!nameAt(name, &dll)) return {{}, "a DLL name outside the file"};
            std::transform(dll.begin(), dll.end(), dll.begin(),
                           [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
            result.dlls.push_back(dll);
        }
    }
    return result;
}

struct ShippedProgram {
    const char* name;
    const char* path;  // in the build folder
    bool built;        // this build makes it
};
void PrintTo(const ShippedProgram& program, std::ostream* out) { *out << program.path; }

class ImportTableTest : public testing::TestWithParam<ShippedProgram> {};

TEST_P(ImportTableTest, ImportsOnlyDllsThatWindowsHasInSystem32)
{
    const std::string path = BuildFolder() + "\\" + GetParam().path;
    if (!GetParam().built) GTEST_SKIP() << GetParam().path << " is not made by this build";
    const std::string bytes = ReadFileBytes(path);
    ASSERT_FALSE(bytes.empty()) << path;
    const Imports imports = ReadImports(bytes);
    ASSERT_EQ(imports.failure, "");
    EXPECT_TRUE(std::count(imports.dlls.begin(), imports.dlls.end(), "kernel32.dll")) << "no imports read";
    for (const std::string& dll : imports.dlls) EXPECT_TRUE(kSystemDlls.count(dll)) << dll;
}

INSTANTIATE_TEST_SUITE_P(Shipped, ImportTableTest,
                         testing::Values(ShippedProgram{"Program", "Dovrel.exe", true},
                                         ShippedProgram{"ProgramX86", "x86\\Dovrel.exe", DOVREL_SHIPS_X86 != 0},
                                         ShippedProgram{"Setup", DOVREL_SETUP_FILE, DOVREL_SHIPS_SETUP != 0}),
                         [](const testing::TestParamInfo<ShippedProgram>& info) { return info.param.name; });

// A file that is no image, or whose directory runs off its end, is a
// failure, not a pass with no DLLs.
TEST(ImportTableReader, RefusesWhatIsNoImage)
{
    EXPECT_EQ(ReadImports("").failure, "no MZ header");
    EXPECT_EQ(ReadImports(std::string("MZ") + std::string(62, '\0')).failure, "no PE header");
    std::string program = ReadFileBytes(ProgramPath());
    ASSERT_GT(program.size(), 4096u);
    EXPECT_NE(ReadImports(program.substr(0, 1024)).failure, "");
}

}  // namespace
}  // namespace dovrel::test
