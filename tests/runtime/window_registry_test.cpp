#include "runtime/window_registry.h"
#include "tests/support/scoped_override.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

namespace dovrel {
namespace {

HWND MakeWindow()
{
    return CreateWindowA("STATIC", "w", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

class Window {
public:
    Window() : handle_(MakeWindow()) {}
    ~Window() { DestroyWindow(handle_); }
    HWND get() const { return handle_; }

private:
    HWND handle_;
};

const WindowReference kMain{"Form1", ""};
const WindowReference kButton{"Form1", "\xCC\xE1\xC8\xA1\xB0\xB4\xC5\xA5"};  // 提取按钮

TEST(WindowRegistry, AnswersTheRegisteredHandle)
{
    Window main, button;
    ScopedWindowRegistration mainRegistration(kMain, main.get());
    ScopedWindowRegistration buttonRegistration(kButton, button.get());
    EXPECT_EQ(WindowHandleOf(kMain), main.get());
    EXPECT_EQ(WindowHandleOf(kButton), button.get());
    EXPECT_EQ(FindWindowHandle(WindowReference{"Form2", ""}), nullptr);
    EXPECT_EQ(FindWindowHandle(WindowReference{"Form1", "other"}), nullptr);
}

TEST(WindowRegistry, ForgetsAWindowWhenItsRegistrationEnds)
{
    Window main;
    {
        ScopedWindowRegistration registration(kMain, main.get());
        EXPECT_EQ(FindWindowHandle(kMain), main.get());
    }
    EXPECT_EQ(FindWindowHandle(kMain), nullptr);
}

TEST(WindowRegistry, UnregisterLeavesANewerRegistration)
{
    Window first, second;
    RegisterWindow(kMain, first.get());
    RegisterWindow(kMain, second.get());
    UnregisterWindow(kMain, first.get());
    EXPECT_EQ(FindWindowHandle(kMain), second.get());
    UnregisterWindow(kMain, second.get());
    EXPECT_EQ(FindWindowHandle(kMain), nullptr);
}

TEST(WindowRegistry, ADestroyedWindowIsNotFound)
{
    HWND handle = MakeWindow();
    ScopedWindowRegistration registration(kMain, handle);
    DestroyWindow(handle);
    EXPECT_EQ(FindWindowHandle(kMain), nullptr);
}

void ReportToStderr(const Text& report)
{
    const bool named = report.find(kWindowNotLoadedMessage) != Text::npos;
    std::string line;  // CR LF becomes "|": a death test matches within one line
    for (char byte : report) {
        if (byte != '\r') line += byte == '\n' ? '|' : byte;
    }
    std::fprintf(stderr, "box shown (%s): %s", named ? "not loaded" : "other message", line.c_str());
    std::fflush(stderr);
}

TEST(WindowRegistryDeathTest, AWindowThatIsNotLoadedIsFatal)
{
    EXPECT_EXIT(
        {
            test::ScopedOverride box(InstallFatalErrorBox, ReportToStderr);
            WindowHandleOf(WindowReference{"Form9", ""});
        },
        testing::ExitedWithCode(-1), "box shown \\(not loaded\\): .*window_registry_test\\.cpp:\\d+\\)");
}

TEST(WindowRegistryDeathTest, AWindowThePlatformNoLongerKnowsIsFatal)
{
    EXPECT_EXIT(
        {
            test::ScopedOverride box(InstallFatalErrorBox, ReportToStderr);
            HWND handle = MakeWindow();
            RegisterWindow(kMain, handle);
            DestroyWindow(handle);
            WindowHandleOf(kMain);
        },
        testing::ExitedWithCode(-1), "box shown \\(not loaded\\): .*TestBody \\(window_registry_test\\.cpp:\\d+\\)");
}

}  // namespace
}  // namespace dovrel
