// Pictures from old binary documents: the BLIP records turned into files,
// and the whole job on documents built here and on ones from real writers.

#include <gtest/gtest.h>
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <functional>

#include "core/job/extraction_job.h"
#include "core/compound/office_art.h"
#include "core/base/unique_handle.h"
#include "core/job/work_paths.h"
#include "tests/support/compound_file.h"
#include "tests/support/fake_volume.h"
#include "tests/support/metafiles.h"
#include "tests/support/office_package.h"
#include "tests/support/program_under_test.h"
#include "tests/support/recording_progress.h"
#include "tests/support/recording_user_seam.h"
#include "tests/support/temp_folder.h"
#include "tests/support/scoped_override.h"

namespace dovrel::test {
namespace {

constexpr std::uint16_t kEmf = 0xF01A, kWmf = 0xF01B, kPict = 0xF01C, kJpeg = 0xF01D, kPng = 0xF01E, kDib = 0xF01F,
                        kTiff = 0xF029, kJpegCmyk = 0xF02A;

std::string Png(char seed) { return BitmapBlip(kPng, 0x6E0, Uid(seed), MediaBytes(std::string(1, seed), 300)); }
std::string Jpeg(char seed) { return BitmapBlip(kJpeg, 0x46A, Uid(seed), MediaBytes(std::string(1, seed), 500)); }
const std::string kEmfBytes = " EMF" + MediaBytes("emf", 2000) + std::string(3000, '\x11');

std::uint32_t Le(const std::string& b, std::size_t at, int width)
{
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) value = value << 8 | static_cast<unsigned char>(b.at(at + i));
    return value;
}
std::string With(std::string bytes, std::size_t at, char value)
{
    bytes.at(at) = value;
    return bytes;
}

// ---- One BLIP into one file --------------------------------------------------

struct BlipCase {
    const char* name;
    std::string blip;
    const char* extension;  // nullptr: nothing comes out
    std::string bytes;
};
void PrintTo(const BlipCase& c, std::ostream* out) { *out << c.name; }

class BlipTest : public testing::TestWithParam<BlipCase> {};

TEST_P(BlipTest, GivesTheFileOrNothing)
{
    const std::optional<Picture> picture = PictureFromBlip(GetParam().blip);
    if (!GetParam().extension) {
        EXPECT_FALSE(picture);
        return;
    }
    ASSERT_TRUE(picture);
    EXPECT_STREQ(picture->extension, GetParam().extension);
    EXPECT_EQ(picture->bytes, GetParam().bytes);
    EXPECT_EQ(picture->uid, Uid('u'));
}

const std::string kData = MediaBytes("data", 700);
const std::string kPictBytes = MediaBytes("pict", 900);
const std::string kEmfBlip = MetafileBlip(kEmf, 0x3D4, Uid('u'), kEmfBytes);

INSTANTIATE_TEST_SUITE_P(
    Kinds, BlipTest,
    testing::Values(
        BlipCase{"png", BitmapBlip(kPng, 0x6E0, Uid('u'), kData), "png", kData},
        BlipCase{"png_two_ids", BitmapBlip(kPng, 0x6E1, Uid('u'), kData), "png", kData},
        BlipCase{"jpeg", BitmapBlip(kJpeg, 0x46B, Uid('u'), kData), "jpeg", kData},
        BlipCase{"jpeg_cmyk", BitmapBlip(kJpeg, 0x6E2, Uid('u'), kData), "jpeg", kData},
        BlipCase{"jpeg_cmyk_record", BitmapBlip(kJpegCmyk, 0x6E3, Uid('u'), kData), "jpeg", kData},
        BlipCase{"tiff", BitmapBlip(kTiff, 0x6E4, Uid('u'), kData), "tiff", kData},
        BlipCase{"emf_deflated", kEmfBlip, "emf", kEmfBytes},
        BlipCase{"emf_stored", MetafileBlip(kEmf, 0x3D5, Uid('u'), kEmfBytes, {.deflate = false}), "emf", kEmfBytes},
        BlipCase{"pict_gets_its_512_byte_header", MetafileBlip(kPict, 0x542, Uid('u'), kPictBytes), "pict",
                 std::string(512, '\0') + kPictBytes},
        BlipCase{"wmf_that_has_its_placeable_header", MetafileBlip(kWmf, 0x216, Uid('u'), "\xD7\xCD\xC6\x9A" + kData),
                 "wmf", "\xD7\xCD\xC6\x9A" + kData},
        // never past the stated size, however much the data inflates to
        BlipCase{"metafile_larger_than_stated", MetafileBlip(kEmf, 0x3D4, Uid('u'), kEmfBytes, {.statedSize = 100}),
                 "emf", kEmfBytes.substr(0, 100)},
        BlipCase{"metafile_stated_past_256_mb",
                 MetafileBlip(kEmf, 0x3D4, Uid('u'), kEmfBytes, {.statedSize = (256 << 20) + 1}), nullptr, ""},
        BlipCase{"metafile_damaged_deflate", With(kEmfBlip, 8 + 16 + 34, '\xFF'), nullptr, ""},
        BlipCase{"metafile_deflate_cut_short", MetafileBlip(kEmf, 0x3D4, Uid('u'), kEmfBytes).substr(0, 8 + 50 + 20),
                 nullptr, ""},
        BlipCase{"metafile_saved_size_past_the_record",
                 With(MetafileBlip(kEmf, 0x3D4, Uid('u'), kEmfBytes, {.deflate = false}), 8 + 16 + 31, '\x7F'), nullptr,
                 ""},
        BlipCase{"unknown_instance", BitmapBlip(kPng, 0x123, Uid('u'), kData), nullptr, ""},
        BlipCase{"unknown_type", BitmapBlip(0xF020, 0x6E0, Uid('u'), kData), nullptr, ""},
        BlipCase{"ids_only", ArtRecord(0, 0x6E0, kPng, Uid('u') + '\xFF'), nullptr, ""},
        BlipCase{"length_past_the_end", BitmapBlip(kPng, 0x6E0, Uid('u'), kData).substr(0, 100), nullptr, ""},
        BlipCase{"dib_header_larger_than_data",
                 BitmapBlip(kDib, 0x7A8, Uid('u'), "\xFF\x00\x00\x00" + kData.substr(0, 60)), nullptr, ""}),
    [](const testing::TestParamInfo<BlipCase>& info) { return std::string(info.param.name); });

TEST(BlipFiles, AWindowsMetafileGetsItsPlaceableHeaderFromTheBounds)
{
    const std::string metafile = "\x01\x00\x09\x00" + kData;
    const std::optional<Picture> picture = PictureFromBlip(
        MetafileBlip(kWmf, 0x216, Uid('u'), metafile, {.bounds = {-10, 20, 1990, 1520}, .widthEmu = 2 * 914400}));
    ASSERT_TRUE(picture);
    const std::string& b = picture->bytes;
    ASSERT_EQ(b.size(), 22 + metafile.size());
    EXPECT_EQ(Le(b, 0, 4), 0x9AC6CDD7u);
    EXPECT_EQ(static_cast<std::int16_t>(Le(b, 6, 2)), -10);
    EXPECT_EQ(Le(b, 8, 2), 20u);
    EXPECT_EQ(Le(b, 10, 2), 1990u);
    EXPECT_EQ(Le(b, 12, 2), 1520u);
    EXPECT_EQ(Le(b, 14, 2), 1000u);  // 2000 units over two inches
    std::uint32_t checksum = 0;
    for (std::size_t at = 0; at < 20; at += 2) checksum ^= Le(b, at, 2);
    EXPECT_EQ(Le(b, 20, 2), checksum);
    EXPECT_EQ(b.substr(22), metafile);
}

TEST(BlipFiles, ADibBecomesABmpWhoseBitsFollowThePalette)
{
    std::string dib(40, '\0');
    dib[0] = 40;
    dib[14] = 8;  // bits per pixel: 256 palette entries
    dib += std::string(1024, '\x22') + std::string(64, '\x33');
    const std::optional<Picture> picture = PictureFromBlip(BitmapBlip(kDib, 0x7A8, Uid('u'), dib));
    ASSERT_TRUE(picture);
    EXPECT_STREQ(picture->extension, "bmp");
    EXPECT_EQ(picture->bytes.substr(0, 2), "BM");
    EXPECT_EQ(Le(picture->bytes, 2, 4), 14 + dib.size());
    EXPECT_EQ(Le(picture->bytes, 10, 4), 14u + 40 + 1024);
    EXPECT_EQ(picture->bytes.substr(14), dib);
}

// ---- The job on old binary documents -------------------------------------------

class BinaryDocumentJob : public testing::Test {
protected:
    void SetUp() override { SetUpWorkPaths(); }
    void TearDown() override { ReleaseWorkPaths(); }

    // Runs the job on the bytes as `fileName`; answers the result folder's
    // tree ("" if none).
    std::string Extract(const std::string& fileName, const std::string& bytes)
    {
        const std::string path = userFiles / fileName;
        WriteFileBytes(path, bytes);
        SetSelectedDocuments({path});
        RunExtraction();
        EXPECT_EQ(ReadFileBytes(path), bytes);
        const std::vector<std::string> results = FolderEntries(CurrentWorkPaths().outputRoot, "TMP");
        if (results.empty()) return "";
        EXPECT_EQ(results.size(), 1u);
        EXPECT_FALSE(Exists(CurrentWorkPaths().scratchFolder));
        resultFolder = CurrentWorkPaths().outputRoot + "\\" + results[0];
        return ListTree(resultFolder);
    }
    std::string Result(const std::string& name) const { return ReadFileBytes(resultFolder + "\\" + name); }

    TempFolder documentsFolder;
    TempFolder userFiles;
    RecordingUserSeam user{documentsFolder.path() + "\\"};
    test::ScopedOverride<UserSeam*> seam{InstallUserSeam, &user};
    std::string resultFolder;
};

const std::vector<std::string> kSuccess = {"message:提示:提取成功！"};
const std::vector<std::string> kFailure = {"message:提示:提取失败！"};

struct DocumentCase {
    const char* name;
    const char* fileName;
    std::function<std::string()> make;
    std::vector<std::string> messages;  // without the shell's open
    const char* tree;
    std::vector<std::pair<const char*, std::string>> files;  // result file -> bytes
};
void PrintTo(const DocumentCase& c, std::ostream* out) { *out << c.name; }

class BinaryDocumentCaseTest : public BinaryDocumentJob, public testing::WithParamInterface<DocumentCase> {};

TEST_P(BinaryDocumentCaseTest, WritesEachDistinctPictureOnce)
{
    const DocumentCase& c = GetParam();
    EXPECT_EQ(Extract(c.fileName, c.make()), c.tree);
    std::vector<std::string> messages;
    for (const auto& event : user.events)
        if (event.rfind("message:", 0) == 0) messages.push_back(event);
    EXPECT_EQ(messages, c.messages);
    for (const auto& [name, bytes] : c.files) EXPECT_EQ(Result(name), bytes) << name;
}

// A compound file whose directory tree (the root's child is the root) or
// sector chain (the directory's sector follows itself) loops: some
// platforms' readers would follow it for ever.
std::string Looping(bool directory)
{
    std::string file = MakeCompoundFile(PresentationStreams({Png('a')}));
    const std::uint32_t directoryStart = Le(file, 48, 4), fatSector = Le(file, 76, 4);
    const std::size_t at = directory ? (directoryStart + 1) * 512 + 76 : (fatSector + 1) * 512 + 4 * directoryStart;
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<char>(directory ? 0 : directoryStart >> (8 * i));
    return file;
}

// The streams WPS Office adds to a document: its own data, and its build
// in the summary's custom properties.
Streams Wps(Streams streams)
{
    streams.emplace_back(L"WpsCustomData", std::string("\x01\x00\x00\x00", 4));
    streams.emplace_back(L"\x05"
                         L"DocumentSummaryInformation",
                         std::string("\xFE\xFF\x00\x00KSOProductBuildVer 2052-11.1.0.10132", 38));
    return streams;
}

std::string BlipData(const std::string& blip) { return blip.substr(8 + 17); }

// A good picture, then the damaged one.
std::string DamagedPresentation(const std::string& blip)
{
    return MakeCompoundFile(PresentationStreams({Png('a'), blip}));
}

// A document whose floating picture's store entry names `delay` as where
// in WordDocument its BLIP lies.
std::string WordWithDelayAt(std::uint32_t delay)
{
    Streams streams = WordStreams({Jpeg('f')}, {Png('i')});
    for (auto& [name, bytes] : streams) {
        if (name != L"1Table") continue;
        const std::size_t entry = bytes.find("\x07\xF0");
        for (int i = 0; i < 4; ++i) bytes.at(entry + 2 + 4 + 28 + i) = static_cast<char>(delay >> (8 * i));
    }
    return MakeCompoundFile(streams);
}

INSTANTIATE_TEST_SUITE_P(
    Built, BinaryDocumentCaseTest,
    testing::Values(
        DocumentCase{"presentation",
                     "deck.ppt",
                     [] {
                         return MakeCompoundFile(PresentationStreams({Png('a'), Jpeg('b'), kEmfBlip}));
                     },
                     kSuccess,
                     "image1.png\nimage2.jpeg\nimage3.emf\n",  // the metafile is none GDI can play
                     {{"image1.png", BlipData(Png('a'))}, {"image3.emf", kEmfBytes}}},
        DocumentCase{"one_id_one_picture",
                     "deck.ppt",
                     [] {
                         return MakeCompoundFile(PresentationStreams({Png('a'), Jpeg('b'), Png('a'), Jpeg('c')}));
                     },
                     kSuccess,
                     "image1.png\nimage2.jpeg\nimage3.jpeg\n",
                     {{"image3.jpeg", BlipData(Jpeg('c'))}}},
        DocumentCase{
            "records_that_are_no_pictures_skipped",
            "deck.ppt",
            [] {
                return MakeCompoundFile(PresentationStreams({Jpeg('b'), ArtRecord(0, 0, 0xF00B, "skip me"), Png('c')}));
            },
            kSuccess,
            "image1.jpeg\nimage2.png\n",
            {{"image2.png", BlipData(Png('c'))}}},
        // A damaged picture fails the run, whatever the others.
        DocumentCase{"damaged_deflate_fails",
                     "deck.ppt",
                     [] { return DamagedPresentation(With(kEmfBlip, 8 + 16 + 34, '\xFF')); },
                     kFailure,
                     "",
                     {}},
        DocumentCase{
            "metafile_of_no_size_fails",
            "deck.ppt",
            [] { return DamagedPresentation(MetafileBlip(kEmf, 0x3D4, Uid('e'), kEmfBytes, {.statedSize = 0})); },
            kFailure,
            "",
            {}},
        DocumentCase{"unknown_instance_fails",
                     "deck.ppt",
                     [] { return DamagedPresentation(BitmapBlip(kPng, 0x123, Uid('x'), kData)); },
                     kFailure,
                     "",
                     {}},
        DocumentCase{"unknown_picture_type_fails",
                     "deck.ppt",
                     [] { return DamagedPresentation(With(Png('x'), 2, '\x20')); },
                     kFailure,
                     "",
                     {}},
        DocumentCase{"record_past_the_stream_fails",
                     "deck.ppt",
                     [] { return DamagedPresentation(Jpeg('d').substr(0, 40)); },
                     kFailure,
                     "",
                     {}},
        DocumentCase{"header_cut_short_fails",
                     "deck.ppt",
                     [] { return DamagedPresentation(Jpeg('d').substr(0, 5)); },
                     kFailure,
                     "",
                     {}},
        DocumentCase{"workbook_entry_cut_short_fails",
                     "book.xls",
                     [] {
                         return MakeCompoundFile(WorkbookStreams(DrawingGroup(
                             {StoreEntry(Uid('a'), Png('a')), StoreEntry(Uid('b'), Jpeg('b').substr(0, 100))})));
                     },
                     kFailure,
                     "",
                     {}},
        DocumentCase{"word_picture_past_its_stream_fails",
                     "letter.doc",
                     [] { return WordWithDelayAt(0x7FFFFF00); },
                     kFailure,
                     "",
                     {}},
        DocumentCase{"workbook_across_continue_records",
                     "book.xls",
                     [] {
                         return MakeCompoundFile(WorkbookStreams(
                             DrawingGroup({StoreEntry(Uid('a'), Png('a')), StoreEntry(Uid('b'), Jpeg('b'))}), 100));
                     },
                     kSuccess,
                     "image1.png\nimage2.jpeg\n",
                     {{"image2.jpeg", BlipData(Jpeg('b'))}}},
        DocumentCase{"word_floating_then_inline",
                     "letter.doc",
                     [] {
                         return MakeCompoundFile(WordStreams({Jpeg('f'), Png('s')}, {Png('i'), Png('s')}));
                     },
                     kSuccess,
                     "image1.jpeg\nimage2.png\nimage3.png\n",
                     {{"image1.jpeg", BlipData(Jpeg('f'))}, {"image3.png", BlipData(Png('i'))}}},
        // The kind comes from the streams; an extension of no known kind
        // takes the folder of the kind found.
        DocumentCase{"workbook_named_otherwise",
                     "report.dat",
                     [] { return MakeCompoundFile(WorkbookStreams(DrawingGroup({StoreEntry(Uid('a'), Png('a'))}))); },
                     kSuccess,
                     "image1.png\n",
                     {}},
        DocumentCase{
            "no_pictures_silent", "deck.ppt", [] { return MakeCompoundFile(PresentationStreams({})); }, {}, "", {}},
        // Another program's compound file (Microsoft Works' .wps) is no document.
        DocumentCase{"foreign_compound_file_fails",
                     "thing.wps",
                     [] {
                         return MakeCompoundFile({{L"CONTENTS", "CHNKWKS"}, {L"MatOST", ""}});
                     },
                     kFailure,
                     "",
                     {}},
        // WPS Office's own files: the layouts of Office 97-2003, with
        // streams of its own beside them, and documents saved fast.
        DocumentCase{"wps_presentation",
                     "deck.dps",
                     [] {
                         return MakeCompoundFile(Wps(PresentationStreams({Png('a'), Jpeg('b')})));
                     },
                     kSuccess,
                     "image1.png\nimage2.jpeg\n",
                     {{"image2.jpeg", BlipData(Jpeg('b'))}}},
        DocumentCase{"wps_writer_document_saved_fast",
                     "letter.wps",
                     [] {
                         Streams streams = Wps(WordStreams({Jpeg('f')}, {Png('i')}));
                         for (auto& [name, bytes] : streams)
                             if (name == L"WordDocument") bytes[0x0A] |= 0x04;  // fComplex
                         return MakeCompoundFile(streams);
                     },
                     kSuccess,
                     "image1.jpeg\nimage2.png\n",
                     {{"image2.png", BlipData(Png('i'))}}},
        DocumentCase{
            "wps_spreadsheet_template",
            "form.ett",
            [] { return MakeCompoundFile(Wps(WorkbookStreams(DrawingGroup({StoreEntry(Uid('a'), Png('a'))})))); },
            kSuccess,
            "image1.png\n",
            {{"image1.png", BlipData(Png('a'))}}},
        DocumentCase{"storage_that_cannot_be_opened", "old.ppt", [] { return CompoundFileBytes(); }, kFailure, "", {}},
        // Encrypted: a password-protected package, a document with its flag set.
        DocumentCase{"encrypted_package",
                     "deck.pptx",
                     [] {
                         return MakeCompoundFile({{L"EncryptionInfo", "info"}, {L"EncryptedPackage", "data"}});
                     },
                     kFailure,
                     "",
                     {}},
        DocumentCase{"encrypted_word_document",
                     "letter.doc",
                     [] {
                         Streams streams = WordStreams({Jpeg('f')}, {});
                         for (auto& [name, bytes] : streams)
                             if (name == L"WordDocument") bytes[0x0B] |= 0x01;
                         return MakeCompoundFile(streams);
                     },
                     kFailure,
                     "",
                     {}},
        DocumentCase{"directory_that_loops", "old.ppt", [] { return Looping(true); }, kFailure, "", {}},
        DocumentCase{"sector_chain_that_loops", "old.ppt", [] { return Looping(false); }, kFailure, "", {}}),
    [](const testing::TestParamInfo<DocumentCase>& info) { return std::string(info.param.name); });

// The process's peak of committed memory so far.
std::uint64_t PeakCommit()
{
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.PeakPagefileUsage;
}

TEST_F(BinaryDocumentJob, ASparseGigabyteFileWhoseHeaderClaimsAHugeTableFailsInBoundedMemory)
{
    // As many FAT sectors as the file has sectors, listed in a DIFAT chain
    // of sector 0 again and again: read whole, a gigabyte of table.
    std::string header(512, '\0');
    header.replace(0, 8, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    auto put = [&header](std::size_t at, std::uint32_t value) {
        for (int i = 0; i < 4; ++i) header[at + i] = static_cast<char>(value >> (8 * i));
    };
    put(24, 0x0003003E);
    put(28, 0x0006FFFE);
    header[30] = 9;
    put(44, (1u << 21) - 1);
    put(60, 0xFFFFFFFE);
    put(72, 16600);
    const std::string path = userFiles / "huge.ppt";
    WriteFileBytes(path, header);
    {
        UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
        LARGE_INTEGER end;
        end.QuadPart = 1ll << 30;
        ASSERT_TRUE(file && SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && SetEndOfFile(file.get()));
    }
    const std::uint64_t peakBefore = PeakCommit();
    SetSelectedDocuments({path});
    RunExtraction();
    EXPECT_EQ(user.events, kFailure);
    EXPECT_LT(PeakCommit() - peakBefore, 64u << 20);
}

using StopAfter = test::RecordingProgress;

// A document another program holds open for writing is read where it is (no
// copy): told as it goes, stopped when asked, and written only when it fits.
TEST_F(BinaryDocumentJob, ADocumentAnotherProgramHoldsOpenIsReadWhereItIsAndReportsStopsAndFits)
{
    const std::string path = userFiles / "held.ppt";
    WriteFileBytes(path, MakeCompoundFile(PresentationStreams(
                             {BitmapBlip(kPng, 0x6E0, Uid('a'), MediaBytes("a", 3 << 20)), Png('b')})));
    UniqueFile holder(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr));
    ASSERT_TRUE(holder);
    SetSelectedDocuments({path});
    RunExtraction();
    EXPECT_EQ(user.events.at(0), kSuccess[0]);
    EXPECT_EQ(FolderEntries(CurrentWorkPaths().outputRoot).size(), 1u);

    StopAfter whole(1000);
    EXPECT_EQ(ExtractDocument(CurrentWorkPaths(), path, &whole), DocumentOutcome::Extracted);
    EXPECT_TRUE(std::is_sorted(whole.percents.begin(), whole.percents.end()));
    EXPECT_GE(std::count_if(whole.percents.begin(), whole.percents.end(), [](int p) { return p < 30; }), 3)
        << "the reading went quiet";

    StopAfter stopping(2);
    EXPECT_EQ(ExtractDocument(CurrentWorkPaths(), path, &stopping), DocumentOutcome::Stopped);
    EXPECT_EQ(stopping.percents.size(), 2u);
    EXPECT_FALSE(Exists(CurrentWorkPaths().scratchFolder));

    FakeVolume small(1 << 20);
    ScopedVolume seam(small);
    user.events.clear();
    RunExtraction();
    EXPECT_EQ(user.events, kFailure);
    EXPECT_EQ(small.written, 0u) << "pictures larger than the free space were begun";
    EXPECT_EQ(FolderEntries(CurrentWorkPaths().outputRoot, "TMP").size(), 2u);
}

TEST_F(BinaryDocumentJob, ReportsEveryPictureAndStopsWhenAsked)
{
    const std::string path = userFiles / "long.ppt";
    WriteFileBytes(path, MakeCompoundFile(PresentationStreams({Png('a'), Jpeg('b'), Png('c'), Jpeg('d')})));

    StopAfter whole(100);
    EXPECT_EQ(ExtractDocument(CurrentWorkPaths(), path, &whole), DocumentOutcome::Extracted);
    EXPECT_GE(whole.percents.size(), 4u);
    EXPECT_EQ(whole.percents.back(), 100);  // the rendering's end
    EXPECT_TRUE(std::is_sorted(whole.percents.begin(), whole.percents.end()));

    StopAfter stopping(2);
    EXPECT_EQ(ExtractDocument(CurrentWorkPaths(), path, &stopping), DocumentOutcome::Stopped);
    EXPECT_EQ(stopping.percents.size(), 2u);
    EXPECT_EQ(FolderEntries(CurrentWorkPaths().outputRoot).size(), 1u);  // the first run's result only
    EXPECT_FALSE(Exists(CurrentWorkPaths().scratchFolder));
}

// Pictures are read as a stream in bounded pieces, never as one buffer:
// however much they add up to, every one comes out.
TEST_F(BinaryDocumentJob, AWorkbookWhosePicturesAddUpToMoreThan256MbGivesEveryOne)
{
    constexpr int kPictures = 27;
    constexpr std::size_t kSize = 10 << 20;
    const std::string path = userFiles / "large.xls";
    WriteLargeWorkbook(path, kPictures, kSize);
    SetSelectedDocuments({path});
    RunExtraction();
    EXPECT_EQ(user.events.at(0), kSuccess[0]);
    const std::vector<std::string> results = FolderEntries(CurrentWorkPaths().outputRoot, "TMP");
    ASSERT_EQ(results.size(), 1u);
    const std::string media = CurrentWorkPaths().outputRoot + "\\" + results[0];
    EXPECT_EQ(FolderEntries(media).size(), static_cast<std::size_t>(kPictures));
    for (int n = 1; n <= kPictures; ++n) {
        WIN32_FILE_ATTRIBUTE_DATA data{};
        ASSERT_TRUE(GetFileAttributesExA((media + "\\image" + std::to_string(n) + ".png").c_str(),
                                         GetFileExInfoStandard, &data));
        EXPECT_EQ(data.nFileSizeLow, kSize) << n;
    }
    const std::string last = ReadFileBytes(media + "\\image27.png");
    ASSERT_EQ(last.size(), kSize);
    for (std::size_t at = 0; at < kSize; at += 4093) ASSERT_EQ(last[at], PictureByte(kPictures - 1, at)) << at;
}

// ---- Documents from real writers ---------------------------------------------

// Their PNG and JPEG come out byte for byte (tests/app's end-to-end test,
// through the real program); here: the metafile the writer stored (a
// Windows metafile without its placeable header) is one a viewer opens,
// and its picture beside it has the frame's shape and something drawn.
class RealDocumentTest : public BinaryDocumentJob, public testing::WithParamInterface<const char*> {};

TEST_P(RealDocumentTest, GivesAWholeWindowsMetafile)
{
    ASSERT_NE(Extract(GetParam(), ReadFileBytes(BuildFolder() + "\\binary-documents\\" + GetParam())), "");
    const std::string metafile = Result("image3.wmf");
    ASSERT_GT(metafile.size(), 40u);
    EXPECT_EQ(Le(metafile, 0, 4), 0x9AC6CDD7u);
    EXPECT_EQ(Le(metafile, 22 + 6, 4) * 2, metafile.size() - 22);  // the size the metafile states, in words

    const DecodedPicture picture = DecodePicture(Result("image3.wmf.png"));
    ASSERT_TRUE(picture.ok);
    EXPECT_FALSE(picture.Blank());
    const double frameRatio =
        (static_cast<std::int16_t>(Le(metafile, 10, 2)) - static_cast<std::int16_t>(Le(metafile, 6, 2))) /
        static_cast<double>(static_cast<std::int16_t>(Le(metafile, 12, 2)) -
                            static_cast<std::int16_t>(Le(metafile, 8, 2)));
    EXPECT_NEAR(static_cast<double>(picture.width) / picture.height / frameRatio, 1.0, 0.02);
}

INSTANTIATE_TEST_SUITE_P(Writers, RealDocumentTest, testing::Values("deck.ppt", "letter.doc", "book.xls"));

}  // namespace
}  // namespace dovrel::test
