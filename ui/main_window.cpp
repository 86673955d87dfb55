#include "ui/main_window.h"

#include "runtime/window_registry.h"
#include "core/document_batch.h"
#include "core/extraction_job.h"
#include "core/shell.h"
#include "core/work_paths.h"
#include "ui/drop_target.h"
#include "runtime/window_builder.h"

namespace dovrel {

namespace {

using namespace main_window;

constexpr int kFirstControlId = 1000;

int ControlIdOf(std::size_t unit) { return kFirstControlId + static_cast<int>(unit); }

const WindowReference kThisWindow{kWindowIdentifier, ""};

}  // namespace

MainWindow::MainWindow(HINSTANCE instance) : instance_(instance) {}

MainWindow::~MainWindow()
{
    if (window_) DestroyWindow(window_);
}

std::unique_ptr<MainWindow> MainWindow::Create(HINSTANCE instance)
{
    std::unique_ptr<MainWindow> mainWindow(new MainWindow(instance));
    if (!mainWindow->Build()) return nullptr;
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
    if (!CreateTopLevelWindow(kUnits[kWindow], kWindowSettings, instance_, WindowProcedure, this)) return false;
    registrations_.push_back(std::make_unique<ScopedWindowRegistration>(kThisWindow, window_));
    SetProgramIcon(window_, instance_);
    for (std::size_t unit = kUnitCount - 1; unit > kWindow; --unit) {
        if (!BuildUnit(unit)) {
            DestroyWindow(window_);
            return false;
        }
    }
    return true;
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
}

void MainWindow::OnWindowDestroying()
{
    dropTarget_->UnregisterDropWindow(WindowHandleOf(kThisWindow));
}

void MainWindow::OnBrowseClicked()
{
    if (!ShowFileDialog(dialog_, window_)) return;
    SelectDocuments(dialog_.FileNames());
}

void MainWindow::OnExtractClicked() { RunExtraction(); }

void MainWindow::OnFilesDropped(const Text& text)
{
    // Two or more files arrive as one text, each path followed by CR LF.
    SelectDocuments(SplitDroppedPaths(text));
}

void MainWindow::SelectDocuments(const std::vector<Text>& documents)
{
    SetSelectedDocuments(documents);
    ShowInPathBox(PathBoxText(documents));
}

void MainWindow::ShowInPathBox(const Text& text) { SetWindowTextA(controls_[kPathBox], text.c_str()); }

LRESULT MainWindow::HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED) {
            int id = LOWORD(wParam);
            for (std::size_t unit : {std::size_t{kBrowseButton}, std::size_t{kExtractButton}}) {
                if (id == ControlIdOf(unit)) RaiseEvent(unit, button_events::kClicked);
            }
            return 0;
        }
        break;
    case WM_SHOWWINDOW:
        RaiseEvent(kWindow, wParam ? window_events::kShown : window_events::kHidden);
        break;
    case WM_CLOSE:
        // Both close queries are raised; with no handler bound neither can
        // refuse, so the close always goes on.
        RaiseEvent(kWindow, window_events::kClosing);
        RaiseEvent(kWindow, window_events::kCloseQuery);
        DestroyWindow(window);
        return 0;
    case WM_QUERYENDSESSION:
        RaiseEvent(kWindow, window_events::kCloseQuery);
        return TRUE;
    case WM_DESTROY:
        RaiseEvent(kWindow, window_events::kDestroying);
        return 0;
    case WM_NCDESTROY:
        window_ = nullptr;
        controls_.fill(nullptr);
        registrations_.clear();
        // The program's only window: with it gone, the loop ends.
        PostQuitMessage(0);
        break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK MainWindow::WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self) return DefWindowProcA(window, message, wParam, lParam);
    if (message == WM_NCDESTROY) SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    return self->HandleMessage(window, message, wParam, lParam);
}

}  // namespace dovrel
