#pragma once
// A zip archive as minizip reads it: from a byte source (the document the
// run opened), through a small buffer. minizip reads every header field
// with a call of its own, one to four bytes at a time; without the buffer
// each of them would be a read of the file.

#include <minizip/ioapi.h>

#include "core/base/random_access_bytes.h"

namespace dovrel {

// Fills functions with the open, read, tell, seek, close and error
// functions of the buffered stream over `source` (no write function: the
// archive is only read). Whatever name minizip opens, the stream reads
// `source`, which must outlive the archive; closing the stream leaves the
// source as it is.
void FillArchiveStreamFunctions(zlib_filefunc64_def& functions, const RandomAccessBytes& source);

}  // namespace dovrel
