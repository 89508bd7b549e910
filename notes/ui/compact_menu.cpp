#include "notes/ui/compact_menu.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace vr::notes {

QLabel* TCompactMenu::Value(const char* name, const QString& initial, QGridLayout* grid, int row,
                            const char* label) {
  auto* value = new QLabel(initial);
  value->setObjectName(name);
  grid->addWidget(new QLabel(label), row, 0);
  grid->addWidget(value, row, 1);
  return value;
}

TCompactMenu::TCompactMenu(long total_records, Runner run, std::function<void()> pump,
                           std::function<void(const std::string&)> show_error, QWidget* parent)
    : QDialog(parent),
      run_(std::move(run)),
      pump_(std::move(pump)),
      show_error_(std::move(show_error)) {
  setObjectName("TCompactMenu");
  setWindowTitle("Compact/Fix/Re-Link Notes DataBase");
  setModal(true);
  auto* column = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  error_ = Value("LastError", "NONE", grid, 0, "Last Error:");
  status_ = Value("Status", "Ready to Start", grid, 1, "Status:");
  number_ = Value("Number", "N/A", grid, 2, "Processing File Number:");
  total_ = Value("Total", QString::number(total_records), grid, 3, "Total Records To Process:");
  removed_ = Value("Removed", "N/A", grid, 4, "Records Removed:");
  kept_ = Value("Kept", "N/A", grid, 5, "Records Kept:");
  relinked_ = Value("ReLinked", "N/A", grid, 6, "Records Re-Linked:");
  column->addLayout(grid);
  // Name, stamp and picture size agreeing: the re-link does not ask. Off unless chosen.
  sure_ = new QCheckBox("Link sure matches without asking");
  sure_->setObjectName("SureMatches");
  column->addWidget(sure_);
  auto* buttons = new QHBoxLayout;
  start_ = new QPushButton("&Start");
  done_ = new QPushButton("&Done");
  buttons->addWidget(start_);
  buttons->addWidget(done_);
  column->addLayout(buttons);
  connect(start_, &QPushButton::clicked, this, [this] { StartClick(); });
  connect(done_, &QPushButton::clicked, this, [this] { accept(); });
}

std::string TCompactMenu::LastError() const { return error_->text().toStdString(); }
std::string TCompactMenu::Status() const { return status_->text().toStdString(); }

std::string TCompactMenu::Counter(const char* name) const {
  const auto* label = findChild<QLabel*>(name);
  return label != nullptr ? label->text().toStdString() : std::string();
}

void TCompactMenu::Report() {
  if (++reports_ % 50 == 0 && pump_) pump_();
}

void TCompactMenu::StartClick() {
  if (running_ || !run_) return;
  running_ = true;
  start_->setEnabled(false);
  done_->setEnabled(false);
  sure_->setEnabled(false);
  removed_count_ = 0;
  kept_count_ = 0;
  removed_->setText("0");
  kept_->setText("0");
  Reports reports;
  reports.link_sure_matches = sure_->isChecked();
  reports.error = [this](const std::string& text) {
    error_->setText(QString::fromStdString(text));
    if (show_error_) show_error_(text);
    Report();
  };
  reports.number = [this](long n) {
    number_->setText(QString::number(n));
    Report();
  };
  reports.line = [this](const std::string& text) {
    if (!text.empty()) {
      // The first character says what happened to the record; the rest is shown.
      if (text[0] == '-') ++removed_count_;
      if (text[0] == '+') ++kept_count_;
      if (text[0] == '<') {
        --removed_count_;
        ++kept_count_;
      }
      status_->setText(QString::fromStdString(text.substr(1)));
      removed_->setText(QString::number(removed_count_));
      kept_->setText(QString::number(kept_count_));
    }
    Report();
  };
  const long relinked = run_(reports);
  relinked_->setText(QString::number(relinked));
  running_ = false;
  done_->setEnabled(true);
}

void TCompactMenu::BeginTextRun(const std::string& caption, const std::string& status,
                                const std::string& total) {
  running_ = true;
  setModal(false);
  setWindowTitle(QString::fromStdString(caption));
  status_->setText(QString::fromStdString(status));
  for (QLabel* counter : {removed_, kept_, relinked_, number_}) counter->setText("0");
  total_->setText(QString::fromStdString(total));
  start_->setVisible(false);
  sure_->setVisible(false);
  done_->setEnabled(false);
  show();
}

void TCompactMenu::ShowNumber(long n) { number_->setText(QString::number(n)); }

void TCompactMenu::EndTextRun() {
  running_ = false;
  setWindowTitle("Compact/Fix/Re-Link Notes DataBase");
  hide();
}

void TCompactMenu::closeEvent(QCloseEvent* event) {
  if (running_) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

void TCompactMenu::reject() {
  if (!running_) QDialog::reject();
}

}  // namespace vr::notes
