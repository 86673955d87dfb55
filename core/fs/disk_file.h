#pragma once
// Opening a document to read it.

#include <windows.h>

#include "core/base/unique_handle.h"
#include "core/text/text.h"

namespace dovrel {

// An existing file opened for reading (share and flags as CreateFileW
// takes them), or no handle. Only a file on a disk (GetFileType is
// FILE_TYPE_DISK) is handed back: a read from a device (COM1, LPT1, a pipe,
// CONIN$) can wait for ever, and a typed path may name one.
UniqueFile OpenDiskFileForReading(const Text& path, DWORD share, DWORD flags = FILE_ATTRIBUTE_NORMAL);

}  // namespace dovrel
