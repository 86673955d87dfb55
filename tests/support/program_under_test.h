#pragma once
// Dovrel.exe started as its own process for end-to-end tests. The process
// is ended, if it still runs, when the object goes.

#include <windows.h>

#include <string>
#include <vector>

#include "core/base/unique_handle.h"

namespace dovrel::test {

// The program beside the test programs' folder: <build>\Dovrel.exe.
std::string ProgramPath();
// The build folder, where end-to-end tests keep their screenshots.
std::string BuildFolder();

class ProgramUnderTest {
public:
    // Started as `"path" arguments`; waits until its window takes input
    // unless told not to (copies started together, a setup without one).
    // variables ("NAME=value") are set in its environment: under Wine,
    // LC_ALL=en_US.UTF-8 is an English Windows (code page 1252).
    explicit ProgramUnderTest(const std::string& path = ProgramPath(), const std::string& arguments = {},
                              bool waitUntilIdle = true, const std::vector<std::wstring>& variables = {});
    ProgramUnderTest(const std::string& path, const std::vector<std::wstring>& variables);
    ~ProgramUnderTest();
    ProgramUnderTest(const ProgramUnderTest&) = delete;
    ProgramUnderTest& operator=(const ProgramUnderTest&) = delete;

    bool started() const { return static_cast<bool>(process_); }
    DWORD processId() const { return processId_; }
    // The exit code once the process has ended within the timeout, or
    // STILL_ACTIVE.
    DWORD WaitForExit(DWORD timeoutMs);

private:
    UniqueHandle process_;
    DWORD processId_ = 0;
};

}  // namespace dovrel::test
