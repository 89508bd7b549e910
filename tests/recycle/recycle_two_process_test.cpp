// Two real processes share one bin, each deleting its own files into it and restoring them
// again, 500 operations each at the same time. Afterwards every file is either back in place or
// restorable from the bin, and the index is well formed.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <map>
#include <random>
#include <set>

#include "lists/recycle/recycle_bin.h"
#include "lists/recycle/recycle_index.h"
#include "platform/files.h"
#include "test_support/temp_dir.h"

namespace vr::recycle {
namespace {

namespace fs = std::filesystem;

constexpr int kFilesPerProcess = 40;
constexpr int kOperations = 500;

std::string FileOf(const std::string& root, int worker, int i) {
  return root + "/w" + std::to_string(worker) + "/f" + std::to_string(i) + ".jpg";
}

// One worker: random deletes and restores of its own files; exit code 0 when every operation
// did what the bin's state allowed.
int Work(const std::string& root, const std::string& bin_folder, int worker) {
  platform::PosixFiles files;
  BinServices services;
  services.files = &files;
  RecycleBin bin(services, bin_folder);
  if (!bin.Start()) return 10;
  std::mt19937 random(static_cast<unsigned>(worker) * 7919u + 1u);
  const std::string mine = root + "/w" + std::to_string(worker) + "/";
  for (int op = 0; op < kOperations; ++op) {
    const int i = static_cast<int>(random() % kFilesPerProcess);
    const std::string path = FileOf(root, worker, i);
    if (fs::exists(path)) {
      if (!bin.DeleteThroughBin(path, nullptr)) return 11;
    } else {
      // Restore this worker's newest entry for the file.
      bool done = false;
      for (const std::string& line : bin.ReadEntries()) {
        const auto entry = ParseIndexLine(line);
        if (entry && entry->former == path) {
          if (!bin.Restore(line).restored) return 12;
          done = true;
          break;
        }
      }
      if (!done) return 13;  // deleted but not in the bin: lost
    }
  }
  return 0;
}

TEST(RecycleTwoProcesses, ConcurrentDeletesAndRestoresLoseNothing) {
  test_support::TempDir dir;
  const std::string bin_folder = RecycleBin::FolderIn(dir.Path() + "/home");
  std::map<std::string, std::string> contents;
  for (int w = 0; w < 2; ++w) {
    for (int i = 0; i < kFilesPerProcess; ++i) {
      const std::string text = "worker " + std::to_string(w) + " file " + std::to_string(i);
      dir.WriteText("w" + std::to_string(w) + "/f" + std::to_string(i) + ".jpg", text);
      contents[FileOf(dir.Path(), w, i)] = text;
    }
  }
  std::vector<pid_t> children;
  for (int w = 0; w < 2; ++w) {
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) ::_exit(Work(dir.Path(), bin_folder, w));
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
  }

  platform::PosixFiles files;
  BinServices services;
  services.files = &files;
  RecycleBin bin(services, bin_folder);
  ASSERT_TRUE(bin.Start());
  // Every line of the index parses, names a distinct copy inside the bin, and the text ends
  // each line with CR LF.
  auto raw = test_support::TempDir::Read(bin.IndexPath());
  const std::string text(raw.begin(), raw.end());
  if (!text.empty()) {
    EXPECT_EQ(text.substr(text.size() - 2), "\r\n");
  }
  std::set<std::string> copies;
  std::map<std::string, std::string> in_bin;  // former -> copy
  for (const std::string& line : bin.ReadEntries()) {
    const auto entry = ParseIndexLine(line);
    ASSERT_TRUE(entry) << line;
    EXPECT_TRUE(copies.insert(entry->copy).second) << "copy named twice: " << entry->copy;
    EXPECT_EQ(fs::path(entry->copy).parent_path().string() + "/", bin.folder());
    EXPECT_EQ(in_bin.count(entry->former), 0u) << "file in the bin twice: " << entry->former;
    in_bin[entry->former] = entry->copy;
  }
  for (const auto& [path, expected] : contents) {
    const bool present = fs::exists(path);
    EXPECT_NE(present, in_bin.count(path) != 0) << path;
    const std::string holder = present ? path : in_bin[path];
    auto bytes = test_support::TempDir::Read(holder);
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), expected) << holder;
  }
  // Nothing stray left in the bin: the copies, the index and the lock file.
  size_t others = 0;
  for (const auto& e : fs::directory_iterator(bin.folder())) {
    if (copies.count(e.path().string()) == 0) ++others;
  }
  EXPECT_LE(others, 2u);
}

}  // namespace
}  // namespace vr::recycle
