// A real OLE drag and drop under the platform: a second thread's window
// starts DoDragDrop from its WM_LBUTTONDOWN, synthetic mouse input carries
// the drag onto a window registered through the drop-target component.

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "core/shell/shell.h"
#include "core/job/work_paths.h"
#include "tests/support/current_folder.h"
#include "tests/support/data_object.h"
#include "tests/support/drag_source.h"
#include "tests/support/fake_drag_image.h"
#include "tests/support/message_pump.h"
#include "tests/support/office_package.h"
#include "runtime/ole_session.h"
#include "tests/support/recording_user_seam.h"
#include "tests/support/temp_folder.h"
#include "ui/drop/drop_target.h"
#include "ui/main_window.h"

namespace dovrel {
namespace {

using Events = std::vector<std::pair<int, Text>>;

constexpr char kTargetClassName[] = "DovrelTestDropWindow";
constexpr RECT kTargetRect{500, 400, 783, 464};  // screen coordinates
constexpr POINT kSourcePoint{150, 150};
constexpr POINT kTargetPoint{640, 432};

class OleDropTest : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(ole_.initialised());
        WNDCLASSA windowClass{};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kTargetClassName;
        RegisterClassA(&windowClass);
        window_ =
            CreateWindowExA(WS_EX_TOPMOST, kTargetClassName, "drop target", WS_POPUP | WS_VISIBLE, kTargetRect.left,
                            kTargetRect.top, kTargetRect.right - kTargetRect.left, kTargetRect.bottom - kTargetRect.top,
                            nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window_, nullptr);

        DropTargetCreation creation;
        creation.parent = window_;
        creation.rect = RECT{104, 8, 132, 36};
        creation.raiseEvent = [this](DropKind kind, Text& text) { events_.emplace_back(static_cast<int>(kind), text); };
        // Shows which calls came through the platform.
        creation.makeDragImage = [this] { return ComPtr<IDropTargetHelper>(&dragImage_); };
        component_ = DropTarget::Create(creation);
        ASSERT_TRUE(component_);
        ASSERT_TRUE(component_->RegisterDropWindow(window_));
        component_->PropertyChanged(static_cast<int>(DropKind::Files), 1);
        UpdateWindow(window_);
        test::PumpFor(100);
    }
    void TearDown() override
    {
        if (component_) component_->UnregisterDropWindow(window_);
        if (window_) DestroyWindow(window_);
        component_.reset();
        test::PumpFor(50);
    }

    OleSession ole_;
    test::FakeDragImage dragImage_;
    HWND window_ = nullptr;
    std::unique_ptr<DropTarget> component_;
    Events events_;
};

TEST_F(OleDropTest, FilesDraggedFromAnotherWindowArriveAsOneText)
{
    test::DragOutcome outcome =
        test::DragFiles({"C:\\a\\deck.pptx", "C:\\\xD1\xDD\xCA\xBE.docx"}, kSourcePoint, kTargetPoint);
    EXPECT_EQ(outcome.failure, "");
    EXPECT_TRUE(outcome.dragEnded);
    EXPECT_EQ(events_, (Events{{3, "C:\\a\\deck.pptx\r\nC:\\\xD1\xDD\xCA\xBE.docx\r\n"}}));
    // The drop target answers E_FAIL to every drop; DoDragDrop passes it on.
    EXPECT_EQ(outcome.result, E_FAIL);
    EXPECT_EQ(outcome.effect, static_cast<DWORD>(DROPEFFECT_COPY));
    ASSERT_GE(dragImage_.calls.size(), 3u);
    EXPECT_EQ(dragImage_.names().front(), "enter");
    EXPECT_EQ(dragImage_.names()[1], "over");
    EXPECT_EQ(dragImage_.names().back(), "drop");
    // The point where the button was released, in screen coordinates.
    EXPECT_EQ(dragImage_.calls.back(), "drop window=0 data=1 at=640,432 effect=7");
}

TEST_F(OleDropTest, ShiftHeldDuringTheDragChoosesMove)
{
    test::DragRequest request;
    request.formats.push_back({CF_HDROP, test::DropFilesBlock({"C:\\b.xlsx"})});
    request.from = kSourcePoint;
    request.to = kTargetPoint;
    request.allowedEffects = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    request.holdShift = true;
    test::DragOutcome outcome = test::DragData(request);
    EXPECT_EQ(outcome.failure, "");
    EXPECT_EQ(events_, (Events{{3, "C:\\b.xlsx"}}));
    // What the cursor showed while dragging. The drop's own key state is
    // not checked: this platform reads it at some tick after the release,
    // with or without the shift key, whenever that key is let go.
    EXPECT_EQ(outcome.shownEffect, static_cast<DWORD>(DROPEFFECT_MOVE));
}

TEST_F(OleDropTest, DragWithoutAnAcceptedKindIsRefused)
{
    test::DragRequest request;
    request.formats.push_back({CF_TEXT, std::string("just text\0", 10)});
    request.from = kSourcePoint;
    request.to = kTargetPoint;
    test::DragOutcome outcome = test::DragData(request);
    EXPECT_EQ(outcome.failure, "");
    EXPECT_TRUE(events_.empty());
    EXPECT_EQ(outcome.effect, static_cast<DWORD>(DROPEFFECT_NONE));
    // The drag did reach the window and was turned away there.
    ASSERT_FALSE(dragImage_.calls.empty());
    EXPECT_EQ(dragImage_.names().front(), "enter");
    EXPECT_EQ(dragImage_.names().back(), "leave");
}

// Two documents dragged onto the program's window form one batch, which the
// extract button extracts with one message.
TEST(OleDropOnMainWindow, TwoDraggedDocumentsAreExtractedAsOneBatch)
{
    OleSession ole;
    test::ScopedOverride<std::string> currentFolder{test::SwapCurrentFolder, test::CurrentFolder()};
    test::TempFolder documents;
    test::TempFolder userFiles;
    test::RecordingUserSeam user{documents.path() + "\\"};
    test::ScopedOverride<UserSeam*> userSeam{InstallUserSeam, &user};
    const std::string a = userFiles / "a.pptx";
    const std::string b = userFiles / "\xB1\xA8\xB8\xE6.xlsx";  // 报告.xlsx
    test::WriteFileBytes(a, test::MakeOfficePackage(test::OfficeKind::Presentation, {{"a.png", "A"}}));
    test::WriteFileBytes(b, test::MakeOfficePackage(test::OfficeKind::Workbook, {{"b.png", "B"}}));
    InitProgramFolder();
    std::unique_ptr<MainWindow> window = MainWindow::Create(GetModuleHandleA(nullptr));
    ASSERT_TRUE(window);
    HWND pathBox = window->control(main_window::kPathBox);
    test::PumpFor(100);

    RECT box;
    GetWindowRect(pathBox, &box);
    const POINT centre{(box.left + box.right) / 2, (box.top + box.bottom) / 2};
    test::DragOutcome outcome = test::DragFiles({a, b}, kSourcePoint, centre);
    EXPECT_EQ(outcome.failure, "");
    EXPECT_EQ(CurrentWorkPaths().selectedDocuments, (std::vector<Text>{a, b}));
    char shown[1024] = {};
    GetWindowTextA(pathBox, shown, sizeof shown);
    EXPECT_EQ(shown, a + "; " + b);

    SendMessageA(window->control(main_window::kExtractButton), BM_CLICK, 0, 0);
    const std::string outputRoot = documents / "PPT_RES";
    // 提示, 提取成功！
    const std::string success = "message:\xCC\xE1\xCA\xBE:\xCC\xE1\xC8\xA1\xB3\xC9\xB9\xA6\xA3\xA1";
    EXPECT_EQ(user.events, (std::vector<std::string>{success, "open:" + outputRoot}));
    EXPECT_EQ(test::FolderEntries(outputRoot, "TMP").size(), 2u) << test::ListTree(outputRoot);

    window.reset();
    test::PumpFor(50);
    ReleaseWorkPaths();
}

// The driver itself: a press that misses the source window (placed off the
// screen here) ends in a reported failure within the time given, not a hang.
TEST_F(OleDropTest, DriverGivesUpWhenThePressMissesTheSource)
{
    test::DragRequest request;
    request.formats.push_back({CF_HDROP, test::DropFilesBlock({"C:\\c.pptx"})});
    request.from = POINT{-2000, -2000};
    request.to = kTargetPoint;
    request.timeoutMs = 1500;
    const DWORD start = GetTickCount();
    test::DragOutcome outcome = test::DragData(request);
    EXPECT_LT(GetTickCount() - start, 5000u);
    EXPECT_TRUE(outcome.sourceReady);
    EXPECT_FALSE(outcome.dragStarted);
    EXPECT_EQ(outcome.failure, "the source window got no button press");
    EXPECT_TRUE(events_.empty());
}

}  // namespace
}  // namespace dovrel
