#include "runtime/fatal_error.h"

#include <windows.h>

#include <cstddef>
#include <cstring>
#include <utility>

#include "core/text/ascii.h"
#include "core/text/text_encoding.h"

namespace dovrel {

namespace {

FatalErrorBox currentBox = ShowFatalErrorBox;

// The file name without its folders, as the compiler spelled the path.
Text FileNameOf(const char* path)
{
    if (!path) return Text();
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        if (IsPathSeparator(*p)) name = p + 1;
    }
    return name;
}

}  // namespace

Text FormatFatalErrorReport(std::int32_t code, const Text& message, const SourceLocation& where)
{
    const Text lineEnd = "\r\n";
    Text report = "运行时出错!" + lineEnd;
    if (code != 0) report += lineEnd + "错误代码：" + ToText(code) + lineEnd;
    report += lineEnd + "错误信息：" + message + lineEnd;
    report += lineEnd + "错误位置：" + Text(where.function ? where.function : "") + " (" + FileNameOf(where.file) +
              ":" + ToText(where.line) + ")" + lineEnd;
    return report;
}

void ShowFatalErrorBox(const Text& report)
{
    MessageBoxW(nullptr, WideFromText(report).c_str(), WideFromText("错误").c_str(), MB_OK | MB_ICONSTOP);
}

FatalErrorBox InstallFatalErrorBox(FatalErrorBox box) { return std::exchange(currentBox, box); }

void ReportFatalError(const Text& message, std::int32_t code, SourceLocation where)
{
    currentBox(FormatFatalErrorReport(code, message, where));
    // ExitProcess, not exit(): the C runtime's atexit handlers and static
    // destructors are the program's end routines, and they must not run.
    ExitProcess(static_cast<UINT>(-1));
}

}  // namespace dovrel
