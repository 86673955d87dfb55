// A compound file's header, DIFAT, FAT, mini FAT and directory tree, as the
// check before the platform's reader walks them.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/compound/compound_file_check.h"

namespace {

class MemoryBytes : public dovrel::CompoundBytes {
public:
    MemoryBytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint64_t size() const override { return size_; }
    bool Read(std::uint64_t offset, std::size_t length, std::string& bytes) const override
    {
        if (offset > size_ || length > size_ - offset) return false;
        bytes.assign(reinterpret_cast<const char*>(data_) + offset, length);
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    (void)dovrel::CompoundChainsAreSound(MemoryBytes(data, size));
    return 0;
}
