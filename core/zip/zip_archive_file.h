#pragma once
// The archive file as minizip reads it: opened with CreateFileA for
// GENERIC_READ, sharing read access only, OPEN_EXISTING, and read through
// a small buffer. minizip reads every header field with a call of its own,
// one to four bytes at a time; without the buffer each of them would be a
// system call.

#include <minizip/ioapi.h>

namespace dovrel {

// Fills functions with the open, read, tell, seek, close and error
// functions of the buffered archive file (no write function: the archive
// is only read). share: CreateFileA's share mode for the archive.
void FillArchiveFileFunctions(zlib_filefunc64_def& functions, unsigned long share = 1 /* FILE_SHARE_READ */);

}  // namespace dovrel
