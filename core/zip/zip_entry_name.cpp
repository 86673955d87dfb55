#include "core/zip/zip_entry_name.h"

#include <cstring>

#include "core/text/ascii.h"
#include "core/text/dbcs.h"

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

bool IsReservedDeviceName(const Text& component) { return IsReservedDeviceName(component.data(), component.size()); }

}  // namespace dovrel
