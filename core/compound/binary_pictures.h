#pragma once
// Pictures from old binary documents: presentations (a "Pictures" stream),
// word-processing documents ("WordDocument" with its table and "Data"
// streams) and workbooks ("Workbook" or "Book"), recognised by the streams
// they hold, whatever their extension.

#include <cstdint>
#include <optional>

#include "core/base/progress.h"
#include "core/fs/document_file.h"
#include "core/text/text.h"

namespace dovrel {

class CompoundDocument;

// What the streams of a compound file show it to be. WPS Office writes its
// .dps, .wps and .et in the layouts of PowerPoint, Word and Excel 97-2003,
// so they are these kinds too.
enum class BinaryKind {
    NotADocument,  // none of the streams of an Office document
    Presentation,
    WordDocument,
    Workbook,
    Encrypted,  // a password-protected document, of whatever kind
};

BinaryKind BinaryKindOf(const CompoundDocument& document);

// The open compound file, read as CompoundDocument::Open reads it; nothing
// when it cannot be opened.
std::optional<BinaryKind> BinaryKindOfFile(const DocumentFile& document);

struct BinaryPicturesResult {
    // false: the storage could not be opened, holds no Office document, or
    // a picture is damaged or could not be written (the job then fails).
    bool ok = false;
    // The folder under the scratch folder that holds the pictures, as a
    // package folder ("\ppt\media"); nothing when there were none.
    std::optional<Text> packageFolder;
    // The progress asked for a stop; what was written stays for the
    // caller's clean-up.
    bool stopped = false;
};

// Writes each distinct picture of the open compound file once, in
// the order the document keeps them, as image1.png, image2.jpeg, ... into
// scratchFolder + mediaFolderOfName, the media folder the document's
// extension selects (or, without one, the folder of the kind the streams
// show). The pictures are read as streams in bounded pieces, never whole.
// Every picture is looked at before any is written: a picture that is
// damaged, of a kind no viewer opens, or not where the document says fails
// the run (ok false), and so do pictures that do not fit in the free space
// of the scratch folder's volume, with nothing written. progress is told
// after every 64 KB written, so a long document never goes quiet: how far
// the work is, as a percent; false asks for a stop.
BinaryPicturesResult WriteBinaryDocumentPictures(const DocumentFile& document,
                                                 const std::optional<Text>& mediaFolderOfName,
                                                 const Text& scratchFolder, Progress* progress = nullptr);

}  // namespace dovrel
