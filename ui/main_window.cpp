#include "ui/main_window.h"

#include <commctrl.h>
#include <windowsx.h>

#include <utility>

#include "core/job/document_batch.h"
#include "core/job/extraction_job.h"
#include "core/shell/shell.h"
#include "core/shell/user_seam.h"
#include "core/text/text_encoding.h"
#include "core/job/work_paths.h"
#include "runtime/single_instance.h"
#include "runtime/window_builder.h"
#include "runtime/window_instance.h"
#include "runtime/window_registry.h"
#include "ui/dialog/file_dialog_seam.h"
#include "ui/drop/drop_target.h"
#include "ui/main_window_layout.h"
#include "ui/path_box.h"
#include "ui/window_job_progress.h"

namespace dovrel {

namespace {

using namespace main_window;

constexpr int kFirstControlId = 1000;

// Taken documents wait this long for more (restarted with each arrival).
constexpr UINT_PTR kTakenDocumentsTimer = 1;
constexpr UINT kGatherMs = 1000;

// The width of 浏览's drop-down arrow at the design DPI.
constexpr int kSplitArrowWidth = 12;

int ControlIdOf(std::size_t unit) { return kFirstControlId + static_cast<int>(unit); }

const WindowReference kThisWindow{kWindowIdentifier, ""};

std::size_t g_failingUnit = kUnitCount;

// Sent by the shell once the window's task-bar button exists; only then
// does ITaskbarList3 act on it.
UINT TaskbarButtonCreatedMessage()
{
    static const UINT message = RegisterWindowMessageA("TaskbarButtonCreated");
    return message;
}

void MoveControl(HWND control, const RECT& area)
{
    SetWindowPos(control, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

void MainWindow::SetFailingUnit(std::size_t unit) { g_failingUnit = unit; }

MainWindow::MainWindow(HINSTANCE instance) : instance_(instance) {}

MainWindow::~MainWindow()
{
    if (window_) DestroyWindow(window_);
}

std::unique_ptr<MainWindow> MainWindow::Create(HINSTANCE instance)
{
    std::unique_ptr<MainWindow> mainWindow(new MainWindow(instance));
    if (!mainWindow->Build()) return nullptr;
    mainWindow->built_ = true;
    // Raised once the window and all its units exist; 3 and 4 follow it
    // while the window still exists.
    mainWindow->RaiseEvent(kWindow, window_events::kCreated);
    for (int event : {window_events::kAfterCreated1, window_events::kAfterCreated2}) {
        if (mainWindow->window_) mainWindow->RaiseEvent(kWindow, event);
    }
    return mainWindow;
}

bool MainWindow::Build()
{
    // Built hidden and shown whole: a start-up that fails halfway shows no
    // half-built window, and the window appears where its layout puts it.
    UnitDescription hidden = kUnits[kWindow];
    hidden.flags &= ~unit_flags::kVisible;
    if (!CreateTopLevelWindow(hidden, kWindowSettings, instance_, WindowProcedure, this)) return false;
    registrations_.push_back(std::make_unique<ScopedWindowRegistration>(kThisWindow, window_));
    SetProgramIcon(window_, instance_);
    for (std::size_t unit = kUnitCount - 1; unit > kWindow; --unit) {
        if (unit == g_failingUnit || !BuildUnit(unit)) {
            DestroyWindow(window_);
            return false;
        }
    }
    // Tab goes from left to right: path box, 浏览, 提取.
    SetWindowPos(controls_[kBrowseButton], controls_[kPathBox], 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    ApplyDpi(DpiOfWindow(window_), nullptr);
    focus_ = controls_[kBrowseButton];
    if (kUnits[kWindow].flags & unit_flags::kVisible) ShowWindow(window_, SW_SHOWDEFAULT);
    if (GetActiveWindow() == window_) SetFocus(focus_);
    return true;
}

void MainWindow::ApplyDpi(int dpi, const RECT* suggested)
{
    const DWORD style = static_cast<DWORD>(GetWindowLongA(window_, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongA(window_, GWL_EXSTYLE));
    MainWindowLayout layout =
        LayoutMainWindow(dpi, FrameAtDpi(style, exStyle, kDesignDpi), FrameAtDpi(style, exStyle, dpi));
    if (suggested) {
        SetWindowPos(window_, nullptr, suggested->left, suggested->top, suggested->right - suggested->left,
                     suggested->bottom - suggested->top, SWP_NOZORDER | SWP_NOACTIVATE);
    } else {
        POINT at = WindowPositionFor({UnitType::Window, "", 0, 0, layout.outer.cx, layout.outer.cy, 0, {}, {}},
                                     kWindowSettings, {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)});
        SetWindowPos(window_, nullptr, at.x, at.y, layout.outer.cx, layout.outer.cy, SWP_NOZORDER | SWP_NOACTIVATE);
    }
    MoveControl(controls_[kPathBox], layout.pathBox);
    MoveControl(controls_[kBrowseButton], layout.browseButton);
    MoveControl(controls_[kExtractButton], layout.extractButton);
    // 浏览's arrow as narrow as its glyph allows, so the caption keeps its room.
    BUTTON_SPLITINFO split{};
    split.mask = BCSIF_SIZE;
    split.size = {MulDiv(kSplitArrowWidth, dpi, kDesignDpi), 0};
    SendMessageW(controls_[kBrowseButton], BCM_SETSPLITINFO, 0, reinterpret_cast<LPARAM>(&split));

    UniqueGdiObject font = CreateMessageFont(dpi);
    if (!font) return;
    for (Unit unit : {kPathBox, kBrowseButton, kExtractButton}) {
        SendMessageA(controls_[unit], WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), TRUE);
    }
    // The controls no longer use the old font: it can go.
    font_ = std::move(font);
}

bool MainWindow::BuildUnit(std::size_t unit)
{
    const UnitDescription& description = kUnits[unit];
    switch (description.type) {
    case UnitType::EditBox:
    case UnitType::Button:
        controls_[unit] = CreateControl(description, window_, ControlIdOf(unit), instance_);
        if (!controls_[unit]) return false;
        registrations_.push_back(std::make_unique<ScopedWindowRegistration>(
            WindowReference{kWindowIdentifier, Text(description.name)}, controls_[unit]));
        return true;
    case UnitType::CommonDialog:
        // The stored settings are a new component's defaults.
        dialog_ = CommonDialog();
        return true;
    case UnitType::Zip:
        // The zip component keeps nothing between extractions and no
        // progress handler is bound, so it needs no object of its own.
        return true;
    case UnitType::DropTarget: {
        DropTargetCreation creation;
        creation.designData = Text(description.designData);
        creation.parent = window_;
        creation.childId = ControlIdOf(unit);
        creation.rect = {description.left, description.top, description.left + description.width,
                         description.top + description.height};
        creation.raiseEvent = [this, unit](DropKind kind, Text& text) {
            RaiseEvent(unit, static_cast<int>(kind), &text);
        };
        dropTarget_ = DropTarget::Create(creation);
        return dropTarget_ != nullptr;
    }
    case UnitType::Window: break;
    }
    return false;
}

bool MainWindow::RaiseEvent(std::size_t unit, int event, Text* argument)
{
    for (const EventBinding& binding : kBindings) {
        if (binding.unit != unit || binding.event != event) continue;
        switch (static_cast<Handler>(binding.handler)) {
        case kOnWindowCreated: OnWindowCreated(); break;
        case kOnWindowDestroying: OnWindowDestroying(); break;
        case kOnBrowseClicked: OnBrowseClicked(); break;
        case kOnExtractClicked: OnExtractClicked(); break;
        case kOnFilesDropped: OnFilesDropped(argument ? *argument : Text()); break;
        }
        return true;
    }
    return false;
}

void MainWindow::OnWindowCreated()
{
    SetUpWorkPaths();
    dialog_.SetProperty(static_cast<int>(CommonDialogProperty::InitialFolder), ProgramFolder());
    dialog_.SetProperty(static_cast<int>(CommonDialogProperty::Filter), Text(kOfficeFilter));
    dialog_.SetAllowMultipleFiles(true);
    dropTarget_->RegisterDropWindow(WindowHandleOf(kThisWindow));
    dropTarget_->PropertyChanged(static_cast<std::int32_t>(DropKind::Files), 1);
    SetMessageOwner(window_);
}

void MainWindow::OnWindowDestroying()
{
    if (MessageOwner() == window_) SetMessageOwner(nullptr);
    // A window whose units were not all built has no drop target yet.
    if (dropTarget_) dropTarget_->UnregisterDropWindow(WindowHandleOf(kThisWindow));
}

void MainWindow::OnBrowseClicked()
{
    if (!ShowFileDialog(dialog_, window_)) return;
    SelectDocuments(dialog_.FileNames());
}

void MainWindow::OnBrowseMenu(POINT at)
{
    if (busy_) return;
    const std::vector<Text> items = {Text(kBrowseFilesItem), Text(kBrowseFolderItem)};
    switch (CurrentFileDialogSeam().ChooseFromMenu(window_, at, items)) {
    case 1: OnBrowseClicked(); break;
    case 2: OnBrowseFolderChosen(); break;
    default: break;
    }
}

void MainWindow::OnBrowseFolderChosen()
{
    if (!ShowFolderDialog(dialog_, window_)) return;
    SelectDocuments(dialog_.FileNames());
}

void MainWindow::OnExtractClicked()
{
    // The job pumps messages: nothing that arrives meanwhile may start it again.
    if (busy_) return;
    SetBusy(true);
    {
        WindowJobProgress progress(window_, Text(kUnits[kWindow].caption), taskbar_.get(),
                                   [this] { return closeRequested_; });
        RunExtraction(&progress);
    }
    SetBusy(false);
    if (closeRequested_ && window_) DestroyWindow(window_);
}

void MainWindow::OnFilesDropped(const Text& text)
{
    // Two or more files arrive as one text, each path followed by CR LF.
    SelectDocuments(SplitDroppedPaths(text));
}

void MainWindow::TakeDocuments(const std::vector<std::wstring>& documents)
{
    if (!window_ || documents.empty()) return;
    for (const std::wstring& document : documents) taken_.push_back(TextFromWide(document));
    // A running job keeps its documents; the taken ones are shown when due.
    if (!busy_) SelectDocuments(taken_);
    SetTimer(window_, kTakenDocumentsTimer, kGatherMs, nullptr);
}

void MainWindow::OnTakenDocumentsDue()
{
    if (busy_ || !IsWindowEnabled(window_)) return;
    KillTimer(window_, kTakenDocumentsTimer);
    if (taken_.empty()) return;
    SelectDocuments(std::exchange(taken_, {}));
    OnExtractClicked();
}

void MainWindow::SelectDocuments(const std::vector<Text>& documents)
{
    SetSelectedDocuments(documents);
    ShowInPathBox(PathBoxText(documents));
    UpdateDefaultButton();
}

void MainWindow::OnPathBoxEdited()
{
    // What the user types is one path: a file name may itself hold "; ".
    Text document = DocumentFromPathBox(WindowTextOf(controls_[kPathBox]));
    SetSelectedDocuments(document.empty() ? std::vector<Text>{} : std::vector<Text>{document});
    UpdateDefaultButton();
}

void MainWindow::ShowInPathBox(const Text& text)
{
    writingPathBox_ = true;
    SetWindowTextOf(controls_[kPathBox], text);
    writingPathBox_ = false;
}

void MainWindow::UpdateDefaultButton()
{
    const bool chosen = !CurrentWorkPaths().selectedDocuments.empty();
    SendMessageA(controls_[kExtractButton], BM_SETSTYLE, chosen ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON, TRUE);
}

LRESULT MainWindow::DefaultButtonId() const
{
    // Enter presses a focused button, else 提取 once a document is chosen.
    HWND focus = GetFocus();
    for (Unit button : {kBrowseButton, kExtractButton}) {
        if (focus == controls_[button]) return MAKELRESULT(ControlIdOf(button), DC_HASDEFID);
    }
    if (!CurrentWorkPaths().selectedDocuments.empty()) return MAKELRESULT(ControlIdOf(kExtractButton), DC_HASDEFID);
    return 0;
}

void MainWindow::SetBusy(bool busy)
{
    if (busy) {
        HWND focus = GetFocus();
        if (focus && IsChild(window_, focus)) focus_ = focus;
    }
    busy_ = busy;
    for (Unit unit : {kPathBox, kBrowseButton, kExtractButton}) EnableWindow(controls_[unit], !busy);
    if (dropTarget_) dropTarget_->SetRefusing(busy);
    if (!busy && focus_ && GetActiveWindow() == window_) SetFocus(focus_);
    // The pointer takes the busy cursor (or drops it) now, not at its next move.
    POINT pointer;
    if (GetCursorPos(&pointer)) SetCursorPos(pointer.x, pointer.y);
}

LRESULT MainWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == ControlIdOf(kPathBox)) {
            if (HIWORD(wParam) == EN_CHANGE && !writingPathBox_) OnPathBoxEdited();
            return 0;
        }
        if (HIWORD(wParam) == BN_CLICKED) {
            int id = LOWORD(wParam);
            for (std::size_t unit : {std::size_t{kBrowseButton}, std::size_t{kExtractButton}}) {
                if (id == ControlIdOf(unit)) RaiseEvent(unit, button_events::kClicked);
            }
            return 0;
        }
        break;
    case WM_NOTIFY: {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header && header->hwndFrom == controls_[kBrowseButton] && header->code == BCN_DROPDOWN) {
            // The menu opens under the button, as a drop-down's does.
            RECT button;
            GetWindowRect(controls_[kBrowseButton], &button);
            OnBrowseMenu({button.left, button.bottom});
            return 0;
        }
        break;
    }
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) == controls_[kBrowseButton]) {
            // From the keyboard (Shift+F10, the menu key) the point is -1, -1.
            POINT at = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            if (at.x == -1 && at.y == -1) {
                RECT button;
                GetWindowRect(controls_[kBrowseButton], &button);
                at = {button.left, button.bottom};
            }
            OnBrowseMenu(at);
            return 0;
        }
        break;
    case WM_COPYDATA:
        if (!lParam) return FALSE;
        if (auto documents = DocumentsFromHandOver(*reinterpret_cast<const COPYDATASTRUCT*>(lParam))) {
            TakeDocuments(*documents);
            return TRUE;
        }
        return FALSE;
    case WM_TIMER:
        if (wParam == kTakenDocumentsTimer) {
            OnTakenDocumentsDue();
            return 0;
        }
        break;
    case WM_SHOWWINDOW: RaiseEvent(kWindow, wParam ? window_events::kShown : window_events::kHidden); break;
    case WM_CLOSE:
        // Both close queries are raised; with no handler bound neither can
        // refuse, so the close always goes on: at once, or once a running
        // job has stopped at its next report.
        RaiseEvent(kWindow, window_events::kClosing);
        RaiseEvent(kWindow, window_events::kCloseQuery);
        if (busy_) {
            closeRequested_ = true;
            return 0;
        }
        DestroyWindow(window);
        return 0;
    case WM_SETCURSOR:
        if (busy_) {
            SetCursor(busyCursor_);
            return TRUE;
        }
        break;
    case WM_ACTIVATE:
        // The focus goes back where it was when the window is active again.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(window, focus)) focus_ = focus;
        } else if (!busy_ && focus_ && IsWindow(focus_)) {
            SetFocus(focus_);
            return 0;
        }
        break;
    case DM_GETDEFID: return busy_ ? 0 : DefaultButtonId();
    case WM_DPICHANGED: ApplyDpi(HIWORD(wParam), reinterpret_cast<const RECT*>(lParam)); return 0;
    case WM_QUERYENDSESSION: RaiseEvent(kWindow, window_events::kCloseQuery); return TRUE;
    case WM_DESTROY: RaiseEvent(kWindow, window_events::kDestroying); return 0;
    case WM_NCDESTROY:
        window_ = nullptr;
        controls_.fill(nullptr);
        focus_ = nullptr;
        registrations_.clear();
        taskbar_.reset();
        font_.reset();  // the controls that used it are gone
        // The program's only window: with it gone, the loop ends. A window
        // that failed to build ends nothing: the start-up failure is
        // reported, and a quit message would close that report at once.
        if (built_) PostQuitMessage(0);
        break;
    default:
        if (message == TaskbarButtonCreatedMessage()) {
            ComPtr<ITaskbarList3> taskbar;
            if (SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                           taskbar.put_void())) &&
                SUCCEEDED(taskbar->HrInit())) {
                taskbar_ = std::move(taskbar);
            }
            return 0;
        }
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK MainWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    MainWindow* self = WindowInstance<MainWindow>(window, message, lParam);
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    if (message == WM_NCCREATE) self->window_ = window;
    return self->HandleMessage(window, message, wParam, lParam);
}

}  // namespace dovrel
