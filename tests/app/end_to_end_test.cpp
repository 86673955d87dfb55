// The real Dovrel.exe, started as its own process with a fresh Documents
// folder and driven from outside with the mouse, as a person would.

#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/desktop_driver.h"
#include "tests/support/drag_source.h"
#include "tests/support/documents_override.h"
#include "tests/support/office_package.h"
#include "tests/support/program_under_test.h"
#include "tests/support/temp_folder.h"

namespace dovrel::test {
namespace {

constexpr char kMainWindowClass[] = "DovrelWindow";
constexpr char kDialogClass[] = "#32770";
constexpr int kMessageBoxTextId = 0xFFFF;  // the static that holds a message box's text

HWND ButtonWithCaption(HWND window, const std::string& caption)
{
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassNameOf(child) == "Button" && WindowText(child) == caption) return child;
    }
    return nullptr;
}

// The open dialog's file-name field: the edit inside the combo box
// (cmb13) of the Explorer-style dialog, or the plain edit (edt1).
HWND FileNameField(HWND dialog)
{
    if (HWND combo = FindChildById(dialog, 0x47C)) {
        if (HWND edit = FindChildByClass(combo, "Edit")) return edit;
        return combo;
    }
    return FindChildById(dialog, 0x480);
}

// Posted, so that a busy program can never block the test.
void PressButton(HWND button) { PostMessageA(button, BM_CLICK, 0, 0); }

// Result folders directly under the output root, TMP excluded.
std::vector<std::string> ResultFolders(const std::string& outputRoot) { return FolderEntries(outputRoot, "TMP"); }

// The shell's "open" shows the output root in a file-browser window of
// another process; close it so no window outlives the test.
void CloseFileBrowserShowing(const std::string& folderName)
{
    struct Search {
        const std::string* name;
        DWORD self;
    } search{&folderName, GetCurrentProcessId()};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s->self && IsWindowVisible(window) &&
                WindowText(window).find(*s->name) != std::string::npos) {
                PostMessageA(window, WM_CLOSE, 0, 0);
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
}

class EndToEndTest : public testing::Test {
protected:
    TempFolder documents;
    DocumentsOverride documentsOverride{documents.path()};
    TempFolder userFiles;
};

TEST_F(EndToEndTest, BrowseExtractConfirmAndClose)
{
    const std::map<std::string, std::string> media = {
        {"image1.png", MediaBytes("e2e-png", 20000)},
        {"media1.mp4", MediaBytes("e2e-mp4", 400000)},
    };
    const std::string document = userFiles / "deck.pptx";
    WriteFileBytes(document, MakeOfficePackage(OfficeKind::Presentation, media));

    ProgramUnderTest program;
    ASSERT_TRUE(program.started()) << ProgramPath();
    HWND window = WaitForTopLevelWindow(program.processId(), kMainWindowClass, "Dovrel");
    ASSERT_TRUE(window);
    RECT frame;
    GetWindowRect(window, &frame);
    EXPECT_EQ(frame.right - frame.left, 283);
    EXPECT_EQ(frame.bottom - frame.top, 64);
    Sleep(300);  // let it paint before the picture is taken
    EXPECT_TRUE(SaveWindowScreenshot(window, BuildFolder() + "\\screenshot-main-window.bmp"));

    HWND pathBox = FindChildByClass(window, "Edit");
    ASSERT_TRUE(pathBox);

    // Browse: the open dialog, a typed path, OK.
    ClickWithMouse(ButtonWithCaption(window, "浏览"));
    HWND dialog = WaitForTopLevelWindow(program.processId(), kDialogClass, "");
    ASSERT_TRUE(dialog) << "no open dialog";
    HWND field = FileNameField(dialog);
    ASSERT_TRUE(field);
    Sleep(300);  // let the dialog finish filling its fields
    SendMessageTimeoutA(field, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(document.c_str()), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); })) << "field " << ClassNameOf(field) << " holds '" << WindowText(field) << "'";
    ASSERT_TRUE(WaitUntil([&] { return WindowText(pathBox) == document; })) << WindowText(pathBox);

    // Extract: the success box, confirmed.
    ClickWithMouse(ButtonWithCaption(window, "提取"));
    HWND box = WaitForTopLevelWindow(program.processId(), kDialogClass, "提示");
    ASSERT_TRUE(box) << "no message box";
    EXPECT_EQ(WindowText(FindChildById(box, kMessageBoxTextId)), "提取成功！");
    PressButton(FindChildById(box, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));

    const std::string outputRoot = documents / "PPT_RES";
    ASSERT_TRUE(WaitUntil([&] { return !Exists(outputRoot + "\\TMP"); })) << ListTree(outputRoot);
    std::vector<std::string> results = ResultFolders(outputRoot);
    ASSERT_EQ(results.size(), 1u) << ListTree(outputRoot);
    ASSERT_EQ(results[0].size(), std::string("deck_").size() + 6) << results[0];
    EXPECT_EQ(results[0].compare(0, 5, "deck_"), 0);
    EXPECT_EQ(results[0].find_first_not_of("0123456789", 5), std::string::npos);
    EXPECT_EQ(ListTree(outputRoot + "\\" + results[0]), "image1.png\nmedia1.mp4\n");
    for (const auto& [name, bytes] : media) {
        EXPECT_EQ(ReadFileBytes(outputRoot + "\\" + results[0] + "\\" + name), bytes) << name;
    }

    // Close as with the close button: the process ends with code 0.
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(program.WaitForExit(10000), 0u);
    Sleep(500);
    CloseFileBrowserShowing("PPT_RES");
}

TEST_F(EndToEndTest, CancellingTheDialogChangesNothing)
{
    ProgramUnderTest program;
    HWND window = WaitForTopLevelWindow(program.processId(), kMainWindowClass, "Dovrel");
    ASSERT_TRUE(window);
    HWND pathBox = FindChildByClass(window, "Edit");
    ClickWithMouse(ButtonWithCaption(window, "浏览"));
    HWND dialog = WaitForTopLevelWindow(program.processId(), kDialogClass, "");
    ASSERT_TRUE(dialog);
    PressButton(FindChildById(dialog, IDCANCEL));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
    EXPECT_EQ(WindowText(pathBox), "");

    // Extracting with nothing chosen fails and says so.
    ClickWithMouse(ButtonWithCaption(window, "提取"));
    HWND box = WaitForTopLevelWindow(program.processId(), kDialogClass, "提示");
    ASSERT_TRUE(box);
    EXPECT_EQ(WindowText(FindChildById(box, kMessageBoxTextId)), "提取失败！");
    PressButton(FindChildById(box, IDOK));

    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(program.WaitForExit(10000), 0u);
}

TEST_F(EndToEndTest, AFileDroppedOnTheWindowBecomesTheDocument)
{
    const std::string document = userFiles / "拖放.docx";
    WriteFileBytes(document, MakeOfficePackage(OfficeKind::WordDocument, {{"image1.png", "PNG"}}));

    ProgramUnderTest program;
    HWND window = WaitForTopLevelWindow(program.processId(), kMainWindowClass, "Dovrel");
    ASSERT_TRUE(window);
    HWND pathBox = FindChildByClass(window, "Edit");

    // Onto the path box, as a person would aim at it.
    RECT box;
    GetWindowRect(pathBox, &box);
    DragOutcome outcome = DragFiles({document}, {60, 60}, {(box.left + box.right) / 2, (box.top + box.bottom) / 2});
    ASSERT_TRUE(outcome.dragEnded) << outcome.failure;
    ASSERT_TRUE(WaitUntil([&] { return WindowText(pathBox) == document; })) << WindowText(pathBox);

    // The dropped document is the one extracted.
    ClickWithMouse(ButtonWithCaption(window, "提取"));
    HWND message = WaitForTopLevelWindow(program.processId(), kDialogClass, "提示");
    ASSERT_TRUE(message);
    EXPECT_EQ(WindowText(FindChildById(message, kMessageBoxTextId)), "提取成功！");
    PressButton(FindChildById(message, IDOK));
    std::vector<std::string> results = ResultFolders(documents / "PPT_RES");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].compare(0, 5, "拖放_"), 0) << results[0];

    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(program.WaitForExit(10000), 0u);
    Sleep(500);
    CloseFileBrowserShowing("PPT_RES");
}

// Old binary documents from real writers, through the real program: the
// PNG and JPEG come out byte for byte as they were drawn.
struct OldDocument {
    const char* file;
    const char* tree;
    const char* png;
    const char* jpeg;
};
void PrintTo(const OldDocument& document, std::ostream* out) { *out << document.file; }

class OldDocumentEndToEndTest : public EndToEndTest, public testing::WithParamInterface<OldDocument> {};

TEST_P(OldDocumentEndToEndTest, GivesThePicturesTheWriterStored)
{
    const std::string fixtures = BuildFolder() + "\\binary-documents\\";
    const std::string document = userFiles / GetParam().file;
    WriteFileBytes(document, ReadFileBytes(fixtures + GetParam().file));

    ProgramUnderTest program;
    HWND window = WaitForTopLevelWindow(program.processId(), kMainWindowClass, "Dovrel");
    ASSERT_TRUE(window);
    HWND pathBox = FindChildByClass(window, "Edit");
    ClickWithMouse(ButtonWithCaption(window, "浏览"));
    HWND dialog = WaitForTopLevelWindow(program.processId(), kDialogClass, "");
    ASSERT_TRUE(dialog);
    Sleep(300);
    SendMessageTimeoutA(FileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(document.c_str()),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    PostMessageA(dialog, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(pathBox) == document; })) << WindowText(pathBox);

    ClickWithMouse(ButtonWithCaption(window, "提取"));
    HWND box = WaitForTopLevelWindow(program.processId(), kDialogClass, "提示");
    ASSERT_TRUE(box);
    EXPECT_EQ(WindowText(FindChildById(box, kMessageBoxTextId)), "提取成功！");
    PressButton(FindChildById(box, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));

    const std::string outputRoot = documents / "PPT_RES";
    ASSERT_TRUE(WaitUntil([&] { return !Exists(outputRoot + "\\TMP"); })) << ListTree(outputRoot);
    std::vector<std::string> results = ResultFolders(outputRoot);
    ASSERT_EQ(results.size(), 1u) << ListTree(outputRoot);
    const std::string result = outputRoot + "\\" + results[0] + "\\";
    EXPECT_EQ(ListTree(result), GetParam().tree);
    EXPECT_EQ(ReadFileBytes(result + GetParam().png), ReadFileBytes(fixtures + "picture.png"));
    EXPECT_EQ(ReadFileBytes(result + GetParam().jpeg), ReadFileBytes(fixtures + "picture.jpg"));

    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(program.WaitForExit(10000), 0u);
    Sleep(500);
    CloseFileBrowserShowing("PPT_RES");
}

INSTANTIATE_TEST_SUITE_P(
    Writers, OldDocumentEndToEndTest,
    testing::Values(OldDocument{"deck.ppt", "image1.png\nimage2.jpeg\nimage3.wmf\n", "image1.png", "image2.jpeg"},
                    // the floating JPEG (in the store) before the inline pictures
                    OldDocument{"letter.doc", "image1.jpeg\nimage2.png\nimage3.wmf\n", "image2.png", "image1.jpeg"},
                    OldDocument{"book.xls", "image1.png\nimage2.jpeg\nimage3.wmf\n", "image1.png", "image2.jpeg"},
                    OldDocument{"writeexcel.xls", "image1.png\nimage2.jpeg\n", "image1.png", "image2.jpeg"}),
    [](const testing::TestParamInfo<OldDocument>& info) {
        const std::string file = info.param.file;
        return file.substr(0, file.find('.'));
    });

}  // namespace
}  // namespace dovrel::test
