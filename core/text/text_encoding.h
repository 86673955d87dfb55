#pragma once
// The one place where text crosses between the program's texts and other
// encodings: UTF-8 bytes (as other programs hand over dropped HTML) to
// UTF-16, and the program's texts to and from the UTF-16 of every platform
// call that takes or gives text (windows, message boxes, file names).
//
// The program's texts are code page 936 bytes whatever the system's code
// page. A path can hold characters code page 936 lacks (España.pptx, (R),
// Korean, emoji): each such UTF-16 unit is kept in the text as the byte
// 0xFF followed by four upper-case hexadecimal digits. Code page 936 never
// produces 0xFF, nor uses it as a trail byte, and the escape holds no "\",
// "/" or ".", so every search and split of a text stays right; a text
// without such characters is exactly its code page 936 bytes.

#include <optional>
#include <string>

#include "core/text/text.h"

namespace dovrel {

// Every byte is decoded; malformed sequences become U+FFFD.
std::wstring WideFromUtf8(const std::string& utf8);

// Up to the first zero character, nothing lost: characters code page 936
// lacks are escaped, and nothing is composed or replaced by a look-alike.
Text TextFromWide(const std::wstring& wide);
// A program text as UTF-16: the code page 936 bytes converted
// (MultiByteToWideChar(936, ...)) and the escapes decoded.
std::wstring WideFromText(const Text& text);

// A name stored as UTF-8 (a zip entry's with flag bit 11) in code page 936,
// the program's texts whatever the system's code page: nothing when the
// bytes are not UTF-8. A character the code page lacks becomes "_", never a
// look-alike the code page has ("/" for U+2215).
std::optional<Text> AnsiFromUtf8Name(const std::string& utf8);

}  // namespace dovrel
