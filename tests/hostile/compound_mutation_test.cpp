// The mutation run over old binary documents: real ones from LibreOffice
// and Spreadsheet::WriteExcel and built ones (a word-processing document
// with floating and inline pictures, metafiles of every kind), damaged at
// random from a fixed seed. Every copy goes through the picture writer and
// every tenth through the whole job (as deck.pptx: the kind comes from the
// content). Whatever the damage: no crash or hang, the document unchanged,
// nothing outside the scratch folder, only image1 ... imageN of known kinds
// and bounded size, and the next good document succeeds.
//
// Environment: DOVREL_MUTATION_REPLAY=<seed>:<iteration>, DOVREL_MUTATION_SEED,
// DOVREL_MUTATION_ITERATIONS, as for the zip run.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <regex>
#include <sstream>

#include "core/compound/binary_pictures.h"
#include "core/compound/office_art.h"
#include "tests/hostile/hostile_harness.h"
#include "tests/support/compound_file.h"
#include "tests/support/office_package.h"
#include "tests/support/package_mutator.h"
#include "tests/support/program_under_test.h"

namespace dovrel::test {
namespace {

constexpr std::uint64_t kRunSeed = 19970101;
constexpr std::uint64_t kIterations = 1200;
constexpr std::uint64_t kJobEvery = 10;

std::uint64_t Setting(const char* name, std::uint64_t fallback)
{
    char value[64];
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value ? std::strtoull(value, nullptr, 10) : fallback;
}

std::size_t Lines(const std::string& text)
{
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

// A 4 x 4, 24-bit bitmap with the old core header.
const std::string kCoreDib = std::string("\x0C\0\0\0\x04\0\x04\0\x01\0\x18\0", 12) + std::string(48, '\x7F');

std::vector<CompoundMutator> Bases()
{
    std::vector<CompoundMutator> bases;
    const std::string folder = BuildFolder() + "\\binary-documents\\";
    for (const char* file : {"deck.ppt", "letter.doc", "book.xls", "writeexcel.xls"}) {
        bases.emplace_back(ReadCompoundStreams(ReadFileBytes(folder + file)));
    }
    const std::string png = BitmapBlip(0xF01E, 0x6E0, Uid('p'), MediaBytes("p", 200));
    const std::string jpeg = BitmapBlip(0xF01D, 0x46A, Uid('j'), MediaBytes("j", 300));
    const std::string metafile = MediaBytes("m", 600) + std::string(600, '\0');
    bases.emplace_back(WordStreams({jpeg, MetafileBlip(0xF01B, 0x216, Uid('w'), metafile)},
                                   {png, MetafileBlip(0xF01A, 0x3D4, Uid('e'), metafile)}));
    bases.emplace_back(PresentationStreams(
        {MetafileBlip(0xF01C, 0x542, Uid('c'), metafile), png, BitmapBlip(0xF01F, 0x7A9, Uid('d'), kCoreDib)}));
    bases.emplace_back(
        WorkbookStreams(DrawingGroup({StoreEntry(Uid('p'), png),
                                      StoreEntry(Uid('e'), MetafileBlip(0xF01A, 0x3D4, Uid('e'), metafile))}),
                        120));
    return bases;
}

struct Tally {
    int pictures = 0, none = 0, failed = 0;
};

class CompoundMutationRun : public testing::Test {
protected:
    // The picture writer alone, in a sandbox: root\doc.ppt and root\scratch.
    void CheckThroughWriter(const std::string& bytes, const std::string& label)
    {
        TempFolder root;
        const std::string document = root / "doc.ppt";
        const std::string scratch = root / "scratch";
        WriteFileBytes(document, bytes);
        CreateDirectoryA(scratch.c_str(), nullptr);
        BinaryPicturesResult result;
        {
            CaseGuard guard(label, 60);
            result = WriteBinaryDocumentPictures(DocumentFile::Open(document), Text("\\ppt\\media"), scratch);
        }
        EXPECT_TRUE(ReadFileBytes(document) == bytes) << "the document changed";
        EXPECT_EQ(ListTree(root.path()).find("scratch\\"), std::string("doc.ppt\n").size())
            << "something beside the scratch folder: " << ListTree(root.path());
        if (!result.ok) {
            ++tally_.failed;
            return;
        }
        if (!result.packageFolder) {
            ++tally_.none;
            EXPECT_EQ(ListTree(scratch), "");
            return;
        }
        ++tally_.pictures;
        ASSERT_EQ(*result.packageFolder, "\\ppt\\media");
        const std::vector<std::string> files = FolderEntries(scratch + "\\ppt\\media");
        const std::regex name("image([0-9]+)\\.(png|jpeg|emf|wmf|pict|bmp|tiff)");
        std::vector<bool> numbers(files.size() + 1);
        for (const std::string& file : files) {
            std::smatch match;
            ASSERT_TRUE(std::regex_match(file, match, name)) << file;
            const std::size_t number = std::stoul(match[1]);
            ASSERT_TRUE(number >= 1 && number <= files.size() && !numbers[number]) << "not numbered 1 to N: " << file;
            numbers[number] = true;
            EXPECT_LE(ReadFileBytes(scratch + "\\ppt\\media\\" + file).size(), bytes.size() + kMetafileLimit + 512);
        }
        EXPECT_EQ(ListTree(scratch).rfind("ppt\\\nppt\\media\\\n", 0), 0u);
        EXPECT_EQ(Lines(ListTree(scratch)), files.size() + 2) << ListTree(scratch);
    }

    bool RunIteration(const std::vector<CompoundMutator>& bases, std::uint64_t seed, std::uint64_t iteration)
    {
        std::string damage;
        const std::string bytes = bases[iteration % bases.size()].Mutate(IterationSeed(seed, iteration), damage);
        std::ostringstream label;
        label << "compound mutation seed " << seed << " iteration " << iteration << " (base "
              << iteration % bases.size() << ", replay with DOVREL_MUTATION_REPLAY=" << seed << ":" << iteration
              << "): " << damage;
        SCOPED_TRACE(label.str());
        CheckThroughWriter(bytes, label.str());
        if (iteration % kJobEvery == 0) {
            job_.Run(bytes, {}, label.str());
            job_.ExpectNextGoodRunSucceeds();
            job_.Clear();
        }
        if (HasFailure()) {
            std::fprintf(stderr, "FAILED at %s\n", label.str().c_str());
            return false;
        }
        return true;
    }

    JobSandbox job_;
    Tally tally_;
};

TEST_F(CompoundMutationRun, DamagedCopiesOfOldBinaryDocuments)
{
    const std::vector<CompoundMutator> bases = Bases();
    char replay[64];
    const DWORD length = GetEnvironmentVariableA("DOVREL_MUTATION_REPLAY", replay, sizeof replay);
    if (length > 0 && length < sizeof replay) {
        char* colon = nullptr;
        const std::uint64_t seed = std::strtoull(replay, &colon, 10);
        ASSERT_EQ(*colon, ':') << "DOVREL_MUTATION_REPLAY=<seed>:<iteration>";
        RunIteration(bases, seed, std::strtoull(colon + 1, nullptr, 10));
        return;
    }
    const std::uint64_t seed = Setting("DOVREL_MUTATION_SEED", kRunSeed);
    const std::uint64_t iterations = Setting("DOVREL_MUTATION_ITERATIONS", kIterations);
    for (std::uint64_t iteration = 0; iteration < iterations; ++iteration) {
        if (!RunIteration(bases, seed, iteration)) break;
    }
    std::printf("compound mutation run, seed %llu: %llu copies; pictures written %d, none %d, failed %d\n",
                static_cast<unsigned long long>(seed), static_cast<unsigned long long>(iterations), tally_.pictures,
                tally_.none, tally_.failed);
    EXPECT_GT(tally_.pictures, 0);
    EXPECT_GT(tally_.failed, 0);
}

// ---- Damage in the pictures themselves: the run fails aloud -------------------

struct OldDocumentCase {
    const char* name;
    std::function<std::string()> make;
    JobOutcome outcome;
};
void PrintTo(const OldDocumentCase& c, std::ostream* out) { *out << c.name; }

const std::string kGoodPng = BitmapBlip(0xF01E, 0x6E0, Uid('g'), MediaBytes("g", 400));
const std::string kMetafile = MediaBytes("m", 600) + std::string(600, '\0');

std::string PresentationWith(const std::string& blip)
{
    return MakeCompoundFile(PresentationStreams({kGoodPng, blip}));
}

const OldDocumentCase kOldDocumentCases[] = {
    {"BadDeflateInAMetafile",
     [] {
         std::string blip = MetafileBlip(0xF01A, 0x3D4, Uid('e'), kMetafile);
         blip.at(8 + 16 + 34) = '\xFF';
         return PresentationWith(blip);
     },
     JobOutcome::Failure},
    {"PictureRecordPastItsStream", [] { return PresentationWith(kGoodPng.substr(0, 60)); }, JobOutcome::Failure},
    {"PictureOfAnUnknownInstance",
     [] { return PresentationWith(BitmapBlip(0xF01E, 0x123, Uid('u'), MediaBytes("u", 300))); }, JobOutcome::Failure},
    {"StoreEntryCutShort",
     [] {
         return MakeCompoundFile(WorkbookStreams(
             DrawingGroup({StoreEntry(Uid('g'), kGoodPng), StoreEntry(Uid('c'), kGoodPng.substr(0, 90))})));
     },
     JobOutcome::Failure},
    {"GoodPicturesOnly", [] { return MakeCompoundFile(PresentationStreams({kGoodPng})); }, JobOutcome::Success},
};

class DamagedOldDocument : public testing::TestWithParam<OldDocumentCase> {};

TEST_P(DamagedOldDocument, ThroughTheJob)
{
    JobSandbox box;
    EXPECT_EQ(box.Run(GetParam().make(), {}, std::string("old document, ") + GetParam().name), GetParam().outcome);
    box.ExpectNextGoodRunSucceeds();
}

INSTANTIATE_TEST_SUITE_P(Hostile, DamagedOldDocument, testing::ValuesIn(kOldDocumentCases),
                         [](const testing::TestParamInfo<OldDocumentCase>& info) { return info.param.name; });

}  // namespace
}  // namespace dovrel::test
