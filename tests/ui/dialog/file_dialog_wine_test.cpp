// The real platform dialog under Wine, driven from a helper thread.

#include <gtest/gtest.h>
#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

#include "tests/support/current_folder.h"
#include "tests/support/file_dialog_driver.h"
#include "tests/support/temp_folder.h"
#include "ui/dialog/common_dialog.h"

namespace dovrel {
namespace {

using test::CurrentFolder;
using test::FileDialogDriver;
using test::FileDialogView;

// "Office文档（*.ppt,*.pptx,*.doc,*.docx,*.xls,*.xlsx）" in code page 936.
const Text kOfficeDescription = "Office\xCE\xC4\xB5\xB5\xA3\xA8*.ppt,*.pptx,*.doc,*.docx,*.xls,*.xlsx\xA3\xA9";
const Text kOfficeFilter =
    kOfficeDescription + "|*.ppt;*.pptx;*.doc;*.docx;*.xls;*.xlsx;*.pptm;*.ppsx;*.ppsm;*.potx;*.potm;*.docm;*.dotx;"
                         "*.dotm;*.xlsm;*.xlsb;*.xltx;*.xltm|"
                         "演示文稿（*.ppt,*.pptx,*.pptm,*.ppsx,*.ppsm,*.potx,*.potm）|"
                         "*.ppt;*.pptx;*.pptm;*.ppsx;*.ppsm;*.potx;*.potm|"
                         "文档（*.doc,*.docx,*.docm,*.dotx,*.dotm）|*.doc;*.docx;*.docm;*.dotx;*.dotm|"
                         "工作簿（*.xls,*.xlsx,*.xlsm,*.xlsb,*.xltx,*.xltm）|*.xls;*.xlsx;*.xlsm;*.xlsb;*.xltx;*.xltm|"
                         "所有文件（*.*）|*.*";
const Text kDocuments = "\xCE\xC4\xB5\xB5";  // 文档, a folder name with double-byte characters

class RealFileDialog : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(CreateDirectoryA(start.c_str(), nullptr));
        ASSERT_TRUE(CreateDirectoryA(documents.c_str(), nullptr));
        test::WriteFileBytes(deck, "deck");
        ASSERT_TRUE(SetCurrentDirectoryA(temp.path().c_str()));
    }

    // Shows the dialog while the driver answers it.
    bool Show(FileDialogDriver::Action action, const std::string& typed = {}, bool folder = false)
    {
        FileDialogDriver driver(action, typed);
        bool result = folder ? ShowFolderDialog(dialog) : ShowFileDialog(dialog);
        view = driver.Finish();
        EXPECT_TRUE(view.found) << "no file dialog appeared";
        return result;
    }

    test::TempFolder temp;
    test::ScopedOverride<std::string> guard{test::SwapCurrentFolder,
                                            test::CurrentFolder()};  // after temp: left before temp is removed
    const std::string start = temp / "start";
    const std::string documents = temp / kDocuments;
    const std::string deck = documents + "\\deck.pptx";
    CommonDialog dialog;
    FileDialogView view;
};

TEST_F(RealFileDialog, ConfirmedFullPathIsHandedBackAndBecomesTheCurrentFolder)
{
    dialog.SetFilter(kOfficeFilter);
    dialog.SetInitialFolder(start);
    ASSERT_TRUE(Show(FileDialogDriver::Action::Confirm, deck)) << view.controls;
    EXPECT_EQ(dialog.FileName(), deck);
    EXPECT_EQ(CurrentFolder(), documents);
    // What the dialog showed on opening.
    EXPECT_EQ(view.folder, start);
    EXPECT_EQ(view.selectedFilter, kOfficeDescription);
    EXPECT_EQ(view.filterCount, 5);
    EXPECT_EQ(view.fileNameField, "");
}

TEST_F(RealFileDialog, NameTypedAloneIsTakenInTheInitialFolder)
{
    dialog.SetFilter(kOfficeFilter);
    dialog.SetInitialFolder(documents);
    ASSERT_TRUE(Show(FileDialogDriver::Action::Confirm, "deck.pptx"));
    EXPECT_EQ(dialog.FileName(), deck);
    EXPECT_EQ(view.folder, documents);
}

TEST_F(RealFileDialog, SeveralNamesTypedGiveEveryFullPathAndOneNameGivesOne)
{
    test::WriteFileBytes(documents + "\\a.pptx", "a");
    test::WriteFileBytes(documents + "\\b.docx", "b");
    dialog.SetFilter(kOfficeFilter);
    dialog.SetInitialFolder(documents);
    dialog.SetAllowMultipleFiles(true);
    ASSERT_TRUE(Show(FileDialogDriver::Action::Confirm, "\"a.pptx\" \"b.docx\"")) << view.controls;
    EXPECT_EQ(dialog.FileNames(), (std::vector<Text>{documents + "\\a.pptx", documents + "\\b.docx"}));
    EXPECT_EQ(CurrentFolder(), documents);
    ASSERT_TRUE(Show(FileDialogDriver::Action::Confirm, "b.docx"));
    EXPECT_EQ(dialog.FileNames(), std::vector<Text>{documents + "\\b.docx"});
}

TEST_F(RealFileDialog, CancelAfterASuccessKeepsThePathAndTheCurrentFolder)
{
    dialog.SetFilter(kOfficeFilter);
    dialog.SetInitialFolder(start);
    ASSERT_TRUE(Show(FileDialogDriver::Action::Confirm, deck));
    ASSERT_TRUE(SetCurrentDirectoryA(start.c_str()));

    EXPECT_FALSE(Show(FileDialogDriver::Action::Cancel));
    EXPECT_EQ(dialog.FileName(), deck);
    EXPECT_EQ(CurrentFolder(), start);
    // The second dialog started from the previous choice.
    EXPECT_EQ(view.folder, documents);
    EXPECT_EQ(view.fileNameField, "deck.pptx");
}

TEST_F(RealFileDialog, KeepCurrentFolderLeavesItWhereItWas)
{
    dialog.SetInitialFolder(start);
    dialog.SetKeepCurrentFolder(true);
    ASSERT_TRUE(Show(FileDialogDriver::Action::Confirm, deck));
    EXPECT_EQ(dialog.FileName(), deck);
    EXPECT_EQ(CurrentFolder(), temp.path());
}

TEST_F(RealFileDialog, SaveDialogShowsItsTitleAndAppendsTheDefaultExtension)
{
    dialog.SetDialogKind(CommonDialog::kSaveFile);
    dialog.SetDialogTitle("\xB1\xA3\xB4\xE6\xB1\xA8\xB8\xE6");  // 保存报告
    dialog.SetInitialFolder(start);
    dialog.SetDefaultExtension("txt");
    ASSERT_TRUE(Show(FileDialogDriver::Action::Confirm, "report"));
    EXPECT_EQ(view.title, "\xB1\xA3\xB4\xE6\xB1\xA8\xB8\xE6");
    EXPECT_EQ(dialog.FileName(), start + "\\report.txt");
    EXPECT_EQ(CurrentFolder(), start);
}

TEST_F(RealFileDialog, FolderDialogGivesTheFolderTypedWithItsTitle)
{
    dialog.SetFilter(kOfficeFilter);
    dialog.SetInitialFolder(start);
    ASSERT_TRUE(Show(FileDialogDriver::Action::Confirm, documents, true)) << view.controls;
    EXPECT_EQ(view.title, "\xD1\xA1\xD4\xF1\xCE\xC4\xBC\xFE\xBC\xD0");  // 选择文件夹
    EXPECT_EQ(dialog.FileNames(), std::vector<Text>{documents});
    EXPECT_EQ(CurrentFolder(), temp.path());
}

struct FilterSelection {
    const char* name;
    Text filter;
    std::int32_t filterIndex;
    Text selected;
    int entries;
};

void PrintTo(const FilterSelection& c, std::ostream* out) { *out << c.name; }

class RealFileDialogFilter : public RealFileDialog, public testing::WithParamInterface<FilterSelection> {};

TEST_P(RealFileDialogFilter, OpensWithTheGivenEntrySelected)
{
    dialog.SetFilter(GetParam().filter);
    dialog.SetFilterIndex(GetParam().filterIndex);
    dialog.SetInitialFolder(start);
    EXPECT_FALSE(Show(FileDialogDriver::Action::Cancel));
    EXPECT_EQ(view.selectedFilter, GetParam().selected);
    EXPECT_EQ(view.filterCount, GetParam().entries);
}

INSTANTIATE_TEST_SUITE_P(
    Entries, RealFileDialogFilter,
    testing::Values(FilterSelection{"First", "Text|*.txt|Office|*.pptx", 0, "Text", 2},
                    FilterSelection{"Second", "Text|*.txt|Office|*.pptx", 1, "Office", 2},
                    FilterSelection{"TrailingBarsAndBlanks", "Text|*.txt|| ", 0, "Text", 1},
                    FilterSelection{"DoubleByteDescription", "\x96\x7C\xCE\xC4|*.x", 0, "\x96\x7C\xCE\xC4", 1},
                    FilterSelection{"NoFilter", "", 3, "", 0}),
    [](const testing::TestParamInfo<FilterSelection>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace dovrel
