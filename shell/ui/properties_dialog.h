#pragma once
// The "Properties" window of the shown picture.

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "shell/picture_facts.h"

class QPushButton;

namespace vr::shell::ui {

class TPropertiesMenu : public QDialog {
  Q_OBJECT
 public:
  TPropertiesMenu(const PropertiesFacts& facts, QWidget* parent);
  // The shown value of a field by its caption ("Filename:", "File #:" ...); empty when unknown.
  std::string Field(const std::string& caption) const;
  std::string CommentText() const;
  // The palette editor, opened with its title by the "Palette Editor" button ("Edit the palette
  // colors") and by a click on the colour swatch ("Select the background/transparency color").
  // The button stays disabled for pictures without a palette.
  void SetPaletteEditor(std::function<void(const std::string& title)> open);
  QPushButton* palette_button() const { return palette_button_; }
  QPushButton* swatch_button() const { return swatch_; }

 private:
  std::function<void(const std::string& title)> palette_editor_;
  QPushButton* palette_button_ = nullptr;
  QPushButton* swatch_ = nullptr;
  bool has_palette_ = false;
  std::vector<std::pair<std::string, std::string>> fields_;
  std::string comment_text_;
};

}  // namespace vr::shell::ui
