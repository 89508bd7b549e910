// A real CUPS queue: the fixture starts its own cupsd from a temporary configuration with a queue
// whose backend writes each job into a folder, reaches it through CUPS_SERVER, and prints a
// picture and a 2-page catalogue there with veldrimon-tool. Skips where cupsd cannot start.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "colour/export/export_picture.h"
#include "test_support/temp_dir.h"

namespace vr::print {
namespace {

namespace fs = std::filesystem;

std::string Tool() {
  const char* dir = std::getenv("VR_BINARY_DIR");
  return std::string(dir != nullptr ? dir : ".") + "/tools/veldrimon-tool";
}

std::string Command(const std::string& command, int* code = nullptr) {
  std::string out;
  FILE* pipe = ::popen((command + " 2>/dev/null").c_str(), "r");
  if (pipe == nullptr) return out;
  char buffer[4096];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) out.append(buffer, n);
  const int status = ::pclose(pipe);
  if (code != nullptr) *code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return out;
}

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::trunc) << text;
}

// Waits until `ready` holds, checking every 50 ms for at most `seconds`.
template <typename F>
bool WaitFor(F ready, int seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < end) {
    if (ready()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return ready();
}

class CupsQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* daemon = "/usr/sbin/cupsd";
    const char* exec_helper = "/usr/lib/cups/daemon/cups-exec";
    if (!fs::exists(daemon) || !fs::exists(exec_helper) ||
        std::system("command -v lpadmin >/dev/null && command -v pdfinfo >/dev/null") != 0) {
      GTEST_SKIP() << "cupsd, lpadmin or pdfinfo not installed (Debian cups, poppler-utils)";
    }
    if (::geteuid() != 0) GTEST_SKIP() << "this cupsd configuration runs its backend as root";
    const std::string root = dir_.Path();
    for (const char* sub : {"spool", "cache", "log", "state", "out", "conf/ppd", "bin/backend",
                            "bin/daemon", "bin/filter"}) {
      fs::create_directories(root + "/" + sub);
    }
    fs::permissions(root, fs::perms::all);
    fs::permissions(root + "/out", fs::perms::all);
    fs::copy_file(exec_helper, root + "/bin/daemon/cups-exec");
    // The backend writes each job into the folder its device URI names.
    const std::string backend = root + "/bin/backend/vrfile";
    WriteFile(backend,
              "#!/bin/sh\n"
              "if [ $# -eq 0 ]; then echo 'direct vrfile \"Unknown\" \"test queue\"'; exit 0; fi\n"
              "dir=\"${DEVICE_URI#vrfile:}\"\n"
              "if [ -n \"$6\" ]; then cat \"$6\" > \"$dir/job-$1.tmp\"; else cat > \"$dir/job-$1.tmp\"; fi\n"
              "mv \"$dir/job-$1.tmp\" \"$dir/job-$1.pdf\"\n");
    ::chmod(backend.c_str(), 0700);
    socket_ = root + "/cups.sock";
    WriteFile(root + "/conf/cupsd.conf",
              "Listen " + socket_ + "\nLogLevel warn\nWebInterface No\nDefaultAuthType None\n"
              "<Location />\n  Order allow,deny\n  Allow all\n</Location>\n"
              "<Policy default>\n  <Limit All>\n    Order deny,allow\n  </Limit>\n</Policy>\n");
    WriteFile(root + "/conf/cups-files.conf",
              "RequestRoot " + root + "/spool\nCacheDir " + root + "/cache\nStateDir " + root +
                  "/state\nTempDir " + root + "/spool\nErrorLog " + root +
                  "/log/error_log\nAccessLog " + root + "/log/access_log\nPageLog " + root +
                  "/log/page_log\nServerRoot " + root + "/conf\nServerBin " + root +
                  "/bin\nUser lp\nGroup lp\n");
    const std::string conf = root + "/conf/cupsd.conf";
    const std::string files = root + "/conf/cups-files.conf";
    pid_ = ::fork();
    if (pid_ == 0) {
      std::freopen("/dev/null", "w", stdout);
      std::freopen("/dev/null", "w", stderr);
      ::execl(daemon, daemon, "-f", "-c", conf.c_str(), "-s", files.c_str(),
              static_cast<char*>(nullptr));
      ::_exit(127);
    }
    ::setenv("CUPS_SERVER", socket_.c_str(), 1);
    const bool running = WaitFor(
        [] { return Command("lpstat -r").find("scheduler is running") != std::string::npos; }, 10);
    if (!running) GTEST_SKIP() << "cupsd could not start from the temporary configuration";
    int code = -1;
    Command("lpadmin -p vrtest -E -v vrfile:" + root + "/out -m raw", &code);
    if (code != 0) GTEST_SKIP() << "lpadmin could not add the queue";
  }

  void TearDown() override {
    if (pid_ > 0) {
      ::kill(pid_, SIGTERM);
      ::waitpid(pid_, nullptr, 0);
    }
    ::unsetenv("CUPS_SERVER");
  }

  std::string Picture(const std::string& name, int w, int h, uint8_t grey) {
    picture::PictureHolder holder;
    holder.bitmap.Create(w, h, picture::PixelFormat::k24);
    for (int y = 0; y < h; ++y) std::fill_n(holder.bitmap.Row(y), w * 3, grey);
    const std::string path = dir_.File(name);
    EXPECT_TRUE(colour::SavePictureAs(path, holder));
    return path;
  }

  // The job files the queue wrote, once `count` of them are complete.
  std::vector<std::string> Jobs(size_t count) {
    std::vector<std::string> jobs;
    WaitFor(
        [&] {
          jobs.clear();
          for (const auto& e : fs::directory_iterator(dir_.File("out"))) {
            if (e.path().extension() == ".pdf") jobs.push_back(e.path().string());
          }
          return jobs.size() >= count;
        },
        20);
    std::sort(jobs.begin(), jobs.end());
    return jobs;
  }

  test_support::TempDir dir_;
  std::string socket_;
  pid_t pid_ = -1;
};

TEST_F(CupsQueueTest, PictureAndTwoPageCatalogueReachTheQueue) {
  const std::string picture = Picture("grey.bmp", 600, 400, 128);
  int code = -1;
  const std::string placed =
      Command("QT_QPA_PLATFORM=offscreen '" + Tool() + "' print '" + picture + "' --printer vrtest",
          &code);
  ASSERT_EQ(code, 0);
  EXPECT_EQ(placed, "0 775 2400 2375\n");
  std::vector<std::string> jobs = Jobs(1);
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_NE(Command("pdfinfo '" + jobs[0] + "'").find("Pages:           1"), std::string::npos);

  std::string files;
  for (int i = 0; i < 12; ++i) {
    files += " '" + Picture("c" + std::to_string(i) + ".jpg", 90, 60,
                            static_cast<uint8_t>(20 * i)) + "'";
  }
  Command("QT_QPA_PLATFORM=offscreen '" + Tool() + "' catalog" + files +
          " --rows 3 --shape square --dest paper --printer vrtest",
      &code);
  ASSERT_EQ(code, 0);
  jobs = Jobs(2);
  ASSERT_EQ(jobs.size(), 2u);
  const std::string info = Command("pdfinfo '" + jobs[1] + "'");
  EXPECT_NE(info.find("Pages:           2"), std::string::npos) << info;
  EXPECT_NE(info.find("Veldrimon-Thumb Catalog"), std::string::npos) << info;
}

}  // namespace
}  // namespace vr::print
