#pragma once
// The one walk over a folder tree and the one rule it follows at reparse
// points, shared by DeleteFolderTree, the scratch folder's clearing, the
// zip extraction's folder checks and the search of a dropped folder for its
// documents.
//
// Links (junctions, symbolic links, mount points: the name surrogates) are
// never followed: a walk removes the link itself. Every other reparse point,
// such as the cloud tag that a synced Documents folder puts on each of its
// folders, is an ordinary file or folder and is entered like one.

#include <cstdint>
#include <functional>

#include "core/text/text.h"

namespace dovrel {

// The rule, on an entry's attributes and its reparse tag (FindFirstFileA's
// dwReserved0, or FileAttributeTagInfo for a folder named by path). A
// reparse point whose tag could not be learned (0) counts as a link.
bool IsLinkByTag(std::uint32_t attributes, std::uint32_t reparseTag);

// A folder that exists and is no link: what may be entered and written in.
bool IsRealFolder(const Text& path);

// One entry met by WalkFolderTree.
struct TreeEntry {
    Text path;
    Text name;                 // the last component of path
    std::uint32_t attributes;  // as the listing gave them
    bool isLink;               // by the rule above: never entered
    int depth;                 // 1 for the walked folder's own entries

    bool IsFolder() const { return (attributes & 0x10) != 0; }  // FILE_ATTRIBUTE_DIRECTORY
};

enum class TreeStep {
    Go,    // enter the folder (a file or a link: go on); the entry is left afterwards
    Pass,  // neither entered nor left
    Stop,  // end the walk now
};

// Meets each entry of folder and, depth first, of its folders that are no
// links (each folder's listing is complete and its handle closed before
// anything in it is met, so `leave` may remove what it is told of). `leave`
// hears of an entry met with Go once its contents are done. Answers false
// when `meet` stopped the walk.
bool WalkFolderTree(const Text& folder, const std::function<TreeStep(const TreeEntry&)>& meet,
                    const std::function<void(const TreeEntry&)>& leave = nullptr);

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
