#pragma once
// The runtime's fatal error report: a stop box without owner, then the end
// of the process with exit code -1, no end routine run.

#include <cstdint>

#include "core/text/text.h"

namespace dovrel {

// The runtime's fatal messages.
inline constexpr char kWindowNotLoadedMessage[] = "指定窗口或窗口组件不存在或尚未载入";
inline constexpr char kStartupWindowLoadFailedMessage[] = "载入启动窗口失败";

// Where a failing statement stands; Current() names the caller's line when
// used as a default argument.
struct SourceLocation {
    const char* file;
    int line;
    const char* function;

    static constexpr SourceLocation Current(const char* file = __builtin_FILE(), int line = __builtin_LINE(),
                                            const char* function = __builtin_FUNCTION())
    {
        return {file, line, function};
    }
};

// The report's text, every line ending in CR LF:
//   运行时出错!
//   (blank) 错误代码：<code>        only when code is not 0
//   (blank) 错误信息：<message>
//   (blank) 错误位置：<function> (<file name>:<line>)
Text FormatFatalErrorReport(std::int32_t code, const Text& message, const SourceLocation& where);

// Shows the report; the real one is a MessageBoxA captioned "错误" with the
// stop icon and no owner.
using FatalErrorBox = void (*)(const Text& report);
void ShowFatalErrorBox(const Text& report);

// Makes box the one shown and answers the one it replaces (tests, through
// their scoped override).
FatalErrorBox InstallFatalErrorBox(FatalErrorBox box);

// Shows the report and ends the process with exit code -1 at once: no end
// routine, static destructor or atexit handler runs.
[[noreturn]] void ReportFatalError(const Text& message, std::int32_t code = 0,
                                   SourceLocation where = SourceLocation::Current());

}  // namespace dovrel
