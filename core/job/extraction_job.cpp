#include "core/job/extraction_job.h"

#include <optional>
#include <vector>

#include "core/compound/binary_pictures.h"
#include "core/job/document_folder.h"
#include "core/job/document_name.h"
#include "core/job/embedded_documents.h"
#include "core/fs/document_file.h"
#include "core/fs/file_ops.h"
#include "core/text/path_separator.h"
#include "core/fs/folder_path.h"
#include "core/fs/folder_tree.h"
#include "core/fs/inside_folder.h"
#include "core/job/document_kind.h"
#include "core/job/result_name.h"
#include "core/fs/scratch_tree.h"
#include "core/fs/volume.h"
#include "core/shell/user_seam.h"
#include "core/job/work_paths.h"
#include "core/metafile/metafile_renderer.h"
#include "core/zip/zip_extractor.h"

namespace dovrel {

namespace {

constexpr char kSuccessMessage[] = "提取成功！";
constexpr char kFailureMessage[] = "提取失败！";
constexpr char kCaption[] = "提示";
constexpr std::size_t kFailedNamesShown = 20;

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

// The share of a document's progress that reading its media takes; the
// rest is the rendering of its metafiles.
constexpr std::uint64_t kReadingShare = 90;

// A document's progress, passed on to the job's: the reading as the first
// kReadingShare percent, the rendering after it. Nothing without the job's.
class DocumentProgress {
public:
    explicit DocumentProgress(Progress* progress)
    {
        if (!progress) return;
        reading_.emplace(*progress, 0, kReadingShare, 100);
        rendering_.emplace(*progress, kReadingShare, 100, 100);
    }
    Progress* reading() { return reading_ ? &*reading_ : nullptr; }
    Progress* rendering() { return rendering_ ? &*rendering_ : nullptr; }
    // A report of the reading, or of the rendering; false once a stop was
    // asked for.
    bool TellReading(int percent) { return !reading_ || ReportPercent(*reading_, percent); }
    bool TellRendering(int percent) { return !rendering_ || ReportPercent(*rendering_, percent); }
    bool stopped() const { return (reading_ && reading_->stopped()) || (rendering_ && rendering_->stopped()); }

private:
    std::optional<ProgressPart> reading_, rendering_;
};

// Step 3: the package's media folder, unpacked under the scratch folder,
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

DocumentOutcome ExtractInScratchFolder(const WorkPaths& paths, const Text& document, const Text& resultBaseName,
                                       Progress* progress)
{
    // Opened once: the check below, the kind, the media and the embedded
    // documents are all read from this one open file.
    const DocumentFile file = DocumentFile::Open(document);
    // The document is only ever read. One inside the scratch folder would be
    // deleted by the clearing, even one that cannot be opened.
    if (file ? LiesInside(file, paths.scratchFolder) : LiesInside(document, paths.scratchFolder))
        return DocumentOutcome::Failed;
    if (!PrepareScratchFolder(paths)) return DocumentOutcome::Failed;

    Text suffix = DrawResultSuffix();
    // The content tells the kind; a file of no kind the job reads (a plain
    // zip, another program's compound file) fails aloud.
    const DocumentType type = DocumentTypeOf(file);
    if (!type.IsDocument()) return DocumentOutcome::Failed;

    // Step 1: the document's media into <scratch>\<package media folder>,
    // read where the document is; nothing else of the package is written.
    DocumentProgress documentProgress(progress);
    bool stopped = false;
    // Where the media go under the scratch folder, and with them the
    // documents embedded; a package's embedded parts lie beside its media.
    std::optional<Text> packageFolder, embeddingFolder, packageRoot;
    if (type.format == DocumentFormat::Binary) {
        // An old binary document: its pictures are written where a package
        // keeps its media, and the rest of the run is the same.
        BinaryPicturesResult pictures =
            WriteBinaryDocumentPictures(file, std::nullopt, paths.scratchFolder, documentProgress.reading());
        if (!pictures.ok && !pictures.stopped) return DocumentOutcome::Failed;
        stopped = pictures.stopped;
        // Pictures of embedded objects go where the document's own do.
        const Text ownMedia = MediaFolderOf(type.kind);
        embeddingFolder = pictures.packageFolder.value_or(ownMedia.empty() ? Text("\\media") : ownMedia);
        packageFolder = pictures.packageFolder;
    } else {
        const std::vector<PackageFolder> folders = MediaFoldersOf(type);
        // The scratch folder stays for inspection; the next run or start clears it.
        if (ZipExtractFolders(file, folders, paths.scratchFolder, documentProgress.reading()) != 1)
            return DocumentOutcome::Failed;
        if (!folders.empty()) packageFolder = folders.front().written;
        if (type.format == DocumentFormat::OfficeOpenXml && packageFolder) {
            embeddingFolder = packageFolder;
            packageRoot = PackageRootOf(*packageFolder);
        }
    }
    // Step 1b: the documents embedded in it, below its media.
    if (!stopped && !documentProgress.stopped() && embeddingFolder) {
        const Text media = JoinTexts({paths.scratchFolder, *embeddingFolder});
        if (!ExtractEmbeddedDocuments(file, packageRoot, media, paths.scratchFolder + "\\embedded",
                                      [&documentProgress] { return documentProgress.TellReading(100); }))
            stopped = true;
        if (!packageFolder && FolderExists(media)) packageFolder = embeddingFolder;
    }
    if (stopped || documentProgress.stopped()) {
        ClearScratchFolder(paths);
        return DocumentOutcome::Stopped;
    }
    if (!packageFolder) {
        ClearScratchFolder(paths);
        return DocumentOutcome::NothingExtracted;
    }

    // Step 2: a viewable picture beside each metafile, while the media are
    // still in the scratch folder, so a stop leaves no half-made result.
    const Text mediaFolder = JoinTexts({paths.scratchFolder, *packageFolder});
    if (IsRealFolder(mediaFolder)) {
        const FolderRendering rendering = RenderMetafilesInFolder(mediaFolder, documentProgress.rendering());
        if (rendering.stopped || !documentProgress.TellRendering(100)) {
            ClearScratchFolder(paths);
            return DocumentOutcome::Stopped;
        }
    }

    DocumentOutcome outcome = MoveMediaToResult(mediaFolder, paths, resultBaseName, suffix);
    if (outcome != DocumentOutcome::Failed) ClearScratchFolder(paths);
    return outcome;
}

// resultBaseName: what the result folder is named before its "_<number>".
DocumentOutcome ExtractNamedDocument(const WorkPaths& paths, const Text& document, const Text& resultBaseName,
                                     Progress* progress)
{
    const std::uint64_t failedWrites = FailedWrites();
    const DocumentOutcome outcome = ExtractInScratchFolder(paths, document, resultBaseName, progress);
    // A write that failed (a disk full after all) leaves nothing of this
    // run behind to fill the disk further.
    if (outcome == DocumentOutcome::Failed && FailedWrites() != failedWrites) ClearScratchFolder(paths);
    return outcome;
}

}  // namespace

DocumentOutcome ExtractDocument(const WorkPaths& paths, const Text& document, Progress* progress)
{
    return ExtractNamedDocument(paths, document, AnalyseDocumentName(document).baseName, progress);
}

namespace {

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
// end: success when none failed, else the failed documents' names; none
// when no document gave a result and none failed, as for a single such
// document (folders with no document in them among them).
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
            // The document's progress is its share of the whole.
            std::optional<ProgressPart> share;
            if (progress) share.emplace(*progress, i * 100, (i + 1) * 100, documents->size() * 100);
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
    // Nothing to show and nothing gone wrong: silent, as a single such document is.
    if (failed.empty() && !anyResult) return;
    Text message = failed.empty() ? kSuccessMessage : kFailureMessage;
    // The output root chosen alone fails as a single run does. The box fits
    // the screen however many failed: the first names, then how many more.
    const bool rootAlone = chosen.size() == 1 && documents->front().refusal == Refusal::OutputRoot;
    if (!rootAlone) {
        for (std::size_t i = 0; i < failed.size() && i < kFailedNamesShown; ++i) message += "\r\n" + failed[i];
        if (failed.size() > kFailedNamesShown) {
            message += "\r\n…（另有 " + ToText(static_cast<std::int32_t>(failed.size() - kFailedNamesShown)) + " 个）";
        }
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
