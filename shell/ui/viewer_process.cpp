#include "shell/ui/viewer_process.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>

#include "lists/files_list.h"
#include "platform/folders.h"
#include "platform/single_instance.h"
#include "platform/ui.h"
#include "shell/hand_over.h"
#include "shell/layout.h"
#include "shell/settings.h"
#include "shell/ui/logged_ui.h"
#include "shell/ui/main_window.h"
#include "shell/ui/test_commands.h"

namespace vr::shell::ui {
int RunViewerProcess(const ProcessOptions& given) {
  // Names are made absolute: the running viewer that may receive them works in another folder.
  ProcessOptions options = given;
  for (std::string& arg : options.args) {
    if (arg.empty() || IsIniSwitch(arg)) continue;
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(arg, ec);
    if (!ec) arg = absolute.lexically_normal().string();
  }
  platform::SingleInstance& instance = *options.instance;
  const TestHooks& hooks = options.hooks;
  // Test hook: boxes are logged and answered from a script.
  std::unique_ptr<LoggedUi> logged;
  if (!hooks.ui_log.empty()) {
    logged = std::make_unique<LoggedUi>(*options.services.ui, hooks.ui_log, hooks.ui_answers);
    logged->SetSounds(options.services.ui->sounds());
    options.services.ui = logged.get();
  }
  platform::Ui& ui = *options.services.ui;
  // "MultiLoad" always comes from the default settings file: "/INI:" acts only later.
  const int mode =
      ReadMultiLoad(SettingsPath(options.services.folders->ProgramFolder(), kDefaultSettingsName));
  const bool locked = instance.AcquireStartupLock(kStartupLockWaitMs);
  // Running: a viewer answers, or the lock wait timed out (another copy is still starting).
  std::optional<platform::WindowRect> other;
  bool running = !locked;
  if (instance.ViewerAnswers()) {
    running = true;
    other = instance.ViewerRect();
  }
  const StartAction action = DecideStart(mode, running, [&ui] { return AskRunAnother(ui); });
  if (action == StartAction::kHandOver) {
    instance.ReleaseStartupLock();
    std::vector<std::string> args = {options.program_path};
    args.insert(args.end(), options.args.begin(), options.args.end());
    return SendHandOver(instance, ui, args) ? 0 : 1;
  }

  // A single picture named on the command line is decoded while the windows are built.
  const std::vector<std::string> names = CommandLinePaths(options.args);
  std::optional<PicturePrefetch> prefetch;
  if (names.size() == 1 && PicturePrefetch::Worthwhile(names.front())) {
    picture::DecodeOptions decode;
    decode.display_depth = ScreenDepthNow();
    prefetch.emplace(names.front(), decode);
  }

  ViewerOptions viewer;
  viewer.services = options.services;
  viewer.parts = options.make_parts(options.services);
  if (prefetch) viewer.prefetch = &*prefetch;
  viewer.args = options.args;
  viewer.program_path = options.program_path;
  viewer.state_file = hooks.state_file;
  viewer.quit_on_first_paint = hooks.bench_first_paint;
  viewer.bench_slideshow_log = hooks.bench_slideshow;
  viewer.decode_ahead = !hooks.no_decode_ahead;
  viewer.bench_slideshow_escape_ms = hooks.bench_slideshow_escape_ms;
  viewer.started = options.started;
  // Tests keep the desktop's file associations out of reach.
  viewer.register_file_types = !hooks.no_registration;
  TVeldrimon69 window(std::move(viewer));
  if (other) {
    const WindowPlace place =
        SecondWindowPlacement(other->left, other->top, other->right, other->bottom);
    window.setGeometry(place.left, place.top, place.width, place.height);
  }
  window.winId();  // the window exists before the lock goes
  platform::HandOverReceiver receiver;
  receiver.on_set_flag = [&window] { window.HandOverSetFlag(); };
  receiver.on_command_line = [&window](const std::string& text) {
    window.HandOverCommandLine(text);
  };
  receiver.on_bring_forward = [&window] {
    if (window.isMinimized()) {
      window.showNormal();
    } else {
      window.raise();
      window.activateWindow();
    }
    window.WriteStateFile();
  };
  receiver.window_rect = [&window] {
    const QRect r = window.frameGeometry();
    return platform::WindowRect{r.left(), r.top(), r.right(), r.bottom()};
  };
  instance.Listen(receiver);
  // The lock is kept until the message loop runs, so that a copy started meanwhile finds a
  // viewer that answers rather than one still busy with its start-up.
  QTimer::singleShot(0, &window, [&instance] { instance.ReleaseStartupLock(); });

  window.RunStartupSequence();
  if (window.uninstalled()) return 0;
  // A viewer with a picture to show appears with it (the first show makes the window visible)
  // rather than empty first; one placed by another's frame is shown now, for its frame size.
  const bool place_now = other.has_value() || hooks.window_at.has_value();
  if (place_now || window.files_list().Empty()) {
    window.show();
    QCoreApplication::processEvents();  // the frame is known once the window is up
  }
  if (other) {
    // The placement is of the whole window, frame included; the frame is known once shown.
    const WindowPlace place =
        SecondWindowPlacement(other->left, other->top, other->right, other->bottom);
    const QSize frame_extra = window.frameGeometry().size() - window.size();
    window.resize(place.width - frame_extra.width(), place.height - frame_extra.height());
    window.move(place.left, place.top);
    // Platforms differ on whether move() places the frame or the client area; correct for it.
    const QPoint off = window.frameGeometry().topLeft() - QPoint(place.left, place.top);
    if (!off.isNull()) window.move(window.pos() - off);
  }
  // Test hook: a first viewer placed at "left top" (frame), for the placement of a second one.
  if (!other && hooks.window_at) {
    const auto [left, top] = *hooks.window_at;
    window.move(left, top);
    const QPoint off = window.frameGeometry().topLeft() - QPoint(left, top);
    if (!off.isNull()) window.move(window.pos() - off);
  }
  window.WriteStateFile();
  // Test hooks: the viewer closes itself once the quit file appears, and minimises itself once
  // the minimise file appears.
  const std::string quit_file = hooks.quit_file;
  const std::string minimise_file = hooks.minimise_file;
  if (!hooks.command_file.empty()) {
    auto* timer = new QTimer(&window);
    const std::string command_file = hooks.command_file;
    QObject::connect(timer, &QTimer::timeout, &window, [&window, command_file] {
      RunCommandFile(window, command_file);
    });
    timer->start(50);
  }
  if (!quit_file.empty()) {
    auto* timer = new QTimer(&window);
    QObject::connect(timer, &QTimer::timeout, &window, [&window, quit_file, minimise_file] {
      std::error_code ec;
      if (!minimise_file.empty() && std::filesystem::exists(minimise_file, ec)) {
        std::filesystem::remove(minimise_file, ec);
        window.showMinimized();
        window.WriteStateFile();
      }
      if (std::filesystem::exists(quit_file, ec)) window.close();
    });
    timer->start(50);
  }
  return QApplication::exec();
}

}  // namespace vr::shell::ui
