#pragma once
// The document the run opened, as structured storage reads a compound file:
// an ILockBytes over the file, read-only, so that the platform reads the
// same open file as every other reader of the run.

#include <objidl.h>

#include "core/base/com_ptr.h"
#include "core/fs/document_file.h"

namespace dovrel {

// Reads `file` (which it owns from here on); writes, size changes and
// region locks are refused. Null when out of memory.
ComPtr<ILockBytes> ReadOnlyLockBytes(DocumentFile file);

}  // namespace dovrel
