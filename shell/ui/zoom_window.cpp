#include "shell/ui/zoom_window.h"

#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/ui.h"

namespace vr::shell::ui {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

TZoomMenu::TZoomMenu(int current_width, int current_height, int screen_width, int screen_height,
                     platform::Ui* ui, QWidget* parent)
    : QDialog(parent),
      edits_(current_width, current_height),
      screen_width_(screen_width),
      screen_height_(screen_height),
      ui_(ui) {
  setObjectName("ZoomMenu");
  setWindowTitle(kZoomTitle);
  auto* grid = new QGridLayout;
  grid->addWidget(new QLabel("Current Width:", this), 0, 0);
  auto* current_w = new QLabel(QString::number(current_width), this);
  current_w->setObjectName("LCurrentWidth");
  grid->addWidget(current_w, 0, 1);
  grid->addWidget(new QLabel("Current Height:", this), 1, 0);
  auto* current_h = new QLabel(QString::number(current_height), this);
  current_h->setObjectName("LCurrentHeight");
  grid->addWidget(current_h, 1, 1);

  auto edit = [this, grid](const char* name, const char* caption, int row) {
    auto* e = new QLineEdit(this);
    e->setObjectName(name);
    e->installEventFilter(this);
    grid->addWidget(new QLabel(caption, this), row, 0);
    grid->addWidget(e, row, 1);
    return e;
  };
  EWidth = edit("EWidth", "New Width:", 2);
  EHeight = edit("EHeight", "New Height:", 3);
  EZoom = edit("EZoom", "ZOOM Factor % :", 4);

  CBAspect = new QCheckBox("Keep Aspect Ratio", this);
  CBAspect->setObjectName("CBAspect");
  CBAspect->setChecked(true);
  BScreenSize = new QPushButton("Use &Screen Size", this);
  BScreenSize->setObjectName("BScreenSize");
  BScreenSize->setAutoDefault(false);
  SBSmoothing = new QToolButton(this);
  SBSmoothing->setObjectName("SBSmoothing");
  SBSmoothing->setCheckable(true);
  BOk = new QPushButton("&Ok", this);
  BOk->setObjectName("BOk");
  BOk->setDefault(true);
  BCancel = new QPushButton("&Cancel", this);
  BCancel->setObjectName("BCancel");
  BCancel->setAutoDefault(false);

  auto* buttons = new QHBoxLayout;
  buttons->addWidget(SBSmoothing);
  buttons->addStretch(1);
  buttons->addWidget(BOk);
  buttons->addWidget(BCancel);
  auto* column = new QVBoxLayout(this);
  column->addLayout(grid);
  column->addWidget(CBAspect);
  column->addWidget(BScreenSize);
  column->addLayout(buttons);

  connect(EWidth, &QLineEdit::textEdited, this, [this](const QString& text) {
    edits_.WidthEdited(text.toStdString());
    ShowEdits(EWidth);
  });
  connect(EHeight, &QLineEdit::textEdited, this, [this](const QString& text) {
    edits_.HeightEdited(text.toStdString());
    ShowEdits(EHeight);
  });
  connect(EZoom, &QLineEdit::textEdited, this, [this](const QString& text) {
    edits_.FactorEdited(text.toStdString());
    ShowEdits(EZoom);
  });
  connect(CBAspect, &QCheckBox::toggled, this, [this](bool on) { edits_.SetKeepAspect(on); });
  connect(BScreenSize, &QPushButton::clicked, this, [this] { ScreenSizeClick(); });
  connect(SBSmoothing, &QToolButton::clicked, this, [this] {
    edits_.ToggleSmoothing();
    ShowEdits(nullptr);
  });
  connect(BOk, &QPushButton::clicked, this, [this] { done(kZoomOk); });
  connect(BCancel, &QPushButton::clicked, this, [this] { done(kZoomCancel); });
  ShowEdits(nullptr);
}

void TZoomMenu::ShowEdits(const QLineEdit* typed_in) {
  // The edit being typed into keeps the user's text and cursor.
  if (typed_in != EWidth) EWidth->setText(Q(edits_.WidthText()));
  if (typed_in != EHeight) EHeight->setText(Q(edits_.HeightText()));
  if (typed_in != EZoom) EZoom->setText(Q(edits_.FactorText()));
  BOk->setEnabled(edits_.OkEnabled());
  SBSmoothing->setChecked(edits_.Smoothing());
  SBSmoothing->setText(edits_.SmoothingCaption());
  SBSmoothing->setProperty("glyph", QString(edits_.SmoothingGlyph()));
}

void TZoomMenu::ScreenSizeClick() {
  const bool hint = edits_.UseScreenSize(screen_width_, screen_height_);
  if (hint && ui_ != nullptr) ui_->Information(transforms::kZoomAspectHint);
  ShowEdits(nullptr);
}

bool TZoomMenu::eventFilter(QObject* watched, QEvent* event) {
  // A click in an edit enables "&Ok" as a change does.
  if (event->type() == QEvent::MouseButtonPress &&
      (watched == EWidth || watched == EHeight || watched == EZoom)) {
    BOk->setEnabled(true);
  }
  return QDialog::eventFilter(watched, event);
}

void TZoomMenu::done(int result) {
  if (result == kZoomOk && edits_.NeedsShrinkQuestion() && ui_ != nullptr) {
    const int choice =
        ui_->Choice("Information", platform::ChoiceKind::kInformation,
                    transforms::kZoomShrinkQuestion,
                    {transforms::kZoomNowButton, transforms::kZoomCancelButton});
    if (choice != 1) return;  // "-CANCEL Zoom": the window stays open
  }
  QDialog::done(result);
}

}  // namespace vr::shell::ui
