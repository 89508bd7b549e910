#include "shell/ui/notice_window.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace vr::shell::ui {

TNoticeWindow::TNoticeWindow(const std::string& text, bool offer_switch, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
  setWindowTitle(kNoticeTitle);
  setModal(true);
  auto* layout = new QVBoxLayout(this);
  auto* panel = new QPlainTextEdit(QString::fromStdString(text));
  panel->setReadOnly(true);
  layout->addWidget(panel);
  turn_off_ = new QCheckBox(kNoticeTurnOff);
  layout->addWidget(turn_off_);
  if (offer_switch) {
    switch_mode_ = new QCheckBox(kNoticeSwitchMode);
    switch_mode_->setChecked(false);
    layout->addWidget(switch_mode_);
  }
  auto* ok = new QPushButton("Ok");
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(ok);
}

}  // namespace vr::shell::ui
