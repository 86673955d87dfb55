#include "core/compound/compound_document.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "core/compound/compound_file_check.h"
#include "core/compound/document_lock_bytes.h"
#include "core/fs/wide_path.h"

namespace dovrel {

namespace {

constexpr char kSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
constexpr std::uint64_t kReadChunk = 1 << 20;

}  // namespace

bool IsCompoundFile(const RandomAccessBytes& file) { return StartsWithBytes(file, std::string_view(kSignature, 8)); }

bool StorageStream::ReadAt(std::uint64_t offset, std::uint64_t length, std::string& bytes) const
{
    bytes.clear();
    if (offset > size_ || length > size_ - offset) return false;
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (FAILED(stream_->Seek(position, STREAM_SEEK_SET, nullptr))) return false;
    // Grown as the data really arrives, so a stated size alone never makes a
    // large allocation.
    while (bytes.size() < length) {
        const std::size_t have = bytes.size();
        const ULONG want = static_cast<ULONG>(std::min<std::uint64_t>(kReadChunk, length - have));
        bytes.resize(have + want);
        ULONG got = 0;
        if (FAILED(stream_->Read(bytes.data() + have, want, &got)) || got != want) {
            bytes.clear();
            return false;
        }
    }
    return true;
}

std::optional<CompoundDocument> CompoundDocument::Open(const DocumentFile& file)
{
    if (!file || !CompoundChainsAreSound(file)) return std::nullopt;
    ComPtr<ILockBytes> bytes = ReadOnlyLockBytes(file.Duplicate());
    if (!bytes) return std::nullopt;
    // Direct mode opens read-only only when others are kept from writing;
    // the lock bytes are this reader's alone.
    ComPtr<IStorage> root;
    if (FAILED(StgOpenStorageOnILockBytes(bytes.get(), nullptr, STGM_READ | STGM_SHARE_DENY_WRITE, nullptr, 0,
                                          root.put())))
        return std::nullopt;
    return CompoundDocument(std::move(root));
}

std::optional<StorageStream> CompoundDocument::OpenStream(const wchar_t* name) const
{
    ComPtr<IStream> stream;
    // Streams inside a storage are always opened exclusively.
    if (FAILED(root_->OpenStream(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, stream.put()))) {
        return std::nullopt;
    }
    STATSTG info{};
    if (FAILED(stream->Stat(&info, STATFLAG_NONAME))) return std::nullopt;
    return StorageStream(std::move(stream), info.cbSize.QuadPart);
}

std::optional<CompoundDocument> CompoundDocument::OpenStorage(const wchar_t* name) const
{
    ComPtr<IStorage> storage;
    if (FAILED(root_->OpenStorage(name, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, storage.put())))
        return std::nullopt;
    return CompoundDocument(std::move(storage));
}

std::vector<std::wstring> CompoundDocument::StorageNames() const
{
    std::vector<std::wstring> names;
    ComPtr<IEnumSTATSTG> elements;
    if (FAILED(root_->EnumElements(0, nullptr, 0, elements.put()))) return names;
    STATSTG info{};
    while (elements->Next(1, &info, nullptr) == S_OK) {
        if (info.type == STGTY_STORAGE && info.pwcsName) names.emplace_back(info.pwcsName);
        CoTaskMemFree(info.pwcsName);
        info = STATSTG{};
    }
    return names;
}

bool CompoundDocument::CopyToNewFile(const Text& path) const
{
    const std::wstring widePath = WidePath(path);
    if (widePath.empty()) return false;
    ComPtr<IStorage> copy;
    if (FAILED(StgCreateStorageEx(widePath.c_str(), STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, STGFMT_STORAGE,
                                  0, nullptr, nullptr, IID_IStorage, copy.put_void())))
        return false;
    const bool copied = SUCCEEDED(root_->CopyTo(0, nullptr, nullptr, copy.get())) && SUCCEEDED(copy->Commit(0));
    copy.reset();
    if (!copied) DeleteFileA(path.c_str());
    return copied;
}

}  // namespace dovrel
