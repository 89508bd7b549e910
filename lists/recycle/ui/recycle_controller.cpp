#include "lists/recycle/ui/recycle_controller.h"

#include <QPainter>
#include <QPixmap>
#include <QToolButton>


namespace vr::recycle {

RecycleController::RecycleController(platform::Services services, QWidget* owner,
                                     int button_size, std::unique_ptr<RecycleBin> bin)
    : services_(services), owner_(owner), button_size_(button_size), bin_(std::move(bin)) {}

RecycleController::~RecycleController() = default;

void RecycleController::Start() {
  if (started_ || bin_ == nullptr) return;
  started_ = true;
  bin_->SetStateObserver([this](bool full) { ShowState(full); });
  bin_->Start();
  ShowState(bin_->IsFull());
}

void RecycleController::SetButtons(QToolButton* trash, QToolButton* undelete) {
  trash_ = trash;
  undelete_ = undelete;
}

QIcon RecycleController::BinIcon(bool full, int size) {
  // Drawn at both densities, so that it is sharp on a high-density screen too.
  QIcon icon;
  for (const int ratio : {1, 2}) {
    QPixmap pixmap(size * ratio, size * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(QPen(Qt::black, 1));
    if (full) {
      p.setBrush(Qt::white);
      p.drawRect(6, 1, 8, 6);
    }
    p.setBrush(full ? QColor(0x80, 0x80, 0x80) : QColor(0xc0, 0xc0, 0xc0));
    p.drawRect(3, 5, 13, 2);
    p.drawRect(5, 7, 9, 11);
    p.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

void RecycleController::ShowState(bool full) {
  shown_full_ = full;
  const QIcon icon = BinIcon(full, button_size_);
  if (trash_ != nullptr) trash_->setIcon(icon);
  if (undelete_ != nullptr) undelete_->setIcon(icon);
}

void RecycleController::ShowBinState() {
  if (bin() != nullptr) ShowState(bin_->IsFull());
}

void RecycleController::OpenWindow(
    std::function<void(const std::vector<std::string>&)> add_to_list) {
  if (bin() == nullptr) return;
  if (window_ != nullptr) {
    window_->raise();
    window_->activateWindow();
    return;
  }
  auto* window = new TRecycleBinMenu(*bin_, *services_.ui, owner_);
  window->setAttribute(Qt::WA_DeleteOnClose);
  window->SetAddToFilesList(std::move(add_to_list));
  connect(window, &QObject::destroyed, this, [this] { ShowBinState(); });
  window_ = window;
  window->show();
}

void RecycleController::ShutdownReminder(const std::function<int(QDialog&)>& exec_dialog) {
  if (bin() == nullptr || !recycle::ShutdownReminder(*services_.ui, *bin_)) return;
  if (window_ != nullptr) delete window_.data();
  TRecycleBinMenu window(*bin_, *services_.ui, owner_);
  exec_dialog(window);
}

}  // namespace vr::recycle
