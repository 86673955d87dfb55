#include "core/compound/binary_pictures.h"

#include <algorithm>
#include <string>

#include "core/base/little_endian.h"
#include "core/compound/binary_families.h"
#include "core/compound/compound_document.h"
#include "core/compound/picture_folder.h"
#include "core/fs/volume.h"

namespace dovrel {

namespace {

// ---- Encryption ------------------------------------------------------------------

// An encrypted document keeps its pictures encrypted too: the user is told
// so instead of being left with silence. A password-protected .docx, .xlsx
// or .pptx is such a compound file (its package in "EncryptedPackage").
bool IsEncrypted(const OpenedDocument& opened)
{
    constexpr std::uint16_t kFilePass = 0x002F, kEndOfGlobals = 0x000A;
    constexpr int kGlobalsLooked = 64;
    const CompoundDocument& document = opened.storage;
    if (document.OpenStream(L"EncryptedPackage") || document.OpenStream(L"EncryptedSummary")) return true;
    if (opened.word && opened.word->encrypted) return true;
    std::string head;
    std::optional<StorageStream> book = document.OpenStream(L"Workbook");
    if (!book) book = document.OpenStream(L"Book");
    // The password record comes right after the first records of the globals.
    if (book && book->ReadAt(0, std::min<std::uint64_t>(book->size(), 4096), head)) {
        std::size_t at = 0;
        for (int i = 0; i < kGlobalsLooked && at + 4 <= head.size(); ++i) {
            const std::uint16_t type = ReadLe16(head, at);
            if (type == kFilePass) return true;
            if (type == kEndOfGlobals) break;
            at += 4 + std::size_t{ReadLe16(head, at + 2)};
        }
    }
    return false;
}

// ---- Kinds ---------------------------------------------------------------------

struct KindReader {
    BinaryKind kind;
    const wchar_t* streams[2];  // either one shows the kind
    const char* mediaFolder;    // for an extension of no known kind
    void (*blips)(const OpenedDocument&, BlipVisitor&);
};

constexpr KindReader kKinds[] = {
    {BinaryKind::Presentation, {L"Pictures", L"PowerPoint Document"}, "\\ppt\\media", PresentationBlips},
    {BinaryKind::WordDocument, {L"WordDocument", L"WordDocument"}, "\\word\\media", WordDocumentBlips},
    {BinaryKind::Workbook, {L"Workbook", L"Book"}, "\\xl\\media", WorkbookBlips},
};

const KindReader* ReaderOf(const CompoundDocument& document)
{
    for (const KindReader& reader : kKinds) {
        if (document.OpenStream(reader.streams[0]) || document.OpenStream(reader.streams[1])) return &reader;
    }
    return nullptr;
}

}  // namespace

BinaryKind BinaryKindOf(const CompoundDocument& document)
{
    if (IsEncrypted(OpenedDocument{document, ReadWordHeader(document)})) return BinaryKind::Encrypted;
    const KindReader* reader = ReaderOf(document);
    return reader ? reader->kind : BinaryKind::NotADocument;
}

std::optional<BinaryKind> BinaryKindOfFile(const DocumentFile& document)
{
    const std::optional<CompoundDocument> storage = CompoundDocument::Open(document);
    if (!storage) return std::nullopt;
    return BinaryKindOf(*storage);
}

BinaryPicturesResult WriteBinaryDocumentPictures(const DocumentFile& document,
                                                 const std::optional<Text>& mediaFolderOfName,
                                                 const Text& scratchFolder, Progress* progress)
{
    BinaryPicturesResult result;
    const std::optional<CompoundDocument> storage = CompoundDocument::Open(document);
    if (!storage) return result;
    const OpenedDocument opened{*storage, ReadWordHeader(*storage)};
    if (IsEncrypted(opened)) return result;
    const KindReader* reader = ReaderOf(*storage);
    if (!reader) return result;
    // Every picture is looked at before any is written: a damaged one, or
    // pictures that do not fit in the free space, fail the run with nothing
    // written.
    PictureSizes sizes;
    reader->blips(opened, sizes);
    if (sizes.damaged() || !HasRoomFor(scratchFolder, sizes.bytes(), sizes.files())) return result;
    const Text mediaFolder = mediaFolderOfName.value_or(reader->mediaFolder);
    PictureFolder folder(scratchFolder, mediaFolder, sizes.bytes(), progress);
    reader->blips(opened, folder);
    result.ok = !folder.failed();
    result.stopped = folder.stopped();
    if (folder.count() > 0) result.packageFolder = mediaFolder;
    return result;
}

}  // namespace dovrel
