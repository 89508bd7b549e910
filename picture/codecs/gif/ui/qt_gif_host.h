#pragma once
// The Qt side of a TGifGraphics host: message pumping, the key and mouse tests that end a
// wait, the sounds and message of the player, and text drawn with a real fixed-pitch font.
// The drawing hooks are callbacks the shell points at its paint box, fit pane or actual-size
// panel; the sizing hook is installed only where the target is sized by the animation.

#include <QObject>
#include <functional>

#include "picture/codecs/gif/gif_host.h"

class QWidget;

namespace vr::platform {
class Ui;
class Sounds;
}  // namespace vr::platform

namespace vr::codecs::gif {

class QtGifHost : public QObject, public GifHost {
  Q_OBJECT

 public:
  QtGifHost(platform::Ui* ui, platform::Sounds* sounds, QObject* parent = nullptr);
  ~QtGifHost() override;

  // Key presses on this window end a wait.
  void WatchKeys(QWidget* window);

  std::function<void(const GifRect&)> on_changed_rect;
  std::function<void(int top_row)> on_full_repaint;
  std::function<void(int top_row)> on_rows_drawn;
  std::function<void(int width, int height, int screen_width, int screen_height)> on_size;
  std::function<void(const picture::Bitmap&)> on_palette;

  void ChangedRect(const GifRect& rect) override;
  void FullRepaint(int top_row) override;
  void RowsDrawn(int top_row) override;
  bool HasSizeHook() const override { return static_cast<bool>(on_size); }
  void CompositionSize(int width, int height, int screen_width, int screen_height) override;
  void PaletteChanged(const picture::Bitmap& composition) override;
  void ProcessMessages() override;
  bool KeyPending() override;
  bool PrimaryButtonDown() override;
  void Beep() override;
  void ShowMessage(const std::string& text) override;
  int TextWidth(const std::string& text, int cell_height) override;
  TextMask RenderText(const std::string& text, int cell_height) override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  platform::Ui* ui_;
  platform::Sounds* sounds_;
  QWidget* window_ = nullptr;
  bool key_pending_ = false;
};

}  // namespace vr::codecs::gif
