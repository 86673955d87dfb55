#include "runtime/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include <memory>

namespace dovrel {

namespace {

struct LocalFreer {
    void operator()(LPWSTR* arguments) const { LocalFree(arguments); }
};

// A path of any length (past MAX_PATH too) made full; as given when
// Windows cannot.
std::wstring FullPath(const std::wstring& path)
{
    std::wstring full(MAX_PATH, L'\0');
    DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (length >= full.size()) {
        full.resize(length);
        length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    }
    if (length == 0 || length >= full.size()) return path;
    full.resize(length);
    return full;
}

}  // namespace

std::vector<std::wstring> DocumentsFromCommandLine(const wchar_t* commandLine)
{
    std::vector<std::wstring> documents;
    // An empty line would give the program's own path as its one argument.
    if (!commandLine || !*commandLine) return documents;
    int count = 0;
    std::unique_ptr<LPWSTR, LocalFreer> arguments(CommandLineToArgvW(commandLine, &count));
    if (!arguments) return documents;
    for (int i = 1; i < count; ++i) {
        const std::wstring argument = arguments.get()[i];
        if (!argument.empty()) documents.push_back(FullPath(argument));
    }
    return documents;
}

}  // namespace dovrel
