#pragma once
// Shared by the Notes database tests: a database in a private folder, checked for integrity
// after every test, and record bytes built from the layout by hand.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "notes/notes_database.h"
#include "test_support/temp_dir.h"

namespace vr::notes::testing {

using Bytes = std::vector<uint8_t>;

inline std::string JoinProblems(const std::vector<std::string>& problems) {
  std::string all;
  for (const auto& p : problems) all += p + "; ";
  return all;
}

class NotesDbTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = dir_.File("LSNOTES");
    ASSERT_EQ(db_.OpenNotesDatabase(base_), 0u);
  }
  // Every test leaves a sound database, in memory and, once closed, on disk.
  void TearDown() override {
    if (db_.IsOpen()) {
      EXPECT_EQ(JoinProblems(db_.CheckIntegrity()), "");
      EXPECT_EQ(db_.CloseNotesDatabase().status, 0u);
    }
    EXPECT_EQ(JoinProblems(CheckNotesFiles(base_)), "");
  }
  Bytes File(const std::string& ext) const { return test_support::TempDir::Read(base_ + ext); }
  void Reopen() {
    ASSERT_EQ(db_.CloseNotesDatabase().status, 0u);
    ASSERT_EQ(db_.OpenNotesDatabase(base_), 0u);
  }
  static NotesRecord Note(const std::string& category, const std::string& notes = "") {
    NotesRecord r;
    r.category = category;
    r.notes = notes;
    return r;
  }

  test_support::TempDir dir_;
  std::string base_;
  NotesDatabase db_;
};

// Little-endian 32-bit value at an offset, written independently of the library.
inline void Put32(Bytes* b, size_t at, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i)
    (*b)[at + static_cast<size_t>(i)] = static_cast<uint8_t>(u >> (8 * i));
}
inline void PutStr(Bytes* b, size_t at, const std::string& s) {
  (*b)[at] = static_cast<uint8_t>(s.size());
  std::memcpy(b->data() + at + 1, s.data(), s.size());
}

}  // namespace vr::notes::testing
