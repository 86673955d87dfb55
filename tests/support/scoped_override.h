#pragma once
// The one way a test replaces a process-wide setting (a seam, the fatal
// error box, the current folder) for its own lifetime: install(value) makes
// value the setting and answers the one it replaced, which the destructor
// installs again. Declare it after any TempFolder it may point into, so the
// setting is given back before the folder is removed.

#include <utility>

namespace dovrel::test {

template <typename Value>
class ScopedOverride {
public:
    using Install = Value (*)(Value);
    ScopedOverride(Install install, Value value) : install_(install), previous_(install(std::move(value))) {}
    ~ScopedOverride() { install_(std::move(previous_)); }
    ScopedOverride(const ScopedOverride&) = delete;
    ScopedOverride& operator=(const ScopedOverride&) = delete;

private:
    Install install_;
    Value previous_;
};

template <typename T>
struct Exactly {
    using Type = T;
};

// The setting's type comes from install alone: ScopedOverride seam(InstallUserSeam, &recording).
template <typename Value>
ScopedOverride(Value (*)(Value), typename Exactly<Value>::Type) -> ScopedOverride<Value>;

}  // namespace dovrel::test
