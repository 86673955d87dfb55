#pragma once
// Whether an entry's name may become a path under the target folder.

#include <optional>
#include <set>
#include <string>

#include "core/text/text.h"

namespace dovrel {

// true when the stored name, with "/" and "\" both taken as separators,
// stays inside the folder it is joined to and names what Windows would
// create under exactly that name. Refused: an empty name; a leading
// separator; ":" anywhere; a zero byte; a control byte (1 to 31); one of
// < > " | ? *; an empty, "." or ".." component (a single final separator
// is allowed: a folder entry's name ends in one); a component ending in a
// dot or a space; a reserved device name (CON, PRN, AUX, NUL, COM1-9,
// LPT1-9, CONIN$, CONOUT$) in any case, with or without an extension; a
// byte pair that code page 936 would not read as one character (a lead
// byte 0x80 or 0xFF, a trail byte outside 0x40-0xFE or 0x7F, a lead byte
// at the end), since Windows would then split the name where this test
// does not. Works on whole characters (core/dbcs.h): a trail byte is
// never a separator or a forbidden character.
bool IsSafeEntryName(const Text& name);

// Names for the files written into one folder (a package's media folder),
// each one Windows writes as it is and distinct from every name given
// before with letter case ignored, as Windows compares them; nothing is
// left out. A name stored as UTF-8 is decoded into the system code page (a
// character the code page lacks becomes "_"). A component ending in dots or
// spaces loses them ("..." becomes "_"); a reserved device name gets "_"
// after its base ("con.png" -> "con_.png", "com1." -> "com1_"); a file name
// given before gets " (2)", " (3)", ... before its extension
// ("IMAGE1.PNG" -> "IMAGE1 (2).PNG"). No name is made for one that would
// leave the folder or holds what Windows refuses in a name: an empty, "."
// or ".." component, a leading separator, ":", < > " | ? *, a control or
// zero byte, a broken double-byte pair, bytes flagged UTF-8 that are not; nor
// for a folder named like a file given before.
class SafeNames {
public:
    // in: stored, a path relative to the folder ("/" or "\" separators; a
    // final separator, or nothing at all, names a folder); utf8, whether it
    // is stored as UTF-8. out: the relative path to write, "\"-separated
    // (a folder's without a final separator), or nothing.
    std::optional<Text> Assign(const std::string& stored, bool utf8);

private:
    std::set<std::wstring> files_;  // keys: upper case, as Windows compares names
    std::set<std::wstring> folders_;
};

}  // namespace dovrel
