#pragma once
// A transfer window (TFTPDownloadMenu): one download or upload of the FTP tool, run by a worker
// thread (TFTPThread) with an FTP client of its own. It shows progress, time left and rate,
// limits the speed with a track bar, can be cancelled, run again or resumed, and closes itself
// after a successful transfer when asked. The worker reaches the window only through queued
// calls; the window never waits on the worker while it runs.

#include <QDialog>
#include <QPointer>
#include <QThread>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <string>

#include "platform/services.h"
#include "web/ftp/ftp_transfer.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QPushButton;
class QSlider;
class QTimer;

namespace vr::ftp::ui {

class TFTPDownloadMenu;

class TFTPThread : public QThread {
  Q_OBJECT

 public:
  TFTPThread(TFTPDownloadMenu* window, FtpTransferJob job);

  void Cancel();
  // Ends a throttle wait early (the timer's fifth tick, cancel, the speed bar moved). A wake
  // while no wait runs ends none later: what it announced (a new position) is read anew before
  // the next wait is worked out.
  void Wake();
  void SetSpeedPosition(int position) { position_ = position; }

  TransferResult result() const { return result_; }

 protected:
  void run() override;

 private:
  uint64_t WakeSerial();
  // Waits up to `ms`, ending early on a cancel or on a wake after `since` (a WakeSerial()).
  void WaitMs(int64_t ms, uint64_t since);

  QPointer<TFTPDownloadMenu> window_;
  FtpTransferJob job_;
  std::atomic<bool> cancel_{false};
  std::atomic<int> position_{10};
  std::mutex mutex_;
  std::condition_variable wake_;
  uint64_t wake_serial_ = 0;
  TransferResult result_ = TransferResult::kFailed;
};

class TFTPDownloadMenu : public QDialog {
  Q_OBJECT

 public:
  // `closing` runs when the window closes (the FTP window's queue).
  TFTPDownloadMenu(QWidget* parent, platform::Services services, FtpTransferJob job,
                   std::function<void()> closing);
  ~TFTPDownloadMenu() override;

  // The retry button ("&Download"/"&Upload") and "&Resume Download".
  void BRetryClick();
  void BResumeClick();
  void BCancelClick();  // "&Cancel" while running, "&Exit" after
  void BOpenFolderClick();
  void BOpenFileClick();
  void SetSpeedPosition(int position);

  bool Running() const { return thread_ != nullptr; }
  std::string StatusText() const;
  std::string TimeText() const;
  std::string RateLabelText() const;
  std::string CancelCaption() const;
  bool RetryEnabled() const;
  bool ResumeEnabled() const;
  QCheckBox* CloseAfterBox() const { return close_after_; }
  int ProgressValue() const;
  // The last run's outcome (meaningful once not running).
  TransferResult LastResult() const { return last_result_; }

  // Called from the worker through queued calls.
  void ThreadStatus(const std::string& text);
  void ThreadProgress(int64_t done, int64_t sample_bytes, int64_t sample_ms, bool forced);

 protected:
  void closeEvent(QCloseEvent* event) override;
  void reject() override;

 private:
  void Start(bool resume);
  void TimerTick();
  void ThreadEnded();
  void Redraw(bool forced);

  platform::Services services_;
  FtpTransferJob job_;
  std::function<void()> closing_;
  TFTPThread* thread_ = nullptr;
  QTimer* timer_ = nullptr;
  int ticks_ = 0;
  bool started_ = false;
  bool closing_after_ = false;
  TransferResult last_result_ = TransferResult::kFailed;

  // Progress as the worker last reported it, and the running sums of the rate label.
  int64_t done_ = 0;
  int64_t sum_bytes_ = 0;
  int64_t sum_ms_ = 0;
  int64_t start_ms_ = 0;
  int64_t interval_start_ms_ = 0;
  int64_t interval_start_bytes_ = 0;
  int64_t last_redraw_ms_ = -1000;

  QLabel* source_ = nullptr;
  QLabel* destination_ = nullptr;
  QLabel* status_ = nullptr;
  QLabel* time_ = nullptr;
  QLabel* rate_ = nullptr;
  QLabel* speed_label_ = nullptr;
  QProgressBar* progress_ = nullptr;
  QSlider* speed_ = nullptr;
  QPushButton* retry_ = nullptr;
  QPushButton* resume_ = nullptr;
  QPushButton* open_folder_ = nullptr;
  QPushButton* open_file_ = nullptr;
  QPushButton* cancel_ = nullptr;
  QCheckBox* close_after_ = nullptr;
};

}  // namespace vr::ftp::ui
