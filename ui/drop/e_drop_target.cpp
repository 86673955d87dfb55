#include "ui/drop/e_drop_target.h"

#include <shlguid.h>

#include <utility>

#include "ui/drop/drop_data_reader.h"
#include "ui/drop/drop_effect.h"

namespace dovrel {

ComPtr<IDropTargetHelper> CreateShellDragImage()
{
    ComPtr<IDropTargetHelper> helper;
    if (FAILED(CoCreateInstance(CLSID_DragDropHelper, nullptr, CLSCTX_INPROC_SERVER, IID_IDropTargetHelper,
                                helper.put_void())))
        helper.reset();
    return helper;
}

ComPtr<EDropTarget> EDropTarget::Create(ComPtr<IDropTargetHelper> dragImage)
{
    return ComPtr<EDropTarget>::Adopt(new EDropTarget(std::move(dragImage)));
}

HRESULT STDMETHODCALLTYPE EDropTarget::QueryInterface(REFIID id, void** object)
{
    if (!object) return E_POINTER;
    *object = nullptr;
    if (id != IID_IUnknown && id != IID_IDropTarget) return E_NOINTERFACE;
    *object = static_cast<IDropTarget*>(this);
    AddRef();
    return S_OK;
}

ULONG STDMETHODCALLTYPE EDropTarget::AddRef() { return static_cast<ULONG>(++references_); }

ULONG STDMETHODCALLTYPE EDropTarget::Release()
{
    const LONG left = --references_;
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE EDropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect)
{
    if (!effect) return E_INVALIDARG;
    if (dragImage_) {
        POINT at{point.x, point.y};
        dragImage_->DragEnter(targetWindow_, data, &at, *effect);
    }
    accepting_ = !detached_ && !refusing_ && OffersAcceptedKind(data, switches_, formats_);
    ChooseDropEffect(accepting_, keyState, *effect);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE EDropTarget::DragOver(DWORD keyState, POINTL point, DWORD* effect)
{
    if (!effect) return E_INVALIDARG;
    if (dragImage_) {
        POINT at{point.x, point.y};
        dragImage_->DragOver(&at, *effect);
    }
    ChooseDropEffect(accepting_ && !refusing_, keyState, *effect);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE EDropTarget::DragLeave()
{
    if (dragImage_) dragImage_->DragLeave();
    accepting_ = false;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE EDropTarget::Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect)
{
    if (!effect) return E_FAIL;
    if (dragImage_) {
        POINT at{point.x, point.y};
        dragImage_->Drop(data, &at, *effect);
    }
    if (!ChooseDropEffect(accepting_ && !refusing_, keyState, *effect) || !data) return E_FAIL;

    // A handler may end the component (and so Detach this object) while
    // the events are raised: keep this object and the sink alive until the
    // loop is done, and stop raising once detached.
    ComPtr<EDropTarget> self(this);
    RaiseEvent raise = raise_;
    for (DroppedText& dropped : ReadDroppedTexts(data, switches_, formats_)) {
        if (!raise || detached_) break;
        Text argument = std::move(dropped.text);
        raise(dropped.kind, argument);
    }
    return E_FAIL;
}

void EDropTarget::Detach()
{
    detached_ = true;
    accepting_ = false;
    raise_ = nullptr;
    dragImage_.reset();
}

}  // namespace dovrel
