#include "ui/drop/drop_target.h"

#include <ole2.h>

#include <cstring>

#include "runtime/window_instance.h"
#include "ui/drop/drop_data_reader.h"
#include "ui/drop/drop_design_data.h"

namespace dovrel {

namespace {

constexpr char kHostClassName[] = "DovrelDropTargetHost";

bool RegisterHostClass(WNDPROC procedure)
{
    static const bool registered = [procedure] {
        WNDCLASSEXA windowClass{};
        windowClass.cbSize = sizeof(windowClass);
        windowClass.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
        windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
        windowClass.lpszClassName = kHostClassName;
        return RegisterClassExA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    return registered;
}

}  // namespace

DropTarget::DropTarget(HWND parent, ComPtr<EDropTarget> target) : parent_(parent), target_(std::move(target)) {}

std::unique_ptr<DropTarget> DropTarget::Create(const DropTargetCreation& creation)
{
    ComPtr<IDropTargetHelper> dragImage = creation.makeDragImage ? creation.makeDragImage() : nullptr;
    std::unique_ptr<DropTarget> component(new DropTarget(creation.parent, EDropTarget::Create(std::move(dragImage))));

    std::optional<DropSwitches> switches = ParseDropDesignData(creation.designData);
    if (!switches) return nullptr;

    if (!RegisterHostClass(HostProc)) return nullptr;
    const RECT& r = creation.rect;
    // Never shown at run time: created hidden, and HostProc refuses to show it.
    const DWORD style = (creation.style | WS_CHILD | WS_CLIPSIBLINGS) & ~WS_VISIBLE;
    HWND host = CreateWindowExA(0, kHostClassName, "", style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                creation.parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(creation.childId)),
                                GetModuleHandleA(nullptr), component.get());
    if (!host) return nullptr;

    for (std::int32_t index = 0; index < kDropKindCount; ++index) {
        const DropKind kind = static_cast<DropKind>(index);
        component->designMirror_.Set(kind, (*switches)[kind]);
        component->target_->SetSwitch(kind, (*switches)[kind]);
    }
    if (creation.designer) return component;

    component->target_->SetFormats(RegisterDropFormats());
    component->target_->SetRaiseEvent(creation.raiseEvent);
    return component;
}

DropTarget::~DropTarget()
{
    if (host_) DestroyWindow(host_);  // runs OnHostDestroyed
    if (target_) target_->Detach();
}

LRESULT CALLBACK DropTarget::HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    DropTarget* component = WindowInstance<DropTarget>(window, message, lParam);
    if (message == WM_NCCREATE && component) component->host_ = window;
    switch (message) {
    case WM_WINDOWPOSCHANGING:
        // Whatever sets the common visibility property, the host stays hidden.
        reinterpret_cast<WINDOWPOS*>(lParam)->flags &= ~SWP_SHOWWINDOW;
        break;
    case WM_NCDESTROY:
        if (component) component->OnHostDestroyed();
        break;
    default: break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

void DropTarget::OnHostDestroyed()
{
    host_ = nullptr;
    // The parent is normally the registered window and is still valid here;
    // a registration left in place would keep the platform calling a
    // component that no longer exists.
    EndRegistration();
    target_->Detach();
}

bool DropTarget::PropertyChanged(std::int32_t ownIndex, std::int32_t value)
{
    if (std::optional<DropKind> kind = DropKindOf(ownIndex)) {
        designMirror_.Set(*kind, value != 0);
        target_->SetSwitch(*kind, value != 0);
    }
    return false;
}

std::optional<std::int32_t> DropTarget::PropertyValue(std::int32_t ownIndex) const
{
    std::optional<DropKind> kind = DropKindOf(ownIndex);
    if (!kind) return std::nullopt;
    return target_->switches()[*kind] ? 1 : 0;
}

UniqueGlobal DropTarget::DesignData() const
{
    const std::string bytes = WriteDropDesignData(designMirror_);
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_SHARE, bytes.size()));
    if (!block) return block;
    GlobalLockView view(block.get());
    if (!view.data()) return UniqueGlobal();
    std::memcpy(view.data(), bytes.data(), bytes.size());
    return block;
}

bool DropTarget::RegisterDropWindow(HWND window)
{
    if (registered_ || !host_) return false;
    registered_ = window;
    target_->SetTargetWindow(window);
    registrationHeld_ = RegisterDragDrop(window, target_.get()) == S_OK;
    return registrationHeld_;
}

void DropTarget::UnregisterDropWindow(HWND) { EndRegistration(); }

void DropTarget::EndRegistration()
{
    // Only a registration this component made is revoked: a failed attempt
    // usually means another drop target holds the window.
    if (registered_ && registrationHeld_) RevokeDragDrop(registered_);
    registered_ = nullptr;
    registrationHeld_ = false;
}

}  // namespace dovrel
