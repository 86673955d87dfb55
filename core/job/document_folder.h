#pragma once
// A folder chosen or dropped as a document stands for every document in it
// and in its folders that the job reads: found by the one tree walk, which
// never follows a link.

#include <cstddef>
#include <functional>
#include <vector>

#include "core/text/text.h"

namespace dovrel {

// Beyond these a folder is refused as a whole, before anything is written.
struct FolderLimits {
    int depth = 32;  // levels of folders below the chosen one
    std::size_t documents = 10000;
};

struct FolderDocument {
    Text path;
    Text relativePath;    // from the chosen folder: "2024\deck.pptx"
    Text resultBaseName;  // "2024_deck": the result folder is <this>_<number>
};

enum class FolderSearch { Found, TooDeep, TooMany, Stopped };

struct FolderDocuments {
    FolderSearch outcome = FolderSearch::Found;
    std::vector<FolderDocument> documents;  // in the order of their relative paths
};

// The documents under folder, judged by content once their extension is
// one the job reads. Hidden and system entries, Office's lock files
// ("~$deck.pptx") and `outputRoot` with all inside it are passed over.
// `goOn` is asked now and then; false stops the search.
FolderDocuments FindFolderDocuments(const Text& folder, const Text& outputRoot, const std::function<bool()>& goOn,
                                    const FolderLimits& limits = {});

// "a\b\deck.pptx" -> "a_b_deck": the relative folders joined by "_" before
// the document's base name.
Text FolderResultBaseName(const Text& relativePath);

}  // namespace dovrel
