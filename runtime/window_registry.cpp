#include "runtime/window_registry.h"

#include <map>
#include <tuple>
#include <utility>

namespace dovrel {

namespace {

std::map<WindowReference, HWND>& Registry()
{
    static std::map<WindowReference, HWND> registry;
    return registry;
}

}  // namespace

bool operator==(const WindowReference& a, const WindowReference& b) { return a.window == b.window && a.unit == b.unit; }

bool operator<(const WindowReference& a, const WindowReference& b)
{
    return std::tie(a.window, a.unit) < std::tie(b.window, b.unit);
}

void RegisterWindow(const WindowReference& reference, HWND handle) { Registry()[reference] = handle; }

void UnregisterWindow(const WindowReference& reference, HWND handle)
{
    auto found = Registry().find(reference);
    if (found != Registry().end() && found->second == handle) Registry().erase(found);
}

HWND FindWindowHandle(const WindowReference& reference)
{
    auto found = Registry().find(reference);
    if (found == Registry().end() || !IsWindow(found->second)) return nullptr;
    return found->second;
}

HWND WindowHandleOf(const WindowReference& reference, SourceLocation where)
{
    HWND handle = FindWindowHandle(reference);
    if (!handle) ReportFatalError(kWindowNotLoadedMessage, 0, where);
    return handle;
}

ScopedWindowRegistration::ScopedWindowRegistration(WindowReference reference, HWND handle)
    : reference_(std::move(reference)), handle_(handle)
{
    RegisterWindow(reference_, handle_);
}

ScopedWindowRegistration::~ScopedWindowRegistration() { UnregisterWindow(reference_, handle_); }

}  // namespace dovrel
