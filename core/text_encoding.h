#pragma once
// The one place where text crosses from another encoding into the program's
// code page: UTF-8 bytes (as other programs hand over dropped HTML) to
// UTF-16, and UTF-16 to the system ANSI code page.

#include <string>

#include "core/text.h"

namespace dovrel {

// Every byte is decoded; malformed sequences become U+FFFD.
std::wstring WideFromUtf8(const std::string& utf8);

// Up to the first zero character; characters the code page lacks become its
// default character. Decomposed sequences are composed where the code page
// has the composed character (WC_COMPOSITECHECK).
Text AnsiFromWide(const std::wstring& wide);

}  // namespace dovrel
