#include "platform/qt/qt_ui.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>

namespace vr::platform {
namespace {

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }
std::string ToUtf8(const QString& text) { return text.toStdString(); }

QMessageBox::Icon IconOf(MessageKind kind) {
  switch (kind) {
    case MessageKind::kWarning:
      return QMessageBox::Warning;
    case MessageKind::kError:
      return QMessageBox::Critical;
    case MessageKind::kQuestion:
      return QMessageBox::Question;
    case MessageKind::kInformation:
      break;
  }
  return QMessageBox::Information;
}

struct ButtonMap {
  unsigned bit;
  QMessageBox::StandardButton standard;
  Answer answer;
};
constexpr ButtonMap kButtons[] = {
    {kButtonYes, QMessageBox::Yes, Answer::kYes},
    {kButtonNo, QMessageBox::No, Answer::kNo},
    {kButtonYesToAll, QMessageBox::YesToAll, Answer::kYesToAll},
    {kButtonNoToAll, QMessageBox::NoToAll, Answer::kNoToAll},
    {kButtonOk, QMessageBox::Ok, Answer::kOk},
    {kButtonCancel, QMessageBox::Cancel, Answer::kCancel},
};

// The directory part for a dialog's start, joined with the initial name.
QString StartPath(const FileDialogOptions& options) {
  QString folder = FromUtf8(options.folder);
  QString name = FromUtf8(options.file_name);
  if (name == "+" || name == "*" || name == "*.*") name.clear();  // "all files"
  if (folder.isEmpty()) return name;
  if (name.isEmpty()) return folder;
  return folder.endsWith('/') ? folder + name : folder + '/' + name;
}

}  // namespace

QString DisplayText(const std::string& text) {
  QString shown = FromUtf8(text);
  shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  shown.replace(QChar('\r'), QChar('\n'));
  return shown;
}

QString FilterString(const std::vector<FileFilter>& filters) {
  QStringList parts;
  for (const FileFilter& filter : filters) {
    QString patterns = FromUtf8(filter.patterns);
    patterns.replace(QChar(';'), QChar(' '));
    parts << FromUtf8(filter.caption) + " (" + patterns + ")";
  }
  if (parts.isEmpty()) parts << QStringLiteral("All files (*)");
  return parts.join(QStringLiteral(";;"));
}

QWidget* QtUi::Parent() const {
  if (parent_) return parent_.data();
  return QApplication::activeWindow();
}

Answer QtUi::ShowMessage(MessageKind kind, const std::string& title, const std::string& text,
                         unsigned buttons) {
  QMessageBox box(IconOf(kind), FromUtf8(title), DisplayText(text), QMessageBox::NoButton,
                  Parent());
  QMessageBox::StandardButtons standard;
  for (const ButtonMap& map : kButtons) {
    if ((buttons & map.bit) != 0) standard |= map.standard;
  }
  box.setStandardButtons(standard);
  if ((buttons & kButtonCancel) != 0) {
    box.setEscapeButton(QMessageBox::Cancel);
  } else if ((buttons & kButtonNo) != 0) {
    box.setEscapeButton(QMessageBox::No);
  } else if ((buttons & kButtonOk) != 0) {
    box.setEscapeButton(QMessageBox::Ok);
  }
  const int pressed = box.exec();
  for (const ButtonMap& map : kButtons) {
    if (pressed == map.standard) return map.answer;
  }
  if ((buttons & kButtonCancel) != 0) return Answer::kCancel;
  if ((buttons & kButtonNo) != 0) return Answer::kNo;
  return Answer::kOk;
}

int QtUi::ShowChoice(const std::string& title, ChoiceKind kind, const std::string& text,
                     const std::vector<std::string>& captions) {
  QMessageBox box(IconOf(KindOf(kind)), FromUtf8(title), DisplayText(text), QMessageBox::NoButton,
                  Parent());
  std::vector<QPushButton*> buttons;
  for (const std::string& caption : captions) {
    buttons.push_back(box.addButton(FromUtf8(ShownCaption(caption)), QMessageBox::AcceptRole));
  }
  if (buttons.empty()) return 0;
  const int focused = FocusedChoice(captions);
  box.setDefaultButton(buttons[static_cast<size_t>(focused > 0 ? focused - 1 : 0)]);
  const int escape = EscapeChoice(captions);
  box.setEscapeButton(buttons[static_cast<size_t>(escape > 0 ? escape - 1 : buttons.size() - 1)]);
  box.exec();
  for (size_t i = 0; i < buttons.size(); ++i) {
    if (box.clickedButton() == buttons[i]) return static_cast<int>(i) + 1;
  }
  return escape > 0 ? escape : static_cast<int>(buttons.size());
}

std::optional<std::string> QtUi::PromptText(const std::string& title, const std::string& prompt,
                                            const std::string& initial) {
  bool ok = false;
  const QString text = QInputDialog::getText(Parent(), FromUtf8(title), DisplayText(prompt),
                                             QLineEdit::Normal, FromUtf8(initial), &ok);
  if (!ok) return std::nullopt;
  return ToUtf8(text);
}

std::optional<std::string> QtUi::PromptPassword(const std::string& title,
                                                const std::string& prompt) {
  bool ok = false;
  const QString text = QInputDialog::getText(Parent(), FromUtf8(title), DisplayText(prompt),
                                             QLineEdit::Password, QString(), &ok);
  if (!ok) return std::nullopt;
  return ToUtf8(text);
}

std::vector<std::string> QtUi::OpenFiles(const FileDialogOptions& options) {
  QString selected;
  QStringList names;
  const QString filter = FilterString(options.filters);
  const QStringList filter_list = filter.split(QStringLiteral(";;"));
  if (options.filter_index >= 0 && options.filter_index < filter_list.size()) {
    selected = filter_list[options.filter_index];
  }
  if (options.multiple) {
    names = QFileDialog::getOpenFileNames(Parent(), FromUtf8(options.title), StartPath(options),
                                          filter, &selected);
  } else {
    const QString name = QFileDialog::getOpenFileName(Parent(), FromUtf8(options.title),
                                                      StartPath(options), filter, &selected);
    if (!name.isEmpty()) names << name;
  }
  std::vector<std::string> files;
  for (const QString& name : names) files.push_back(ToUtf8(name));
  return files;
}

std::optional<std::string> QtUi::SaveFile(const FileDialogOptions& options) {
  QString selected;
  const QString filter = FilterString(options.filters);
  const QStringList filter_list = filter.split(QStringLiteral(";;"));
  if (options.filter_index >= 0 && options.filter_index < filter_list.size()) {
    selected = filter_list[options.filter_index];
  }
  QFileDialog dialog(Parent(), FromUtf8(options.title), StartPath(options), filter);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  if (!selected.isEmpty()) dialog.selectNameFilter(selected);
  if (!options.default_extension.empty()) {
    QString suffix = FromUtf8(options.default_extension);
    if (suffix.startsWith('.')) suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
  }
  if (options.filter_changed) {
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                     [&options, filter_list](const QString& chosen) {
                       options.filter_changed(static_cast<int>(filter_list.indexOf(chosen)));
                     });
  }
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  const QString name = dialog.selectedFiles().first();
  if (name.isEmpty()) return std::nullopt;
  return ToUtf8(name);
}

std::optional<PickedColour> QtUi::PickColour(const std::string& title,
                                             const PickedColour& initial) {
  const QColor colour =
      QColorDialog::getColor(QColor(initial.r, initial.g, initial.b), Parent(), FromUtf8(title));
  if (!colour.isValid()) return std::nullopt;
  return PickedColour{static_cast<uint8_t>(colour.red()), static_cast<uint8_t>(colour.green()),
                      static_cast<uint8_t>(colour.blue())};
}

std::optional<std::string> QtUi::PickFolder(const std::string& title, const std::string& initial) {
  const QString folder =
      QFileDialog::getExistingDirectory(Parent(), FromUtf8(title), FromUtf8(initial));
  if (folder.isEmpty()) return std::nullopt;
  return ToUtf8(folder);
}

}  // namespace vr::platform
