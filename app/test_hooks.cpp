#include "app/test_hooks.h"

#include <algorithm>
#include <cstdio>

#include "shell/ui/logged_ui.h"

namespace vr::app {

bool TestHooksBuilt() {
#if VR_TEST_HOOKS
  return true;
#else
  return false;
#endif
}

TestHooks ReadTestHooks(const std::function<const char*(const char*)>& env,
                        std::vector<std::string>& args, bool* refused) {
  auto text = [&env](const char* name) -> std::string {
    const char* value = env(name);
    return value != nullptr ? value : "";
  };
  TestHooks hooks;
  const auto given = std::find(args.begin(), args.end(), kTestHooksSwitch);
  if (given != args.end()) {
    args.erase(std::remove(args.begin(), args.end(), kTestHooksSwitch), args.end());
    hooks.switch_given = TestHooksBuilt();
    if (refused != nullptr) *refused = !TestHooksBuilt();
  } else if (refused != nullptr) {
    *refused = false;
  }
  hooks.ui_log = text("VELDRIMON_UI_LOG");
  if (hooks.switch_given) {
    hooks.ui_answers = shell::ui::LoggedUi::ParseAnswers(text("VELDRIMON_UI_ANSWERS"));
    hooks.command_file = text("VELDRIMON_COMMAND_FILE");
  }
  hooks.state_file = text("VELDRIMON_STATE_FILE");
  hooks.bench_first_paint = !text("VELDRIMON_BENCH_FIRST_PAINT").empty();
  hooks.bench_slideshow = text("VELDRIMON_BENCH_SLIDESHOW");
  hooks.no_decode_ahead = !text("VELDRIMON_NO_DECODE_AHEAD").empty();
  int escape_ms = -1;
  if (std::sscanf(text("VELDRIMON_BENCH_SLIDESHOW_ESCAPE_MS").c_str(), "%d", &escape_ms) == 1 &&
      escape_ms >= 0) {
    hooks.bench_slideshow_escape_ms = escape_ms;
  }
  hooks.no_registration = !text("VELDRIMON_NO_REGISTRATION").empty();
  int left = 0;
  int top = 0;
  if (std::sscanf(text("VELDRIMON_WINDOW_AT").c_str(), "%d %d", &left, &top) == 2) {
    hooks.window_at = std::make_pair(left, top);
  }
  hooks.quit_file = text("VELDRIMON_QUIT_FILE");
  hooks.minimise_file = text("VELDRIMON_MINIMISE_FILE");
  return hooks;
}

}  // namespace vr::app
