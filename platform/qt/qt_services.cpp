#include "platform/qt/qt_services.h"

namespace vr::platform {

QtServices::QtServices(QWidget* parent)
    : sound_backend_(folders_.TempFolder()),
      sounds_(sound_backend_, folders_.ProgramFolder()),
      ui_(parent),
      please_wait_(parent) {
  ui_.SetSounds(&sounds_);
}

Services QtServices::services() {
  Services s;
  s.ui = &ui_;
  s.please_wait = &please_wait_;
  s.pump = &pump_;
  s.sounds = &sounds_;
  s.files = &files_;
  s.folders = &folders_;
  s.shell = &shell_;
  s.clock = &clock_;
  return s;
}

std::unique_ptr<QtServices> MakeQtServices(QWidget* parent) {
  return std::make_unique<QtServices>(parent);
}

}  // namespace vr::platform
