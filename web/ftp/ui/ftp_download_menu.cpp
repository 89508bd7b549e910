#include "web/ftp/ui/ftp_download_menu.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QDateTime>
#include <QFontMetrics>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

#include "platform/folders.h"
#include "platform/qt/socket_qt.h"
#include "platform/shell_service.h"
#include "platform/sounds.h"
#include "platform/ui.h"
#include "web/ftp/ftp_client.h"

namespace vr::ftp::ui {
namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }
std::string S(const QString& text) { return text.toStdString(); }

int64_t NowMs() { return QDateTime::currentMSecsSinceEpoch(); }

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Worker

TFTPThread::TFTPThread(TFTPDownloadMenu* window, FtpTransferJob job)
    : window_(window), job_(std::move(job)) {}

void TFTPThread::Cancel() {
  cancel_ = true;
  Wake();
}

void TFTPThread::Wake() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ++wake_serial_;
  }
  wake_.notify_all();
}

uint64_t TFTPThread::WakeSerial() {
  std::lock_guard<std::mutex> lock(mutex_);
  return wake_serial_;
}

void TFTPThread::WaitMs(int64_t ms, uint64_t since) {
  std::unique_lock<std::mutex> lock(mutex_);
  wake_.wait_for(lock, std::chrono::milliseconds(ms),
                 [this, since] { return wake_serial_ != since || cancel_; });
}

void TFTPThread::run() {
  // The client and its sockets live on this thread and are gone when it ends.
  platform::qt::QtSocketService sockets;
  TFtpClient client(sockets);
  client.SetMultiThreaded(true);
  client.SetShareMode(ftpShareDenyWrite);
  client.SetTimeout(job_.timeout);
  QPointer<TFTPDownloadMenu> window = window_;
  auto post = [window](std::function<void(TFTPDownloadMenu&)> call) {
    QMetaObject::invokeMethod(
        window.data(),
        [window, call] {
          if (window) call(*window);
        },
        Qt::QueuedConnection);
  };
  FtpThrottle throttle;
  int64_t last_post = -1000;
  client.OnProgress = [&](int64_t count, bool& abort) {
    // A cancel stops the data at once, not only at the wait's next pass.
    if (cancel_) {
      abort = true;
      return;
    }
    const int64_t now = sockets.Loop().NowMs();
    // Wakes from here on end the wait; earlier ones only announced the position read now.
    const uint64_t since = WakeSerial();
    const int position = position_;
    client.SetBlockCap(ThrottleBlock(position));
    const int64_t wait = throttle.Step(count, SpeedLimit(position), now);
    if (wait > 0 && !cancel_) WaitMs(wait, since);
    if (now - last_post >= 250) {
      last_post = now;
      const int64_t bytes = throttle.last_sample_bytes(), ms = throttle.last_sample_ms();
      post([count, bytes, ms](TFTPDownloadMenu& w) { w.ThreadProgress(count, bytes, ms, false); });
    }
  };
  TransferHooks hooks;
  hooks.status = [&post](const std::string& text) {
    post([text](TFTPDownloadMenu& w) { w.ThreadStatus(text); });
  };
  hooks.wait_second = [this] {
    WaitMs(1000, WakeSerial());
    return !cancel_;
  };
  hooks.wait_notice = [this] { WaitMs(3000, WakeSerial()); };
  hooks.cancelled = [this] { return cancel_.load(); };
  result_ = RunTransferJob(client, job_, hooks);
  const int64_t total = client.ByteCount();
  post([total](TFTPDownloadMenu& w) { w.ThreadProgress(total, 0, 0, true); });
}

// ---------------------------------------------------------------------------------------------
// Window

TFTPDownloadMenu::TFTPDownloadMenu(QWidget* parent, platform::Services services,
                                   FtpTransferJob job, std::function<void()> closing)
    : QDialog(parent), services_(services), job_(std::move(job)), closing_(std::move(closing)) {
  if (job_.size <= 0) job_.size = 1;
  if (job_.direction == 'U') job_.resume = false;
  setObjectName("FTPDownloadMenu");
  auto* v = new QVBoxLayout(this);
  auto* form = new QFormLayout;
  const bool down = job_.direction != 'U';
  const std::string remote = job_.remote_folder.empty() || job_.remote_folder.back() == '/'
                                 ? job_.remote_folder + job_.remote_file
                                 : job_.remote_folder + "/" + job_.remote_file;
  source_ = new QLabel;
  destination_ = new QLabel;
  const QString local = QFontMetrics(font()).elidedText(Q(job_.local_path), Qt::ElideMiddle, 420);
  source_->setText(down ? Q(remote) : local);
  destination_->setText(down ? local : Q(remote));
  form->addRow("Source:", source_);
  form->addRow("Destination:", destination_);
  v->addLayout(form);
  progress_ = new QProgressBar;
  progress_->setRange(0, 100);
  v->addWidget(progress_);
  status_ = new QLabel;
  status_->setObjectName("Status");
  time_ = new QLabel;
  rate_ = new QLabel;
  v->addWidget(status_);
  v->addWidget(time_);
  v->addWidget(rate_);
  auto* speed_row = new QHBoxLayout;
  speed_ = new QSlider(Qt::Horizontal);
  speed_->setRange(0, kSpeedPositions - 1);
  speed_->setValue(kSpeedPositions - 1);
  speed_->setToolTip("Control download speed (Left=Slowest   Right=Fastest)");
  speed_label_ = new QLabel(QString("%1 Max").arg(SpeedLabel(kSpeedPositions - 1)));
  connect(speed_, &QSlider::valueChanged, this, [this](int p) { SetSpeedPosition(p); });
  speed_row->addWidget(speed_, 1);
  speed_row->addWidget(speed_label_);
  v->addLayout(speed_row);
  close_after_ = new QCheckBox("Close this window after transfer finishes");
  close_after_->setChecked(job_.close_after || job_.open_when_done);
  close_after_->setVisible(!job_.open_when_done);
  v->addWidget(close_after_);
  auto* buttons = new QHBoxLayout;
  retry_ = new QPushButton(down ? "&Download" : "&Upload");
  resume_ = new QPushButton("&Resume Download");
  open_folder_ = new QPushButton("Open &Folder");
  open_file_ = new QPushButton("&Open File");
  cancel_ = new QPushButton("&Cancel");
  open_folder_->setVisible(!job_.open_when_done);
  open_file_->setVisible(!job_.open_when_done);
  connect(retry_, &QPushButton::clicked, this, [this] { BRetryClick(); });
  connect(resume_, &QPushButton::clicked, this, [this] { BResumeClick(); });
  connect(open_folder_, &QPushButton::clicked, this, [this] { BOpenFolderClick(); });
  connect(open_file_, &QPushButton::clicked, this, [this] { BOpenFileClick(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { BCancelClick(); });
  for (QPushButton* b : {retry_, resume_, open_folder_, open_file_, cancel_}) buttons->addWidget(b);
  v->addLayout(buttons);
  timer_ = new QTimer(this);
  connect(timer_, &QTimer::timeout, this, [this] { TimerTick(); });
  Start(job_.resume);
}

TFTPDownloadMenu::~TFTPDownloadMenu() {
  if (thread_ != nullptr) {
    thread_->Cancel();
    thread_->wait();
    delete thread_;
  }
}

void TFTPDownloadMenu::Start(bool resume) {
  if (thread_ != nullptr) return;
  job_.resume = resume && job_.direction != 'U';
  const bool down = job_.direction != 'U';
  for (QPushButton* b : {retry_, resume_, open_folder_, open_file_}) b->setEnabled(false);
  cancel_->setText("&Cancel");
  cancel_->setToolTip("ABORT the file transfer now!");
  status_->setText(Q(std::string(down ? "Downloading" : "Uploading") + "..."));
  done_ = sum_bytes_ = sum_ms_ = 0;
  ticks_ = 0;
  started_ = false;
  progress_->setValue(0);
  setWindowTitle(Q("0% of " + job_.remote_file + " Completed"));
  thread_ = new TFTPThread(this, job_);
  thread_->SetSpeedPosition(speed_->value());
  connect(thread_, &QThread::finished, this, [this] { ThreadEnded(); });
  // The first tick starts the worker; later ticks every 3 seconds blend the rate.
  timer_->setInterval(1);
  timer_->start();
}

void TFTPDownloadMenu::TimerTick() {
  if (!started_) {
    started_ = true;
    timer_->setInterval(3000);
    start_ms_ = interval_start_ms_ = NowMs();
    interval_start_bytes_ = 0;
    if (thread_ != nullptr) thread_->start();
    return;
  }
  const int64_t now = NowMs();
  const int64_t interval_ms = now - interval_start_ms_;
  const int64_t interval_bytes = done_ - interval_start_bytes_;
  const RatePair pair = BlendRate(interval_bytes, interval_ms, done_, now - start_ms_);
  time_->setText(Q(TimeLeftText(job_.size, done_, pair.bytes, pair.ms)));
  rate_->setText(Q(RateText(interval_bytes, interval_ms)));
  sum_bytes_ = interval_bytes;
  sum_ms_ = interval_ms;
  interval_start_ms_ = now;
  interval_start_bytes_ = done_;
  if (++ticks_ % 5 == 0 && thread_ != nullptr) thread_->Wake();
}

void TFTPDownloadMenu::ThreadStatus(const std::string& text) { status_->setText(Q(text)); }

void TFTPDownloadMenu::ThreadProgress(int64_t done, int64_t sample_bytes, int64_t sample_ms,
                                      bool forced) {
  done_ = done;
  sum_bytes_ += sample_bytes;
  sum_ms_ += sample_ms;
  Redraw(forced);
}

void TFTPDownloadMenu::Redraw(bool forced) {
  const int64_t now = NowMs();
  if (!forced && now - last_redraw_ms_ < 100) return;
  last_redraw_ms_ = now;
  const int percent = std::min(Percent(done_, job_.size), 100);
  progress_->setValue(percent);
  setWindowTitle(Q(std::to_string(percent) + "% of " + job_.remote_file + " Completed"));
  rate_->setText(Q(RateText(sum_bytes_, sum_ms_)));
}

void TFTPDownloadMenu::ThreadEnded() {
  if (thread_ == nullptr) return;
  thread_->wait();
  last_result_ = thread_->result();
  delete thread_;
  thread_ = nullptr;
  timer_->stop();
  for (QPushButton* b : {retry_, open_folder_, open_file_}) b->setEnabled(true);
  resume_->setEnabled(job_.direction != 'U');
  cancel_->setText("&Exit");
  cancel_->setToolTip("Close window now.");
  if (last_result_ == TransferResult::kDone) {
    progress_->setValue(100);
    setWindowTitle(Q("100% of " + job_.remote_file + " Completed"));
    time_->setText(Q(DoneText(done_, NowMs() - start_ms_)));
    if (services_.sounds != nullptr && services_.sounds->Enabled() &&
        services_.folders != nullptr) {
      services_.sounds->PlayFile(services_.folders->ProgramFolder() + "Swishin.wav");
    }
    if (job_.open_when_done && services_.shell != nullptr) {
      services_.shell->OpenDocument(job_.local_path);
    }
    if (close_after_->isChecked()) {
      closing_after_ = true;
      close();
    }
  }
  show();
}

void TFTPDownloadMenu::BRetryClick() { Start(false); }
void TFTPDownloadMenu::BResumeClick() { Start(true); }

void TFTPDownloadMenu::BCancelClick() {
  if (thread_ != nullptr) {
    thread_->Cancel();
    return;
  }
  close();
}

void TFTPDownloadMenu::BOpenFolderClick() {
  if (services_.shell != nullptr) services_.shell->OpenFolder(FolderOf(job_.local_path));
}

void TFTPDownloadMenu::BOpenFileClick() {
  if (services_.shell != nullptr) services_.shell->OpenDocument(job_.local_path);
}

void TFTPDownloadMenu::SetSpeedPosition(int position) {
  if (speed_->value() != position) speed_->setValue(position);
  speed_label_->setText(QString("%1 Max").arg(SpeedLabel(position)));
  if (thread_ != nullptr) {
    thread_->SetSpeedPosition(position);
    thread_->Wake();
  }
}

std::string TFTPDownloadMenu::StatusText() const { return S(status_->text()); }
std::string TFTPDownloadMenu::TimeText() const { return S(time_->text()); }
std::string TFTPDownloadMenu::RateLabelText() const { return S(rate_->text()); }
std::string TFTPDownloadMenu::CancelCaption() const { return S(cancel_->text()); }
bool TFTPDownloadMenu::RetryEnabled() const { return retry_->isEnabled(); }
bool TFTPDownloadMenu::ResumeEnabled() const { return resume_->isEnabled(); }
int TFTPDownloadMenu::ProgressValue() const { return progress_->value(); }

void TFTPDownloadMenu::reject() { close(); }

void TFTPDownloadMenu::closeEvent(QCloseEvent* event) {
  if (thread_ != nullptr) {
    event->ignore();
    if (services_.ui != nullptr) {
      services_.ui->Warning(DirectionNoun(job_) + " of " + job_.remote_file +
                            " is NOT completed. You can NOT close this window UNTIL the " +
                            "download is either COMPLETED or CANCELED!");
    }
    return;
  }
  event->accept();
  if (closing_) {
    auto closing = std::move(closing_);
    closing_ = nullptr;
    closing();
  }
}

}  // namespace vr::ftp::ui
