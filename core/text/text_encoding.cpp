#include "core/text/text_encoding.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <optional>

namespace dovrel {

std::wstring WideFromUtf8(const std::string& utf8)
{
    if (utf8.empty() || utf8.size() > INT_MAX) return {};
    const int sourceLength = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), sourceLength, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), sourceLength, wide.data(), length);
    return wide;
}

namespace {

constexpr UINT kTextCodePage = 936;
constexpr unsigned char kEscape = 0xFF;
constexpr std::size_t kEscapeSize = 5;  // 0xFF and four hexadecimal digits
constexpr char kHexDigits[] = "0123456789ABCDEF";

int HexValue(char digit)
{
    if (digit >= '0' && digit <= '9') return digit - '0';
    if (digit >= 'A' && digit <= 'F') return digit - 'A' + 10;
    if (digit >= 'a' && digit <= 'f') return digit - 'a' + 10;
    return -1;
}

// The UTF-16 unit escaped at text[at], or -1 when no escape starts there.
long EscapedUnitAt(const Text& text, std::size_t at)
{
    if (static_cast<unsigned char>(text[at]) != kEscape || text.size() - at < kEscapeSize) return -1;
    long unit = 0;
    for (std::size_t i = 1; i < kEscapeSize; ++i) {
        int value = HexValue(text[at + i]);
        if (value < 0) return -1;
        unit = unit * 16 + value;
    }
    return unit;
}

void AppendCodePageRun(const char* data, std::size_t size, std::wstring& wide)
{
    if (size == 0 || size > INT_MAX) return;
    const int sourceLength = static_cast<int>(size);
    const int length = MultiByteToWideChar(kTextCodePage, 0, data, sourceLength, nullptr, 0);
    if (length <= 0) return;
    const std::size_t before = wide.size();
    wide.resize(before + static_cast<std::size_t>(length));
    MultiByteToWideChar(kTextCodePage, 0, data, sourceLength, wide.data() + before, length);
}

// The code page's bytes for units exactly, or nothing when any of them has
// none (no default character, no look-alike) or would give the escape byte.
std::optional<Text> CodePageBytes(const wchar_t* units, int count)
{
    BOOL usedDefault = FALSE;
    const int size =
        WideCharToMultiByte(kTextCodePage, WC_NO_BEST_FIT_CHARS, units, count, nullptr, 0, nullptr, &usedDefault);
    if (size <= 0 || usedDefault) return std::nullopt;
    Text bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(kTextCodePage, WC_NO_BEST_FIT_CHARS, units, count, bytes.data(), size, nullptr, &usedDefault);
    if (usedDefault || bytes.find(static_cast<char>(kEscape)) != Text::npos) return std::nullopt;
    return bytes;
}

}  // namespace

Text TextFromWide(const std::wstring& wide)
{
    const std::size_t length = std::min(wide.find(L'\0'), wide.size());
    if (length == 0 || length > INT_MAX) return {};
    if (std::optional<Text> whole = CodePageBytes(wide.data(), static_cast<int>(length))) return *whole;
    Text text;
    for (std::size_t i = 0; i < length; ++i) {
        if (std::optional<Text> bytes = CodePageBytes(&wide[i], 1)) {
            text += *bytes;
            continue;
        }
        const unsigned unit = static_cast<unsigned short>(wide[i]);
        text += static_cast<char>(kEscape);
        for (int shift = 12; shift >= 0; shift -= 4) text += kHexDigits[(unit >> shift) & 0xF];
    }
    return text;
}

std::wstring WideFromText(const Text& text)
{
    std::wstring wide;
    std::size_t run = 0;  // where the bytes not yet converted start
    for (std::size_t at = 0; at < text.size();) {
        const long unit = EscapedUnitAt(text, at);
        if (unit < 0) {
            ++at;
            continue;
        }
        AppendCodePageRun(text.data() + run, at - run, wide);
        wide += static_cast<wchar_t>(unit);
        at += kEscapeSize;
        run = at;
    }
    AppendCodePageRun(text.data() + run, text.size() - run, wide);
    return wide;
}

std::optional<Text> AnsiFromUtf8Name(const std::string& utf8)
{
    if (utf8.empty()) return Text();
    if (utf8.size() > INT_MAX) return std::nullopt;
    const int sourceLength = static_cast<int>(utf8.size());
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), sourceLength, nullptr, 0);
    if (length <= 0) return std::nullopt;
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(), sourceLength, wide.data(), length);
    // The program's code page whatever the system's.
    const int size =
        WideCharToMultiByte(kTextCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr, 0, "_", nullptr);
    if (size <= 0) return std::nullopt;
    Text ansi(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(kTextCodePage, WC_NO_BEST_FIT_CHARS, wide.data(), length, ansi.data(), size, "_", nullptr);
    return ansi;
}

}  // namespace dovrel
