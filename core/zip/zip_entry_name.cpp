#include "core/zip/zip_entry_name.h"

#include <windows.h>

#include <cstring>
#include <vector>

#include "core/text/ascii.h"
#include "core/text/dbcs.h"
#include "core/text/text_encoding.h"

namespace dovrel {

namespace {

bool IsForbiddenByte(char byte)
{
    auto value = static_cast<unsigned char>(byte);
    return value < 32 || std::strchr("<>\"|?*:", byte) != nullptr;
}

// Code page 936 defines lead bytes 0x81-0xFE and trail bytes 0x40-0xFE
// without 0x7F.
bool IsCharacterPair(char lead, char trail)
{
    auto l = static_cast<unsigned char>(lead);
    auto t = static_cast<unsigned char>(trail);
    return l >= 0x81 && l <= 0xFE && t >= 0x40 && t <= 0xFE && t != 0x7F;
}

char AsciiUpper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

bool EqualsIgnoringCase(const char* data, std::size_t length, const char* word)
{
    if (std::strlen(word) != length) return false;
    for (std::size_t i = 0; i < length; ++i)
        if (AsciiUpper(data[i]) != word[i]) return false;
    return true;
}

// Windows maps these names to devices whatever the folder and extension
// ("nul.txt", "Com1 .png"): the part before the first dot, without
// trailing spaces, decides.
bool IsReservedDeviceName(const char* data, std::size_t length)
{
    std::size_t base = 0;
    while (base < length && data[base] != '.') ++base;
    while (base > 0 && data[base - 1] == ' ') --base;
    static const char* const kFixed[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (const char* word : kFixed)
        if (EqualsIgnoringCase(data, base, word)) return true;
    if (base == 4 && (EqualsIgnoringCase(data, 3, "COM") || EqualsIgnoringCase(data, 3, "LPT")))
        return data[3] >= '1' && data[3] <= '9';
    return false;
}

// A component is whole characters (the caller has checked every pair), so
// its last byte is a single-byte character whenever it is a dot or space.
bool IsSafeComponent(const char* data, std::size_t length)
{
    if (length == 0) return false;
    char last = data[length - 1];
    if (last == '.' || last == ' ') return false;  // also "." and ".."
    return !IsReservedDeviceName(data, length);
}

}  // namespace

bool IsSafeEntryName(const Text& name)
{
    const char* data = name.data();
    const std::size_t length = name.size();
    if (length == 0) return false;

    bool safe = true;
    std::size_t componentStart = 0;
    ForEachCharacterStart(data, length, [&](std::size_t at) {
        std::size_t size = CharacterSize(data, length, at);
        if (size == 0 || (size == 2 && !IsCharacterPair(data[at], data[at + 1]))) {
            safe = false;
        } else if (size == 1 && IsPathSeparator(data[at])) {
            safe = IsSafeComponent(data + componentStart, at - componentStart);
            componentStart = at + 1;
        } else if (size == 1 && IsForbiddenByte(data[at])) {
            safe = false;
        }
        return safe;
    });
    if (!safe) return false;
    // The final component may be empty only after a separator.
    if (componentStart == length) return componentStart > 0;
    return IsSafeComponent(data + componentStart, length - componentStart);
}

namespace {

constexpr int kMostNumbers = 9999;

// The stored name cut into components of whole, allowed characters; nothing
// when a character is one Windows refuses or the name has an empty, "." or
// ".." component. folder: the name ends in a separator or is empty.
std::optional<std::vector<Text>> Components(const Text& name, bool& folder)
{
    std::vector<Text> parts;
    bool allowed = true;
    std::size_t start = 0;
    const char* data = name.data();
    ForEachCharacterStart(data, name.size(), [&](std::size_t at) {
        const std::size_t size = CharacterSize(data, name.size(), at);
        if (size == 0 || (size == 2 && !IsCharacterPair(data[at], data[at + 1]))) {
            allowed = false;
        } else if (size == 1 && IsPathSeparator(data[at])) {
            parts.push_back(name.substr(start, at - start));
            start = at + 1;
        } else if (size == 1 && IsForbiddenByte(data[at])) {
            allowed = false;
        }
        return allowed;
    });
    if (!allowed) return std::nullopt;
    folder = start == name.size();
    if (!folder) parts.push_back(name.substr(start));
    for (const Text& part : parts) {
        if (part.empty() || part == "." || part == "..") return std::nullopt;
    }
    return parts;
}

// A component Windows keeps as it is. Its last byte, when a dot or a space,
// is a character of its own (trail bytes start at 0x40).
Text SafeComponent(Text part)
{
    while (!part.empty() && (part.back() == '.' || part.back() == ' ')) part.pop_back();
    if (part.empty()) return "_";
    if (IsReservedDeviceName(part.data(), part.size()))
        part.insert(part.find('.') == Text::npos ? part.size() : part.find('.'), "_");
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
    std::optional<Text> name = utf8 ? AnsiFromUtf8Name(stored) : std::optional<Text>(stored);
    if (!name) return std::nullopt;
    bool folder = false;
    const std::optional<std::vector<Text>> parts = Components(*name, folder);
    if (!parts) return std::nullopt;

    Text path;
    const std::size_t folders = folder ? parts->size() : parts->size() - 1;
    for (std::size_t i = 0; i < folders; ++i) {
        path += (i > 0 ? "\\" : "") + SafeComponent((*parts)[i]);
        const std::wstring key = Key(path);
        if (files_.count(key)) return std::nullopt;
        folders_.insert(key);
    }
    if (folder) return path;
    const Text parent = folders > 0 ? path + "\\" : Text();
    const Text file = SafeComponent(parts->back());
    for (int number = 1; number <= kMostNumbers; ++number) {
        const Text candidate = parent + (number == 1 ? file : Numbered(file, number));
        const std::wstring key = Key(candidate);
        if (files_.count(key) || folders_.count(key)) continue;
        files_.insert(key);
        return candidate;
    }
    return std::nullopt;
}

}  // namespace dovrel
