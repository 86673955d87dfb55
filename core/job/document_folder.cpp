#include "core/job/document_folder.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "core/base/unique_handle.h"
#include "core/compound/compound_document.h"
#include "core/fs/folder_tree.h"
#include "core/fs/inside_folder.h"
#include "core/job/document_name.h"
#include "core/job/media_folder.h"
#include "core/text/dbcs.h"

namespace dovrel {

namespace {

constexpr int kEntriesBetweenQuestions = 64;

// A zip package or a compound file: the two containers the job reads.
bool IsDocumentByContent(const Text& path)
{
    if (IsCompoundFile(path)) return true;
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    char head[4];
    DWORD read = 0;
    return file && ReadFile(file.get(), head, sizeof head, &read, nullptr) && read == sizeof head &&
           std::memcmp(head, "PK\x03\x04", sizeof head) == 0;
}

bool IsDocumentByName(const Text& name)
{
    if (name.size() >= 2 && name[0] == '~' && name[1] == '$') return false;  // Office's lock file
    return MediaFolderFor(AnalyseDocumentName(name).extension).has_value();
}

}  // namespace

FolderDocuments FindFolderDocuments(const Text& folder, const Text& outputRoot, const std::function<bool()>& goOn,
                                    const FolderLimits& limits)
{
    FolderDocuments found;
    const std::size_t rootLength = folder.size() + 1;
    // Only a folder that holds the output root can meet it.
    const bool holdsOutputRoot = LiesInside(outputRoot, folder);
    int met = 0;
    const bool ended = WalkFolderTree(folder, [&](const TreeEntry& entry) {
        if (++met % kEntriesBetweenQuestions == 0 && goOn && !goOn()) {
            found.outcome = FolderSearch::Stopped;
            return TreeStep::Stop;
        }
        if (entry.attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM) || entry.isLink) return TreeStep::Pass;
        if (entry.IsFolder()) {
            if (holdsOutputRoot && LiesInside(entry.path, outputRoot)) return TreeStep::Pass;
            if (entry.depth > limits.depth) {
                found.outcome = FolderSearch::TooDeep;
                return TreeStep::Stop;
            }
            return TreeStep::Go;
        }
        if (!IsDocumentByName(entry.name) || !IsDocumentByContent(entry.path)) return TreeStep::Pass;
        if (found.documents.size() == limits.documents) {
            found.outcome = FolderSearch::TooMany;
            return TreeStep::Stop;
        }
        const Text relative = entry.path.substr(std::min(rootLength, entry.path.size()));
        found.documents.push_back({entry.path, relative, FolderResultBaseName(relative)});
        return TreeStep::Go;
    });
    if (!ended) {
        found.documents.clear();
        return found;
    }
    std::sort(found.documents.begin(), found.documents.end(),
              [](const FolderDocument& a, const FolderDocument& b) { return a.relativePath < b.relativePath; });
    return found;
}

Text FolderResultBaseName(const Text& relativePath)
{
    const DocumentName name = AnalyseDocumentName(relativePath);
    Text folders = relativePath.substr(0, relativePath.size() - name.documentName.size());
    ForEachCharacterStart(folders.data(), folders.size(), [&](std::size_t at) {
        if (folders[at] == '\\') folders[at] = '_';
        return true;
    });
    return folders + name.baseName;
}

}  // namespace dovrel
