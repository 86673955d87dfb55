// Runs the extraction job the way a user lives it: starts the real
// Dovrel.exe (beside the bench folder), puts the document in its path box,
// clicks 提取 and times until the 提示 box appears. The box's OK is then
// pressed and the program closed, with the file browser it opened.
//
//   window_bench <document> <Documents folder>
//
// The Documents folder is pointed at the given one while the program runs.
// Prints one line of key=value pairs for bench/job_bench.py: the outcome
// (the box's text), the seconds from the click to the box, and the
// program's private bytes and working set before the click and at their
// peak.

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

#include "bench/measure.h"
#include "core/base/unique_handle.h"
#include "tests/support/desktop_driver.h"
#include "tests/support/documents_override.h"
#include "tests/support/program_under_test.h"

namespace {

using bench::Megabytes;
using bench::Now;
using namespace dovrel::test;

constexpr int kMessageBoxTextId = 0xFFFF;  // the static that holds a message box's text

// The program's 提示 box, once shown. Wine tells no other process of a
// window shown (no out-of-context win events), so the wait polls, and each
// lookup is a request to the Wine server the job also waits on: one a
// millisecond for the first 100 ms, then one every 5 ms (a load the job
// does not notice, at most 5 ms late).
HWND ShownBox(DWORD program)
{
    for (HWND box = FindWindowExA(nullptr, nullptr, "#32770", "提示"); box;
         box = FindWindowExA(nullptr, box, "#32770", "提示")) {
        DWORD owner = 0;
        GetWindowThreadProcessId(box, &owner);
        if (owner == program && IsWindowVisible(box)) return box;
    }
    return nullptr;
}

HWND ButtonWithCaption(HWND window, const std::string& caption)
{
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (ClassNameOf(child) == "Button" && WindowText(child) == caption) return child;
    }
    return nullptr;
}

PROCESS_MEMORY_COUNTERS MemoryOf(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(process, &counters, sizeof counters);
    return counters;
}

// The file browser the success opened shows in a window of another process.
void CloseFileBrowsers()
{
    EnumWindows(
        [](HWND window, LPARAM) -> BOOL {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != GetCurrentProcessId() && IsWindowVisible(window) &&
                WindowText(window).find("PPT_RES") != std::string::npos)
                PostMessageA(window, WM_CLOSE, 0, 0);
            return TRUE;
        },
        0);
}

int Fail(const char* why)
{
    std::printf("result=%s\n", why);
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: window_bench <document> <Documents folder>\n");
        return 2;
    }
    const std::string document = argv[1];
    DocumentsOverride documents(argv[2]);
    ProgramUnderTest program;
    if (!program.started()) return Fail("not-started");
    const DWORD id = program.processId();
    HWND window = WaitForTopLevelWindow(id, "DovrelWindow", "Dovrel");
    HWND pathBox = window ? FindChildByClass(window, "Edit") : nullptr;
    HWND extract = window ? ButtonWithCaption(window, "提取") : nullptr;
    if (!pathBox || !extract) return Fail("no-window");
    SendMessageTimeoutA(pathBox, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(document.c_str()), SMTO_ABORTIFHUNG, 5000,
                        nullptr);
    if (!WaitUntil([&] { return WindowText(pathBox) == document; })) return Fail("no-path");
    Sleep(500);  // the program's start-up work done, as when a person reaches for the button

    dovrel::UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
    const PROCESS_MEMORY_COUNTERS before = MemoryOf(process.get());
    const double clicked = Now();
    PostMessageA(extract, BM_CLICK, 0, 0);
    HWND box = nullptr;
    for (const DWORD start = GetTickCount(); !(box = ShownBox(id));) {
        const DWORD waited = GetTickCount() - start;
        if (waited > 120000) return Fail("no-box");
        Sleep(waited < 100 ? 1 : 5);
    }
    const double shown = Now();
    const PROCESS_MEMORY_COUNTERS after = MemoryOf(process.get());
    const std::string text = WindowText(FindChildById(box, kMessageBoxTextId));

    PostMessageA(FindChildById(box, IDOK), BM_CLICK, 0, 0);
    WaitUntil([&] { return !IsWindow(box); });
    PostMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    program.WaitForExit(10000);
    for (int i = 0; i < 5; ++i, Sleep(100)) CloseFileBrowsers();

    std::printf("result=%s seconds=%.4f working_set_before_mb=%.2f peak_working_set_mb=%.2f private_before_mb=%.2f "
                "peak_private_mb=%.2f\n",
                text == "提取成功！" ? "extracted" : "failed", shown - clicked, Megabytes(before.WorkingSetSize),
                Megabytes(after.PeakWorkingSetSize), Megabytes(before.PagefileUsage),
                Megabytes(after.PeakPagefileUsage));
    return text == "提取成功！" ? 0 : 1;
}
