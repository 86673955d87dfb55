#include "core/compound/embedded_objects.h"

#include <windows.h>

#include <algorithm>
#include <cwchar>
#include <string>

#include "core/base/little_endian.h"
#include "core/base/unique_handle.h"
#include "core/compound/compound_document.h"
#include "core/compound/office_art.h"
#include "core/fs/file_ops.h"
#include "core/fs/folder_path.h"

namespace dovrel {

namespace {

constexpr std::uint16_t kExOleObjStg = 0x1011;
constexpr std::uint64_t kCopyChunk = 1 << 20;

// ASCII letters, digits, "_" and "-" stay; anything else becomes "_".
Text SafeName(const std::wstring& name)
{
    Text safe;
    for (wchar_t c : name) {
        const bool kept =
            (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_' || c == L'-';
        safe += kept ? static_cast<char>(c) : '_';
    }
    return safe.empty() ? Text("object") : safe;
}

class ObjectWriter {
public:
    ObjectWriter(const Text& folder, const std::function<bool()>& goOn, EmbeddedObjects& found)
        : folder_(folder), goOn_(goOn), found_(found)
    {
    }

    // Whether one more object may be written.
    bool MayAdd()
    {
        if (found_.stopped || found_.objects.size() >= kEmbeddedObjectLimit) return false;
        if (goOn_ && !goOn_()) found_.stopped = true;
        return !found_.stopped;
    }

    // A new file in the folder for an object named `name` (a number added
    // when two names are alike); empty when the folder cannot be made.
    Text PathFor(const Text& name)
    {
        if (!CreateFolderPath(folder_)) return Text();
        Text path = JoinTexts({folder_, "\\", name});
        for (int n = 2; PathExists(path); ++n) path = JoinTexts({folder_, "\\", name, "_", ToText(n)});
        return path;
    }

    void Add(const Text& name, const Text& path) { found_.objects.push_back({name, path}); }

private:
    const Text& folder_;
    const std::function<bool()>& goOn_;
    EmbeddedObjects& found_;
};

bool WriteStreamToNewFile(const StorageStream& stream, const Text& path)
{
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    std::string chunk;
    for (std::uint64_t at = 0; at < stream.size(); at += kCopyChunk) {
        DWORD written = 0;
        if (!stream.ReadAt(at, std::min(kCopyChunk, stream.size() - at), chunk) ||
            !WriteFile(file.get(), chunk.data(), static_cast<DWORD>(chunk.size()), &written, nullptr) ||
            written != chunk.size()) {
            file.reset();
            RemoveFile(path);
            return false;
        }
    }
    return true;
}

// Each storage inside `parent` (all of them, or those whose name starts
// with `prefix`), copied into a compound file of its own.
void CopyStorages(const CompoundDocument& parent, const wchar_t* prefix, ObjectWriter& writer)
{
    for (const std::wstring& name : parent.StorageNames()) {
        if (prefix && name.compare(0, std::wcslen(prefix), prefix) != 0) continue;
        if (!writer.MayAdd()) return;
        const std::optional<CompoundDocument> storage = parent.OpenStorage(name.c_str());
        const Text path = writer.PathFor(SafeName(name));
        if (storage && !path.empty() && storage->CopyToNewFile(path)) writer.Add(SafeName(name), path);
    }
}

// An ExOleObjStg record's body: the compound file, stored (instance 0) or
// after its size as a zlib stream (instance 1).
std::optional<std::string> ObjectStorageBytes(std::uint16_t instance, const std::string& body)
{
    if (instance == 0) return body;
    if (body.size() < 4) return std::nullopt;
    const std::uint32_t stated = ReadLe32(body, 0);
    if (stated == 0 || stated > kEmbeddedObjectSizeLimit) return std::nullopt;
    std::optional<std::string> storage = Inflate(std::string_view(body).substr(4), stated);
    if (!storage || storage->size() != stated) return std::nullopt;
    return storage;
}

// The ExOleObjStg records among the top-level records of the presentation's
// document stream.
void PresentationObjects(const CompoundDocument& document, ObjectWriter& writer)
{
    const std::optional<StorageStream> stream = document.OpenStream(L"PowerPoint Document");
    if (!stream) return;
    std::string head;
    std::string body;
    int number = 0;
    for (std::uint64_t offset = 0; offset + kRecordHeaderSize <= stream->size();) {
        if (!stream->ReadAt(offset, kRecordHeaderSize, head)) return;
        const RecordHeader header = ParseRecordHeader(head);
        const std::uint64_t end = offset + kRecordHeaderSize + std::uint64_t{header.length};
        if (end > stream->size()) return;
        if (header.type == kExOleObjStg) {
            if (!writer.MayAdd()) return;
            const Text name = "object" + ToText(++number);
            if (header.length <= std::uint64_t{kEmbeddedObjectSizeLimit} + 4 &&
                stream->ReadAt(offset + kRecordHeaderSize, header.length, body)) {
                const std::optional<std::string> storage = ObjectStorageBytes(header.instance, body);
                const Text path = storage ? writer.PathFor(name) : Text();
                if (!path.empty() && WriteNewFile(path, *storage)) writer.Add(name, path);
            }
        }
        offset = end;
    }
}

}  // namespace

EmbeddedObjects WriteEmbeddedObjects(const DocumentFile& document, const Text& folder, bool withObjects,
                                     const std::function<bool()>& goOn)
{
    EmbeddedObjects found;
    const std::optional<CompoundDocument> root = CompoundDocument::Open(document);
    if (!root) return found;
    ObjectWriter writer(folder, goOn, found);
    if (const std::optional<StorageStream> package = root->OpenStream(L"Package")) {
        const Text path = writer.PathFor("package");
        if (!path.empty() && WriteStreamToNewFile(*package, path)) found.package = path;
        return found;
    }
    if (!withObjects) return found;
    if (const std::optional<CompoundDocument> pool = root->OpenStorage(L"ObjectPool")) {
        CopyStorages(*pool, nullptr, writer);
    }
    CopyStorages(*root, L"MBD", writer);
    PresentationObjects(*root, writer);
    return found;
}

}  // namespace dovrel
