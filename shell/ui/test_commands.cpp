#include "shell/ui/test_commands.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QImage>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QWidget>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include <QTableView>
#include <QTimer>

#include "lists/files_list.h"
#include "lists/window/ui/file_list_menu.h"
#include "shell/ui/full_screen.h"
#include "shell/ui/main_window.h"
#include "shell/ui/test_widget_commands.h"

namespace vr::shell::ui {
namespace {

constexpr const char* kListWindowRoot = "@list";

std::string Plain(const QString& caption) {
  QString text = caption;
  text.remove('&');
  return text.toStdString();
}

void WriteAside(const std::string& path, const std::string& text) {
  const std::string temp = path + ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out << text;
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
}

// An entry counts as enabled when it and every menu on its way are.
void ListMenu(const QList<QAction*>& actions, const std::string& prefix, bool enabled,
              std::string& out) {
  for (QAction* a : actions) {
    if (a->isSeparator()) continue;
    const std::string path = prefix + Plain(a->text());
    const bool on = enabled && a->isEnabled();
    if (QMenu* sub = a->menu()) {
      ListMenu(sub->actions(), path + "|", on && sub->isEnabled(), out);
      continue;
    }
    out += "entry=" + path + "|" + (on ? "1" : "0") + "|" + (a->isChecked() ? "1" : "0") + "\n";
  }
}

// The action at the end of `parts`; null when a caption is not found. `enabled` is false when
// the entry or a menu on its way is disabled.
QAction* FindEntry(QMenuBar* bar, const std::vector<std::string>& parts, bool* enabled) {
  QList<QAction*> actions = bar->actions();
  *enabled = true;
  for (size_t i = 0; i < parts.size(); ++i) {
    QAction* found = nullptr;
    for (QAction* a : actions) {
      if (!a->isSeparator() && Plain(a->text()) == parts[i]) {
        found = a;
        break;
      }
    }
    if (found == nullptr) return nullptr;
    if (!found->isEnabled()) *enabled = false;
    if (i + 1 == parts.size()) return found;
    if (found->menu() == nullptr) return nullptr;
    if (!found->menu()->isEnabled()) *enabled = false;
    actions = found->menu()->actions();
  }
  return nullptr;
}

// The menu bar a path starts from: the main window's, or the files list window's ("@list|...").
QMenuBar* BarOf(TVeldrimon69& window, std::vector<std::string>& parts) {
  if (!parts.empty() && parts.front() == kListWindowRoot) {
    parts.erase(parts.begin());
    return window.list_window() != nullptr ? window.list_window()->menuBar() : nullptr;
  }
  return window.menuBar();
}

std::string Trigger(TVeldrimon69& window, const std::string& line) {
  std::vector<std::string> parts;
  std::stringstream in(line);
  std::string part;
  while (std::getline(in, part, '|')) parts.push_back(part);
  bool enabled = true;
  QMenuBar* bar = BarOf(window, parts);
  if (bar == nullptr) return "missing";
  QAction* action = FindEntry(bar, parts, &enabled);
  if (action == nullptr || action->menu() != nullptr) return "missing";
  if (!enabled) return "disabled";
  action->trigger();
  return "ok";
}

std::string TopLevelWindows() {
  std::string out;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible()) out += "window=" + w->windowTitle().toStdString() + "\n";
  }
  return out;
}

std::string Snapshot(TVeldrimon69& window, const std::string& file) {
  const QImage image = window.grab().toImage().convertToFormat(QImage::Format_RGB888);
  if (!image.save(QString::fromStdString(file), "BMP")) return "failed";
  const picture::PictureHolder& shown = window.shown();
  return "picture=" + std::to_string(shown.Width()) + " " + std::to_string(shown.Height());
}

// The colour at the centre of each row's thumbnail in the files list window ("none" while it is
// being built), one "thumb=RRGGBB" line a row.
std::string ThumbnailCentres(list_window::TFileListMenu* list_window) {
  if (list_window == nullptr) return "missing\n";
  std::string out;
  for (int row = 0; row < list_window->ListView1()->model()->rowCount(); ++row) {
    const QImage image = list_window->ThumbnailOf(row).toImage();
    out += "thumb=" + (image.isNull() ? std::string("none")
                                      : QString::number(image.pixel(image.width() / 2,
                                                                    image.height() / 2) &
                                                            0xFFFFFF,
                                                        16)
                                            .rightJustified(6, '0')
                                            .toStdString()) +
           "\n";
  }
  return out;
}

// The window that holds the viewer until the user leaves it: a modal window, or the full-screen
// view with its own loop.
QWidget* HoldingWindow() {
  if (QWidget* modal = QApplication::activeModalWidget()) return modal;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && qobject_cast<TFullScreen*>(w) != nullptr) return w;
  }
  return nullptr;
}

// Leaves the holding window as the user would: Cancel, or Escape in full screen.
bool LeaveHoldingWindow() {
  QWidget* holding = HoldingWindow();
  if (auto* dialog = qobject_cast<QDialog*>(holding)) {
    dialog->done(QDialog::Rejected);
    return true;
  }
  if (holding != nullptr) {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Escape, Qt::NoModifier);
    QCoreApplication::sendEvent(holding, &press);
    QCoreApplication::sendEvent(holding, &release);
    return true;
  }
  return false;
}

// Clicks the holding window's button whose caption, without its "&" marks, is `caption`.
std::string PressButton(const std::string& caption) {
  QWidget* holding = HoldingWindow();
  if (holding == nullptr) return "missing";
  for (QAbstractButton* button : holding->findChildren<QAbstractButton*>()) {
    if (button->text().remove('&').toStdString() != caption) continue;
    if (!button->isEnabled()) return "disabled";
    button->click();
    return "ok";
  }
  return "missing";
}

void RunBatch(QPointer<TVeldrimon69> window, const std::string& command_file,
              const std::vector<std::string>& lines) {
  if (window == nullptr) return;
  std::string id;
  std::string results;
  for (const std::string& line : lines) {
    if (line[0] == '#') {
      id = line;
    } else if (line == "!list") {
      ListMenu(window->menuBar()->actions(), "", window->menuBar()->isEnabled(), results);
      if (window->list_window() != nullptr) {
        ListMenu(window->list_window()->menuBar()->actions(), std::string(kListWindowRoot) + "|",
                 true, results);
      }
      results += TopLevelWindows();
    } else if (line == "!entries") {
      lists::FilesList& list = window->files_list();
      for (int i = 0; i < list.Count(); ++i) {
        const lists::FileEntry* entry = list.EntryAt(i);
        results += "entry=" + list.FilePathAt(i) + "|" + (entry != nullptr ? entry->db_field : "") +
                   "\n";
      }
    } else if (line == "!thumbs") {
      results += ThumbnailCentres(window->list_window());
    } else if (line.rfind("!snapshot ", 0) == 0) {
      results += Snapshot(*window, line.substr(10)) + "\n";
    } else if (line.rfind("!choose ", 0) == 0) {
      auto* dialog = qobject_cast<QFileDialog*>(HoldingWindow());
      if (dialog != nullptr) {
        // As a user would: go to the folder, type the name, press Open.
        const QFileInfo file(QString::fromStdString(line.substr(8)));
        dialog->setDirectory(file.absolutePath());
        if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
          edit->setText(file.fileName());
        } else {
          dialog->selectFile(file.absoluteFilePath());
        }
        static_cast<QDialog*>(dialog)->accept();  // as the Open button: checks the name first
      }
      results += dialog != nullptr ? "ok\n" : "missing\n";
    } else if (RunWidgetCommand(line, &results)) {
      // a command on a window's controls
    } else if (line.rfind("!press ", 0) == 0) {
      results += PressButton(line.substr(7)) + "\n";
    } else if (line == "!reject") {
      results += LeaveHoldingWindow() ? "ok\n" : "missing\n";
    } else {
      results += Trigger(*window, line) + "\n";
    }
    if (window == nullptr) return;  // an entry closed the viewer
  }
  window->WriteStateFile();
  // Batches can end inside one another (one closes the modal window another opened): each adds
  // its own block, so no answer overwrites another.
  std::ofstream out(command_file + ".done", std::ios::binary | std::ios::app);
  out << id << "\n" << results << "#end\n";
}

}  // namespace

void RunCommandFile(TVeldrimon69& window, const std::string& command_file) {
  const std::string modal_file = command_file + ".modal";
  std::error_code ec;
  if (QWidget* holding = HoldingWindow()) {
    const QString title = holding->windowTitle();
    std::string text =
        (title.isEmpty() ? QString(holding->metaObject()->className()) : title).toStdString() +
        "\n";
    if (auto* files = qobject_cast<QFileDialog*>(holding)) {
      text += "folder=" + files->directory().absolutePath().toStdString() + "\n";
    }
    WriteAside(modal_file, text);
  } else if (std::filesystem::exists(modal_file, ec)) {
    std::filesystem::remove(modal_file, ec);
  }
  if (!std::filesystem::exists(command_file, ec)) return;
  std::vector<std::string> lines;
  {
    std::ifstream in(command_file, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      if (!line.empty()) lines.push_back(line);
    }
  }
  std::filesystem::remove(command_file, ec);
  // The batch runs from its own timer event, so that a modal window it opens does not hold up
  // the polling timer (Qt never fires a timer inside its own handler).
  QPointer<TVeldrimon69> target(&window);
  QTimer::singleShot(0, &window, [target, command_file, lines] {
    RunBatch(target, command_file, lines);
  });
}

}  // namespace vr::shell::ui
