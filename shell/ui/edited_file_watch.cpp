#include "shell/ui/edited_file_watch.h"

#include <sys/stat.h>

#include <QFileInfo>

#include "platform/path_rules.h"

namespace vr::shell::ui {
namespace {

// Editors write in several steps; the file is read again once it has been quiet this long.
constexpr int kSettleMs = 150;

}  // namespace

EditedFileWatch::EditedFileWatch(std::function<void(const std::string&)> reload, QObject* parent)
    : QObject(parent), reload_(std::move(reload)) {
  watcher_.setObjectName("EditedFileWatch");
  watcher_.setParent(this);  // findable from the window
  settle_.setSingleShot(true);
  settle_.setInterval(kSettleMs);
  connect(&watcher_, &QFileSystemWatcher::fileChanged, this, [this] { Changed(); });
  connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, [this] {
    if (!path_.empty() && Signature() != signature_) Changed();
  });
  connect(&settle_, &QTimer::timeout, this, [this] {
    if (path_.empty()) return;
    const QString file = QString::fromStdString(path_);
    // A file replaced by a rename is a new file: watch it again.
    if (QFileInfo::exists(file) && !watcher_.files().contains(file)) watcher_.addPath(file);
    signature_ = Signature();
    if (!QFileInfo::exists(file)) return;  // removed for now: its new copy will come
    reload_(path_);
  });
}

void EditedFileWatch::Watch(const std::string& path) {
  Stop();
  path_ = path;
  const QFileInfo info(QString::fromStdString(path));
  watcher_.addPath(info.absoluteFilePath());
  watcher_.addPath(info.absolutePath());
  signature_ = Signature();
}

void EditedFileWatch::Shown(const std::string& path) {
  if (!path_.empty() && !platform::SamePath(path, path_)) Stop();
}

void EditedFileWatch::Stop() {
  settle_.stop();
  if (!watcher_.files().isEmpty()) watcher_.removePaths(watcher_.files());
  if (!watcher_.directories().isEmpty()) watcher_.removePaths(watcher_.directories());
  path_.clear();
  signature_.clear();
}

void EditedFileWatch::Changed() {
  if (!path_.empty()) settle_.start();
}

QString EditedFileWatch::Signature() const {
  struct stat st {};
  if (path_.empty() || ::stat(path_.c_str(), &st) != 0) return {};
  return QString("%1 %2 %3 %4")
      .arg(static_cast<qint64>(st.st_size))
      .arg(static_cast<qint64>(st.st_mtim.tv_sec))
      .arg(static_cast<qint64>(st.st_mtim.tv_nsec))
      .arg(static_cast<quint64>(st.st_ino));
}

}  // namespace vr::shell::ui
