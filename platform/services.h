#pragma once
// The platform services handed to windows and logic. The composition root builds the production
// set (platform/qt/qt_services.h); tests build one from the fakes. Pointers are never owned here.

namespace vr::platform {

class Ui;
class PleaseWait;
class MessagePump;
class Sounds;
class Files;
class Folders;
class ShellService;
class Clock;

struct Services {
  Ui* ui = nullptr;
  PleaseWait* please_wait = nullptr;
  MessagePump* pump = nullptr;
  Sounds* sounds = nullptr;
  Files* files = nullptr;
  Folders* folders = nullptr;
  ShellService* shell = nullptr;
  Clock* clock = nullptr;
};

}  // namespace vr::platform
