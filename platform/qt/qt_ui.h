#pragma once
// The Ui service on Qt dialogs. Texts arrive with "\r" between lines and are shown with line
// breaks; choice-box captions lose their "+" / "-" marks.

#include <QPointer>
#include <QString>
#include <QWidget>

#include "platform/ui.h"

namespace vr::platform {

// "\r" (and "\r\n") become line breaks for display.
QString DisplayText(const std::string& text);
// "Caption (*.gif *.jpg);;..." from the filter list; "All files (*)" when empty.
QString FilterString(const std::vector<FileFilter>& filters);

class QtUi : public Ui {
 public:
  explicit QtUi(QWidget* parent = nullptr) : parent_(parent) {}
  // The window the boxes are centred on (the main window once it exists).
  void SetParent(QWidget* parent) { parent_ = parent; }

  std::optional<std::string> PromptText(const std::string& title, const std::string& prompt,
                                        const std::string& initial) override;
  std::optional<std::string> PromptPassword(const std::string& title,
                                            const std::string& prompt) override;
  std::vector<std::string> OpenFiles(const FileDialogOptions& options) override;
  std::optional<std::string> SaveFile(const FileDialogOptions& options) override;
  std::optional<PickedColour> PickColour(const std::string& title,
                                         const PickedColour& initial) override;
  std::optional<std::string> PickFolder(const std::string& title,
                                        const std::string& initial) override;

 protected:
  Answer ShowMessage(MessageKind kind, const std::string& title, const std::string& text,
                     unsigned buttons) override;
  int ShowChoice(const std::string& title, ChoiceKind kind, const std::string& text,
                 const std::vector<std::string>& captions) override;

 private:
  QWidget* Parent() const;
  QPointer<QWidget> parent_;
};

}  // namespace vr::platform
