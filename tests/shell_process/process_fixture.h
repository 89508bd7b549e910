#pragma once
// Real viewer processes on the offscreen platform: a private program folder, instance folder and
// temporary folder per test, the viewer's state file, and its command file (menu entries
// triggered by caption, window snapshots), with waits that end on the event they wait for.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "picture/bitmap.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "test_support/temp_dir.h"

namespace vr::process_testing {

using Clock = std::chrono::steady_clock;

inline std::string ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

inline std::vector<std::string> Values(const std::string& state, const std::string& key) {
  std::vector<std::string> values;
  std::istringstream in(state);
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind(key + "=", 0) == 0) values.push_back(line.substr(key.size() + 1));
  }
  return values;
}

inline void WriteAside(const std::string& path, const std::string& text) {
  {
    std::ofstream out(path + ".part", std::ios::binary | std::ios::trunc);
    out << text;
  }
  std::filesystem::rename(path + ".part", path);
}

class ViewerProcessTest : public ::testing::Test {
 protected:
  void SetUp() override {
#if !VR_TEST_HOOKS
    GTEST_SKIP() << "the viewer's test hooks need a build with -DVR_TEST_HOOKS=ON";
#endif
    home_ = dir_.File("home");
    instance_ = dir_.File("instance");
    std::filesystem::create_directories(home_);
    std::filesystem::create_directories(instance_);
    std::filesystem::create_directories(dir_.File("tmp"));
    // A set-up install in mode NO: no first-run windows, no update question.
    dir_.WriteText("home/VELDR.INI",
                   "[General]\nMultiLoad=1\nSetup=YES\nVersion=Veldrimon 2.1.3\n"
                   "Date_UpdateMessageShown=99999\n");
  }

  void TearDown() override {
    for (pid_t pid : running_) {
      ::kill(pid, SIGKILL);
      int status = 0;
      ::waitpid(pid, &status, 0);
    }
  }

  std::string Picture(const std::string& name) {
    vr::picture::Bitmap bitmap;
    bitmap.Create(8, 6, vr::picture::PixelFormat::k24);
    const std::string path = dir_.File(name);
    EXPECT_TRUE(vr::codecs::SaveBmp(path, bitmap).ok);
    return path;
  }

  // Starts the viewer with the test's environment and the test-hook switch; `state` names its
  // state file, and its command file is `state` + ".cmd".
  pid_t Start(const std::vector<std::string>& args, const std::string& state,
              const std::vector<std::string>& extra_env = {}) {
    std::vector<std::string> env_text = {"QT_QPA_PLATFORM=offscreen",
                                         "VELDRIMON_HOME=" + home_,
                                         "VELDRIMON_STATE_FILE=" + state,
                                         "VELDRIMON_COMMAND_FILE=" + state + ".cmd",
                                         "VELDRIMON_QUIT_FILE=" + dir_.File("quit"),
                                         "VELDRIMON_NO_REGISTRATION=1",
                                         "TMPDIR=" + dir_.File("tmp"),
                                         "HOME=" + dir_.Path(),
                                         "XDG_DATA_HOME=" + dir_.File("data"),
                                         "XDG_DATA_DIRS=" + dir_.File("data"),
                                         "VELDRIMON_MINIMISE_FILE=" + dir_.File("minimise")};
    if (use_instance_dir_) env_text.push_back("VELDRIMON_INSTANCE_DIR=" + instance_);
    // The sanitizers' settings (leak suppressions above all) reach the viewer as they reach the
    // test.
    for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"}) {
      if (const char* value = std::getenv(name)) env_text.push_back(std::string(name) + "=" + value);
    }
    // A test's own value of a variable (QT_QPA_PLATFORM=xcb, say) replaces the default one.
    for (const std::string& extra : extra_env) {
      const std::string key = extra.substr(0, extra.find('=') + 1);
      std::erase_if(env_text, [&key](const std::string& e) { return e.rfind(key, 0) == 0; });
      env_text.push_back(extra);
    }
    std::vector<char*> env;
    for (std::string& e : env_text) env.push_back(e.data());
    env.push_back(nullptr);
    std::vector<std::string> argv_text = {VELDRIMON_BINARY, "--test-hooks"};
    argv_text.insert(argv_text.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : argv_text) argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    EXPECT_EQ(::posix_spawn(&pid, VELDRIMON_BINARY, nullptr, nullptr, argv.data(), env.data()), 0);
    running_.push_back(pid);
    return pid;
  }

  // Waits for the process to end; gives its exit code, or -1 on timeout or a signal.
  int WaitExit(pid_t pid, int timeout_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    while (Clock::now() < deadline) {
      int status = 0;
      const pid_t done = ::waitpid(pid, &status, WNOHANG);
      if (done == pid) {
        std::erase(running_, pid);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
  }

  bool Alive(pid_t pid) {
    int status = 0;
    return ::waitpid(pid, &status, WNOHANG) == 0;
  }

  // Waits until the state file satisfies `ok`; gives what it last held.
  std::string WaitState(const std::string& state, const std::function<bool(const std::string&)>& ok,
                        int timeout_ms) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    std::string text;
    while (Clock::now() < deadline) {
      text = ReadAll(state);
      if (!text.empty() && ok(text)) return text;
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return text;
  }

  // Sends a batch of commands to the viewer writing `state` and waits for its answer (the result
  // lines); when `reject_modal` holds, a modal window that opens meanwhile gets `modal_answer`
  // (by default it is closed as by its Cancel button) and its title goes to `modal_title`.
  // Empty with `answered` false on timeout.
  std::string Command(const std::vector<std::string>& lines, const std::string& state,
                      bool reject_modal = false, bool* answered = nullptr,
                      std::string* modal_title = nullptr, int timeout_ms = 20000,
                      const std::string& modal_answer = "!reject") {
    const std::string file = state + ".cmd";
    const std::string id = "#" + std::to_string(++batch_);
    std::string text = id + "\n";
    for (const std::string& line : lines) text += line + "\n";
    WriteAside(file, text);
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeout_ms);
    if (answered != nullptr) *answered = false;
    std::string pending;  // the id of the answer sent to a modal window, until it is answered
    while (Clock::now() < deadline) {
      const std::string done = ReadAll(file + ".done");
      if (std::string block; Answer(done, id, &block)) {
        if (answered != nullptr) *answered = true;
        return block;
      }
      if (!pending.empty() && Answer(done, pending, nullptr)) pending.clear();
      if (reject_modal && pending.empty() && std::filesystem::exists(file + ".modal") &&
          !std::filesystem::exists(file)) {
        const std::string title = ReadAll(file + ".modal");
        if (modal_title != nullptr && !title.empty()) *modal_title = title;
        pending = "#" + std::to_string(++batch_);
        WriteAside(file, pending + "\n" + modal_answer + "\n");
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return {};
  }

  // The result block of batch `id` in the viewer's answers; false while it is not complete.
  static bool Answer(const std::string& done, const std::string& id, std::string* block) {
    const std::string head = id + "\n";
    size_t at = done.rfind(head, 0) == 0 ? 0 : done.find("\n" + head);
    if (at == std::string::npos) return false;
    if (at != 0) ++at;
    const size_t start = at + head.size();
    const size_t end = done.find("#end\n", start);
    if (end == std::string::npos) return false;
    if (block != nullptr) *block = done.substr(start, end - start);
    return true;
  }

  // Waits until the modal window `title` is open (the viewer names it in its ".modal" file).
  bool WaitModal(const std::string& title) {
    const auto deadline = Clock::now() + std::chrono::seconds(20);
    while (Clock::now() < deadline) {
      if (ReadAll(viewer_state_ + ".cmd.modal").rfind(title + "\n", 0) == 0) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    return false;
  }

  // Asks the files list window for its thumbnails until every row has one (the builder runs
  // while the window is idle); gives the last "!thumbs" answer.
  std::string WaitThumbnails() {
    std::string thumbs;
    for (int attempt = 0; attempt < 100; ++attempt) {
      thumbs = Command({"!thumbs"}, viewer_state_);
      if (thumbs.find("none") == std::string::npos) break;
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return thumbs;
  }

  // Starts the first viewer and waits until its message loop runs (it answers a command).
  pid_t StartViewer(const std::vector<std::string>& args = {},
                    const std::vector<std::string>& extra_env = {}) {
    const pid_t pid = Start(args, viewer_state_, extra_env);
    bool answered = false;
    Command({}, viewer_state_, false, &answered);
    EXPECT_TRUE(answered) << "the viewer did not come up";
    return pid;
  }

  void Quit(pid_t pid) {
    dir_.WriteText("quit", "");
    EXPECT_EQ(WaitExit(pid, 15000), 0);
    std::filesystem::remove(dir_.File("quit"));
  }

  vr::test_support::TempDir dir_;
  std::string home_;
  std::string instance_;
  std::string viewer_state_ = dir_.File("viewer.state");
  std::vector<pid_t> running_;
  int batch_ = 0;
  // Off: neither the test's instance folder nor a session runtime folder is given, as on a
  // machine without XDG_RUNTIME_DIR.
  bool use_instance_dir_ = true;
};

}  // namespace vr::process_testing
