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

// CommandLineToArgvW reads a folder's final "\" before its closing quote
// as an escaped quote (`"D:\资料\"`, a drive quoted as `"D:\"`): the
// quote stays in the argument, and a blank after it no longer ends it. No
// Windows name holds a quote, so each one is such a "\" given back, and
// whatever follows it is the next argument.
std::vector<std::wstring> PathsOfArgument(const std::wstring& argument)
{
    std::vector<std::wstring> paths;
    std::size_t at = 0;
    for (;;) {
        const std::size_t quote = argument.find(L'"', at);
        std::wstring path = argument.substr(at, quote == std::wstring::npos ? std::wstring::npos : quote - at);
        if (at > 0) path.erase(0, path.find_first_not_of(L" \t"));
        if (quote != std::wstring::npos) path += L'\\';
        if (!path.empty() && path != L"\\") paths.push_back(path);
        if (quote == std::wstring::npos) return paths;
        at = quote + 1;
    }
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
        for (const std::wstring& path : PathsOfArgument(arguments.get()[i])) documents.push_back(FullPath(path));
    }
    return documents;
}

}  // namespace dovrel
