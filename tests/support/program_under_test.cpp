#include "tests/support/program_under_test.h"

namespace dovrel::test {

namespace {
std::string TestProgramFolder()
{
    char path[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string folder(path, length);
    return folder.substr(0, folder.find_last_of('\\'));
}
}  // namespace

std::string BuildFolder()
{
    std::string tests = TestProgramFolder();
    return tests.substr(0, tests.find_last_of('\\'));
}

std::string ProgramPath() { return BuildFolder() + "\\Dovrel.exe"; }

ProgramUnderTest::ProgramUnderTest()
{
    std::string commandLine = "\"" + ProgramPath() + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info{};
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info)) {
        process_.reset(info.hProcess);
        CloseHandle(info.hThread);
        processId_ = info.dwProcessId;
        WaitForInputIdle(info.hProcess, 10000);
    }
}

ProgramUnderTest::~ProgramUnderTest()
{
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), 5000);
    }
}

DWORD ProgramUnderTest::WaitForExit(DWORD timeoutMs)
{
    if (!process_ || WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

}  // namespace dovrel::test
