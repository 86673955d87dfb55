#include "core/compound/compound_document.h"

#include <windows.h>

#include <algorithm>
#include <cstring>

#include "core/compound/compound_file_check.h"
#include "core/fs/volume.h"
#include "core/base/unique_handle.h"
#include "core/fs/disk_file.h"
#include "core/fs/wide_path.h"

namespace dovrel {

namespace {

constexpr char kSignature[] = "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1";
constexpr std::uint64_t kReadChunk = 1 << 20;

ComPtr<IStorage> OpenStorageReadOnly(const Text& path, HRESULT& result)
{
    const std::wstring widePath = WidePath(path);
    ComPtr<IStorage> storage;
    if (widePath.empty() || !CompoundFileChainsAreSound(path)) {
        result = STG_E_FILENOTFOUND;
        return storage;
    }
    // Direct mode allows read-only opening only when others are kept from
    // writing; a document another program has open for writing then fails
    // with a sharing or lock violation.
    result = StgOpenStorageEx(widePath.c_str(), STGM_READ | STGM_SHARE_DENY_WRITE, STGFMT_STORAGE, 0, nullptr, nullptr,
                              IID_IStorage, storage.put_void());
    if (FAILED(result)) storage.reset();
    return storage;
}

}  // namespace

bool IsCompoundFile(const Text& path)
{
    UniqueFile file = OpenDiskFileForReading(path, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE);
    if (!file) return false;
    char head[8];
    DWORD read = 0;
    return ReadFile(file.get(), head, sizeof head, &read, nullptr) && read == sizeof head &&
           std::memcmp(head, kSignature, sizeof head) == 0;
}

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

namespace {

// A copy that shares the source with whoever holds it open for writing
// (CopyFileA need not). The folder's free space bounds it.
enum class Copy { Made, Failed, Stopped };
Copy CopySharedFile(const Text& source, const Text& target, Progress* progress)
{
    UniqueFile in = OpenDiskFileForReading(source, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                           FILE_FLAG_SEQUENTIAL_SCAN);
    LARGE_INTEGER size;
    if (!in || !GetFileSizeEx(in.get(), &size) || size.QuadPart < 0) return Copy::Failed;
    const std::uint64_t total = static_cast<std::uint64_t>(size.QuadPart);
    if (!HasRoomFor(target, total, 1)) return Copy::Failed;
    UniqueFile out(CreateFileW(WidePath(target).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return Copy::Failed;
    std::string buffer(kReadChunk, '\0');
    Copy outcome = Copy::Made;
    for (std::uint64_t done = 0;;) {
        DWORD read = 0;
        if (!ReadFile(in.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) ||
            !WriteToFile(out.get(), buffer.data(), read)) {
            outcome = Copy::Failed;
            break;
        }
        if (read == 0) break;
        done += read;
        if (progress && !progress->Report(std::min(done, total), total)) {
            outcome = Copy::Stopped;
            break;
        }
    }
    if (outcome == Copy::Made && CloseHandle(out.release())) return Copy::Made;
    out.reset();
    DeleteFileW(WidePath(target).c_str());
    return outcome == Copy::Made ? Copy::Failed : outcome;
}

}  // namespace

std::optional<CompoundDocument> CompoundDocument::Open(const Text& path, const Text& fallbackCopy, Progress* progress,
                                                       bool* stopped)
{
    HRESULT result = S_OK;
    ComPtr<IStorage> root = OpenStorageReadOnly(path, result);
    if (!root && !fallbackCopy.empty() &&
        (result == STG_E_SHAREVIOLATION || result == STG_E_LOCKVIOLATION || result == STG_E_ACCESSDENIED)) {
        const Copy copy = CopySharedFile(path, fallbackCopy, progress);
        if (stopped) *stopped = copy == Copy::Stopped;
        if (copy == Copy::Made) root = OpenStorageReadOnly(fallbackCopy, result);
    }
    if (!root) return std::nullopt;
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
