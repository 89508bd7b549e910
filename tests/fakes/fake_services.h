#pragma once
// Every fake service in one object, wired the way the program wires the real ones (the Ui plays
// its box sounds through the sound service).

#include "fakes/fake_clock.h"
#include "fakes/fake_files.h"
#include "fakes/fake_folders.h"
#include "fakes/fake_please_wait.h"
#include "fakes/fake_shell.h"
#include "fakes/fake_sounds.h"
#include "fakes/fake_ui.h"
#include "platform/services.h"

namespace vr::fakes {

struct FakeServices {
  FakeServices() { ui.SetSounds(&sounds); }
  FakeServices(const std::string& program_folder, const std::string& temp_folder) : FakeServices() {
    folders.SetProgramFolder(program_folder);
    folders.SetTempFolder(temp_folder);
  }
  FakeServices(const FakeServices&) = delete;
  FakeServices& operator=(const FakeServices&) = delete;

  platform::Services services() {
    platform::Services s;
    s.ui = &ui;
    s.please_wait = &please_wait;
    s.pump = &pump;
    s.sounds = &sounds;
    s.files = &files;
    s.folders = &folders;
    s.shell = &shell;
    s.clock = &clock;
    return s;
  }

  FakeUi ui;
  FakePleaseWait please_wait;
  FakeMessagePump pump;
  FakeSounds sounds;
  FakeFiles files;
  FakeFolders folders;
  FakeShell shell;
  FakeClock clock;
};

}  // namespace vr::fakes
