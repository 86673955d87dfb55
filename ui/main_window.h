#pragma once
// The program's only window, built from its stored description, with the
// handlers its description binds: the browse and drop handlers set the
// selected document, the extract handler runs the job.

#include <windows.h>

#include <array>
#include <memory>
#include <vector>

#include "core/text.h"
#include "ui/common_dialog.h"
#include "ui/main_window_description.h"

namespace dovrel {

class DropTarget;
class ScopedWindowRegistration;

// The identifier by which the window and its units are looked up.
inline constexpr char kWindowIdentifier[] = "MainWindow";

class MainWindow {
public:
    // Builds the window and its units, then raises its Created event (which
    // runs OnWindowCreated). Nothing when the window cannot be built.
    static std::unique_ptr<MainWindow> Create(HINSTANCE instance);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // The native window; null once it has been destroyed.
    HWND handle() const { return window_; }
    // A visual unit's native control (not owned: it dies with the window).
    HWND control(main_window::Unit unit) const { return controls_[unit]; }
    CommonDialog& openFileDialog() { return dialog_; }
    DropTarget* dropTarget() { return dropTarget_.get(); }

    // The runtime's event dispatch: runs the handler that the description
    // binds to (unit, event), if any. argument is the event's one text, for
    // events that carry one. Answers whether a handler ran.
    bool RaiseEvent(std::size_t unit, int event, Text* argument = nullptr);

private:
    explicit MainWindow(HINSTANCE instance);
    bool Build();
    bool BuildUnit(std::size_t unit);

    void OnWindowCreated();
    void OnWindowDestroying();
    void OnBrowseClicked();
    void OnExtractClicked();
    void OnFilesDropped(const Text& text);
    // One document is a single run, two or more a batch.
    void SelectDocuments(const std::vector<Text>& documents);

    void ShowInPathBox(const Text& text);
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE instance_;
    HWND window_ = nullptr;
    std::array<HWND, main_window::kUnitCount> controls_{};
    CommonDialog dialog_;
    std::unique_ptr<DropTarget> dropTarget_;
    // The window and its controls in the program's registry while they live.
    std::vector<std::unique_ptr<ScopedWindowRegistration>> registrations_;
};

}  // namespace dovrel
