#pragma once
// Where the program's sounds come out: QSoundEffect when Qt Multimedia is built in, else the
// desktop's beep. The built-in waves are written once into private temporary files (removed at
// exit) because QSoundEffect plays from a file address.

#include <QObject>
#include <map>
#include <memory>
#include <string>

#include "platform/folders.h"
#include "platform/sounds.h"

class QSoundEffect;

namespace vr::platform {

class QtSoundBackend : public QObject, public SoundBackend {
  Q_OBJECT

 public:
  // Built-in waves are written into `temp_folder`.
  explicit QtSoundBackend(std::string temp_folder, QObject* parent = nullptr);
  ~QtSoundBackend() override;

  void PlayWave(const std::string& name, const std::vector<uint8_t>& wav) override;
  void PlaySystem(const std::string& alias) override;
  bool PlayFile(const std::string& path) override;
  bool FileStarting() const override { return starting_; }
  bool FilePlaying() const override;
  void Stop() override;

 private:
  struct Wave {
    TempFile file;
    QSoundEffect* effect = nullptr;
  };
  std::string temp_folder_;
  std::map<std::string, Wave> waves_;
  QSoundEffect* file_effect_ = nullptr;
  bool starting_ = false;
};

}  // namespace vr::platform
