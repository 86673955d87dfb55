#pragma once
// What kind of document a file is, told by its content: the main part's
// content type in an Office Open XML package's [Content_Types].xml, the
// `mimetype` entry of an OpenDocument package, the streams of a compound
// file. The extension decides only where the content does not: a package
// whose [Content_Types].xml names no main part.

#include <vector>

#include "core/fs/document_file.h"
#include "core/text/text.h"
#include "core/zip/zip_extractor.h"

namespace dovrel {

enum class DocumentFormat {
    Unreadable,  // neither a zip package nor a compound file that can be opened (damaged, or of no such kind)
    Foreign,     // a zip or compound file of no kind Dovrel reads: a plain zip, another program's file
    OfficeOpenXml,
    OpenDocument,
    Binary,  // an old binary (compound file) document of Office 97-2003 or WPS Office
};

enum class DocumentKind { Unknown, Presentation, WordDocument, Workbook, Drawing };

struct DocumentType {
    DocumentFormat format = DocumentFormat::Unreadable;
    // Unknown for an encrypted binary document and for OpenDocument kinds
    // other than the four (formulas, charts, ...), which are read all the same.
    DocumentKind kind = DocumentKind::Unknown;

    bool IsDocument() const { return format != DocumentFormat::Unreadable && format != DocumentFormat::Foreign; }
    bool operator==(const DocumentType& other) const { return format == other.format && kind == other.kind; }
};

// The kind an extension names (letter case ignored), for a first look
// without reading the file: Unknown for an extension of no kind Dovrel reads.
DocumentKind KindForExtension(const Text& extension);

// The open document, read (only a few entries of a package, the stream
// names of a compound file); its path gives the extension.
DocumentType DocumentTypeOf(const DocumentFile& file);
// The document at `path`, opened for the look alone.
DocumentType DocumentTypeOf(const Text& path);

// What the kind is of an Office Open XML package's [Content_Types].xml: the
// first content type of a main part, or Unknown.
DocumentKind KindOfContentTypes(const std::string& contentTypes);

// Where a package of this type keeps its pictures and videos, and where
// under the scratch folder they are written: "\ppt\media", "\word\media"
// or "\xl\media" for Office Open XML, "\Pictures" and "\Media" (both written
// to "\Pictures") for OpenDocument; none for any other type.
std::vector<PackageFolder> MediaFoldersOf(const DocumentType& type);

// The package folder of an Office Open XML kind ("\ppt\media"), empty for
// a kind without one.
Text MediaFolderOf(DocumentKind kind);

}  // namespace dovrel
