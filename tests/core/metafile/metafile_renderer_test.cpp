// Metafiles made viewable: every kind the renderer takes, written byte by
// byte, through the folder rendering the job runs.

#include <gtest/gtest.h>
#include <windows.h>

#include <functional>

#include "core/metafile/metafile_renderer.h"
#include "tests/support/metafiles.h"
#include "tests/support/program_under_test.h"
#include "tests/support/recording_progress.h"
#include "tests/support/temp_folder.h"

namespace dovrel::test {
namespace {

// 100 x 75 mm, on the reference device of ten pixels a millimetre.
constexpr EmfRect kBounds{0, 0, 999, 749}, kFrame{0, 0, 9999, 7499};
constexpr std::uint32_t kRed = 0x0000FF;

std::string Emf(EmfRect frame = kFrame) { return EmfFile(kBounds, frame, EmfDrawing(kBounds, kRed)); }
std::string Fixture(const char* name) { return ReadFileBytes(BuildFolder() + "\\binary-documents\\" + name); }

// 7 x 5 pixels, each of its own colour.
std::string BitmapPixels()
{
    std::string pixels;
    for (int i = 0; i < 7 * 5; ++i)
        pixels += {static_cast<char>(i * 7), static_cast<char>(255 - i), static_cast<char>(i)};
    return pixels;
}

std::string WithEmfPlus(const std::string& file, int pieces = 1)
{
    std::vector<std::string> records = {EmfPlusImageComment(file, pieces)};
    for (std::string& record : EmfDrawing(kBounds, kRed)) records.push_back(record);  // what GDI alone would draw
    return EmfFile(kBounds, kFrame, records);
}

std::string ManyRecords()
{
    std::vector<std::string> records;
    for (int i = 0; i < 32; ++i)
        for (std::string& record : EmfDrawing(kBounds, kRed + i)) records.push_back(record);
    return EmfFile(kBounds, kFrame, records);
}

std::string Damaged()
{
    std::string emf = Emf();
    emf[108 + 5] = '\x10';  // the first record now runs past the end
    return emf;
}

RenderLimits Limits(std::function<void(RenderLimits&)> change)
{
    RenderLimits limits;
    change(limits);
    return limits;
}

struct MetafileCase {
    const char* name;
    const char* fileName;
    std::function<std::string()> make;
    const char* picture;                                // the file made beside it; nullptr: none
    int width = 0, height = 0;                          // 0: not checked
    std::function<std::string()> sameFile = nullptr;    // the picture's bytes, when given
    std::function<std::string()> samePixels = nullptr;  // its decoded pixels, when given
    RenderLimits limits = {};
};
void PrintTo(const MetafileCase& c, std::ostream* out) { *out << c.name; }

class MetafileTest : public testing::TestWithParam<MetafileCase> {};

TEST_P(MetafileTest, GivesAViewablePictureOrNone)
{
    const MetafileCase& c = GetParam();
    TempFolder folder;
    const std::string bytes = c.make();
    WriteFileBytes(folder / c.fileName, bytes);
    const FolderRendering result = RenderMetafilesInFolder(folder.path(), nullptr, c.limits);
    EXPECT_EQ(ReadFileBytes(folder / c.fileName), bytes);  // the original as it was
    EXPECT_FALSE(result.stopped);
    if (!c.picture) {
        EXPECT_EQ(ListTree(folder.path()), std::string(c.fileName) + "\n");
        EXPECT_EQ(result.notRendered, 1);
        return;
    }
    EXPECT_EQ(result.rendered, 1);
    const std::string file = ReadFileBytes(folder / c.picture);
    if (c.sameFile) {
        EXPECT_EQ(file, c.sameFile());  // the document's own picture, whatever a decoder makes of it
        return;
    }
    const DecodedPicture picture = DecodePicture(file);
    ASSERT_TRUE(picture.ok) << ListTree(folder.path());
    EXPECT_FALSE(picture.Blank());
    if (c.width) {
        EXPECT_EQ(picture.width, c.width);
        EXPECT_EQ(picture.height, c.height);
    }
    if (c.samePixels) {
        EXPECT_EQ(picture.pixels, c.samePixels());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, MetafileTest,
    testing::Values(
        // 100 x 75 mm at 192 DPI
        MetafileCase{"emf", "image1.emf", [] { return Emf(); }, "image1.emf.png", 756, 567},
        MetafileCase{"emz", "image2.EMZ", [] { return Gzip(Emf()); }, "image2.EMZ.png", 756, 567},
        // one inch by three quarters
        MetafileCase{"wmf_with_placeable_header", "image3.wmf", [] { return WmfFile(1000, 750, 1000); },
                     "image3.wmf.png", 192, 144},
        MetafileCase{"wmf_without_one_in_twips", "image4.wmf", [] { return WmfFile(1440, 1080, 0); }, "image4.wmf.png",
                     192, 144},
        MetafileCase{"wmz", "image5.wmz", [] { return Gzip(WmfFile(1000, 750, 1000)); }, "image5.wmz.png", 192, 144},
        MetafileCase{"frame_past_the_long_side", "huge.emf",
                     [] {
                         const EmfRect bounds{0, 0, 20000000, 10000000};  // 2 km by 1 km
                         return EmfFile(bounds, {0, 0, 200000000, 100000000}, EmfDrawing(bounds, kRed));
                     },
                     "huge.emf.png", 4096, 2048},
        MetafileCase{"only_a_bitmap_gives_its_pixels", "bitmap.emf",
                     [] {
                         return EmfFile({0, 0, 699, 499}, {0, 0, 6999, 4999},
                                        {EmfStretchDiBits({0, 0, 699, 499}, 7, 5, BitmapPixels())});
                     },
                     "bitmap.emf.png", 7, 5, nullptr, BitmapPixels},
        MetafileCase{"emf_plus_png_as_stored", "plus.emf", [] { return WithEmfPlus(Fixture("picture.png")); },
                     "plus.emf.png", 64, 48, [] { return Fixture("picture.png"); }},
        MetafileCase{"emf_plus_png_in_pieces", "pieces.emf", [] { return WithEmfPlus(Fixture("picture.png"), 3); },
                     "pieces.emf.png", 64, 48, [] { return Fixture("picture.png"); }},
        MetafileCase{"emf_plus_jpeg_as_stored", "photo.emf", [] { return WithEmfPlus(Fixture("picture.jpg")); },
                     "photo.emf.jpg", 80, 60, [] { return Fixture("picture.jpg"); }},
        MetafileCase{"damaged", "bad.emf", Damaged, nullptr},
        MetafileCase{"empty_frame", "empty.emf",
                     [] {
                         return Emf({0, 0, 0, 7499});
                     },
                     nullptr},
        MetafileCase{"no_metafile", "fake.emf", [] { return std::string(" EMF") + std::string(300, 'x'); }, nullptr},
        MetafileCase{"past_the_pixel_budget", "big.emf", [] { return Emf(); }, nullptr, 0, 0, nullptr, nullptr,
                     Limits([](RenderLimits& l) { l.pixelBytes = 1000; })},
        MetafileCase{"past_the_time_limit", "slow.emf", ManyRecords, nullptr, 0, 0, nullptr, nullptr,
                     Limits([](RenderLimits& l) { l.playMilliseconds = 0; })}),
    [](const testing::TestParamInfo<MetafileCase>& info) { return std::string(info.param.name); });

TEST(MetafileFolder, PicturesOfThatNameStayAndAStopEndsTheRendering)
{
    TempFolder folder;
    WriteFileBytes(folder / "a.emf", Emf());
    WriteFileBytes(folder / "a.emf.png", "the document's own");
    CreateDirectoryA((folder / "sub").c_str(), nullptr);
    WriteFileBytes(folder / "sub\\b.wmf", WmfFile(1000, 750, 1000));
    WriteFileBytes(folder / "c.pict", "left alone");
    const FolderRendering all = RenderMetafilesInFolder(folder.path());
    EXPECT_EQ(ReadFileBytes(folder / "a.emf.png"), "the document's own");
    EXPECT_EQ(all.rendered, 1);
    EXPECT_EQ(ListTree(folder.path()), "a.emf\na.emf.png\nc.pict\nsub\\\nsub\\b.wmf\nsub\\b.wmf.png\n");

    TempFolder again;
    WriteFileBytes(again / "a.emf", Emf());
    WriteFileBytes(again / "b.emf", Emf());
    test::RecordingProgress progress;
    progress.answer = [](int percent) { return percent < 50; };
    const FolderRendering stopped = RenderMetafilesInFolder(again.path(), &progress);
    EXPECT_TRUE(stopped.stopped);
    EXPECT_EQ(stopped.rendered, 1);
    EXPECT_EQ(progress.percents.back(), 50);
}

}  // namespace
}  // namespace dovrel::test
