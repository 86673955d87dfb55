#include "tests/support/file_dialog_driver.h"

#include "core/text/text_encoding.h"

#include <commdlg.h>
#include <dlgs.h>

#include <cstdio>
#include <utility>
#include <vector>

namespace dovrel::test {

namespace {

constexpr DWORD kFindDeadlineMs = 30000;   // a process's first dialog can take seconds under Wine
constexpr DWORD kCloseDeadlineMs = 10000;  // how long a box may stay open after the action
constexpr UINT kSendTimeoutMs = 5000;
constexpr DWORD kPollMs = 50;

DWORD Elapsed(DWORD since) { return GetTickCount() - since; }

std::string ClassOf(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// WM_GETTEXT with a deadline: the dialog's thread may be busy.
std::string TextOf(HWND window)
{
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kSendTimeoutMs, &length)) return {};
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG,
                             kSendTimeoutMs, &copied))
        return {};
    text.resize(copied);
    return text;
}

LRESULT Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT failed)
{
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutA(window, message, wParam, lParam, SMTO_ABORTIFHUNG, kSendTimeoutMs, &result)) return failed;
    return static_cast<LRESULT>(result);
}

std::vector<HWND> DialogBoxesOf(DWORD thread)
{
    std::vector<HWND> boxes;
    EnumThreadWindows(
        thread,
        [](HWND window, LPARAM found) {
            if (ClassOf(window) == "#32770") reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&boxes));
    return boxes;
}

// The file-name field: the edit inside the file-name combo box (cmb13;
// Wine nests it as ComboBoxEx32 > ComboBox > Edit, all with that id), else
// the plain edit (edt1) of the older template.
HWND FileNameField(HWND dialog)
{
    HWND combo = GetDlgItem(dialog, cmb13);
    if (combo && IsWindowVisible(combo)) {
        HWND edit = nullptr;
        EnumChildWindows(
            combo,
            [](HWND child, LPARAM found) {
                if (ClassOf(child) != "Edit") return TRUE;
                *reinterpret_cast<HWND*>(found) = child;
                return FALSE;
            },
            reinterpret_cast<LPARAM>(&edit));
        return edit ? edit : combo;
    }
    HWND edit = GetDlgItem(dialog, edt1);
    return edit && IsWindowVisible(edit) ? edit : nullptr;
}

HWND FindFileDialog(DWORD thread)
{
    for (HWND box : DialogBoxesOf(thread))
        if (IsWindowVisible(box) && FileNameField(box) && GetDlgItem(box, cmb1)) return box;
    return nullptr;
}

std::string DescribeControls(HWND dialog)
{
    std::string lines;
    EnumChildWindows(
        dialog,
        [](HWND child, LPARAM out) {
            char line[200];
            std::snprintf(line, sizeof line, "0x%04X %s%s \"%s\"\n", static_cast<unsigned>(GetDlgCtrlID(child)),
                          ClassOf(child).c_str(), IsWindowVisible(child) ? "" : " (hidden)",
                          TextOf(child).substr(0, 60).c_str());
            *reinterpret_cast<std::string*>(out) += line;
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&lines));
    return lines;
}

FileDialogView ViewOf(HWND dialog)
{
    FileDialogView view;
    view.found = true;
    view.title = TextOf(dialog);
    view.fileNameField = TextOf(FileNameField(dialog));
    HWND types = GetDlgItem(dialog, cmb1);
    view.filterCount = static_cast<int>(Send(types, CB_GETCOUNT, 0, 0, CB_ERR));
    LRESULT selected = Send(types, CB_GETCURSEL, 0, 0, CB_ERR);
    if (selected != CB_ERR) {
        LRESULT length = Send(types, CB_GETLBTEXTLEN, selected, 0, CB_ERR);
        if (length != CB_ERR) {
            std::string text(static_cast<std::size_t>(length) + 1, '\0');
            LRESULT copied = Send(types, CB_GETLBTEXT, selected, reinterpret_cast<LPARAM>(text.data()), CB_ERR);
            if (copied != CB_ERR) view.selectedFilter = text.substr(0, static_cast<std::size_t>(copied));
        }
    }
    // The dialog is a wide one: its own messages are not converted.
    wchar_t folder[MAX_PATH] = {};
    LRESULT length = Send(dialog, CDM_GETFOLDERPATH, MAX_PATH, reinterpret_cast<LPARAM>(folder), -1);
    if (length > 0) view.folder = TextFromWide(folder);
    view.controls = DescribeControls(dialog);
    return view;
}

void Press(HWND dialog, int button)
{
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

}  // namespace

FileDialogDriver::FileDialogDriver(Action action, std::string path)
    : action_(action), path_(std::move(path)), dialogThread_(GetCurrentThreadId()), helper_([this] { Run(); })
{
}

FileDialogDriver::~FileDialogDriver() { Finish(); }

FileDialogView FileDialogDriver::Finish()
{
    stop_ = true;
    if (helper_.joinable()) helper_.join();
    return view_;
}

void FileDialogDriver::Run()
{
    const DWORD started = GetTickCount();
    HWND dialog = nullptr;
    while (!stop_ && !dialog && Elapsed(started) < kFindDeadlineMs) {
        dialog = FindFileDialog(dialogThread_);
        if (!dialog) Sleep(kPollMs);
    }
    if (dialog) {
        Sleep(200);  // let the dialog finish filling its controls
        view_ = ViewOf(dialog);
        if (action_ == Action::Confirm) {
            if (!path_.empty())
                SendMessageTimeoutA(FileNameField(dialog), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path_.c_str()),
                                    SMTO_ABORTIFHUNG, kSendTimeoutMs, nullptr);
            Press(dialog, IDOK);
        } else {
            Press(dialog, IDCANCEL);
        }
    }
    // Whatever is still open after the deadline (the dialog itself, or a
    // box it raised) is cancelled until the caller's call has returned.
    const DWORD acted = GetTickCount();
    while (!stop_) {
        if (!dialog || Elapsed(acted) > kCloseDeadlineMs)
            for (HWND box : DialogBoxesOf(dialogThread_)) {
                Press(box, IDCANCEL);
                PostMessageA(box, WM_CLOSE, 0, 0);
            }
        Sleep(kPollMs * 4);
    }
}

}  // namespace dovrel::test
