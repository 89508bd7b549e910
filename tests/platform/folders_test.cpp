#include "platform/folders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <set>

#include "test_support/temp_dir.h"

namespace vr::platform {
namespace {

using test_support::TempDir;

EnvLookup Env(std::map<std::string, std::string> values) {
  return [values](const std::string& name) -> std::optional<std::string> {
    auto it = values.find(name);
    if (it == values.end()) return std::nullopt;
    return it->second;
  };
}

auto Writable(bool answer) {
  return [answer](const std::string&) { return answer; };
}

TEST(FoldersTest, ProgramFolderFollowsTheRuleInOrder) {
  // VELDRIMON_HOME wins over everything.
  EXPECT_EQ(ResolveProgramFolder("/opt/v/", Env({{"VELDRIMON_HOME", "/data/vh"}}), Writable(true)),
            "/data/vh/");
  // A writable executable folder is a portable install.
  EXPECT_EQ(ResolveProgramFolder("/opt/v", Env({{"XDG_DATA_HOME", "/x"}}), Writable(true)),
            "/opt/v/");
  // Otherwise the user's data folder.
  EXPECT_EQ(ResolveProgramFolder("/usr/bin/",
                                 Env({{"XDG_DATA_HOME", "/home/u/.data"}, {"HOME", "/home/u"}}),
                                 Writable(false)),
            "/home/u/.data/veldrimon/");
  EXPECT_EQ(ResolveProgramFolder("/usr/bin/", Env({{"HOME", "/home/u"}}), Writable(false)),
            "/home/u/.local/share/veldrimon/");
  // A relative XDG_DATA_HOME is invalid and ignored, as the XDG rules say; empty values too.
  EXPECT_EQ(
      ResolveProgramFolder("/usr/bin/",
                           Env({{"XDG_DATA_HOME", "rel"}, {"HOME", "/h"}, {"VELDRIMON_HOME", ""}}),
                           Writable(false)),
      "/h/.local/share/veldrimon/");
}

mode_t ModeOf(const std::string& path) {
  struct stat st {};
  return ::lstat(path.c_str(), &st) == 0 ? (st.st_mode & 07777) : 07777;
}

std::string Mine() { return "veldrimon-" + std::to_string(::geteuid()); }

// The shared temporary folder is where another local user can plant names first: the runtime
// folder and the home-less program folder are used only when private, made and checked here.
TEST(FoldersTest, PrivateFoldersAreMadeForThisUserAndPlantedOnesAreRefused) {
  TempDir tmp;
  const EnvLookup env = Env({{"TMPDIR", tmp.Path()}});
  // Made on first use, 0700, and found again.
  const std::string made = PrivateTempFolder(env);
  EXPECT_EQ(made, tmp.Path() + "/" + Mine() + "/");
  EXPECT_EQ(ModeOf(made), 0700u);
  EXPECT_EQ(PrivateTempFolder(env), made);
  EXPECT_EQ(RuntimeFolder(env), made);
  // The runtime folder of the session wins when there is one.
  EXPECT_EQ(RuntimeFolder(Env({{"TMPDIR", tmp.Path()}, {"XDG_RUNTIME_DIR", "/run/user/7"}})),
            "/run/user/7/");

  // A folder others may enter or write is not private.
  TempDir open_tmp;
  std::filesystem::create_directory(open_tmp.File(Mine()));
  ::chmod(open_tmp.File(Mine()).c_str(), 0777);
  EXPECT_EQ(PrivateTempFolder(Env({{"TMPDIR", open_tmp.Path()}})), "");
  EXPECT_EQ(RuntimeFolder(Env({{"TMPDIR", open_tmp.Path()}})), "");
  // Nor is a link planted at the name, even to a folder that would pass.
  TempDir linked_tmp;
  std::filesystem::create_directory_symlink(made, linked_tmp.File(Mine()));
  EXPECT_EQ(PrivateTempFolder(Env({{"TMPDIR", linked_tmp.Path()}})), "");
  // Nor a plain file.
  TempDir file_tmp;
  file_tmp.WriteText(Mine(), "x");
  EXPECT_FALSE(EnsurePrivateFolder(file_tmp.File(Mine())));

  // Without a home the program folder is the private folder; when that was planted, a fresh
  // private folder is made instead of using the planted one.
  EXPECT_EQ(ResolveProgramFolder("/usr/bin/", env, Writable(false)), made);
  const std::string fresh =
      ResolveProgramFolder("/usr/bin/", Env({{"TMPDIR", linked_tmp.Path()}}), Writable(false));
  EXPECT_EQ(fresh.rfind(linked_tmp.Path() + "/veldrimon-", 0), 0u) << fresh;
  EXPECT_NE(fresh, linked_tmp.Path() + "/" + Mine() + "/");
  EXPECT_EQ(ModeOf(fresh), 0700u);
}

TEST(FoldersTest, TempFolderTakesTmpdirOnlyWhenItIsAFolder) {
  TempDir dir;
  EXPECT_EQ(ResolveTempFolder(Env({{"TMPDIR", dir.Path()}})), dir.Path() + "/");
  EXPECT_EQ(ResolveTempFolder(Env({{"TMPDIR", dir.File("missing")}})), "/tmp/");
  EXPECT_EQ(ResolveTempFolder(Env({})), "/tmp/");
}

TEST(FoldersTest, SystemFoldersMakeTheProgramFolderAndShareItAsWindowsFolder) {
  TempDir dir;
  const std::string home = dir.File("home/deeper");
  SystemFolders folders("", Env({{"VELDRIMON_HOME", home}, {"TMPDIR", dir.Path()}}));
  EXPECT_EQ(folders.ProgramFolder(), home + "/");
  EXPECT_EQ(folders.WindowsFolder(), folders.ProgramFolder());
  EXPECT_EQ(folders.TempFolder(), dir.Path() + "/");
  EXPECT_TRUE(std::filesystem::is_directory(home));
}

TEST(FoldersTest, ExclusiveFilesAreNewPrivateAndDistinct) {
  TempDir dir;
  std::set<std::string> names;
  std::vector<TempFile> files;
  for (int i = 0; i < 20; ++i) {
    TempFile file = CreateExclusiveFile(dir.Path(), "~LS", ".TMP");
    ASSERT_TRUE(file.IsOpen());
    const std::string name = std::filesystem::path(file.path()).filename().string();
    EXPECT_EQ(name.rfind("~LS", 0), 0u);
    EXPECT_EQ(name.substr(name.size() - 4), ".TMP");
    names.insert(file.path());
    files.push_back(std::move(file));
  }
  EXPECT_EQ(names.size(), 20u);
  struct stat st;
  ASSERT_EQ(::stat(files[0].path().c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_TRUE(files[0].Write("abc", 3));
  EXPECT_EQ(TempDir::Read(files[0].path()).size(), 3u);
}

TEST(FoldersTest, PlantedLinksAreNeverFollowedOrRemoved) {
  TempDir dir;
  const std::string victim = dir.WriteText("victim.txt", "precious");
  // Someone guessed the first two names: a link to the victim and a dangling link.
  ASSERT_EQ(::symlink(victim.c_str(), dir.File("~SCREENAAAA.BMP").c_str()), 0);
  ASSERT_EQ(::symlink(dir.File("made-by-us").c_str(), dir.File("~SCREENBBBB.BMP").c_str()), 0);
  const std::vector<std::string> guesses = {"AAAA", "BBBB", "CCCC"};
  size_t next = 0;
  TempFile file = CreateExclusiveFile(
      dir.Path(), "~SCREEN", ".BMP", [&] { return guesses[std::min(next++, guesses.size() - 1)]; });
  ASSERT_TRUE(file.IsOpen());
  EXPECT_EQ(file.path(), dir.File("~SCREENCCCC.BMP"));
  ASSERT_TRUE(file.Write("garbage", 7));
  file.Remove();

  EXPECT_TRUE(std::filesystem::is_symlink(dir.File("~SCREENAAAA.BMP")));
  EXPECT_FALSE(std::filesystem::exists(dir.File("made-by-us")));
  const auto bytes = TempDir::Read(victim);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "precious");
}

TEST(FoldersTest, GivesUpWhenEveryNameIsTaken) {
  TempDir dir;
  dir.WriteText("~LSSAME.TMP", "x");
  int attempts = 0;
  TempFile file = CreateExclusiveFile(dir.Path(), "~LS", ".TMP", [&] {
    ++attempts;
    return std::string("SAME");
  });
  EXPECT_FALSE(file.IsOpen());
  EXPECT_EQ(attempts, 100);
}

TEST(FoldersTest, TempFileOwnershipMovesAndDeleteOnCloseCleansUp) {
  TempDir dir;
  std::string path;
  {
    TempFile file = CreateExclusiveFile(dir.Path(), "~SCAN", ".BMP");
    file.SetDeleteOnClose(true);
    TempFile moved = std::move(file);
    EXPECT_FALSE(file.IsOpen());
    path = moved.path();
    EXPECT_TRUE(std::filesystem::exists(path));
  }
  EXPECT_FALSE(std::filesystem::exists(path));
  {
    TempFile kept = CreateExclusiveFile(dir.Path(), "~K", ".TMP");
    kept.SetDeleteOnClose(true);
    path = kept.Release();
  }
  EXPECT_TRUE(std::filesystem::exists(path));
  // A folder that does not exist gives a closed file rather than looping.
  EXPECT_FALSE(CreateExclusiveFile(dir.File("none"), "~X", ".TMP").IsOpen());
}

}  // namespace
}  // namespace vr::platform
