#include "core/job/document_folder.h"

#include <windows.h>

#include <algorithm>

#include "core/compound/compound_document.h"
#include "core/fs/folder_tree.h"
#include "core/fs/inside_folder.h"
#include "core/job/document_name.h"
#include "core/job/document_kind.h"
#include "core/text/dbcs.h"
#include "core/fs/document_file.h"

namespace dovrel {

namespace {

constexpr int kEntriesBetweenQuestions = 64;

// A zip package or a compound file of a kind the job reads. A damaged one
// is taken, to fail aloud.
bool IsDocumentByContent(const Text& path)
{
    const DocumentFile file = DocumentFile::Open(path);
    if (!IsCompoundFile(file) && !StartsWithBytes(file, "PK\x03\x04")) return false;
    return DocumentTypeOf(file).format != DocumentFormat::Foreign;
}

bool IsDocumentByName(const Text& name)
{
    if (name.size() >= 2 && name[0] == '~' && name[1] == '$') return false;  // Office's lock file
    return KindForExtension(AnalyseDocumentName(name).extension) != DocumentKind::Unknown;
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
