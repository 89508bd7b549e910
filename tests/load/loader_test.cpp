// The loader, the preview loader, the header probe and the hooks to the layers above.
#include "picture/load/loader.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/codecs/ico/ico_codec.h"
#include "picture/codecs/jpeg/jpeg_codec.h"
#include "picture/kinds.h"
#include "picture/load/load_hooks.h"
#include "picture/reduce_hook.h"
#include "test_pictures.h"
#include "test_support/hook_guard.h"
#include "test_support/temp_dir.h"

namespace vr::picture {
namespace {

using namespace vr::test_pictures;
using test_support::TempDir;

// GIF: signature, screen w x h, flags (global table of 2^bits), background, aspect, table,
// then `blocks` as given.
Bytes GifBytes(const char* sig, int w, int h, int bits, const Bytes& blocks) {
  Bytes b(sig, sig + 6);
  Put16(b, static_cast<uint32_t>(w));
  Put16(b, static_cast<uint32_t>(h));
  b.push_back(static_cast<uint8_t>(0x80 | (bits - 1)));
  b.push_back(0);
  b.push_back(0);
  b.resize(b.size() + 3 * (size_t{1} << bits), 0x33);
  b.insert(b.end(), blocks.begin(), blocks.end());
  return b;
}

Bytes ImageDescriptor(int left, int top, int w, int h, uint8_t flags) {
  Bytes b = {','};
  Put16(b, static_cast<uint32_t>(left));
  Put16(b, static_cast<uint32_t>(top));
  Put16(b, static_cast<uint32_t>(w));
  Put16(b, static_cast<uint32_t>(h));
  b.push_back(flags);
  b.insert(b.end(), {2, 2, 0x4C, 0x01, 0, ';'});
  return b;
}

Bytes SmallBmp(int w, int h, int bits, uint32_t compression = 0) {
  DibShape s;
  s.width = w;
  s.height = h;
  s.bits = bits;
  s.compression = compression;
  if (bits <= 8) s.palette = NoisePalette(1 << bits, 3);
  s.pixels = compression == 0 ? NoiseRows(w, h, bits, 4) : Bytes{0, 1};
  return BmpBytes(s);
}

PictureInfo Info(const TempDir& dir, const std::string& name, const Bytes& bytes) {
  return ReadPictureInfo(dir.Write(name, bytes));
}

TEST(ReadPictureInfo, GifBranchFollowsTheBlockStructure) {
  TempDir dir;
  // The first image lies partly outside the screen: width and height grow to hold it.
  const Bytes extension = {'!', 0xF9, 4, 0, 0, 0, 0, 0};
  Bytes blocks = extension;
  const Bytes image = ImageDescriptor(30, 20, 50, 40, 0x40);
  blocks.insert(blocks.end(), image.begin(), image.end());
  PictureInfo info = Info(dir, "big.gif", GifBytes("GIF87a", 60, 50, 4, blocks));
  EXPECT_EQ(info.kind, kKindGif);
  EXPECT_EQ(info.width, 80);
  EXPECT_EQ(info.height, 60);
  EXPECT_EQ(info.colours, 16);
  EXPECT_TRUE(info.interlaced);
  EXPECT_FALSE(info.animated);
  // Inside the screen the screen size stands.
  info = Info(dir, "inside.gif", GifBytes("GIF87a", 60, 50, 1, ImageDescriptor(1, 1, 10, 10, 0)));
  EXPECT_EQ(info.width, 60);
  EXPECT_EQ(info.height, 50);
  EXPECT_EQ(info.colours, 2);
  EXPECT_FALSE(info.interlaced);

  // A 128-byte MacBinary header in front, and no extension the name could give.
  Bytes mac(128, 0x11);
  const Bytes gif = GifBytes("GIF87a", 33, 22, 8, ImageDescriptor(0, 0, 33, 22, 0));
  mac.insert(mac.end(), gif.begin(), gif.end());
  info = Info(dir, "macfile", mac);
  EXPECT_EQ(info.kind, kKindGif);
  EXPECT_EQ(info.width, 33);
  EXPECT_EQ(info.height, 22);
  EXPECT_EQ(info.colours, 256);

  // The end before any image reads as 80 x 25.
  info = Info(dir, "empty.gif", GifBytes("GIF89a", 10, 10, 2, {0, 0, ';'}));
  EXPECT_EQ(info.width, 80);
  EXPECT_EQ(info.height, 25);

  // A stray byte, or more than 100 zero bytes in a row, is damage.
  const std::string damaged = dir.Write("damaged.gif", GifBytes("GIF87a", 10, 10, 2, {'x'}));
  info = ReadPictureInfo(damaged);
  EXPECT_EQ(info.error, "Error In GIF Descriptor:" + damaged);
  EXPECT_EQ(info.width, 0);
  EXPECT_EQ(info.colours, 0);
  info = Info(dir, "zeros.gif", GifBytes("GIF87a", 10, 10, 2, Bytes(101, 0)));
  EXPECT_FALSE(info.error.empty());
  info = Info(dir, "hundred.gif", [] {
    Bytes b(100, 0);
    b.push_back(';');
    return GifBytes("GIF87a", 10, 10, 2, b);
  }());
  EXPECT_TRUE(info.error.empty());
  EXPECT_EQ(info.width, 80);
}

TEST(ReadPictureInfo, HeaderFactsOfTheOtherKinds) {
  TempDir dir;
  PictureInfo info = Info(dir, "a.bmp", SmallBmp(7, 5, 4));
  EXPECT_EQ(info.kind, kKindBmp);
  EXPECT_EQ(info.width, 7);
  EXPECT_EQ(info.height, 5);
  EXPECT_EQ(info.colours, 16);
  EXPECT_FALSE(info.compressed);
  info = Info(dir, "rle.bmp", SmallBmp(9, 3, 8, 1));
  EXPECT_TRUE(info.compressed);
  EXPECT_EQ(info.colours, 256);
  info = Info(dir, "deep.bmp", SmallBmp(3, 3, 24));
  EXPECT_EQ(info.colours, 16000);

  // PCX: manufacturer, version, encoding, bits, window 10..109 x 5..54, 3 planes of 8 bits.
  Bytes pcx = {10, 5, 1, 8};
  for (uint32_t v : {10u, 5u, 109u, 54u, 72u, 72u}) Put16(pcx, v);
  pcx.resize(65, 0);
  pcx.push_back(3);
  pcx.resize(128, 0);
  info = Info(dir, "p.pcx", pcx);
  EXPECT_EQ(info.kind, kKindPcx);
  EXPECT_EQ(info.width, 100);
  EXPECT_EQ(info.height, 50);
  EXPECT_EQ(info.colours, 16000);
  pcx[2] = 0;  // not run-length encoded: refused
  EXPECT_EQ(Info(dir, "q.pcx", pcx).width, 0);

  // PIC: magic, 320 x 200, two words, plane info 0x31 (1 bit x 4 planes).
  Bytes pic;
  for (uint32_t v : {0x1234u, 320u, 200u, 0u, 0u}) Put16(pic, v);
  pic.push_back(0x31);
  pic.resize(17, 0);
  info = Info(dir, "p.pic", pic);
  EXPECT_EQ(info.width, 320);
  EXPECT_EQ(info.colours, 16);

  // JPEG: the segment walk passes APP0 and finds the frame header.
  ASSERT_TRUE(codecs::SaveJpeg(dir.File("j.jpg"), Gradient(77, 33), codecs::JpegSaveOptions{}).ok);
  info = ReadPictureInfo(dir.File("j.jpg"));
  EXPECT_EQ(info.kind, kKindJpeg);
  EXPECT_EQ(info.width, 77);
  EXPECT_EQ(info.height, 33);
  EXPECT_EQ(info.colours, 16000);
  ASSERT_TRUE(
      codecs::SaveJpeg(dir.File("g.jpg"), Gradient(8, 8), codecs::JpegSaveOptions{75, true}).ok);
  EXPECT_EQ(ReadPictureInfo(dir.File("g.jpg")).colours, 256);

  // EMF: frame 0,0 - 2540,1270 (0.01 mm) is 1 x 0.5 inch.
  Bytes emf(100, 0);
  emf[32] = 0xEC, emf[33] = 0x09;  // right 2540
  emf[36] = 0xF6, emf[37] = 0x04;  // bottom 1270
  emf[40] = 0x20, emf[41] = 'E', emf[42] = 'M', emf[43] = 'F';
  info = Info(dir, "m.emf", emf);
  EXPECT_EQ(info.kind, kKindEmf);
  EXPECT_EQ(info.width, 96);
  EXPECT_EQ(info.height, 48);
  EXPECT_EQ(info.colours, 16);
  // WMF: box 0,0 - 1440,720 at 1440 units per inch.
  Bytes wmf = {0xD7, 0xCD, 0xC6, 0x9A, 0, 0};
  for (uint32_t v : {0u, 0u, 1440u, 720u, 1440u}) Put16(wmf, v);
  wmf.resize(22, 0);
  info = Info(dir, "m.wmf", wmf);
  EXPECT_EQ(info.width, 96);
  EXPECT_EQ(info.height, 48);
  EXPECT_EQ(Info(dir, "zero_inch.wmf",
                 [&] {
                   Bytes w = wmf;
                   w[14] = w[15] = 0;  // counts as 96 units per inch
                   return w;
                 }())
                .width,
            1440);

  // Media: the kind, and movies are animated.
  EXPECT_TRUE(Info(dir, "v.avi", {1, 2}).animated);
  info = Info(dir, "s.wav", {1, 2});
  EXPECT_EQ(info.kind, kKindWav);
  EXPECT_FALSE(info.animated);
  EXPECT_EQ(info.colours, 0);
}

TEST(ReadPictureInfo, ShortAndMissingFilesGiveZeros) {
  TempDir dir;
  for (const char* name :
       {"three.bmp", "three.gif", "three.jpg", "three.pcx", "three.ico", "three.emf", "three"}) {
    const PictureInfo info = Info(dir, name, {'B', 'M', 1});
    EXPECT_TRUE(info.opened) << name;
    EXPECT_EQ(info.width, 0) << name;
    EXPECT_EQ(info.colours, 0) << name;
  }
  const PictureInfo missing = ReadPictureInfo(dir.File("absent.bmp"));
  EXPECT_FALSE(missing.opened);
  EXPECT_EQ(missing.width, 0);
}

TEST(LoadPicture, KindComesFromTheRankedNameAndFailuresGiveOnePixel) {
  TempDir dir;
  const Bytes bmp = SmallBmp(6, 4, 8);
  PictureHolder holder;
  LoadDetails details;
  EXPECT_EQ(LoadPicture(dir.Write("a.bmp", bmp), holder, DecodeOptions(), &details), kKindBmp);
  EXPECT_FALSE(details.failed);
  EXPECT_EQ(details.file_depth, 8);
  EXPECT_EQ(holder.Width(), 6);

  // ".JPG" outranks ".BMP": the BMP bytes go to the JPEG reader and fail.
  EXPECT_EQ(LoadPicture(dir.Write("a.bmp.jpg", bmp), holder, DecodeOptions(), &details), kKindJpeg);
  EXPECT_TRUE(details.failed);
  EXPECT_EQ(holder.kind, GraphicKind::kBitmap);
  EXPECT_EQ(holder.bitmap.Width(), 1);
  EXPECT_EQ(holder.bitmap.Height(), 1);
  EXPECT_EQ(holder.bitmap.Format(), PixelFormat::k1);

  // GIF (and media) leave the holder as it was for their own players.
  holder.bitmap.Create(5, 5, PixelFormat::k24);
  EXPECT_EQ(LoadPicture(dir.Write("photo.gif.bak", {1, 2, 3}), holder, DecodeOptions()), kKindGif);
  EXPECT_EQ(holder.bitmap.Width(), 5);
  EXPECT_EQ(LoadPicture(dir.File("gone.bmp"), holder, DecodeOptions(), &details), kKindBmp);
  EXPECT_TRUE(details.failed);
  EXPECT_EQ(holder.bitmap.Width(), 1);
}

TEST(LoadPicture, JpegOutputFollowsTheDecodingMode) {
  TempDir dir;
  ASSERT_TRUE(codecs::SaveJpeg(dir.File("c.jpg"), Gradient(40, 30), codecs::JpegSaveOptions{}).ok);
  PictureHolder holder;
  LoadDetails details;
  DecodeOptions full;
  EXPECT_EQ(LoadPicture(dir.File("c.jpg"), holder, full, &details), kKindJpeg);
  EXPECT_EQ(holder.kind, GraphicKind::kJpeg);
  EXPECT_EQ(holder.bitmap.Format(), PixelFormat::k24);
  EXPECT_EQ(details.file_depth, 24);
  DecodeOptions reduced;
  reduced.display_depth = 8;
  reduced.true_colour_on_256 = true;
  LoadPicture(dir.File("c.jpg"), holder, reduced);
  EXPECT_EQ(holder.bitmap.Format(), PixelFormat::k8);
  EXPECT_EQ(holder.jpeg_output_bits, 8);
  EXPECT_EQ(holder.bitmap.Palette().size(), 256u);
  reduced.true_colour_on_256 = false;  // a 256-colour screen alone does not reduce
  LoadPicture(dir.File("c.jpg"), holder, reduced);
  EXPECT_EQ(holder.bitmap.Format(), PixelFormat::k24);
}

int g_reductions = 0;
bool CountingReduce(Bitmap& bitmap, Palette6&) {
  ++g_reductions;
  return bitmap.Create(1, 2, PixelFormat::k8);
}

TEST(LoadHooks, ReduceForScreenRunsOnlyForTrueColourUnderReducedDecoding) {
  TempDir dir;
  const std::string deep = dir.Write("deep.bmp", SmallBmp(4, 4, 24));
  const std::string indexed = dir.Write("idx.bmp", SmallBmp(4, 4, 8));
  test_support::HookGuard guard(GetReduceToScreenHook, SetReduceToScreenHook);
  SetReduceToScreenHook(CountingReduce);
  DecodeOptions reduced;
  reduced.display_depth = 8;
  reduced.true_colour_on_256 = true;
  PictureHolder holder;
  g_reductions = 0;
  LoadPicture(deep, holder, DecodeOptions());
  EXPECT_EQ(g_reductions, 0);
  LoadPicture(indexed, holder, reduced);
  EXPECT_EQ(g_reductions, 0);
  LoadPicture(deep, holder, reduced);
  EXPECT_EQ(g_reductions, 1);
  EXPECT_EQ(holder.bitmap.Height(), 2);
  SetReduceToScreenHook(nullptr);
  LoadPicture(deep, holder, reduced);
  EXPECT_EQ(holder.bitmap.Format(), PixelFormat::k24);
}

std::string g_copy_of;
ViewingPath CopyForViewing(const std::string& path, bool) {
  ViewingPath viewing;
  viewing.path = path + ".viewcopy";
  viewing.temporary = true;
  std::filesystem::copy_file(g_copy_of, viewing.path);
  return viewing;
}
ViewingPath RefuseViewing(const std::string&, bool) {
  ViewingPath viewing;
  viewing.ok = false;
  return viewing;
}

TEST(LoadHooks, OpenForViewingCopyIsDecodedAndDeleted) {
  TempDir dir;
  // The protected file itself is not a picture; the hook hands back a plain copy.
  const std::string locked = dir.Write("locked.bmp", {'L', 'O', 'C', 'K'});
  g_copy_of = dir.Write("plain.bin", SmallBmp(9, 7, 8));
  test_support::HookGuard guard(GetOpenForViewing, SetOpenForViewing);
  SetOpenForViewing(CopyForViewing);
  const PictureInfo info = ReadPictureInfo(locked);
  EXPECT_EQ(info.width, 9);
  EXPECT_FALSE(std::filesystem::exists(locked + ".viewcopy"));
  PictureHolder holder;
  const PreviewOutcome preview =
      LoadPreviewPicture(locked, holder, PreviewRequest(), DecodeOptions());
  EXPECT_FALSE(preview.failed);
  EXPECT_EQ(holder.Height(), 7);
  EXPECT_FALSE(std::filesystem::exists(locked + ".viewcopy"));
  SetOpenForViewing(RefuseViewing);
  EXPECT_FALSE(ReadPictureInfo(locked).opened);
  EXPECT_TRUE(LoadPreviewPicture(locked, holder, PreviewRequest(), DecodeOptions()).failed);
  EXPECT_EQ(holder.Width(), 1);
}

class FakeMetafile : public VectorGraphic {
 public:
  int Width() const override { return 30; }
  int Height() const override { return 20; }
  bool Render(Bitmap& target, int, int, Rgb) const override { return !target.Empty(); }
};
std::shared_ptr<VectorGraphic> PlayAnything(const std::string&) {
  return std::make_shared<FakeMetafile>();
}

TEST(LoadHooks, MetafilesComeFromThePlayerHookAndEmfLoadsLikeWmf) {
  TempDir dir;
  PictureHolder holder;
  LoadDetails details;
  test_support::HookGuard guard(GetMetafileLoader, SetMetafileLoader);
  SetMetafileLoader(nullptr);
  LoadPicture(dir.Write("a.wmf", {1}), holder, DecodeOptions(), &details);
  EXPECT_TRUE(details.failed);
  SetMetafileLoader(PlayAnything);
  for (const char* name : {"a.wmf", "a.emf"}) {
    LoadPicture(dir.Write(name, {1}), holder, DecodeOptions(), &details);
    EXPECT_FALSE(details.failed) << name;
    EXPECT_EQ(holder.kind, GraphicKind::kMetafile);
    EXPECT_EQ(holder.Width(), 30);
  }
  PictureHolder preview;
  EXPECT_TRUE(
      LoadPreviewPicture(dir.File("a.emf"), preview, PreviewRequest(), DecodeOptions()).metafile);
}

int ScreenOf8() { return 8; }

TEST(LoadHooks, DisplayDepthIsMeasuredThroughItsSource) {
  test_support::HookGuard guard(GetDisplayDepthSource, SetDisplayDepthSource);
  SetDisplayDepthSource(nullptr);
  EXPECT_EQ(DisplayDepth(), 32);
  SetDisplayDepthSource(ScreenOf8);
  EXPECT_TRUE(CurrentDecodeOptions(true).Reduced());
  EXPECT_FALSE(CurrentDecodeOptions(false).Reduced());
  SetDisplayDepthSource(nullptr);
  EXPECT_FALSE(CurrentDecodeOptions(true).Reduced());
}

TEST(LoadPreviewPicture, JpegScaleAndIconBackground) {
  TempDir dir;
  // 8 times wider than the thumbnail: 1/4, not 1/8.
  ASSERT_TRUE(
      codecs::SaveJpeg(dir.File("w.jpg"), Gradient(1024, 64), codecs::JpegSaveOptions{}).ok);
  PictureHolder holder;
  PreviewRequest request;
  request.target_size = 128;
  PreviewOutcome outcome = LoadPreviewPicture(dir.File("w.jpg"), holder, request, DecodeOptions());
  EXPECT_TRUE(outcome.was_jpeg);
  EXPECT_EQ(holder.bitmap.Width(), 256);
  EXPECT_EQ(holder.bitmap.Height(), 16);
  request.reduce_jpeg = false;
  LoadPreviewPicture(dir.File("w.jpg"), holder, request, DecodeOptions());
  EXPECT_EQ(holder.bitmap.Width(), 1024);
  // Reduced decoding gives 8 bits unless the keep flag holds the JPEG format.
  DecodeOptions reduced;
  reduced.display_depth = 8;
  reduced.true_colour_on_256 = true;
  LoadPreviewPicture(dir.File("w.jpg"), holder, request, reduced);
  EXPECT_EQ(holder.bitmap.Format(), PixelFormat::k8);
  request.keep_jpeg_format = true;
  LoadPreviewPicture(dir.File("w.jpg"), holder, request, reduced);
  EXPECT_EQ(holder.bitmap.Format(), PixelFormat::k24);

  // A broken JPEG previews as 1 x 1.
  outcome = LoadPreviewPicture(dir.Write("broken.jpg", {0xFF, 0xD8, 0xFF}), holder, request,
                               DecodeOptions());
  EXPECT_TRUE(outcome.failed);
  EXPECT_EQ(holder.bitmap.Width(), 1);
  EXPECT_EQ(holder.bitmap.Format(), PixelFormat::k1);

  // Icons become plain 24-bit pictures.
  Bitmap square;
  ASSERT_TRUE(square.Create(4, 4, PixelFormat::k24));
  ASSERT_TRUE(codecs::SaveIco(dir.File("x.ico"), square).ok);
  outcome = LoadPreviewPicture(dir.File("x.ico"), holder, request, DecodeOptions());
  EXPECT_FALSE(outcome.failed);
  EXPECT_EQ(holder.kind, GraphicKind::kBitmap);
  EXPECT_EQ(holder.bitmap.Format(), PixelFormat::k24);
  EXPECT_EQ(holder.bitmap.Width(), 4);
}

}  // namespace
}  // namespace vr::picture
