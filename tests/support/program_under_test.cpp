#include "tests/support/program_under_test.h"

#include <tlhelp32.h>

#include <cwchar>
#include <vector>

namespace dovrel::test {

namespace {

// Ends every process started by parent (the file browser that the shell's
// "open" leaves behind), and theirs, so no window outlives the test.
void EndDescendants(DWORD parent)
{
    UniqueFile snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot) return;
    std::vector<DWORD> children;
    PROCESSENTRY32 entry{};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot.get(), &entry); more; more = Process32Next(snapshot.get(), &entry)) {
        if (entry.th32ParentProcessID == parent && entry.th32ProcessID != GetCurrentProcessId()) {
            children.push_back(entry.th32ProcessID);
        }
    }
    for (DWORD child : children) {
        EndDescendants(child);
        UniqueHandle process(OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, child));
        if (!process) continue;
        TerminateProcess(process.get(), 1);
        WaitForSingleObject(process.get(), 5000);
    }
}

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

// The process's environment block with the variables set (replacing those
// of the same name).
std::wstring EnvironmentWith(const std::vector<std::wstring>& variables)
{
    std::wstring block;
    auto name = [](const std::wstring& variable) { return variable.substr(0, variable.find(L'=', 1) + 1); };
    if (wchar_t* current = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = current; *entry; entry += wcslen(entry) + 1) {
            bool replaced = false;
            for (const std::wstring& variable : variables) replaced = replaced || name(entry) == name(variable);
            if (!replaced) block += std::wstring(entry) + L'\0';
        }
        FreeEnvironmentStringsW(current);
    }
    for (const std::wstring& variable : variables) block += variable + L'\0';
    return block + L'\0';
}

ProgramUnderTest::ProgramUnderTest(const std::string& path, const std::vector<std::wstring>& variables)
    : ProgramUnderTest(path, std::string(), true, variables)
{
}

ProgramUnderTest::ProgramUnderTest(const std::string& path, const std::string& arguments, bool waitUntilIdle,
                                   const std::vector<std::wstring>& variables)
{
    std::string commandLine = "\"" + path + "\"" + (arguments.empty() ? "" : " " + arguments);
    // The program and whatever it starts (the shell's file browser) get the
    // null device as their standard handles: under Wine they would otherwise
    // hold the test runner's output pipe open after the test ends.
    SECURITY_ATTRIBUTES inheritable{sizeof inheritable, nullptr, TRUE};
    UniqueFile nul(CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                               OPEN_EXISTING, 0, nullptr));
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul.get();
    PROCESS_INFORMATION info{};
    std::wstring environment = EnvironmentWith(variables);
    if (CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_UNICODE_ENVIRONMENT,
                       variables.empty() ? nullptr : environment.data(), nullptr, &startup, &info)) {
        process_.reset(info.hProcess);
        CloseHandle(info.hThread);
        processId_ = info.dwProcessId;
        if (waitUntilIdle) WaitForInputIdle(info.hProcess, 10000);
    }
}

ProgramUnderTest::~ProgramUnderTest()
{
    if (process_ && WaitForSingleObject(process_.get(), 0) == WAIT_TIMEOUT) {
        TerminateProcess(process_.get(), 1);
        WaitForSingleObject(process_.get(), 5000);
    }
    if (processId_) EndDescendants(processId_);
}

DWORD ProgramUnderTest::WaitForExit(DWORD timeoutMs)
{
    if (!process_ || WaitForSingleObject(process_.get(), timeoutMs) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_.get(), &code);
    return code;
}

}  // namespace dovrel::test
