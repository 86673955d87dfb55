#pragma once
// One entry's data, from the archive into an open file: read through the
// archive's mapped view from where the entry's data begins, stored bytes
// written as they are, deflated ones inflated by zlib straight from the
// view, checked against the central directory's size and CRC-32. minizip
// finds and checks the entry; this spares the data minizip's small buffer
// and its byte-by-byte copy.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/base/progress.h"
#include "core/base/archive_view.h"
#include "core/zip/zip_entry_info.h"

namespace dovrel {

enum class EntryCopy { Copied, Failed, Stopped };

// in: archive, the archive's view; info of a stored (0) or deflated (8)
// entry; out, the new file. progress told the bytes so far of the declared
// size after every write but the last, at most 256 KB apart; false stops
// there. buffer is reused
// between calls. Never produces more than the declared size; Copied only
// when exactly that size came out, with the declared CRC-32, and every
// write succeeded; data said to lie past the archive's end fails.
EntryCopy CopyEntryData(ArchiveView& archive, const ZipEntryInfo& info, HANDLE out, Progress* progress,
                        std::vector<unsigned char>& buffer);

// The same into memory: `out` holds the entry's bytes after Copied. The
// caller bounds the declared size.
EntryCopy CopyEntryData(ArchiveView& archive, const ZipEntryInfo& info, std::string& out,
                        std::vector<unsigned char>& buffer);

}  // namespace dovrel
