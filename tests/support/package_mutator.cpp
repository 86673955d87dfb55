#include "tests/support/package_mutator.h"

#include <algorithm>
#include <cstdio>
#include <iterator>

namespace dovrel::test {

namespace {

constexpr std::uint32_t kLocalSignature = 0x04034B50;
constexpr std::uint32_t kCentralSignature = 0x02014B50;
constexpr std::uint32_t kEndSignature = 0x06054B50;
constexpr std::size_t kLocalFixedSize = 30;
constexpr std::size_t kCentralFixedSize = 46;
constexpr std::size_t kEndFixedSize = 22;

std::uint32_t ReadLe(const std::string& bytes, std::size_t at, int width)
{
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        std::size_t position = at + static_cast<std::size_t>(i);
        value = (value << 8) | (position < bytes.size() ? static_cast<unsigned char>(bytes[position]) : 0u);
    }
    return value;
}

void WriteLe(std::string& bytes, std::size_t at, int width, std::uint32_t value)
{
    for (int i = 0; i < width; ++i) {
        std::size_t position = at + static_cast<std::size_t>(i);
        if (position < bytes.size()) bytes[position] = static_cast<char>((value >> (8 * i)) & 0xFF);
    }
}

// splitmix64: small, fast, and the same on every compiler.
class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t Next()
    {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    // 0 to bound - 1; 0 when bound is 0.
    std::size_t Below(std::size_t bound) { return bound == 0 ? 0 : static_cast<std::size_t>(Next() % bound); }
    bool OneIn(std::size_t n) { return Below(n) == 0; }

private:
    std::uint64_t state_;
};

struct Field {
    const char* name;
    std::uint32_t offset;
    int width;
    int weight;  // how often it is picked, against the others of its record
};

// The fields whose rewrite moves a reader somewhere else weigh more.
const Field kLocalFields[] = {
    {"signature", 0, 4, 1},
    {"version", 4, 2, 1},
    {"flags", 6, 2, 3},
    {"method", 8, 2, 3},
    {"time", 10, 2, 1},
    {"date", 12, 2, 1},
    {"crc", 14, 4, 2},
    {"compressed size", 18, 4, 4},
    {"uncompressed size", 22, 4, 4},
    {"name length", 26, 2, 4},
    {"extra length", 28, 2, 4},
};
const Field kCentralFields[] = {
    {"signature", 0, 4, 1},
    {"made by", 4, 2, 1},
    {"needed", 6, 2, 1},
    {"flags", 8, 2, 3},
    {"method", 10, 2, 3},
    {"time", 12, 2, 1},
    {"date", 14, 2, 1},
    {"crc", 16, 4, 2},
    {"compressed size", 20, 4, 4},
    {"uncompressed size", 24, 4, 4},
    {"name length", 28, 2, 4},
    {"extra length", 30, 2, 4},
    {"comment length", 32, 2, 3},
    {"disk", 34, 2, 1},
    {"internal attributes", 36, 2, 1},
    {"external attributes", 38, 4, 3},
    {"local offset", 42, 4, 5},
};
const Field kEndFields[] = {
    {"signature", 0, 4, 1}, {"disk", 4, 2, 1},          {"central disk", 6, 2, 1},    {"entries on disk", 8, 2, 4},
    {"entries", 10, 2, 4},  {"central size", 12, 4, 4}, {"central offset", 16, 4, 4}, {"comment length", 20, 2, 3},
};

template <std::size_t N>
const Field& PickField(Random& random, const Field (&fields)[N])
{
    int total = 0;
    for (const Field& field : fields) total += field.weight;
    int pick = static_cast<int>(random.Below(static_cast<std::size_t>(total)));
    for (const Field& field : fields) {
        if (pick < field.weight) return field;
        pick -= field.weight;
    }
    return fields[0];
}

std::string Hex(std::uint64_t value)
{
    char text[32];
    std::snprintf(text, sizeof text, "0x%llX", static_cast<unsigned long long>(value));
    return text;
}

std::uint32_t InterestingValue(Random& random, std::uint32_t original, int width, std::size_t archiveSize)
{
    const std::uint32_t max = width == 4 ? 0xFFFFFFFFu : 0xFFFFu;
    const auto size = static_cast<std::uint32_t>(archiveSize);
    switch (random.Below(16)) {
    case 0: return 0;
    case 1: return 1;
    case 2: return max;
    case 3: return max - 1;
    case 4: return max / 2;
    case 5: return max / 2 + 1;
    case 6: return original + 1;
    case 7: return original - 1;
    case 8: return original + static_cast<std::uint32_t>(random.Below(129)) - 64;
    case 9: return original * 2;
    case 10: return original ^ (1u << random.Below(static_cast<std::size_t>(width) * 8));
    case 11: return size;
    case 12: return size - static_cast<std::uint32_t>(random.Below(64));
    case 13: return width == 4 ? 0xFFFFFFF0u - static_cast<std::uint32_t>(random.Below(16)) : 0xFFF0u;
    case 14: return static_cast<std::uint32_t>(random.Below(300));
    default: return static_cast<std::uint32_t>(random.Next()) & max;
    }
}

struct Record {
    const char* kind;
    std::size_t index;
    std::uint32_t offset;
};

// A random record of the base: a local header, a central record or the end record.
std::optional<Record> PickRecord(Random& random, const ZipLayout& layout)
{
    std::size_t locals = layout.localHeaders.size();
    std::size_t centrals = layout.centralRecords.size();
    std::size_t ends = layout.endRecord ? 1 : 0;
    // The central directory and the end record steer a reader most; they
    // weigh double against the local headers.
    std::size_t total = locals + 2 * centrals + 2 * ends;
    if (total == 0) return std::nullopt;
    std::size_t pick = random.Below(total);
    if (pick < locals) return Record{"local", pick, layout.localHeaders[pick]};
    pick -= locals;
    if (pick < 2 * centrals) return Record{"central", pick / 2, layout.centralRecords[pick / 2]};
    return Record{"end", 0, *layout.endRecord};
}

void RewriteField(Random& random, const ZipLayout& layout, std::string& bytes, std::string& log)
{
    std::optional<Record> record = PickRecord(random, layout);
    if (!record) return;
    const std::string kind = record->kind;
    const Field& field = kind == "local"     ? PickField(random, kLocalFields)
                         : kind == "central" ? PickField(random, kCentralFields)
                                             : PickField(random, kEndFields);
    std::size_t at = record->offset + field.offset;
    std::uint32_t original = ReadLe(bytes, at, field.width);
    std::uint32_t value = InterestingValue(random, original, field.width, bytes.size());
    WriteLe(bytes, at, field.width, value);
    log +=
        kind + "[" + std::to_string(record->index) + "]." + field.name + " " + Hex(original) + "->" + Hex(value) + "; ";
}

// The stored name of a local header or central record: offset and length.
std::pair<std::size_t, std::size_t> NameSpan(const std::string& bytes, const Record& record)
{
    bool local = std::string(record.kind) == "local";
    std::size_t fixed = local ? kLocalFixedSize : kCentralFixedSize;
    std::size_t length = ReadLe(bytes, record.offset + (local ? 26 : 28), 2);
    return {record.offset + fixed, length};
}

void RewriteName(Random& random, const ZipLayout& layout, std::string& bytes, std::string& log)
{
    std::optional<Record> record = PickRecord(random, layout);
    if (!record || std::string(record->kind) == "end") return;
    auto [start, length] = NameSpan(bytes, *record);
    // An earlier rewrite may have made the name length anything.
    if (start >= bytes.size()) return;
    length = std::min(length, bytes.size() - start);
    if (length == 0) return;
    std::string where = std::string(record->kind) + "[" + std::to_string(record->index) + "].name";

    static const char* const kPrefixes[] = {"../", "..\\", "/", "\\", "C:", "CON/", "nul.", "a./", "a /", "./", "a:b"};
    if (random.OneIn(3)) {
        std::string prefix = kPrefixes[random.Below(std::size(kPrefixes))];
        std::size_t count = std::min(prefix.size(), length);
        std::size_t at = random.OneIn(2) ? 0 : random.Below(length - count + 1);
        bytes.replace(start + at, count, prefix.substr(0, count));
        log += where + "@" + std::to_string(at) + "=\"" + prefix.substr(0, count) + "\"; ";
        return;
    }
    static const unsigned char kBytes[] = {'/',  '\\', '.', ':', ' ',  0,    0x81, 0xFF,
                                           0x80, '?',  '*', 'A', 0x7F, 0x01, '<',  '|'};
    std::size_t at = random.Below(length);
    unsigned char value = kBytes[random.Below(std::size(kBytes))];
    if (start + at < bytes.size()) bytes[start + at] = static_cast<char>(value);
    log += where + "@" + std::to_string(at) + "=" + Hex(value) + "; ";
}

void FlipBytes(Random& random, const ZipLayout& layout, std::string& bytes, std::string& log)
{
    std::size_t flips = 1 + random.Below(8);
    for (std::size_t i = 0; i < flips && !bytes.empty(); ++i) {
        std::size_t at;
        std::optional<Record> record = random.OneIn(5) ? std::nullopt : PickRecord(random, layout);
        if (record) {
            // The record's fixed part, name and extra field (and comment).
            const std::string kind = record->kind;
            std::size_t span = kEndFixedSize;
            if (kind == "local") {
                span = kLocalFixedSize + ReadLe(bytes, record->offset + 26, 2) + ReadLe(bytes, record->offset + 28, 2);
            } else if (kind == "central") {
                span = kCentralFixedSize + ReadLe(bytes, record->offset + 28, 2) +
                       ReadLe(bytes, record->offset + 30, 2) + ReadLe(bytes, record->offset + 32, 2);
            }
            at = std::min<std::size_t>(record->offset + random.Below(span), bytes.size() - 1);
        } else {
            at = random.Below(bytes.size());
        }
        auto mask = static_cast<unsigned char>(random.OneIn(2) ? 1u << random.Below(8) : 1 + random.Below(255));
        bytes[at] = static_cast<char>(bytes[at] ^ mask);
        log += "flip@" + std::to_string(at) + "^" + Hex(mask) + "; ";
    }
}

void Truncate(Random& random, std::string& bytes, std::string& log)
{
    std::size_t size = random.OneIn(3) ? bytes.size() - std::min<std::size_t>(bytes.size(), 1 + random.Below(200))
                                       : random.Below(bytes.size());
    bytes.resize(size);
    log += "truncate to " + std::to_string(size) + "; ";
}

void InsertOrDelete(Random& random, std::string& bytes, std::string& log)
{
    std::size_t at = random.Below(bytes.size() + 1);
    std::size_t count = 1 + random.Below(16);
    if (random.OneIn(2)) {
        std::string inserted;
        for (std::size_t i = 0; i < count; ++i) inserted.push_back(static_cast<char>(random.Next()));
        bytes.insert(at, inserted);
        log += "insert " + std::to_string(count) + " bytes@" + std::to_string(at) + "; ";
    } else {
        bytes.erase(at, count);
        log += "delete " + std::to_string(count) + " bytes@" + std::to_string(at) + "; ";
    }
}

}  // namespace

ZipLayout ReadZipLayout(const std::string& archive)
{
    ZipLayout layout;
    if (archive.size() < kEndFixedSize) return layout;
    for (std::size_t at = archive.size() - kEndFixedSize + 1; at-- > 0;) {
        if (ReadLe(archive, at, 4) == kEndSignature) {
            layout.endRecord = static_cast<std::uint32_t>(at);
            break;
        }
    }
    if (!layout.endRecord) return layout;
    std::size_t count = ReadLe(archive, *layout.endRecord + 10, 2);
    std::size_t at = ReadLe(archive, *layout.endRecord + 16, 4);
    for (std::size_t i = 0; i < count && at + kCentralFixedSize <= archive.size(); ++i) {
        if (ReadLe(archive, at, 4) != kCentralSignature) break;
        layout.centralRecords.push_back(static_cast<std::uint32_t>(at));
        std::uint32_t local = ReadLe(archive, at + 42, 4);
        if (local + kLocalFixedSize <= archive.size() && ReadLe(archive, local, 4) == kLocalSignature)
            layout.localHeaders.push_back(local);
        at +=
            kCentralFixedSize + ReadLe(archive, at + 28, 2) + ReadLe(archive, at + 30, 2) + ReadLe(archive, at + 32, 2);
    }
    return layout;
}

std::vector<CentralRecordClaim> FindCentralRecordClaims(const std::string& archive)
{
    std::vector<CentralRecordClaim> claims;
    for (std::size_t at = 0; at + kCentralFixedSize <= archive.size(); ++at) {
        if (ReadLe(archive, at, 4) != kCentralSignature) continue;
        CentralRecordClaim claim;
        claim.crc = ReadLe(archive, at + 16, 4);
        claim.uncompressedSize = ReadLe(archive, at + 24, 4);
        std::size_t nameLength = ReadLe(archive, at + 28, 2);
        claim.name = archive.substr(at + kCentralFixedSize, nameLength);
        claims.push_back(std::move(claim));
    }
    return claims;
}

std::uint64_t IterationSeed(std::uint64_t runSeed, std::uint64_t iteration)
{
    Random random(runSeed ^ (iteration * 0xD1B54A32D192ED03ull));
    random.Next();
    return random.Next();
}

PackageMutator::PackageMutator(std::string base) : base_(std::move(base)), layout_(ReadZipLayout(base_)) {}

std::string PackageMutator::Mutate(std::uint64_t iterationSeed, std::string& log) const
{
    Random random(iterationSeed);
    std::string bytes = base_;
    log.clear();

    // Rewrites and flips use the base's offsets, so they come first; the
    // changes that move or cut bytes come last.
    std::size_t steps = 1 + random.Below(3);
    bool truncate = false;
    bool shift = false;
    for (std::size_t step = 0; step < steps; ++step) {
        std::size_t kind = random.Below(20);
        if (kind < 9)
            RewriteField(random, layout_, bytes, log);
        else if (kind < 13)
            FlipBytes(random, layout_, bytes, log);
        else if (kind < 16)
            RewriteName(random, layout_, bytes, log);
        else if (kind < 18)
            truncate = true;
        else
            shift = true;
    }
    if (shift) InsertOrDelete(random, bytes, log);
    if (truncate) Truncate(random, bytes, log);
    return bytes;
}

CompoundMutator::CompoundMutator(Streams streams) : streams_(std::move(streams)), file_(MakeCompoundFile(streams_)) {}

std::string CompoundMutator::Mutate(std::uint64_t iterationSeed, std::string& log) const
{
    Random random(iterationSeed);
    log.clear();
    if (random.OneIn(8)) {  // the storage itself
        std::string file = file_;
        for (std::size_t n = 1 + random.Below(4); n > 0; --n) {
            const std::size_t at = random.Below(file.size());
            const int width = random.OneIn(2) ? 4 : 2;
            const std::uint32_t value = InterestingValue(random, ReadLe(file, at, width), width, file.size());
            WriteLe(file, at, width, value);
            log += "file@" + Hex(at) + "=" + Hex(value) + "; ";
        }
        return file;
    }
    Streams streams = streams_;
    // Streams the pictures come from weigh more than the others.
    std::vector<std::size_t> picks;
    for (std::size_t i = 0; i < streams.size(); ++i) {
        const bool summary = !streams[i].first.empty() && streams[i].first[0] < L' ';
        for (int w = summary ? 1 : 6; w > 0; --w) picks.push_back(i);
    }
    auto& [name, bytes] = streams[picks[random.Below(picks.size())]];
    log += "stream " + std::string(name.begin(), name.end()) + ": ";
    // Where drawing records (type 0xF0xx) and workbook records start.
    std::vector<std::size_t> artHeaders;
    for (std::size_t at = 0; at + 8 <= bytes.size(); ++at) {
        if (static_cast<unsigned char>(bytes[at + 3]) == 0xF0 && static_cast<unsigned char>(bytes[at + 2]) <= 0x2A)
            artHeaders.push_back(at);
    }
    for (std::size_t n = 1 + random.Below(3); n > 0 && !bytes.empty(); --n) {
        switch (random.Below(6)) {
        case 0:
        case 1: {  // a drawing record's length, instance or type
            if (artHeaders.empty()) break;
            const std::size_t header = artHeaders[random.Below(artHeaders.size())];
            const std::size_t at = header + (random.OneIn(3) ? random.Below(4) : 4);
            const int width = at == header + 4 ? 4 : 2;
            const std::uint32_t value = InterestingValue(random, ReadLe(bytes, at, width), width, bytes.size());
            WriteLe(bytes, at, width, value);
            log += "record@" + Hex(header) + "+" + Hex(at - header) + "=" + Hex(value) + "; ";
            break;
        }
        case 2: {  // any field-sized value
            const std::size_t at = random.Below(bytes.size());
            const int width = random.OneIn(2) ? 4 : 2;
            const std::uint32_t value = InterestingValue(random, ReadLe(bytes, at, width), width, bytes.size());
            WriteLe(bytes, at, width, value);
            log += "value@" + Hex(at) + "=" + Hex(value) + "; ";
            break;
        }
        case 3: {
            const std::size_t at = random.Below(bytes.size());
            bytes[at] = static_cast<char>(bytes[at] ^ (1 << random.Below(8)));
            log += "flip@" + Hex(at) + "; ";
            break;
        }
        case 4: {
            const std::size_t at = random.Below(bytes.size());
            bytes.resize(at);
            log += "cut@" + Hex(at) + "; ";
            break;
        }
        default: {
            const std::size_t at = random.Below(bytes.size());
            const std::size_t count = 1 + random.Below(16);
            std::string inserted;
            for (std::size_t i = 0; i < count; ++i) inserted += static_cast<char>(random.Next());
            bytes.insert(at, inserted);
            log += "insert@" + Hex(at) + "x" + Hex(count) + "; ";
            break;
        }
        }
    }
    return MakeCompoundFile(streams);
}

}  // namespace dovrel::test
