#pragma once
// The drop-target component (type 拖放对象, English type name DropTarget):
// a non-visual component that lets a window receive data dragged onto it.
// Once a window is registered through RegisterDropWindow, each drop raises
// one event per switched-on kind present in the data (TextDropped,
// HtmlDropped, UrlDropped, FilesDropped; see DropKind).
//
// The component ends when its host window does (with the parent window) or
// when it is destroyed: the registration it made is revoked, the drop-target
// object detached and the drag-image object given back.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/base/com_ptr.h"
#include "ui/drop/e_drop_target.h"
#include "core/base/global_memory.h"

namespace dovrel {

struct DropTargetCreation {
    std::string designData;  // DropDesignData as stored; empty when none
    DWORD style = 0;         // the host window's style; child and clip-siblings are added
    HWND parent = nullptr;   // the window the component sits on
    int childId = 0;
    RECT rect{};                         // in the parent's client coordinates
    EDropTarget::RaiseEvent raiseEvent;  // names the owning window and component itself
    bool designer = false;               // stop once the switches are set
    // Made once, when the drop-target object is; a null result means no
    // drag images.
    std::function<ComPtr<IDropTargetHelper>()> makeDragImage = CreateShellDragImage;
};

class DropTarget {
public:
    static constexpr const char* kTypeName = "拖放对象";
    static constexpr const char* kEnglishTypeName = "DropTarget";

    // None when the design data is unreadable (version above 1, too short)
    // or the host window cannot be created.
    static std::unique_ptr<DropTarget> Create(const DropTargetCreation& creation);
    ~DropTarget();
    DropTarget(const DropTarget&) = delete;
    DropTarget& operator=(const DropTarget&) = delete;

    // A switch written by its own index (property index - 8), the value
    // normalised to 0 or 1; an index outside 0 to 3 is ignored. Answers
    // false: the component never needs to be created again.
    bool PropertyChanged(std::int32_t ownIndex, std::int32_t value);
    // The switch as the drop-target object holds it; none outside 0 to 3.
    std::optional<std::int32_t> PropertyValue(std::int32_t ownIndex) const;
    // DropDesignData of the current switches in a new movable, shareable
    // global block; null if it cannot be allocated.
    UniqueGlobal DesignData() const;

    // False if a window is already recorded (nothing changes) or once the
    // host window is gone; else records window and answers whether
    // RegisterDragDrop succeeded. A failed registration stays recorded
    // until UnregisterDropWindow.
    bool RegisterDropWindow(HWND window);
    // The argument is not used: ends the recorded window's registration,
    // if any, and records none.
    void UnregisterDropWindow(HWND window);

    // While refusing, every drag over the window shows the no-drop cursor
    // and a drop delivers nothing (a job runs).
    void SetRefusing(bool refusing) { target_->SetRefusing(refusing); }

    HWND hostWindow() const { return host_; }              // null once destroyed
    HWND registeredWindow() const { return registered_; }  // the recorded window, or null
    IDropTarget* dropTarget() const { return target_.get(); }

private:
    DropTarget(HWND parent, ComPtr<EDropTarget> target);
    static LRESULT CALLBACK HostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnHostDestroyed();
    void EndRegistration();

    HWND host_ = nullptr;            // owned: destroyed with the parent or by the destructor
    HWND parent_;                    // not owned
    HWND registered_ = nullptr;      // not owned
    bool registrationHeld_ = false;  // RegisterDragDrop succeeded for registered_
    DropSwitches designMirror_;
    ComPtr<EDropTarget> target_;  // the component's own reference
};

}  // namespace dovrel
