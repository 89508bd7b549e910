// An external editor run from the Edit menu: a desktop entry whose Exec script rewrites the
// picture; the viewer is hidden while it runs, its events keep flowing, and it shows the new
// picture afterwards. A type without an editor gives the NO EDITOR message.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QSpinBox>
#include <QFileSystemWatcher>
#include <QImage>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "../shell_ui/viewer_fixture.h"
#include "app/viewer_parts.h"
#include "extras/editor_offer.h"
#include "extras/editors.h"
#include "lists/files_list.h"
#include "extras/ui/editors_menu.h"
#include "shell/settings.h"
#include "shell/ui/artwork.h"
#include "platform/qt/qt_shell.h"

namespace vr::shell::ui {
namespace {

class EditorTest : public ViewerFixture {
 protected:
  // The fixture's start with the real shell service, so that the editor really runs.
  std::unique_ptr<TVeldrimon69> StartWithRealShell(std::vector<std::string> args) {
    ViewerOptions options;
    options.services = services_.services();
    options.services.shell = &shell_;
    options.parts = app::MakeViewerParts(options.services);
    options.args = std::move(args);
    options.register_file_types = false;
    options.exec_dialog = [](QDialog&) { return int{QDialog::Rejected}; };
    options.today = [] { return int64_t{45010}; };
    auto window = std::make_unique<TVeldrimon69>(std::move(options));
    window->RunStartupSequence();
    window->show();
    QCoreApplication::processEvents();
    return window;
  }
  platform::QtShell shell_;
};

TEST_F(EditorTest, ADesktopEntryEditorRewritesThePictureWhileTheViewerWaitsHidden) {
  const std::string replacement = WriteBmp("new.bmp", 23, 17);
  const std::string script = dir_.WriteText(
      "bin/rewrite.sh", "#!/bin/sh\nsleep 0.3\ntest \"$1\" = --in && cp \"" + replacement + "\" \"$2\"\n");
  ::chmod(script.c_str(), 0755);
  const std::string entry = dir_.WriteText(
      "apps/rewrite.desktop",
      "[Desktop Entry]\nType=Application\nName=Rewriter\nExec=" + script + " --in %f\n");
  // Slot 1 serves BMP files (the default table); slot 2 is free.
  WriteSetUpSettings("[Editors]\nEditor#1=" + entry + "\n");
  const std::string picture = WriteBmp("My Pictures/Old One.bmp", 40, 30);
  auto window = StartWithRealShell({picture});
  ASSERT_EQ(window->shown().Width(), 40);
  QAction* slot1 = window->findChild<QAction*>("EditWithEditor1");
  ASSERT_NE(slot1, nullptr);
  EXPECT_EQ(slot1->text().toStdString(), "Edit Current File With Editor #1  (rewrite.desktop)");

  bool hidden_while_running = false;
  QTimer::singleShot(100, [&] { hidden_while_running = window->isHidden(); });
  window->findChild<QAction*>("EditCurrentFile")->trigger();
  EXPECT_TRUE(hidden_while_running);  // events flowed during the wait, with the viewer hidden
  EXPECT_TRUE(window->isVisible());
  EXPECT_TRUE(window->isEnabled());
  EXPECT_EQ(window->shown().Width(), 23);
  EXPECT_EQ(window->shown().Height(), 17);

  services_.ui.Clear();
  window->findChild<QAction*>("EditWithEditor2")->trigger();
  EXPECT_EQ(services_.ui.MessageTexts(), std::vector<std::string>{extras::NoEditorText(".BMP")});
}

TEST_F(EditorTest, AnEditorThatReturnsAtOnceLeavesTheFileWatchedUntilAnotherIsShown) {
  // A running copy of the editor takes the file over: the started one ends at once.
  const std::string script = dir_.WriteText("bin/hand over.sh", "#!/bin/sh\nexit 0\n");
  ::chmod(script.c_str(), 0755);
  WriteSetUpSettings("[Editors]\nEditor#1=" + script + "\n");
  const std::string picture = WriteBmp("pics/Shown.bmp", 40, 30);
  const std::string other = WriteBmp("pics/Other.bmp", 8, 8);
  auto window = StartWithRealShell({picture, other});
  window->files_list().SetCurrent(window->files_list().FindInFilesList(picture));
  window->ShowCurrentFile(false, 1);
  ASSERT_EQ(window->shown().Width(), 40);
  window->findChild<QAction*>("EditCurrentFile")->trigger();
  ASSERT_TRUE(window->isVisible());
  auto* watch = window->findChild<QFileSystemWatcher*>("EditedFileWatch");
  ASSERT_NE(watch, nullptr);

  // Saved in place by the editor later: the new pixels are shown.
  WriteBmp("pics/written.bmp", 23, 17);
  std::filesystem::copy_file(dir_.File("pics/written.bmp"), picture,
                             std::filesystem::copy_options::overwrite_existing);
  QTRY_COMPARE_WITH_TIMEOUT(window->shown().Width(), 23, 10000);
  EXPECT_EQ(window->shown().Height(), 17);
  // Saved again as a new file renamed over the old one.
  WriteBmp("pics/renamed.bmp", 11, 13);
  std::filesystem::rename(dir_.File("pics/renamed.bmp"), picture);
  QTRY_COMPARE_WITH_TIMEOUT(window->shown().Width(), 11, 10000);
  EXPECT_EQ(window->shown().Height(), 13);
  EXPECT_FALSE(watch->files().isEmpty());

  // Another file shown: the watch ends.
  window->files_list().SetCurrent(window->files_list().FindInFilesList(other));
  window->ShowCurrentFile(false, 1);
  EXPECT_EQ(window->shown().Width(), 8);
  EXPECT_TRUE(watch->files().isEmpty());
  EXPECT_TRUE(watch->directories().isEmpty());
}

TEST_F(EditorTest, StartWithoutEditorsOffersTheDesktopsPictureEditorsAndKeepsFive) {
  const std::string program = dir_.WriteText("bin/paint", "#!/bin/sh\nexit 0\n");
  ::chmod(program.c_str(), 0755);
  QImage brush(16, 16, QImage::Format_RGB32);
  brush.fill(qRgb(200, 100, 0));
  const std::string icon = dir_.File("brush.png");
  ASSERT_TRUE(brush.save(QString::fromStdString(icon)));
  std::vector<std::string> entries;
  for (const char* name : {"A Paint", "B Paint", "C Paint", "D Paint", "E Paint", "F Paint",
                           "G Paint"}) {
    const std::string file = std::string("xdg-data/applications/") + name[0] + ".desktop";
    entries.push_back(dir_.WriteText(
        file, std::string("[Desktop Entry]\nType=Application\nName=") + name + "\nExec=" +
                  program + " %f\nMimeType=image/png;\nCategories=Graphics;RasterGraphics;\n" +
                  (name[0] == 'A' ? "Icon=" + icon + "\n" : std::string())));
  }
  // Yes to all but the second: six accepted.
  for (int i = 0; i < 7; ++i) {
    services_.ui.QueueAnswer(i == 1 ? platform::Answer::kNo : platform::Answer::kYes);
  }
  WriteSetUpSettings();
  auto window = Start();
  const std::vector<std::string> texts = services_.ui.MessageTexts();
  ASSERT_EQ(texts.size(), 10u);
  EXPECT_EQ(texts[0], extras::kEditorSearchIntro);
  EXPECT_EQ(texts[1].rfind("Found a paint program: " + entries[0] + "\r\rA Paint\r\r", 0), 0u);
  EXPECT_EQ(texts[8], std::string(extras::kMoreThanFive) + entries[6]);
  EXPECT_EQ(texts[9], extras::kEditorsLater);
  // The search ran under the please-wait window, which is gone again.
  const std::vector<std::string>& waits = services_.please_wait.texts();
  ASSERT_GE(waits.size(), 2u);
  EXPECT_EQ(waits[0], extras::kEditorSearchWait);
  EXPECT_EQ(waits[1], "Searching:" + dir_.File("xdg-data") + "/applications");
  EXPECT_FALSE(services_.please_wait.IsVisible());
  const Settings stored = ReadSettings(dir_.File("VELDR.INI"));
  const std::vector<std::string> filled(stored.editors.begin(), stored.editors.end());
  EXPECT_EQ(filled, (std::vector<std::string>{entries[0], entries[2], entries[3], entries[4],
                                            entries[5]}));
  QAction* first = window->findChild<QAction*>("EditWithEditor1");
  EXPECT_EQ(first->text().toStdString(), "Edit Current File With Editor #1  (A.desktop)");
  // The entry's own icon on its menu entry and in the menu images' editor slot.
  ASSERT_FALSE(first->icon().isNull());
  EXPECT_EQ(first->icon().pixmap(16, 16).toImage().pixel(8, 8), qRgb(200, 100, 0));
  EXPECT_FALSE(window->menu_images()[kIconEditorSlots].isNull());

  // The next start has editors: nothing is offered.
  services_.ui.Clear();
  window.reset();
  window = Start();
  EXPECT_TRUE(services_.ui.MessageTexts().empty());
}

TEST_F(EditorTest, OptionsWindowSetsSlotsAndTypesAndWritesThem) {
  WriteSetUpSettings();
  auto window = Start();
  on_dialog_ = [&](QDialog& dialog) {
    auto* menu = dynamic_cast<extras::ui::TEditorsMenu*>(&dialog);
    ASSERT_NE(menu, nullptr);
    menu->SpinEdit1->setValue(2);  // nothing picked yet
    menu->Edit[1]->setText("/opt/My Tools/draw");
    menu->CB[1]->setChecked(false);
    for (int i = 0; i < menu->ListBox1->count(); ++i) {
      const QString text = menu->ListBox1->item(i)->text();
      menu->ListBox1->item(i)->setSelected(text.endsWith(".PNG") || text.endsWith(".PCX"));
    }
    EXPECT_EQ(menu->SpinEdit1->value(), 0);
    menu->SpinEdit1->setValue(2);
  };
  window->findChild<QAction*>("EditorOptions")->trigger();
  EXPECT_EQ(services_.ui.MessageTexts(), std::vector<std::string>{extras::ui::kPickTypeFirst});
  const Settings stored = ReadSettings(dir_.File("VELDR.INI"));
  EXPECT_EQ(stored.editors[1], "/opt/My Tools/draw");
  EXPECT_FALSE(stored.editor_quoted[1]);
  int png = -1;
  for (size_t i = 0; i < kSettingsFileTypes.size(); ++i) {
    if (kSettingsFileTypes[i] == ".PNG") png = static_cast<int>(i);
  }
  ASSERT_GE(png, 0);
  EXPECT_EQ(TypeEditorNumber(stored.type_editors[static_cast<size_t>(png)]), 2);
  EXPECT_EQ(window->findChild<QAction*>("EditWithEditor2")->text().toStdString(),
            "Edit Current File With Editor #2  (draw)");
}

}  // namespace
}  // namespace vr::shell::ui
