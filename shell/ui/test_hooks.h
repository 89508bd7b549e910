#pragma once
// The viewer's test and benchmark hooks, all in one place. They are environment variables read
// once at start by the composition root; nothing else in the program reads them.
//
//   VELDRIMON_UI_LOG=<file>          every message and choice box is written to <file>, one line
//                                    each (see shell/ui/logged_ui.h)
//   VELDRIMON_UI_ANSWERS=<n,n,...>   the boxes are answered with these button numbers instead of
//                                    asking; honoured only when the viewer was started with the
//                                    switch "--test-hooks", which only a build configured with
//                                    -DVR_TEST_HOOKS=ON accepts
//   VELDRIMON_STATE_FILE=<file>      the window writes its state there on every change
//   VELDRIMON_COMMAND_FILE=<file>    commands for the running window (shell/ui/test_commands.h):
//                                    menu entries to trigger, a window snapshot; needs the
//                                    switch too
//   VELDRIMON_BENCH_FIRST_PAINT=1    the viewer quits once the first picture is painted
//   VELDRIMON_BENCH_SLIDESHOW=<file> after the first paint a slide show runs with the stored
//                                    options; a line per picture goes to <file> (position, path,
//                                    t0, due, shown, decode wait; ms) and the viewer quits at its end
//   VELDRIMON_NO_DECODE_AHEAD=1      the slide show decodes each picture when it is due
//   VELDRIMON_BENCH_SLIDESHOW_ESCAPE_MS=<n>  with the show above: an Escape is posted <n> ms
//                                    into the show, and when full screen was left is logged
//   VELDRIMON_NO_REGISTRATION=1      the desktop's file associations are left alone
//   VELDRIMON_WINDOW_AT="<left> <top>"  a first viewer's frame is placed there
//   VELDRIMON_QUIT_FILE=<file>       the viewer closes itself once <file> appears
//   VELDRIMON_MINIMISE_FILE=<file>   the viewer minimises itself once <file> appears (and
//                                    deletes it); polled only with VELDRIMON_QUIT_FILE
// Platform overrides read by platform/: VELDRIMON_HOME (the program folder) and
// VELDRIMON_INSTANCE_DIR (the single-instance lock and socket).

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vr::shell::ui {

struct TestHooks {
  bool switch_given = false;  // started with kTestHooksSwitch
  std::string ui_log;
  std::vector<int> ui_answers;  // empty unless switch_given
  std::string state_file;
  std::string command_file;  // empty unless switch_given
  bool bench_first_paint = false;
  std::string bench_slideshow;
  bool no_decode_ahead = false;
  int bench_slideshow_escape_ms = -1;
  bool no_registration = false;
  std::optional<std::pair<int, int>> window_at;
  std::string quit_file;
  std::string minimise_file;
};

}  // namespace vr::shell::ui
