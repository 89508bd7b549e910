#pragma once
// Reads the viewer's test hooks (listed in shell/ui/test_hooks.h) from the environment.

#include <functional>
#include <string>
#include <vector>

#include "shell/ui/test_hooks.h"

namespace vr::app {

using shell::ui::TestHooks;

inline constexpr const char* kTestHooksSwitch = "--test-hooks";

// True when this build accepts kTestHooksSwitch (configured with -DVR_TEST_HOOKS=ON).
bool TestHooksBuilt();

// Reads the hooks from `env` (a getenv-like lookup; null for unset) and takes kTestHooksSwitch
// out of `args`. Sets `refused` when the switch was given to a build that does not accept it.
TestHooks ReadTestHooks(const std::function<const char*(const char*)>& env,
                        std::vector<std::string>& args, bool* refused);

}  // namespace vr::app
