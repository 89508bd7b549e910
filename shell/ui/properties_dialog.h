#pragma once
// The "Properties" window of the shown picture.

#include <QDialog>
#include <functional>
#include <string>
#include <vector>

#include "picture/bitmap.h"

class QPushButton;

namespace vr::shell::ui {

struct PropertiesFacts {
  std::string file_name;
  int width = 0;
  int height = 0;
  int file_bits = -1;
  int internal_bits = 0;
  int screen_bits = 24;
  int colours = 0;
  long long file_size = -1;
  std::string modified;  // already formatted
  int position = 0;
  int count = 0;
  bool gif = false;
  bool interlaced = false;
  bool animated = false;
  bool transparent = false;
  picture::Rgb transparent_colour{0, 0, 0};
  std::vector<std::string> comments;
};

inline constexpr const char* kNoGifComments = "NON-GIF files won't have comments!";

// GIF facts read from the file: transparency (first graphic control block) and comment lines.
void ReadGifExtras(const std::string& path, PropertiesFacts* facts);

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
