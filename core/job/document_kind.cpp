#include "core/job/document_kind.h"

#include <windows.h>

#include <optional>
#include <string_view>

#include "core/compound/binary_pictures.h"
#include "core/compound/compound_document.h"
#include "core/job/document_name.h"
#include "core/text/ascii.h"
#include "core/zip/zip_reader.h"

namespace dovrel {

namespace {

struct ExtensionRow {
    DocumentKind kind;
    bool openDocument;
    const char* extensions[13];  // unused places are null
};

// Macro-enabled files, slide shows, templates and binary workbooks are the
// same packages as their plain kin; WPS Office's native files and
// templates are old binary documents, and a zip package named like an old
// document is read like the others.
constexpr ExtensionRow kExtensions[] = {
    {DocumentKind::Presentation,
     false,
     {"pptx", "pptm", "ppsx", "ppsm", "potx", "potm", "ppt", "pps", "pot", "dps", "dpt"}},
    {DocumentKind::WordDocument, false, {"docx", "docm", "dotx", "dotm", "doc", "dot", "wps", "wpt"}},
    {DocumentKind::Workbook, false, {"xlsx", "xlsm", "xlsb", "xltx", "xltm", "xls", "xlt", "et", "ett"}},
    {DocumentKind::Presentation, true, {"odp", "otp"}},
    {DocumentKind::WordDocument, true, {"odt", "ott"}},
    {DocumentKind::Workbook, true, {"ods", "ots"}},
    {DocumentKind::Drawing, true, {"odg", "otg"}},
};

const ExtensionRow* RowForExtension(const Text& extension)
{
    // A double-byte character never equals one of the table's ASCII
    // extensions, so folding ASCII letters is all "letter case ignored" needs.
    const Text folded = FoldAsciiCase(extension);
    for (const ExtensionRow& row : kExtensions) {
        for (const char* candidate : row.extensions) {
            if (candidate && folded == candidate) return &row;
        }
    }
    return nullptr;
}

// A main part's content type names its kind; those of the other parts
// (slides, sheets, embedded packages) never end in ".main+xml".
struct ContentTypeRow {
    DocumentKind kind;
    const char* prefixes[2];
};

constexpr ContentTypeRow kMainContentTypes[] = {
    {DocumentKind::Presentation,
     {"application/vnd.openxmlformats-officedocument.presentationml.", "application/vnd.ms-powerpoint."}},
    {DocumentKind::WordDocument,
     {"application/vnd.openxmlformats-officedocument.wordprocessingml.", "application/vnd.ms-word."}},
    {DocumentKind::Workbook,
     {"application/vnd.openxmlformats-officedocument.spreadsheetml.", "application/vnd.ms-excel."}},
};

constexpr char kOpenDocumentType[] = "application/vnd.oasis.opendocument.";

struct MimetypeRow {
    const char* subtype;  // the rest of the type, without "-template"
    DocumentKind kind;
};

constexpr MimetypeRow kOpenDocumentKinds[] = {
    {"presentation", DocumentKind::Presentation},
    {"text", DocumentKind::WordDocument},
    {"spreadsheet", DocumentKind::Workbook},
    {"graphics", DocumentKind::Drawing},
};

// Bounds for what is read whole: real ones are a few kilobytes.
constexpr std::uint64_t kContentTypesLimit = 4u << 20;
constexpr std::uint64_t kMimetypeLimit = 256;

bool StartsWith(std::string_view text, std::string_view start) { return text.substr(0, start.size()) == start; }
bool EndsWith(std::string_view text, std::string_view end)
{
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

DocumentKind KindOfMainContentType(const Text& folded)
{
    if (!EndsWith(folded, ".main+xml") && !EndsWith(folded, ".main")) return DocumentKind::Unknown;
    for (const ContentTypeRow& row : kMainContentTypes) {
        for (const char* prefix : row.prefixes) {
            if (StartsWith(folded, prefix)) return row.kind;
        }
    }
    return DocumentKind::Unknown;
}

DocumentKind KindOfBinary(BinaryKind kind)
{
    switch (kind) {
    case BinaryKind::Presentation: return DocumentKind::Presentation;
    case BinaryKind::WordDocument: return DocumentKind::WordDocument;
    case BinaryKind::Workbook: return DocumentKind::Workbook;
    case BinaryKind::NotADocument:
    case BinaryKind::Encrypted: break;
    }
    return DocumentKind::Unknown;
}

std::optional<DocumentType> OpenDocumentType(ZipReader& package, const Text& extension)
{
    const std::int32_t entry = package.FindEntry("mimetype");
    if (entry < 0) return std::nullopt;
    std::string mimetype;
    if (package.ReadEntry(entry, kMimetypeLimit, mimetype) != kZipOk) {
        // Damage outside the media, as for [Content_Types].xml: the name
        // tells the kind then.
        const ExtensionRow* row = RowForExtension(extension);
        if (!row || !row->openDocument) return std::nullopt;
        return DocumentType{DocumentFormat::OpenDocument, row->kind};
    }
    // Some writers end it with a line break.
    while (!mimetype.empty() && (mimetype.back() == '\n' || mimetype.back() == '\r' || mimetype.back() == ' '))
        mimetype.pop_back();
    const Text folded = FoldAsciiCase(mimetype);
    if (!StartsWith(folded, kOpenDocumentType)) return std::nullopt;
    std::string_view subtype = std::string_view(folded).substr(sizeof kOpenDocumentType - 1);
    if (EndsWith(subtype, "-template")) subtype.remove_suffix(sizeof "-template" - 1);
    DocumentType type{DocumentFormat::OpenDocument, DocumentKind::Unknown};
    for (const MimetypeRow& row : kOpenDocumentKinds) {
        if (subtype == row.subtype) type.kind = row.kind;
    }
    return type;
}

DocumentType PackageType(const DocumentFile& file)
{
    ZipReader package;
    if (package.Open(file) != kZipOk) return {};
    constexpr DocumentType kForeign{DocumentFormat::Foreign, DocumentKind::Unknown};
    const Text extension = AnalyseDocumentName(file.path()).extension;
    const std::int32_t contentTypes = package.FindEntry("[Content_Types].xml");
    if (contentTypes >= 0) {
        // A [Content_Types].xml that cannot be read is damage outside the
        // media: the extension tells the kind then.
        std::string bytes;
        DocumentKind kind = DocumentKind::Unknown;
        if (package.ReadEntry(contentTypes, kContentTypesLimit, bytes) == kZipOk) kind = KindOfContentTypes(bytes);
        if (kind == DocumentKind::Unknown) kind = KindForExtension(extension);
        // A package of another kind (a drawing, an XPS document) has no
        // media folder of these.
        if (MediaFolderOf(kind).empty()) return kForeign;
        return {DocumentFormat::OfficeOpenXml, kind};
    }
    return OpenDocumentType(package, extension).value_or(kForeign);
}

}  // namespace

DocumentKind KindForExtension(const Text& extension)
{
    const ExtensionRow* row = RowForExtension(extension);
    return row ? row->kind : DocumentKind::Unknown;
}

DocumentKind KindOfContentTypes(const std::string& contentTypes)
{
    // Every ContentType attribute's value, in either kind of quotes.
    constexpr std::string_view kAttribute = "ContentType";
    for (std::size_t at = contentTypes.find(kAttribute); at != std::string::npos;
         at = contentTypes.find(kAttribute, at + 1)) {
        std::size_t value = at + kAttribute.size();
        while (value < contentTypes.size() && (contentTypes[value] == ' ' || contentTypes[value] == '\t')) ++value;
        if (value >= contentTypes.size() || contentTypes[value] != '=') continue;
        ++value;
        while (value < contentTypes.size() && (contentTypes[value] == ' ' || contentTypes[value] == '\t')) ++value;
        if (value >= contentTypes.size() || (contentTypes[value] != '"' && contentTypes[value] != '\'')) continue;
        const std::size_t end = contentTypes.find(contentTypes[value], value + 1);
        if (end == std::string::npos) break;
        const DocumentKind kind = KindOfMainContentType(FoldAsciiCase(contentTypes.substr(value + 1, end - value - 1)));
        if (kind != DocumentKind::Unknown) return kind;
    }
    return DocumentKind::Unknown;
}

DocumentType DocumentTypeOf(const Text& path) { return DocumentTypeOf(DocumentFile::Open(path)); }

DocumentType DocumentTypeOf(const DocumentFile& file)
{
    if (!file) return {};
    if (!IsCompoundFile(file)) return PackageType(file);
    const std::optional<BinaryKind> kind = BinaryKindOfFile(file);
    if (!kind) return {};
    if (*kind == BinaryKind::NotADocument) return {DocumentFormat::Foreign, DocumentKind::Unknown};
    return {DocumentFormat::Binary, KindOfBinary(*kind)};
}

Text MediaFolderOf(DocumentKind kind)
{
    switch (kind) {
    case DocumentKind::Presentation: return "\\ppt\\media";
    case DocumentKind::WordDocument: return "\\word\\media";
    case DocumentKind::Workbook: return "\\xl\\media";
    case DocumentKind::Drawing:
    case DocumentKind::Unknown: break;
    }
    return {};
}

std::vector<PackageFolder> MediaFoldersOf(const DocumentType& type)
{
    switch (type.format) {
    case DocumentFormat::OfficeOpenXml: {
        const Text folder = MediaFolderOf(type.kind);
        if (folder.empty()) return {};
        return {{folder, folder}};
    }
    // LibreOffice keeps embedded videos and sounds in Media.
    case DocumentFormat::OpenDocument: return {{"\\Pictures", "\\Pictures"}, {"\\Media", "\\Pictures"}};
    case DocumentFormat::Unreadable:
    case DocumentFormat::Foreign:
    case DocumentFormat::Binary: break;
    }
    return {};
}

}  // namespace dovrel
