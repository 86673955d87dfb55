// The documents a start is given: the command line as Windows hands it
// over (UTF-16), and the hand-over from a later copy to the running one.

#include "runtime/command_line.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "runtime/single_instance.h"

namespace dovrel {
namespace {

std::wstring CurrentFolderWide()
{
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    std::wstring path = folder;
    if (path.back() == L'\\') path.pop_back();
    return path;
}

// "~" in an expected path stands for the current folder.
std::vector<std::wstring> Resolved(std::vector<std::wstring> paths)
{
    for (std::wstring& path : paths) {
        if (path.compare(0, 1, L"~") == 0) path = CurrentFolderWide() + path.substr(1);
    }
    return paths;
}

const std::wstring kLongFolder = L"C:\\" + std::wstring(120, L'a') + L" b\\" + std::wstring(120, L'c') + L" d";

struct CommandLineCase {
    const char* name;
    std::wstring commandLine;
    std::vector<std::wstring> documents;
};
void PrintTo(const CommandLineCase& row, std::ostream* out) { *out << row.name; }

class CommandLineTest : public testing::TestWithParam<CommandLineCase> {};

TEST_P(CommandLineTest, GivesEachDocumentAsAFullPath)
{
    EXPECT_EQ(DocumentsFromCommandLine(GetParam().commandLine.c_str()), Resolved(GetParam().documents));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CommandLineTest,
    testing::Values(
        CommandLineCase{"ProgramAlone", L"\"C:\\Program Files\\Dovrel\\Dovrel.exe\"", {}},
        CommandLineCase{"EmptyLine", L"", {}},
        CommandLineCase{"Quoted", L"Dovrel.exe \"C:\\docs\\a b.pptx\"", {L"C:\\docs\\a b.pptx"}},
        CommandLineCase{"Unquoted", L"Dovrel.exe C:\\docs\\a.pptx", {L"C:\\docs\\a.pptx"}},
        CommandLineCase{"Relative", L"Dovrel.exe a.pptx sub\\..\\b.docx", {L"~\\a.pptx", L"~\\b.docx"}},
        CommandLineCase{"ChineseName", L"Dovrel.exe \"C:\\资料\\年度 报告.pptx\"", {L"C:\\资料\\年度 报告.pptx"}},
        CommandLineCase{
            "LongPathWithSpaces", L"Dovrel.exe \"" + kLongFolder + L"\\x y.docx\"", {kLongFolder + L"\\x y.docx"}},
        // A folder stands for its documents later, in the job: here it is a path like any.
        CommandLineCase{"Folder", L"Dovrel.exe C:\\资料 sub\\", {L"C:\\资料", L"~\\sub\\"}},
        // Its final "\\" before the closing quote is no escaped quote.
        CommandLineCase{"FoldersQuotedWithTheirFinalBackslash",
                        L"Dovrel.exe \"C:\\年度 资料\\\" \"D:\\\" \"E:\\b c\\\" f.pptx",
                        {L"C:\\年度 资料\\", L"D:\\", L"E:\\b c\\", L"~\\f.pptx"}},
        CommandLineCase{"SeveralAndEmptyOnesLeftOut",
                        L"Dovrel.exe \"\" C:\\a.xls \"C:\\b c.ppt\"   ",
                        {L"C:\\a.xls", L"C:\\b c.ppt"}}),
    [](const testing::TestParamInfo<CommandLineCase>& info) { return info.param.name; });

// The hand-over comes from another process: what does not add up is no
// hand-over at all.
struct HandOverCase {
    const char* name;
    ULONG_PTR kind;
    std::wstring payload;
    std::size_t bytesCut;  // taken off the payload's end
    bool taken;
    std::vector<std::wstring> documents;
};
void PrintTo(const HandOverCase& row, std::ostream* out) { *out << row.name; }

class HandOverTest : public testing::TestWithParam<HandOverCase> {};

TEST_P(HandOverTest, TakesOnlyAWholeHandOver)
{
    std::wstring payload = GetParam().payload;
    COPYDATASTRUCT data{GetParam().kind, static_cast<DWORD>(payload.size() * sizeof(wchar_t) - GetParam().bytesCut),
                        payload.empty() ? nullptr : &payload[0]};
    auto documents = DocumentsFromHandOver(data);
    ASSERT_EQ(documents.has_value(), GetParam().taken);
    if (documents) {
        EXPECT_EQ(*documents, GetParam().documents);
    }
}

const std::wstring kTwo = HandOverPayload({L"C:\\一.pptx", L"D:\\b c.docx"});

INSTANTIATE_TEST_SUITE_P(
    Rows, HandOverTest,
    testing::Values(HandOverCase{"Two", kHandOverDocuments, kTwo, 0, true, {L"C:\\一.pptx", L"D:\\b c.docx"}},
                    HandOverCase{"OtherKind", 7, kTwo, 0, false, {}},
                    HandOverCase{"Empty", kHandOverDocuments, L"", 0, false, {}},
                    HandOverCase{"LastOneUnended", kHandOverDocuments, kTwo, 2, false, {}},
                    HandOverCase{"OddSize", kHandOverDocuments, kTwo, 1, false, {}}),
    [](const testing::TestParamInfo<HandOverCase>& info) { return info.param.name; });

}  // namespace
}  // namespace dovrel
