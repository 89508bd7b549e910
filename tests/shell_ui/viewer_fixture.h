// The fixture the main-window tests share: a temporary profile folder, the scripted services, the
// settings file that skips the first-run setup, a started TVeldrimon69 and small BMP writers.
#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fakes/fake_services.h"
#include "picture/bitmap.h"
#include "shell/ui/main_window.h"
#include "test_support/temp_dir.h"

namespace vr::shell::ui {

// A 24-bit picture whose byte x of row y holds x + y.
picture::Bitmap GradientBitmap(int w, int h);
// A 24-bit picture of zero bytes.
picture::Bitmap BlankBitmap(int w, int h);
// A 1 x 1 GIF89a of two frames (black, then white), each shown `delay_cs` hundredths of a
// second: the smallest animation.
std::vector<uint8_t> TwoFrameGif(int delay_cs = 2);

class ViewerFixture : public ::testing::Test {
 protected:
  ViewerFixture();

  // Settings that skip the first-run setup, so that a test only sees what it asks for; `extra`
  // is appended as is.
  void WriteSetUpSettings(const std::string& extra = {});

  // Builds the main window on the scripted services with `args` as its command line, runs the
  // start-up sequence and shows it.
  std::unique_ptr<TVeldrimon69> Start(std::vector<std::string> args = {});

  // Writes `bitmap` as a BMP file below the temporary folder (creating the folders on the way)
  // and returns its path.
  std::string WriteBmp(const std::string& name, const picture::Bitmap& bitmap);
  // The same with a GradientBitmap of w x h.
  std::string WriteBmp(const std::string& name, int w, int h);

  // What a dialog run by the window returns once on_dialog_ has seen it.
  virtual int DialogResult(QDialog& /*dialog*/) { return QDialog::Rejected; }

  test_support::TempDir dir_;
  fakes::FakeServices services_;
  // The titles of the dialogs the window ran, in order.
  std::vector<std::string> dialogs_;
  // Called with each dialog the window runs, before it returns.
  std::function<void(QDialog&)> on_dialog_;
  // The start-up decode handed to the window (none by default).
  shell::PicturePrefetch* prefetch_ = nullptr;
};

}  // namespace vr::shell::ui
