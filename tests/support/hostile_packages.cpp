#include "tests/support/hostile_packages.h"

#include <algorithm>

#include "core/base/little_endian.h"
#include "core/text/dbcs.h"
#include "tests/support/office_package.h"

namespace dovrel::test {

namespace {

PackageFlavour g_flavour = PackageFlavour::OfficeOpenXml;

// Windows names ignore letter case: PPT\Media is the media folder too.
bool StartsWithFolded(const std::string& text, const std::string& prefix)
{
    if (text.size() < prefix.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i]) return false;
    }
    return true;
}

std::string SortedListing(std::vector<std::string> entries)
{
    std::sort(entries.begin(), entries.end());
    std::string out;
    for (const auto& entry : entries) out += entry + "\n";
    return out;
}

}  // namespace

void PrintTo(PackageFlavour flavour, std::ostream* out)
{
    *out << (flavour == PackageFlavour::OpenDocument ? "OpenDocument" : "Office Open XML");
}

ScopedPackageFlavour::ScopedPackageFlavour(PackageFlavour flavour) : saved_(g_flavour) { g_flavour = flavour; }
ScopedPackageFlavour::~ScopedPackageFlavour() { g_flavour = saved_; }

std::string BackslashName(const std::string& name)
{
    std::string out = name;
    std::replace(out.begin(), out.end(), '/', '\\');
    return out;
}

std::string HostileSample::Tree() const
{
    std::vector<std::string> entries;
    for (const auto& folder : folders) entries.push_back(folder + "\\");
    for (const auto& [path, bytes] : files) entries.push_back(path);
    return SortedListing(entries);
}

std::string HostileSample::MediaTree() const
{
    std::vector<std::string> entries;
    for (const auto& folder : folders) {
        if (StartsWithFolded(folder, mediaPrefix)) entries.push_back(folder.substr(mediaPrefix.size()) + "\\");
    }
    for (const auto& [path, bytes] : files) {
        if (StartsWithFolded(path, mediaPrefix)) entries.push_back(path.substr(mediaPrefix.size()));
    }
    return SortedListing(entries);
}

bool HostileSample::HasMediaFolder() const
{
    for (const auto& folder : folders)
        if (StartsWithFolded(folder + "\\", mediaPrefix) && folder.size() == mediaPrefix.size() - 1) return true;
    return false;
}

ZipEntryOptions Deflated()
{
    ZipEntryOptions options;
    options.method = 8;
    return options;
}

HostilePackage HostilePackage::Presentation()
{
    HostilePackage package;
    if (g_flavour == PackageFlavour::OpenDocument) {
        // As many parts before the picture as a package of the other kind.
        package.sample_.mediaPrefix = "pictures\\";
        package.Keep("mimetype", "application/vnd.oasis.opendocument.presentation");
        package.Keep("META-INF/manifest.xml", "<?xml version=\"1.0\"?><manifest:manifest/>", Deflated());
        package.Keep("content.xml", "<?xml version=\"1.0\"?><office:document-content/>", Deflated());
        package.Keep("styles.xml", "<office:document-styles/>", Deflated());
    } else {
        package.Keep("[Content_Types].xml", "<?xml version=\"1.0\"?><Types/>", Deflated());
        package.Keep("_rels/.rels", "<?xml version=\"1.0\"?><Relationships/>", Deflated());
        package.Keep("ppt/presentation.xml", "<?xml version=\"1.0\"?><p:presentation/>", Deflated());
        package.Keep("ppt/_rels/presentation.xml.rels", "<Relationships/>", Deflated());
    }
    package.Keep("ppt/media/image1.png", MediaBytes("image1", 3000), Deflated());
    return package;
}

std::string HostilePackage::Flavoured(const std::string& name)
{
    constexpr std::size_t kMedia = 9;  // "ppt/media"
    if (g_flavour != PackageFlavour::OpenDocument || name.size() < kMedia) return name;
    const std::string head = BackslashName(name.substr(0, kMedia));
    if (!StartsWithFolded(head, "ppt\\media") || (name.size() > kMedia && name[kMedia] != '/' && name[kMedia] != '\\'))
        return name;
    return "Pictures" + name.substr(kMedia);
}

// A local name as long as the stored one stays as long as the flavoured
// name: its first bytes go, or dots come first.
static ZipEntryOptions FlavouredOptions(const std::string& stored, const std::string& name, ZipEntryOptions options)
{
    if (!options.localName || options.localName->size() != stored.size() || name.size() == stored.size())
        return options;
    std::string& local = *options.localName;
    if (name.size() < stored.size())
        local.erase(0, stored.size() - name.size());
    else
        local.insert(0, std::string(name.size() - stored.size(), '.'));
    return options;
}

void HostilePackage::Expect(const std::string& name, const std::string& content, bool folder)
{
    std::string path = BackslashName(name);
    if (folder && !path.empty() && path.back() == '\\') path.pop_back();
    // Windows keeps the spelling of the first file or folder of a name and
    // finds it whatever the letter case of later ones.
    auto spelled = [this](const std::string& prefix) {
        std::string folded = prefix;
        for (char& c : folded)
            if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        return spellings_.emplace(folded, prefix).first->second;
    };
    std::string canonical;
    std::size_t componentStart = 0;
    // A trail byte equal to "\\" inside a double-byte character separates nothing.
    ForEachCharacterStart(path.data(), path.size(), [&](std::size_t at) {
        if (path[at] == '\\') {
            canonical = spelled(canonical + path.substr(componentStart, at - componentStart));
            sample_.folders.insert(canonical);
            canonical += '\\';
            componentStart = at + 1;
        }
        return true;
    });
    canonical = spelled(canonical + path.substr(componentStart));
    if (folder)
        sample_.folders.insert(canonical);
    else
        sample_.files[canonical] = content;
}

HostilePackage& HostilePackage::Keep(const std::string& stored, const std::string& content,
                                     const ZipEntryOptions& options)
{
    const std::string name = Flavoured(stored);
    builder_.AddFile(name, content, FlavouredOptions(stored, name, options));
    sample_.names.push_back(name);
    Expect(name, content, false);
    return *this;
}

HostilePackage& HostilePackage::KeepFolder(const std::string& stored, const ZipEntryOptions& options)
{
    const std::string name = Flavoured(stored);
    builder_.AddFolder(name, options);
    sample_.names.push_back(name);
    Expect(name, "", true);
    return *this;
}

HostilePackage& HostilePackage::Drop(const std::string& stored, const std::string& content,
                                     const ZipEntryOptions& options)
{
    const std::string name = Flavoured(stored);
    builder_.AddFile(name, content, FlavouredOptions(stored, name, options));
    sample_.names.push_back(name);
    return *this;
}

HostilePackage& HostilePackage::DropFolder(const std::string& stored, const ZipEntryOptions& options)
{
    const std::string name = Flavoured(stored);
    builder_.AddFolder(name, options);
    sample_.names.push_back(name);
    return *this;
}

HostilePackage& HostilePackage::KeepTail()
{
    Keep("ppt/media/image9.png", MediaBytes("image9", 2000), Deflated());
    return Keep("docProps/app.xml", "<Properties/>", Deflated());
}

HostilePackage& HostilePackage::DropTail()
{
    Drop("ppt/media/image9.png", MediaBytes("image9", 2000), Deflated());
    return Drop("docProps/app.xml", "<Properties/>", Deflated());
}

HostilePackage& HostilePackage::ExpectNothingSoFar()
{
    sample_.files.clear();
    sample_.folders.clear();
    return *this;
}

HostileSample HostilePackage::Finish(const ZipArchiveOptions& archive) const
{
    HostileSample sample = sample_;
    sample.archive = builder_.Build(archive);
    sample.localOffsets = builder_.LocalOffsets();
    sample.dataOffsets = builder_.DataOffsets();
    return sample;
}

void PatchLe16(std::string& bytes, std::size_t at, std::uint16_t value) { WriteLe(bytes, at, value, 2); }

void PatchLe32(std::string& bytes, std::size_t at, std::uint32_t value) { WriteLe(bytes, at, value, 4); }

std::map<std::string, std::string> GoodMedia()
{
    return {
        {"good1.png", MediaBytes("good1", 4000)},
        {"good2.jpeg", MediaBytes("good2", 9000)},
        {"good3.mp4", MediaBytes("good3", 20000)},
    };
}

std::string GoodPresentation() { return MakeOfficePackage(OfficeKind::Presentation, GoodMedia()); }

std::string RealShapedPresentation()
{
    ZipEntryOptions xml = Deflated();
    xml.dosTime = DosTime(10, 30, 0);
    xml.dosDate = DosDate(2021, 5, 14);
    ZipEntryOptions dosFile = xml;
    dosFile.versionMadeBy = 0x0014;  // made on DOS: no Unix permissions
    dosFile.externalAttributes = 0x20;
    ZipEntryOptions described = xml;
    described.dataDescriptor = true;
    ZipEntryOptions stamped;
    stamped.localExtra = ExtendedTimestamp(3, {1621000000, 1621000100});
    stamped.centralExtra = ExtendedTimestamp(1, {1621000000});

    ZipBuilder package;
    package.AddFile("[Content_Types].xml",
                    "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\"?>\n<Types xmlns=\"http://"
                    "schemas.openxmlformats.org/package/2006/content-types\"><Default Extension=\"png\" "
                    "ContentType=\"image/png\"/><Default Extension=\"mp4\" ContentType=\"video/mp4\"/></Types>",
                    xml);
    package.AddFolder("_rels/");
    package.AddFile("_rels/.rels", "<?xml version=\"1.0\"?><Relationships/>", xml);
    package.AddFolder("docProps/");
    package.AddFile("docProps/app.xml", "<Properties><Application>Dovrel</Application></Properties>", dosFile);
    package.AddFile("docProps/core.xml", "<cp:coreProperties/>", described);
    package.AddFolder("ppt/");
    package.AddFile("ppt/presentation.xml", "<p:presentation><p:sldIdLst/></p:presentation>", xml);
    package.AddFolder("ppt/slides/");
    package.AddFile("ppt/slides/slide1.xml", std::string(600, 'x'), xml);
    package.AddFile("ppt/slides/_rels/slide1.xml.rels", "<Relationships/>", described);
    package.AddFolder("ppt/media/");
    package.AddFile("ppt/media/image1.png", MediaBytes("png", 1500), xml);
    package.AddFile("ppt/media/image2.jpeg", MediaBytes("jpeg", 2500), dosFile);
    package.AddFile("ppt/media/\xCD\xBC\xC6\xAC.png", MediaBytes("dbcs", 700), described);  // 图片.png
    package.AddFile("ppt/media/media1.mp4", MediaBytes("mp4", 6000), stamped);
    package.AddFile("ppt/theme/theme1.xml", std::string(300, 't'), xml);
    return package.Build();
}

}  // namespace dovrel::test
