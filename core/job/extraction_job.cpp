#include "core/job/extraction_job.h"

#include <optional>
#include <vector>

#include "core/compound/binary_pictures.h"
#include "core/compound/compound_document.h"
#include "core/job/document_folder.h"
#include "core/job/document_name.h"
#include "core/fs/file_ops.h"
#include "core/text/path_separator.h"
#include "core/fs/folder_path.h"
#include "core/fs/folder_tree.h"
#include "core/fs/inside_folder.h"
#include "core/job/media_folder.h"
#include "core/job/result_name.h"
#include "core/fs/scratch_tree.h"
#include "core/shell/user_seam.h"
#include "core/job/work_paths.h"
#include "core/zip/zip_extractor.h"

namespace dovrel {

namespace {

constexpr char kSuccessMessage[] = "提取成功！";
constexpr char kFailureMessage[] = "提取失败！";
constexpr char kCaption[] = "提示";

// Not DeleteFolderTree: it leaves dot-named entries (a package's
// _rels\.rels, a Mac's .DS_Store) and read-only files, which would keep the
// scratch folder and join the next document's media. Links in it are
// removed as links.
bool ClearScratchFolder(const WorkPaths& paths) { return RemoveScratchTree(paths.scratchFolder); }

// The scratch folder, empty and real, before anything is written: a link
// there (or left inside, which Wine cannot remove) would have the run write
// into the folder it points to, and leftovers that cannot be removed (a file
// held open by a viewer or a scanner) would join this document's media.
bool PrepareScratchFolder(const WorkPaths& paths)
{
    if (!ClearScratchFolder(paths)) return false;
    CreateFolder(paths.outputRoot);
    CreateFolder(paths.scratchFolder);
    return IsRealFolder(paths.scratchFolder);
}

// The readers' progress, passed on to the job's; remembers a stop, which
// the readers end as they end a finished walk.
class StopRecorder final : public Progress {
public:
    explicit StopRecorder(Progress& progress) : progress_(progress) {}
    bool Report(std::uint64_t done, std::uint64_t total) override
    {
        if (!progress_.Report(done, total)) stopped = true;
        return !stopped;
    }
    bool stopped = false;

private:
    Progress& progress_;
};

// Step 2: the package's media folder, unpacked under the scratch folder,
// straight to its result name in the output root.
DocumentOutcome MoveMediaToResult(const Text& mediaFolder, const WorkPaths& paths, const Text& baseName,
                                  const Text& suffix)
{
    // A package may hold no media, or a file named like the media folder:
    // no picture to show as a result.
    if (!FolderExists(mediaFolder)) return DocumentOutcome::NothingExtracted;
    // The zip extraction made it a real folder; one that is a link now is
    // never moved.
    if (!IsRealFolder(mediaFolder)) return DocumentOutcome::Failed;
    // On failure the media stay in the scratch folder, as after any failed run.
    return GiveResultName(mediaFolder, paths.outputRoot, baseName, suffix) ? DocumentOutcome::Extracted
                                                                           : DocumentOutcome::Failed;
}

}  // namespace

namespace {

// resultBaseName: what the result folder is named before its "_<number>".
DocumentOutcome ExtractNamedDocument(const WorkPaths& paths, const Text& document, const Text& resultBaseName,
                                     Progress* progress)
{
    // The document is only ever read. One inside the scratch folder would be
    // deleted by the clearing.
    if (LiesInside(document, paths.scratchFolder)) return DocumentOutcome::Failed;
    if (!PrepareScratchFolder(paths)) return DocumentOutcome::Failed;

    Text suffix = DrawResultSuffix();
    DocumentName name = AnalyseDocumentName(document);
    // A kind the job does not know selects no entry: the package is still
    // checked, and then ends silently.
    std::optional<Text> packageFolder = MediaFolderFor(name.extension);

    // Step 1: the document's media into <scratch>\<package media folder>,
    // read where the document is; nothing else of the package is written.
    std::optional<StopRecorder> recorder;
    if (progress) recorder.emplace(*progress);
    Progress* readers = recorder ? &*recorder : nullptr;
    bool stopped = false;
    if (IsCompoundFile(document)) {
        // An old binary document: its pictures are written where a package
        // keeps its media, and the rest of the run is the same.
        BinaryPicturesResult pictures =
            WriteBinaryDocumentPictures(document, MediaFolderFor(name.extension), paths.scratchFolder, readers);
        if (!pictures.ok && !pictures.stopped) return DocumentOutcome::Failed;
        stopped = pictures.stopped;
        packageFolder = pictures.packageFolder;
    } else if (ZipExtractFolder(document, packageFolder, paths.scratchFolder, readers) != 1) {
        // The scratch folder stays for inspection; the next run or start clears it.
        return DocumentOutcome::Failed;
    }
    if (stopped || (recorder && recorder->stopped)) {
        ClearScratchFolder(paths);
        return DocumentOutcome::Stopped;
    }
    if (!packageFolder) {
        ClearScratchFolder(paths);
        return DocumentOutcome::NothingExtracted;
    }

    DocumentOutcome outcome =
        MoveMediaToResult(JoinTexts({paths.scratchFolder, *packageFolder}), paths, resultBaseName, suffix);
    if (outcome != DocumentOutcome::Failed) ClearScratchFolder(paths);
    return outcome;
}

}  // namespace

DocumentOutcome ExtractDocument(const WorkPaths& paths, const Text& document, Progress* progress)
{
    return ExtractNamedDocument(paths, document, AnalyseDocumentName(document).baseName, progress);
}

namespace {

// One document of a batch reports its progress as its share of the whole.
class BatchShare final : public Progress {
public:
    BatchShare(Progress& whole, std::size_t index, std::size_t count) : whole_(whole), index_(index), count_(count) {}
    bool Report(std::uint64_t done, std::uint64_t total) override
    {
        const std::uint64_t points = std::uint64_t{index_} * 100 + PercentOf(done, total);
        return whole_.Report(points, std::uint64_t{count_} * 100);
    }

private:
    Progress& whole_;
    std::size_t index_;
    std::size_t count_;
};

// How a failed document is named in the failure message: its file name.
Text NameForMessage(const Text& document)
{
    Text name = AnalyseDocumentName(document).documentName;
    return name.empty() ? document : name;
}

void RunSingle(const WorkPaths& paths, const Text& document, Progress* progress)
{
    UserSeam& user = CurrentUserSeam();
    DocumentOutcome outcome = ExtractDocument(paths, document, progress);
    if (progress) progress->Ended(outcome == DocumentOutcome::Failed);
    switch (outcome) {
    case DocumentOutcome::Extracted:
        user.ShowMessage(kSuccessMessage, kCaption);
        user.OpenInShell(paths.outputRoot);
        break;
    case DocumentOutcome::Failed: user.ShowMessage(kFailureMessage, kCaption); break;
    case DocumentOutcome::NothingExtracted:
    case DocumentOutcome::Stopped: break;
    }
}

// One document of a batch: a chosen one, or one that a chosen folder
// stands for; or a chosen folder refused as a whole.
enum class Refusal { None, OutputRoot, PastTheLimits };

struct BatchDocument {
    Text path;
    Text resultBaseName;
    Text shownName;  // in the failure message
    Refusal refusal = Refusal::None;
};

// "D:\decks\" is the folder "D:\decks"; "D:\" stays the drive's root.
Text WithoutFinalBackslash(Text folder)
{
    while (EndsWithSeparator(folder) && folder.size() > 3) folder.pop_back();
    return folder;
}

// The chosen paths, each folder replaced by its documents. A folder in the
// output root (or the root itself) would have the run extract its own
// results again and again; one past the limits is refused before anything
// is written. Nothing when a stop was asked for.
std::optional<std::vector<BatchDocument>> ExpandFolders(const WorkPaths& paths, const std::vector<Text>& chosen,
                                                        Progress* progress)
{
    std::vector<BatchDocument> batch;
    for (const Text& path : chosen) {
        if (!FolderExists(path)) {
            batch.push_back({path, AnalyseDocumentName(path).baseName, NameForMessage(path)});
            continue;
        }
        const Text folder = WithoutFinalBackslash(path);
        if (LiesInside(folder, paths.outputRoot)) {
            batch.push_back({folder, Text(), NameForMessage(folder), Refusal::OutputRoot});
            continue;
        }
        FolderDocuments found = FindFolderDocuments(folder, paths.outputRoot,
                                                    [progress] { return !progress || ReportPercent(*progress, 0); });
        if (found.outcome == FolderSearch::Stopped) return std::nullopt;
        if (found.outcome != FolderSearch::Found) {
            batch.push_back({folder, Text(), NameForMessage(folder), Refusal::PastTheLimits});
            continue;
        }
        for (FolderDocument& document : found.documents) {
            batch.push_back(
                {std::move(document.path), std::move(document.resultBaseName), std::move(document.relativePath)});
        }
    }
    return batch;
}

// Each document exactly as a single run would do it, one message at the
// end: success when none failed, else the failed documents' names. Folders
// with no document in them, alone, end silently.
void RunBatch(const WorkPaths& paths, const std::vector<Text>& chosen, Progress* progress)
{
    const std::optional<std::vector<BatchDocument>> documents = ExpandFolders(paths, chosen, progress);
    if (!documents) return;
    if (documents->empty()) {
        if (progress) progress->Ended(false);
        return;
    }
    std::vector<Text> failed;
    bool anyResult = false;
    for (std::size_t i = 0; i < documents->size(); ++i) {
        const BatchDocument& document = (*documents)[i];
        DocumentOutcome outcome = DocumentOutcome::Failed;
        if (document.refusal == Refusal::None) {
            std::optional<BatchShare> share;
            if (progress) share.emplace(*progress, i, documents->size());
            outcome = ExtractNamedDocument(paths, document.path, document.resultBaseName, share ? &*share : nullptr);
        }
        switch (outcome) {
        case DocumentOutcome::Extracted: anyResult = true; break;
        case DocumentOutcome::Failed: failed.push_back(document.shownName); break;
        case DocumentOutcome::NothingExtracted: break;
        case DocumentOutcome::Stopped: return;
        }
    }
    if (progress) progress->Ended(!failed.empty());
    Text message = failed.empty() ? kSuccessMessage : kFailureMessage;
    // The output root chosen alone fails as a single run does.
    const bool rootAlone = chosen.size() == 1 && documents->front().refusal == Refusal::OutputRoot;
    for (const Text& name : failed) {
        if (!rootAlone) message += "\r\n" + name;
    }
    UserSeam& user = CurrentUserSeam();
    user.ShowMessage(message, kCaption);
    if (anyResult) user.OpenInShell(paths.outputRoot);
}

}  // namespace

void RunExtraction(Progress* progress)
{
    const WorkPaths& paths = CurrentWorkPaths();
    const std::vector<Text>& documents = paths.selectedDocuments;
    // A folder stands for the documents in it: a batch however many.
    if (documents.size() > 1 || (documents.size() == 1 && FolderExists(documents.front()))) {
        RunBatch(paths, documents, progress);
    } else {
        // Nothing chosen yet is a single run on the empty path: it fails.
        RunSingle(paths, documents.empty() ? Text() : documents.front(), progress);
    }
}

}  // namespace dovrel
