#pragma once
// The extras as the viewer holds them: the password store and session of protected files
// (installed as the loader's "open for viewing" step for the run) and the windows that go with
// them.

#include <QDialog>
#include <functional>
#include <memory>
#include <string>

#include "extras/protection_session.h"
#include "extras/snapshots.h"
#include "platform/screen_capture.h"
#include "extras/ui/puzzles_menu.h"
#include "platform/services.h"

class QWidget;

namespace vr::extras::ui {

class ExtrasController {
 public:
  // `exec` runs a modal window (QDialog::exec in production; tests answer it).
  ExtrasController(const platform::Services& services, std::string settings_path, QWidget* parent,
                   std::function<int(QDialog&)> exec);
  ~ExtrasController();
  ExtrasController(const ExtrasController&) = delete;
  ExtrasController& operator=(const ExtrasController&) = delete;

  ProtectionSession& protection() { return *session_; }
  PasswordStore& passwords() { return *store_; }

  // "&Password Setup": the "Password Options" window.
  void PasswordSetup();
  // Asks through the scripted Ui's password prompt instead of the "Enter Password" window.
  void UsePromptForPasswords();

  // Snapshots: the screen as it is, the screen with the program hidden, or the clipboard's
  // picture; or a window (clicked on a still of the screen on X11, picked by the desktop's portal
  // elsewhere), or an area the user drags on a still of the screen. `show` puts the captured picture in the viewer; then the format window, the notice
  // and the save. Gives the saved file, or "" when nothing was saved (the user has been told).
  enum class SnapSource { kScreen, kScreenHidden, kClipboard, kWindow, kArea };
  std::string TakeSnapshot(SnapSource source, const std::function<void(picture::Bitmap&&)>& show);
  // Another capture service (tests); null goes back to the screen and clipboard of Qt.
  void SetScreenCapture(platform::ScreenCapture* capture) { capture_ = capture; }
  const SnapshotNames& snapshot_names() const { return snapshot_names_; }
  // Whether "Snap Shot Of A Window" can work with this session's capture service.
  bool CanPickWindow();

  // "Puzzle-Fun": the puzzle window over a copy of `picture`, made on first use.
  void OpenPuzzle(const picture::Bitmap& picture);
  TPuzzlesMenu* puzzles() const { return puzzles_.get(); }

 private:
  platform::Services services_;
  QWidget* parent_;
  std::function<int(QDialog&)> exec_;
  std::unique_ptr<PasswordStore> store_;
  std::unique_ptr<ProtectionSession> session_;
  std::unique_ptr<TPuzzlesMenu> puzzles_;
  std::unique_ptr<platform::ScreenCapture> own_capture_;
  platform::ScreenCapture* capture_ = nullptr;
  SnapshotNames snapshot_names_;
  platform::ScreenCapture& Capture();
  // The area picker over a grab of the screen, or with `windows` the window picker; nothing when
  // cancelled.
  platform::CapturedPicture PickOnStill(const platform::CapturedPicture& screen,
                                        const std::vector<platform::ScreenWindow>* windows);
};

}  // namespace vr::extras::ui
