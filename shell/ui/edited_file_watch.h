#pragma once
// Watches the shown file after an external editor returned for it: editors that hand the file to
// a copy of themselves already running return at once and save later, so each later change of
// the file shows it again. The watch ends when another file is shown. Editors that save by
// writing a new file and renaming it over the old one are caught through the file's folder.

#include <QFileSystemWatcher>
#include <QObject>
#include <QTimer>
#include <functional>
#include <string>

namespace vr::shell::ui {

class EditedFileWatch : public QObject {
  Q_OBJECT

 public:
  // `reload` runs once a burst of changes to the watched file has settled.
  explicit EditedFileWatch(std::function<void(const std::string&)> reload,
                           QObject* parent = nullptr);
  // Starts watching `path` (the file an editor was started for).
  void Watch(const std::string& path);
  // Called on every show: another file ends the watch.
  void Shown(const std::string& path);
  const std::string& watched() const { return path_; }

 private:
  void Stop();
  void Changed();
  // The file's size, time and inode: a folder change that leaves them alone is another file's.
  QString Signature() const;
  std::function<void(const std::string&)> reload_;
  QFileSystemWatcher watcher_;
  QTimer settle_;
  std::string path_;
  QString signature_;
};

}  // namespace vr::shell::ui
