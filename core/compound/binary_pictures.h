#pragma once
// Pictures from old binary documents: presentations (a "Pictures" stream),
// word-processing documents ("WordDocument" with its table and "Data"
// streams) and workbooks ("Workbook" or "Book"), recognised by the streams
// they hold, whatever their extension.

#include <cstdint>
#include <optional>

#include "core/base/progress.h"
#include "core/text/text.h"

namespace dovrel {

struct BinaryPicturesResult {
    // false: the storage could not be opened, or a picture is damaged or
    // could not be written (the job then fails).
    bool ok = false;
    // The folder under the scratch folder that holds the pictures, as a
    // package folder ("\ppt\media"); nothing when there were none.
    std::optional<Text> packageFolder;
    // The progress asked for a stop; what was written stays for the
    // caller's clean-up.
    bool stopped = false;
};

// Writes each distinct picture of the compound file at `document` once, in
// the order the document keeps them, as image1.png, image2.jpeg, ... into
// scratchFolder + mediaFolderOfName, the media folder the document's
// extension selects (or, without one, the folder of the kind the streams
// show).
// A picture that is damaged, of a kind no viewer opens, or not where the
// document says fails the run (ok false). A copy of a document that another program
// holds is read from the scratch folder. progress is told after every
// picture the document holds, so a long document never goes quiet, how far
// the pictures are as a percent of the document's bytes (never 100 before
// the end); false asks for a stop.
BinaryPicturesResult WriteBinaryDocumentPictures(const Text& document, const std::optional<Text>& mediaFolderOfName,
                                                 const Text& scratchFolder, Progress* progress = nullptr);

}  // namespace dovrel
