#pragma once
// The names media files are written under: what a package stores, made
// into names Windows keeps as they are and tells apart.

#include <optional>
#include <set>
#include <string>

#include "core/text/text.h"

namespace dovrel {

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
