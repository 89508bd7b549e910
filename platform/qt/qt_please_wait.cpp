#include "platform/qt/qt_please_wait.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/qt/qt_ui.h"

namespace vr::platform {

QtPleaseWait::QtPleaseWait(QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::WindowTitleHint | Qt::CustomizeWindowHint),
      label_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      stop_button_(new QPushButton(QString::fromUtf8(kDefaultStopCaption), this)) {
  setObjectName(QStringLiteral("PleaseWait"));
  setWindowTitle(QStringLiteral("Please Wait..."));
  setModal(false);
  label_->setMinimumWidth(360);
  label_->setWordWrap(true);
  label_->setTextFormat(Qt::PlainText);
  bar_->setRange(0, 100);
  bar_->setVisible(false);
  stop_button_->setObjectName(QStringLiteral("BStop"));
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(label_);
  layout->addWidget(bar_);
  layout->addWidget(stop_button_, 0, Qt::AlignHCenter);
  connect(stop_button_, &QPushButton::clicked, this, [this] { stop_ = true; });
}

void QtPleaseWait::Show() {
  show();
  raise();
  // Paint at once: the caller is about to keep the event loop busy.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtPleaseWait::Hide() {
  hide();
  bar_->setVisible(false);
}

void QtPleaseWait::SetText(const std::string& text) {
  label_->setText(DisplayText(text));
  if (isVisible()) label_->repaint();
}

std::string QtPleaseWait::Text() const {
  QString text = label_->text();
  text.replace(QChar('\n'), QChar('\r'));
  return text.toStdString();
}

void QtPleaseWait::SetProgress(int percent) {
  if (percent < 0) {
    bar_->setVisible(false);
    return;
  }
  bar_->setValue(std::min(percent, 100));
  bar_->setVisible(true);
}

void QtPleaseWait::SetStopCaption(const std::string& caption) {
  stop_button_->setText(QString::fromStdString(caption.empty() ? kDefaultStopCaption : caption));
}

std::string QtPleaseWait::StopCaption() const { return stop_button_->text().toStdString(); }

void QtPleaseWait::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    stop_ = true;  // Escape stops like the button, it never closes the window
    event->accept();
    return;
  }
  QDialog::keyPressEvent(event);
}

void QtPleaseWait::closeEvent(QCloseEvent* event) {
  // Closing the window by its frame asks the operation to stop; the operation hides it.
  stop_ = true;
  event->ignore();
}

void QtMessagePump::PumpMessages() { QCoreApplication::processEvents(QEventLoop::AllEvents, 50); }

}  // namespace vr::platform
