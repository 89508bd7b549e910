#pragma once
// The "Properties" window of the shown picture.

#include <QDialog>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "shell/picture_facts.h"

namespace vr::shell::ui {

class TPropertiesMenu : public QDialog {
  Q_OBJECT
 public:
  TPropertiesMenu(const PropertiesFacts& facts, QWidget* parent);
  // The shown value of a field by its caption ("Filename:", "File #:" ...); empty when unknown.
  std::string Field(const std::string& caption) const;
  std::string CommentText() const;

 private:
  std::vector<std::pair<std::string, std::string>> fields_;
  std::string comment_text_;
};

}  // namespace vr::shell::ui
