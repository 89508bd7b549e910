// Protected files on the real file system: the stored form, the round trip and every failure,
// which must leave the source as it was and no temporary file behind.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <sys/wait.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>

#include "extras/protected_file.h"
#include "extras/protection_session.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_files.h"
#include "fakes/fake_folders.h"
#include "fakes/fake_ui.h"
#include "platform/profile_file.h"
#include "test_support/temp_dir.h"

namespace vr::extras {
namespace {

using test_support::TempDir;
namespace fs = std::filesystem;

std::vector<uint8_t> Bytes(size_t n, uint32_t seed) {
  std::vector<uint8_t> out(n);
  for (size_t i = 0; i < n; ++i) {
    seed = seed * 1103515245u + 12345u;
    out[i] = static_cast<uint8_t>(seed >> 16);
  }
  return out;
}

std::vector<std::string> Listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(folder)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

struct Fixture : ::testing::Test {
  TempDir dir;
  TempDir temp;
  fakes::FakeFiles files;
  fakes::FakeFolders folders{dir.Path(), temp.Path()};
  fakes::FakeClock clock;
  std::string ini = dir.File("VELDR.INI");
  PasswordStore store{ini};
  ProtectServices services{&files, &folders, &clock};

  void SetUp() override {
    ASSERT_EQ(store.Set("Sesame"), PasswordStore::SetResult::kSaved);
  }
  // Every file of the folder besides the settings file.
  std::vector<std::string> Pictures() {
    std::vector<std::string> names = Listing(dir.Path());
    names.erase(std::remove(names.begin(), names.end(), "VELDR.INI"), names.end());
    return names;
  }
};

TEST(PasswordText, StoredAsHexOfXoredCharactersAndReadBack) {
  const std::string stored = EncodePassword("Ab~");
  ASSERT_EQ(stored.size(), 6u);
  char expect[7];
  std::snprintf(expect, sizeof expect, "%02X%02X%02X", 'A' ^ kStoredPasswordKey,
                'b' ^ kStoredPasswordKey, '~' ^ kStoredPasswordKey);
  EXPECT_EQ(stored, expect);
  EXPECT_EQ(DecodePassword(stored), "Ab~");
  EXPECT_EQ(DecodePassword(stored.substr(1)), std::nullopt);
  EXPECT_EQ(DecodePassword("G0"), std::nullopt);
  EXPECT_EQ(ContentKey("Ab~"), static_cast<uint8_t>('A' + 'b' + '~'));
}

TEST(PasswordText, SetOnceAndRefusedWhenItWouldNotScramble) {
  TempDir dir;
  PasswordStore store(dir.File("s.ini"));
  EXPECT_FALSE(store.HasPassword());
  EXPECT_EQ(store.Set(""), PasswordStore::SetResult::kEmpty);
  EXPECT_EQ(store.Set(std::string(113, 'a')), PasswordStore::SetResult::kTooLong);
  // 0x80 + 0x80 adds up to 256: the content key would be 0.
  EXPECT_EQ(store.Set("\x80\x80"), PasswordStore::SetResult::kZeroKey);
  EXPECT_FALSE(fs::exists(dir.File("s.ini")));
  const std::string longest(112, 'z');
  EXPECT_EQ(store.Set(longest), PasswordStore::SetResult::kSaved);
  EXPECT_LE(ProtectedHeader(store.stored_text()).size(), 255u);
  EXPECT_EQ(store.Set("other"), PasswordStore::SetResult::kAlreadySet);
  PasswordStore again(dir.File("s.ini"));
  EXPECT_EQ(again.password(), longest);
  EXPECT_EQ(platform::ProfileFile(dir.File("s.ini")).ReadString("General", "Password", ""),
            EncodePassword(longest));
}

TEST_F(Fixture, ProtectWritesHeaderAndXorAndUnprotectGivesTheFileBack) {
  for (const size_t size : {size_t{0}, size_t{1}, kProtectBlock, 3 * kProtectBlock + 17}) {
    SCOPED_TRACE(size);
    const std::vector<uint8_t> data = Bytes(size, static_cast<uint32_t>(size));
    const std::string path = dir.Write("Photo One.JPG", data);
    ::chmod(path.c_str(), 0640);
    const struct timespec times[2] = {{1500000000, 0}, {1600000000, 500000000}};
    ::utimensat(AT_FDCWD, path.c_str(), times, 0);

    const ProtectResult done = ProtectOrUnprotect(store, services, path, true, false);
    ASSERT_TRUE(done.ok()) << done.message;
    EXPECT_EQ(done.path, dir.File("!_Photo One.JPG"));
    struct stat st {};
    ASSERT_EQ(::stat(done.path.c_str(), &st), 0);  // before anything reads it
    EXPECT_EQ(st.st_atim.tv_sec, 1500000000);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(Pictures(), std::vector<std::string>{"!_Photo One.JPG"});
    std::vector<uint8_t> expect;
    const std::string header = std::string("Veldrimon Protected File!\r\n") +
                               EncodePassword("Sesame") + "\r\n\x1A";
    expect.assign(header.begin(), header.end());
    const uint8_t key = static_cast<uint8_t>('S' + 'e' + 's' + 'a' + 'm' + 'e');
    for (const uint8_t b : data) expect.push_back(b ^ key);
    EXPECT_EQ(TempDir::Read(done.path), expect);
    EXPECT_TRUE(IsProtected(done.path));

    const ProtectResult back = ProtectOrUnprotect(store, services, done.path, false, false);
    ASSERT_TRUE(back.ok()) << back.message;
    EXPECT_EQ(back.path, path);
    EXPECT_EQ(Pictures(), std::vector<std::string>{"Photo One.JPG"});
    EXPECT_EQ(TempDir::Read(path), data);
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(st.st_mtim.tv_sec, 1600000000);
    EXPECT_EQ(st.st_mtim.tv_nsec, 500000000);
    fs::remove(path);
  }
}

TEST_F(Fixture, StateNamesAndOtherPasswordsChangeNothing) {
  const std::string plain = dir.WriteText("a.gif", "GIF89a");
  EXPECT_EQ(ProtectOrUnprotect(store, services, plain, false, false).error, kErrorState);
  const std::string locked = ProtectOrUnprotect(store, services, plain, true, false).path;
  const ProtectResult twice = ProtectOrUnprotect(store, services, locked, true, false);
  EXPECT_EQ(twice.error, kErrorState);
  EXPECT_EQ(twice.message,
            "Error: You are either protecting a file that is already protected or you are "
            "un-protecting a file that is not protected!");

  // Only names with an extension count, whatever the file holds.
  const std::vector<uint8_t> head = TempDir::Read(locked);
  EXPECT_FALSE(IsProtected(dir.Write("noext", head)));
  EXPECT_FALSE(IsProtected(dir.Write("dot.", head)));
  EXPECT_TRUE(IsProtected(dir.Write("x.y", head)));
  EXPECT_FALSE(IsProtected(dir.File("missing.jpg")));

  // A protected file without the prefix comes back under its own name.
  const std::string renamed = dir.File("kept.gif");
  fs::rename(locked, renamed);
  const ProtectResult own = ProtectOrUnprotect(store, services, renamed, false, false);
  ASSERT_TRUE(own.ok());
  EXPECT_EQ(own.path, renamed);
  EXPECT_EQ(TempDir::Read(renamed), std::vector<uint8_t>({'G', 'I', 'F', '8', '9', 'a'}));

  // A file protected under another password stays as it is.
  TempDir other_dir;
  PasswordStore other(other_dir.File("o.ini"));
  ASSERT_EQ(other.Set("Different"), PasswordStore::SetResult::kSaved);
  const std::string foreign = ProtectOrUnprotect(other, services, renamed, true, false).path;
  const std::vector<uint8_t> before = TempDir::Read(foreign);
  const ProtectResult refused = ProtectOrUnprotect(store, services, foreign, false, false);
  EXPECT_EQ(refused.error, kErrorOtherPassword);
  EXPECT_EQ(refused.message,
            "Error: This file was protected with another password; nothing was changed.");
  EXPECT_EQ(TempDir::Read(foreign), before);
}

TEST_F(Fixture, FailuresLeaveTheSourceAndNoTemporaryFile) {
  const std::vector<uint8_t> data = Bytes(200000, 7);
  const std::string path = dir.Write("big.png", data);
  const std::vector<std::string> only_source = {"big.png"};

  EXPECT_EQ(ProtectOrUnprotect(store, services, dir.File("gone.png"), true, false).message,
            "Error: Source file, maybe doesn't exist.");

  // A file planted at the temporary name is neither used nor removed.
  dir.WriteText("!_big.png.TMP", "planted");
  EXPECT_EQ(ProtectOrUnprotect(store, services, path, true, false).error, kErrorTemp);
  EXPECT_EQ(TempDir::Read(dir.File("!_big.png.TMP")).size(), 7u);
  fs::remove(dir.File("!_big.png.TMP"));

  files.SetFreeSpace(data.size() + kProtectBlock);
  EXPECT_EQ(ProtectOrUnprotect(store, services, path, true, false).message,
            "Error: Not enough free space on drive where file is.");
  EXPECT_EQ(Pictures(), only_source);
  files.SetFreeSpace(std::nullopt);

  {
    // The file size limit makes the write fail part way.
    std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit old {};
    ::getrlimit(RLIMIT_FSIZE, &old);
    struct rlimit small = old;
    small.rlim_cur = 100000;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const ProtectResult r = ProtectOrUnprotect(store, services, path, true, false);
    ::setrlimit(RLIMIT_FSIZE, &old);
    EXPECT_EQ(r.message, "Error: File error while writing temp file.");
  }
  EXPECT_EQ(Pictures(), only_source);

  // The source cannot be deleted: the new file goes again.
  files.FailDelete(path, EACCES);
  EXPECT_EQ(ProtectOrUnprotect(store, services, path, true, false).error, kErrorComplete);
  EXPECT_EQ(Pictures(), only_source);
  EXPECT_EQ(TempDir::Read(path), data);

  // An existing "!_" file of that name is never overwritten.
  const std::string other = dir.WriteText("!_big.png", "someone else's");
  files = fakes::FakeFiles();
  EXPECT_EQ(ProtectOrUnprotect(store, services, path, true, false).error, kErrorComplete);
  EXPECT_EQ(TempDir::Read(other).size(), 14u);
  EXPECT_EQ(TempDir::Read(path), data);
  EXPECT_EQ(Pictures(), std::vector<std::string>({"!_big.png", "big.png"}));
}

TEST_F(Fixture, ViewCopiesArePrivateNumberedAndLeaveTheSource) {
  const std::string plain = dir.WriteText("pic.bmp", "BM-data");
  const std::string locked = ProtectOrUnprotect(store, services, plain, true, false).path;
  const std::vector<uint8_t> locked_bytes = TempDir::Read(locked);
  clock.SetMillisecondsSinceMidnight(45296789);  // last four digits 6789
  const ProtectResult first = ProtectOrUnprotect(store, services, locked, false, true);
  const ProtectResult second = ProtectOrUnprotect(store, services, locked, false, true);
  ASSERT_TRUE(first.ok() && second.ok());
  EXPECT_EQ(first.path, temp.File("~LS_Special_6789_pic.bmp"));
  EXPECT_EQ(second.path, temp.File("~LS_Special_6790_pic.bmp"));
  struct stat st {};
  ASSERT_EQ(::stat(first.path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);
  EXPECT_EQ(TempDir::Read(first.path), std::vector<uint8_t>({'B', 'M', '-', 'd', 'a', 't', 'a'}));
  EXPECT_EQ(TempDir::Read(locked), locked_bytes);
  EXPECT_EQ(Pictures(), std::vector<std::string>{"!_pic.bmp"});
}

TEST_F(Fixture, PasswordAskedOnceWithThreeCancelsAllowed) {
  fakes::FakeUi ui;
  ProtectionSession session(store, services, ui);
  const std::string locked =
      ProtectOrUnprotect(store, services, dir.WriteText("p.gif", "GIF87a"), true, false).path;

  // Quiet loads never ask and never open.
  EXPECT_FALSE(session.OpenForViewing(locked, false).ok);
  EXPECT_TRUE(ui.calls().empty());
  // Plain files pass untouched.
  const std::string plain = dir.WriteText("q.gif", "GIF87a");
  EXPECT_EQ(session.OpenForViewing(plain, true).path, plain);

  for (int i = 0; i < 3; ++i) {
    ui.QueueText(std::nullopt);
    EXPECT_FALSE(session.OpenForViewing(locked, true).ok);
  }
  EXPECT_EQ(ui.calls().size(), 3u);
  EXPECT_EQ(ui.calls()[0].text, "File Requires Password\r!_p.gif");
  ui.QueueText("sesame");  // wrong case: asked again with the complaint
  ui.QueueText("Sesame");
  const ProtectionSession::Viewing shown = session.OpenForViewing(locked, true);
  ASSERT_TRUE(shown.ok);
  EXPECT_TRUE(shown.copy);
  EXPECT_EQ(TempDir::Read(shown.path), std::vector<uint8_t>({'G', 'I', 'F', '8', '7', 'a'}));
  EXPECT_EQ(ui.calls().back().text, "File Requires Password\r!_p.gif\r\rInvalid Password");
  // Given once: quiet loads open protected files too, and no more dialogs.
  ui.Clear();
  EXPECT_TRUE(session.OpenForViewing(locked, false).ok);
  EXPECT_TRUE(session.AskPassword(""));
  EXPECT_TRUE(ui.calls().empty());

  // A fourth cancel closes the door for the run.
  ProtectionSession fresh(store, services, ui);
  for (int i = 0; i < 4; ++i) {
    ui.QueueText(std::nullopt);
    EXPECT_FALSE(fresh.AskPassword(""));
  }
  EXPECT_EQ(ui.MessageTexts(), std::vector<std::string>{kTooManyCancels});
  ui.Clear();
  EXPECT_FALSE(fresh.AskPassword(""));
  EXPECT_TRUE(ui.calls().empty());
}

// The command-line tool over the same files: the password once, protect, the test, unprotect.
TEST(ProtectTool, CommandsRoundTripAndReportErrors) {
  const char* binary_dir = std::getenv("VR_BINARY_DIR");
  const std::string tool = std::string(binary_dir != nullptr ? binary_dir : "") +
                           "/tools/veldrimon-tool";
  if (binary_dir == nullptr || !fs::exists(tool)) GTEST_SKIP() << "veldrimon-tool not built";
  TempDir dir;
  const std::string ini = dir.File("t.ini");
  const std::string pic = dir.WriteText("pic one.gif", "GIF89a-bytes");
  auto run = [&](const std::string& args) {
    const std::string command = "'" + tool + "' " + args + " --settings '" + ini + "' >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  };
  EXPECT_EQ(run("protect '" + pic + "'"), 1);  // no password yet
  EXPECT_EQ(run("password --set tool-pw"), 0);
  EXPECT_EQ(run("password --set again"), 1);  // refused once set
  EXPECT_EQ(run("protect '" + pic + "'"), 0);
  const std::string locked = dir.File("!_pic one.gif");
  EXPECT_EQ(run("is-protected '" + locked + "'"), 0);
  EXPECT_EQ(run("protect '" + locked + "'"), 1);  // error 7
  EXPECT_EQ(run("unprotect '" + locked + "'"), 0);
  EXPECT_EQ(TempDir::Read(pic), std::vector<uint8_t>({'G', 'I', 'F', '8', '9', 'a', '-', 'b', 'y',
                                                      't', 'e', 's'}));
  EXPECT_EQ(run("is-protected '" + pic + "'"), 1);
}

}  // namespace
}  // namespace vr::extras
