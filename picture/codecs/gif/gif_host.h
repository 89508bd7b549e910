#pragma once
// What a TGifGraphics needs from whoever shows its frames: the drawing hooks of the target it
// paints into, the sizing hook, a clock with its waits, the keyboard and mouse tests that end a
// wait, and a text renderer for plain-text blocks. Every hook has a harmless default so a host
// only overrides what it uses; the defaults run on the real clock and draw text with a block
// font, which is what the files list's background thread and the tool use.

#include <cstdint>
#include <string>
#include <vector>

#include "picture/bitmap.h"

namespace vr::codecs::gif {

struct GifRect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
  friend bool operator==(const GifRect&, const GifRect&) = default;
};

// One rendered line of text: a coverage mask of width x height bytes (non-zero = ink).
struct TextMask {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> ink;
};

class GifHost {
 public:
  virtual ~GifHost() = default;

  // --- drawing target ---
  // A rectangle of the composition changed (the ordinary repaint hook).
  virtual void ChangedRect(const GifRect& /*rect*/) {}
  // Preview mode batches repaints into whole-target repaints.
  virtual void FullRepaint(int /*top_row*/) {}
  // Used instead of ChangedRect when the host sizes the target itself.
  virtual void RowsDrawn(int /*top_row*/) {}
  // Sizing hook: the composition's size is known (before the first image is drawn).
  virtual bool HasSizeHook() const { return false; }
  virtual void CompositionSize(int /*width*/, int /*height*/, int /*screen_width*/,
                               int /*screen_height*/) {}
  // Thread mode: the composition's palette changed.
  virtual void PaletteChanged(const picture::Bitmap& /*composition*/) {}
  // Lets the window thread run (repaints, key presses) during waits and after each frame.
  virtual void ProcessMessages() {}

  // --- clock and input ---
  // Milliseconds within the current hour of the wall clock (0..3599999).
  virtual uint32_t MillisecondsInHour();
  // Sleeps (thread mode, and between polls of a wait).
  virtual void Sleep(int milliseconds);
  // A keyboard message is waiting for the host window.
  virtual bool KeyPending() { return false; }
  // The primary mouse button (the secondary one when the buttons are swapped) is held down.
  virtual bool PrimaryButtonDown() { return false; }
  // The "SYSTEMBEEP" sound before a wait for user input.
  virtual void Beep() {}
  // A message for the user, with the "SYSTEMQUESTION" sound.
  virtual void ShowMessage(const std::string& /*text*/) {}

  // --- text ---
  // Width in pixels of `text` in a fixed-pitch "Arial" of `cell_height` pixels.
  virtual int TextWidth(const std::string& text, int cell_height);
  // The ink of one line of text.
  virtual TextMask RenderText(const std::string& text, int cell_height);
};

// The host used when the caller gives none.
GifHost& DefaultGifHost();

}  // namespace vr::codecs::gif
