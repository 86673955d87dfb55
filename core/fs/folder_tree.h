#pragma once
// The one walk over a folder tree and the one rule it follows at reparse
// points, shared by DeleteFolderTree, the scratch folder's clearing and the
// zip extraction's folder checks.
//
// Links (junctions, symbolic links, mount points: the name surrogates) are
// never followed: a walk removes the link itself. Every other reparse point,
// such as the cloud tag that a synced Documents folder puts on each of its
// folders, is an ordinary file or folder and is entered like one.

#include <cstdint>

#include "core/text/text.h"

namespace dovrel {

// The rule, on an entry's attributes and its reparse tag (FindFirstFileA's
// dwReserved0, or FileAttributeTagInfo for a folder named by path). A
// reparse point whose tag could not be learned (0) counts as a link.
bool IsLinkByTag(std::uint32_t attributes, std::uint32_t reparseTag);

// Whether the file or folder at path is itself a link by that rule.
bool IsLinkPath(const Text& path);

// A folder that exists and is no link: what may be entered and written in.
bool IsRealFolder(const Text& path);

enum class TreeRemoval {
    KeepDotNamesAndReadOnly,  // DeleteFolderTree's written rules
    Everything,               // the scratch folder: whatever a package or a failed run left
};

// Empties the folder at path by the rules and removes it; a link at path,
// or anywhere inside, is removed as a link and its target never touched.
// No refusal of roots here: the callers make it. Answers RemoveDirectoryA's
// success on path.
bool RemoveFolderTree(const Text& path, TreeRemoval rules);

}  // namespace dovrel
