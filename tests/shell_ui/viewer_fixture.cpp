#include "viewer_fixture.h"

#include <cstdlib>

#include <QCoreApplication>
#include <filesystem>

#include "app/loader_hooks.h"
#include "app/viewer_parts.h"
#include "picture/codecs/bmp/bmp_codec.h"

namespace vr::shell::ui {

picture::Bitmap GradientBitmap(int w, int h) {
  picture::Bitmap bitmap;
  bitmap.Create(w, h, picture::PixelFormat::k24);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = bitmap.Row(y);
    for (int x = 0; x < w * 3; ++x) row[x] = static_cast<uint8_t>(x + y);
  }
  return bitmap;
}

picture::Bitmap BlankBitmap(int w, int h) {
  picture::Bitmap bitmap;
  bitmap.Create(w, h, picture::PixelFormat::k24);
  return bitmap;
}

std::vector<uint8_t> TwoFrameGif(int delay_cs) {
  std::vector<uint8_t> gif = {'G',  'I', 'F', '8', '9', 'a', 1,   0,   1,  0,
                              0x80, 0,   0,   0,   0,   0,   255, 255, 255};
  const auto delay = static_cast<uint8_t>(delay_cs);
  for (uint8_t lzw : {uint8_t{0x44}, uint8_t{0x4C}}) {
    const std::vector<uint8_t> frame = {0x21, 0xF9, 4, 0, delay, 0, 0, 0, ',', 0, 0, 0,
                                        0,    1,    0, 1, 0,     0, 2, 2, lzw, 1, 0};
    gif.insert(gif.end(), frame.begin(), frame.end());
  }
  gif.push_back(';');
  return gif;
}

ViewerFixture::ViewerFixture() : services_(dir_.Path(), dir_.Path()) {
  // The loader's hooks as the program installs them at start-up.
  app::LoaderHookOptions hooks;
  hooks.display_depth = &ScreenDepthNow;
  app::InstallLoaderHooks(hooks);
  // No desktop entries of this machine: the start-up offer of picture editors sees only what a
  // test puts there.
  ::setenv("XDG_DATA_HOME", dir_.File("xdg-data").c_str(), 1);
  ::setenv("XDG_DATA_DIRS", dir_.File("xdg-data").c_str(), 1);
}

void ViewerFixture::WriteSetUpSettings(const std::string& extra) {
  dir_.WriteText("VELDR.INI",
                 "[General]\nSetup=YES\nVersion=Veldrimon 2.1.3\nDate_UpdateMessageShown=45000\n" +
                     extra);
}

std::unique_ptr<TVeldrimon69> ViewerFixture::Start(std::vector<std::string> args) {
  ViewerOptions options;
  options.services = services_.services();
  options.parts = app::MakeViewerParts(options.services);
  options.args = std::move(args);
  options.program_path = "/opt/veldrimon/veldrimon";
  options.register_file_types = false;
  options.exec_dialog = [this](QDialog& dialog) {
    dialogs_.push_back(dialog.windowTitle().toStdString());
    if (on_dialog_) on_dialog_(dialog);
    return DialogResult(dialog);
  };
  options.today = [] { return int64_t{45010}; };
  options.prefetch = prefetch_;
  auto window = std::make_unique<TVeldrimon69>(std::move(options));
  window->resize(600, 500);
  window->RunStartupSequence();
  window->show();
  QCoreApplication::processEvents();
  return window;
}

std::string ViewerFixture::WriteBmp(const std::string& name, const picture::Bitmap& bitmap) {
  const std::string path = dir_.File(name);
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  EXPECT_TRUE(codecs::SaveBmp(path, bitmap).ok);
  return path;
}

std::string ViewerFixture::WriteBmp(const std::string& name, int w, int h) {
  return WriteBmp(name, GradientBitmap(w, h));
}

}  // namespace vr::shell::ui
