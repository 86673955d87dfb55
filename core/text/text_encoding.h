#pragma once
// The one place where text crosses from another encoding into the program's
// code page: UTF-8 bytes (as other programs hand over dropped HTML) to
// UTF-16, UTF-16 to the system ANSI code page, and back for the few
// platform calls that take only UTF-16 (structured storage).

#include <optional>
#include <string>

#include "core/text/text.h"

namespace dovrel {

// Every byte is decoded; malformed sequences become U+FFFD.
std::wstring WideFromUtf8(const std::string& utf8);

// Up to the first zero character; characters the code page lacks become its
// default character. Decomposed sequences are composed where the code page
// has the composed character (WC_COMPOSITECHECK).
Text AnsiFromWide(const std::wstring& wide);
// The system code page's text as UTF-16; empty if it cannot be converted.
std::wstring WideFromAnsi(const Text& ansi);

// A name stored as UTF-8 (a zip entry's with flag bit 11), in the system
// code page: nothing when the bytes are not UTF-8. A character the code page
// lacks becomes "_", never a look-alike the code page has ("/" for U+2215).
std::optional<Text> AnsiFromUtf8Name(const std::string& utf8);

}  // namespace dovrel
