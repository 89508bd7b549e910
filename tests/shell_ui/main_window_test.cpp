// The main window with the scripted services: start-up, showing files, views, the hand-over
// receiver, full screen, the recycle bin, the drive menu, the loading formats, the GIF comments
// window, colour reduction and shutdown.
#include "shell/ui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDialog>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QtTest/QTest>
#include <filesystem>
#include <functional>

#include "colour/reduce_menu.h"
#include "colour/ui/dither_progress_window.h"
#include "fakes/fake_services.h"
#include "lists/files_list.h"
#include "lists/window/ui/files_table_model.h"
#include "lists/window/ui/file_list_menu.h"
#include "lists/recycle/recycle_bin.h"
#include "lists/recycle/ui/recycle_window.h"
#include "lists/ui/formats_window.h"
#include "notes/notes_database.h"
#include "notes/notes_record.h"
#include "picture/bitmap.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/codecs/codec_api.h"
#include "picture/codecs/gif/ui/gif_comments_menu.h"
#include "picture/kinds.h"
#include "platform/profile_file.h"
#include "platform/temp_sweep.h"
#include "shell/navigation.h"
#include "shell/settings.h"
#include "shell/ui/artwork.h"
#include "shell/ui/full_screen.h"
#include "shell/ui/notice_window.h"
#include "shell/ui/panes.h"
#include "shell/ui/properties_dialog.h"
#include "test_support/temp_dir.h"
#include "viewer_fixture.h"

namespace vr::shell::ui {
namespace {

using fakes::FakeShell;

class MainWindowTest : public ViewerFixture {};

TEST_F(MainWindowTest, EmptyListShowsEmptyPanelsAndPlainTitle) {
  WriteSetUpSettings();
  auto window = Start();
  EXPECT_EQ(window->caption_text(), "Veldrimon");
  EXPECT_EQ(window->StatusPanel(1), "");
  EXPECT_EQ(window->StatusPanel(2), "");
  EXPECT_EQ(window->StatusPanel(3), "");
  EXPECT_EQ(window->StatusPanel(0), "View:RE-Size To Fit");
  EXPECT_TRUE(window->windowTitle().isEmpty());  // the caption is painted by the program
  EXPECT_TRUE(services_.ui.calls().empty());
  EXPECT_TRUE(dialogs_.empty());
  // Step 20 turned both options on through their buttons.
  EXPECT_TRUE(window->keep_aspect());
  EXPECT_TRUE(window->smoothing());
  EXPECT_TRUE(window->action(Act::kKeepAspect)->isChecked());
  EXPECT_TRUE(window->action(Act::kSmooth)->isChecked());
}

TEST_F(MainWindowTest, FirstRunOpensReadmeAndSetupFileTypes) {
  auto window = Start();
  const std::string readme = dir_.File("README.TXT");
  ASSERT_FALSE(services_.shell.requests().empty());
  EXPECT_EQ(services_.shell.requests()[0].type, FakeShell::Request::Type::kOpenDocument);
  EXPECT_EQ(services_.shell.requests()[0].target, readme);
  EXPECT_TRUE(std::filesystem::exists(readme));  // the built-in copy was put in place
  EXPECT_EQ(dialogs_, (std::vector<std::string>{"Setup File Types"}));
  // The first run records the day but asks nothing.
  EXPECT_TRUE(services_.ui.calls().empty());
  EXPECT_EQ(platform::ProfileFile(dir_.File("VELDR.INI"))
                .ReadInteger("General", "Date_UpdateMessageShown", 0),
            45010);
}

TEST_F(MainWindowTest, ShutdownWritesACompleteSettingsFile) {
  auto window = Start();
  window->action(Act::kSound)->setChecked(false);
  window->close();
  const platform::ProfileFile f(dir_.File("VELDR.INI"));
  for (const char* section : {"Recent List", "Tagged Operations", "General", "Albums", "SlideShow",
                              "WebFolders", "Catalog", "Editors", "Special"}) {
    EXPECT_TRUE(f.SectionExists(section)) << section;
  }
  EXPECT_EQ(f.ReadString("General", "Setup", ""), "YES");
  EXPECT_EQ(f.ReadString("General", "Version", ""), "Veldrimon 2.1.3");
  EXPECT_EQ(f.ReadString("General", "Sound", ""), "0");
  EXPECT_EQ(f.ReadString("Recent List", "Recent_24", ""), "(Entry Not Used Yet)");
  EXPECT_EQ(f.ReadString("Special", "DataBaseName", ""), "LSNOTES");
  // The Notes database was opened in the program folder and the scratch file is gone.
  EXPECT_TRUE(std::filesystem::exists(dir_.File("LSNOTES.NAM")));
  for (const auto& e : std::filesystem::directory_iterator(dir_.Path())) {
    EXPECT_NE(e.path().filename().string().rfind("~LS", 0), 0u) << e.path();
  }
}

TEST_F(MainWindowTest, IniSwitchSendsReadsAndWritesToItsFile) {
  auto window = Start({"/ini:other.ini"});
  window->close();
  // The name as typed: where names keep their case "OTHER.INI" would be another file.
  EXPECT_TRUE(std::filesystem::exists(dir_.File("other.ini")));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("OTHER.INI")));
  EXPECT_EQ(platform::ProfileFile(dir_.File("other.ini")).ReadString("General", "Setup", ""),
            "YES");
}

TEST_F(MainWindowTest, CommandLineFilesAreShownWithStatusAndCaption) {
  WriteSetUpSettings();
  const std::string a = WriteBmp("a.bmp", 1000, 10);
  const std::string b = WriteBmp("b.bmp", 30, 20);
  auto window = Start({b, a});
  QCoreApplication::processEvents();
  EXPECT_EQ(window->files_list().Count(), 2);
  EXPECT_EQ(window->files_list().Current(), 0);
  EXPECT_EQ(window->shown().Width(), 1000);
  EXPECT_EQ(window->StatusPanel(1), "File:1 of 2");
  EXPECT_EQ(window->StatusPanel(2), "Width:1000");
  EXPECT_EQ(window->StatusPanel(3), "Height:10");
  EXPECT_EQ(window->caption_text(), std::string(kTitleLabel) + "| (" + a + ")");
  // Keep-aspect layout of the wide picture in the fit pane.
  TFitPane* pane = window->fit_pane();
  const Box box = pane->paint_box();
  EXPECT_EQ(box.width, pane->BoxWidth());
  EXPECT_EQ(box.height, std::max(1, pane->BoxWidth() / 100));
  // The paint box sits there inside the bevel, centred vertically.
  EXPECT_EQ(pane->paint_box_widget()->geometry(),
            QRect(TFitPane::kMargin + box.left, TFitPane::kMargin + box.top, box.width, box.height));
  EXPECT_EQ(box.top, (pane->BoxHeight() - box.height) / 2);

  window->GoNext();
  EXPECT_EQ(window->shown().Width(), 30);
  EXPECT_EQ(window->StatusPanel(1), "File:2 of 2");
  window->action(Act::kDisplayPath)->setChecked(false);
  window->UpdateStatusAndCaption();
  EXPECT_EQ(window->caption_text(), std::string(kTitleLabel) + "| (b.bmp)");
}

TEST_F(MainWindowTest, TheFirstShowTakesThePictureDecodedAtStartUpOnlyWhenItIsTheSameFile) {
  WriteSetUpSettings();
  const std::string a = WriteBmp("a.bmp", 40, 30);
  const std::string b = WriteBmp("b.bmp", 50, 30);
  const picture::DecodeOptions decode{ScreenDepthNow()};
  {
    shell::PicturePrefetch prefetch(a, decode);
    prefetch_ = &prefetch;
    auto window = Start({a});
    QCoreApplication::processEvents();
    EXPECT_EQ(window->shown().Width(), 40);
    EXPECT_FALSE(prefetch.Take(a, decode).has_value());  // the show took it
    prefetch_ = nullptr;
  }
  {
    // Decoded ahead for another file than the list's first: dropped, and the first is read.
    shell::PicturePrefetch prefetch(b, decode);
    prefetch_ = &prefetch;
    auto window = Start({b, a});
    QCoreApplication::processEvents();
    EXPECT_EQ(window->files_list().FilePathAt(0), a);
    EXPECT_EQ(window->shown().Width(), 40);
    EXPECT_FALSE(prefetch.Take(b, decode).has_value());
    window->GoNext();
    EXPECT_EQ(window->shown().Width(), 50);
    prefetch_ = nullptr;
  }
}

TEST_F(MainWindowTest, DisplayBitmapIsRebuiltOnlyWhenThePaneSizeChanges) {
  WriteSetUpSettings();
  const std::string a = WriteBmp("a.bmp", 400, 300);
  auto window = Start({a});
  QCoreApplication::processEvents();
  TFitPane* pane = window->fit_pane();
  pane->repaint();
  const int built = window->display_rebuilds();
  ASSERT_GT(built, 0);
  EXPECT_EQ(window->display_bitmap().Width(), pane->paint_box().width);
  pane->repaint();
  pane->repaint();
  EXPECT_EQ(window->display_rebuilds(), built);
  window->resize(window->width() + 40, window->height() + 30);
  QCoreApplication::processEvents();
  pane->repaint();
  EXPECT_EQ(window->display_rebuilds(), built + 1);
  EXPECT_EQ(window->display_bitmap().Width(), pane->paint_box().width);
}

TEST_F(MainWindowTest, UnreadableFileWarnsAndKeepsThePicture) {
  WriteSetUpSettings();
  const std::string good = WriteBmp("a.bmp", 40, 30);
  const std::string bad = dir_.WriteText("b.bmp", "BM this is not a bitmap");
  auto window = Start({good, bad});
  QCoreApplication::processEvents();
  ASSERT_EQ(window->shown().Width(), 40);
  window->GoNext();
  ASSERT_FALSE(services_.ui.calls().empty());
  EXPECT_EQ(services_.ui.last().text, "Error loading file:" + bad);
  EXPECT_EQ(services_.ui.last().kind, platform::MessageKind::kWarning);
  EXPECT_EQ(window->shown().Width(), 40);
  EXPECT_EQ(window->files_list().Current(), 1);
}

TEST_F(MainWindowTest, ViewToggleCyclesThroughTheThreeViews) {
  WriteSetUpSettings();
  auto window = Start();
  EXPECT_EQ(window->view(), View::kFit);
  QTest::keyClick(window.get(), Qt::Key_V);
  EXPECT_EQ(window->view(), View::kSplit);
  EXPECT_EQ(window->StatusPanel(0), "View:Split Screen");
  EXPECT_EQ(
      window->fit_pane()->height(),
      std::max(window->centralWidget()->findChild<QWidget*>("ClientArea")->height(), 100) / 2);
  window->ToolButton5Click();
  EXPECT_EQ(window->view(), View::kActual);
  EXPECT_FALSE(window->fit_pane()->isVisible());
  EXPECT_EQ(window->StatusPanel(0), "View:Actual Size");
  QTest::keyClick(window.get(), Qt::Key_V);
  EXPECT_EQ(window->view(), View::kFit);
  EXPECT_TRUE(window->fit_pane()->isVisible());
}

TEST_F(MainWindowTest, HandOverReplacesTheListOnlyWithSomethingToLoad) {
  WriteSetUpSettings();
  const std::string a = WriteBmp("a.bmp", 10, 10);
  std::filesystem::create_directories(dir_.File("more"));
  const std::string c = WriteBmp("more/c.bmp", 12, 12);
  const std::string d = WriteBmp("more/d.bmp", 14, 14);
  const std::string text_file = dir_.WriteText("notes.txt", "hello");
  auto window = Start({a});
  QCoreApplication::processEvents();
  ASSERT_EQ(window->files_list().Count(), 1);

  window->HandOverCommandLine("\"/opt/veldrimon/veldrimon\"");
  EXPECT_EQ(window->files_list().Count(), 1);
  EXPECT_EQ(window->files_list().FilePathAt(0), a);

  window->HandOverCommandLine("\"/opt/veldrimon/veldrimon\" \"" + text_file + "\"");
  EXPECT_EQ(window->files_list().Count(), 1);
  EXPECT_EQ(window->files_list().FilePathAt(0), a);

  window->HandOverCommandLine("\"/opt/veldrimon/veldrimon\" \"" + dir_.File("more") + "\"");
  ASSERT_EQ(window->files_list().Count(), 2);
  EXPECT_EQ(window->files_list().FilePathAt(0), c);
  EXPECT_EQ(window->files_list().FilePathAt(1), d);
  EXPECT_EQ(window->shown().Width(), 12);
  EXPECT_EQ(window->StatusPanel(1), "File:1 of 2");
}

TEST_F(MainWindowTest, DroppedFolderIsLoadedAndShown) {
  WriteSetUpSettings();
  std::filesystem::create_directories(dir_.File("drop"));
  WriteBmp("drop/x.bmp", 16, 8);
  auto window = Start();
  window->RecordDroppedFiles({dir_.File("drop")}, true);
  ASSERT_EQ(window->files_list().Count(), 1);
  EXPECT_EQ(window->shown().Width(), 16);
  EXPECT_EQ(window->StatusPanel(1), "File:1 of 1");
}

TEST_F(MainWindowTest, FullScreenShrinkIfNeededCentresAndEscapeLeaves) {
  WriteSetUpSettings();
  const std::string a = WriteBmp("a.bmp", 32, 20);
  const std::string b = WriteBmp("b.bmp", 20, 20);
  auto window = Start({a, b});
  QCoreApplication::processEvents();
  const QPoint before = window->pos();
  TFullScreen* full = window->full_screen();
  Box seen;
  int seen_position = -1;
  QTimer::singleShot(50, [&] {
    seen = full->paint_box();
    QTest::keyClick(full, Qt::Key_PageDown);  // next, in the same mode
    QTimer::singleShot(50, [&] {
      seen_position = window->files_list().Current();
      QTest::keyClick(full, Qt::Key_Escape);
    });
  });
  window->EnterFullScreen(1, true);
  const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
  EXPECT_EQ(seen.width, 32);
  EXPECT_EQ(seen.height, 20);
  EXPECT_EQ(seen.left, (screen.width() - 32) / 2);
  EXPECT_EQ(seen.top, (screen.height() - 20) / 2);
  EXPECT_EQ(seen_position, 1);
  EXPECT_FALSE(full->isVisible());
  EXPECT_EQ(window->pos(), before);
  // Back from full screen the slide-show entry follows the list (disabled until it is built).
  EXPECT_EQ(window->action(Act::kPopSlideShow)->isEnabled(), kSlideShowBuilt);
}

TEST_F(MainWindowTest, CloseIsRefusedWhileASubWindowIsOpen) {
  WriteSetUpSettings();
  auto window = Start();
  bool open = true;
  window->SetSubWindowCheck([&open] { return open; });
  window->close();
  EXPECT_TRUE(window->isVisible());
  ASSERT_FALSE(services_.ui.calls().empty());
  EXPECT_EQ(services_.ui.last().text, kSubWindowCloseWarning);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("VELDR.INI")) &&
               platform::ProfileFile(dir_.File("VELDR.INI")).SectionExists("Albums"));
  open = false;
  window->close();
  EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, ShutdownAsksAboutScansAndSnapshots) {
  WriteSetUpSettings();
  dir_.WriteText("~SCAN1.BMP", "x");
  dir_.WriteText("~SCREEN2.PNG", "x");
  auto window = Start();
  window->SetScannedThisRun(true);
  window->SetSnapshotsThisRun(true);
  services_.ui.QueueChoice(1);  // delete the scans
  services_.ui.QueueChoice(2);  // leave the snapshots
  window->close();
  ASSERT_EQ(services_.ui.calls().size(), 2u);
  EXPECT_EQ(services_.ui.calls()[0].text, kScansQuestion);
  EXPECT_EQ(services_.ui.calls()[1].captions,
            (std::vector<std::string>{"+Delete Temp SnapShots", "-Leave Temp SnapShots"}));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("~SCAN1.BMP")));
  EXPECT_TRUE(std::filesystem::exists(dir_.File("~SCREEN2.PNG")));
}

TEST_F(MainWindowTest, UninstallClosesWithoutSavingSettings) {
  WriteSetUpSettings();
  auto window = Start();
  services_.ui.QueueAnswer(platform::Answer::kYes);
  window->UnInstallClick();
  EXPECT_TRUE(window->uninstalled());
  EXPECT_FALSE(window->isVisible());
  const platform::ProfileFile f(dir_.File("VELDR.INI"));
  EXPECT_EQ(f.ReadString("General", "Installed", ""), "0");
  EXPECT_FALSE(f.SectionExists("Albums"));  // nothing more was written at shutdown
}

TEST_F(MainWindowTest, MultiLoadEntryIsWrittenAtOnce) {
  WriteSetUpSettings();
  auto window = Start();
  window->action(Act::kMultiAsk)->trigger();
  EXPECT_EQ(platform::ProfileFile(dir_.File("VELDR.INI")).ReadInteger("General", "MultiLoad", -1),
            2);
}

TEST_F(MainWindowTest, PictureMenuHoldsItsEntries) {
  WriteSetUpSettings();
  auto window = Start();
  QStringList captions;
  for (QAction* a : window->picture_menu()->actions()) captions << a->text();
  for (const char* expected :
       {"Normal Window                         Key=ESCAPE", "&Previews",
        "FULL Screen (Shrink If Needed)", "FULL Screen (RE-Size To Fit)     ",
        "FULL Screen (Actual Size)", "Display Tool Tips Off", "&Start Slide Show Now   (F12)",
        "START GIF Animation                       F11", "STOP SlideShow or GIF Animation",
        "Puzzle-Fun (Turn Image Into Puzzle)", "&Delete Current File", "&Print", "P&roperties"}) {
    EXPECT_TRUE(captions.contains(expected)) << expected;
  }
  EXPECT_EQ(window->fit_pane()->toolTip().toStdString(), kMiddleZoneTip);
}

TEST_F(MainWindowTest, OpenDialogPickIsShownAndRemembered) {
  WriteSetUpSettings();
  // Mixed case, as the file system has it: the recent lists must name the real folder and file.
  const std::string a = WriteBmp("Pick/Photo.bmp", 20, 10);
  {
    auto window = Start();
    services_.ui.QueueFiles({a});
    window->Open1Click();
    ASSERT_EQ(window->files_list().Count(), 1);
    EXPECT_EQ(window->shown().Width(), 20);
    EXPECT_EQ(window->settings().recent_folders[0], dir_.File("Pick/"));
    EXPECT_EQ(window->settings().recent_files[0], a);
    window->close();
  }
  const Settings saved = ReadSettings(dir_.File("VELDR.INI"));
  EXPECT_EQ(saved.recent_files[0], a);
  // After a restart the open dialog starts in that folder, and the recent file opens.
  auto window = Start();
  services_.ui.QueueFiles({});
  window->Open1Click();
  ASSERT_FALSE(services_.ui.calls().empty());
  EXPECT_EQ(services_.ui.calls().back().text, dir_.File("Pick/"));
  QAction* first_recent = nullptr;
  for (QMenu* menu : window->findChildren<QMenu*>()) {
    if (menu->title() == "Recent Files" && !menu->actions().isEmpty()) {
      first_recent = menu->actions().front();
    }
  }
  ASSERT_NE(first_recent, nullptr);
  EXPECT_EQ(first_recent->text().toStdString(), a);
  first_recent->trigger();
  ASSERT_EQ(window->files_list().Count(), 1);
  EXPECT_EQ(window->files_list().FilePathAt(0), a);
  EXPECT_EQ(window->shown().Width(), 20);
}

TEST_F(MainWindowTest, CloseDuringALongOperationIsRefusedWithItsText) {
  WriteSetUpSettings();
  auto window = Start();
  window->EnableMenus(false);
  window->close();
  EXPECT_TRUE(window->isVisible());
  ASSERT_FALSE(services_.ui.calls().empty());
  EXPECT_EQ(services_.ui.last().text,
            "You are either:\r\r1. Showing an animated GIF file\r2. In the middle of loading a big "
            "picture.\r3. Currently in Slide Show\r\rThey will now stop, try to close Veldrimon "
            "again!");
  EXPECT_TRUE(window->action(Act::kPopStop)->isEnabled());
  window->EnableMenus(true);
  EXPECT_FALSE(window->action(Act::kPopStop)->isEnabled());
  window->close();
  EXPECT_FALSE(window->isVisible());
}

TEST(TitleStrip, RestIsShortenedUntilItFits) {
  TTitleStrip strip(nullptr);
  strip.resize(700, 24);
  strip.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&strip));
  strip.SetCaption("(Veldrimon) | (/a/very/long/path/to/some/picture.gif)");
  strip.repaint();
  EXPECT_EQ(strip.drawn_rest(), "| (/a/very/long/path/to/some/picture.gif)");
  strip.resize(120, 24);
  strip.repaint();
  EXPECT_LT(strip.drawn_rest().size(),
            std::string("| (/a/very/long/path/to/some/picture.gif)").size());
  EXPECT_EQ(std::string("| (/a/very/long/path/to/some/picture.gif)").rfind(strip.drawn_rest(), 0),
            0u);
  strip.resize(10, 24);
  strip.repaint();
  EXPECT_EQ(strip.drawn_rest(), "");
}

// A GIF header with a 2-entry global table, a graphic control block naming colour 1 as
// transparent, and a two-line comment; then a truncated copy.
std::vector<uint8_t> GifWithExtras() {
  return {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0,
          // global table: black, (10, 20, 30)
          0, 0, 0, 10, 20, 30,
          // graphic control: flags 1 (transparent), delay 0, index 1
          0x21, 0xF9, 4, 1, 0, 0, 1, 0,
          // comment "hi\nthere"
          0x21, 0xFE, 8, 'h', 'i', '\n', 't', 'h', 'e', 'r', 'e', 0,
          // image descriptor and end
          ',', 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x4C, 1, 0, ';'};
}

TEST(Properties, GifExtrasAreReadAndDamagedHeadersAreHarmless) {
  test_support::TempDir dir;
  PropertiesFacts facts;
  ReadGifExtras(dir.Write("a.gif", GifWithExtras()), &facts);
  EXPECT_TRUE(facts.transparent);
  EXPECT_EQ(facts.transparent_colour.r, 10);
  EXPECT_EQ(facts.transparent_colour.b, 30);
  EXPECT_EQ(facts.comments, (std::vector<std::string>{"hi", "there"}));
  std::vector<uint8_t> bytes = GifWithExtras();
  for (size_t cut = 0; cut < bytes.size(); ++cut) {
    PropertiesFacts partial;
    ReadGifExtras(dir.Write("cut.gif", std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut)),
                  &partial);
    EXPECT_LE(partial.comments.size(), 2u);
  }
  bytes[29] = 200;  // a comment block claiming more bytes than the file holds
  PropertiesFacts lying;
  ReadGifExtras(dir.Write("lie.gif", bytes), &lying);
  EXPECT_TRUE(lying.comments.empty());
}

TEST(Properties, FieldsAndNonGifCommentText) {
  PropertiesFacts facts;
  facts.file_name = "a.bmp";
  facts.width = 640;
  facts.height = 480;
  facts.file_bits = 8;
  facts.internal_bits = 24;
  facts.screen_bits = 32;
  facts.colours = 200;
  facts.position = 4;
  facts.count = 9;
  TPropertiesMenu window(facts, nullptr);
  EXPECT_EQ(window.windowTitle().toStdString(), "Properties");
  EXPECT_EQ(window.Field("Dimensions:"), "640x480");
  EXPECT_EQ(window.Field("File BPP:"), "VGA 8 BPP (256 Colors)");
  EXPECT_EQ(window.Field("Internal BPP:"), "True Color 24 BPP (16M Colors)");
  EXPECT_EQ(window.Field("Screen mode:"), "True Color 32 BPP (16M Colors)");
  EXPECT_EQ(window.Field("Actual Colors:"), "200");
  EXPECT_EQ(window.Field("File #:"), "5 of 9 files.");
  EXPECT_EQ(window.Field("Animated     GIF:"), "");
  EXPECT_EQ(window.CommentText(), "NON-GIF files won't have comments!");
  facts.gif = true;
  facts.animated = true;
  facts.comments = {"one", "two"};
  TPropertiesMenu gif(facts, nullptr);
  EXPECT_EQ(gif.Field("Animated     GIF:"), "YES");
  EXPECT_EQ(gif.Field("Interlaced    GIF:"), "NO");
  EXPECT_EQ(gif.CommentText(), "one\ntwo");
}

TEST_F(MainWindowTest, ScreenColourNoticeOnALowDepthScreenUntilTurnedOff) {
  WriteSetUpSettings();
  const std::string a = WriteBmp("a.bmp", 20, 10);
  auto window = Start({a});
  QCoreApplication::processEvents();
  EXPECT_TRUE(dialogs_.empty());  // a true-colour screen needs no notice
  int shown = 0;
  on_dialog_ = [&shown](QDialog& dialog) {
    auto* notice = dynamic_cast<TNoticeWindow*>(&dialog);
    ASSERT_NE(notice, nullptr);
    ASSERT_NE(notice->switch_mode(), nullptr);
    EXPECT_FALSE(notice->switch_mode()->isChecked());
    EXPECT_EQ(notice->turn_off()->text().toStdString(), kNoticeTurnOff);
    if (++shown == 2) notice->turn_off()->setChecked(true);
  };
  window->action(Act::kScreen256)->trigger();  // an 8-bit screen for a 24-bit picture
  EXPECT_EQ(dialogs_, (std::vector<std::string>{"Optional Information Notice Window"}));
  window->ShowCurrentFile(false, 1);
  window->ShowCurrentFile(false, 1);  // turned off at the second showing
  EXPECT_EQ(shown, 2);

  // "Switch to True/Hi Color video mode now." lifts the depth for the next pictures.
  auto other = Start({a});
  on_dialog_ = [](QDialog& dialog) {
    dynamic_cast<TNoticeWindow&>(dialog).switch_mode()->setChecked(true);
  };
  other->action(Act::kScreen256)->trigger();
  EXPECT_EQ(other->DisplayDepth(), 24);
}

TVeldrimon69* FindViewer() {
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (auto* viewer = qobject_cast<TVeldrimon69*>(w)) return viewer;
  }
  return nullptr;
}

TEST_F(MainWindowTest, AnimatedGifPlaysUntilCloseStopsIt) {
  WriteSetUpSettings();
  const std::string gif = dir_.Write("anim.gif", TwoFrameGif());
  int frames_before_close = 0;
  bool was_animating = false;
  // Once two frames were drawn (or after ten seconds on a very slow machine) the window is
  // asked to close.
  QElapsedTimer waited;
  waited.start();
  std::function<void()> close_when_playing = [&] {
    TVeldrimon69* viewer = FindViewer();
    if ((viewer == nullptr || viewer->gif_frames_drawn() < 2) && waited.elapsed() < 10000) {
      QTimer::singleShot(20, close_when_playing);
      return;
    }
    ASSERT_NE(viewer, nullptr);
    frames_before_close = viewer->gif_frames_drawn();
    was_animating = viewer->gif_animating();
    viewer->close();  // refused while the animation runs, and it stops
  };
  QTimer::singleShot(20, close_when_playing);
  auto window = Start({gif});  // returns once the animation has stopped
  QCoreApplication::processEvents();
  EXPECT_TRUE(was_animating);
  EXPECT_GE(frames_before_close, 2);
  EXPECT_FALSE(window->gif_animating());
  EXPECT_TRUE(window->isVisible());
  ASSERT_FALSE(services_.ui.calls().empty());
  EXPECT_EQ(services_.ui.last().text, kBusyCloseWarning);
  window->close();
  EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, NextDuringAnAnimationOnlyStopsIt) {
  WriteSetUpSettings();
  const std::string gif = dir_.Write("a_anim.gif", TwoFrameGif());
  const std::string bmp = WriteBmp("b.bmp", 5, 5);
  QTimer::singleShot(300, [] {
    TVeldrimon69* viewer = FindViewer();
    ASSERT_NE(viewer, nullptr);
    QTest::keyClick(viewer, Qt::Key_PageDown);
  });
  auto window = Start({gif, bmp});
  QCoreApplication::processEvents();
  EXPECT_FALSE(window->gif_animating());
  EXPECT_EQ(window->files_list().Current(), 0);
  EXPECT_EQ(window->shown().Width(), 1);
  window->GoNext();  // now it moves
  EXPECT_EQ(window->files_list().Current(), 1);
  EXPECT_EQ(window->shown().Width(), 5);
}

}  // namespace
}  // namespace vr::shell::ui

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}

namespace vr::shell::ui {
namespace {

TEST_F(MainWindowTest, NotesDataBaseExportsAndImportsFromTheFileMenu) {
  WriteSetUpSettings();
  {
    notes::NotesDatabase db;
    ASSERT_EQ(db.OpenNotesDatabase(dir_.File("LSNOTES")), 0u);
    notes::NotesRecord record;
    record.category = "TRIP";
    record.notes = "first \"line\"\r\nsecond";
    ASSERT_EQ(db.WriteNote("/pics/a.jpg", record).status, 0u);
    db.CloseNotesDatabase();
  }
  auto window = Start();
  const std::string out = dir_.File("export.txt");
  services_.ui.QueueText(out);
  window->ExportDataBase1Click();
  const auto exported = test_support::TempDir::Read(out);
  const std::string text(exported.begin(), exported.end());
  EXPECT_NE(text.find("\"/pics/a.jpg\",\"TRIP\""), std::string::npos);
  EXPECT_EQ(services_.ui.calls().back().text,
            "Export of DataBase to comma delimited text file is now complete!");

  // The same line under another key comes back in as a new note.
  std::string line = text.substr(text.find("\"/pics/a.jpg\""));
  line.replace(0, 13, "\"/pics/b.jpg\"");
  const std::string in = dir_.WriteText("import.txt", line);
  services_.ui.QueueFiles({in});
  window->ImportDataBase1Click();
  EXPECT_EQ(services_.ui.calls().back().text,
            "Import of DataBase(using comma delimited text file) is now complete!");
  window->close();

  notes::NotesDatabase db;
  ASSERT_EQ(db.OpenNotesDatabase(dir_.File("LSNOTES")), 0u);
  notes::NotesRecord record;
  ASSERT_EQ(db.ReadNote("/pics/b.jpg", &record).status, 0u);
  EXPECT_EQ(record.category, "TRIP");
  EXPECT_EQ(record.notes, "first \"line\"\r\nsecond");
}

// Writes a note for `path` into the program's database file.
void WriteNoteFor(const test_support::TempDir& dir, const std::string& path) {
  notes::NotesDatabase db;
  ASSERT_EQ(db.OpenNotesDatabase(dir.File("LSNOTES")), 0u);
  notes::NotesRecord record;
  record.category = "GONE";
  ASSERT_EQ(db.WriteNote(path, record).status, 0u);
  db.CloseNotesDatabase();
}

// True when `path` has a live (not deleted) note.
bool HasNote(const test_support::TempDir& dir, const std::string& path) {
  notes::NotesDatabase db;
  EXPECT_EQ(db.OpenNotesDatabase(dir.File("LSNOTES")), 0u);
  notes::NotesRecord record;
  return db.ReadNote(path, &record).status == 0u && record.live_flag != 0;
}

TEST_F(MainWindowTest, BinIsMadeAtStartUpAndItsStateShowsOnTheButtons) {
  WriteSetUpSettings();
  {
    auto window = Start();
    ASSERT_NE(window->recycle_bin(), nullptr);
    EXPECT_EQ(window->recycle_bin()->folder(), recycle::RecycleBin::FolderIn(dir_.Path()));
    EXPECT_TRUE(std::filesystem::is_directory(window->recycle_bin()->folder()));
    EXPECT_FALSE(window->bin_shown_full());
    const QImage empty_image = window->trash_button()->icon().pixmap(20, 20).toImage();
    // Putting a file in shows the full state on both buttons.
    const std::string doomed = dir_.WriteText("old.txt", "x");
    ASSERT_TRUE(window->recycle_bin()->PutIntoBin(doomed));
    EXPECT_TRUE(window->bin_shown_full());
    EXPECT_NE(window->trash_button()->icon().pixmap(20, 20).toImage(), empty_image);
    EXPECT_EQ(window->undelete_button()->icon().pixmap(20, 20).toImage(),
              window->trash_button()->icon().pixmap(20, 20).toImage());
    services_.ui.QueueChoice(2);  // the shutdown reminder: exit now
    window->close();
  }
  // The next run finds the entry and starts full.
  auto window = Start();
  EXPECT_TRUE(window->bin_shown_full());
}

TEST_F(MainWindowTest, DeletingTheLastOfThreeShowsTheNewLastThroughTheBin) {
  WriteSetUpSettings();
  const std::string a = WriteBmp("pics/a.bmp", 11, 5);
  const std::string b = WriteBmp("pics/b.bmp", 22, 5);
  const std::string c = WriteBmp("pics/c.bmp", 33, 5);
  dir_.WriteText("pics/c.bmp.LSAssoc", "link");
  WriteNoteFor(dir_, c);
  ASSERT_TRUE(HasNote(dir_, c));
  auto window = Start({a, b, c});
  QCoreApplication::processEvents();
  window->GoLast();
  ASSERT_EQ(window->shown().Width(), 33);
  const size_t calls_before = services_.ui.calls().size();
  services_.sounds.Clear();

  // "No" keeps everything.
  services_.ui.QueueAnswer(platform::Answer::kNo);
  window->action(Act::kPopDelete)->trigger();
  EXPECT_TRUE(std::filesystem::exists(c));
  EXPECT_EQ(window->files_list().Count(), 3);

  services_.ui.QueueAnswer(platform::Answer::kYes);
  window->action(Act::kPopDelete)->trigger();
  // One question each time, naming the file without its folder; the companion goes quietly.
  ASSERT_EQ(services_.ui.calls().size(), calls_before + 2);
  EXPECT_EQ(services_.ui.last().text, std::string(kDeleteCurrentQuestion) + "c.bmp");
  EXPECT_EQ(services_.ui.last().buttons, platform::kButtonYes | platform::kButtonNo);
  EXPECT_NE(std::find(services_.sounds.played().begin(), services_.sounds.played().end(),
                      platform::kSoundBrakes),
            services_.sounds.played().end());
  EXPECT_FALSE(std::filesystem::exists(c));
  EXPECT_FALSE(std::filesystem::exists(c + ".LSAssoc"));
  EXPECT_EQ(window->files_list().Count(), 2);
  EXPECT_EQ(window->files_list().Current(), 1);
  EXPECT_EQ(window->shown().Width(), 22);
  EXPECT_EQ(window->StatusPanel(1), "File:2 of 2");
  EXPECT_TRUE(window->bin_shown_full());
  // The copy is in the bin, so the file can come back; its note is gone.
  const std::vector<std::string> entries = window->recycle_bin()->ReadEntries();
  ASSERT_EQ(entries.size(), 2u);  // the picture and its companion
  EXPECT_NE(entries.back().find(c + ","), std::string::npos);
  window->close();  // closes the database
  EXPECT_FALSE(HasNote(dir_, c));
}

TEST_F(MainWindowTest, DeletingTheOnlyEntryClearsThePictureAndAnEmptyListRefuses) {
  WriteSetUpSettings();
  const std::string a = WriteBmp("a.bmp", 40, 30);
  auto window = Start({a});
  QCoreApplication::processEvents();
  ASSERT_EQ(window->shown().Width(), 40);
  services_.ui.QueueAnswer(platform::Answer::kYes);
  QTest::keyClick(window.get(), Qt::Key_Delete);
  EXPECT_TRUE(window->files_list().Empty());
  EXPECT_EQ(window->shown().Width(), 1);  // the cleared picture
  EXPECT_EQ(window->StatusPanel(1), "");
  EXPECT_FALSE(window->action(Act::kFirst1)->isEnabled());
  EXPECT_FALSE(window->action(Act::kLast1)->isEnabled());

  // Nothing left: the no-delete sound and no question.
  const size_t calls = services_.ui.calls().size();
  services_.sounds.Clear();
  window->TBTrashClick();
  EXPECT_EQ(services_.ui.calls().size(), calls);
  EXPECT_EQ(services_.sounds.played(), std::vector<std::string>{kNoDeleteFileSound});
}

TEST_F(MainWindowTest, FileTheSystemRefusesToDeleteStaysListed) {
  WriteSetUpSettings();
  const std::string a = WriteBmp("a.bmp", 40, 30);
  const std::string b = WriteBmp("b.bmp", 50, 30);
  auto window = Start({a, b});
  QCoreApplication::processEvents();
  services_.files.FailDelete(a, EACCES);
  services_.ui.QueueAnswer(platform::Answer::kYes);
  window->trash_button()->click();
  EXPECT_TRUE(std::filesystem::exists(a));
  EXPECT_EQ(window->files_list().Count(), 2);
  EXPECT_EQ(window->shown().Width(), 40);
  EXPECT_NE(services_.ui.last().text.find(a), std::string::npos);
  EXPECT_EQ(services_.ui.last().kind, platform::MessageKind::kWarning);
}

TEST_F(MainWindowTest, RecycleWindowIsOneAtATimeAndHoldsOffClosing) {
  WriteSetUpSettings();
  auto window = Start();
  window->action(Act::kRecycleBin1)->trigger();
  QPointer<recycle::TRecycleBinMenu> first = window->recycle_window();
  ASSERT_NE(first, nullptr);
  EXPECT_TRUE(first->isVisible());
  window->undelete_button()->click();
  EXPECT_EQ(window->recycle_window(), first.data());

  window->close();
  EXPECT_TRUE(window->isVisible());
  EXPECT_EQ(services_.ui.last().text, kSubWindowCloseWarning);

  first->close();
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(window->recycle_window(), nullptr);
  window->close();
  EXPECT_FALSE(window->isVisible());
}

TEST_F(MainWindowTest, ShutdownReminderOffersTheBinOnlyWhenItHoldsFiles) {
  WriteSetUpSettings();
  // A view copy this process made goes at shutdown; a file that only carries the prefix (another
  // viewer's) stays.
  ASSERT_TRUE(platform::SpecialTempFiles().Adopt(dir_.WriteText("~LS_Special_1_a.tmp", "x")));
  dir_.WriteText("~LS_Special_2_b.tmp", "x");
  {
    auto window = Start();
    window->close();
    EXPECT_TRUE(services_.ui.calls().empty());  // an empty bin needs no reminder
    EXPECT_FALSE(std::filesystem::exists(dir_.File("~LS_Special_1_a.tmp")));
    EXPECT_TRUE(std::filesystem::exists(dir_.File("~LS_Special_2_b.tmp")));
  }
  auto window = Start();
  ASSERT_TRUE(window->recycle_bin()->PutIntoBin(dir_.WriteText("kept.txt", "12345")));
  dialogs_.clear();
  services_.ui.QueueChoice(1);
  window->close();
  EXPECT_FALSE(window->isVisible());
  ASSERT_FALSE(services_.ui.calls().empty());
  const fakes::UiCall& reminder = services_.ui.calls().back();
  EXPECT_EQ(reminder.captions, (std::vector<std::string>{"+Recycle Bin", "-Exit Now"}));
  EXPECT_NE(reminder.text.find("file(s) in the BIN."), std::string::npos);
  EXPECT_EQ(dialogs_,
            std::vector<std::string>{"Select File(s) To Recover From Veldrimon's RECYCLE BIN"});
}

TEST_F(MainWindowTest, SelectFormatsActsOnTheCurrentFilesList) {
  WriteSetUpSettings();
  const std::string a = WriteBmp("in/a.bmp", 10, 10);
  dir_.WriteText("in/b.gif", "GIF89a");
  auto window = Start();
  auto only_bmp = [this](QDialog& dialog) {
    auto* formats = dynamic_cast<lists::TFormatsMenu*>(&dialog);
    ASSERT_NE(formats, nullptr);
    formats->BUseNone->click();
    for (int i = 0; i < formats->CheckListBox1->count(); ++i) {
      if (formats->CheckListBox1->item(i)->text() == ".BMP") {
        formats->CheckListBox1->item(i)->setCheckState(Qt::Checked);
      }
    }
    formats->BOk->click();
  };
  on_dialog_ = only_bmp;
  window->action(Act::kSelectFormats)->trigger();
  EXPECT_EQ(dialogs_.back(), "Select Formats For Loading");
  EXPECT_EQ(window->files_list().allowable().pattern(), ".BMP*");
  window->RecordDroppedFiles({dir_.File("in")}, true);
  EXPECT_EQ(window->files_list().Count(), 1);
  EXPECT_EQ(window->files_list().FilePathAt(0), a);

  // A hand-over makes a new list; the window then works on that one.
  window->HandOverCommandLine("\"" + a + "\"");
  on_dialog_ = [](QDialog& dialog) {
    auto* formats = dynamic_cast<lists::TFormatsMenu*>(&dialog);
    ASSERT_NE(formats, nullptr);
    formats->BUseAll->click();
    formats->BOk->click();
  };
  window->action(Act::kSelectFormats)->trigger();
  EXPECT_TRUE(window->files_list().allowable().IsAllowableType(".GIF"));
}

QImage IconImage(const QIcon& icon) {
  return icon.pixmap(kMenuImageSize, kMenuImageSize).toImage();
}

bool FullyTransparent(const QImage& image) {
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < argb.height(); ++y) {
    for (int x = 0; x < argb.width(); ++x) {
      if (qAlpha(argb.pixel(x, y)) != 0) return false;
    }
  }
  return true;
}

TEST(ImageLists, MenuListHoldsDrivesTheirSixteenColourSetAndFiveEmptyEditorSlots) {
  const std::vector<QIcon> deep = LoadMenuImages(24);
  const std::vector<QIcon> palette = LoadMenuImages(8);
  ASSERT_EQ(deep.size(), static_cast<size_t>(kMenuImageCount));
  ASSERT_EQ(palette.size(), deep.size());
  for (int i = 0; i < kMenuImageCount; ++i) {
    EXPECT_EQ(FullyTransparent(IconImage(deep[i])), i >= kIconEditorSlots) << i;
  }
  for (int i = 0; i < kDriveImageCount; ++i) {
    // A palette screen shows the sixteen-colour drives in the places of the others.
    EXPECT_NE(IconImage(deep[i]), IconImage(deep[kIconLowColourDrives + i])) << i;
    EXPECT_EQ(IconImage(palette[i]), IconImage(deep[kIconLowColourDrives + i])) << i;
    for (int j = i + 1; j < kDriveImageCount; ++j) {
      EXPECT_NE(IconImage(deep[i]), IconImage(deep[j])) << i << " " << j;
    }
  }
  for (int i = kIconOpen; i < kMenuImageCount; ++i) {
    EXPECT_EQ(IconImage(palette[i]), IconImage(deep[i])) << i;
  }
  // The button list is cut in 20 x 20 pieces, one per image.
  const std::vector<QIcon> buttons = LoadButtonImages();
  ASSERT_EQ(buttons.size(), static_cast<size_t>(kButtonImageCount));
  EXPECT_EQ(buttons[kImageNext].availableSizes().value(0), QSize(kButtonSize, kButtonSize));
}

TEST_F(MainWindowTest, StartUpLoadsTheCursorsAndPutsMenuImagesOnBothWindows) {
  WriteSetUpSettings();
  auto window = Start();
  // Every slot of the table holds its own cursor; a slot with none gives the arrow.
  for (const CursorSlot& slot : kCursorSlots) {
    EXPECT_EQ(window->CursorAt(slot.slot).shape(), Qt::BitmapCursor) << slot.name;
  }
  EXPECT_EQ(window->CursorAt(99).shape(), Qt::ArrowCursor);
  const std::vector<QIcon>& images = window->menu_images();
  ASSERT_EQ(images.size(), static_cast<size_t>(kMenuImageCount));
  EXPECT_EQ(IconImage(window->action(Act::kOpen1)->icon()), IconImage(images[kIconOpen]));
  EXPECT_EQ(IconImage(window->action(Act::kDeleteFile1)->icon()), IconImage(images[kIconDelete]));
  EXPECT_EQ(IconImage(window->action(Act::kFullFit)->icon()), IconImage(images[kIconFullScreen]));
  ASSERT_NE(window->list_window(), nullptr);
  EXPECT_EQ(IconImage(window->list_window()->exit_display_action()->icon()),
            IconImage(images[kIconFullScreen]));
}

TEST_F(MainWindowTest, DriveMenuListsLoadableDrivesAndLoadsOne) {
  WriteSetUpSettings();
  const std::string a = WriteBmp("mnt/a.bmp", 10, 10);
  using platform::DriveType;
  services_.files.SetDrives({{dir_.File("mnt/"), "/dev/sda1", "ext4", DriveType::kFixed},
                             {"/proc/", "proc", "proc", DriveType::kUnknown},
                             {"/media/usb/", "/dev/sdb1", "vfat", DriveType::kRemovable},
                             {"/net/", "srv:/x", "nfs", DriveType::kRemote},
                             {"/cd/", "/dev/sr0", "iso9660", DriveType::kCdRom},
                             {"/ram/", "ramfs", "ramfs", DriveType::kRamDisk}});
  auto window = Start();
  const QList<QAction*> items = window->drive_menu()->actions();
  ASSERT_EQ(items.size(), 8);
  EXPECT_EQ(items[0]->text(), "ONLY Load files from NOTES DataBase");
  EXPECT_TRUE(items[0]->isCheckable());
  EXPECT_EQ(items[0]->statusTip(),
            "When Drive Loading, files MUST have entry in NOTES DataBase to get loaded.");
  EXPECT_EQ(items[1]->statusTip(), "Scan ALL Drives in system to build Files List");
  EXPECT_EQ(items[2]->text(), "All Local Hard Drives");
  EXPECT_EQ(items[2]->statusTip(), "Scan every LOCAL HARD Drive in system to build Files List");
  EXPECT_EQ(items[3]->text().toStdString(), "Drive " + dir_.File("mnt/"));
  EXPECT_EQ(items[4]->text(), "Drive /media/usb/");
  EXPECT_EQ(items[7]->statusTip(), "Load every file from this DRIVE into the Files List");
  // Each drive type shows its own image from the menu list: fixed, removable, remote, CD, RAM.
  const std::vector<QIcon>& images = window->menu_images();
  ASSERT_EQ(images.size(), static_cast<size_t>(kMenuImageCount));
  const int expected[] = {kIconDriveFixed, kIconDriveRemovable, kIconDriveRemote, kIconDriveCdRom,
                          kIconDriveRam};
  for (int i = 3; i < 8; ++i) {
    EXPECT_EQ(IconImage(items[i]->icon()), IconImage(images[expected[i - 3]])) << i;
  }
  EXPECT_NE(IconImage(items[3]->icon()), IconImage(items[4]->icon()));

  // "All Local Hard Drives" takes only the fixed one; the load clears the notes-only mark
  // (with no notes the mark would have loaded nothing, so it is left off here).
  items[2]->trigger();
  EXPECT_EQ(window->files_list().Count(), 1);
  EXPECT_EQ(window->files_list().FilePathAt(0), a);
  EXPECT_EQ(window->shown().Width(), 10);
  items[0]->setChecked(true);
  items[3]->trigger();
  // Drive loads add to the list; with no notes nothing more qualifies.
  EXPECT_EQ(window->files_list().Count(), 1);
  EXPECT_FALSE(items[0]->isChecked());
}

}  // namespace
}  // namespace vr::shell::ui

namespace vr::shell::ui {
namespace {

// A still 1 x 1 GIF whose comment block holds `comment` before the picture (none when empty).
std::vector<uint8_t> CommentedGif(const std::string& comment) {
  std::vector<uint8_t> gif = {'G',  'I', 'F', '8', '9', 'a', 1,   0,   1,  0,
                              0x80, 0,   0,   0,   0,   0,   255, 255, 255};
  if (!comment.empty()) {
    gif.insert(gif.end(), {0x21, 0xFE, static_cast<uint8_t>(comment.size())});
    gif.insert(gif.end(), comment.begin(), comment.end());
    gif.push_back(0);
  }
  gif.insert(gif.end(), {',', 0, 0, 0, 0, 1, 0, 1, 0, 0, 2, 2, 0x44, 1, 0, ';'});
  return gif;
}

TEST_F(MainWindowTest, GifCommentsWindowFollowsEachLoadAndItsCheckItem) {
  WriteSetUpSettings();
  const std::string gif = dir_.Write("a.gif", CommentedGif("Made by hand\r\nSecond line"));
  const std::string plain = dir_.Write("b.gif", CommentedGif(""));
  const std::string bmp = WriteBmp("c.bmp", 4, 4);
  auto window = Start({gif, plain, bmp});
  QCoreApplication::processEvents();
  codecs::gif::TGifCommentsMenu* comments = window->gif_comments();
  ASSERT_NE(comments, nullptr);
  // Filled, but not shown while the check item is off.
  EXPECT_TRUE(comments->HasLines());
  EXPECT_EQ(comments->Text().toStdString(), "Made by hand\nSecond line");
  EXPECT_FALSE(comments->isVisible());

  window->action(Act::kGifComments)->setChecked(true);
  window->ShowCurrentFile(false, 0);
  EXPECT_TRUE(comments->isVisible());
  EXPECT_EQ(comments->windowTitle().toStdString(), "GIF Comments");

  // A GIF without comments and a non-GIF picture clear and close it.
  window->GoNext();
  EXPECT_FALSE(comments->HasLines());
  EXPECT_TRUE(comments->Text().isEmpty());
  EXPECT_FALSE(comments->isVisible());
  window->GoNext();
  EXPECT_FALSE(comments->isVisible());
  EXPECT_FALSE(comments->HasLines());
  window->GoFirst();
  EXPECT_TRUE(comments->isVisible());
  EXPECT_EQ(comments->Text().toStdString(), "Made by hand\nSecond line");

  // Unchecked again: the next load closes it though it has lines.
  window->action(Act::kGifComments)->setChecked(false);
  window->ShowCurrentFile(false, 0);
  EXPECT_TRUE(comments->HasLines());
  EXPECT_FALSE(comments->isVisible());
}

int DistinctIndices(const picture::Bitmap& bitmap) {
  std::vector<bool> seen(256, false);
  int count = 0;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* row = bitmap.Row(y);
    for (int x = 0; x < bitmap.Width(); ++x) {
      if (!seen[row[x]]) ++count;
      seen[row[x]] = true;
    }
  }
  return count;
}

std::vector<uint8_t> Pixels(const picture::Bitmap& bitmap) {
  std::vector<uint8_t> out;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* row = bitmap.Row(y);
    out.insert(out.end(), row, row + bitmap.Width());
  }
  return out;
}

TEST_F(MainWindowTest, ReduceColorsItemsActOnTheShownPictureAndRebuildTheDisplay) {
  WriteSetUpSettings();
  const std::string a = WriteBmp("a.bmp", 64, 40);
  auto window = Start({a});
  QCoreApplication::processEvents();
  const std::vector<colour::ReduceMenuItem>& items = colour::ReduceMenuItems();
  ASSERT_EQ(items.size(), 11u);
  for (size_t i = 0; i < items.size(); ++i) {
    QAction* item = window->reduce_action(static_cast<int>(i));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->text().toStdString(), items[i].caption);
  }
  EXPECT_TRUE(window->action(Act::kDitherOn)->isChecked());
  EXPECT_FALSE(window->action(Act::kDitherOff)->isChecked());
  EXPECT_TRUE(window->action(Act::kShowDitherProgress)->isChecked());

  TFitPane* pane = window->fit_pane();
  pane->repaint();
  const int built = window->display_rebuilds();
  window->reduce_action(4)->trigger();  // 16 colours, progress window shown
  const picture::Bitmap& shown = window->shown().bitmap;
  EXPECT_EQ(shown.Bits(), 8);
  EXPECT_EQ(shown.Width(), 64);
  EXPECT_LE(DistinctIndices(shown), 16);
  EXPECT_GT(DistinctIndices(shown), 2);
  EXPECT_TRUE(window->isEnabled());
  EXPECT_TRUE(window->dither_window()->isVisible());
  EXPECT_EQ(window->dither_window()->StatusText().toStdString(),
            "Dithering: DONE!  You can TURN OFF this progress window from the OPTIONS MENU");
  pane->repaint();
  EXPECT_EQ(window->display_rebuilds(), built + 1);

  // 256 colours is no reduction of an 8-bit picture; the standard 8 colours still act.
  const std::vector<uint8_t> before = Pixels(shown);
  window->reduce_action(9)->trigger();
  window->reduce_action(10)->trigger();
  EXPECT_EQ(Pixels(window->shown().bitmap), before);
  window->dither_window()->hide();
  window->action(Act::kShowDitherProgress)->setChecked(false);
  window->reduce_action(3)->trigger();
  EXPECT_LE(DistinctIndices(window->shown().bitmap), 8);
  EXPECT_FALSE(window->dither_window()->isVisible());

  // The radio pair: remapping and dithering give different pictures from the same source.
  auto remap = Start({a});
  remap->action(Act::kShowDitherProgress)->setChecked(false);
  remap->action(Act::kDitherOff)->trigger();
  EXPECT_FALSE(remap->action(Act::kDitherOn)->isChecked());
  auto dither = Start({a});
  dither->action(Act::kShowDitherProgress)->setChecked(false);
  remap->reduce_action(0)->trigger();
  dither->reduce_action(0)->trigger();
  EXPECT_EQ(remap->shown().bitmap.Bits(), 8);
  EXPECT_EQ(dither->shown().bitmap.Bits(), 8);
  EXPECT_NE(Pixels(remap->shown().bitmap), Pixels(dither->shown().bitmap));
}

TEST_F(MainWindowTest, TrueColourOn256AsksOnlyOnALowDepthScreenAndDithersLoads) {
  WriteSetUpSettings();
  picture::Bitmap rich;
  rich.Create(32, 16, picture::PixelFormat::k24);
  for (int y = 0; y < 16; ++y) {
    uint8_t* row = rich.Row(y);
    for (int x = 0; x < 96; ++x) row[x] = static_cast<uint8_t>(x * 7 + y * 13);
  }
  const std::string png = dir_.File("rich.png");
  ASSERT_TRUE(codecs::SavePngFile(png, rich).ok);
  auto window = Start({png});
  QCoreApplication::processEvents();
  QAction* option = window->action(Act::kTrueColour256);
  ASSERT_NE(option, nullptr);
  ASSERT_GE(window->DisplayDepth(), 9);
  option->trigger();  // a true-colour screen: only informs
  EXPECT_EQ(window->true_colour_on_256(), 0);
  EXPECT_FALSE(option->isChecked());
  ASSERT_FALSE(services_.ui.calls().empty());
  EXPECT_EQ(services_.ui.last().text, colour::kTrueColourNotNeeded);

  on_dialog_ = [](QDialog&) {};  // the screen-colour notice
  window->action(Act::kScreen256)->trigger();
  EXPECT_EQ(window->shown().bitmap.Bits(), 24);
  services_.ui.QueueAnswer(platform::Answer::kNo);
  option->trigger();
  EXPECT_EQ(services_.ui.last().text, colour::TrueColourQuestion());
  EXPECT_EQ(window->true_colour_on_256(), 0);
  EXPECT_FALSE(option->isChecked());
  services_.ui.QueueAnswer(platform::Answer::kYes);
  option->trigger();
  EXPECT_EQ(window->true_colour_on_256(), 1);
  EXPECT_TRUE(option->isChecked());
  window->ShowCurrentFile(false, 0);
  EXPECT_EQ(window->shown().bitmap.Bits(), 8);

  // Turning it off asks nothing.
  const size_t calls = services_.ui.calls().size();
  option->trigger();
  EXPECT_EQ(window->true_colour_on_256(), 0);
  EXPECT_FALSE(option->isChecked());
  EXPECT_EQ(services_.ui.calls().size(), calls);
  EXPECT_EQ(services_.ui.pending(), 0u);
}

}  // namespace
}  // namespace vr::shell::ui

namespace vr::shell::ui {
namespace {

TEST_F(MainWindowTest, LoadFromCurrentFolderReplacesTheListAndPlusTakesTheFilter) {
  WriteSetUpSettings();
  const std::string old = WriteBmp("old/x.bmp", 8, 8);
  WriteBmp("pick/b.bmp", 12, 6);
  WriteBmp("pick/a.bmp", 10, 5);
  dir_.WriteText("pick/readme.txt", "not a picture");
  auto window = Start({old});
  ASSERT_EQ(window->files_list().Count(), 1);
  services_.ui.QueueFiles({dir_.File("pick/+")});
  window->Open1Click();
  ASSERT_EQ(window->files_list().Count(), 2);
  EXPECT_EQ(window->files_list().FilePathAt(0), dir_.File("pick/a.bmp"));
  EXPECT_EQ(window->files_list().Current(), 0);
  EXPECT_EQ(window->shown().Width(), 10);
  // "+" records the folder but no file.
  EXPECT_EQ(window->settings().recent_folders[0], dir_.File("pick/"));
}

}  // namespace
}  // namespace vr::shell::ui

namespace vr::shell::ui {
namespace {

TEST_F(MainWindowTest, FilesListWindowShowsTheListAndIsRemadeAfterAHandOver) {
  WriteSetUpSettings();
  const std::string a = WriteBmp("a.bmp", 10, 5);
  const std::string b = WriteBmp("b.bmp", 12, 6);
  auto window = Start({a, b});
  window->FileListWindow1Click();
  ASSERT_NE(window->list_window(), nullptr);
  EXPECT_TRUE(window->list_window()->isVisible());
  EXPECT_EQ(window->list_window()->model().rowCount(), 2);
  const QPointer<list_window::TFileListMenu> old_window = window->list_window();
  window->HandOverCommandLine("\"/opt/veldrimon/veldrimon\" \"" + b + "\"");
  // The old window showed the replaced list; a new one shows the new list.
  EXPECT_TRUE(old_window.isNull());
  ASSERT_NE(window->list_window(), nullptr);
  EXPECT_EQ(window->list_window()->model().rowCount(), 1);
  window->FileListWindow1Click();
  EXPECT_TRUE(window->list_window()->isVisible());
  window->close();
}

}  // namespace
}  // namespace vr::shell::ui
