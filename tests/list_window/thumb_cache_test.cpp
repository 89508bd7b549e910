// The thumbnail cache file: record layout, stale records, the switch from BMP to JPEG records,
// and reading damaged records.
#include "lists/window/thumb_cache.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "fakes/fake_folders.h"
#include "test_support/temp_dir.h"

namespace vr::list_window {
namespace {

using picture::Bitmap;
using picture::PixelFormat;

Bitmap Cell(int w, int h, uint8_t seed) {
  Bitmap b;
  b.Create(w, h, PixelFormat::k24);
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w * 3; ++x) b.Row(y)[x] = static_cast<uint8_t>(seed + x * 7 + y * 3);
  }
  return b;
}

std::vector<uint8_t> ReadBytes(const std::string& path, int64_t offset, int64_t length) {
  std::ifstream in(path, std::ios::binary);
  in.seekg(offset);
  std::vector<uint8_t> bytes(static_cast<size_t>(length));
  in.read(reinterpret_cast<char*>(bytes.data()), length);
  return bytes;
}

TEST(StampField, RoundTripsAndRejectsDamage) {
  uint8_t field[kStampFieldBytes];
  for (int32_t stamp : {0, -1, 1234567, INT32_MAX, INT32_MIN}) {
    EncodeStampField(stamp, field);
    int32_t back = 7;
    ASSERT_TRUE(DecodeStampField(field, &back)) << stamp;
    EXPECT_EQ(back, stamp);
  }
  EncodeStampField(1234, field);
  EXPECT_EQ(field[0], 4);
  EXPECT_EQ(std::memcmp(field + 1, "1234", 4), 0);
  EXPECT_EQ(field[5], 0);
  int32_t out = 0;
  field[0] = 0;
  EXPECT_FALSE(DecodeStampField(field, &out));
  field[0] = 19;  // digits run into the zero padding
  EXPECT_FALSE(DecodeStampField(field, &out));
  const uint8_t too_big[kStampFieldBytes] = {11,  '9', '9', '9', '9', '9',
                                             '9', '9', '9', '9', '9', '9'};
  EXPECT_FALSE(DecodeStampField(too_big, &out));
}

TEST(JpegQuality, FallsWithTheListSize) {
  EXPECT_EQ(JpegQualityFor(999), 97);
  EXPECT_EQ(JpegQualityFor(1000), 92);
  EXPECT_EQ(JpegQualityFor(4999), 92);
  EXPECT_EQ(JpegQualityFor(5000), 87);
  EXPECT_EQ(JpegQualityFor(9999), 87);
  EXPECT_EQ(JpegQualityFor(10000), 85);
}

class ThumbCacheTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folders_.SetTempFolder(dir_.Path());
    ASSERT_TRUE(cache_.Create(folders_));
  }
  test_support::TempDir dir_;
  fakes::FakeFolders folders_;
  ThumbCache cache_;
};

TEST_F(ThumbCacheTest, CreatesAnEmptyLsTmpFileAndReplacesItOnRecreate) {
  const std::string first = cache_.path();
  const std::string name = std::filesystem::path(first).filename().string();
  EXPECT_EQ(name.rfind("~LS", 0), 0u);
  EXPECT_EQ(name.substr(name.size() - 4), ".TMP");
  EXPECT_EQ(std::filesystem::file_size(first), 0u);
  cache_.Append(5, Cell(8, 8, 1), 10);
  ASSERT_TRUE(cache_.Create(folders_));
  EXPECT_FALSE(std::filesystem::exists(first));
  EXPECT_EQ(cache_.Size(), 0);
}

TEST_F(ThumbCacheTest, AppendsBmpRecordsThatReadBackExactly) {
  const Bitmap a = Cell(64, 48, 3);
  const Bitmap b = Cell(32, 32, 9);
  const CacheRecord ra = cache_.Append(1234, a, 10);
  const CacheRecord rb = cache_.Append(-1, b, 10);
  ASSERT_TRUE(ra.ok());
  ASSERT_TRUE(rb.ok());
  EXPECT_EQ(ra.offset, 0);
  EXPECT_EQ(rb.offset, ra.length);
  EXPECT_EQ(cache_.Size(), ra.length + rb.length);
  // Header bytes as laid out on disk.
  const std::vector<uint8_t> head = ReadBytes(cache_.path(), 0, 26);
  EXPECT_EQ(head[0], 4);
  EXPECT_EQ(std::memcmp(head.data() + 1, "1234", 4), 0);
  const uint8_t tag[4] = {3, 'B', 'M', 'P'};
  EXPECT_EQ(std::memcmp(head.data() + 20, tag, 4), 0);
  EXPECT_EQ(head[24], 'B');
  EXPECT_EQ(head[25], 'M');

  Bitmap back;
  ASSERT_EQ(cache_.Read(ra.offset, ra.length, 1234, &back), RecordStatus::kOk);
  ASSERT_EQ(back.Width(), 64);
  ASSERT_EQ(back.Height(), 48);
  for (int y = 0; y < 48; ++y) ASSERT_EQ(std::memcmp(back.Row(y), a.Row(y), 64 * 3), 0) << y;
  ASSERT_EQ(cache_.Read(rb.offset, rb.length, -1, &back), RecordStatus::kOk);
  EXPECT_EQ(back.PixelAt(5, 7), b.PixelAt(5, 7));
}

TEST_F(ThumbCacheTest, ARecordWithAnotherStampIsStale) {
  const CacheRecord r = cache_.Append(1000, Cell(16, 16, 0), 10);
  Bitmap back;
  EXPECT_EQ(cache_.Read(r.offset, r.length, 1002, &back), RecordStatus::kStale);
  EXPECT_EQ(cache_.Read(r.offset, r.length, 1000, &back), RecordStatus::kOk);
}

TEST_F(ThumbCacheTest, TurnsToJpegPastTheThreshold) {
  cache_.SetJpegThresholdForTesting(20000);
  Bitmap cell;  // a BMP record of 12,366 bytes
  cell.Create(64, 64, PixelFormat::k24);
  for (int y = 0; y < 64; ++y) {
    for (int x = 0; x < 64; ++x) {
      cell.Row(y)[x * 3] = 40;
      cell.Row(y)[x * 3 + 1] = static_cast<uint8_t>(100 + y);
      cell.Row(y)[x * 3 + 2] = 200;
    }
  }
  const CacheRecord first = cache_.Append(1, cell, 10);
  EXPECT_EQ(first.format, ThumbFormat::kBmp);
  const CacheRecord second = cache_.Append(2, cell, 10);  // the file is at most the threshold
  EXPECT_EQ(second.format, ThumbFormat::kBmp);
  ASSERT_GT(cache_.Size(), 20000);
  const CacheRecord third = cache_.Append(3, cell, 10);
  EXPECT_EQ(third.format, ThumbFormat::kJpeg);
  EXPECT_LT(third.length, first.length);
  ThumbFormat format;
  ASSERT_TRUE(cache_.ReadKindTag(third.offset, &format));
  EXPECT_EQ(format, ThumbFormat::kJpeg);
  const std::vector<uint8_t> head = ReadBytes(cache_.path(), third.offset + 20, 6);
  EXPECT_EQ(std::memcmp(head.data(), "\x03JPG\xFF\xD8", 6), 0);
  Bitmap back;
  ASSERT_EQ(cache_.Read(third.offset, third.length, 3, &back), RecordStatus::kOk);
  EXPECT_EQ(back.Width(), 64);
  // Quality 97 keeps the colours close.
  const picture::Rgb want = cell.ColourAt(30, 30);
  const picture::Rgb got = back.ColourAt(30, 30);
  EXPECT_NEAR(got.r, want.r, 6);
  EXPECT_NEAR(got.g, want.g, 6);
  EXPECT_NEAR(got.b, want.b, 6);
}

TEST(ThumbCacheLimit, TheRealThresholdIsTenMegabytes) {
  test_support::TempDir dir;
  const std::string path = dir.File("cache.TMP");
  { std::ofstream(path, std::ios::binary).put('\0'); }
  // A sparse file exactly at the limit: still BMP, the next record goes past it.
  std::filesystem::resize_file(path, kJpegThreshold);
  ThumbCache cache;
  ASSERT_TRUE(cache.OpenForAppend(path));
  EXPECT_EQ(cache.Size(), 10485760);
  const CacheRecord at_limit = cache.Append(7, Cell(16, 16, 2), 10);
  EXPECT_EQ(at_limit.format, ThumbFormat::kBmp);
  EXPECT_EQ(at_limit.offset, 10485760);
  const CacheRecord past = cache.Append(8, Cell(16, 16, 2), 10);
  EXPECT_EQ(past.format, ThumbFormat::kJpeg);
}

TEST_F(ThumbCacheTest, RecordsOutsideTheFileOrWithBadTagsAreDamaged) {
  const CacheRecord r = cache_.Append(9, Cell(8, 8, 0), 10);
  Bitmap back;
  EXPECT_EQ(cache_.Read(-1, r.length, 9, &back), RecordStatus::kDamaged);
  EXPECT_EQ(cache_.Read(r.offset, r.length + 1, 9, &back), RecordStatus::kDamaged);
  EXPECT_EQ(cache_.Read(r.offset + 1, r.length - 1, 9, &back), RecordStatus::kDamaged);
  EXPECT_EQ(cache_.Read(r.offset, 24, 9, &back), RecordStatus::kDamaged);
  EXPECT_EQ(cache_.Read(r.offset, INT64_MAX, 9, &back), RecordStatus::kDamaged);

  std::vector<uint8_t> bytes = ReadBytes(cache_.path(), r.offset, r.length);
  bytes[21] = 'X';  // kind tag
  EXPECT_EQ(ParseRecord(bytes.data(), bytes.size(), 9, true, &back), RecordStatus::kDamaged);
  bytes[21] = 'B';
  bytes.resize(60);  // a BMP cut short
  EXPECT_EQ(ParseRecord(bytes.data(), bytes.size(), 9, true, &back), RecordStatus::kDamaged);
}

TEST(ThumbCacheClosed, AppendOnAClosedCacheGivesNoRecord) {
  ThumbCache cache;
  const CacheRecord r = cache.Append(1, Cell(8, 8, 0), 10);
  EXPECT_EQ(r.offset, -1);
  EXPECT_EQ(r.length, -1);
}

}  // namespace
}  // namespace vr::list_window
