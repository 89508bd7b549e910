#include "lists/recycle/ui/recycle_controller.h"

#include <QPainter>
#include <QPixmap>
#include <QToolButton>

#include "platform/folders.h"

namespace vr::recycle {

RecycleController::RecycleController(platform::Services services, QWidget* owner,
                                     int button_size)
    : services_(services), owner_(owner), button_size_(button_size) {}

RecycleController::~RecycleController() = default;

void RecycleController::Start(std::function<void(const std::string& path)> delete_note) {
  if (bin_ != nullptr || services_.files == nullptr || services_.folders == nullptr) return;
  BinServices bin_services;
  bin_services.files = services_.files;
  bin_services.ui = services_.ui;
  bin_services.delete_note = std::move(delete_note);
  bin_ = std::make_unique<RecycleBin>(bin_services,
                                      RecycleBin::FolderIn(services_.folders->ProgramFolder()));
  bin_->SetStateObserver([this](bool full) { ShowState(full); });
  bin_->Start();
  ShowState(bin_->IsFull());
}

void RecycleController::SetButtons(QToolButton* trash, QToolButton* undelete) {
  trash_ = trash;
  undelete_ = undelete;
}

QIcon RecycleController::BinIcon(bool full, int size) {
  QPixmap pixmap(size, size);
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
  return QIcon(pixmap);
}

void RecycleController::ShowState(bool full) {
  shown_full_ = full;
  const QIcon icon = BinIcon(full, button_size_);
  if (trash_ != nullptr) trash_->setIcon(icon);
  if (undelete_ != nullptr) undelete_->setIcon(icon);
}

void RecycleController::ShowBinState() {
  if (bin_ != nullptr) ShowState(bin_->IsFull());
}

void RecycleController::OpenWindow(
    std::function<void(const std::vector<std::string>&)> add_to_list) {
  if (bin_ == nullptr) return;
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
  if (bin_ == nullptr || !recycle::ShutdownReminder(*services_.ui, *bin_)) return;
  if (window_ != nullptr) delete window_.data();
  TRecycleBinMenu window(*bin_, *services_.ui, owner_);
  exec_dialog(window);
}

}  // namespace vr::recycle
