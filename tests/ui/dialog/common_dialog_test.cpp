#include <gtest/gtest.h>
#include <windows.h>
#include <commdlg.h>

#include <climits>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/current_folder.h"
#include "tests/support/temp_folder.h"
#include "ui/dialog/common_dialog.h"
#include "ui/dialog/file_dialog_seam.h"

namespace dovrel {
namespace {

using namespace std::string_literals;

constexpr DWORD kAlwaysOn = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLESIZING;

// "Office文档（*.ppt,*.pptx,*.doc,*.docx,*.xls,*.xlsx）" in code page 936.
const Text kOfficeDescription = "Office\xCE\xC4\xB5\xB5\xA3\xA8*.ppt,*.pptx,*.doc,*.docx,*.xls,*.xlsx\xA3\xA9";
const Text kOfficePatterns =
    "*.ppt;*.pptx;*.doc;*.docx;*.xls;*.xlsx;*.pptm;*.ppsx;*.ppsm;*.potx;*.potm;*.docm;*.dotx;*.dotm;*.xlsm;*.xlsb;"
    "*.xltx;*.xltm";
// "演示文稿（*.ppt,*.pptx,*.pptm,*.ppsx,*.ppsm,*.potx,*.potm）" and "所有文件（*.*）".
const Text kPresentations =
    "\xD1\xDD\xCA\xBE\xCE\xC4\xB8\xE5\xA3\xA8*.ppt,*.pptx,*.pptm,*.ppsx,*.ppsm,*.potx,*.potm\xA3\xA9";
const Text kPresentationPatterns = "*.ppt;*.pptx;*.pptm;*.ppsx;*.ppsm;*.potx;*.potm";
const Text kAllFiles = "\xCB\xF9\xD3\xD0\xCE\xC4\xBC\xFE\xA3\xA8*.*\xA3\xA9";

// ---- properties ----------------------------------------------------------

TEST(CommonDialogComponent, TypeNames)
{
    EXPECT_STREQ(CommonDialog::kTypeName, "\xCD\xA8\xD3\xC3\xB6\xD4\xBB\xB0\xBF\xF2");
    EXPECT_STREQ(CommonDialog::kEnglishTypeName, "CommonDlg");
}

TEST(CommonDialogComponent, NewComponentHasTheDefaultsOfAPlacedOne)
{
    CommonDialog dialog;
    const std::vector<std::pair<int, std::int32_t>> integers = {{8, 0},  {12, 0}, {15, 0}, {16, 1},
                                                                {17, 1}, {18, 1}, {19, 0}};
    for (auto [index, value] : integers) EXPECT_EQ(dialog.IntegerProperty(index), value) << "index " << index;
    for (int index : {9, 10, 11, 13, 14}) EXPECT_EQ(dialog.TextProperty(index), Text()) << "index " << index;
    EXPECT_EQ(FileDialogFlags(dialog), kAlwaysOn | OFN_FILEMUSTEXIST | OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST);
}

struct IntegerWrite {
    int index;
    std::int32_t written;
    std::int32_t stored;
};

void PrintTo(const IntegerWrite& c, std::ostream* out)
{
    *out << "index " << c.index << " written " << c.written << " stored " << c.stored;
}

class IntegerProperties : public testing::TestWithParam<IntegerWrite> {};

TEST_P(IntegerProperties, AreStoredInTheirRangeAndSeenByTheNamedAccessor)
{
    const IntegerWrite& c = GetParam();
    CommonDialog dialog;
    ASSERT_TRUE(dialog.SetProperty(c.index, c.written));
    EXPECT_EQ(dialog.IntegerProperty(c.index), c.stored);
    std::int32_t named = 0;
    switch (c.index) {
    case 8: named = dialog.DialogKind(); break;
    case 12: named = dialog.FilterIndex(); break;
    case 15: named = dialog.CreatePrompt(); break;
    case 16: named = dialog.FileMustExist(); break;
    case 17: named = dialog.OverwritePrompt(); break;
    case 18: named = dialog.PathMustExist(); break;
    case 19: named = dialog.KeepCurrentFolder(); break;
    default: FAIL() << "not an integer property";
    }
    EXPECT_EQ(named, c.stored);
}

INSTANTIATE_TEST_SUITE_P(ClampsAndBooleans, IntegerProperties,
                         testing::Values(IntegerWrite{8, 1, 1}, IntegerWrite{8, 3, 3}, IntegerWrite{8, 4, 3},
                                         IntegerWrite{8, INT_MAX, 3}, IntegerWrite{8, -1, 0},
                                         IntegerWrite{8, INT_MIN, 0}, IntegerWrite{12, 5, 5}, IntegerWrite{12, -1, 0},
                                         IntegerWrite{12, INT_MIN, 0}, IntegerWrite{15, 2, 1}, IntegerWrite{16, 0, 0},
                                         IntegerWrite{17, -7, 1}, IntegerWrite{18, 0, 0}, IntegerWrite{19, 1, 1}));

TEST(CommonDialogComponent, NamedWritesClampLikeIndexedOnes)
{
    CommonDialog dialog;
    dialog.SetDialogKind(9);
    dialog.SetFilterIndex(-3);
    EXPECT_EQ(dialog.DialogKind(), 3);
    EXPECT_EQ(dialog.FilterIndex(), 0);
}

TEST(CommonDialogComponent, TextPropertiesByIndexAreTheNamedOnes)
{
    CommonDialog dialog;
    for (int index : {9, 10, 11, 13, 14}) ASSERT_TRUE(dialog.SetProperty(index, "t" + std::to_string(index)));
    EXPECT_EQ(dialog.DialogTitle(), "t9");
    EXPECT_EQ(dialog.FileName(), "t10");
    EXPECT_EQ(dialog.Filter(), "t11");
    EXPECT_EQ(dialog.InitialFolder(), "t13");
    EXPECT_EQ(dialog.DefaultExtension(), "t14");
    dialog.SetFileName("C:\\\xCE\xC4.pptx");
    EXPECT_EQ(dialog.TextProperty(10), "C:\\\xCE\xC4.pptx");
}

TEST(CommonDialogComponent, UnknownIndexOrWrongKindOfValueChangesNothing)
{
    CommonDialog dialog;
    for (int index : {-1, 0, 7, 20, 29}) {
        EXPECT_FALSE(dialog.SetProperty(index, 1)) << index;
        EXPECT_FALSE(dialog.SetProperty(index, "x")) << index;
        EXPECT_FALSE(dialog.IntegerProperty(index)) << index;
        EXPECT_FALSE(dialog.TextProperty(index)) << index;
    }
    EXPECT_FALSE(dialog.SetProperty(8, "2"));
    EXPECT_FALSE(dialog.SetProperty(10, 5));
    EXPECT_FALSE(dialog.IntegerProperty(10));
    EXPECT_FALSE(dialog.TextProperty(16));
    EXPECT_EQ(dialog.DialogKind(), 0);
    EXPECT_EQ(dialog.FileName(), "");
}

// ---- flags ---------------------------------------------------------------

struct Switches {
    bool createPrompt, fileMustExist, overwritePrompt, pathMustExist, keepCurrentFolder;
    DWORD flags;
};

class FlagBits : public testing::TestWithParam<Switches> {};

TEST_P(FlagBits, OneBitPerSwitchOverTheFixedOnes)
{
    const Switches& c = GetParam();
    CommonDialog dialog;
    dialog.SetCreatePrompt(c.createPrompt);
    dialog.SetFileMustExist(c.fileMustExist);
    dialog.SetOverwritePrompt(c.overwritePrompt);
    dialog.SetPathMustExist(c.pathMustExist);
    dialog.SetKeepCurrentFolder(c.keepCurrentFolder);
    EXPECT_EQ(FileDialogFlags(dialog), c.flags);
}

INSTANTIATE_TEST_SUITE_P(Switches, FlagBits,
                         testing::Values(Switches{false, false, false, false, false, 0x880004},
                                         Switches{true, false, false, false, false, 0x882004},
                                         Switches{false, true, false, false, false, 0x881004},
                                         Switches{false, false, true, false, false, 0x880006},
                                         Switches{false, false, false, true, false, 0x880804},
                                         Switches{false, false, false, false, true, 0x88000C},
                                         Switches{true, true, true, true, true, 0x88380E}));

TEST(MultipleFiles, AreAllowedInTheOpenDialogOnly)
{
    CommonDialog dialog;
    dialog.SetAllowMultipleFiles(true);
    EXPECT_EQ(FileDialogFlags(dialog) & OFN_ALLOWMULTISELECT, static_cast<DWORD>(OFN_ALLOWMULTISELECT));
    EXPECT_GT(FileBufferSize(dialog), 4096u);
    dialog.SetDialogKind(CommonDialog::kSaveFile);
    EXPECT_EQ(FileDialogFlags(dialog) & OFN_ALLOWMULTISELECT, 0u);
    EXPECT_EQ(FileBufferSize(dialog), static_cast<DWORD>(MAX_PATH));
}

// ---- the chosen files --------------------------------------------------------

struct ChosenCase {
    const char* name;
    std::string buffer;  // as the dialog left it
    std::size_t fileOffset;
    std::vector<Text> paths;
};

void PrintTo(const ChosenCase& c, std::ostream* out) { *out << c.name; }

class ChosenFileList : public testing::TestWithParam<ChosenCase> {};

TEST_P(ChosenFileList, IsOnePathOrAFolderWithItsNames)
{
    EXPECT_EQ(ChosenFiles(GetParam().buffer.data(), GetParam().buffer.size(), GetParam().fileOffset), GetParam().paths);
}

INSTANTIATE_TEST_SUITE_P(
    Buffers, ChosenFileList,
    testing::Values(ChosenCase{"OnePath", "C:\\d\\a.pptx\0\0"s, 5, {"C:\\d\\a.pptx"}},
                    // A longer start name leaves bytes after the answer's zero.
                    ChosenCase{"OnePathOverAnOldLongerName", "C:\\b.xlsx\0e_name.pptx\0\0"s, 3, {"C:\\b.xlsx"}},
                    ChosenCase{"TwoNames", "C:\\d\0a.pptx\0b.docx\0\0"s, 5, {"C:\\d\\a.pptx", "C:\\d\\b.docx"}},
                    ChosenCase{"InADrivesRoot", "C:\\\0a.pptx\0b.docx\0\0"s, 4, {"C:\\a.pptx", "C:\\b.docx"}},
                    // 乗 (0x81 0x5C) ends the folder with the "\" byte: a separator is still added.
                    ChosenCase{"FolderEndingInATrailByte", "C:\\\x81\x5C\0a\0\0"s, 6, {"C:\\\x81\x5C\\a"}},
                    ChosenCase{
                        "ListRunningToTheEndOfTheBuffer", "C:\\d\0a.pptx\0b.do"s, 5, {"C:\\d\\a.pptx", "C:\\d\\b.do"}},
                    ChosenCase{"Empty", "\0\0"s, 0, {}}, ChosenCase{"NoBuffer", ""s, 0, {}}),
    [](const testing::TestParamInfo<ChosenCase>& info) { return std::string(info.param.name); });

// ---- filter list -----------------------------------------------------------

struct FilterCase {
    const char* name;
    Text filter;
    Text list;
};

void PrintTo(const FilterCase& c, std::ostream* out) { *out << c.name; }

class FilterConversion : public testing::TestWithParam<FilterCase> {};

TEST_P(FilterConversion, GivesZeroSeparatedPairsEndingInAnEmptyString)
{
    EXPECT_EQ(FilterList(GetParam().filter), GetParam().list);
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, FilterConversion,
    testing::Values(FilterCase{"OnePairWithoutTrailingBar", "Text|*.txt", "Text\0*.txt\0\0"s},
                    FilterCase{"AlreadyEndingInTwoBars", "Text|*.txt||", "Text\0*.txt\0\0"s},
                    FilterCase{"EndingInOneBar", "Text|*.txt|", "Text\0*.txt\0\0\0"s},
                    FilterCase{"TwoPairs", "A|*.a|B|*.b;*.c", "A\0*.a\0B\0*.b;*.c\0\0"s},
                    FilterCase{"TrailingBlanksRemoved", "Text|*.txt \t\r\n", "Text\0*.txt\0\0"s},
                    FilterCase{"BlanksAfterTwoBarsRemovedBeforeTheCheck", "Text|*.txt||  ", "Text\0*.txt\0\0"s},
                    FilterCase{"InnerBlanksKept", " A B | *.a ", " A B \0 *.a\0\0"s}, FilterCase{"Empty", "", ""},
                    FilterCase{"OnlyBlanks", " \t ", ""},
                    FilterCase{"Office",
                               kOfficeDescription + "|" + kOfficePatterns + "|" + kPresentations + "|" +
                                   kPresentationPatterns + "|" + kAllFiles + "|*.*",
                               kOfficeDescription + "\0"s + kOfficePatterns + "\0"s + kPresentations + "\0"s +
                                   kPresentationPatterns + "\0"s + kAllFiles + "\0*.*\0\0"s},
                    // 東 is 0x96 0x7C: its trail byte is the bar's byte and stays.
                    FilterCase{"BarByteInsideDoubleByteCharacter", "\x96\x7C|*.x", "\x96\x7C\0*.x\0\0"s},
                    FilterCase{"DoubleByteBarBeforeFinalBar", "A|*.\x96\x7C|", "A\0*.\x96\x7C\0\0\0"s},
                    FilterCase{"LoneLeadByteAtTheEndDropped", "A|*.a\x81", "A\0*.a\0\0"s}),
    [](const testing::TestParamInfo<FilterCase>& info) { return std::string(info.param.name); });

struct FilterIndexCase {
    Text filter;
    std::int32_t written;
    DWORD passed;
};

class FilterIndexPassed : public testing::TestWithParam<FilterIndexCase> {};

TEST_P(FilterIndexPassed, IsOneBasedAndZeroWithoutAFilter)
{
    CommonDialog dialog;
    dialog.SetFilter(GetParam().filter);
    dialog.SetFilterIndex(GetParam().written);
    EXPECT_EQ(FileDialogFilterIndex(dialog), GetParam().passed);
}

INSTANTIATE_TEST_SUITE_P(Cases, FilterIndexPassed,
                         testing::Values(FilterIndexCase{"A|*.a", 0, 1}, FilterIndexCase{"A|*.a|B|*.b", 1, 2},
                                         FilterIndexCase{"A|*.a", -4, 1}, FilterIndexCase{"", 0, 0},
                                         FilterIndexCase{"", 3, 0}, FilterIndexCase{"   ", 2, 0}));

// ---- file buffer -----------------------------------------------------------

TEST(InitialFileBuffer, KeepsAtMost259Bytes)
{
    EXPECT_EQ(InitialFileBuffer(""), "");
    EXPECT_EQ(InitialFileBuffer(Text(259, 'a')), Text(259, 'a'));
    EXPECT_EQ(InitialFileBuffer(Text(300, 'a')), Text(259, 'a'));
}

TEST(InitialFileBuffer, NeverSplitsADoubleByteCharacter)
{
    const Text name = Text(258, 'a') + "\xCE\xC4" + "b";
    EXPECT_EQ(InitialFileBuffer(name), Text(258, 'a'));
    EXPECT_EQ(InitialFileBuffer(Text(257, 'a') + "\xCE\xC4" + "b"), Text(257, 'a') + "\xCE\xC4");
}

// ---- the request handed to the platform ------------------------------------

// Records the request and answers as told, writing `chosen` into the file
// buffer first (even when failing, to prove nothing is taken from it).
class RecordingDialogs final : public FileDialogSeam {
public:
    bool OpenFile(OPENFILENAMEA& request) override { return Answer("open", request); }
    bool SaveFile(OPENFILENAMEA& request) override { return Answer("save", request); }
    bool PickFolder(const FolderDialogRequest& r, Text& folder) override
    {
        calls.push_back("folder");
        folderRequest = r;
        if (!browsedFolder.empty()) SetCurrentDirectoryA(browsedFolder.c_str());
        if (succeed) folder = chosenFolder;
        return succeed;
    }
    int ChooseFromMenu(HWND, POINT, const std::vector<Text>&) override { return 0; }

    bool succeed = true;
    Text chosenFolder = "C:\\docs\\decks";
    FolderDialogRequest folderRequest;
    Text chosen = "C:\\docs\\deck.pptx";
    Text browsedFolder;  // made current during the call, as a browsing user would
    std::vector<std::string> calls;
    OPENFILENAMEA request = {};
    Text filterList;                // up to and with the terminating empty string
    Text fileBuffer;                // the file buffer as it came, up to its zero
    bool fileBufferZeroed = false;  // every byte after the name is zero

private:
    bool Answer(const char* kind, OPENFILENAMEA& r)
    {
        calls.push_back(kind);
        request = r;
        filterList.clear();
        for (const char* entry = r.lpstrFilter; entry && *entry; entry += std::strlen(entry) + 1)
            filterList += Text(entry) + '\0';
        if (r.lpstrFilter) filterList += '\0';
        fileBuffer = r.lpstrFile;
        fileBufferZeroed = true;
        for (DWORD at = static_cast<DWORD>(fileBuffer.size()); at < r.nMaxFile; ++at)
            fileBufferZeroed = fileBufferZeroed && r.lpstrFile[at] == '\0';
        std::strncpy(r.lpstrFile, chosen.c_str(), r.nMaxFile - 1);
        if (!browsedFolder.empty()) SetCurrentDirectoryA(browsedFolder.c_str());
        return succeed;
    }
};

class FileDialogRequest : public testing::Test {
protected:
    test::ScopedOverride<std::string> guard{test::SwapCurrentFolder, test::CurrentFolder()};
    RecordingDialogs dialogs;
    test::ScopedOverride<FileDialogSeam*> seam{InstallFileDialogSeam, &dialogs};
    CommonDialog dialog;
};

TEST_F(FileDialogRequest, DefaultComponentPassesNoOptionalTexts)
{
    ASSERT_TRUE(ShowFileDialog(dialog));
    ASSERT_EQ(dialogs.calls, std::vector<std::string>{"open"});
    const OPENFILENAMEA& r = dialogs.request;
    EXPECT_EQ(r.lStructSize, sizeof(OPENFILENAMEA));
    EXPECT_EQ(r.hwndOwner, nullptr);
    EXPECT_EQ(r.lpstrFilter, nullptr);
    EXPECT_EQ(r.nFilterIndex, 0u);
    EXPECT_EQ(r.lpstrCustomFilter, nullptr);
    EXPECT_EQ(r.nMaxFile, 260u);
    EXPECT_EQ(dialogs.fileBuffer, "");
    EXPECT_TRUE(dialogs.fileBufferZeroed);
    EXPECT_NE(r.lpstrFileTitle, nullptr);
    EXPECT_EQ(r.nMaxFileTitle, 64u);
    EXPECT_EQ(r.lpstrInitialDir, nullptr);
    EXPECT_EQ(r.lpstrTitle, nullptr);
    EXPECT_EQ(r.lpstrDefExt, nullptr);
    EXPECT_EQ(r.Flags, FileDialogFlags(dialog));
    EXPECT_EQ(dialog.FileName(), "C:\\docs\\deck.pptx");
}

TEST_F(FileDialogRequest, CarriesEveryTextThatIsSet)
{
    dialog.SetDialogTitle("\xD1\xA1\xD4\xF1");
    dialog.SetFilter(kOfficeDescription + "|" + kOfficePatterns);
    dialog.SetInitialFolder("C:\\work");
    dialog.SetDefaultExtension("pptx");
    dialog.SetFileName("C:\\old\\a.docx");
    dialog.SetKeepCurrentFolder(true);
    HWND owner = reinterpret_cast<HWND>(0x1234);
    ASSERT_TRUE(ShowFileDialog(dialog, owner));
    const OPENFILENAMEA& r = dialogs.request;
    EXPECT_EQ(r.hwndOwner, owner);
    EXPECT_EQ(dialogs.filterList, FilterList(dialog.Filter()));
    EXPECT_EQ(r.nFilterIndex, 1u);
    EXPECT_STREQ(r.lpstrTitle, "\xD1\xA1\xD4\xF1");
    EXPECT_STREQ(r.lpstrInitialDir, "C:\\work");
    EXPECT_STREQ(r.lpstrDefExt, "pptx");
    EXPECT_EQ(dialogs.fileBuffer, "C:\\old\\a.docx");
    EXPECT_TRUE(dialogs.fileBufferZeroed);
    EXPECT_EQ(r.Flags, FileDialogFlags(dialog));
}

TEST_F(FileDialogRequest, OverlongFileNameIsCutTo259Bytes)
{
    dialog.SetFileName(Text(400, 'x'));
    ASSERT_TRUE(ShowFileDialog(dialog));
    EXPECT_EQ(dialogs.fileBuffer, Text(259, 'x'));
}

TEST_F(FileDialogRequest, SaveKindCallsTheSaveDialog)
{
    dialog.SetDialogKind(CommonDialog::kSaveFile);
    ASSERT_TRUE(ShowFileDialog(dialog));
    EXPECT_EQ(dialogs.calls, std::vector<std::string>{"save"});
}

TEST_F(FileDialogRequest, FontAndHelpKindsAreNotShown)
{
    for (std::int32_t kind : {CommonDialog::kFont, CommonDialog::kHelp}) {
        dialog.SetDialogKind(kind);
        EXPECT_FALSE(ShowFileDialog(dialog));
    }
    EXPECT_TRUE(dialogs.calls.empty());
    EXPECT_EQ(dialog.FileName(), "");
}

TEST_F(FileDialogRequest, CancelOrFailureChangesNoProperty)
{
    dialog.SetFileName("C:\\old\\a.docx");
    dialog.SetFilter("A|*.a");
    dialog.SetFilterIndex(2);
    dialogs.succeed = false;
    EXPECT_FALSE(ShowFileDialog(dialog));
    EXPECT_EQ(dialog.FileName(), "C:\\old\\a.docx");
    EXPECT_EQ(dialog.Filter(), "A|*.a");
    EXPECT_EQ(dialog.FilterIndex(), 2);
}

TEST_F(FileDialogRequest, ConfirmedPathReplacesFileNameWhole)
{
    dialog.SetFileName("C:\\a\\much_longer_previous_name.pptx");
    dialogs.chosen = "C:\\\xCE\xC4\\b.xlsx";
    ASSERT_TRUE(ShowFileDialog(dialog));
    EXPECT_EQ(dialog.FileName(), "C:\\\xCE\xC4\\b.xlsx");
}

TEST_F(FileDialogRequest, FolderDialogHasItsTitleAndStartsWhereThePreviousChoiceWas)
{
    HWND owner = reinterpret_cast<HWND>(0x1234);
    dialog.SetInitialFolder("C:\\work");
    ASSERT_TRUE(ShowFolderDialog(dialog, owner));
    EXPECT_EQ(dialogs.calls, std::vector<std::string>{"folder"});
    EXPECT_EQ(dialogs.folderRequest.owner, owner);
    EXPECT_EQ(dialogs.folderRequest.title, "\xD1\xA1\xD4\xF1\xCE\xC4\xBC\xFE\xBC\xD0");  // 选择文件夹
    EXPECT_EQ(dialogs.folderRequest.initialFolder, "C:\\work");
    EXPECT_EQ(dialog.FileNames(), std::vector<Text>{"C:\\docs\\decks"});

    // The next one starts beside that folder; the component's own title wins.
    dialog.SetDialogTitle("\xD1\xA1\xD4\xF1");
    ASSERT_TRUE(ShowFolderDialog(dialog, owner));
    EXPECT_EQ(dialogs.folderRequest.title, "\xD1\xA1\xD4\xF1");
    EXPECT_EQ(dialogs.folderRequest.initialFolder, "C:\\docs");
}

TEST_F(FileDialogRequest, FolderDialogIsForTheOpenKindOnlyAndACancelChangesNothing)
{
    dialog.SetFileName("C:\\old\\a.docx");
    dialogs.succeed = false;
    EXPECT_FALSE(ShowFolderDialog(dialog));
    EXPECT_EQ(dialog.FileNames(), std::vector<Text>{"C:\\old\\a.docx"});
    dialogs.succeed = true;
    dialog.SetDialogKind(CommonDialog::kSaveFile);
    EXPECT_FALSE(ShowFolderDialog(dialog));
    EXPECT_EQ(dialogs.calls, std::vector<std::string>{"folder"});
}

// Answers "buffer too small" with the size it needs until the buffer has
// it, then a list of two files.
class SmallBufferDialogs final : public FileDialogSeam {
public:
    bool OpenFile(OPENFILENAMEA& r) override
    {
        sizes.push_back(r.nMaxFile);
        tooSmall = r.nMaxFile < needed;
        if (tooSmall) {
            r.lpstrFile[0] = static_cast<char>(needed & 0xFF);
            r.lpstrFile[1] = static_cast<char>(needed >> 8 & 0xFF);
            return false;
        }
        const std::string list = "C:\\d\0a.pptx\0b.docx\0\0"s;
        std::memcpy(r.lpstrFile, list.data(), list.size());
        r.nFileOffset = 5;
        return true;
    }
    bool SaveFile(OPENFILENAMEA&) override { return false; }
    bool PickFolder(const FolderDialogRequest&, Text&) override { return false; }
    int ChooseFromMenu(HWND, POINT, const std::vector<Text>&) override { return 0; }
    DWORD ExtendedError() override { return tooSmall ? FNERR_BUFFERTOOSMALL : 0; }

    DWORD needed = 0;
    bool tooSmall = false;
    std::vector<DWORD> sizes;
};

TEST(FileDialogBuffer, TooSmallAsksAgainWithTheSizeNeededAndGivesUpAtTheLimit)
{
    SmallBufferDialogs dialogs;
    test::ScopedOverride<FileDialogSeam*> seam{InstallFileDialogSeam, &dialogs};
    test::ScopedOverride<std::string> guard{test::SwapCurrentFolder, test::CurrentFolder()};
    CommonDialog dialog;
    dialog.SetAllowMultipleFiles(true);

    dialogs.needed = 50000;
    ASSERT_TRUE(ShowFileDialog(dialog));
    EXPECT_EQ(dialogs.sizes, (std::vector<DWORD>{FileBufferSize(dialog), 65536}));
    EXPECT_EQ(dialog.FileNames(), (std::vector<Text>{"C:\\d\\a.pptx", "C:\\d\\b.docx"}));
    EXPECT_EQ(dialog.FileName(), "C:\\d\\a.pptx");

    // A dialog that never has room enough is not asked for ever.
    dialogs.needed = kMaxFileBufferSize + 1;
    dialogs.sizes.clear();
    EXPECT_FALSE(ShowFileDialog(dialog));
    EXPECT_EQ(dialogs.sizes.back(), kMaxFileBufferSize);
    EXPECT_LE(dialogs.sizes.size(), 8u);
    EXPECT_EQ(dialog.FileName(), "C:\\d\\a.pptx");
}

// ---- the current folder afterwards ----------------------------------------

class CurrentFolderAfterDialog : public FileDialogRequest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateDirectoryA(browsed.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(chosenFolder.c_str(), nullptr));
        ASSERT_TRUE(SetCurrentDirectoryA(temp.path().c_str()));
        dialogs.browsedFolder = browsed;
        dialogs.chosen = chosenFolder + "\\deck.pptx";
    }

    test::TempFolder temp;
    test::ScopedOverride<std::string> leaveTempFirst{test::SwapCurrentFolder, test::CurrentFolder()};
    const std::string browsed = temp / "browsed";
    // 乗 is 0x81 0x5C: its trail byte is the "\" byte.
    const std::string chosenFolder = temp / "\x81\x5C";
};

TEST_F(CurrentFolderAfterDialog, ConfirmMovesItToTheChosenFilesFolder)
{
    ASSERT_TRUE(ShowFileDialog(dialog));
    EXPECT_EQ(test::CurrentFolder(), chosenFolder);
}

TEST_F(CurrentFolderAfterDialog, CancelPutsItBack)
{
    dialogs.succeed = false;
    ASSERT_FALSE(ShowFileDialog(dialog));
    EXPECT_EQ(test::CurrentFolder(), temp.path());
}

TEST_F(CurrentFolderAfterDialog, KeepCurrentFolderPutsItBackAfterAConfirm)
{
    dialog.SetKeepCurrentFolder(true);
    ASSERT_TRUE(ShowFileDialog(dialog));
    EXPECT_EQ(test::CurrentFolder(), temp.path());
    EXPECT_EQ(dialog.FileName(), chosenFolder + "\\deck.pptx");
}

TEST_F(CurrentFolderAfterDialog, AChosenFolderMovesItToTheFolderHoldingItAndACancelPutsItBack)
{
    dialogs.chosenFolder = chosenFolder;
    ASSERT_TRUE(ShowFolderDialog(dialog));
    EXPECT_EQ(test::CurrentFolder(), temp.path());
    EXPECT_EQ(dialog.FileNames(), std::vector<Text>{chosenFolder});
    dialogs.succeed = false;
    ASSERT_FALSE(ShowFolderDialog(dialog));
    EXPECT_EQ(test::CurrentFolder(), temp.path());
}

struct FolderCase {
    Text path;
    Text folder;
};

class FolderOfChosenFileCases : public testing::TestWithParam<FolderCase> {};

TEST_P(FolderOfChosenFileCases, CutsAtTheLastSeparator)
{
    EXPECT_EQ(FolderOfChosenFile(GetParam().path), GetParam().folder);
}

INSTANTIATE_TEST_SUITE_P(Paths, FolderOfChosenFileCases,
                         testing::Values(FolderCase{"C:\\docs\\deck.pptx", "C:\\docs"},
                                         FolderCase{"C:\\deck.pptx", "C:\\"},
                                         FolderCase{"C:/docs/deck.pptx", "C:/docs"},
                                         FolderCase{"\\\\server\\share\\a.docx", "\\\\server\\share"},
                                         // 乗 (0x81 0x5C) holds the "\" byte
                                         FolderCase{"C:\\\x81\x5C.pptx", "C:\\"},
                                         FolderCase{"C:\\a\\\x81\x5C\\b.pptx", "C:\\a\\\x81\x5C"},
                                         FolderCase{"deck.pptx", ""}, FolderCase{"", ""}));

}  // namespace
}  // namespace dovrel
