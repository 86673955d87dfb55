#include "tests/support/compound_file.h"

#include <windows.h>
#include <objbase.h>
#include <zlib.h>

#include <algorithm>
#include <stdexcept>
#include <vector>

#include "core/base/com_ptr.h"
#include "core/base/little_endian.h"
#include "tests/support/temp_folder.h"

namespace dovrel::test {

namespace {

std::string Deflate(const std::string& data)
{
    uLongf size = compressBound(static_cast<uLong>(data.size()));
    std::string out(size, '\0');
    compress2(reinterpret_cast<Bytef*>(out.data()), &size, reinterpret_cast<const Bytef*>(data.data()),
              static_cast<uLong>(data.size()), Z_BEST_COMPRESSION);
    out.resize(size);
    return out;
}

}  // namespace

std::string MakeCompoundFile(const Streams& streams)
{
    TempFolder folder;
    const std::string path = folder / "file.cfb";
    const std::wstring widePath(path.begin(), path.end());  // temp paths are ASCII here
    {
        ComPtr<IStorage> root;
        if (FAILED(StgCreateStorageEx(widePath.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE,
                                      STGFMT_STORAGE, 0, nullptr, nullptr, IID_IStorage, root.put_void()))) {
            throw std::runtime_error("StgCreateStorageEx failed");
        }
        for (const auto& [path, bytes] : streams) {
            // "a/b/name": the stream inside storage b inside storage a.
            std::vector<ComPtr<IStorage>> chain;
            IStorage* parent = root.get();
            std::wstring name = path;
            for (std::size_t slash; (slash = name.find(L'/')) != std::wstring::npos; name = name.substr(slash + 1)) {
                const std::wstring storageName = name.substr(0, slash);
                ComPtr<IStorage> storage;
                const DWORD mode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
                if (FAILED(parent->OpenStorage(storageName.c_str(), nullptr, mode, nullptr, 0, storage.put())) &&
                    FAILED(parent->CreateStorage(storageName.c_str(), mode, 0, 0, storage.put()))) {
                    throw std::runtime_error("CreateStorage failed");
                }
                parent = chain.emplace_back(std::move(storage)).get();
            }
            ComPtr<IStream> stream;
            ULONG written = 0;
            if (FAILED(parent->CreateStream(name.c_str(), STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0,
                                            stream.put())) ||
                FAILED(stream->Write(bytes.data(), static_cast<ULONG>(bytes.size()), &written))) {
                throw std::runtime_error("CreateStream failed");
            }
        }
        root->Commit(STGC_DEFAULT);
    }
    return ReadFileBytes(path);
}

std::string EmbedCompoundFile(const std::string& file, const std::wstring& storagePath, const std::string& embedded)
{
    TempFolder folder;
    const std::string outerPath = folder / "outer.cfb", innerPath = folder / "inner.cfb";
    WriteFileBytes(outerPath, file);
    WriteFileBytes(innerPath, embedded);
    {
        const std::wstring outerWide(outerPath.begin(), outerPath.end()), innerWide(innerPath.begin(), innerPath.end());
        ComPtr<IStorage> outer, inner;
        if (FAILED(StgOpenStorageEx(outerWide.c_str(), STGM_READWRITE | STGM_SHARE_EXCLUSIVE, STGFMT_STORAGE, 0,
                                    nullptr, nullptr, IID_IStorage, outer.put_void())) ||
            FAILED(StgOpenStorageEx(innerWide.c_str(), STGM_READ | STGM_SHARE_EXCLUSIVE, STGFMT_STORAGE, 0, nullptr,
                                    nullptr, IID_IStorage, inner.put_void()))) {
            throw std::runtime_error("not a readable compound file");
        }
        std::vector<ComPtr<IStorage>> chain;
        IStorage* parent = outer.get();
        std::wstring rest = storagePath;
        for (;;) {
            const std::size_t slash = rest.find(L'/');
            const std::wstring name = rest.substr(0, slash);
            ComPtr<IStorage> storage;
            const DWORD mode = STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
            if (FAILED(parent->OpenStorage(name.c_str(), nullptr, mode, nullptr, 0, storage.put())) &&
                FAILED(parent->CreateStorage(name.c_str(), mode, 0, 0, storage.put()))) {
                throw std::runtime_error("CreateStorage failed");
            }
            parent = chain.emplace_back(std::move(storage)).get();
            if (slash == std::wstring::npos) break;
            rest = rest.substr(slash + 1);
        }
        if (FAILED(inner->CopyTo(0, nullptr, nullptr, parent))) throw std::runtime_error("CopyTo failed");
        outer->Commit(STGC_DEFAULT);
    }
    return ReadFileBytes(outerPath);
}

Streams ReadCompoundStreams(const std::string& file)
{
    TempFolder folder;
    const std::string path = folder / "file.cfb";
    WriteFileBytes(path, file);
    const std::wstring widePath(path.begin(), path.end());
    ComPtr<IStorage> root;
    ComPtr<IEnumSTATSTG> elements;
    if (FAILED(StgOpenStorageEx(widePath.c_str(), STGM_READ | STGM_SHARE_EXCLUSIVE, STGFMT_STORAGE, 0, nullptr, nullptr,
                                IID_IStorage, root.put_void())) ||
        FAILED(root->EnumElements(0, nullptr, 0, elements.put()))) {
        throw std::runtime_error("not a readable compound file");
    }
    Streams streams;
    STATSTG info;
    while (elements->Next(1, &info, nullptr) == S_OK) {
        std::wstring name = info.pwcsName;
        CoTaskMemFree(info.pwcsName);
        if (info.type != STGTY_STREAM) continue;
        ComPtr<IStream> stream;
        std::string bytes(static_cast<std::size_t>(info.cbSize.QuadPart), '\0');
        ULONG read = 0;
        if (FAILED(root->OpenStream(name.c_str(), nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.put())) ||
            FAILED(stream->Read(bytes.data(), static_cast<ULONG>(bytes.size()), &read)) || read != bytes.size()) {
            throw std::runtime_error("unreadable stream");
        }
        streams.emplace_back(name, bytes);
    }
    return streams;
}

std::string ArtRecord(std::uint16_t version, std::uint16_t instance, std::uint16_t type, const std::string& body)
{
    std::string out;
    AppendLe(out, static_cast<std::uint16_t>(version | instance << 4), 2);
    AppendLe(out, type, 2);
    AppendLe(out, body.size(), 4);
    return out + body;
}

std::string Uid(char seed) { return std::string(16, seed); }

std::string BitmapBlip(std::uint16_t type, std::uint16_t instance, const std::string& uid, const std::string& data)
{
    std::string body = uid + ((instance & 1) ? Uid('2') : "") + '\xFF' + data;
    return ArtRecord(0, instance, type, body);
}

std::string MetafileBlip(std::uint16_t type, std::uint16_t instance, const std::string& uid,
                         const std::string& metafile, const MetafileOptions& options)
{
    const std::string saved = options.deflate ? Deflate(metafile) : metafile;
    std::string body = uid + ((instance & 1) ? Uid('2') : "");
    AppendLe(body, options.statedSize < 0 ? metafile.size() : static_cast<std::uint64_t>(options.statedSize), 4);
    for (std::int32_t side : options.bounds) AppendLe(body, static_cast<std::uint32_t>(side), 4);
    AppendLe(body, static_cast<std::uint32_t>(options.widthEmu), 4);
    AppendLe(body, 685800, 4);
    AppendLe(body, saved.size(), 4);
    body += options.deflate ? '\x00' : '\xFE';
    body += '\xFE';
    return ArtRecord(0, instance, type, body + saved);
}

std::string StoreEntry(const std::string& uid, const std::string& blip, std::uint32_t size, std::uint32_t delayOffset)
{
    std::string body(2, '\x06');  // PNG for both systems; readers go by the BLIP
    body += uid;
    AppendLe(body, 0xFF, 2);
    AppendLe(body, blip.empty() ? size : blip.size(), 4);
    AppendLe(body, 1, 4);  // references
    AppendLe(body, delayOffset, 4);
    body += std::string(4, '\0');  // unused, name length 0, unused
    return ArtRecord(2, 6, 0xF007, body + blip);
}

std::string DrawingGroup(const std::vector<std::string>& entries)
{
    std::string all;
    for (const auto& entry : entries) all += entry;
    const std::string dgg = ArtRecord(0, 0, 0xF006, std::string(16, '\0'));
    return ArtRecord(0xF, 0, 0xF000, dgg + ArtRecord(0xF, static_cast<std::uint16_t>(entries.size()), 0xF001, all));
}

std::string PresentationObjectRecord(const std::string& compoundFile)
{
    std::string body;
    AppendLe(body, compoundFile.size(), 4);
    return ArtRecord(0, 1, 0x1011, body + Deflate(compoundFile));
}

Streams PresentationStreams(const std::vector<std::string>& blips)
{
    std::string pictures;
    for (const auto& blip : blips) pictures += blip;
    return {{L"PowerPoint Document", std::string(64, '\0')}, {L"Pictures", pictures}};
}

Streams WorkbookStreams(const std::string& drawingGroup, std::size_t piece)
{
    auto record = [](std::uint16_t type, const std::string& data) {
        std::string out;
        AppendLe(out, type, 2);
        AppendLe(out, data.size(), 2);
        return out + data;
    };
    std::string book = record(0x0809, std::string(16, '\0'));  // BOF
    for (std::size_t at = 0; at < drawingGroup.size(); at += piece) {
        book += record(at == 0 ? 0x00EB : 0x003C, drawingGroup.substr(at, piece));
    }
    book += record(0x000A, "");  // end of the globals
    return {{L"Workbook", book}};
}

Streams WordStreams(const std::vector<std::string>& floatingBlips, const std::vector<std::string>& inlineBlips)
{
    // FIB: base, 14 16-bit values, 22 32-bit values, 93 offset/size pairs.
    constexpr std::size_t kPairs = 154;
    std::string word(kPairs + 93 * 8, '\0');
    WriteLe(word, 0, 0xA5EC, 2);
    WriteLe(word, 0x0A, 0x0200, 2);  // table stream 1Table
    WriteLe(word, 32, 14, 2);
    WriteLe(word, 62, 22, 2);
    WriteLe(word, 152, 93, 2);

    std::vector<std::string> entries;
    for (std::size_t i = 0; i < floatingBlips.size(); ++i) {
        entries.push_back(StoreEntry(floatingBlips[i].substr(8, 16), "",
                                     static_cast<std::uint32_t>(floatingBlips[i].size()),
                                     static_cast<std::uint32_t>(word.size())));
        word += floatingBlips[i];
    }
    const std::string group = DrawingGroup(entries);

    // Data: one descriptor per inline picture (68-byte header, a shape, one
    // entry holding its BLIP); their offsets go into one FKP page.
    std::string data;
    std::vector<std::uint32_t> offsets;
    for (const auto& blip : inlineBlips) {
        offsets.push_back(static_cast<std::uint32_t>(data.size()));
        std::string descriptor(68, '\0');
        WriteLe(descriptor, 4, 0x44, 2);
        WriteLe(descriptor, 6, 0x64, 2);  // mm: not a shape file, so no name
        descriptor += ArtRecord(0xF, 0x4B, 0xF004, "") + StoreEntry(blip.substr(8, 16), blip);
        WriteLe(descriptor, 0, descriptor.size(), 4);
        data += descriptor;
    }
    word.resize((word.size() + 511) / 512 * 512, '\0');
    const std::uint32_t pageNumber = static_cast<std::uint32_t>(word.size() / 512);
    std::string page(512, '\0');
    const std::size_t runs = offsets.size();
    std::size_t at = 4 * (runs + 1) + runs;
    at += at & 1;
    for (std::size_t r = 0; r < runs; ++r) {
        WriteLe(page, 4 * (runs + 1) + r, at / 2, 1);
        page[at] = 9;  // sprmCFSpec on, then sprmCPicLocation
        WriteLe(page, at + 1, 0x0855, 2);
        page[at + 3] = 1;
        WriteLe(page, at + 4, 0x6A03, 2);
        WriteLe(page, at + 6, offsets[r], 4);
        at += 10;
    }
    page[511] = static_cast<char>(runs);
    word += page;

    std::string index;  // two file positions and the page number
    AppendLe(index, 0, 4);
    AppendLe(index, 0x1000, 4);
    AppendLe(index, pageNumber, 4);

    std::string table = group + index;
    WriteLe(word, kPairs + 12 * 8, group.size(), 4);  // fcPlcfBteChpx
    WriteLe(word, kPairs + 12 * 8 + 4, index.size(), 4);
    WriteLe(word, kPairs + 50 * 8, 0, 4);  // fcDggInfo
    WriteLe(word, kPairs + 50 * 8 + 4, group.size(), 4);
    return {{L"WordDocument", word}, {L"1Table", table}, {L"Data", data}};
}

char PictureByte(int picture, std::size_t at)
{
    return static_cast<char>((at * 7 + (at >> 20) + static_cast<std::size_t>(picture) * 13) & 0xFF);
}

void WriteLargeWorkbook(const std::string& path, int pictures, std::size_t pictureSize)
{
    constexpr std::size_t kPiece = 8224;  // a BIFF record's most
    const std::wstring widePath(path.begin(), path.end());
    ComPtr<IStorage> root;
    ComPtr<IStream> stream;
    if (FAILED(StgCreateStorageEx(widePath.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, STGFMT_STORAGE,
                                  0, nullptr, nullptr, IID_IStorage, root.put_void())) ||
        FAILED(root->CreateStream(L"Workbook", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, stream.put()))) {
        throw std::runtime_error("cannot create the workbook");
    }
    std::string out;  // records not yet written
    auto flush = [&](bool all) {
        if (out.size() < (all ? 1 : 1u << 20)) return;
        ULONG written = 0;
        if (FAILED(stream->Write(out.data(), static_cast<ULONG>(out.size()), &written)) || written != out.size())
            throw std::runtime_error("cannot write the workbook");
        out.clear();
    };
    auto record = [&](std::uint16_t type, const char* data, std::size_t size) {
        AppendLe(out, type, 2);
        AppendLe(out, size, 2);
        out.append(data, size);
        flush(false);
    };
    // The drawing group's bytes go out in records of kPiece bytes.
    std::string group;
    bool first = true;
    auto emit = [&](const std::string& bytes, bool last) {
        group += bytes;
        std::size_t at = 0;
        for (; group.size() - at >= kPiece || (last && at < group.size()); at += std::min(kPiece, group.size() - at)) {
            record(first ? 0x00EB : 0x003C, group.data() + at, std::min(kPiece, group.size() - at));
            first = false;
        }
        group.erase(0, at);
    };

    record(0x0809, std::string(16, '\0').data(), 16);  // BOF
    const std::uint64_t blipSize = 8 + 17 + pictureSize;
    const std::uint64_t entrySize = 8 + 36 + blipSize;
    const std::string dgg = ArtRecord(0, 0, 0xF006, std::string(16, '\0'));
    const std::uint64_t storeSize = entrySize * pictures;
    std::string head;
    AppendLe(head, 0x000F, 2);
    AppendLe(head, 0xF000, 2);
    AppendLe(head, dgg.size() + 8 + storeSize, 4);
    head += dgg;
    AppendLe(head, 0x000F | pictures << 4, 2);
    AppendLe(head, 0xF001, 2);
    AppendLe(head, storeSize, 4);
    emit(head, false);
    std::string data(1 << 20, '\0');
    for (int n = 0; n < pictures; ++n) {
        std::string uid(16, '\0');
        WriteLe(uid, 0, 0x9E3779B9u * (n + 1), 4);
        std::string entry;
        AppendLe(entry, 2 | 6 << 4, 2);  // FBSE: version 2, PNG
        AppendLe(entry, 0xF007, 2);
        AppendLe(entry, 36 + blipSize, 4);
        entry += std::string(2, '\x06') + uid;
        AppendLe(entry, 0xFF, 2);
        AppendLe(entry, blipSize, 4);
        AppendLe(entry, 1, 4);
        AppendLe(entry, 0, 4);
        entry += std::string(4, '\0');
        AppendLe(entry, 0x6E0 << 4, 2);
        AppendLe(entry, 0xF01E, 2);
        AppendLe(entry, 17 + pictureSize, 4);
        entry += uid + '\xFF';
        emit(entry, false);
        for (std::size_t at = 0; at < pictureSize; at += data.size()) {
            const std::size_t size = std::min(data.size(), pictureSize - at);
            for (std::size_t i = 0; i < size; ++i) data[i] = PictureByte(n, at + i);
            emit(data.substr(0, size), false);
        }
    }
    emit("", true);
    record(0x000A, "", 0);  // end of the globals
    flush(true);
    stream.reset();
    root->Commit(STGC_DEFAULT);
}

}  // namespace dovrel::test
