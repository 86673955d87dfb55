#pragma once
// A storage medium filled by IDataObject::GetData, given back with
// ReleaseStgMedium when the owner ends.

#include <objidl.h>
#include <ole2.h>

namespace dovrel {

class StgMedium {
public:
    StgMedium() = default;
    ~StgMedium() { reset(); }
    StgMedium(const StgMedium&) = delete;
    StgMedium& operator=(const StgMedium&) = delete;

    // For GetData's out parameter: gives back what is held first.
    STGMEDIUM* put()
    {
        reset();
        return &medium_;
    }
    const STGMEDIUM& get() const { return medium_; }
    // The global block, or null when the medium is of another kind.
    HGLOBAL global() const { return medium_.tymed == TYMED_HGLOBAL ? medium_.hGlobal : nullptr; }

    void reset()
    {
        if (medium_.tymed != TYMED_NULL || medium_.pUnkForRelease) ReleaseStgMedium(&medium_);
        medium_ = STGMEDIUM{};
    }

private:
    STGMEDIUM medium_{};
};

}  // namespace dovrel
