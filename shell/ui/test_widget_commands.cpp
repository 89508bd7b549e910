#include "shell/ui/test_widget_commands.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QTableView>
#include <QTimer>
#include <QWidget>
#include <sstream>
#include <vector>

namespace vr::shell::ui {
namespace {

std::vector<std::string> Split(const std::string& text, size_t parts) {
  std::vector<std::string> out;
  std::string rest = text;
  while (out.size() + 1 < parts) {
    const size_t bar = rest.find('|');
    if (bar == std::string::npos) break;
    out.push_back(rest.substr(0, bar));
    rest = rest.substr(bar + 1);
  }
  out.push_back(rest);
  return out;
}

QWidget* WindowTitled(const std::string& title) {
  // The modal window on top first: its title may repeat one below it.
  if (QWidget* modal = QApplication::activeModalWidget()) {
    if (modal->windowTitle().toStdString() == title) return modal;
  }
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->isVisible() && w->windowTitle().toStdString() == title) return w;
  }
  return nullptr;
}

std::string Click(const std::string& args) {
  const auto parts = Split(args, 2);
  QWidget* window = parts.size() == 2 ? WindowTitled(parts[0]) : nullptr;
  if (window == nullptr) return "missing";
  for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
    QString caption = button->text();
    caption.remove('&');
    if (caption.toStdString() != parts[1] || !button->isVisible()) continue;
    if (!button->isEnabled()) return "disabled";
    // From the event loop: a modal window the button opens must not hold up this batch.
    QTimer::singleShot(0, button, [button] { button->click(); });
    return "ok";
  }
  return "missing";
}

std::string Select(const std::string& args) {
  const auto parts = Split(args, 2);
  QWidget* window = parts.size() == 2 ? WindowTitled(parts[0]) : nullptr;
  if (window == nullptr) return "missing";
  for (QListWidget* list : window->findChildren<QListWidget*>()) {
    for (int i = 0; i < list->count(); ++i) {
      if (list->item(i)->text().toStdString() != parts[1]) continue;
      list->clearSelection();
      list->setCurrentRow(i);
      list->item(i)->setSelected(true);
      return "ok";
    }
  }
  // Tables (the files list): the row whose first cell has that text.
  for (QTableView* table : window->findChildren<QTableView*>()) {
    const QAbstractItemModel* model = table->model();
    for (int r = 0; model != nullptr && r < model->rowCount(); ++r) {
      if (model->index(r, 0).data().toString().toStdString() != parts[1]) continue;
      table->clearSelection();
      table->setCurrentIndex(model->index(r, 0));
      table->selectRow(r);
      return "ok";
    }
  }
  return "missing";
}

std::string Type(const std::string& args) {
  const auto parts = Split(args, 3);
  QWidget* window = parts.size() == 3 ? WindowTitled(parts[0]) : nullptr;
  if (window == nullptr) return "missing";
  auto* edit = window->findChild<QLineEdit*>(QString::fromStdString(parts[1]));
  if (edit == nullptr) return "missing";
  if (!edit->isEnabled()) return "disabled";
  edit->setText(QString::fromStdString(parts[2]));
  return "ok";
}

std::string Lines(const std::string& title) {
  QWidget* window = WindowTitled(title);
  if (window == nullptr) return "missing";
  std::string out;
  for (QListWidget* list : window->findChildren<QListWidget*>()) {
    for (int i = 0; i < list->count(); ++i) out += "line=" + list->item(i)->text().toStdString() + "\n";
  }
  // Tables (the files list) give their rows, cells joined by "|".
  for (QTableView* table : window->findChildren<QTableView*>()) {
    const QAbstractItemModel* model = table->model();
    for (int r = 0; model != nullptr && r < model->rowCount(); ++r) {
      out += "row=";
      for (int c = 0; c < model->columnCount(); ++c) {
        out += (c > 0 ? "|" : "") + model->index(r, c).data().toString().toStdString();
      }
      out += "\n";
    }
  }
  if (!out.empty()) out.pop_back();
  return out;
}

// The first visible widget of that object name in any window.
QWidget* VisibleWidgetNamed(const std::string& name) {
  for (QWidget* w : QApplication::allWidgets()) {
    if (w->isVisible() && w->objectName().toStdString() == name) return w;
  }
  return nullptr;
}

// A widget as the screen shows it, in device pixels, saved as a BMP file.
std::string Grab(const std::string& args) {
  const std::vector<std::string> parts = Split(args, 2);
  if (parts.size() != 2) return "missing";
  QWidget* widget = VisibleWidgetNamed(parts[0]);
  if (widget == nullptr) return "missing";
  const QImage image = widget->grab().toImage().convertToFormat(QImage::Format_RGB888);
  if (!image.save(QString::fromStdString(parts[1]), "BMP")) return "failed";
  return "grabbed=" + std::to_string(image.width()) + "x" + std::to_string(image.height());
}

// A button's icon at its icon size for a device pixel ratio, saved as a BMP file (on white).
std::string IconOf(const std::string& args) {
  const std::vector<std::string> parts = Split(args, 3);
  if (parts.size() != 3) return "missing";
  auto* button = qobject_cast<QAbstractButton*>(VisibleWidgetNamed(parts[0]));
  if (button == nullptr) return "missing";
  const QPixmap pixmap = button->icon().pixmap(
      button->iconSize(), QString::fromStdString(parts[1]).toDouble());
  QImage image(pixmap.size(), QImage::Format_RGB888);
  image.fill(Qt::white);
  QPainter painter(&image);
  painter.drawImage(0, 0, pixmap.toImage().convertToFormat(QImage::Format_ARGB32));
  painter.end();
  if (!image.save(QString::fromStdString(parts[2]), "BMP")) return "failed";
  return "icon=" + std::to_string(image.width()) + "x" + std::to_string(image.height());
}

}  // namespace

bool RunWidgetCommand(const std::string& line, std::string* results) {
  std::string result;
  if (line.rfind("!click ", 0) == 0) {
    result = Click(line.substr(7));
  } else if (line.rfind("!select ", 0) == 0) {
    result = Select(line.substr(8));
  } else if (line.rfind("!type ", 0) == 0) {
    result = Type(line.substr(6));
  } else if (line.rfind("!lines ", 0) == 0) {
    result = Lines(line.substr(7));
  } else if (line.rfind("!grab ", 0) == 0) {
    result = Grab(line.substr(6));
  } else if (line.rfind("!icon ", 0) == 0) {
    result = IconOf(line.substr(6));
  } else {
    return false;
  }
  *results += result + "\n";
  return true;
}

}  // namespace vr::shell::ui
