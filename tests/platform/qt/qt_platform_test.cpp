#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <filesystem>
#include <functional>

#include "platform/qt/qt_please_wait.h"
#include "platform/qt/qt_services.h"
#include "platform/qt/qt_shell.h"
#include "platform/qt/qt_ui.h"
#include "test_support/temp_dir.h"

namespace vr::platform {
namespace {

QApplication& App() {
  static int argc = 1;
  static char name[] = "vr_platform_qt_tests";
  static char* argv[] = {name, nullptr};
  static QApplication* app = new QApplication(argc, argv);
  return *app;
}

// Runs `act` on the modal box once it is up.
void WhenBoxShows(std::function<void(QMessageBox*)> act) {
  QTimer::singleShot(0, [act] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr) {
      for (QWidget* w : QApplication::topLevelWidgets()) {
        if (auto* b = qobject_cast<QMessageBox*>(w); b != nullptr && b->isVisible()) box = b;
      }
    }
    ASSERT_NE(box, nullptr);
    act(box);
  });
}

QPushButton* ButtonWithText(QMessageBox* box, const QString& text) {
  for (QAbstractButton* b : box->buttons()) {
    if (b->text().remove('&') == text) return qobject_cast<QPushButton*>(b);
  }
  return nullptr;
}

TEST(QtUiTest, DisplayTextTurnsCarriageReturnsIntoLines) {
  EXPECT_EQ(DisplayText("a\r\rb"), QStringLiteral("a\n\nb"));
  EXPECT_EQ(DisplayText("a\r\nb"), QStringLiteral("a\nb"));
  EXPECT_EQ(DisplayText("caf\xc3\xa9"), QStringLiteral("caf\u00e9"));
  EXPECT_EQ(FilterString({{"Pictures", "*.gif;*.jpg"}, {"All", "*"}}),
            QStringLiteral("Pictures (*.gif *.jpg);;All (*)"));
  EXPECT_EQ(FilterString({}), QStringLiteral("All files (*)"));
}

TEST(QtUiTest, ChoiceBoxShowsCaptionsWithoutMarksAndHonoursFocusAndEscape) {
  App();
  QtUi ui;
  QString shown_text;
  QStringList captions;
  WhenBoxShows([&](QMessageBox* box) {
    shown_text = box->text();
    for (QAbstractButton* b : box->buttons()) captions << b->text();
    QTest::keyClick(box, Qt::Key_Escape);
  });
  EXPECT_EQ(ui.Choice("Title", ChoiceKind::kInformation, "one\r\rtwo",
                      {"+Check NOW", "-Check Next Month", "Later"}),
            2);
  EXPECT_EQ(shown_text, QStringLiteral("one\n\ntwo"));
  EXPECT_TRUE(captions.contains(QStringLiteral("Check NOW")));
  EXPECT_FALSE(captions.contains(QStringLiteral("+Check NOW")));

  WhenBoxShows([](QMessageBox* box) {
    ASSERT_NE(box->defaultButton(), nullptr);
    box->defaultButton()->click();
  });
  EXPECT_EQ(ui.Choice("Title", ChoiceKind::kWarning, "x", {"YES", "+NO", "ALWAYS"}), 2);

  // Without a "-" button, Escape answers with the last button.
  WhenBoxShows([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
  EXPECT_EQ(ui.Choice("Title", ChoiceKind::kError, "x", {"CANCEL", "Continue Anyway"}), 2);
}

TEST(QtUiTest, MessageBoxesOfferTheAskedButtonsAndMapTheAnswer) {
  App();
  QtUi ui;
  WhenBoxShows([](QMessageBox* box) {
    EXPECT_EQ(box->buttons().size(), 4);
    QPushButton* all = ButtonWithText(box, QStringLiteral("Yes to All"));
    ASSERT_NE(all, nullptr);
    all->click();
  });
  EXPECT_EQ(ui.Ask(MessageKind::kQuestion, "t", "Overwrite?", kYesNoAll), Answer::kYesToAll);

  WhenBoxShows([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
  EXPECT_EQ(ui.Ask(MessageKind::kWarning, "t", "Sure?", kYesNo), Answer::kNo);
  WhenBoxShows([](QMessageBox* box) { QTest::keyClick(box, Qt::Key_Escape); });
  EXPECT_EQ(ui.Ask(MessageKind::kInformation, "t", "Go on?", kOkCancel), Answer::kCancel);
}

TEST(QtPleaseWaitTest, StopButtonAndEscapeRaiseTheFlagAndCaptionsRelabel) {
  App();
  QtPleaseWait window;
  {
    PleaseWaitScope scope(window, "Searching...", "Skip Drive");
    EXPECT_TRUE(window.IsVisible());
    EXPECT_EQ(window.StopCaption(), "Skip Drive");
    EXPECT_EQ(window.Text(), "Searching...");
    window.SetText("line1\rline2");
    EXPECT_EQ(window.Text(), "line1\rline2");
    EXPECT_FALSE(window.StopRequested());
    auto* button = window.findChild<QPushButton*>(QStringLiteral("BStop"));
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    EXPECT_TRUE(window.StopRequested());
    window.ClearStop();
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(window.StopRequested());
    EXPECT_TRUE(window.IsVisible());  // Escape stops, it does not close
  }
  EXPECT_FALSE(window.IsVisible());
  EXPECT_EQ(window.StopCaption(), PleaseWait::kDefaultStopCaption);
}

TEST(QtShellTest, RunAndWaitGivesTheExitCode) {
  App();
  QtShell qt_shell;
  ShellService& shell = qt_shell;  // the defaults live on the interface
  EXPECT_EQ(shell.RunAndWait("/bin/sh", {"-c", "exit 3"}), 3);
  EXPECT_EQ(shell.RunAndWait("/bin/sh", {"-c", "test \"$0\" = 'a b;c'", "a b;c"}), 0);
  EXPECT_EQ(shell.RunAndWait("/nonexistent/program", {}), -1);
  EXPECT_EQ(shell.RunAndWait("/bin/sh", {"-c", "kill -9 $$"}), -1);
}

TEST(QtSoundsTest, BuiltInWavesGoThroughPrivateFilesThatAreRemovedAtTheEnd) {
  App();
  test_support::TempDir dir;
  auto count_files = [&] {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.Path())) {
      (void)e;
      ++n;
    }
    return n;
  };
  {
    QtSoundBackend backend(dir.Path() + "/");
    SoundPlayer player(backend, dir.Path() + "/");
    player.Play("BRAKES");
    player.Play("BRAKES");  // the same wave file is used again
    player.Play("ALARM");
#ifdef VR_HAVE_QT_MULTIMEDIA_TEST
    EXPECT_EQ(count_files(), 2);
#endif
    EXPECT_FALSE(backend.PlayFile(dir.File("MISSING.WAV")));
    EXPECT_FALSE(backend.FileStarting());
    player.StopAll();
  }
  EXPECT_EQ(count_files(), 0);
}

TEST(QtServicesTest, ProductionSetIsCompleteAndWiresBoxSounds) {
  App();
  qputenv("VELDRIMON_HOME", QByteArray("/tmp/vr_platform_qt_test_home"));
  auto services = MakeQtServices();
  const Services s = services->services();
  EXPECT_NE(s.ui, nullptr);
  EXPECT_NE(s.please_wait, nullptr);
  EXPECT_NE(s.pump, nullptr);
  EXPECT_NE(s.files, nullptr);
  EXPECT_NE(s.shell, nullptr);
  EXPECT_NE(s.clock, nullptr);
  EXPECT_EQ(s.sounds, s.ui->sounds());
  EXPECT_EQ(s.folders->ProgramFolder(), "/tmp/vr_platform_qt_test_home/");
  EXPECT_EQ(s.folders->WindowsFolder(), s.folders->ProgramFolder());
  qunsetenv("VELDRIMON_HOME");
}

}  // namespace
}  // namespace vr::platform
