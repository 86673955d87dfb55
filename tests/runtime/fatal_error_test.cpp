#include "runtime/fatal_error.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/support/message_box_watcher.h"
#include "tests/support/scoped_override.h"

namespace dovrel {
namespace {

const Text kHeader = "\xD4\xCB\xD0\xD0\xCA\xB1\xB3\xF6\xB4\xED!";        // 运行时出错!
const Text kCodeLabel = "\xB4\xED\xCE\xF3\xB4\xFA\xC2\xEB\xA3\xBA";      // 错误代码：
const Text kMessageLabel = "\xB4\xED\xCE\xF3\xD0\xC5\xCF\xA2\xA3\xBA";   // 错误信息：
const Text kLocationLabel = "\xB4\xED\xCE\xF3\xCE\xBB\xD6\xC3\xA3\xBA";  // 错误位置：
const Text kErrorCaption = "\xB4\xED\xCE\xF3";                           // 错误
const Text kStartupFailed = "\xD4\xD8\xC8\xEB\xC6\xF4\xB6\xAF\xB4\xB0\xBF\xDA\xCA\xA7\xB0\xDC";

TEST(FatalErrorReport, MessagesAreCompiledToCodePage936)
{
    EXPECT_EQ(Text(kStartupWindowLoadFailedMessage), kStartupFailed);
    EXPECT_EQ(Text(kWindowNotLoadedMessage),
              "\xD6\xB8\xB6\xA8\xB4\xB0\xBF\xDA\xBB\xF2\xB4\xB0\xBF\xDA\xD7\xE9\xBC\xFE\xB2\xBB\xB4\xE6\xD4\xDA\xBB\xF2"
              "\xC9\xD0\xCE\xB4\xD4\xD8\xC8\xEB");
}

TEST(FatalErrorReport, WithoutACodeHasNoCodeLine)
{
    const SourceLocation where{"C:\\src\\app\\main_window.cpp", 57, "OnWindowCreated"};
    EXPECT_EQ(FormatFatalErrorReport(0, kStartupWindowLoadFailedMessage, where),
              kHeader + "\r\n" +                                      //
                  "\r\n" + kMessageLabel + kStartupFailed + "\r\n" +  //
                  "\r\n" + kLocationLabel + "OnWindowCreated (main_window.cpp:57)\r\n");
}

TEST(FatalErrorReport, WithACodeInDecimal)
{
    const SourceLocation where{"/work/app/start_up.cpp", 3, "Start"};
    EXPECT_EQ(FormatFatalErrorReport(-42, "x", where), kHeader + "\r\n" +                      //
                                                           "\r\n" + kCodeLabel + "-42\r\n" +   //
                                                           "\r\n" + kMessageLabel + "x\r\n" +  //
                                                           "\r\n" + kLocationLabel + "Start (start_up.cpp:3)\r\n");
    EXPECT_NE(FormatFatalErrorReport(7, "x", where).find(kCodeLabel + "7\r\n"), std::string::npos);
}

TEST(FatalErrorReport, LocationWithoutNames)
{
    const SourceLocation where{nullptr, 0, nullptr};
    EXPECT_EQ(FormatFatalErrorReport(0, "", where),
              kHeader + "\r\n\r\n" + kMessageLabel + "\r\n\r\n" + kLocationLabel + " (:0)\r\n");
}

SourceLocation Here(SourceLocation where = SourceLocation::Current()) { return where; }

TEST(FatalErrorReport, CurrentNamesTheCallersLine)
{
    const int line = __LINE__ + 1;
    const SourceLocation where = Here();
    EXPECT_EQ(where.line, line);
    EXPECT_NE(std::string(where.file).find("fatal_error_test.cpp"), std::string::npos);
    EXPECT_STREQ(where.function, "TestBody");
}

// The real box: a watcher thread reads it and presses OK.
TEST(FatalErrorReport, BoxIsAStopBoxWithoutOwner)
{
    const Text report = FormatFatalErrorReport(3, "boom", SourceLocation{"a.cpp", 1, "F"});
    test::MessageBoxWatcher watcher;
    ShowFatalErrorBox(report);
    const test::SeenMessageBox& seen = watcher.Seen();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.caption, kErrorCaption);
    EXPECT_EQ(seen.text, report);
    EXPECT_EQ(seen.buttons, std::vector<int>{IDOK});
    EXPECT_EQ(seen.icon, LoadIconA(nullptr, IDI_HAND));
    EXPECT_EQ(seen.owner, nullptr);
}

// In the child process of a death test: writes the report (one line) and a
// mark to stderr instead of showing it.
void ReportToStderr(const Text& report)
{
    std::string line;  // CR LF becomes "|": a death test matches within one line
    for (char byte : report) {
        if (byte != '\r') line += byte == '\n' ? '|' : byte;
    }
    std::fprintf(stderr, "box shown: %s", line.c_str());
    std::fflush(stderr);
}

TEST(FatalErrorReportDeathTest, ShowsTheBoxThenEndsWithMinusOneSkippingExitRoutines)
{
    EXPECT_EXIT(
        {
            std::atexit([] {
                std::fputs(" atexit ran", stderr);
                std::fflush(stderr);
            });
            test::ScopedOverride box(InstallFatalErrorBox, ReportToStderr);
            ReportFatalError("boom", 0, SourceLocation{"here.cpp", 12, "Run"});
        },
        testing::ExitedWithCode(-1), "box shown: .*\\|\\|.*boom\\|\\|.*Run \\(here\\.cpp:12\\)\\|$");
}

}  // namespace
}  // namespace dovrel
