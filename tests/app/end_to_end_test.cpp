// The real Dovrel.exe, started as its own process with a fresh Documents
// folder and driven from outside with the mouse and the keyboard, as a
// person would.

#include <gtest/gtest.h>
#include <windows.h>

#include <set>

#include "tests/support/desktop_driver.h"
#include "tests/support/drag_source.h"
#include "tests/support/documents_override.h"
#include "tests/support/folder_link.h"
#include "tests/support/office_package.h"
#include "tests/support/program_under_test.h"
#include "tests/support/temp_folder.h"
#include "runtime/dpi.h"
#include "ui/main_window_layout.h"

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
// another process; close it so no window outlives the test. Answers
// whether there was one.
bool CloseFileBrowserShowing(const std::string& folderName)
{
    struct Search {
        const std::string* name;
        DWORD self;
        bool found;
    } search{&folderName, GetCurrentProcessId(), false};
    EnumWindows(
        [](HWND window, LPARAM parameter) -> BOOL {
            auto* s = reinterpret_cast<Search*>(parameter);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != s->self && IsWindowVisible(window) && WindowText(window).find(*s->name) != std::string::npos) {
                PostMessageA(window, WM_CLOSE, 0, 0);
                s->found = true;
            }
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// Closes the program as its close box would; it must end with exit code 0.
// The file browser a success opened is closed too, so no window outlives
// the test.
void CloseExpectingExitZeroAndCloseTheFileBrowser(ProgramUnderTest& program, HWND window)
{
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(program.WaitForExit(10000), 0u);
    Sleep(500);
    CloseFileBrowserShowing("PPT_RES");
}

// Writes the box as a paste would: the program sees the user's edit.
void PasteIntoBox(HWND box, const std::string& text)
{
    SendMessageTimeoutA(box, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), SMTO_ABORTIFHUNG, 5000, nullptr);
}

// A package of many entries, so its extraction reports often and lasts
// seconds under Wine.
std::string LongPackage(int entries)
{
    std::map<std::string, std::string> media;
    for (int i = 0; i < entries; ++i) media["image" + std::to_string(i) + ".png"] = MediaBytes(std::to_string(i), 4000);
    return MakeOfficePackage(OfficeKind::Presentation, media);
}

// The prefix's DPI (Wine reads it at each process's start), put back when
// the object goes.
class ScopedLogPixels {
public:
    explicit ScopedLogPixels(DWORD dpi)
    {
        DWORD size = sizeof saved_;
        had_ = !RegGetValueA(HKEY_CURRENT_USER, kKey, "LogPixels", RRF_RT_REG_DWORD, nullptr, &saved_, &size);
        RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "LogPixels", REG_DWORD, &dpi, sizeof dpi);
    }
    ~ScopedLogPixels()
    {
        if (had_)
            RegSetKeyValueA(HKEY_CURRENT_USER, kKey, "LogPixels", REG_DWORD, &saved_, sizeof saved_);
        else
            RegDeleteKeyValueA(HKEY_CURRENT_USER, kKey, "LogPixels");
    }

private:
    static constexpr char kKey[] = "Control Panel\\Desktop";
    DWORD saved_ = 0;
    bool had_ = false;
};

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
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }))
        << "field " << ClassNameOf(field) << " holds '" << WindowText(field) << "'";
    ASSERT_TRUE(WaitUntil([&] { return WindowText(pathBox) == document; })) << WindowText(pathBox);

    // Extract: the success box, confirmed.
    ClickWithMouse(ButtonWithCaption(window, "提取"));
    HWND box = WaitForTopLevelWindow(program.processId(), kDialogClass, "提示");
    ASSERT_TRUE(box) << "no message box";
    EXPECT_EQ(WindowText(FindChildById(box, kMessageBoxTextId)), "提取成功！");
    EXPECT_EQ(GetWindow(box, GW_OWNER), window);
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
    CloseExpectingExitZeroAndCloseTheFileBrowser(program, window);
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

    CloseExpectingExitZeroAndCloseTheFileBrowser(program, window);
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

    CloseExpectingExitZeroAndCloseTheFileBrowser(program, window);
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

TEST_F(EndToEndTest, ABatchDroppedOnTheWindowIsExtractedWithOneMessage)
{
    const std::string first = userFiles / "一.pptx";
    const std::string broken = userFiles / "坏.docx";
    const std::string last = userFiles / "表.xlsm";
    WriteFileBytes(first, MakeOfficePackage(OfficeKind::Presentation, {{"image1.png", "P1"}}));
    WriteFileBytes(broken, "an old or damaged document, no zip package");
    WriteFileBytes(last, MakeOfficePackage(OfficeKind::Workbook, {{"image1.png", "X1"}}));

    ProgramUnderTest program;
    HWND window = WaitForTopLevelWindow(program.processId(), kMainWindowClass, "Dovrel");
    ASSERT_TRUE(window);
    HWND pathBox = FindChildByClass(window, "Edit");
    RECT box;
    GetWindowRect(pathBox, &box);
    DragOutcome outcome =
        DragFiles({first, broken, last}, {60, 60}, {(box.left + box.right) / 2, (box.top + box.bottom) / 2});
    ASSERT_TRUE(outcome.dragEnded) << outcome.failure;
    const std::string shown = first + "; " + broken + "; " + last;
    ASSERT_TRUE(WaitUntil([&] { return WindowText(pathBox) == shown; })) << WindowText(pathBox);

    // One box for the three, naming the one that failed.
    ClickWithMouse(ButtonWithCaption(window, "提取"));
    HWND message = WaitForTopLevelWindow(program.processId(), kDialogClass, "提示");
    ASSERT_TRUE(message);
    EXPECT_EQ(WindowText(FindChildById(message, kMessageBoxTextId)), "提取失败！\r\n坏.docx");
    PressButton(FindChildById(message, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(message); }));
    EXPECT_FALSE(WaitForTopLevelWindow(program.processId(), kDialogClass, "提示", 1000));

    std::vector<std::string> results = ResultFolders(documents / "PPT_RES");
    ASSERT_EQ(results.size(), 2u);
    // Sorted by their bytes: 表 (B1 ED) before 一 (D2 BB).
    EXPECT_EQ(results[0].compare(0, 3, "表_"), 0) << results[0];
    EXPECT_EQ(results[1].compare(0, 3, "一_"), 0) << results[1];

    CloseExpectingExitZeroAndCloseTheFileBrowser(program, window);
}

TEST_F(EndToEndTest, AFolderDroppedOnTheWindowGivesOneResultPerDocumentInIt)
{
    // Three documents on two levels, a lock file, a link to a folder
    // outside with a document of its own, and a file that is no document.
    const std::string folder = userFiles / "资料";
    TempFolder outside;
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((folder + "\\2024").c_str(), nullptr));
    WriteFileBytes(folder + "\\a.pptx", MakeOfficePackage(OfficeKind::Presentation, {{"image1.png", "A"}}));
    WriteFileBytes(folder + "\\2024\\a.pptx", MakeOfficePackage(OfficeKind::Presentation, {{"image1.png", "B"}}));
    WriteFileBytes(folder + "\\2024\\c.xlsx", MakeOfficePackage(OfficeKind::Workbook, {{"image1.png", "C"}}));
    WriteFileBytes(folder + "\\~$a.pptx", MakeOfficePackage(OfficeKind::Presentation, {{"image1.png", "L"}}));
    WriteFileBytes(folder + "\\notes.txt", "no document");
    WriteFileBytes(outside / "far.docx", MakeOfficePackage(OfficeKind::WordDocument, {{"image1.png", "F"}}));
    ScopedFolderLink link(folder + "\\elsewhere", outside.path());

    ProgramUnderTest program;
    HWND window = WaitForTopLevelWindow(program.processId(), kMainWindowClass, "Dovrel");
    ASSERT_TRUE(window);
    HWND pathBox = FindChildByClass(window, "Edit");
    RECT box;
    GetWindowRect(pathBox, &box);
    DragOutcome outcome = DragFiles({folder}, {60, 60}, {(box.left + box.right) / 2, (box.top + box.bottom) / 2});
    ASSERT_TRUE(outcome.dragEnded) << outcome.failure;
    ASSERT_TRUE(WaitUntil([&] { return WindowText(pathBox) == folder; })) << WindowText(pathBox);

    ClickWithMouse(ButtonWithCaption(window, "提取"));
    HWND message = WaitForTopLevelWindow(program.processId(), kDialogClass, "提示");
    ASSERT_TRUE(message);
    EXPECT_EQ(WindowText(FindChildById(message, kMessageBoxTextId)), "提取成功！");
    PressButton(FindChildById(message, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(message); }));
    EXPECT_FALSE(WaitForTopLevelWindow(program.processId(), kDialogClass, "提示", 1000));

    const std::string outputRoot = documents / "PPT_RES";
    std::vector<std::string> results = ResultFolders(outputRoot);
    ASSERT_EQ(results.size(), 3u) << ListTree(outputRoot);
    EXPECT_EQ(results[0].compare(0, 7, "2024_a_"), 0) << results[0];
    EXPECT_EQ(results[1].compare(0, 7, "2024_c_"), 0) << results[1];
    EXPECT_EQ(results[2].compare(0, 2, "a_"), 0) << results[2];
    EXPECT_EQ(ReadFileBytes(outputRoot + "\\" + results[0] + "\\image1.png"), "B");

    CloseExpectingExitZeroAndCloseTheFileBrowser(program, window);
}

TEST_F(EndToEndTest, UsableByKeyboardAloneAndATypedPathCounts)
{
    const std::string browsed = userFiles / "keys.pptx";
    const std::string pasted = userFiles / "pasted.docx";
    WriteFileBytes(browsed, MakeOfficePackage(OfficeKind::Presentation, {{"image1.png", "PNG"}}));
    WriteFileBytes(pasted, MakeOfficePackage(OfficeKind::WordDocument, {{"image1.png", "PNG"}}));
    ProgramUnderTest program;
    HWND window = WaitForTopLevelWindow(program.processId(), kMainWindowClass, "Dovrel");
    ASSERT_TRUE(window);
    HWND pathBox = FindChildByClass(window, "Edit");
    HWND browse = ButtonWithCaption(window, "浏览");
    HWND extract = ButtonWithCaption(window, "提取");
    SetForegroundWindow(window);
    auto focusReaches = [&](HWND control) { return WaitUntil([&] { return FocusOf(window) == control; }, 5000); };
    auto extractWithEnterAndConfirm = [&] {
        PressKey(VK_RETURN);
        HWND box = WaitForTopLevelWindow(program.processId(), kDialogClass, "提示");
        ASSERT_TRUE(box);
        EXPECT_EQ(WindowText(FindChildById(box, kMessageBoxTextId)), "提取成功！");
        EXPECT_EQ(GetWindow(box, GW_OWNER), window);
        PressKey(VK_RETURN);
        ASSERT_TRUE(WaitUntil([&] { return !IsWindow(box); }));
    };

    // 浏览 has the focus at start; Tab goes left to right, round to the box.
    ASSERT_TRUE(focusReaches(browse));
    for (HWND next : {extract, pathBox, browse}) {
        PressKey(VK_TAB);
        ASSERT_TRUE(focusReaches(next));
    }
    PressKey(VK_ESCAPE);

    // Enter on 浏览, a file picked, Enter; the focus comes back to 浏览;
    // Tab to 提取, Enter; Enter closes the box.
    PressKey(VK_RETURN);
    HWND dialog = WaitForTopLevelWindow(program.processId(), kDialogClass, "");
    ASSERT_TRUE(dialog) << "no open dialog";
    Sleep(300);  // let the dialog finish filling its fields
    PasteIntoBox(FileNameField(dialog), browsed);
    PressKey(VK_RETURN);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(pathBox) == browsed; })) << WindowText(pathBox);
    ASSERT_TRUE(focusReaches(browse));
    PressKey(VK_TAB);
    ASSERT_TRUE(focusReaches(extract));
    extractWithEnterAndConfirm();
    EXPECT_EQ(WindowText(window), "Dovrel");
    // The file browser the shell opens takes the foreground: close it. Back
    // in front, the window gives the focus back to 提取.
    WaitUntil([] { return CloseFileBrowserShowing("PPT_RES"); }, 5000);
    SetForegroundWindow(window);
    ASSERT_TRUE(focusReaches(extract));
    Sleep(200);

    // A path pasted into the box as the shell's "copy as path" gives it, in
    // quotes, is what Enter extracts.
    PressKey(VK_TAB);
    ASSERT_TRUE(focusReaches(pathBox));
    PasteIntoBox(pathBox, "\"" + pasted + "\" ");
    extractWithEnterAndConfirm();
    std::vector<std::string> results = ResultFolders(documents / "PPT_RES");
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].compare(0, 5, "keys_"), 0) << results[0];
    EXPECT_EQ(results[1].compare(0, 7, "pasted_"), 0) << results[1];

    CloseExpectingExitZeroAndCloseTheFileBrowser(program, window);
}

TEST_F(EndToEndTest, ALongJobAnswersShowsProgressRefusesDropsAndStopsOnClose)
{
    const std::string document = userFiles / "long.pptx";  // many seconds' work under Wine
    WriteFileBytes(document, LongPackage(10000));
    const std::string other = userFiles / "other.pptx";
    WriteFileBytes(other, "x");
    ProgramUnderTest program;
    HWND window = WaitForTopLevelWindow(program.processId(), kMainWindowClass, "Dovrel");
    ASSERT_TRUE(window);
    HWND pathBox = FindChildByClass(window, "Edit");
    HWND extract = ButtonWithCaption(window, "提取");
    PasteIntoBox(pathBox, document);
    PressButton(extract);
    ASSERT_TRUE(WaitUntil([&] { return WindowText(window).find('%') != std::string::npos; }));

    // Every sample answered within 200 ms, the controls disabled, the title
    // counting up.
    std::set<std::string> titles;
    int samples = 0, unanswered = 0, enabled = 0;
    for (DWORD start = GetTickCount(); titles.size() < 8 && GetTickCount() - start < 60000; ++samples, Sleep(50)) {
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 200, &result)) ++unanswered;
        std::string title = WindowText(window);
        if (title.compare(0, 9, "Dovrel - ") == 0 && title.back() == '%') titles.insert(title);
        if (IsWindowEnabled(extract) || IsWindowEnabled(pathBox)) ++enabled;
    }
    EXPECT_EQ(unanswered, 0) << "of " << samples;
    EXPECT_EQ(enabled, 0) << "of " << samples;
    ASSERT_EQ(titles.size(), 8u);

    // A drop meanwhile is refused.
    RECT box;
    GetWindowRect(pathBox, &box);
    DragOutcome outcome = DragFiles({other}, {60, 60}, {(box.left + box.right) / 2, (box.top + box.bottom) / 2});
    EXPECT_TRUE(outcome.dragEnded) << outcome.failure;
    EXPECT_EQ(outcome.effect, static_cast<DWORD>(DROPEFFECT_NONE));
    EXPECT_EQ(WindowText(pathBox), document);

    // A close stops the job: no box, no result, no scratch folder, exit 0.
    ASSERT_NE(WindowText(window).find('%'), std::string::npos) << "the job ended before the close";
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(program.WaitForExit(30000), 0u);
    const std::string outputRoot = documents / "PPT_RES";
    EXPECT_FALSE(Exists(outputRoot + "\\TMP")) << ListTree(outputRoot);
    EXPECT_TRUE(ResultFolders(outputRoot).empty()) << ListTree(outputRoot);
}

TEST_F(EndToEndTest, ASecondCopyShowsTheFirstAndLeavesItsWorkAlone)
{
    ProgramUnderTest first;
    HWND window = WaitForTopLevelWindow(first.processId(), kMainWindowClass, "Dovrel");
    ASSERT_TRUE(window);
    ShowWindow(window, SW_MINIMIZE);
    ASSERT_TRUE(WaitUntil([&] { return IsIconic(window) != FALSE; }));
    const std::string leftover = documents / "PPT_RES\\TMP\\in-use.bin";
    CreateDirectoryA((documents / "PPT_RES").c_str(), nullptr);
    CreateDirectoryA((documents / "PPT_RES\\TMP").c_str(), nullptr);
    WriteFileBytes(leftover, "the first copy's work");

    ProgramUnderTest second;
    EXPECT_EQ(second.WaitForExit(10000), 0u);
    EXPECT_TRUE(WaitUntil([&] { return !IsIconic(window); })) << "the first copy was not restored";
    EXPECT_TRUE(Exists(leftover));
    EXPECT_EQ(first.WaitForExit(0), static_cast<DWORD>(STILL_ACTIVE));

    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(first.WaitForExit(10000), 0u);
}

TEST_F(EndToEndTest, AFailedStartUpIsReportedUntilClosed)
{
    ProgramUnderTest program(BuildFolder() + "\\DovrelFailingStart.exe");
    ASSERT_TRUE(program.started());
    HWND box = WaitForTopLevelWindow(program.processId(), kDialogClass, "错误");
    ASSERT_TRUE(box) << "exit code " << program.WaitForExit(0);
    EXPECT_NE(WindowText(FindChildById(box, kMessageBoxTextId)).find("载入启动窗口失败"), std::string::npos);
    Sleep(1000);
    EXPECT_TRUE(IsWindowVisible(box)) << "the report closed on its own";
    PressButton(FindChildById(box, IDOK));
    EXPECT_EQ(program.WaitForExit(10000), static_cast<DWORD>(-1));
}

TEST_F(EndToEndTest, At144DpiTheControlsStandWhereTheLayoutSays)
{
    ScopedLogPixels logPixels(144);
    ProgramUnderTest program;
    HWND window = WaitForTopLevelWindow(program.processId(), kMainWindowClass, "Dovrel");
    ASSERT_TRUE(window);

    // Read in the window's own pixels: this thread asks per-monitor aware.
    using SetAwareness = HANDLE(WINAPI*)(HANDLE);
    auto setAwareness = reinterpret_cast<SetAwareness>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("user32.dll"), "SetThreadDpiAwarenessContext")));
    ASSERT_TRUE(setAwareness);
    HANDLE previous = setAwareness(reinterpret_cast<HANDLE>(-4));  // per-monitor aware v2

    const DWORD style = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
    MainWindowLayout layout = LayoutMainWindow(144, FrameAtDpi(style, exStyle, 96), FrameAtDpi(style, exStyle, 144));
    RECT frame, client;
    GetWindowRect(window, &frame);
    GetClientRect(window, &client);
    EXPECT_EQ(frame.right - frame.left, layout.outer.cx);
    EXPECT_EQ(frame.bottom - frame.top, layout.outer.cy);
    EXPECT_EQ(client.right, layout.client.cx);
    EXPECT_EQ(client.bottom, layout.client.cy);
    const std::pair<HWND, RECT> controls[] = {
        {FindChildByClass(window, "Edit"), layout.pathBox},
        {ButtonWithCaption(window, "浏览"), layout.browseButton},
        {ButtonWithCaption(window, "提取"), layout.extractButton},
    };
    for (const auto& [control, expected] : controls) {
        RECT area;
        GetWindowRect(control, &area);
        MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&area), 2);
        EXPECT_TRUE(EqualRect(&area, &expected)) << WindowText(control) << " at " << area.left << "," << area.top;
    }
    Sleep(300);
    EXPECT_TRUE(SaveWindowScreenshot(window, BuildFolder() + "\\screenshot-main-window-144dpi.bmp"));
    setAwareness(previous);

    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(program.WaitForExit(10000), 0u);
}

}  // namespace
}  // namespace dovrel::test
