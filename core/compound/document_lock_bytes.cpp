#include "core/compound/document_lock_bytes.h"

#include <cstring>
#include <new>
#include <string>
#include <utility>

#include "core/base/archive_view.h"
#include "core/fs/wide_path.h"

namespace dovrel {

namespace {

class DocumentLockBytes final : public ILockBytes {
public:
    explicit DocumentLockBytes(DocumentFile file) : file_(std::move(file)) { view_.Open(file_); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        if (!object) return E_POINTER;
        if (IsEqualIID(id, IID_IUnknown) || IsEqualIID(id, IID_ILockBytes)) {
            *object = static_cast<ILockBytes*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&references_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // A read that reaches past the end gives the bytes up to it, as a file does.
    HRESULT STDMETHODCALLTYPE ReadAt(ULARGE_INTEGER offset, void* into, ULONG count, ULONG* read) override
    {
        if (read) *read = 0;
        if (!into && count > 0) return STG_E_INVALIDPOINTER;
        auto* out = static_cast<char*>(into);
        ULONG done = 0;
        while (done < count) {
            const ArchiveView::Piece piece = view_.At(offset.QuadPart + done, count - done);
            if (piece.count == 0) break;
            std::memcpy(out + done, piece.bytes, piece.count);
            done += static_cast<ULONG>(piece.count);
        }
        if (read) *read = done;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE WriteAt(ULARGE_INTEGER, const void*, ULONG, ULONG* written) override
    {
        if (written) *written = 0;
        return STG_E_ACCESSDENIED;
    }
    HRESULT STDMETHODCALLTYPE Flush() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
    {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
    {
        return STG_E_INVALIDFUNCTION;
    }
    // No region locks: the platform then takes none (the file is only read).
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* info, DWORD flag) override
    {
        if (!info) return STG_E_INVALIDPOINTER;
        *info = STATSTG{};
        info->type = STGTY_LOCKBYTES;
        info->cbSize.QuadPart = file_.size();
        info->grfMode = STGM_READ | STGM_SHARE_DENY_WRITE;
        info->grfLocksSupported = 0;
        if (flag != STATFLAG_NONAME) {
            const std::wstring name = WidePath(file_.path());
            const std::size_t bytes = (name.size() + 1) * sizeof(wchar_t);
            info->pwcsName = static_cast<LPOLESTR>(CoTaskMemAlloc(bytes));
            if (!info->pwcsName) return STG_E_INSUFFICIENTMEMORY;
            std::memcpy(info->pwcsName, name.c_str(), bytes);
        }
        return S_OK;
    }

private:
    ~DocumentLockBytes() = default;

    LONG references_ = 1;
    DocumentFile file_;
    // The platform reads a sector (512 or 4,096 bytes) at a time: each read
    // of the file fills a window the next ones are served from.
    ArchiveView view_;
};

}  // namespace

ComPtr<ILockBytes> ReadOnlyLockBytes(DocumentFile file)
{
    return ComPtr<ILockBytes>::Adopt(new (std::nothrow) DocumentLockBytes(std::move(file)));
}

}  // namespace dovrel
