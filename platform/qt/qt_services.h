#pragma once
// The production set of platform services. Build it after the QApplication exists and keep it
// alive for the whole run; services() hands out the pointers.

#include <memory>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/qt/qt_please_wait.h"
#include "platform/qt/qt_shell.h"
#include "platform/qt/qt_sounds.h"
#include "platform/qt/qt_ui.h"
#include "platform/services.h"

namespace vr::platform {

class QtServices {
 public:
  explicit QtServices(QWidget* parent = nullptr);
  QtServices(const QtServices&) = delete;
  QtServices& operator=(const QtServices&) = delete;

  Services services();
  QtUi& ui() { return ui_; }
  QtPleaseWait& please_wait() { return please_wait_; }
  SoundPlayer& sounds() { return sounds_; }
  SystemFolders& folders() { return folders_; }

 private:
  SystemFolders folders_;
  PosixFiles files_;
  SystemClock clock_;
  QtShell shell_;
  QtSoundBackend sound_backend_;
  SoundPlayer sounds_;
  QtUi ui_;
  QtPleaseWait please_wait_;
  QtMessagePump pump_;
};

std::unique_ptr<QtServices> MakeQtServices(QWidget* parent = nullptr);

}  // namespace vr::platform
