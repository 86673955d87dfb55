#pragma once
// EDropTarget: the object handed to RegisterDragDrop. A thin adapter: it
// tests a drag against the switched-on kinds, chooses the effect, and on a
// drop decodes the data into texts and raises one event per kind.

#include <oleidl.h>
#include <shobjidl.h>

#include <functional>

#include "core/text/text.h"
#include "core/base/com_ptr.h"
#include "ui/drop/drop_kinds.h"

namespace dovrel {

// The shell's drag-image object (CLSID_DragDropHelper), or null where the
// platform has none.
ComPtr<IDropTargetHelper> CreateShellDragImage();

class EDropTarget final : public IDropTarget {
public:
    // Raised synchronously inside Drop with a copy of the text that the
    // drop target owns and frees once the handler returns: a handler keeps
    // nothing but a copy of its own.
    using RaiseEvent = std::function<void(DropKind kind, Text& text)>;

    // The one reference the creator holds (count 1). dragImage may be null:
    // the drag then shows no image and nothing else changes.
    static ComPtr<EDropTarget> Create(ComPtr<IDropTargetHelper> dragImage);

    // IUnknown: IID_IUnknown and IID_IDropTarget only.
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID id, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    // IDropTarget. Drop answers E_FAIL in every case, also after a delivery,
    // so that no source treats the drop as a completed move of its data.
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL point, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL point, DWORD* effect) override;

    void SetTargetWindow(HWND window) { targetWindow_ = window; }  // handed to the drag-image object
    HWND targetWindow() const { return targetWindow_; }
    void SetFormats(const DropFormats& formats) { formats_ = formats; }
    void SetSwitch(DropKind kind, bool on) { switches_.Set(kind, on); }
    const DropSwitches& switches() const { return switches_; }
    void SetRaiseEvent(RaiseEvent raise) { raise_ = std::move(raise); }
    void SetRefusing(bool refusing) { refusing_ = refusing; }
    bool accepting() const { return accepting_; }
    bool hasDragImage() const { return static_cast<bool>(dragImage_); }

    // The component is gone: every later drag is refused, no event is
    // raised, the drag-image object is given back. The platform may still
    // hold references until the window's registration is revoked.
    void Detach();
    bool detached() const { return detached_; }

private:
    explicit EDropTarget(ComPtr<IDropTargetHelper> dragImage) : dragImage_(std::move(dragImage)) {}
    ~EDropTarget() = default;

    LONG references_ = 1;  // one thread: a plain count
    bool accepting_ = false;
    bool detached_ = false;
    bool refusing_ = false;
    ComPtr<IDropTargetHelper> dragImage_;
    HWND targetWindow_ = nullptr;  // not owned
    DropFormats formats_;
    DropSwitches switches_;
    RaiseEvent raise_;
};

}  // namespace dovrel
