#pragma once
// Deflated bytes inflated into memory, never past a bound (gzip-packed
// metafiles, a whole zlib stream).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace dovrel {

enum class Packing {
    Zlib,  // a zlib stream (RFC 1950)
    Gzip,  // a gzip member (RFC 1952), as .emz and .wmz keep a metafile
};

struct Inflated {
    std::string bytes;   // at most the limit
    bool ended = false;  // the stream ended (within the limit)
};

// Nothing when the data is damaged, or ends before the stream does without
// reaching the limit.
std::optional<Inflated> InflateBounded(std::string_view packed, std::size_t limit, Packing packing);

}  // namespace dovrel
