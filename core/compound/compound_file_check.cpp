#include "core/compound/compound_file_check.h"

#include <cstdint>
#include <string>
#include <vector>

#include "core/base/little_endian.h"

namespace dovrel {

namespace {

constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kNoEntry = 0xFFFFFFFF;
constexpr std::uint32_t kHeaderDifatEntries = 109;
constexpr std::size_t kEntrySize = 128;
constexpr std::uint32_t kMiniCutoff = 4096;
constexpr std::size_t kMaxDirectoryBytes = 32u << 20;

// Follows chains through one allocation table; a sector met twice, in one
// chain or two, ends the check.
class ChainWalker {
public:
    explicit ChainWalker(const std::vector<std::uint32_t>& table) : table_(table), used_(table.size()) {}

    // The chain's sectors from `start`, or false when it leaves the table or
    // meets a used sector.
    bool Walk(std::uint32_t start, std::vector<std::uint32_t>* sectors = nullptr)
    {
        for (std::uint32_t at = start; at != kEndOfChain; at = table_[at]) {
            if (at >= table_.size() || used_[at]) return false;
            used_[at] = true;
            if (sectors) sectors->push_back(at);
        }
        return true;
    }

private:
    const std::vector<std::uint32_t>& table_;
    std::vector<bool> used_;
};

class Check {
public:
    explicit Check(const RandomAccessBytes& file) : file_(file) {}

    bool Run()
    {
        std::string header;
        if (!ReadExactly(file_, 0, 512, header) || ReadLe32(header, 0) != 0xE011CFD0 ||
            ReadLe32(header, 4) != 0xE11AB1A1)
            return false;
        const unsigned shift = static_cast<unsigned char>(header[30]);
        if (shift != 9 && shift != 12) return false;
        sectorSize_ = std::size_t{1} << shift;
        const std::uint64_t sectors = (file_.size() + sectorSize_ - 1) / sectorSize_ - 1;
        if (sectors == 0 || sectors > 0x7FFFFFFF) return false;
        // Every entry lies somewhere in the file, so larger counts are damage.
        const std::uint32_t fatCount = ReadLe32(header, 44), directoryStart = ReadLe32(header, 48),
                            miniFatStart = ReadLe32(header, 60), difatStart = ReadLe32(header, 68),
                            difatCount = ReadLe32(header, 72);
        // Every count is bounded by what the file's real size needs before
        // anything is read or allocated: a FAT sector maps perSector sectors
        // and a DIFAT sector lists perSector - 1 FAT sectors (one sector of
        // slack each). A sparse file that claims a huge table is refused at
        // once instead of being read and held whole.
        const std::uint64_t perSector = sectorSize_ / 4;
        const std::uint64_t fatNeeded = (sectors + perSector - 1) / perSector + 1;
        const std::uint64_t listedOutsideHeader = fatCount > kHeaderDifatEntries ? fatCount - kHeaderDifatEntries : 0;
        const std::uint64_t difatNeeded = (listedOutsideHeader + perSector - 2) / (perSector - 1) + 1;
        if (fatCount > fatNeeded || difatCount > difatNeeded) return false;

        std::vector<std::uint32_t> fatSectors;
        for (std::uint32_t i = 0; i < kHeaderDifatEntries && fatSectors.size() < fatCount; ++i)
            fatSectors.push_back(ReadLe32(header, 76 + 4 * i));
        std::string block;
        std::uint32_t next = difatStart;
        for (std::uint32_t n = 0; fatSectors.size() < fatCount; ++n) {
            if (n >= difatCount || !ReadSector(next, block)) return false;
            for (std::size_t i = 0; i + 1 < perSector && fatSectors.size() < fatCount; ++i)
                fatSectors.push_back(ReadLe32(block, 4 * i));
            next = ReadLe32(block, 4 * (perSector - 1));
        }
        for (std::uint32_t sector : fatSectors) {
            if (!ReadSector(sector, block)) return false;
            for (std::size_t i = 0; i < perSector; ++i) fat_.push_back(ReadLe32(block, 4 * i));
        }
        if (fat_.size() > sectors) fat_.resize(static_cast<std::size_t>(sectors));

        ChainWalker big(fat_);
        std::vector<std::uint32_t> chain;
        if (!big.Walk(directoryStart, &chain)) return false;
        // Far more entries than any document has; a longer chain is damage.
        if (chain.size() * sectorSize_ > kMaxDirectoryBytes) return false;
        std::string directory;
        for (std::uint32_t sector : chain) {
            if (!ReadSector(sector, block)) return false;
            directory += block;
        }
        chain.clear();
        if (miniFatStart != kEndOfChain && !big.Walk(miniFatStart, &chain)) return false;
        // The mini FAT maps the mini stream (the root's stream, inside the
        // file) in 64-byte sectors: a longer chain is damage.
        const std::uint64_t miniStreamSize = directory.size() >= kEntrySize ? ReadLe32(directory, 120) : 0;
        if (miniStreamSize > file_.size()) return false;
        if (chain.size() > (miniStreamSize / 64 + perSector - 1) / perSector + 1) return false;
        std::vector<std::uint32_t> miniFat;
        for (std::uint32_t sector : chain) {
            if (!ReadSector(sector, block)) return false;
            for (std::size_t i = 0; i < perSector; ++i) miniFat.push_back(ReadLe32(block, 4 * i));
        }
        ChainWalker mini(miniFat);
        return WalkDirectory(directory, big, mini);
    }

private:
    bool ReadSector(std::uint32_t sector, std::string& bytes) const
    {
        return ReadExactly(file_, (std::uint64_t{sector} + 1) * sectorSize_, sectorSize_, bytes);
    }

    // Every entry reachable from the root once; every stream's chain sound.
    bool WalkDirectory(const std::string& directory, ChainWalker& big, ChainWalker& mini) const
    {
        const std::size_t entries = directory.size() / kEntrySize;
        if (entries == 0) return false;
        std::vector<bool> seen(entries);
        std::vector<std::uint32_t> pending{0};
        while (!pending.empty()) {
            const std::uint32_t index = pending.back();
            pending.pop_back();
            if (index == kNoEntry) continue;
            if (index >= entries || seen[index]) return false;
            seen[index] = true;
            const std::size_t at = index * kEntrySize;
            const unsigned type = static_cast<unsigned char>(directory[at + 66]);
            const std::uint32_t start = ReadLe32(directory, at + 116), size = ReadLe32(directory, at + 120);
            if (type == 5 || (type == 2 && size >= kMiniCutoff)) {  // the root holds the mini stream
                if (size > 0 && !big.Walk(start)) return false;
            } else if (type == 2) {
                if (size > 0 && !mini.Walk(start)) return false;
            } else if (type != 1) {
                return false;
            }
            if (index != 0) {
                pending.push_back(ReadLe32(directory, at + 68));  // left
                pending.push_back(ReadLe32(directory, at + 72));  // right
            }
            pending.push_back(ReadLe32(directory, at + 76));  // child
        }
        return true;
    }

    const RandomAccessBytes& file_;
    std::size_t sectorSize_ = 512;
    std::vector<std::uint32_t> fat_;
};

}  // namespace

bool CompoundChainsAreSound(const RandomAccessBytes& file) { return Check(file).Run(); }

}  // namespace dovrel
