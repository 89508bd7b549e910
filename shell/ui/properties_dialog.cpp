#include "shell/ui/properties_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <fstream>
#include <iterator>

#include "shell/layout.h"

namespace vr::shell::ui {

TPropertiesMenu::TPropertiesMenu(const PropertiesFacts& f, QWidget* parent) : QDialog(parent) {
  setWindowTitle("Properties");
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* form = new QFormLayout();
  layout->addLayout(form);
  auto add = [&](const std::string& caption, const std::string& value, bool enabled = true) {
    fields_.emplace_back(caption, value);
    auto* label = new QLabel(QString::fromStdString(caption));
    auto* text = new QLabel(QString::fromStdString(value));
    label->setEnabled(enabled);
    text->setEnabled(enabled);
    form->addRow(label, text);
  };
  add("Filename:", f.file_name);
  add("Dimensions:", std::to_string(f.width) + "x" + std::to_string(f.height));
  add("File BPP:", f.file_bits < 0 ? std::string("?") : DepthText(f.file_bits));
  add("Internal BPP:", DepthText(f.internal_bits));
  add("Screen mode:", DepthText(f.screen_bits));
  add("Actual Colors:", std::to_string(f.colours));
  add("File size:", f.file_size < 0 ? std::string() : std::to_string(f.file_size));
  add("Date Modified:", f.modified);
  add("File #:", std::to_string(f.position + 1) + " of " + std::to_string(f.count) + " files.");
  add("Interlaced    GIF:", f.gif ? (f.interlaced ? "YES" : "NO") : "", f.gif);
  add("Animated     GIF:", f.gif ? (f.animated ? "YES" : "NO") : "", f.gif);
  add("Transparent GIF:", f.gif ? (f.transparent ? "YES" : "NO") : "", f.gif);
  swatch_ = new QPushButton();
  swatch_->setFixedSize(24, 16);
  swatch_->setFlat(true);
  swatch_->setAutoFillBackground(true);
  QPalette sp = swatch_->palette();
  sp.setColor(QPalette::Button,
              QColor(f.transparent_colour.r, f.transparent_colour.g, f.transparent_colour.b));
  sp.setColor(QPalette::Window,
              QColor(f.transparent_colour.r, f.transparent_colour.g, f.transparent_colour.b));
  swatch_->setPalette(sp);
  swatch_->setEnabled(f.gif);
  connect(swatch_, &QPushButton::clicked, this, [this] {
    if (palette_editor_) palette_editor_("Select the background/transparency color");
  });
  form->addRow(new QLabel("Transparent color:"), swatch_);
  auto* comments = new QPlainTextEdit();
  comments->setReadOnly(true);
  if (f.gif) {
    for (const std::string& line : f.comments) {
      if (!comment_text_.empty()) comment_text_ += "\n";
      comment_text_ += line;
    }
  } else {
    comment_text_ = kNoGifComments;
    QPalette cp = comments->palette();
    cp.setColor(QPalette::Base, QColor(0x80, 0x80, 0x80));
    comments->setPalette(cp);
  }
  comments->setPlainText(QString::fromStdString(comment_text_));
  layout->addWidget(comments);
  if (!f.camera.empty()) {
    // The camera's facts, below the fields every picture has.
    auto* camera = new QGroupBox("Camera");
    camera->setObjectName("CameraFacts");
    auto* camera_form = new QFormLayout(camera);
    for (const auto& [caption, value] : f.camera) {
      fields_.emplace_back(caption, value);
      camera_form->addRow(new QLabel(QString::fromStdString(caption)),
                          new QLabel(QString::fromStdString(value)));
    }
    layout->addWidget(camera);
  }
  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
  palette_button_ = buttons->addButton("Palette Editor", QDialogButtonBox::ActionRole);
  has_palette_ = f.internal_bits >= 1 && f.internal_bits <= 8;
  palette_button_->setEnabled(false);  // until the editor is handed over
  connect(palette_button_, &QPushButton::clicked, this, [this] {
    if (palette_editor_) palette_editor_("Edit the palette colors");
  });
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  layout->addWidget(buttons);
}

void TPropertiesMenu::SetPaletteEditor(std::function<void(const std::string& title)> open) {
  palette_editor_ = std::move(open);
  palette_button_->setEnabled(palette_editor_ && has_palette_);
}

std::string TPropertiesMenu::Field(const std::string& caption) const {
  for (const auto& [c, v] : fields_) {
    if (c == caption) return v;
  }
  return {};
}

std::string TPropertiesMenu::CommentText() const { return comment_text_; }

}  // namespace vr::shell::ui
