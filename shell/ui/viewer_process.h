#pragma once
// Process start: decides between running a viewer and handing the command line to the running
// one, then runs the viewer's message loop.

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/services.h"
#include "shell/ui/test_hooks.h"
#include "shell/ui/viewer_parts.h"

namespace vr::platform {
class SingleInstance;
}

namespace vr::shell::ui {

struct ProcessOptions {
  platform::Services services;
  platform::SingleInstance* instance = nullptr;
  std::vector<std::string> args;  // without the program path
  std::string program_path;
  std::chrono::steady_clock::time_point started{};
  TestHooks hooks;  // read by the composition root
  // Makes the main window's parts from the services (with the window's Ui, which may be the
  // logged one of the test hooks).
  std::function<ViewerParts(const platform::Services&)> make_parts;
};

// Runs the whole process after the application object exists; gives the exit code.
int RunViewerProcess(const ProcessOptions& options);

}  // namespace vr::shell::ui
