#include "core/zip/safe_names.h"

#include <windows.h>

#include <algorithm>
#include <vector>

#include "core/text/ascii.h"
#include "core/text/dbcs.h"
#include "core/text/text_encoding.h"
#include "core/zip/zip_entry_name.h"

namespace dovrel {

namespace {

constexpr int kMostNumbers = 9999;

// The name cut at its separators (whole characters: a trail byte is never
// one); nothing when a component is empty, "." or "..". folder: the name
// ends in a separator or is empty.
std::optional<std::vector<Text>> Components(const Text& name, bool& folder)
{
    std::vector<Text> parts;
    std::size_t start = 0;
    ForEachCharacterStart(name.data(), name.size(), [&](std::size_t at) {
        if (IsPathSeparator(name[at])) {
            parts.push_back(name.substr(start, at - start));
            start = at + 1;
        }
        return true;
    });
    folder = start == name.size();
    if (!folder) parts.push_back(name.substr(start));
    for (const Text& part : parts) {
        if (part.empty() || part == "." || part == "..") return std::nullopt;
    }
    return parts;
}

// A component Windows keeps as it is, or nothing when what it holds is
// refused in any name (IsSafeEntryName). Its last byte, when a dot or a
// space, is a character of its own: trail bytes start at 0x40.
std::optional<Text> SafeComponent(Text part)
{
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    if (part.empty()) return Text("_");
    if (IsReservedDeviceName(part)) part.insert(std::min(part.find('.'), part.size()), "_");
    if (!IsSafeEntryName(part)) return std::nullopt;
    return part;
}

std::wstring Key(const Text& path)
{
    std::wstring wide = WideFromAnsi(path);
    if (!wide.empty()) CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    return wide;
}

// "name.ext" as "name (n).ext"; the extension is what follows the last dot.
Text Numbered(const Text& file, int number)
{
    std::size_t dot = Text::npos;
    ForEachCharacterStart(file.data(), file.size(), [&](std::size_t at) {
        if (file[at] == '.' && at > 0) dot = at;
        return true;
    });
    const Text suffix = " (" + std::to_string(number) + ")";
    return dot == Text::npos ? file + suffix : file.substr(0, dot) + suffix + file.substr(dot);
}

}  // namespace

std::optional<Text> SafeNames::Assign(const std::string& stored, bool utf8)
{
    const std::optional<Text> name = utf8 ? AnsiFromUtf8Name(stored) : std::optional<Text>(stored);
    if (!name) return std::nullopt;
    bool folder = false;
    const std::optional<std::vector<Text>> parts = Components(*name, folder);
    if (!parts) return std::nullopt;

    Text path;
    const std::size_t folders = folder ? parts->size() : parts->size() - 1;
    for (std::size_t i = 0; i < folders; ++i) {
        const std::optional<Text> part = SafeComponent((*parts)[i]);
        if (!part) return std::nullopt;
        path += (i > 0 ? "\\" : "") + *part;
        const std::wstring key = Key(path);
        if (files_.count(key)) return std::nullopt;
        folders_.insert(key);
    }
    if (folder) return path;
    const std::optional<Text> file = SafeComponent(parts->back());
    if (!file) return std::nullopt;
    const Text parent = folders > 0 ? path + "\\" : Text();
    for (int number = 1; number <= kMostNumbers; ++number) {
        const Text candidate = parent + (number == 1 ? *file : Numbered(*file, number));
        const std::wstring key = Key(candidate);
        if (files_.count(key) || folders_.count(key)) continue;
        files_.insert(key);
        return candidate;
    }
    return std::nullopt;
}

}  // namespace dovrel
