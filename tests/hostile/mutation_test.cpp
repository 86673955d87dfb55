// The mutation run: a package shaped like a real presentation, damaged at
// random (byte flips, truncations, insertions, rewrites of sizes, offsets,
// name lengths, counts and names) from a fixed seed, every copy through
// ZipExtractor and every tenth through the whole job, each checked against
// the invariants of the hostile cases. Data counts as extracted only if
// some central record in the damaged bytes claims exactly that name, size
// and CRC-32.
//
// Environment, to replay or widen a run:
//   DOVREL_MUTATION_REPLAY=<seed>:<iteration>  that one copy alone, through both
//   DOVREL_MUTATION_SEED=<seed>                another run seed
//   DOVREL_MUTATION_ITERATIONS=<count>         another length

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <stdexcept>

#include "tests/hostile/hostile_harness.h"
#include "tests/support/package_mutator.h"

namespace dovrel::test {
namespace {

constexpr std::uint64_t kRunSeed = 20210514;
constexpr std::uint64_t kIterations = 2000;
constexpr std::uint64_t kJobEvery = 10;

std::string Environment(const char* name)
{
    char value[256];
    DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// What the damaged bytes' central records claim, in the form the target's
// tree shows: "\"-separated, lower case (Windows names ignore case).
struct Claims {
    explicit Claims(const std::string& archive) : records(FindCentralRecordClaims(archive))
    {
        for (const auto& record : records) {
            names.push_back(record.name);
            paths.push_back(Lower(BackslashName(record.name)));
        }
    }

    // A file whose name, size and CRC-32 some record claims.
    bool Backs(const std::string& path, const std::string& bytes) const
    {
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (paths[i] == Lower(path) && records[i].uncompressedSize == bytes.size() &&
                records[i].crc == Crc32(bytes))
                return true;
        }
        return false;
    }
    // A folder that some record's name is or holds.
    bool BacksFolder(const std::string& folder) const
    {
        const std::string prefix = Lower(folder) + "\\";
        for (const auto& path : paths)
            if (path.compare(0, prefix.size(), prefix) == 0 || path == Lower(folder)) return true;
        return false;
    }

    std::vector<CentralRecordClaim> records;
    std::vector<std::string> names;
    std::vector<std::string> paths;
};

// Every file and folder under root (relative to `under`) is backed by a claim.
void ExpectBackedTree(const std::string& root, const std::string& under, const Claims& claims,
                      const std::string& skip = {})
{
    for (const std::string& line : Lines(ListTree(root))) {
        if (line == skip) continue;
        if (line.back() == '\\') {
            EXPECT_TRUE(claims.BacksFolder(under + line.substr(0, line.size() - 1))) << "unclaimed folder " << line;
        } else {
            EXPECT_TRUE(claims.Backs(under + line, ReadFileBytes(root + "\\" + line)))
                << "extracted data that no record claims: " << line;
        }
    }
}

struct Tally {
    int extracted = 0;
    int failed = 0;
    int jobSuccess = 0;
    int jobFailure = 0;
    int jobSilent = 0;
};

class MutationRun : public testing::Test {
protected:
    void CheckThroughExtractor(const std::string& bytes, const Claims& claims, const std::string& label)
    {
        const std::int32_t result = extractor_.Run(bytes, claims.names, label);
        EXPECT_TRUE(result == 0 || result == 1) << "ZipExtractor answered " << result;
        if (result == 1) {
            ++tally_.extracted;
            ExpectBackedTree(extractor_.Target(), "", claims, "temp.zip");
        } else {
            ++tally_.failed;
        }
        extractor_.Clear();
    }

    void CheckThroughJob(const std::string& bytes, const Claims& claims, const std::string& label)
    {
        switch (job_.Run(bytes, claims.names, label)) {
        case JobOutcome::Success: {
            ++tally_.jobSuccess;
            const std::vector<std::string> results = job_.ResultFolders();
            ASSERT_EQ(results.size(), 1u);
            ExpectBackedTree(job_.OutputRoot() + "\\" + results[0], "ppt\\media\\", claims);
            break;
        }
        case JobOutcome::Failure: ++tally_.jobFailure; break;
        case JobOutcome::Silent: ++tally_.jobSilent; break;
        }
        job_.ExpectNextGoodRunSucceeds();
        job_.Clear();
    }

    // One damaged copy; false once something failed.
    bool RunIteration(const PackageMutator& mutator, std::uint64_t seed, std::uint64_t iteration, bool throughJob)
    {
        std::string damage;
        const std::string bytes = mutator.Mutate(IterationSeed(seed, iteration), damage);
        std::ostringstream label;
        label << "mutation seed " << seed << " iteration " << iteration
              << " (replay with DOVREL_MUTATION_REPLAY=" << seed << ":" << iteration << "): " << damage;
        SCOPED_TRACE(label.str());
        if (replaying_) std::printf("%s\n", label.str().c_str());
        try {
            const Claims claims(bytes);
            CheckThroughExtractor(bytes, claims, label.str());
            if (throughJob) CheckThroughJob(bytes, claims, label.str());
        } catch (const std::exception& error) {
            ADD_FAILURE() << "exception: " << error.what();
        }
        if (HasFailure()) {
            std::fprintf(stderr, "FAILED at %s\n", label.str().c_str());
            return false;
        }
        return true;
    }

    bool replaying_ = false;
    ExtractorSandbox extractor_;
    JobSandbox job_;
    Tally tally_;
};

TEST_F(MutationRun, DamagedCopiesOfARealShapedPackage)
{
    const PackageMutator mutator(RealShapedPresentation());

    const std::string replay = Environment("DOVREL_MUTATION_REPLAY");
    if (!replay.empty()) {
        std::size_t colon = replay.find(':');
        ASSERT_NE(colon, std::string::npos) << "DOVREL_MUTATION_REPLAY=<seed>:<iteration>";
        replaying_ = true;
        RunIteration(mutator, std::strtoull(replay.c_str(), nullptr, 10),
                     std::strtoull(replay.c_str() + colon + 1, nullptr, 10), true);
        return;
    }

    const std::string seedText = Environment("DOVREL_MUTATION_SEED");
    const std::string iterationsText = Environment("DOVREL_MUTATION_ITERATIONS");
    const std::uint64_t seed = seedText.empty() ? kRunSeed : std::strtoull(seedText.c_str(), nullptr, 10);
    const std::uint64_t iterations =
        iterationsText.empty() ? kIterations : std::strtoull(iterationsText.c_str(), nullptr, 10);

    for (std::uint64_t iteration = 0; iteration < iterations; ++iteration) {
        if (!RunIteration(mutator, seed, iteration, iteration % kJobEvery == 0)) break;
    }
    // Shows that the damage reaches both outcomes, not only one.
    std::printf("mutation run, seed %llu: %llu copies, ZipExtractor 1: %d, 0: %d; "
                "job success %d, failure %d, silent %d\n",
                static_cast<unsigned long long>(seed), static_cast<unsigned long long>(iterations), tally_.extracted,
                tally_.failed, tally_.jobSuccess, tally_.jobFailure, tally_.jobSilent);
    EXPECT_GT(tally_.extracted, 0);
    EXPECT_GT(tally_.failed, 0);
}

}  // namespace
}  // namespace dovrel::test
