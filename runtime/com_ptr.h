#pragma once
// The owning COM pointer lives in core/, where the structured-storage reader
// needs it; this name stays for the layers above.
#include "core/com_ptr.h"
