#include "core/shell/shell.h"

#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>

#include <optional>
#include <string>

#include "tests/support/current_folder.h"
#include "tests/support/message_box_watcher.h"
#include "tests/support/temp_folder.h"

namespace dovrel {
namespace {

using test::MessageBoxWatcher;
using test::SeenMessageBox;

const Text kDefaultCaption = "\xD0\xC5\xCF\xA2\xA3\xBA";  // 信息：

// A hidden top-level window of the test thread, to see task-modal boxes
// disable it.
class ProbeWindow {
public:
    ProbeWindow()
        : window_(CreateWindowA("STATIC", "probe", WS_OVERLAPPED, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr))
    {
    }
    ~ProbeWindow() { DestroyWindow(window_); }
    HWND get() const { return window_; }

private:
    HWND window_;
};

struct StyleCase {
    std::int32_t buttons;
    UINT style;
};

class MessageBoxStyleTest : public testing::TestWithParam<StyleCase> {};

TEST_P(MessageBoxStyleTest, AddsTaskModalUnlessSystemModal)
{
    EXPECT_EQ(MessageBoxStyle(GetParam().buttons), GetParam().style);
}

INSTANTIATE_TEST_SUITE_P(Cases, MessageBoxStyleTest,
                         testing::Values(StyleCase{0, 0x2000}, StyleCase{MB_YESNO, 0x2004},
                                         StyleCase{MB_ICONHAND | MB_OKCANCEL, 0x2011}, StyleCase{MB_TASKMODAL, 0x2000},
                                         StyleCase{MB_SYSTEMMODAL, 0x1000},
                                         StyleCase{MB_SYSTEMMODAL | MB_YESNO, 0x1004}));

TEST(ShowMessage, ButtonCodes)
{
    const int pressed[] = {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO};
    for (int code = 0; code < 7; ++code) EXPECT_EQ(ButtonCodeOf(pressed[code]), code) << pressed[code];
    for (int other : {0, IDCLOSE, IDHELP, IDTRYAGAIN, IDCONTINUE, -1}) EXPECT_EQ(ButtonCodeOf(other), 0) << other;
}

TEST(ShowMessage, CaptionDefaultsToInformation)
{
    EXPECT_EQ(MessageBoxCaption(std::nullopt), kDefaultCaption);
    EXPECT_EQ(MessageBoxCaption(Text("\xCC\xE1\xCA\xBE")), "\xCC\xE1\xCA\xBE");
    EXPECT_EQ(MessageBoxCaption(Text()), "");
}

// The real box: a watcher thread reads it and presses OK.
TEST(ShowMessage, ShowsATaskModalBoxWithOneOkButton)
{
    ProbeWindow probe;
    MessageBoxWatcher watcher(IDOK, probe.get());
    const std::int32_t result = ShowMessage("\xCC\xE1\xC8\xA1\xB3\xC9\xB9\xA6\xA3\xA1", 0, Text("\xCC\xE1\xCA\xBE"));
    const SeenMessageBox& seen = watcher.Seen();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.caption, "\xCC\xE1\xCA\xBE");                       // 提示
    EXPECT_EQ(seen.text, "\xCC\xE1\xC8\xA1\xB3\xC9\xB9\xA6\xA3\xA1");  // 提取成功！
    EXPECT_EQ(seen.buttons, std::vector<int>{IDOK});
    EXPECT_EQ(seen.icon, nullptr);
    EXPECT_EQ(seen.owner, nullptr);
    EXPECT_FALSE(seen.probeEnabled);  // task-modal: the thread's windows are disabled
    EXPECT_FALSE(seen.topmost);
    EXPECT_EQ(result, 0);
    EXPECT_TRUE(IsWindowEnabled(probe.get()));
}

TEST(ShowMessage, NumberMessageAndDefaultCaption)
{
    MessageBoxWatcher watcher;
    ShowMessage(-12);
    const SeenMessageBox& seen = watcher.Seen();
    ASSERT_TRUE(seen.found);
    EXPECT_EQ(seen.caption, kDefaultCaption);
    EXPECT_EQ(seen.text, "-12");
}

TEST(ShowMessage, SystemModalIsNotMadeTaskModal)
{
    ProbeWindow probe;
    MessageBoxWatcher watcher(IDOK, probe.get());
    ShowMessage("system", MB_SYSTEMMODAL);
    const SeenMessageBox& seen = watcher.Seen();
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.probeEnabled);
    EXPECT_TRUE(seen.topmost);
}

TEST(ShowMessage, OwnerIsUsedWhileItIsAWindow)
{
    ProbeWindow owner;
    {
        MessageBoxWatcher watcher;
        ShowMessage("owned", 0, std::nullopt, owner.get());
        ASSERT_TRUE(watcher.Seen().found);
        EXPECT_EQ(watcher.Seen().owner, owner.get());
    }
    HWND gone = CreateWindowA("STATIC", "gone", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    MessageBoxWatcher watcher;
    ShowMessage("still shown", 0, std::nullopt, gone);
    ASSERT_TRUE(watcher.Seen().found);
    EXPECT_EQ(watcher.Seen().owner, nullptr);
}

struct PressCase {
    std::int32_t buttons;
    int press;
    std::int32_t result;
};

class MessageBoxPress : public testing::TestWithParam<PressCase> {};

TEST_P(MessageBoxPress, AnswersThePressedButton)
{
    MessageBoxWatcher watcher(GetParam().press);
    EXPECT_EQ(ShowMessage("?", GetParam().buttons), GetParam().result);
    ASSERT_TRUE(watcher.Seen().found);
}

INSTANTIATE_TEST_SUITE_P(Cases, MessageBoxPress,
                         testing::Values(PressCase{MB_OKCANCEL, IDCANCEL, 1},
                                         PressCase{MB_ABORTRETRYIGNORE, IDABORT, 2},
                                         PressCase{MB_RETRYCANCEL, IDRETRY, 3},
                                         PressCase{MB_ABORTRETRYIGNORE, IDIGNORE, 4}, PressCase{MB_YESNO, IDYES, 5},
                                         PressCase{MB_YESNOCANCEL, IDNO, 6}));

TEST(ProgramFolder, CutsTheModulePathAtItsLastBackslash)
{
    EXPECT_EQ(FolderOfModulePath("C:\\Tools\\x.exe"), "C:\\Tools");
    EXPECT_EQ(FolderOfModulePath("x.exe"), "");
    EXPECT_EQ(FolderOfModulePath("\\x.exe"), "");
    EXPECT_EQ(FolderOfModulePath("C:\\\xD5\x5C\\x.exe"), "C:\\\xD5\x5C");
    EXPECT_EQ(FolderOfModulePath("C:\\\xD5\x5Cx.exe"), "C:");  // the trail byte is no "\"
    EXPECT_EQ(FolderOfModulePath(""), "");
}

TEST(ProgramFolder, IsTheRunningProgramsFolderAndBecomesCurrent)
{
    std::string current;
    {
        test::ScopedOverride currentFolder(test::SwapCurrentFolder, test::CurrentFolder());
        InitProgramFolder();
        current = test::CurrentFolder();
    }
    char module[MAX_PATH];
    GetModuleFileNameA(nullptr, module, MAX_PATH);

    const Text folder = ProgramFolder();
    EXPECT_EQ(folder + "\\core_tests.exe", module);
    EXPECT_EQ(Text(current), folder);
    EXPECT_EQ(ProgramFolder(), folder);
}

TEST(SpecialFolder, SourceTable)
{
    using S = SpecialFolderSource;
    const int csidl[] = {CSIDL_PERSONAL,  CSIDL_FAVORITES, CSIDL_DESKTOPDIRECTORY, CSIDL_FONTS,
                         CSIDL_STARTMENU, CSIDL_PROGRAMS,  CSIDL_STARTUP,          CSIDL_APPDATA};
    for (int index = 1; index <= 8; ++index) {
        EXPECT_EQ(SpecialFolderSourceOf(index).kind, S::ShellFolder) << index;
        EXPECT_EQ(SpecialFolderSourceOf(index).csidl, csidl[index - 1]) << index;
    }
    EXPECT_EQ(SpecialFolderSourceOf(9).kind, S::WindowsDirectory);
    EXPECT_EQ(SpecialFolderSourceOf(10).kind, S::SystemDirectory);
    EXPECT_EQ(SpecialFolderSourceOf(11).kind, S::TempPath);
    for (int index : {0, 12, -1, 100}) EXPECT_EQ(SpecialFolderSourceOf(index).kind, S::None) << index;
}

TEST(SpecialFolder, TrailingBackslash)
{
    EXPECT_EQ(WithTrailingBackslash("C:\\Users\\u\\Documents"), "C:\\Users\\u\\Documents\\");
    EXPECT_EQ(WithTrailingBackslash("C:\\Temp\\"), "C:\\Temp\\");
    EXPECT_EQ(WithTrailingBackslash(""), "");
    // A folder ending in 誠 ends in byte 0x5C but not in "\".
    EXPECT_EQ(WithTrailingBackslash("C:\\\xD5\x5C"), "C:\\\xD5\x5C\\");
    EXPECT_EQ(WithTrailingBackslash("C:\\\xD5\x5C\\"), "C:\\\xD5\x5C\\");
}

TEST(SpecialFolder, EveryIndexEndsInOneBackslashOrIsEmpty)
{
    for (int index = 1; index <= 11; ++index) {
        const Text path = GetSpecialFolder(index);
        if (path.empty()) continue;  // the platform may not have every folder
        EXPECT_EQ(path.back(), '\\') << index << ": " << path;
        EXPECT_NE(path.substr(path.size() - 2), "\\\\") << index << ": " << path;
    }
    for (int index : {0, 12, -1, 100}) EXPECT_EQ(GetSpecialFolder(index), "") << index;
}

TEST(SpecialFolder, AsThePlatformGivesIt)
{
    char buffer[MAX_PATH];
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, buffer, CSIDL_PERSONAL, FALSE));
    EXPECT_EQ(GetSpecialFolder(1), Text(buffer) + "\\");  // only the path is read, never the folder
    ASSERT_NE(GetWindowsDirectoryA(buffer, MAX_PATH), 0u);
    EXPECT_EQ(GetSpecialFolder(9), Text(buffer) + "\\");
    ASSERT_NE(GetSystemDirectoryA(buffer, MAX_PATH), 0u);
    EXPECT_EQ(GetSpecialFolder(10), Text(buffer) + "\\");
    ASSERT_NE(GetTempPathA(MAX_PATH, buffer), 0u);
    EXPECT_EQ(GetSpecialFolder(11), Text(buffer));  // already ends in "\"
}

TEST(ShellExecuteVerb, VerbTable)
{
    const char* expected[] = {nullptr, "edit", "explore", "find", "open", "print", nullptr};
    for (int verb = 0; verb <= 6; ++verb) {
        const char* operation = ShellOperationOf(verb);
        if (expected[verb]) {
            ASSERT_NE(operation, nullptr) << verb;
            EXPECT_STREQ(operation, expected[verb]) << verb;
        } else {
            EXPECT_EQ(operation, nullptr) << verb;
        }
    }
    EXPECT_EQ(ShellOperationOf(-4), nullptr);
}

TEST(ShellExecuteVerb, ShowTable)
{
    EXPECT_EQ(ShowCommandOf(std::nullopt), SW_SHOWNORMAL);
    const int expected[] = {SW_SHOWNORMAL,    SW_HIDE,   SW_SHOWNORMAL, SW_SHOWMINIMIZED,
                            SW_SHOWMAXIMIZED, SW_SHOWNA, SW_MINIMIZE,   SW_SHOWNORMAL};
    for (int show = 0; show <= 7; ++show) EXPECT_EQ(ShowCommandOf(show), expected[show]) << show;
    EXPECT_EQ(ShowCommandOf(-1), SW_SHOWNORMAL);
}

TEST(ShellExecuteVerb, TheJobsOpenOfTheOutputRoot)
{
    const ShellExecuteCall call = ShellExecuteCallOf(4, "C:\\PPT_RES", std::nullopt, std::nullopt, std::nullopt);
    EXPECT_STREQ(call.operation, "open");
    EXPECT_EQ(call.file, "C:\\PPT_RES");
    EXPECT_FALSE(call.parameters.has_value());
    EXPECT_EQ(call.folder, "");
    EXPECT_EQ(call.showCommand, SW_SHOWNORMAL);

    const ShellExecuteCall full = ShellExecuteCallOf(9, "x", Text("-a"), Text("C:\\w"), 7);
    EXPECT_EQ(full.operation, nullptr);
    EXPECT_EQ(*full.parameters, "-a");
    EXPECT_EQ(full.folder, "C:\\w");
    EXPECT_EQ(full.showCommand, SW_SHOWNORMAL);
}

// One real call: a hidden command interpreter that writes a file into the
// folder it was given, so the parameters and the folder reached the shell.
TEST(ShellExecuteVerb, PassesParametersAndFolder)
{
    test::TempFolder temp;
    ShellExecuteVerb(4, "cmd.exe", Text("/c echo done> made.txt"), temp.path(), 1);
    std::string made;
    for (int waited = 0; waited < 20000 && made.find("done") == std::string::npos; waited += 50) {
        Sleep(50);
        made = test::ReadFileBytes(temp / "made.txt");
    }
    EXPECT_NE(made.find("done"), std::string::npos);
    // The interpreter's current folder cannot go before it ends.
    for (int waited = 0; waited < 10000; waited += 50) {
        DeleteFileA((temp / "made.txt").c_str());
        if (RemoveDirectoryA(temp.path().c_str())) break;
        Sleep(50);
    }
}

}  // namespace
}  // namespace dovrel
