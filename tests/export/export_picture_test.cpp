// ExportPicture and SavePictureAs writing real files that are read back through the program's own
// readers: the depth and mode each item gives, pictures left unreduced, the standard colours,
// transparency after a reduction, and what a failed write leaves behind.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <set>
#include <string>

#include "colour/export/export_picture.h"
#include "colour/export/export_tabs.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/codecs/codec_api.h"
#include "picture/codecs/gif/gif_graphics.h"
#include "picture/codecs/ico/ico_codec.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "picture/camera/camera_facts.h"
#include "test_support/exif_block.h"
#include "test_support/read_only_folder.h"
#include "test_support/temp_dir.h"

namespace vr::colour {
namespace {

// The reader gives a last empty line after the final line end the writer puts after each line.
std::vector<std::string> WithoutTrailingEmpty(std::vector<std::string> lines) {
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}


using picture::Bitmap;
using picture::PictureHolder;
using picture::PixelFormat;
using picture::Rgb;

PictureHolder Photo(int w = 60, int h = 40) {
  PictureHolder holder;
  holder.bitmap.Create(w, h, PixelFormat::k24);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = holder.bitmap.Row(y);
    for (int x = 0; x < w; ++x) {
      row[3 * x] = static_cast<uint8_t>(x * 4);
      row[3 * x + 1] = static_cast<uint8_t>(y * 6);
      row[3 * x + 2] = static_cast<uint8_t>(255 - x * 3);
    }
  }
  return holder;
}

// A 4-bit picture using all 16 palette entries of an unusual palette.
PictureHolder SixteenColours() {
  PictureHolder holder;
  holder.bitmap.Create(32, 8, PixelFormat::k4);
  std::vector<Rgb> palette;
  for (int i = 0; i < 16; ++i) {
    palette.push_back(Rgb{static_cast<uint8_t>(i * 16), static_cast<uint8_t>(100),
                          static_cast<uint8_t>(255 - i * 16)});
  }
  holder.bitmap.SetPalette(palette);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 32; x += 2) {
      holder.bitmap.Row(y)[x / 2] = static_cast<uint8_t>(((x / 2) % 16) << 4 | ((x / 2 + 1) % 16));
    }
  }
  return holder;
}

ExportChoices Choose(int tab, const char* item) {
  ExportChoices c;
  c.tab = tab;
  c.item = item != nullptr ? FindExportItem(tab, item) : -1;
  return c;
}

std::set<uint32_t> Colours(const Bitmap& b) {
  std::set<uint32_t> out;
  for (int y = 0; y < b.Height(); ++y) {
    for (int x = 0; x < b.Width(); ++x) {
      const Rgb c = b.ColourAt(x, y);
      out.insert(static_cast<uint32_t>(c.r) << 16 | c.g << 8 | c.b);
    }
  }
  return out;
}

class ExportWrite : public ::testing::Test {
 protected:
  test_support::TempDir dir_;
};

TEST_F(ExportWrite, BmpItemsGiveTheirFourDepths) {
  const std::pair<const char*, int> cases[] = {
      {"2 Colors", 1}, {"8 Colors (VGA)", 4}, {"16 Colors (VGA)", 4}, {"16 Colors", 8},
      {"256 Colors", 8}, {"16M True-Color", 24}};
  const PictureHolder photo = Photo();
  for (const auto& [item, bits] : cases) {
    const std::string path = dir_.File("out.bmp");
    const ExportOutcome out = ExportPicture(path, photo, Choose(kTabBmp, item));
    ASSERT_TRUE(out.ok) << item << ": " << out.detail;
    Bitmap back;
    ASSERT_TRUE(codecs::LoadBmpFile(path, back).ok()) << item;
    EXPECT_EQ(back.Bits(), bits) << item;
    EXPECT_EQ(back.Width(), 60);
    EXPECT_LE(Colours(back).size(), static_cast<size_t>(ItemColourCount(item))) << item;
    EXPECT_EQ(out.bytes, std::filesystem::file_size(path));
  }
}

TEST_F(ExportWrite, EightVgaColoursAreBlackAndTheBrightSeven) {
  const std::string path = dir_.File("vga8.bmp");
  ASSERT_TRUE(ExportPicture(path, Photo(), Choose(kTabBmp, "8 Colors (VGA)")).ok);
  Bitmap back;
  ASSERT_TRUE(codecs::LoadBmpFile(path, back).ok());
  EXPECT_EQ(back.Bits(), 4);
  const std::set<uint32_t> allowed = {0x000000, 0xFF0000, 0x00FF00, 0xFFFF00,
                                      0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};
  const std::set<uint32_t> used = Colours(back);
  EXPECT_GE(used.size(), 4u);
  for (uint32_t c : used) EXPECT_TRUE(allowed.count(c)) << std::hex << c;
}

TEST_F(ExportWrite, SixteenColourPictureWithTwoHundredFiftySixItemIsNotReduced) {
  const PictureHolder source = SixteenColours();
  for (int tab : {kTabBmp, kTabGif, kTabPcx}) {
    const std::string path = dir_.File(std::string("sixteen") + ExportTabs()[tab].extension);
    const ExportOutcome out = ExportPicture(path, source, Choose(tab, "256 Colors"));
    ASSERT_TRUE(out.ok) << out.detail;
    EXPECT_FALSE(out.reduced);
    Bitmap back;
    if (tab == kTabBmp) {
      ASSERT_TRUE(codecs::LoadBmpFile(path, back).ok());
      EXPECT_EQ(back.Bits(), 4);
    } else if (tab == kTabGif) {
      ASSERT_TRUE(codecs::LoadGifStill(path, back, Rgb{}, nullptr).ok());
    } else {
      ASSERT_TRUE(codecs::LoadPcx(path, back, {}).ok());
    }
    for (int x = 0; x < 32; ++x) {
      const Rgb want = source.bitmap.ColourAt(x, 3);
      const Rgb got = back.ColourAt(x, 3);
      // PCX and GIF keep 6-bit palettes.
      EXPECT_NEAR(got.r, want.r, 4) << ExportTabs()[tab].caption << " x=" << x;
      EXPECT_NEAR(got.b, want.b, 4) << ExportTabs()[tab].caption << " x=" << x;
    }
  }
}

TEST_F(ExportWrite, TgaPcxAndPicModesReadBackAtTheirDepths) {
  struct Case {
    int tab;
    const char* item;
    int bits;
  };
  const Case cases[] = {
      {kTabTga, "256 Colors", 8},  {kTabTga, "16M True-Color", 24}, {kTabPcx, "2 Colors", 1},
      {kTabPcx, "16 Colors", 4},   {kTabPcx, "256 Colors", 8},      {kTabPcx, "16M True-Color", 24},
      {kTabPic, "2 Colors", 1},    {kTabPic, "16 Colors (VGA)", 4}, {kTabPic, "256 Colors", 8},
  };
  const PictureHolder photo = Photo();
  for (const Case& c : cases) {
    const std::string path = dir_.File(std::string("m") + ExportTabs()[c.tab].extension);
    const ExportOutcome out = ExportPicture(path, photo, Choose(c.tab, c.item));
    ASSERT_TRUE(out.ok) << c.item << out.detail;
    Bitmap back;
    const codecs::ReadResult read = c.tab == kTabTga   ? codecs::LoadTga(path, back, {})
                                    : c.tab == kTabPcx ? codecs::LoadPcx(path, back, {})
                                                       : codecs::LoadPic(path, back, {});
    ASSERT_TRUE(read.ok()) << ExportTabs()[c.tab].caption << " " << c.item << ": " << read.error;
    EXPECT_EQ(read.depth, c.bits) << ExportTabs()[c.tab].caption << " " << c.item;
    EXPECT_EQ(back.Width(), 60);
    EXPECT_EQ(back.Height(), 40);
    EXPECT_LE(Colours(back).size(), static_cast<size_t>(ItemColourCount(c.item)));
  }
}

TEST_F(ExportWrite, TransparentColourSurvivesTheReductionAsTheNearestEntry) {
  // A true-colour picture has no palette; the picked colour is kept and written as the entry of
  // the reduced palette nearest to it.
  PictureHolder photo = Photo();
  ExportChoices choices = Choose(kTabGif, "16 Colors");
  const Rgb picked{255, 255, 255};
  choices.transparent = picked;
  choices.interlaced = true;
  choices.use_comments = true;
  choices.comments = {"first line", "second line"};
  const std::string path = dir_.File("t.gif");
  const ExportOutcome out = ExportPicture(path, photo, choices);
  ASSERT_TRUE(out.ok) << out.detail;
  codecs::gif::TGifGraphics reader;
  Bitmap back;
  ASSERT_TRUE(reader.LoadGif(path, back));
  EXPECT_TRUE(reader.Interlaced());
  EXPECT_EQ(WithoutTrailingEmpty(reader.CommentLines()), (std::vector<std::string>{"first line", "second line"}));
  ASSERT_GE(reader.TransparentIndex(), 0);
  EXPECT_EQ(reader.TransparentIndex(), out.transparent_index);
  // No other entry of the written palette is nearer to the picked colour.
  const std::vector<Rgb> palette = PickerPalette(photo, choices);
  EXPECT_EQ(NearestEntry(palette, 16, picked), out.transparent_index);
}

TEST_F(ExportWrite, FailedWriteKeepsTheTargetAndLeavesNoTemporaryFile) {
  const std::string folder = dir_.Path() + "/ro";
  std::filesystem::create_directory(folder);
  const std::string target = folder + "/old.BMP";
  dir_.WriteText("ro/old.BMP", "the user's picture");
  ExportOutcome out;
  {
    test_support::ReadOnlyFolder locked(folder);
    if (!locked.refuses_writes()) GTEST_SKIP() << "no way to make a folder read-only here";
    out = ExportPicture(target, Photo(), Choose(kTabBmp, "256 Colors"));
  }
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.message, "Error EXPORTING file:" + target +
                             "\r\rDisk is probably FULL or WRITE PROTECTED!\r\r"
                             "Try Saving again, but to another drive!");
  const auto bytes = test_support::TempDir::Read(target);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "the user's picture");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder), {}), 1);
}

TEST_F(ExportWrite, WriterFailureOverTheSourceKeepsTheSource) {
  // A writer that fails half way (disk full) over the very file being converted.
  const std::string target = dir_.WriteText("keep.gif", "original bytes");
  std::string error;
  EXPECT_FALSE(WriteReplacing(
      target,
      [](const std::string& temp, std::string* e) {
        FILE* f = std::fopen(temp.c_str(), "wb");
        std::fputs("half", f);
        std::fclose(f);
        *e = "Stream write error";
        return false;
      },
      &error));
  EXPECT_EQ(error, "Stream write error");
  const auto bytes = test_support::TempDir::Read(target);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "original bytes");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.Path()), {}), 1);
}

TEST_F(ExportWrite, IconIsThirtyTwoSquareWithThePictureAtTopLeftOverBlack) {
  const std::string path = dir_.File("i.ico");
  const ExportOutcome out = ExportPicture(path, Photo(20, 10), Choose(kTabIco, "16M True-Color"));
  ASSERT_TRUE(out.ok) << out.detail;
  Bitmap back;
  ASSERT_TRUE(codecs::LoadIcoFile(path, back).ok());
  EXPECT_EQ(back.Width(), 32);
  EXPECT_EQ(back.Height(), 32);
  const Rgb corner = back.ColourAt(31, 31);
  EXPECT_EQ(corner, (Rgb{0, 0, 0}));
  const Rgb inside = back.ColourAt(0, 0);
  EXPECT_EQ(inside, (Rgb{255, 0, 0}));
  EXPECT_EQ(back.Row(31)[31 * 4 + 3], 255) << "every pixel opaque";
}

TEST_F(ExportWrite, JpegQualityAndGreyScale) {
  const PictureHolder photo = Photo(64, 64);
  ExportChoices low = Choose(kTabJpg, nullptr);
  low.jpeg_quality = 10;
  ExportChoices high = low;
  high.jpeg_quality = 100;
  ExportChoices grey = high;
  grey.jpeg_grayscale = true;
  const auto low_out = ExportPicture(dir_.File("l.jpg"), photo, low);
  const auto high_out = ExportPicture(dir_.File("h.jpg"), photo, high);
  ASSERT_TRUE(low_out.ok && high_out.ok);
  EXPECT_LT(low_out.bytes, high_out.bytes);
  ASSERT_TRUE(ExportPicture(dir_.File("g.jpg"), photo, grey).ok);
  EXPECT_EQ(codecs::ReadJpegHeader(dir_.File("g.jpg")).components, 1);
  EXPECT_EQ(codecs::ReadJpegHeader(dir_.File("h.jpg")).components, 3);
}

TEST_F(ExportWrite, SavePictureAsWritesByExtensionAndRefusesOthers) {
  const PictureHolder photo = Photo();
  EXPECT_TRUE(SavePictureAs(dir_.File("a.GIF"), photo));
  Bitmap back;
  ASSERT_TRUE(codecs::LoadGifStill(dir_.File("a.GIF"), back, Rgb{}, nullptr).ok());
  EXPECT_EQ(back.Width(), 60);
  EXPECT_TRUE(SavePictureAs(dir_.File("a.bmp"), photo));
  ASSERT_TRUE(codecs::LoadBmpFile(dir_.File("a.bmp"), back).ok());
  EXPECT_EQ(back.Bits(), 24);
  EXPECT_TRUE(SavePictureAs(dir_.File("a.jpg"), photo));
  std::string error;
  EXPECT_FALSE(SavePictureAs(dir_.File("a.webp"), photo, &error));
  EXPECT_FALSE(error.empty());
  EXPECT_FALSE(std::filesystem::exists(dir_.File("a.webp")));
}

// A JPEG saved from a JPEG carries the source's Exif block and RGB colour profile; the block
// says orientation 1 once the pixels were turned, and a grey copy drops the RGB profile.
TEST_F(ExportWrite, JpegFromJpegKeepsExifAndProfileAndResetsOrientationWhenTurned) {
  codecs::JpegMetadata source_metadata;
  source_metadata.exif = test_support::MakeExifSegment({6, true, true});
  source_metadata.icc = test_support::MakeRgbProfile(150000);  // three APP2 segments
  const std::string source = dir_.File("camera.jpg");
  ASSERT_TRUE(codecs::SaveJpeg(source, Photo().bitmap, codecs::JpegSaveOptions{90, false},
                               &source_metadata).ok);
  const codecs::JpegMetadata read = codecs::ReadJpegMetadata(source);
  ASSERT_EQ(read.exif, source_metadata.exif);
  ASSERT_EQ(read.icc, source_metadata.icc);

  ExportChoices choices;
  choices.tab = kTabJpg;
  choices.source_file = source;
  PictureHolder as_stored = Photo();
  ASSERT_TRUE(ExportPicture(dir_.File("kept.jpg"), as_stored, choices).ok);
  const codecs::JpegMetadata kept = codecs::ReadJpegMetadata(dir_.File("kept.jpg"));
  EXPECT_EQ(kept.exif, source_metadata.exif);
  EXPECT_EQ(kept.icc, source_metadata.icc);
  EXPECT_EQ(camera::ParseExifSegment(kept.exif.data(), kept.exif.size()).orientation, 6);

  PictureHolder turned = Photo(40, 60);
  turned.turned = true;
  ASSERT_TRUE(ExportPicture(dir_.File("turned.jpg"), turned, choices).ok);
  const codecs::JpegMetadata reset = codecs::ReadJpegMetadata(dir_.File("turned.jpg"));
  ASSERT_EQ(reset.exif.size(), source_metadata.exif.size());
  const camera::CameraFacts facts = camera::ParseExifSegment(reset.exif.data(), reset.exif.size());
  EXPECT_EQ(facts.orientation, 1);
  EXPECT_EQ(facts.model, "VX-100");
  EXPECT_EQ(reset.icc, source_metadata.icc);

  choices.jpeg_grayscale = true;
  ASSERT_TRUE(ExportPicture(dir_.File("grey.jpg"), as_stored, choices).ok);
  const codecs::JpegMetadata grey = codecs::ReadJpegMetadata(dir_.File("grey.jpg"));
  EXPECT_EQ(grey.exif, source_metadata.exif);
  EXPECT_TRUE(grey.icc.empty());

  // Other sources and other targets carry nothing.
  choices.jpeg_grayscale = false;
  choices.source_file = dir_.File("plain.bmp");
  ASSERT_TRUE(codecs::SaveBmp(choices.source_file, Photo().bitmap).ok);
  ASSERT_TRUE(ExportPicture(dir_.File("from_bmp.jpg"), as_stored, choices).ok);
  EXPECT_TRUE(codecs::ReadJpegMetadata(dir_.File("from_bmp.jpg")).exif.empty());
}

}  // namespace
}  // namespace vr::colour
