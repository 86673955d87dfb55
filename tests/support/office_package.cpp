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

std::string MakeOfficePackage(OfficeKind kind, const std::map<std::string, std::string>& media,
                              const std::map<std::string, std::string>& parts)
{
    const std::string folder = PackageFolderOf(kind);
    const std::string mainPart = kind == OfficeKind::Presentation   ? "ppt/presentation.xml"
                                 : kind == OfficeKind::WordDocument ? "word/document.xml"
                                                                    : "xl/workbook.xml";
    ZipEntryOptions deflated;
    deflated.method = 8;
    ZipEntryOptions stored;

    ZipBuilder package;
    package.AddFile("[Content_Types].xml",
                    "<?xml version=\"1.0\"?><Types xmlns=\"http://schemas.openxmlformats.org/package/2006/"
                    "content-types\"/>",
                    deflated);
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
