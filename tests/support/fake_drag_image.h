#pragma once
// Stands in for the shell's drag-image object and records every call a drop
// target forwards to it, one line each:
//   "<enter|over|leave|drop> window=<0|1> data=<0|1> at=<x>,<y> effect=<n>"
// (window and data say whether a handle or data object came along).

#include <shobjidl.h>

#include <cstdio>
#include <string>
#include <vector>

namespace dovrel::test {

class FakeDragImage final : public IDropTargetHelper {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override
    {
        if (!object) return E_POINTER;
        *object = nullptr;
        if (id != IID_IUnknown && id != IID_IDropTargetHelper) return E_NOINTERFACE;
        *object = static_cast<IDropTargetHelper*>(this);
        AddRef();
        return S_OK;
    }
    // Lives as long as the test that made it; the count only shows who
    // still holds it.
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    HRESULT STDMETHODCALLTYPE DragEnter(HWND window, IDataObject* data, POINT* at, DWORD effect) override
    {
        return Record("enter", window, data, at, effect);
    }
    HRESULT STDMETHODCALLTYPE DragLeave() override { return Record("leave", nullptr, nullptr, nullptr, 0); }
    HRESULT STDMETHODCALLTYPE DragOver(POINT* at, DWORD effect) override
    {
        return Record("over", nullptr, nullptr, at, effect);
    }
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, POINT* at, DWORD effect) override
    {
        return Record("drop", nullptr, data, at, effect);
    }
    HRESULT STDMETHODCALLTYPE Show(BOOL) override { return S_OK; }

    // The calls' names alone, in order.
    std::vector<std::string> names() const
    {
        std::vector<std::string> result;
        for (const std::string& call : calls) result.push_back(call.substr(0, call.find(' ')));
        return result;
    }

    ULONG references = 1;
    std::vector<std::string> calls;

private:
    HRESULT Record(const char* name, HWND window, IDataObject* data, POINT* at, DWORD effect)
    {
        char line[160];
        std::snprintf(line, sizeof(line), "%s window=%d data=%d at=%ld,%ld effect=%lu", name, window != nullptr,
                      data != nullptr, at ? at->x : -1L, at ? at->y : -1L, static_cast<unsigned long>(effect));
        calls.push_back(line);
        return S_OK;
    }
};

}  // namespace dovrel::test
