// WMF and EMF headers and the record walk, without any drawing: which records a player is handed
// and where a damaged stream stops.
#include <gtest/gtest.h>

#include <cstdint>
#include <utility>
#include <vector>

#include "metafile/metafile_builder.h"
#include "picture/codecs/metafile/metafile.h"
#include "test_support/temp_dir.h"

namespace vr::metafile {
namespace {

using testing::EmfBuilder;
using testing::WmfBuilder;

// (type, size in bytes) of every record the cursor hands out.
std::vector<std::pair<uint32_t, size_t>> Walk(const Metafile& meta) {
  std::vector<std::pair<uint32_t, size_t>> seen;
  RecordCursor cursor(meta);
  Record record;
  while (cursor.Next(record)) {
    EXPECT_GE(record.data, meta.Bytes().data());
    EXPECT_LE(record.data + record.size, meta.Bytes().data() + meta.Bytes().size());
    seen.emplace_back(record.type, record.size);
  }
  EXPECT_FALSE(cursor.Next(record));  // stays ended
  return seen;
}

TEST(MetafileRecords, WmfRecordsInOrderUpToTheEndRecord) {
  WmfBuilder w(10, 20, 110, 70, 96, 5);
  w.Record(0x001E, {}).Record(0x041B, {1, 2, 3, 4}).Record(0x0127, {-1});
  std::vector<uint8_t> bytes = w.Finish();
  // Anything after the end record is never played.
  bytes.insert(bytes.end(), {4, 0, 0, 0, 0x1B, 0x04, 0, 0});
  auto meta = Metafile::FromBytes(bytes);
  ASSERT_TRUE(meta);
  EXPECT_FALSE(meta->IsEmf());
  EXPECT_EQ(meta->Width(), 100);
  EXPECT_EQ(meta->Height(), 50);
  EXPECT_EQ(meta->Bounds().left, 10);
  EXPECT_EQ(meta->Bounds().height, 50);
  EXPECT_EQ(meta->ObjectCount(), 5);
  EXPECT_EQ(meta->RecordsAt(), 40u);
  const std::vector<std::pair<uint32_t, size_t>> expected = {
      {0x001E, 6}, {0x041B, 14}, {0x0127, 8}};
  EXPECT_EQ(Walk(*meta), expected);
}

TEST(MetafileRecords, WmfWalkStopsAtARecordThatCannotFit) {
  WmfBuilder w(0, 0, 100, 100, 96);
  w.Record(0x001E, {});
  std::vector<uint8_t> bytes = w.Finish();
  // Replace the end record by one claiming more words than the file holds.
  bytes.resize(bytes.size() - 6);
  bytes.insert(bytes.end(), {0xFF, 0xFF, 0, 0, 0x1B, 0x04, 1, 0});
  auto meta = Metafile::FromBytes(bytes);
  ASSERT_TRUE(meta);
  EXPECT_EQ(Walk(*meta).size(), 1u);
  // A record shorter than its own header ends the walk too.
  bytes[bytes.size() - 8] = 2;
  bytes[bytes.size() - 7] = 0;
  EXPECT_EQ(Walk(*Metafile::FromBytes(bytes)).size(), 1u);
}

TEST(MetafileRecords, EmfHeaderIsSizedAndLeftOutOfTheWalk) {
  EmfBuilder e(5080, 2540);
  e.Record(43, {1, 2, 3, 4}).Record(33, {});
  auto meta = Metafile::FromBytes(e.Finish(), 120);
  ASSERT_TRUE(meta);
  EXPECT_TRUE(meta->IsEmf());
  EXPECT_EQ(meta->Width(), 240);
  EXPECT_EQ(meta->Height(), 120);
  EXPECT_EQ(meta->HandleCount(), 8u);
  // 1000 device pixels over 254 mm.
  EXPECT_NEAR(meta->PixelsPerMmX(), 1000.0 / 254, 1e-9);
  EXPECT_NEAR(meta->FrameDevice().width, 5080 * (1000.0 / 254) / 100, 1e-9);
  const std::vector<std::pair<uint32_t, size_t>> expected = {{43, 24}, {33, 8}};
  EXPECT_EQ(Walk(*meta), expected);
}

TEST(MetafileRecords, EmfWalkStopsAtDamage) {
  EmfBuilder e(5080, 2540);
  e.Record(43, {1, 2, 3, 4});
  std::vector<uint8_t> bytes = e.Finish();
  // The end record (20 bytes) becomes a record whose size runs past the file.
  const size_t end_at = bytes.size() - 20;
  bytes[end_at] = 43;
  bytes[end_at + 4] = 200;
  auto meta = Metafile::FromBytes(bytes);
  ASSERT_TRUE(meta);
  EXPECT_EQ(Walk(*meta).size(), 1u);
  // A size below the record header's 8 bytes stops it as well.
  bytes[end_at + 4] = 4;
  EXPECT_EQ(Walk(*Metafile::FromBytes(bytes)).size(), 1u);
}

TEST(MetafileRecords, UnknownOrCutHeadersAreRefused) {
  EXPECT_FALSE(Metafile::FromBytes({}));
  EXPECT_FALSE(Metafile::FromBytes({1, 2, 3}));
  EXPECT_FALSE(Metafile::FromBytes(std::vector<uint8_t>(40, 0)));
  std::vector<uint8_t> wmf = WmfBuilder(0, 0, 10, 10, 96).Finish();
  EXPECT_FALSE(Metafile::FromBytes(std::vector<uint8_t>(wmf.begin(), wmf.begin() + 30)));
  std::vector<uint8_t> emf = EmfBuilder(100, 100).Finish();
  emf[40] = 'X';  // signature
  EXPECT_FALSE(Metafile::FromBytes(emf));
  EXPECT_FALSE(Metafile::FromBytes(std::vector<uint8_t>(emf.begin(), emf.begin() + 60)));
}

TEST(MetafileRecords, ReadFromFiles) {
  test_support::TempDir dir;
  auto meta = ReadMetafile(dir.Write("a.wmf", WmfBuilder(0, 0, 1440, 720, 1440).Finish()));
  ASSERT_TRUE(meta);
  EXPECT_EQ(meta->Width(), 96);
  EXPECT_FALSE(ReadMetafile(dir.Write("empty.emf", {})));
  EXPECT_FALSE(ReadMetafile(dir.File("missing.wmf")));
}

}  // namespace
}  // namespace vr::metafile
