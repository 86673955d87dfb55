#include "core/job/embedded_documents.h"

#include <windows.h>

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "core/base/progress.h"
#include "core/compound/binary_pictures.h"
#include "core/compound/compound_document.h"
#include "core/compound/embedded_objects.h"
#include "core/fs/file_ops.h"
#include "core/fs/folder_path.h"
#include "core/fs/folder_tree.h"
#include "core/fs/scratch_tree.h"
#include "core/job/document_kind.h"
#include "core/text/ascii.h"
#include "core/zip/zip_entry_info.h"
#include "core/zip/zip_extractor.h"
#include "core/zip/zip_reader.h"

namespace dovrel {

namespace {

constexpr char kEmbeddings[] = "\\embeddings";

// A stop asked for through a reader's progress; how far the reader is
// shows nowhere.
class StopPoll final : public Progress {
public:
    explicit StopPoll(std::function<bool()> goOn) : goOn_(std::move(goOn)) {}
    bool Report(std::uint64_t /*done*/, std::uint64_t /*total*/) override { return goOn_(); }

private:
    std::function<bool()> goOn_;
};

// The names of the files directly in folder, in the order of their bytes.
std::vector<Text> FileNamesIn(const Text& folder)
{
    std::vector<Text> names;
    WalkFolderTree(folder, [&](const TreeEntry& entry) {
        if (!entry.IsFolder() && !entry.isLink) names.push_back(entry.name);
        return TreeStep::Pass;
    });
    std::sort(names.begin(), names.end());
    return names;
}

using Parts = std::vector<std::pair<Text, Text>>;  // name, file

class Embeddings {
public:
    Embeddings(const Text& workFolder, const std::function<bool()>& goOn) : workFolder_(workFolder), goOn_(goOn) {}

    bool stopped() const { return stopped_; }

    // The parts of the package (of depth `depth`) under its root.
    Parts PackageParts(const DocumentFile& package, const Text& packageRoot, int depth)
    {
        Parts parts;
        if (depth >= kEmbeddingDepth) return parts;
        const Text work = WorkFolder(depth) + "\\zip";
        const Text folder = packageRoot + kEmbeddings;
        // Most documents embed none: nothing is made for them.
        if (!ZipHasEntriesUnder(package, folder)) return parts;
        StopPoll poll([this] { return GoOn(); });
        if (ZipExtractFolders(package, {{folder, folder}}, work, &poll) != 1) return parts;
        for (const Text& name : FileNamesIn(work + folder)) parts.emplace_back(name, work + folder + "\\" + name);
        return parts;
    }

    // The objects the compound file embeds; an OLE object around a package
    // answers that package.
    EmbeddedObjects CompoundParts(const DocumentFile& document, int depth)
    {
        return WriteEmbeddedObjects(document, WorkFolder(depth) + "\\parts", depth < kEmbeddingDepth,
                                    [this] { return GoOn(); });
    }

    // Each part read into target\embeddings\<its name>.
    void ReadParts(const Parts& parts, const Text& target, int depth)
    {
        const Text embeddings = target + kEmbeddings;
        for (const auto& [name, file] : parts) {
            if (!GoOn()) return;
            const Text partTarget = embeddings + "\\" + name;
            ReadDocument(file, partTarget, depth + 1);
            RemoveDirectoryA(partTarget.c_str());  // only when nothing came of it
        }
        RemoveDirectoryA(embeddings.c_str());
    }

    static Parts PartsOf(const EmbeddedObjects& objects)
    {
        Parts parts;
        for (const EmbeddedObject& object : objects.objects) parts.emplace_back(object.name, object.path);
        return parts;
    }

private:
    bool GoOn()
    {
        if (!stopped_ && goOn_ && !goOn_()) stopped_ = true;
        return !stopped_;
    }

    Text WorkFolder(int depth) const { return JoinTexts({workFolder_, "\\", ToText(depth)}); }

    // One embedded document, by content: its pictures into target, then its
    // own embedded documents.
    void ReadDocument(const Text& path, const Text& target, int depth)
    {
        const Text work = WorkFolder(depth);
        if (!RemoveScratchTree(work) || !CreateFolderPath(work)) return;
        const DocumentFile document = DocumentFile::Open(path);
        if (!document) return;
        if (IsCompoundFile(document)) {
            const EmbeddedObjects objects = CompoundParts(document, depth);
            if (objects.package) {
                ReadPackage(DocumentFile::Open(*objects.package), target, depth);
                return;
            }
            StopPoll poll([this] { return GoOn(); });
            BinaryPicturesResult pictures = WriteBinaryDocumentPictures(document, Text("\\media"), work, &poll);
            if (pictures.ok && pictures.packageFolder) MoveInto(work + "\\media", target);
            ReadParts(PartsOf(objects), target, depth);
        } else {
            ReadPackage(document, target, depth);
        }
    }

    // A package by its kind: an Office Open XML package's media and then
    // its embedded parts, an OpenDocument package's pictures and media.
    void ReadPackage(const DocumentFile& package, const Text& target, int depth)
    {
        const DocumentType type = DocumentTypeOf(package);
        const std::vector<PackageFolder> folders = MediaFoldersOf(type);
        if (folders.empty()) return;
        const Text work = WorkFolder(depth) + "\\media";
        const Text& written = folders.front().written;
        StopPoll poll([this] { return GoOn(); });
        if (ZipExtractFolders(package, folders, work, &poll) == 1 && GoOn() && FolderExists(work + written))
            MoveInto(work + written, target);
        if (type.format == DocumentFormat::OfficeOpenXml)
            ReadParts(PackageParts(package, PackageRootOf(written), depth), target, depth);
    }

    // A folder of pictures made the result of an embedded document.
    static void MoveInto(const Text& source, const Text& target)
    {
        const std::int32_t slash = FindLastText(target, "\\");
        if (slash > 0 && CreateFolderPath(LeftText(target, slash - 1))) MovePath(source, target);
    }

    const Text& workFolder_;
    const std::function<bool()>& goOn_;
    bool stopped_ = false;
};

}  // namespace

Text PackageRootOf(const Text& mediaFolder)
{
    const std::int32_t slash = FindLastText(mediaFolder, "\\");
    return slash > 0 ? LeftText(mediaFolder, slash - 1) : Text();
}

bool ExtractEmbeddedDocuments(const DocumentFile& document, const std::optional<Text>& packageRoot,
                              const Text& mediaFolder, const Text& workFolder, const std::function<bool()>& goOn)
{
    Embeddings embeddings(workFolder, goOn);
    if (packageRoot) {
        embeddings.ReadParts(embeddings.PackageParts(document, *packageRoot, 0), mediaFolder, 0);
    } else {
        embeddings.ReadParts(Embeddings::PartsOf(embeddings.CompoundParts(document, 0)), mediaFolder, 0);
    }
    RemoveScratchTree(workFolder);
    return !embeddings.stopped();
}

}  // namespace dovrel
