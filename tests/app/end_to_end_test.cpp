// The real Dovrel.exe, started as its own process with a fresh Documents
// folder and driven from outside with the mouse and the keyboard, as a
// person would.

#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <iterator>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "core/base/unique_handle.h"

#include "tests/support/desktop_driver.h"
#include "tests/support/drag_source.h"
#include "tests/support/documents_override.h"
#include "tests/support/folder_link.h"
#include "tests/support/metafiles.h"
#include "tests/support/office_package.h"
#include "tests/support/program_under_test.h"
#include "tests/support/temp_folder.h"
#include "runtime/dpi.h"
#include "ui/main_window_description.h"
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

// Drags paths from the screen's corner onto the path box, as a person
// would aim at it.
DragOutcome DragOntoPathBox(HWND pathBox, const std::vector<std::string>& paths)
{
    RECT box;
    GetWindowRect(pathBox, &box);
    return DragFiles(paths, {60, 60}, {(box.left + box.right) / 2, (box.top + box.bottom) / 2});
}

// 提取 clicked with the mouse; the message box titled `caption` that the
// program shows then, or null.
HWND ExtractAndWaitForMessage(const ProgramUnderTest& program, HWND window, const char* caption = "提示")
{
    ClickWithMouse(ButtonWithCaption(window, "提取"));
    return WaitForTopLevelWindow(program.processId(), kDialogClass, caption);
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
        {"image2.emf", EmfFile({0, 0, 999, 749}, {0, 0, 9999, 7499}, EmfDrawing({0, 0, 999, 749}, 0x0000FF))},
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
    HWND box = ExtractAndWaitForMessage(program, window);
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
    EXPECT_EQ(ListTree(outputRoot + "\\" + results[0]), "image1.png\nimage2.emf\nimage2.emf.png\nmedia1.mp4\n");
    for (const auto& [name, bytes] : media) {
        EXPECT_EQ(ReadFileBytes(outputRoot + "\\" + results[0] + "\\" + name), bytes) << name;
    }
    const DecodedPicture drawing = DecodePicture(ReadFileBytes(outputRoot + "\\" + results[0] + "\\image2.emf.png"));
    EXPECT_EQ(drawing.width, 756);  // 100 mm at 192 DPI
    EXPECT_FALSE(drawing.Blank());

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
    HWND box = ExtractAndWaitForMessage(program, window);
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

    DragOutcome outcome = DragOntoPathBox(pathBox, {document});
    ASSERT_TRUE(outcome.dragEnded) << outcome.failure;
    ASSERT_TRUE(WaitUntil([&] { return WindowText(pathBox) == document; })) << WindowText(pathBox);

    // The dropped document is the one extracted.
    HWND message = ExtractAndWaitForMessage(program, window);
    ASSERT_TRUE(message);
    EXPECT_EQ(WindowText(FindChildById(message, kMessageBoxTextId)), "提取成功！");
    PressButton(FindChildById(message, IDOK));
    std::vector<std::string> results = ResultFolders(documents / "PPT_RES");
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].compare(0, 5, "拖放_"), 0) << results[0];

    CloseExpectingExitZeroAndCloseTheFileBrowser(program, window);
}

// Old binary documents and OpenDocument packages from real writers, through
// the real program: the PNG and JPEG come out byte for byte as they were drawn.
struct OldDocument {
    const char* file;
    const char* tree;
    const char* png;
    const char* jpeg;
};
void PrintTo(const OldDocument& document, std::ostream* out) { *out << document.file; }

constexpr char kOpenDocumentTree[] =
    "100000000000004000000030FBE4A492BB9E4AD7.png\n10000000000000500000003C31855933B875E966."
    "jpg\n1000000100000060000000489B77C3E4A70466FA.png\n1000007C000009EC00000771045280976E140F54.wmf\n"
    "1000007C000009EC00000771045280976E140F54.wmf.png\n";
constexpr char kOpenDocumentPng[] = "100000000000004000000030FBE4A492BB9E4AD7.png";
constexpr char kOpenDocumentJpeg[] = "10000000000000500000003C31855933B875E966.jpg";

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

    HWND box = ExtractAndWaitForMessage(program, window);
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
    testing::Values(
        OldDocument{"deck.ppt", "image1.png\nimage2.jpeg\nimage3.wmf\nimage3.wmf.png\n", "image1.png", "image2.jpeg"},
        // the floating JPEG (in the store) before the inline pictures
        OldDocument{"letter.doc", "image1.jpeg\nimage2.png\nimage3.wmf\nimage3.wmf.png\n", "image2.png", "image1.jpeg"},
        OldDocument{"book.xls", "image1.png\nimage2.jpeg\nimage3.wmf\nimage3.wmf.png\n", "image1.png", "image2.jpeg"},
        OldDocument{"writeexcel.xls", "image1.png\nimage2.jpeg\n", "image1.png", "image2.jpeg"},
        // LibreOffice names pictures after their content; the
        // second PNG is the bitmap it keeps beside the metafile.
        OldDocument{"deck.odp", kOpenDocumentTree, kOpenDocumentPng, kOpenDocumentJpeg},
        OldDocument{"letter.odt", kOpenDocumentTree, kOpenDocumentPng, kOpenDocumentJpeg},
        OldDocument{"book.ods", kOpenDocumentTree, kOpenDocumentPng, kOpenDocumentJpeg},
        OldDocument{"drawing.odg", kOpenDocumentTree, kOpenDocumentPng, kOpenDocumentJpeg}),
    [](const testing::TestParamInfo<OldDocument>& info) {
        std::string file = info.param.file;
        file[file.find('.')] = '_';
        return file;
    });

// A presentation from LibreOffice embedding a workbook and a document of
// its own writing: every document's pictures, each in its own folder.
TEST_F(EndToEndTest, APresentationsEmbeddedDocumentsGiveTheirPicturesToo)
{
    const std::string fixtures = BuildFolder() + "\\embedded-documents\\";
    const std::string document = userFiles / "deck-embeds.pptx";
    WriteFileBytes(document, ReadFileBytes(fixtures + "deck-embeds.pptx"));

    ProgramUnderTest program;
    HWND window = WaitForTopLevelWindow(program.processId(), kMainWindowClass, "Dovrel");
    ASSERT_TRUE(window);
    HWND pathBox = FindChildByClass(window, "Edit");
    DragOutcome outcome = DragOntoPathBox(pathBox, {document});
    ASSERT_TRUE(outcome.dragEnded) << outcome.failure;
    ASSERT_TRUE(WaitUntil([&] { return WindowText(pathBox) == document; })) << WindowText(pathBox);

    HWND message = ExtractAndWaitForMessage(program, window);
    ASSERT_TRUE(message);
    EXPECT_EQ(WindowText(FindChildById(message, kMessageBoxTextId)), "提取成功！");
    PressButton(FindChildById(message, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(message); }));

    const std::string outputRoot = documents / "PPT_RES";
    ASSERT_TRUE(WaitUntil([&] { return !Exists(outputRoot + "\\TMP"); })) << ListTree(outputRoot);
    std::vector<std::string> results = ResultFolders(outputRoot);
    ASSERT_EQ(results.size(), 1u) << ListTree(outputRoot);
    const std::string result = outputRoot + "\\" + results[0] + "\\";
    EXPECT_EQ(ListTree(result), "embeddings\\\n"
                                "embeddings\\Microsoft_Excel_Worksheet1.xlsx\\\n"
                                "embeddings\\Microsoft_Excel_Worksheet1.xlsx\\image1.png\n"
                                "embeddings\\Microsoft_Excel_Worksheet1.xlsx\\image2.jpeg\n"
                                "embeddings\\Microsoft_Excel_Worksheet1.xlsx\\image3.wmf\n"
                                "embeddings\\Microsoft_Excel_Worksheet1.xlsx\\image3.wmf.png\n"
                                "embeddings\\Microsoft_Word_Document2.docx\\\n"
                                "embeddings\\Microsoft_Word_Document2.docx\\image1.png\n"
                                "embeddings\\Microsoft_Word_Document2.docx\\image2.wmf\n"
                                "embeddings\\Microsoft_Word_Document2.docx\\image2.wmf.png\n"
                                "embeddings\\Microsoft_Word_Document2.docx\\image3.jpeg\n"
                                "image1.png\nimage2.jpeg\nimage3.wmf\nimage3.wmf.png\n");
    EXPECT_EQ(ReadFileBytes(result + "image1.png"), ReadFileBytes(fixtures + "deck.png"));
    EXPECT_EQ(ReadFileBytes(result + "embeddings\\Microsoft_Excel_Worksheet1.xlsx\\image1.png"),
              ReadFileBytes(fixtures + "book.png"));
    EXPECT_EQ(ReadFileBytes(result + "embeddings\\Microsoft_Word_Document2.docx\\image1.png"),
              ReadFileBytes(fixtures + "letter.png"));

    CloseExpectingExitZeroAndCloseTheFileBrowser(program, window);
}

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
    DragOutcome outcome = DragOntoPathBox(pathBox, {first, broken, last});
    ASSERT_TRUE(outcome.dragEnded) << outcome.failure;
    const std::string shown = first + "; " + broken + "; " + last;
    ASSERT_TRUE(WaitUntil([&] { return WindowText(pathBox) == shown; })) << WindowText(pathBox);

    // One box for the three, naming the one that failed.
    HWND message = ExtractAndWaitForMessage(program, window);
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

// A window's text read as UTF-16 (WM_GETTEXT to the wide window).
std::wstring WideText(HWND window)
{
    wchar_t text[512] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, 5000, nullptr);
    return text;
}

// Presses 提取 and answers the message box, whose text it returns (UTF-16).
std::wstring ExtractAndConfirm(const ProgramUnderTest& program, HWND window)
{
    HWND message = ExtractAndWaitForMessage(program, window, "");
    if (!message) return L"no message box";
    EXPECT_EQ(WideText(message), L"提示");
    const std::wstring text = WideText(FindChildById(message, kMessageBoxTextId));
    PressButton(FindChildById(message, IDOK));
    WaitUntil([&] { return !IsWindow(message); });
    return text;
}

// The names in a folder, as UTF-16.
std::vector<std::wstring> WideFolderEntries(const std::wstring& folder)
{
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (data.cFileName[0] != L'.' && std::wstring(data.cFileName) != L"TMP") names.push_back(data.cFileName);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

std::wstring Wide(const std::string& text)
{
    std::wstring wide(text.size(), L'\0');
    wide.resize(static_cast<std::size_t>(MultiByteToWideChar(936, 0, text.data(), static_cast<int>(text.size()),
                                                             wide.data(), static_cast<int>(wide.size()))));
    return wide;
}

// A name code page 936 cannot hold, typed into the box with "/" for its
// separators, is extracted into a folder that carries that name exactly.
TEST_F(EndToEndTest, ANameCodePage936LacksTypedWithSlashesGivesAFolderOfThatName)
{
    const std::wstring name = L"M\u00FCller Pr\u00E4sentation Espa\u00F1a \u00AE\u2122\u2022\uD55C\uAE00\U0001F600";
    std::wstring folder = Wide(userFiles.path()) + L"\\" + name;
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    const std::wstring document = folder + L"\\" + name + L".pptx";
    const std::string bytes = MakeOfficePackage(OfficeKind::Presentation, {{"image1.png", "P1"}});
    {
        UniqueFile file(CreateFileW(document.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr));
        DWORD written = 0;
        ASSERT_TRUE(file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    }
    std::wstring typed = document;
    for (std::size_t at = 3; at < typed.size(); ++at)
        if (typed[at] == L'\\') typed[at] = L'/';

    ProgramUnderTest program;
    HWND window = WaitForTopLevelWindow(program.processId(), kMainWindowClass, "Dovrel");
    ASSERT_TRUE(window);
    HWND pathBox = FindChildByClass(window, "Edit");
    SendMessageTimeoutW(pathBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(typed.c_str()), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    EXPECT_EQ(ExtractAndConfirm(program, window), L"提取成功！");
    const std::vector<std::wstring> results = WideFolderEntries(Wide(documents / "PPT_RES"));
    ASSERT_EQ(results.size(), 1u);
    EXPECT_EQ(results[0].substr(0, name.size() + 1), name + L"_");
    EXPECT_TRUE(WideFolderEntries(Wide(documents / "PPT_RES\\TMP")).empty());
    CloseExpectingExitZeroAndCloseTheFileBrowser(program, window);
}

// Sixty documents that fail: the box names the first twenty and counts the
// rest, and fits the screen.
TEST_F(EndToEndTest, SixtyFailedDocumentsGiveABoxThatFitsTheScreen)
{
    std::vector<std::string> paths;
    std::wstring expected = L"提取失败！";
    for (int i = 1; i <= 60; ++i) {
        const std::string name = "broken" + std::to_string(i) + ".docx";
        WriteFileBytes(paths.emplace_back(userFiles / name), "no zip package");
        if (i <= 20) expected += L"\r\n" + Wide(name);
    }
    ProgramUnderTest program;
    HWND window = WaitForTopLevelWindow(program.processId(), kMainWindowClass, "Dovrel");
    ASSERT_TRUE(window);
    HWND pathBox = FindChildByClass(window, "Edit");
    DragOutcome outcome = DragOntoPathBox(pathBox, paths);
    ASSERT_TRUE(outcome.dragEnded) << outcome.failure;
    ASSERT_TRUE(WaitUntil([&] { return WindowText(pathBox).find("broken60") != std::string::npos; }));

    HWND message = ExtractAndWaitForMessage(program, window);
    ASSERT_TRUE(message);
    EXPECT_EQ(WideText(FindChildById(message, kMessageBoxTextId)), expected + L"\r\n…（另有 40 个）");
    RECT shown;
    GetWindowRect(message, &shown);
    EXPECT_LE(shown.bottom - shown.top, GetSystemMetrics(SM_CYSCREEN));
    PressButton(FindChildById(message, IDOK));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(message); }));
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(program.WaitForExit(10000), 0u);
}

// Under an English or a Traditional Chinese Windows (another system code
// page), the window, its buttons, the dialog's filter and the message boxes
// show the same Chinese texts.
class OtherLanguageEndToEndTest : public EndToEndTest, public testing::WithParamInterface<const wchar_t*> {};

TEST_P(OtherLanguageEndToEndTest, ShowsTheSameChineseTexts)
{
    const std::string broken = userFiles / "broken.pptx";
    WriteFileBytes(broken, "no zip package");
    ProgramUnderTest program(ProgramPath(),
                             {std::wstring(L"LC_ALL=") + GetParam(), std::wstring(L"LANG=") + GetParam()});
    HWND window = WaitForTopLevelWindow(program.processId(), kMainWindowClass, "Dovrel");
    ASSERT_TRUE(window);
    EXPECT_EQ(WideText(window), L"Dovrel");
    std::vector<std::wstring> captions;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (ClassNameOf(child) == "Button") captions.push_back(WideText(child));
    EXPECT_EQ(std::set<std::wstring>(captions.begin(), captions.end()), (std::set<std::wstring>{L"浏览", L"提取"}));

    // The dialog's first filter, then cancel.
    ClickWithMouse(ButtonWithCaption(window, "浏览"));
    HWND dialog = WaitForTopLevelWindow(program.processId(), kDialogClass, "");
    ASSERT_TRUE(dialog) << "no open dialog";
    Sleep(300);
    HWND types = FindChildById(dialog, 0x470);
    wchar_t filter[256] = {};
    SendMessageTimeoutW(types, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(filter), SMTO_ABORTIFHUNG, 5000, nullptr);
    EXPECT_EQ(std::wstring(filter).substr(0, 9), L"Office文档（");
    PressButton(FindChildById(dialog, IDCANCEL));
    ASSERT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));

    SendMessageTimeoutW(FindChildByClass(window, "Edit"), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Wide(broken).c_str()),
                        SMTO_ABORTIFHUNG, 5000, nullptr);
    EXPECT_EQ(ExtractAndConfirm(program, window), L"提取失败！");
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_EQ(program.WaitForExit(10000), 0u);
}

INSTANTIATE_TEST_SUITE_P(Locales, OtherLanguageEndToEndTest, testing::Values(L"en_US.UTF-8", L"zh_TW.UTF-8"),
                         [](const testing::TestParamInfo<const wchar_t*>& info) {
                             return std::wstring(info.param) == L"en_US.UTF-8" ? std::string("English")
                                                                               : std::string("TraditionalChinese");
                         });

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
    DragOutcome outcome = DragOntoPathBox(pathBox, {folder});
    ASSERT_TRUE(outcome.dragEnded) << outcome.failure;
    ASSERT_TRUE(WaitUntil([&] { return WindowText(pathBox) == folder; })) << WindowText(pathBox);

    HWND message = ExtractAndWaitForMessage(program, window);
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
    DragOutcome outcome = DragOntoPathBox(pathBox, {other});
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

// The one success box of a run that the program shows, confirmed; empty
// when no box came.
std::string ConfirmMessage(DWORD processId, DWORD timeoutMs = 30000)
{
    HWND box = WaitForTopLevelWindow(processId, kDialogClass, "提示", timeoutMs);
    if (!box) return {};
    std::string text = WindowText(FindChildById(box, kMessageBoxTextId));
    PressButton(FindChildById(box, IDOK));
    WaitUntil([&] { return !IsWindow(box); });
    return text;
}

TEST_F(EndToEndTest, TwoCopiesStartedTogetherWithDocumentsMakeOneBatch)
{
    const std::string first = userFiles / "命令 行.pptx";
    const std::string second = userFiles / "second.docx";
    WriteFileBytes(first, MakeOfficePackage(OfficeKind::Presentation, {{"image1.png", "P1"}}));
    WriteFileBytes(second, MakeOfficePackage(OfficeKind::WordDocument, {{"image1.png", "W1"}}));

    // As Explorer starts them for a selection of two: one process each.
    ProgramUnderTest a(ProgramPath(), "\"" + first + "\"", false);
    ProgramUnderTest b(ProgramPath(), "\"" + second + "\"", false);
    ASSERT_TRUE(WaitUntil([&] { return a.WaitForExit(0) != STILL_ACTIVE || b.WaitForExit(0) != STILL_ACTIVE; }, 30000))
        << "neither copy handed its document over";
    ProgramUnderTest& running = a.WaitForExit(0) == STILL_ACTIVE ? a : b;
    ProgramUnderTest& handedOver = &running == &a ? b : a;
    EXPECT_EQ(handedOver.WaitForExit(0), 0u);

    EXPECT_EQ(ConfirmMessage(running.processId()), "提取成功！");
    EXPECT_EQ(ConfirmMessage(running.processId(), 2000), "") << "a second box";
    std::vector<std::string> results = ResultFolders(documents / "PPT_RES");
    ASSERT_EQ(results.size(), 2u) << ListTree(documents / "PPT_RES");
    // Sorted by their bytes: 命 (C3 FC) after s.
    EXPECT_EQ(results[0].compare(0, 7, "second_"), 0) << results[0];
    EXPECT_EQ(results[1].compare(0, 8, "命令 行_"), 0) << results[1];

    HWND window = WaitForTopLevelWindow(running.processId(), kMainWindowClass, "Dovrel");
    ASSERT_TRUE(window);
    const std::string shown = WindowText(FindChildByClass(window, "Edit"));
    EXPECT_TRUE(shown == first + "; " + second || shown == second + "; " + first) << shown;
    CloseExpectingExitZeroAndCloseTheFileBrowser(running, window);
}

TEST_F(EndToEndTest, AFolderOnTheCommandLineStandsForItsDocuments)
{
    const std::string folder = userFiles / "命令 行";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA((folder + "\\2024").c_str(), nullptr));
    WriteFileBytes(folder + "\\a.pptx", MakeOfficePackage(OfficeKind::Presentation, {{"image1.png", "A"}}));
    WriteFileBytes(folder + "\\2024\\b.docx", MakeOfficePackage(OfficeKind::WordDocument, {{"image1.png", "B"}}));

    // Quoted with its final "\\", as a shell's completion writes a folder.
    ProgramUnderTest program(ProgramPath(), "\"" + folder + "\\\"", false);
    EXPECT_EQ(ConfirmMessage(program.processId()), "提取成功！");
    std::vector<std::string> results = ResultFolders(documents / "PPT_RES");
    ASSERT_EQ(results.size(), 2u) << ListTree(documents / "PPT_RES");
    EXPECT_EQ(results[0].compare(0, 7, "2024_b_"), 0) << results[0];
    EXPECT_EQ(results[1].compare(0, 2, "a_"), 0) << results[1];
    HWND window = WaitForTopLevelWindow(program.processId(), kMainWindowClass, "Dovrel");
    ASSERT_TRUE(window);
    CloseExpectingExitZeroAndCloseTheFileBrowser(program, window);
}

TEST_F(EndToEndTest, TheX86ProgramExtractsTheDocumentItIsGiven)
{
    if (!DOVREL_SHIPS_X86) GTEST_SKIP() << "this build makes no x86 program";
    char wow64[MAX_PATH] = {};
    if (!GetSystemWow64DirectoryA(wow64, MAX_PATH) || !Exists(std::string(wow64) + "\\kernel32.dll")) {
        GTEST_SKIP() << "this Wine has no 32-bit part (wine32 needs a kernel that runs 32-bit programs), "
                        "so the x86 program cannot start here";
    }
    const std::string document = userFiles / "x86.pptx";
    WriteFileBytes(document, MakeOfficePackage(OfficeKind::Presentation, {{"image1.png", "PNG"}}));
    ProgramUnderTest program(BuildFolder() + "\\x86\\Dovrel.exe", "\"" + document + "\"");
    ASSERT_TRUE(program.started());
    EXPECT_EQ(ConfirmMessage(program.processId()), "提取成功！");
    EXPECT_EQ(ResultFolders(documents / "PPT_RES").size(), 1u);
    HWND window = WaitForTopLevelWindow(program.processId(), kMainWindowClass, "Dovrel");
    ASSERT_TRUE(window);
    CloseExpectingExitZeroAndCloseTheFileBrowser(program, window);
}

std::optional<std::string> RegistryText(const std::string& key, const char* value)
{
    char text[2048];
    DWORD size = sizeof text;
    if (RegGetValueA(HKEY_CURRENT_USER, key.c_str(), value, RRF_RT_REG_SZ, nullptr, text, &size)) return std::nullopt;
    return std::string(text);
}

bool RegistryKeyExists(const std::string& key)
{
    HKEY handle;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &handle)) return false;
    RegCloseKey(handle);
    return true;
}

std::string ShellFolder(int csidl)
{
    char path[MAX_PATH] = {};
    SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path);
    return path;
}

// The extensions the open dialog offers for Office documents.
std::vector<std::string> OfficeExtensions()
{
    const std::string filter = main_window::kOfficeFilter;
    const std::size_t start = filter.find('|') + 1;
    const std::string patterns = filter.substr(start, filter.find('|', start) - start);
    std::vector<std::string> extensions;
    for (std::size_t at = 0; (at = patterns.find("*.", at)) != std::string::npos; at += 2) {
        extensions.push_back(patterns.substr(at + 2, patterns.find(';', at) - at - 2));
    }
    return extensions;
}

// A setup installed silently into a fresh prefix, what it registers, the
// Explorer verb run as Explorer runs it, and the uninstaller. The shipped
// setup is 32-bit; the same script made as a 64-bit program runs here,
// where Wine may have no 32-bit part.
TEST_F(EndToEndTest, TheSetupInstallsRegistersAVerbThatExtractsAndUninstallsWithoutATrace)
{
    if (!DOVREL_SHIPS_SETUP) GTEST_SKIP() << "this build makes no setup (no makensis or no x86 program)";
    const std::string installFolder = ShellFolder(CSIDL_LOCAL_APPDATA) + "\\Programs\\Dovrel";
    const std::string uninstallKey = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Dovrel";
    const std::string startMenuLink = ShellFolder(CSIDL_PROGRAMS) + "\\Dovrel.lnk";
    const std::string sendToLink = ShellFolder(CSIDL_SENDTO) + "\\Dovrel 提取图片和视频.lnk";
    // The classes the verb is on: each extension's, every folder's and
    // every drive's.
    std::vector<std::string> classes;
    for (const std::string& extension : OfficeExtensions()) {
        classes.push_back("Software\\Classes\\SystemFileAssociations\\." + extension);
    }
    const std::string folders = "Software\\Classes\\Directory";
    classes.push_back(folders);
    classes.push_back("Software\\Classes\\Drive");
    std::vector<bool> classKeyBefore;
    for (const std::string& key : classes) classKeyBefore.push_back(RegistryKeyExists(key));
    ASSERT_FALSE(Exists(installFolder)) << "installed before the test";

    ProgramUnderTest setup(BuildFolder() + "\\" DOVREL_TEST_SETUP_FILE, "/S", false);
    ASSERT_EQ(setup.WaitForExit(60000), 0u);
    const std::string program = installFolder + "\\Dovrel.exe";
    EXPECT_EQ(ReadFileBytes(program), ReadFileBytes(ProgramPath()));
    EXPECT_TRUE(Exists(startMenuLink));
    EXPECT_TRUE(Exists(sendToLink));
    EXPECT_EQ(RegistryText(uninstallKey, "DisplayName"), "Dovrel");
    EXPECT_EQ(RegistryText(uninstallKey, "DisplayVersion"), DOVREL_VERSION);
    EXPECT_EQ(RegistryText(uninstallKey, "DisplayIcon"), program + ",0");
    EXPECT_EQ(RegistryText(uninstallKey, "Publisher"), "Dovrel");
    EXPECT_EQ(RegistryText(uninstallKey, "UninstallString"), "\"" + installFolder + "\\uninstall.exe\"");
    DWORD size = 0, bytes = sizeof size;
    EXPECT_EQ(RegGetValueA(HKEY_CURRENT_USER, uninstallKey.c_str(), "EstimatedSize", RRF_RT_REG_DWORD, nullptr, &size,
                           &bytes),
              ERROR_SUCCESS);
    EXPECT_GE(size, ReadFileBytes(program).size() / 1024);
    const std::string command = "\"" + program + "\" \"%1\"";
    for (const std::string& key : classes) {
        EXPECT_EQ(RegistryText(key + "\\shell\\Dovrel", ""), "提取图片和视频") << key;
        EXPECT_EQ(RegistryText(key + "\\shell\\Dovrel", "Icon"), program + ",0") << key;
        EXPECT_EQ(RegistryText(key + "\\shell\\Dovrel\\command", ""), command) << key;
    }

    // The verb's command on a document and on a folder (its path without a
    // final backslash), as Explorer runs it.
    const std::string document = userFiles / "右键 菜单.pptx";
    WriteFileBytes(document, MakeOfficePackage(OfficeKind::Presentation, {{"image1.png", "PNG"}}));
    const std::string folder = userFiles / "右键 文件夹";
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    WriteFileBytes(folder + "\\里面.docx", MakeOfficePackage(OfficeKind::WordDocument, {{"image1.png", "PNG"}}));
    const struct {
        std::string classKey, path, result;
    } runs[] = {{"Software\\Classes\\SystemFileAssociations\\.pptx", document, "右键 菜单_"},
                {folders, folder, "里面_"}};
    for (std::size_t run = 0; run < std::size(runs); ++run) {
        std::string verb = RegistryText(runs[run].classKey + "\\shell\\Dovrel\\command", "").value_or("");
        ASSERT_EQ(verb.compare(0, program.size() + 3, "\"" + program + "\" "), 0) << verb;
        std::string arguments = verb.substr(program.size() + 3);
        arguments.replace(arguments.find("%1"), 2, runs[run].path);
        ProgramUnderTest installed(program, arguments);
        EXPECT_EQ(ConfirmMessage(installed.processId()), "提取成功！") << runs[run].path;
        std::vector<std::string> results = ResultFolders(documents / "PPT_RES");
        ASSERT_EQ(results.size(), run + 1) << ListTree(documents / "PPT_RES");
        EXPECT_TRUE(std::any_of(results.begin(), results.end(), [&](const std::string& name) {
            return name.rfind(runs[run].result, 0) == 0;
        })) << ListTree(documents / "PPT_RES");
        HWND window = WaitForTopLevelWindow(installed.processId(), kMainWindowClass, "Dovrel");
        ASSERT_TRUE(window);
        CloseExpectingExitZeroAndCloseTheFileBrowser(installed, window);
    }

    // The quiet uninstall: it hands its work to a copy of itself outside
    // the folder and ends at once, so what it leaves is waited for.
    const std::string quiet = RegistryText(uninstallKey, "QuietUninstallString").value_or("");
    ASSERT_EQ(quiet, "\"" + installFolder + "\\uninstall.exe\" /S");
    {
        ProgramUnderTest uninstaller(installFolder + "\\uninstall.exe", "/S", false);
        EXPECT_EQ(uninstaller.WaitForExit(60000), 0u);
        EXPECT_TRUE(WaitUntil([&] { return !Exists(installFolder) && !RegistryKeyExists(uninstallKey); }, 60000))
            << ListTree(installFolder);
    }
    EXPECT_FALSE(Exists(startMenuLink));
    EXPECT_FALSE(Exists(sendToLink));
    // The verb goes, and so do the keys it alone kept.
    for (std::size_t at = 0; at < classes.size(); ++at) {
        EXPECT_FALSE(RegistryKeyExists(classes[at] + "\\shell\\Dovrel")) << classes[at];
        EXPECT_EQ(RegistryKeyExists(classes[at]), classKeyBefore[at]) << classes[at];
    }
    // The pictures are the user's: they stay.
    EXPECT_EQ(ResultFolders(documents / "PPT_RES").size(), 2u);
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
