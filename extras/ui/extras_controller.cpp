#include "extras/ui/extras_controller.h"

#include <QImage>
#include <cstring>

#include "colour/export/export_picture.h"
#include "extras/ui/password_windows.h"
#include "extras/ui/snapshot_menu.h"
#include "picture/picture_holder.h"
#include "platform/folders.h"
#include "extras/ui/area_picker.h"
#include "extras/ui/window_picker.h"
#include "platform/qt/portal_screenshot.h"
#include "platform/qt/screen_capture_qt.h"
#include "platform/ui.h"

namespace vr::extras::ui {

ExtrasController::ExtrasController(const platform::Services& services, std::string settings_path,
                                   QWidget* parent, std::function<int(QDialog&)> exec)
    : services_(services), parent_(parent), exec_(std::move(exec)) {
  store_ = std::make_unique<PasswordStore>(std::move(settings_path));
  session_ = std::make_unique<ProtectionSession>(
      *store_, ProtectServices{services.files, services.folders, services.clock}, *services.ui);
  session_->SetDialog(EnterDialog(parent_, exec_));
  InstallViewingHook(session_.get());
}

ExtrasController::~ExtrasController() { InstallViewingHook(nullptr); }

void ExtrasController::PasswordSetup() {
  TPasswordMenu window(*store_, *services_.ui, parent_);
  if (exec_) {
    exec_(window);
  } else {
    window.exec();
  }
}

void ExtrasController::OpenPuzzle(const picture::Bitmap& picture) {
  if (!puzzles_) {
    puzzles_ = std::make_unique<TPuzzlesMenu>(services_);
    puzzles_->setAttribute(Qt::WA_QuitOnClose, false);
  }
  puzzles_->Open(picture);
}

std::string ExtrasController::TakeSnapshot(
    SnapSource source, const std::function<void(picture::Bitmap&&)>& show) {
  platform::Ui& ui = *services_.ui;
  platform::CapturedPicture captured;
  switch (source) {
    case SnapSource::kClipboard: captured = Capture().ClipboardPicture(); break;
    case SnapSource::kWindow: {
      // Where the program reads the desktop's windows itself, the user clicks one on a still of
      // the screen; elsewhere the desktop lets the user pick.
      const std::vector<platform::ScreenWindow> windows = Capture().ScreenWindows();
      if (windows.empty()) {
        captured = Capture().GrabPickedWindow();
        break;
      }
      const platform::CapturedPicture screen = Capture().GrabScreen(false);
      if (!screen.ok()) break;
      captured = PickOnStill(screen, &windows);
      if (!captured.ok()) return "";  // cancelled: nothing to say
      break;
    }
    case SnapSource::kScreen:
    case SnapSource::kScreenHidden:
      captured = Capture().GrabScreen(source == SnapSource::kScreenHidden);
      break;
    case SnapSource::kArea: {
      const platform::CapturedPicture screen = Capture().GrabScreen(false);
      if (!screen.ok()) break;
      captured = PickOnStill(screen, nullptr);
      if (!captured.ok()) return "";  // cancelled: nothing to say
      break;
    }
  }
  if (!captured.ok()) {
    if (source == SnapSource::kClipboard) {
      ui.Information(kClipboardNotPicture);
    } else {
      ui.Warning(platform::kSnapshotRefused);
    }
    return "";
  }
  picture::Bitmap bitmap;
  bitmap.Create(captured.width, captured.height, picture::PixelFormat::k24);
  const size_t row = static_cast<size_t>(captured.width) * 3;
  for (int y = 0; y < captured.height; ++y) {
    std::memcpy(bitmap.Row(y), captured.bgr.data() + row * static_cast<size_t>(y), row);
  }
  picture::PictureHolder holder;
  holder.bitmap = bitmap;
  if (show) show(std::move(bitmap));

  TSnapShotMenu format_window(parent_);
  const int result = exec_ ? exec_(format_window) : format_window.exec();
  const std::string path =
      snapshot_names_.Next(services_.folders->TempFolder(), format_window.Format(result));
  ui.Information(SavingToText(path));
  if (!colour::SavePictureAs(path, holder)) {
    ui.Error(kSnapshotSaveFailed);
    return "";
  }
  return path;
}

platform::ScreenCapture& ExtrasController::Capture() {
  if (capture_ == nullptr) {
    if (!own_capture_) own_capture_ = platform::MakeScreenCapture(parent_);
    capture_ = own_capture_.get();
  }
  return *capture_;
}

bool ExtrasController::CanPickWindow() { return Capture().CanPickWindow(); }

platform::CapturedPicture ExtrasController::PickOnStill(
    const platform::CapturedPicture& screen, const std::vector<platform::ScreenWindow>* windows) {
  QImage still(screen.width, screen.height, QImage::Format_BGR888);
  const size_t row = static_cast<size_t>(screen.width) * 3;
  for (int y = 0; y < screen.height; ++y) {
    std::memcpy(still.scanLine(y), screen.bgr.data() + row * static_cast<size_t>(y), row);
  }
  std::unique_ptr<TAreaPicker> picker;
  if (windows != nullptr) {
    picker = std::make_unique<TWindowPicker>(still, *windows, parent_);
  } else {
    picker = std::make_unique<TAreaPicker>(still, parent_);
  }
  const int result = exec_ ? exec_(*picker) : picker->exec();
  if (result != QDialog::Accepted || picker->Picked().isEmpty()) return {};
  return platform::CapturedFromImage(still.copy(picker->Picked()));
}

void ExtrasController::UsePromptForPasswords() { session_->SetDialog(PromptDialog(*services_.ui)); }

}  // namespace vr::extras::ui
