#include "platform/qt/qt_sounds.h"

#include <QApplication>
#include <QFileInfo>
#include <QUrl>

#ifdef VR_HAVE_QT_MULTIMEDIA
#include <QSoundEffect>
#endif

namespace vr::platform {

QtSoundBackend::QtSoundBackend(std::string temp_folder, QObject* parent)
    : QObject(parent), temp_folder_(std::move(temp_folder)) {}

QtSoundBackend::~QtSoundBackend() {
  for (auto& [name, wave] : waves_) wave.file.Remove();
}

void QtSoundBackend::PlayWave(const std::string& name, const std::vector<uint8_t>& wav) {
#ifdef VR_HAVE_QT_MULTIMEDIA
  auto it = waves_.find(name);
  if (it == waves_.end()) {
    Wave wave;
    wave.file = CreateExclusiveFile(temp_folder_, "~VRSND", ".WAV");
    if (!wave.file.IsOpen() || !wave.file.Write(wav.data(), wav.size()) || !wave.file.Close()) {
      wave.file.Remove();
      QApplication::beep();
      return;
    }
    wave.effect = new QSoundEffect(this);
    wave.effect->setSource(QUrl::fromLocalFile(QString::fromStdString(wave.file.path())));
    it = waves_.emplace(name, std::move(wave)).first;
  }
  it->second.effect->play();  // plays once loaded when it is not ready yet
#else
  (void)name;
  (void)wav;
  QApplication::beep();
#endif
}

void QtSoundBackend::PlaySystem(const std::string& alias) {
  (void)alias;  // the desktop offers one system sound to applications
  QApplication::beep();
}

bool QtSoundBackend::PlayFile(const std::string& path) {
  const QString file = QString::fromStdString(path);
  if (!QFileInfo(file).isFile()) return false;
#ifdef VR_HAVE_QT_MULTIMEDIA
  if (file_effect_ == nullptr) {
    file_effect_ = new QSoundEffect(this);
    connect(file_effect_, &QSoundEffect::statusChanged, this, [this] {
      const auto status = file_effect_->status();
      if (status == QSoundEffect::Ready || status == QSoundEffect::Error) starting_ = false;
    });
  }
  file_effect_->stop();
  starting_ = true;
  file_effect_->setSource(QUrl::fromLocalFile(file));
  file_effect_->play();
  const auto status = file_effect_->status();
  if (status == QSoundEffect::Ready || status == QSoundEffect::Error) starting_ = false;
  return true;
#else
  QApplication::beep();
  return true;
#endif
}

bool QtSoundBackend::FilePlaying() const {
#ifdef VR_HAVE_QT_MULTIMEDIA
  return file_effect_ != nullptr && file_effect_->isPlaying();
#else
  return false;
#endif
}

void QtSoundBackend::Stop() {
#ifdef VR_HAVE_QT_MULTIMEDIA
  if (file_effect_ != nullptr) file_effect_->stop();
  for (auto& [name, wave] : waves_) {
    if (wave.effect != nullptr) wave.effect->stop();
  }
#endif
  starting_ = false;
}

}  // namespace vr::platform
