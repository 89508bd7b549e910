// A writer process killed at random moments loses no note it was told was stored, and the files
// it leaves always open into a sound database.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <random>
#include <set>
#include <sstream>

#include "tests/notes/notes_test_util.h"

namespace vr::notes::testing {
namespace {

constexpr int kRuns = 200;
const std::string kAbsent = "<absent>";

void Send(int fd, const std::string& line) {
  // Lines stay under PIPE_BUF, so each write is whole.
  if (::write(fd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) _exit(5);
}

// The child: writes notes until killed. "S key value" before each WriteNote, "D" once it
// returned 0. Every so often it closes and reopens, so kills also land in close and open.
[[noreturn]] void Writer(const std::string& base, int run, int fd) {
  NotesDatabase db;
  if (db.OpenNotesDatabase(base) != 0) _exit(3);
  Send(fd, "R\n");
  std::mt19937 rng(static_cast<unsigned>(run) * 7919u + 1u);
  for (int i = 0;; ++i) {
    const std::string key =
        "/crash/f" + std::to_string(rng() % 20) + "/n" + std::to_string(rng() % 50) + ".jpg";
    NotesRecord r;
    r.notes = "r" + std::to_string(run) + "i" + std::to_string(i);
    r.number1 = i;
    Send(fd, "S " + key + " " + r.notes + "\n");
    if (db.WriteNote(key, r).status != 0) _exit(4);
    Send(fd, "D\n");
    if (i % 40 == 39) {
      db.CloseNotesDatabase();
      if (db.OpenNotesDatabase(base) != 0) _exit(3);
    }
  }
}

TEST(NotesCrashTest, KilledWriterLosesNothingItReportedStored) {
  test_support::TempDir dir;
  const std::string base = dir.File("CRASH");
  std::map<std::string, std::set<std::string>> allowed;  // key -> values it may hold now
  std::mt19937 rng(20240611);
  long confirmed = 0;
  int cut_mid_write = 0;

  for (int run = 0; run < kRuns; ++run) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::close(fds[0]);
      Writer(base, run, fds[1]);
    }
    ::close(fds[1]);
    // Wait until the writer is past its open (or the open itself on some runs) and has stored a
    // few notes, then a while: a slow writer (a sanitizer build, a busy machine) is still killed
    // in the middle of its work rather than always near its start.
    std::string events;
    char ready = 0;
    if (run % 10 != 0) {
      ASSERT_EQ(::read(fds[0], &ready, 1), 1);
      events.push_back(ready);
      const int stored_first = 1 + static_cast<int>(rng() % 12);
      for (int seen = 0; seen < stored_first && ::read(fds[0], &ready, 1) == 1;) {
        events.push_back(ready);
        if (ready == 'D') ++seen;
      }
    }
    ::usleep(static_cast<useconds_t>(rng() % 2000));
    ::kill(child, SIGKILL);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status)) << "writer ended by itself with " << WEXITSTATUS(status);

    char buf[4096];
    for (ssize_t n; (n = ::read(fds[0], buf, sizeof buf)) > 0;)
      events.append(buf, static_cast<size_t>(n));
    ::close(fds[0]);

    std::istringstream in(events);
    std::string tag;
    std::string key;
    std::string value;
    bool pending = false;
    while (in >> tag) {
      if (tag == "S") {
        in >> key >> value;
        pending = true;
      } else if (tag == "R") {
        continue;
      } else if (tag == "D" && pending) {
        allowed[key] = {value};
        pending = false;
        ++confirmed;
      }
    }
    if (pending) {
      // Killed inside WriteNote: either the old value (or none) or the new one.
      auto& values = allowed[key];
      if (values.empty()) values.insert(kAbsent);
      values.insert(value);
      ++cut_mid_write;
    }

    NotesDatabase db;
    ASSERT_EQ(db.OpenNotesDatabase(base), 0u) << "run " << run;
    ASSERT_EQ(JoinProblems(db.CheckIntegrity()), "") << "run " << run;
    long present = 0;
    for (auto& [k, values] : allowed) {
      NotesRecord out;
      const bool found = db.ReadNote(k, &out).status == 0;
      const std::string got = found ? out.notes : kAbsent;
      ASSERT_EQ(values.count(got), 1u) << "run " << run << " key " << k << " holds " << got;
      values = {got};
      present += found ? 1 : 0;
    }
    ASSERT_EQ(db.NoteCount(), present) << "run " << run;
    ASSERT_EQ(db.CloseNotesDatabase().status, 0u);
    ASSERT_EQ(JoinProblems(CheckNotesFiles(base)), "") << "run " << run;
  }
  // The kills must have hit a working writer often enough for the test to mean something.
  EXPECT_GT(confirmed, kRuns * 4);
  EXPECT_GT(cut_mid_write, kRuns / 20);
}

}  // namespace
}  // namespace vr::notes::testing
