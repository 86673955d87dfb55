#pragma once
// Whether an entry's name may become a path under the target folder.

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

// Windows maps these names to devices whatever the folder and extension
// ("nul.txt", "Com1 .png"): the part of the component before its first dot,
// without trailing spaces, decides. in: one component.
bool IsReservedDeviceName(const Text& component);

}  // namespace dovrel
