#pragma once
// A data object that offers chosen formats as global blocks, as another
// program's drag source would, and counts what is asked of it.

#include <objidl.h>

#include <map>
#include <string>
#include <vector>

#include "core/base/com_ptr.h"

namespace dovrel::test {

struct Offering {
    std::string bytes;           // the block's content, exactly
    HRESULT queryResult = S_OK;  // QueryGetData's answer
    HRESULT getResult = S_OK;    // GetData's answer; a failure hands out nothing
    bool handOutBlock = true;    // false: GetData succeeds with an empty medium
};

class MemoryDataObject final : public IDataObject {
public:
    static ComPtr<MemoryDataObject> Create();

    void Offer(CLIPFORMAT format, std::string bytes);
    void Offer(CLIPFORMAT format, Offering offering);
    // Each medium handed out from now on keeps its block here and carries a
    // release object, so that mediumsOutstanding() counts those the caller
    // has not given back with ReleaseStgMedium. Only within one apartment.
    void TrackReleases() { trackReleases_ = true; }
    int mediumsOutstanding() const { return outstanding_; }
    int getDataCalls() const { return getDataCalls_; }

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDataObject: global blocks of the content aspect, index -1, only.
    HRESULT STDMETHODCALLTYPE GetData(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE GetDataHere(FORMATETC* format, STGMEDIUM* medium) override;
    HRESULT STDMETHODCALLTYPE QueryGetData(FORMATETC* format) override;
    HRESULT STDMETHODCALLTYPE GetCanonicalFormatEtc(FORMATETC* in, FORMATETC* out) override;
    HRESULT STDMETHODCALLTYPE SetData(FORMATETC* format, STGMEDIUM* medium, BOOL release) override;
    HRESULT STDMETHODCALLTYPE EnumFormatEtc(DWORD direction, IEnumFORMATETC** enumerator) override;
    HRESULT STDMETHODCALLTYPE DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override;
    HRESULT STDMETHODCALLTYPE DUnadvise(DWORD) override;
    HRESULT STDMETHODCALLTYPE EnumDAdvise(IEnumSTATDATA**) override;

private:
    MemoryDataObject() = default;
    ~MemoryDataObject();
    const Offering* Find(const FORMATETC* format) const;

    LONG references_ = 1;
    std::map<CLIPFORMAT, Offering> offerings_;
    bool trackReleases_ = false;
    int outstanding_ = 0;
    int getDataCalls_ = 0;
    std::vector<HGLOBAL> keptBlocks_;  // owned; freed with the object
};

// A CF_HDROP block: DROPFILES, then each path and its zero, then the zero
// that ends the list. Paths are code page 936 bytes; wide stores UTF-16.
std::string DropFilesBlock(const std::vector<std::string>& paths, bool wide = false);

// The registered formats "HTML Format" and "UniformResourceLocator".
CLIPFORMAT HtmlFormat();
CLIPFORMAT UrlFormat();

}  // namespace dovrel::test
