#include "core/text/text_encoding.h"

#include <windows.h>

#include <climits>

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

Text AnsiFromWide(const std::wstring& wide)
{
    // Zero-terminated source (length -1): the result's size includes the
    // terminating zero, which the Text does not keep.
    const int size = WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    Text ansi(static_cast<std::size_t>(size), '\0');
    const int written =
        WideCharToMultiByte(CP_ACP, WC_COMPOSITECHECK, wide.c_str(), -1, ansi.data(), size, nullptr, nullptr);
    ansi.resize(written > 0 ? static_cast<std::size_t>(written - 1) : 0);
    return ansi;
}

std::wstring WideFromAnsi(const Text& ansi)
{
    if (ansi.empty() || ansi.size() > INT_MAX) return {};
    const int sourceLength = static_cast<int>(ansi.size());
    const int length = MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), sourceLength, nullptr, 0);
    if (length <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, ansi.data(), sourceLength, wide.data(), length);
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
    // A default character is refused when the system code page is UTF-8.
    const bool utf8System = GetACP() == CP_UTF8;
    const DWORD flags = utf8System ? 0 : WC_NO_BEST_FIT_CHARS;
    const char* fallback = utf8System ? nullptr : "_";
    const int size = WideCharToMultiByte(CP_ACP, flags, wide.data(), length, nullptr, 0, fallback, nullptr);
    if (size <= 0) return std::nullopt;
    Text ansi(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, flags, wide.data(), length, ansi.data(), size, fallback, nullptr);
    return ansi;
}

}  // namespace dovrel
