#include "core/base/inflate.h"

#include <zlib.h>

#include <algorithm>

namespace dovrel {

std::optional<Inflated> InflateBounded(std::string_view packed, std::size_t limit, Packing packing)
{
    z_stream z{};
    if (inflateInit2(&z, packing == Packing::Gzip ? 16 + MAX_WBITS : MAX_WBITS) != Z_OK) return std::nullopt;
    Inflated out;
    int status = Z_OK;
    std::size_t left = packed.size();
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
    while (status == Z_OK && out.bytes.size() < limit) {
        if (z.avail_in == 0 && left > 0) {
            z.avail_in = static_cast<uInt>(std::min<std::size_t>(left, 1u << 30));
            left -= z.avail_in;
        }
        const std::size_t have = out.bytes.size();
        const std::size_t room = std::min<std::size_t>(limit - have, 1 << 16);
        out.bytes.resize(have + room);
        z.next_out = reinterpret_cast<Bytef*>(out.bytes.data() + have);
        z.avail_out = static_cast<uInt>(room);
        status = inflate(&z, Z_NO_FLUSH);
        out.bytes.resize(have + room - z.avail_out);
        if (status == Z_BUF_ERROR && z.avail_in == 0 && left == 0) break;  // input ended early
    }
    inflateEnd(&z);
    out.ended = status == Z_STREAM_END;
    if (out.ended || out.bytes.size() == limit) return out;
    return std::nullopt;
}

}  // namespace dovrel
