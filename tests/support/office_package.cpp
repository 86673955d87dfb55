#include "tests/support/office_package.h"

#include "tests/support/zip_builder.h"

namespace dovrel::test {

std::string PackageFolderOf(OfficeKind kind)
{
    switch (kind) {
    case OfficeKind::Presentation: return "ppt";
    case OfficeKind::WordDocument: return "word";
    case OfficeKind::Workbook: return "xl";
    }
    return {};
}

std::string MainContentType(OfficeKind kind)
{
    switch (kind) {
    case OfficeKind::Presentation:
        return "application/vnd.openxmlformats-officedocument.presentationml.presentation.main+xml";
    case OfficeKind::WordDocument:
        return "application/vnd.openxmlformats-officedocument.wordprocessingml.document.main+xml";
    case OfficeKind::Workbook: return "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
    }
    return {};
}

std::string ContentTypes(const std::string& mainPart, const std::string& mainType)
{
    std::string types = "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Types "
                        "xmlns=\"http://schemas.openxmlformats.org/package/2006/content-types\"><Default "
                        "Extension=\"rels\" ContentType=\"application/vnd.openxmlformats-package.relationships+xml\"/>"
                        "<Default Extension=\"png\" ContentType=\"image/png\"/>";
    if (!mainType.empty()) types += "<Override PartName=\"/" + mainPart + "\" ContentType=\"" + mainType + "\"/>";
    return types + "</Types>";
}

std::string MakeOfficePackage(OfficeKind kind, const std::map<std::string, std::string>& media,
                              const std::map<std::string, std::string>& parts, bool namesItsKind)
{
    const std::string folder = PackageFolderOf(kind);
    const std::string mainPart = kind == OfficeKind::Presentation   ? "ppt/presentation.xml"
                                 : kind == OfficeKind::WordDocument ? "word/document.xml"
                                                                    : "xl/workbook.xml";
    ZipEntryOptions deflated;
    deflated.method = 8;
    ZipEntryOptions stored;

    ZipBuilder package;
    package.AddFile("[Content_Types].xml", ContentTypes(mainPart, namesItsKind ? MainContentType(kind) : ""), deflated);
    package.AddFile("_rels/.rels", "<?xml version=\"1.0\"?><Relationships/>", deflated);
    package.AddFile(mainPart, "<?xml version=\"1.0\"?><root/>", deflated);
    package.AddFile(folder + "/_rels/" + mainPart.substr(folder.size() + 1) + ".rels", "<Relationships/>", deflated);
    for (const auto& [name, bytes] : media) {
        bool video = name.size() > 4 && name.compare(name.size() - 4, 4, ".mp4") == 0;
        package.AddFile(folder + "/media/" + name, bytes, video ? stored : deflated);
    }
    for (const auto& [name, bytes] : parts) package.AddFile(name, bytes, deflated);
    package.AddFile("docProps/app.xml", "<Properties/>", deflated);
    return package.Build();
}

std::string MakeOpenDocumentPackage(const std::string& mimetype, const std::map<std::string, std::string>& entries)
{
    ZipEntryOptions deflated;
    deflated.method = 8;
    ZipBuilder package;
    // First and stored, as OpenDocument asks, so its bytes show at offset 38.
    package.AddFile("mimetype", mimetype);
    package.AddFile("content.xml", "<?xml version=\"1.0\"?><office:document-content/>", deflated);
    package.AddFile("styles.xml", "<?xml version=\"1.0\"?><office:document-styles/>", deflated);
    for (const auto& [name, bytes] : entries) {
        bool stored = name.rfind("Media/", 0) == 0;
        package.AddFile(name, bytes, stored ? ZipEntryOptions{} : deflated);
    }
    package.AddFile("META-INF/manifest.xml", "<?xml version=\"1.0\"?><manifest:manifest/>", deflated);
    return package.Build();
}

std::string MediaBytes(const std::string& seed, std::size_t size)
{
    std::string bytes;
    bytes.reserve(size);
    std::uint32_t state = 2166136261u;
    for (char c : seed) state = (state ^ static_cast<unsigned char>(c)) * 16777619u;
    while (bytes.size() < size) {
        state = state * 1103515245u + 12345u;
        bytes.push_back(static_cast<char>(state >> 23));
    }
    return bytes;
}

std::string CompoundFileBytes()
{
    std::string bytes("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
    bytes.resize(4096, '\0');
    return bytes;
}

}  // namespace dovrel::test
