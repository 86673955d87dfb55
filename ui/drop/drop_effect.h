#pragma once
// The effect a drag over the window gets, from whether the drag carries an
// accepted kind, the modifier keys and the effects the source allows.

#include <windows.h>

namespace dovrel {

// in:  accepted - the drag carries an enabled kind (the accept flag);
//      keyState - MK_* bits; only MK_CONTROL and MK_SHIFT matter;
//      effect   - DROPEFFECT_* bits the source allows.
// out: effect   - exactly one of none, copy, move or link.
// Ctrl asks for copy, Shift for move; Ctrl+Shift asks for link, which is
// always refused. A request the source does not allow ends as none. With no
// modifier the first allowed of copy, move, link is taken.
// Returns whether the effect is not none.
bool ChooseDropEffect(bool accepted, DWORD keyState, DWORD& effect);

}  // namespace dovrel
