#include "ui/drop/drop_effect.h"

#include <oleidl.h>

namespace dovrel {

bool ChooseDropEffect(bool accepted, DWORD keyState, DWORD& effect)
{
    const DWORD allowed = effect;
    if (!accepted) {
        effect = DROPEFFECT_NONE;
        return false;
    }
    const bool control = (keyState & MK_CONTROL) != 0;
    const bool shift = (keyState & MK_SHIFT) != 0;
    if (control || shift) {
        const DWORD requested = control && shift ? DROPEFFECT_LINK : control ? DROPEFFECT_COPY : DROPEFFECT_MOVE;
        effect = requested != DROPEFFECT_LINK && (allowed & requested) ? requested : DROPEFFECT_NONE;
    } else if (allowed & DROPEFFECT_COPY) {
        effect = DROPEFFECT_COPY;
    } else if (allowed & DROPEFFECT_MOVE) {
        effect = DROPEFFECT_MOVE;
    } else if (allowed & DROPEFFECT_LINK) {
        effect = DROPEFFECT_LINK;
    } else {
        effect = DROPEFFECT_NONE;
    }
    return effect != DROPEFFECT_NONE;
}

}  // namespace dovrel
