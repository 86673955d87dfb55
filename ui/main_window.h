#pragma once
// The program's only window, built from its stored description, with the
// handlers its description binds: the browse and drop handlers set the
// selected document, the extract handler runs the job.

#include <windows.h>
#include <shobjidl.h>

#include <array>
#include <memory>
#include <string>
#include <vector>

#include "core/text/text.h"
#include "core/base/com_ptr.h"
#include "runtime/dpi.h"
#include "ui/dialog/common_dialog.h"
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
    // Tests: the unit that fails to build, as if its control or component
    // could not be made; kUnitCount for none.
    static void SetFailingUnit(std::size_t unit);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // The native window; null once it has been destroyed.
    HWND handle() const { return window_; }
    // A visual unit's native control (not owned: it dies with the window).
    HWND control(main_window::Unit unit) const { return controls_[unit]; }
    CommonDialog& openFileDialog() { return dialog_; }
    DropTarget* dropTarget() { return dropTarget_.get(); }
    // Whether a job runs (the controls are disabled, drops refused).
    bool busy() const { return busy_; }

    // Documents from the command line or from a later copy (WM_COPYDATA),
    // as full UTF-16 paths. Shown at once when idle, and extracted, exactly
    // as a drop followed by 提取, once none more came for about a second
    // (Explorer starts one copy per chosen file), or after the running job:
    // every document that arrives meanwhile joins one batch.
    void TakeDocuments(const std::vector<std::wstring>& documents);

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
    // 浏览's arrow or context menu: files, as its click, or a folder.
    void OnBrowseMenu(POINT at);
    void OnBrowseFolderChosen();
    void OnExtractClicked();
    void OnFilesDropped(const Text& text);
    void OnPathBoxEdited();
    // The taken documents' moment has come: extracted unless a job runs or
    // a modal box or dialog is open (then the next tick tries again).
    void OnTakenDocumentsDue();
    // One document is a single run, two or more a batch.
    void SelectDocuments(const std::vector<Text>& documents);

    void ShowInPathBox(const Text& text);
    // At dpi: the controls' rectangles and font; the window's outer size
    // too, centred on the screen, unless suggested (WM_DPICHANGED) is given.
    void ApplyDpi(int dpi, const RECT* suggested);
    void SetBusy(bool busy);
    // 提取 is the default button once a document is chosen.
    void UpdateDefaultButton();
    LRESULT DefaultButtonId() const;
    LRESULT HandleMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HINSTANCE instance_;
    HWND window_ = nullptr;
    std::array<HWND, main_window::kUnitCount> controls_{};
    CommonDialog dialog_;
    std::unique_ptr<DropTarget> dropTarget_;
    // The window and its controls in the program's registry while they live.
    std::vector<std::unique_ptr<ScopedWindowRegistration>> registrations_;
    bool built_ = false;             // every unit was built: the window's end ends the program
    UniqueGdiObject font_;           // the controls' font, for the window's DPI
    ComPtr<ITaskbarList3> taskbar_;  // once the task-bar button exists
    HWND focus_ = nullptr;           // not owned: the control to give the focus back to
    bool busy_ = false;
    // A shared system cursor, loaded before the first job: loading it takes
    // a millisecond that the job's first pump would otherwise wait for.
    HCURSOR busyCursor_ = LoadCursor(nullptr, IDC_WAIT);
    bool closeRequested_ = false;  // a close came while the job ran
    bool writingPathBox_ = false;  // the program, not the user, writes the box
    std::vector<Text> taken_;      // documents taken, not yet extracted
};

}  // namespace dovrel
