#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "runtime/ole_session.h"
#include "core/shell/shell.h"
#include "core/job/document_kind.h"
#include "core/job/work_paths.h"
#include "tests/support/current_folder.h"
#include "tests/support/data_object.h"
#include "tests/support/office_package.h"
#include "tests/support/recording_user_seam.h"
#include "tests/support/temp_folder.h"
#include "ui/drop/drop_target.h"
#include "ui/dialog/file_dialog_seam.h"
#include "ui/main_window.h"
#include "ui/main_window_description.h"
#include "ui/path_box.h"

namespace dovrel {
namespace {

using namespace main_window;

// Answers the browse dialog at once: with a path, or as a cancel.
class AnsweringFileDialog final : public FileDialogSeam {
public:
    bool OpenFile(OPENFILENAMEA& request) override
    {
        ++calls;
        filter.assign(request.lpstrFilter ? request.lpstrFilter : "", request.lpstrFilter ? 200 : 0);
        initialFolder = request.lpstrInitialDir ? request.lpstrInitialDir : "";
        startName = request.lpstrFile;
        owner = request.hwndOwner;
        flags = request.Flags;
        if (!answer) return false;
        // The answer may be a list: folder, names, each ending in a zero.
        std::memcpy(request.lpstrFile, answer->data(), std::min<std::size_t>(answer->size() + 1, request.nMaxFile));
        request.nFileOffset = answerOffset;
        return true;
    }
    bool SaveFile(OPENFILENAMEA&) override { return false; }
    bool PickFolder(const FolderDialogRequest& request, Text& folder) override
    {
        ++folderCalls;
        owner = request.owner;
        if (folderAnswer.empty()) return false;
        folder = folderAnswer;
        return true;
    }
    int ChooseFromMenu(HWND menuOwner, POINT, const std::vector<Text>& items) override
    {
        owner = menuOwner;
        menuItems = items;
        return menuAnswer;
    }

    std::optional<std::string> answer;
    Text folderAnswer;  // empty: the folder dialog is cancelled
    int folderCalls = 0;
    int menuAnswer = 0;
    std::vector<Text> menuItems;
    WORD answerOffset = 0;  // set for a list
    DWORD flags = 0;
    int calls = 0;
    std::string filter, initialFolder, startName;
    HWND owner = nullptr;
};

RECT ClientRectOf(HWND control)
{
    RECT area;
    GetWindowRect(control, &area);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&area), 2);
    return area;
}

void Pump()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        DispatchMessageA(&message);
    }
}

class MainWindowTest : public testing::Test {
protected:
    void SetUp() override
    {
        InitProgramFolder();
        window = MainWindow::Create(GetModuleHandleA(nullptr));
        ASSERT_TRUE(window);
        ASSERT_TRUE(window->handle());
    }
    void TearDown() override
    {
        window.reset();
        MSG quit;
        while (PeekMessageA(&quit, nullptr, 0, 0, PM_REMOVE)) {}
        ReleaseWorkPaths();
    }

    HWND Control(Unit unit) const { return window->control(unit); }
    std::string PathBoxText() const
    {
        char text[1024] = {};
        GetWindowTextA(Control(kPathBox), text, sizeof text);
        return text;
    }
    void Click(Unit button)
    {
        SendMessageA(Control(button), BM_CLICK, 0, 0);
        Pump();
    }
    void DropFiles(const std::vector<std::string>& paths)
    {
        auto data = test::MemoryDataObject::Create();
        data->Offer(CF_HDROP, test::DropFilesBlock(paths));
        IDropTarget* target = window->dropTarget()->dropTarget();
        DWORD effect = DROPEFFECT_COPY;
        POINTL point{0, 0};
        target->DragEnter(data.get(), 0, point, &effect);
        effect = DROPEFFECT_COPY;
        target->Drop(data.get(), 0, point, &effect);
    }

    test::ScopedOverride<std::string> currentFolder{test::SwapCurrentFolder, test::CurrentFolder()};
    OleSession ole;
    test::TempFolder documents;
    test::TempFolder userFiles;
    test::RecordingUserSeam user{documents.path() + "\\"};
    test::ScopedOverride<UserSeam*> userSeam{InstallUserSeam, &user};
    AnsweringFileDialog dialog;
    test::ScopedOverride<FileDialogSeam*> dialogSeam{InstallFileDialogSeam, &dialog};
    std::unique_ptr<MainWindow> window;
};

TEST_F(MainWindowTest, TheWindowIsAFixedCentredStripWithOnlyACloseBox)
{
    HWND handle = window->handle();
    RECT frame;
    GetWindowRect(handle, &frame);
    EXPECT_EQ(frame.right - frame.left, 283);
    EXPECT_EQ(frame.bottom - frame.top, 64);
    EXPECT_EQ(frame.left, (GetSystemMetrics(SM_CXSCREEN) - 283) / 2);
    EXPECT_EQ(frame.top, (GetSystemMetrics(SM_CYSCREEN) - 64) / 2);

    LONG style = GetWindowLongA(handle, GWL_STYLE);
    EXPECT_EQ(style & (WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_VISIBLE),
              WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN | WS_VISIBLE);
    EXPECT_EQ(style & (WS_THICKFRAME | WS_MAXIMIZEBOX | WS_MINIMIZEBOX | WS_CHILD | WS_POPUP), 0);
    EXPECT_EQ(GetWindowLongA(handle, GWL_EXSTYLE) & (WS_EX_TOPMOST | WS_EX_TOOLWINDOW), 0);
    EXPECT_EQ(GetWindow(handle, GW_OWNER), nullptr);

    char caption[64] = {};
    GetWindowTextA(handle, caption, sizeof caption);
    EXPECT_STREQ(caption, "Dovrel");
    EXPECT_EQ(GetClassLongPtrA(handle, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_BTNFACE + 1));
    EXPECT_NE(SendMessageA(handle, WM_GETICON, ICON_BIG, 0), 0);
    EXPECT_NE(SendMessageA(handle, WM_GETICON, ICON_SMALL, 0), 0);
    // The system menu can still move the window.
    EXPECT_NE(GetMenuState(GetSystemMenu(handle, FALSE), SC_MOVE, MF_BYCOMMAND), static_cast<UINT>(-1));
}

// A top-level window of this thread created visible (a CBT hook sees its
// creation style).
int g_windowsCreatedVisible = 0;
LRESULT CALLBACK CountVisibleCreations(int code, WPARAM wParam, LPARAM lParam)
{
    if (code == HCBT_CREATEWND) {
        const CREATESTRUCTA& create = *reinterpret_cast<CBT_CREATEWNDA*>(lParam)->lpcs;
        if (!create.hwndParent && (create.style & WS_VISIBLE)) ++g_windowsCreatedVisible;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(MainWindowStartUp, AStartUpThatFailsHalfwayShowsNoWindow)
{
    OleSession ole;
    InitProgramFolder();
    HHOOK hook = SetWindowsHookExA(WH_CBT, CountVisibleCreations, nullptr, GetCurrentThreadId());
    ASSERT_TRUE(hook);
    g_windowsCreatedVisible = 0;
    MainWindow::SetFailingUnit(kBrowseButton);
    EXPECT_FALSE(MainWindow::Create(GetModuleHandleA(nullptr)));
    MainWindow::SetFailingUnit(kUnitCount);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(g_windowsCreatedVisible, 0);
    ReleaseWorkPaths();
}

TEST_F(MainWindowTest, EveryVisualUnitIsBuiltAsItsDescriptionSays)
{
    struct Expected {
        Unit unit;
        const char* platformClass;
        const char* caption;
        LONG ownStyle;
    };
    const Expected expected[] = {
        {kPathBox, "Edit", "", ES_AUTOHSCROLL},
        {kBrowseButton, "Button", "\xE4\xAF\xC0\xC0", BS_SPLITBUTTON | BS_CENTER | BS_VCENTER},  // 浏览
        {kExtractButton, "Button", "\xCC\xE1\xC8\xA1", BS_CENTER | BS_VCENTER},                  // 提取
    };
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.caption);
        HWND control = Control(e.unit);
        ASSERT_TRUE(control);
        const UnitDescription& description = kUnits[e.unit];
        RECT area = ClientRectOf(control);
        EXPECT_EQ(area.left, description.left);
        EXPECT_EQ(area.top, description.top);
        EXPECT_EQ(area.right - area.left, description.width);
        EXPECT_EQ(area.bottom - area.top, description.height);

        char className[32] = {};
        GetClassNameA(control, className, sizeof className);
        EXPECT_STRCASEEQ(className, e.platformClass);
        char caption[64] = {};
        GetWindowTextA(control, caption, sizeof caption);
        EXPECT_STREQ(caption, e.caption);

        LONG style = GetWindowLongA(control, GWL_STYLE);
        EXPECT_EQ(style & e.ownStyle, e.ownStyle);
        EXPECT_TRUE(style & WS_VISIBLE);
        EXPECT_TRUE(style & WS_TABSTOP);
        EXPECT_FALSE(style & WS_DISABLED);
        if (description.type == UnitType::Button) {
            EXPECT_EQ(style & BS_DEFPUSHBUTTON, 0);
        }
        if (description.type == UnitType::EditBox) {
            EXPECT_EQ(style & (ES_READONLY | ES_PASSWORD | ES_MULTILINE), 0);
        }
        // The window's own message font, one for all three controls.
        HGDIOBJ font = reinterpret_cast<HGDIOBJ>(SendMessageA(control, WM_GETFONT, 0, 0));
        EXPECT_NE(font, GetStockObject(DEFAULT_GUI_FONT));
        EXPECT_EQ(font, reinterpret_cast<HGDIOBJ>(SendMessageA(Control(kPathBox), WM_GETFONT, 0, 0)));
        LOGFONTW used{};
        NONCLIENTMETRICSW metrics{};
        metrics.cbSize = sizeof metrics;
        ASSERT_TRUE(GetObjectW(font, sizeof used, &used));
        ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0));
        EXPECT_EQ(std::wstring(used.lfFaceName), std::wstring(metrics.lfMessageFont.lfFaceName));
    }
    // The three form one row with four pixels between neighbours.
    EXPECT_EQ(ClientRectOf(Control(kPathBox)).right + 4, ClientRectOf(Control(kBrowseButton)).left);
    EXPECT_EQ(ClientRectOf(Control(kBrowseButton)).right + 4, ClientRectOf(Control(kExtractButton)).left);
}

TEST_F(MainWindowTest, TheNonVisualComponentsShowNothing)
{
    HWND host = window->dropTarget()->hostWindow();
    ASSERT_TRUE(host);
    EXPECT_FALSE(IsWindowVisible(host));
    int visibleChildren = 0;
    for (HWND child = GetWindow(window->handle(), GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (IsWindowVisible(child)) ++visibleChildren;
    }
    EXPECT_EQ(visibleChildren, 3);
}

TEST_F(MainWindowTest, CreationSetsUpPathsDialogAndDrops)
{
    EXPECT_EQ(CurrentWorkPaths().outputRoot, documents / "PPT_RES");
    EXPECT_EQ(window->openFileDialog().InitialFolder(), ProgramFolder());
    // Office文档, 演示文稿, 文档, 工作簿 and 所有文件, in code page 936.
    EXPECT_EQ(window->openFileDialog().Filter(),
              "Office\xCE\xC4\xB5\xB5\xA3\xA8*.ppt,*.pptx,*.doc,*.docx,*.xls,*.xlsx\xA3\xA9|"
              "*.ppt;*.pptx;*.doc;*.docx;*.xls;*.xlsx;*.pptm;*.ppsx;*.ppsm;*.potx;*.potm;"
              "*.docm;*.dotx;*.dotm;*.xlsm;*.xlsb;*.xltx;*.xltm;*.pps;*.pot;*.dot;*.xlt;"
              "*.dps;*.dpt;*.wps;*.wpt;*.et;*.ett;*.odp;*.otp;*.odt;*.ott;*.ods;*.ots;*.odg;*.otg|"
              "\xD1\xDD\xCA\xBE\xCE\xC4\xB8\xE5\xA3\xA8*.ppt,*.pptx,*.pptm,*.ppsx,*.ppsm,*.potx,*.potm,*.pps,*.pot,"
              "*.dps,*.dpt,*.odp,*.otp\xA3\xA9|*.ppt;*.pptx;*.pptm;*.ppsx;*.ppsm;*.potx;*.potm;*.pps;*.pot;*.dps;*.dpt;"
              "*.odp;*.otp|"
              "\xCE\xC4\xB5\xB5\xA3\xA8*.doc,*.docx,*.docm,*.dotx,*.dotm,*.dot,*.wps,*.wpt,*.odt,*.ott\xA3\xA9|"
              "*.doc;*.docx;*.docm;*.dotx;*.dotm;*.dot;*.wps;*.wpt;*.odt;*.ott|"
              "\xB9\xA4\xD7\xF7\xB2\xBE\xA3\xA8*.xls,*.xlsx,*.xlsm,*.xlsb,*.xltx,*.xltm,*.xlt,*.et,*.ett,*.ods,"
              "*.ots\xA3\xA9|*.xls;*.xlsx;*.xlsm;*.xlsb;*.xltx;*.xltm;*.xlt;*.et;*.ett;*.ods;*.ots|"
              "\xCB\xF9\xD3\xD0\xCE\xC4\xBC\xFE\xA3\xA8*.*\xA3\xA9|*.*");
    // The first entry's patterns are the extensions the job knows a kind for.
    const std::string filter = window->openFileDialog().Filter();
    const std::size_t first = filter.find('|') + 1;
    for (std::size_t at = first; at < filter.find('|', first);) {
        const std::size_t end = std::min(filter.find(';', at), filter.find('|', at));
        EXPECT_NE(KindForExtension(filter.substr(at + 2, end - at - 2)), DocumentKind::Unknown)
            << filter.substr(at, end - at);
        at = end + 1;
    }
    EXPECT_TRUE(window->openFileDialog().AllowMultipleFiles());
    EXPECT_EQ(window->dropTarget()->registeredWindow(), window->handle());
    EXPECT_EQ(window->dropTarget()->PropertyValue(static_cast<std::int32_t>(DropKind::Files)), 1);
    EXPECT_EQ(window->dropTarget()->PropertyValue(static_cast<std::int32_t>(DropKind::Text)), 0);
}

TEST_F(MainWindowTest, BrowseConfirmedSelectsAndShowsThePath)
{
    dialog.answer = userFiles / "报告.pptx";
    Click(kBrowseButton);
    EXPECT_EQ(dialog.calls, 1);
    EXPECT_EQ(dialog.owner, window->handle());
    EXPECT_EQ(dialog.initialFolder, ProgramFolder());
    EXPECT_EQ(dialog.filter.substr(0, 6), "Office");
    EXPECT_EQ(PathBoxText(), *dialog.answer);
    EXPECT_EQ(CurrentWorkPaths().selectedDocuments, std::vector<Text>{*dialog.answer});

    // The next browse starts from the previous choice; a cancel keeps it.
    std::string previous = *dialog.answer;
    dialog.answer.reset();
    Click(kBrowseButton);
    EXPECT_NE(dialog.startName.find("\xB1\xA8\xB8\xE6.pptx"), std::string::npos) << dialog.startName;
    EXPECT_EQ(PathBoxText(), previous);
    EXPECT_EQ(CurrentWorkPaths().selectedDocuments, std::vector<Text>{previous});
}

TEST_F(MainWindowTest, BrowseCancelledChangesNothing)
{
    Click(kBrowseButton);
    EXPECT_EQ(dialog.calls, 1);
    EXPECT_EQ(PathBoxText(), "");
    EXPECT_TRUE(CurrentWorkPaths().selectedDocuments.empty());
}

struct BrowseMenuCase {
    const char* name;
    bool fromKeyboard;  // the context menu's key, else the arrow's drop-down
    int item;           // what the menu answers: 0 none, 1 files, 2 a folder
    int fileDialogs, folderDialogs;
    bool folderSelected;
};

void PrintTo(const BrowseMenuCase& c, std::ostream* out) { *out << c.name; }

class BrowseMenu : public MainWindowTest, public testing::WithParamInterface<BrowseMenuCase> {};

TEST_P(BrowseMenu, OffersTheFileDialogOrTheFolderDialog)
{
    const BrowseMenuCase& c = GetParam();
    dialog.folderAnswer = userFiles.path();
    dialog.menuAnswer = c.item;
    if (c.fromKeyboard) {
        SendMessageW(window->handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(Control(kBrowseButton)),
                     MAKELPARAM(-1, -1));
    } else {
        NMBCDROPDOWN dropDown{};
        dropDown.hdr.hwndFrom = Control(kBrowseButton);
        dropDown.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(Control(kBrowseButton)));
        dropDown.hdr.code = BCN_DROPDOWN;
        SendMessageW(window->handle(), WM_NOTIFY, dropDown.hdr.idFrom, reinterpret_cast<LPARAM>(&dropDown));
    }
    Pump();
    // 选择文件(&F)... and 选择文件夹(&D)...
    EXPECT_EQ(dialog.menuItems, (std::vector<Text>{"\xD1\xA1\xD4\xF1\xCE\xC4\xBC\xFE(&F)...",
                                                   "\xD1\xA1\xD4\xF1\xCE\xC4\xBC\xFE\xBC\xD0(&D)..."}));
    EXPECT_EQ(dialog.owner, window->handle());
    EXPECT_EQ(dialog.calls, c.fileDialogs);
    EXPECT_EQ(dialog.folderCalls, c.folderDialogs);
    const std::vector<Text> selected = c.folderSelected ? std::vector<Text>{userFiles.path()} : std::vector<Text>{};
    EXPECT_EQ(CurrentWorkPaths().selectedDocuments, selected);
    EXPECT_EQ(PathBoxText(), c.folderSelected ? userFiles.path() : "");
}

INSTANTIATE_TEST_SUITE_P(Items, BrowseMenu,
                         testing::Values(BrowseMenuCase{"ArrowThenFolder", false, 2, 0, 1, true},
                                         BrowseMenuCase{"ArrowThenFiles", false, 1, 1, 0, false},
                                         BrowseMenuCase{"ArrowThenNothing", false, 0, 0, 0, false},
                                         BrowseMenuCase{"KeyboardThenFolder", true, 2, 0, 1, true}),
                         [](const testing::TestParamInfo<BrowseMenuCase>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(MainWindowTest, ADroppedFileIsSelectedLikeAChosenOne)
{
    const std::string path = userFiles / "deck.pptx";
    DropFiles({path});
    EXPECT_EQ(PathBoxText(), path);
    EXPECT_EQ(CurrentWorkPaths().selectedDocuments, std::vector<Text>{path});
}

TEST_F(MainWindowTest, TwoDroppedFilesAreABatchShownWithSemicolons)
{
    const std::string a = userFiles / "a.pptx";
    const std::string b = userFiles / "\xB1\xA8\xB8\xE6.docx";  // 报告.docx
    DropFiles({a, b});
    EXPECT_EQ(CurrentWorkPaths().selectedDocuments, (std::vector<Text>{a, b}));
    EXPECT_EQ(PathBoxText(), a + "; " + b);
}

TEST_F(MainWindowTest, SeveralFilesChosenInTheDialogAreABatch)
{
    const std::string folder = userFiles.path();
    dialog.answer = folder + std::string("\0a.pptx\0b.xlsx\0", 15);
    dialog.answerOffset = static_cast<WORD>(folder.size() + 1);
    Click(kBrowseButton);
    EXPECT_EQ(dialog.flags & OFN_ALLOWMULTISELECT, static_cast<DWORD>(OFN_ALLOWMULTISELECT));
    EXPECT_EQ(CurrentWorkPaths().selectedDocuments, (std::vector<Text>{folder + "\\a.pptx", folder + "\\b.xlsx"}));
    EXPECT_EQ(PathBoxText(), folder + "\\a.pptx; " + folder + "\\b.xlsx");
}

TEST_F(MainWindowTest, WhatIsTypedOrPastedIsWhatIsExtracted)
{
    const std::string chosen = userFiles / "chosen.pptx";
    test::WriteFileBytes(chosen, test::MakeOfficePackage(test::OfficeKind::Presentation, {{"a.png", "A"}}));
    const std::string typed = userFiles / "typed.pptx";
    test::WriteFileBytes(typed, test::MakeOfficePackage(test::OfficeKind::Presentation, {{"b.png", "B"}}));

    dialog.answer = chosen;
    Click(kBrowseButton);
    EXPECT_EQ(CurrentWorkPaths().selectedDocuments, std::vector<Text>{chosen});
    // As the shell's "copy as path" pastes it.
    SetWindowTextA(Control(kPathBox), (" \"" + typed + "\"  ").c_str());
    EXPECT_EQ(CurrentWorkPaths().selectedDocuments, std::vector<Text>{typed});
    Click(kExtractButton);

    ASSERT_EQ(user.events.size(), 2u);
    EXPECT_EQ(user.events[0], "message:\xCC\xE1\xCA\xBE:\xCC\xE1\xC8\xA1\xB3\xC9\xB9\xA6\xA3\xA1");
    std::string tree = test::ListTree(documents / "PPT_RES");
    EXPECT_NE(tree.find("typed_"), std::string::npos) << tree;
    EXPECT_EQ(tree.find("chosen_"), std::string::npos) << tree;
}

TEST(PathBoxText, NamesTheDocumentWithoutBlanksAndQuotesAround)
{
    const std::pair<const char*, const char*> rows[] = {
        {"C:\\a\\deck.pptx", "C:\\a\\deck.pptx"},
        {"  \"C:\\a b\\deck.pptx\"\t", "C:\\a b\\deck.pptx"},
        {"\"\xB1\xA8\xB8\xE6 .pptx\"", "\xB1\xA8\xB8\xE6 .pptx"},  // 报告 .pptx: inner blanks stay
        {" \" \" ", ""},
        {"", ""},
    };
    for (const auto& [box, document] : rows) EXPECT_EQ(DocumentFromPathBox(box), document) << box;
}

TEST_F(MainWindowTest, ClosingRevokesTheDropRegistrationAndQuitsWithZero)
{
    DropTarget* drop = window->dropTarget();
    SendMessageA(window->handle(), WM_CLOSE, 0, 0);
    EXPECT_EQ(window->handle(), nullptr);
    EXPECT_EQ(drop->registeredWindow(), nullptr);
    MSG quit{};
    ASSERT_TRUE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
    EXPECT_EQ(quit.wParam, 0u);
}

}  // namespace
}  // namespace dovrel
