#pragma once
// Random damage for the mutation run: byte flips, truncations, insertions
// and rewrites of header fields (sizes, offsets, name lengths, counts,
// names), all drawn from one 64-bit seed so that any damaged copy can be
// made again from its seed alone.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/compound_file.h"

namespace dovrel::test {

// Where the records of a well-formed archive start.
struct ZipLayout {
    std::vector<std::uint32_t> localHeaders;
    std::vector<std::uint32_t> centralRecords;
    std::optional<std::uint32_t> endRecord;
};
ZipLayout ReadZipLayout(const std::string& archive);

// What a central record found in an archive claims about its entry.
struct CentralRecordClaim {
    std::string name;  // as stored
    std::uint32_t crc = 0;
    std::uint32_t uncompressedSize = 0;
};
// Every place in the bytes that starts with the central record signature
// and holds a record's fixed part: whatever any reader could take for an
// entry, so a superset of what a reader really lists.
std::vector<CentralRecordClaim> FindCentralRecordClaims(const std::string& archive);

// The seed of one iteration of a run: iterations are independent, so one
// of them can be replayed alone.
std::uint64_t IterationSeed(std::uint64_t runSeed, std::uint64_t iteration);

class PackageMutator {
public:
    explicit PackageMutator(std::string base);

    // A damaged copy of the base. `log` receives the damage done, in order,
    // in words.
    std::string Mutate(std::uint64_t iterationSeed, std::string& log) const;

private:
    std::string base_;
    ZipLayout layout_;
};

// The same for old binary documents: damage to one stream's bytes (flips,
// boundary values, drawing-record and workbook-record lengths, truncation,
// insertion), the file then written again around the streams; now and
// then damage to the compound file's own bytes instead.
class CompoundMutator {
public:
    explicit CompoundMutator(Streams streams);
    std::string Mutate(std::uint64_t iterationSeed, std::string& log) const;

private:
    Streams streams_;
    std::string file_;
};

}  // namespace dovrel::test
