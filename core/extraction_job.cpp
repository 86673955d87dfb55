#include "core/extraction_job.h"

#include "core/binary_pictures.h"
#include "core/compound_document.h"
#include "core/document_name.h"
#include "core/file_ops.h"
#include "core/media_folder.h"
#include "core/result_name.h"
#include "core/scratch_tree.h"
#include "core/user_seam.h"
#include "core/work_paths.h"
#include "core/zip_extractor.h"

namespace dovrel {

namespace {

constexpr char kSuccessMessage[] = "提取成功！";
constexpr char kFailureMessage[] = "提取失败！";
constexpr char kCaption[] = "提示";

void ClearScratchFolder(const WorkPaths& paths)
{
    // Not DeleteFolderTree: it leaves dot-named entries (a package's
    // _rels\.rels, a Mac's .DS_Store) and read-only files (the remains of a
    // failed entry), which would keep the scratch folder and join the next
    // document's media.
    RemoveScratchTree(paths.scratchFolder);
}

Text LastComponent(const Text& path)
{
    std::vector<Text> parts = SplitText(path, "\\");
    return parts.empty() ? Text() : parts.back();
}

// The zip extraction's progress event, forwarded to the job's progress.
class ProgressForwarder : public ExtractProgressSink {
public:
    explicit ProgressForwarder(JobProgress* progress) : progress_(progress) {}
    bool HasWindow() const override { return progress_ != nullptr; }
    std::optional<bool> Fire(std::int32_t percent) override
    {
        if (!progress_->Report(percent)) stopped = true;
        return !stopped;
    }
    bool stopped = false;

private:
    JobProgress* progress_;
};

}  // namespace

DocumentOutcome ExtractDocument(const WorkPaths& paths, const Text& document, JobProgress* progress)
{
    // Whatever an earlier failed run left would otherwise be unpacked, or
    // moved out, together with this document's media.
    ClearScratchFolder(paths);
    CreateFolder(paths.outputRoot);
    CreateFolder(paths.scratchFolder);

    Text suffix = DrawResultSuffix();
    DocumentName name = AnalyseDocumentName(document);

    ProgressForwarder forwarder(progress);
    std::optional<Text> packageFolder = MediaFolderFor(name.extension);
    if (IsCompoundFile(document)) {
        // An old binary document: its pictures are written where a package
        // keeps its media, and the rest of the run is the same.
        BinaryPicturesResult pictures = WriteBinaryDocumentPictures(document, name.extension, paths.scratchFolder);
        if (!pictures.ok) return DocumentOutcome::Failed;
        packageFolder = pictures.packageFolder;
    } else if (!CopyFileReplacing(document, paths.scratchArchive) ||
        ZipExtractor(paths.scratchArchive, paths.scratchFolder, &forwarder) != 1) {
        // The scratch folder stays for inspection; the next run or start clears it.
        return DocumentOutcome::Failed;
    }

    if (forwarder.stopped) {
        ClearScratchFolder(paths);
        return DocumentOutcome::Stopped;
    }

    // A document of no known kind, or one without pictures or videos, ends
    // silently.
    DocumentOutcome outcome = DocumentOutcome::NothingExtracted;
    if (packageFolder) {
        Text source = JoinTexts({paths.scratchFolder, *packageFolder});
        Text mediaFolder = JoinTexts({paths.outputRoot, "\\", LastComponent(source)});
        // A package may hold a file named like the media folder: that is no
        // picture to show as a result.
        if (FolderExists(source) && MovePath(source, mediaFolder)) {
            if (GiveResultName(mediaFolder, paths.outputRoot, name.baseName, suffix)) {
                outcome = DocumentOutcome::Extracted;
            } else {
                // Back into the scratch folder, so that the clean-up takes it
                // and no stray media folder blocks the next run.
                MovePath(mediaFolder, source);
                outcome = DocumentOutcome::Failed;
            }
        }
    }
    ClearScratchFolder(paths);
    return outcome;
}

void RunExtraction(JobProgress* progress)
{
    const WorkPaths& paths = CurrentWorkPaths();
    UserSeam& user = CurrentUserSeam();
    switch (ExtractDocument(paths, paths.selectedDocument, progress)) {
    case DocumentOutcome::Extracted:
        user.ShowMessage(kSuccessMessage, kCaption);
        user.OpenInShell(paths.outputRoot);
        break;
    case DocumentOutcome::Failed:
        user.ShowMessage(kFailureMessage, kCaption);
        break;
    case DocumentOutcome::NothingExtracted:
    case DocumentOutcome::Stopped:
        break;
    }
}

}  // namespace dovrel
