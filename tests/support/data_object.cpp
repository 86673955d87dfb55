#include "tests/support/data_object.h"

#include <shlobj.h>

#include <cstring>

namespace dovrel::test {

namespace {

// Stands in for the data object's ownership of a block it handed out:
// its final release counts the medium as given back.
class ReleaseToken final : public IUnknown {
public:
    explicit ReleaseToken(int& outstanding) : outstanding_(outstanding) { ++outstanding_; }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (id != IID_IUnknown) return E_NOINTERFACE;
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
    ULONG STDMETHODCALLTYPE Release() override
    {
        ULONG left = --references_;
        if (left == 0) {
            --outstanding_;
            delete this;
        }
        return left;
    }

private:
    ULONG references_ = 1;
    int& outstanding_;
};

HGLOBAL BlockOf(const std::string& bytes)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.empty() ? 1 : bytes.size());
    if (!block) return nullptr;
    if (void* data = GlobalLock(block)) {
        if (!bytes.empty()) std::memcpy(data, bytes.data(), bytes.size());
        GlobalUnlock(block);
    }
    return block;
}

}  // namespace

ComPtr<MemoryDataObject> MemoryDataObject::Create() { return ComPtr<MemoryDataObject>::Adopt(new MemoryDataObject); }

MemoryDataObject::~MemoryDataObject()
{
    for (HGLOBAL block : keptBlocks_) GlobalFree(block);
}

void MemoryDataObject::Offer(CLIPFORMAT format, std::string bytes)
{
    Offering offering;
    offering.bytes = std::move(bytes);
    Offer(format, std::move(offering));
}

void MemoryDataObject::Offer(CLIPFORMAT format, Offering offering) { offerings_[format] = std::move(offering); }

const Offering* MemoryDataObject::Find(const FORMATETC* format) const
{
    if (!format || format->dwAspect != DVASPECT_CONTENT || format->lindex != -1 || !(format->tymed & TYMED_HGLOBAL) ||
        format->ptd)
        return nullptr;
    auto found = offerings_.find(format->cfFormat);
    return found == offerings_.end() ? nullptr : &found->second;
}

HRESULT STDMETHODCALLTYPE MemoryDataObject::QueryInterface(REFIID id, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (id != IID_IUnknown && id != IID_IDataObject) return E_NOINTERFACE;
    *object = static_cast<IDataObject*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE MemoryDataObject::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG STDMETHODCALLTYPE MemoryDataObject::Release()
{
    LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE MemoryDataObject::GetData(FORMATETC* format, STGMEDIUM* medium)
{
    if (!medium) return E_POINTER;
    *medium = STGMEDIUM{};
    ++getDataCalls_;
    const Offering* offering = Find(format);
    if (!offering) return DV_E_FORMATETC;
    if (FAILED(offering->getResult) || !offering->handOutBlock) return offering->getResult;
    HGLOBAL block = BlockOf(offering->bytes);
    if (!block) return E_OUTOFMEMORY;
    medium->tymed = TYMED_HGLOBAL;
    medium->hGlobal = block;
    if (trackReleases_) {
        keptBlocks_.push_back(block);
        medium->pUnkForRelease = new ReleaseToken(outstanding_);
    }
    return offering->getResult;
}

HRESULT STDMETHODCALLTYPE MemoryDataObject::GetDataHere(FORMATETC*, STGMEDIUM*) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE MemoryDataObject::QueryGetData(FORMATETC* format)
{
    const Offering* offering = Find(format);
    return offering ? offering->queryResult : DV_E_FORMATETC;
}

HRESULT STDMETHODCALLTYPE MemoryDataObject::GetCanonicalFormatEtc(FORMATETC*, FORMATETC* out)
{
    if (out) out->ptd = nullptr;
    return E_NOTIMPL;
}

HRESULT STDMETHODCALLTYPE MemoryDataObject::SetData(FORMATETC*, STGMEDIUM*, BOOL) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE MemoryDataObject::EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator)
{
    if (!enumerator) return E_POINTER;
    *enumerator = nullptr;
    if (direction != DATADIR_GET) return E_NOTIMPL;
    std::vector<FORMATETC> formats;
    for (const auto& entry : offerings_)
        formats.push_back(FORMATETC{entry.first, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL});
    return SHCreateStdEnumFmtEtc(static_cast<UINT>(formats.size()), formats.data(), enumerator);
}

HRESULT STDMETHODCALLTYPE MemoryDataObject::DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*)
{
    return OLE_E_ADVISENOTSUPPORTED;
}
HRESULT STDMETHODCALLTYPE MemoryDataObject::DUnadvise(DWORD) { return OLE_E_ADVISENOTSUPPORTED; }
HRESULT STDMETHODCALLTYPE MemoryDataObject::EnumDAdvise(IEnumSTATDATA**) { return OLE_E_ADVISENOTSUPPORTED; }

std::string DropFilesBlock(const std::vector<std::string>& paths, bool wide)
{
    DROPFILES header{};
    header.pFiles = sizeof(DROPFILES);
    header.fWide = wide ? TRUE : FALSE;
    std::string block(reinterpret_cast<const char*>(&header), sizeof(header));
    for (const std::string& path : paths) {
        if (!wide) {
            block += path;
            block.push_back('\0');
            continue;
        }
        int length = MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
        std::wstring converted(static_cast<std::size_t>(length), L'\0');
        MultiByteToWideChar(CP_ACP, 0, path.data(), static_cast<int>(path.size()), converted.data(), length);
        converted.push_back(L'\0');
        block.append(reinterpret_cast<const char*>(converted.data()), converted.size() * sizeof(wchar_t));
    }
    block.append(wide ? sizeof(wchar_t) : 1, '\0');
    return block;
}

CLIPFORMAT HtmlFormat() { return static_cast<CLIPFORMAT>(RegisterClipboardFormatA("HTML Format")); }
CLIPFORMAT UrlFormat() { return static_cast<CLIPFORMAT>(RegisterClipboardFormatA("UniformResourceLocator")); }

}  // namespace dovrel::test
