#pragma once
// Bytes read at offsets, whatever holds them: the document the run opened,
// or memory (the native build's parsers and their fuzz targets read the
// same way).

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace dovrel {

class RandomAccessBytes {
public:
    virtual ~RandomAccessBytes() = default;
    // The size now: a file cut shorter since an earlier look is smaller.
    virtual std::uint64_t size() const = 0;
    // Up to `count` bytes from `offset` into `into`: how many were read;
    // fewer only at the end or when the read fails.
    virtual std::size_t ReadAt(std::uint64_t offset, void* into, std::size_t count) const = 0;
};

// Exactly `length` bytes at `offset` into `bytes`, or false (and `bytes`
// then holds no more than was read).
inline bool ReadExactly(const RandomAccessBytes& source, std::uint64_t offset, std::size_t length, std::string& bytes)
{
    bytes.assign(length, '\0');
    const std::uint64_t size = source.size();
    if (offset > size || length > size - offset) return false;
    std::size_t done = 0;
    while (done < length) {
        const std::size_t read = source.ReadAt(offset + done, bytes.data() + done, length - done);
        if (read == 0) break;
        done += read;
    }
    bytes.resize(done);
    return done == length;
}

// Whether the source begins with `head`.
inline bool StartsWithBytes(const RandomAccessBytes& source, std::string_view head)
{
    std::string bytes;
    return ReadExactly(source, 0, head.size(), bytes) && bytes == head;
}

class BytesInMemory final : public RandomAccessBytes {
public:
    explicit BytesInMemory(std::string_view bytes) : bytes_(bytes) {}
    std::uint64_t size() const override { return bytes_.size(); }
    std::size_t ReadAt(std::uint64_t offset, void* into, std::size_t count) const override
    {
        if (offset >= bytes_.size()) return 0;
        const std::size_t n = std::min<std::size_t>(count, bytes_.size() - static_cast<std::size_t>(offset));
        std::memcpy(into, bytes_.data() + offset, n);
        return n;
    }

private:
    std::string_view bytes_;
};

}  // namespace dovrel
