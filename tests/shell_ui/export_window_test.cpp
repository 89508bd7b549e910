// The export window on the real main window (offscreen, scripted Ui): "Save &As" with its texts
// and dialogs, the opening defaults, the JPEG preview, the palette editor from Properties and from
// the GIF tab, and the files list window's conversion of tagged files.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QtTest/QTest>
#include <filesystem>
#include <map>

#include "colour/export/export_tabs.h"
#include "colour/ui/export_file.h"
#include "colour/ui/palette_editor.h"
#include "lists/files_list.h"
#include "lists/window/tag_ops.h"
#include "lists/window/ui/file_list_menu.h"
#include "picture/codecs/bmp/bmp_codec.h"
#include "picture/codecs/codec_api.h"
#include "picture/codecs/gif/gif_graphics.h"
#include "picture/codecs/gif/ui/gif_comments_menu.h"
#include "shell/ui/properties_dialog.h"
#include "test_support/read_only_folder.h"
#include "viewer_fixture.h"

namespace vr::shell::ui {
namespace {

// The reader gives a last empty line after the final line end the writer puts after each line.
std::vector<std::string> WithoutTrailingEmpty(std::vector<std::string> lines) {
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}


using colour::TExportFile;
using fakes::UiCall;
using platform::Answer;
using platform::MessageKind;

// An 8-bit picture with 4 palette colours in use.
picture::Bitmap FourColours(int w, int h) {
  picture::Bitmap b;
  b.Create(w, h, picture::PixelFormat::k8);
  b.SetPalette({{200, 0, 0}, {0, 200, 0}, {0, 0, 200}, {250, 250, 250}});
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) b.Row(y)[x] = static_cast<uint8_t>((x / 4 + y) % 4);
  }
  return b;
}

class ExportWindowTest : public ViewerFixture {
 protected:
  // Each dialog by its title: what the test does with it and what it returns.
  struct Script {
    std::function<void(QDialog&)> act;
    int result = QDialog::Rejected;
  };
  int DialogResult(QDialog& dialog) override {
    const std::string title = dialog.windowTitle().toStdString();
    for (const auto& [prefix, script] : scripts_) {
      if (title.rfind(prefix, 0) == 0) {
        if (script.act) script.act(dialog);
        return script.result;
      }
    }
    return QDialog::Rejected;
  }
  const UiCall* FindCall(UiCall::Type type) const {
    for (const UiCall& call : services_.ui.calls()) {
      if (call.type == type) return &call;
    }
    return nullptr;
  }
  static TExportFile& Export(QDialog& dialog) { return dynamic_cast<TExportFile&>(dialog); }

  std::map<std::string, Script> scripts_;
};

TEST_F(ExportWindowTest, SaveAsFlowWithItsTextsLoadsTheNewFile) {
  WriteSetUpSettings();
  const std::string source = WriteBmp("pics/holiday.bmp", 48, 32);
  auto window = Start({source});
  ASSERT_EQ(window->shown().Width(), 48);

  std::vector<std::string> statuses;
  scripts_[colour::kExportCaption].act = [&](QDialog& dialog) {
    TExportFile& w = Export(dialog);
    // Opening: the JPEG page first, the items of a 24-bit picture, the buttons of save mode.
    EXPECT_EQ(w.pages()->currentIndex(), colour::kTabJpg);
    EXPECT_EQ(w.pages()->tabText(colour::kTabJpg), "JPG (Independent JPEG Group)");
    EXPECT_FALSE(w.pages()->isTabVisible(colour::kTabIco));
    EXPECT_EQ(w.CheckedItem(colour::kTabBmp), colour::FindExportItem(colour::kTabBmp, "16M True-Color"));
    EXPECT_EQ(w.CheckedItem(colour::kTabGif), colour::FindExportItem(colour::kTabGif, "256 Colors"));
    EXPECT_EQ(w.CheckedItem(colour::kTabPic), colour::FindExportItem(colour::kTabPic, "256 Colors"));
    EXPECT_EQ(w.quality_box()->value(), 90);
    EXPECT_EQ(w.save_button()->text(), "&Save As");
    EXPECT_EQ(w.cancel_button()->text(), "&Cancel");
    EXPECT_EQ(w.swatch()->text(), "None");
    EXPECT_FALSE(w.transparent_box()->isChecked());
    // The shared controls go with the active tab; "Force 236" only on a 256 item.
    w.pages()->setCurrentIndex(colour::kTabGif);
    EXPECT_EQ(w.StatusText(), colour::kStatusReady);
    EXPECT_TRUE(w.pages()->widget(colour::kTabGif)->isAncestorOf(w.save_button()));
    EXPECT_TRUE(w.force_236_box()->isEnabled());
    w.item_button(colour::kTabGif, colour::FindExportItem(colour::kTabGif, "16 Colors"))->click();
    EXPECT_FALSE(w.force_236_box()->isEnabled());
    w.interlaced_box()->setChecked(true);
    w.SaveAsClick();
    statuses.push_back(w.StatusText());
  };
  services_.ui.QueueFilterChange(3);        // the user picks another type in the dialog
  services_.ui.QueueText(dir_.File("pics/copy"));  // typed without an extension
  services_.ui.QueueAnswer(Answer::kYes);   // load the new file
  window->action(Act::kSaveAs1)->trigger();

  EXPECT_EQ(dialogs_.front(), colour::kExportCaption);
  EXPECT_EQ(statuses, (std::vector<std::string>{colour::kStatusDone}));
  const UiCall* save = FindCall(UiCall::Type::kSave);
  ASSERT_NE(save, nullptr);
  EXPECT_EQ(save->text, dir_.File("pics/"));
  EXPECT_EQ(save->initial, "holiday");
  EXPECT_EQ(save->filter_index, colour::kTabGif + 1);  // the tab's own type after "*.*"
  EXPECT_EQ(save->filters.at(0).patterns, "*");
  EXPECT_EQ(save->default_extension, ".GIF");
  const std::vector<std::string> texts = services_.ui.MessageTexts();
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0], colour::kFilterChangedWarning);
  EXPECT_EQ(texts[1], colour::kLoadNewFileQuestion);
  EXPECT_EQ(services_.ui.calls().back().kind, MessageKind::kQuestion);

  const std::string written = dir_.File("pics/copy.GIF");
  codecs::gif::TGifGraphics reader;
  picture::Bitmap back;
  ASSERT_TRUE(reader.LoadGif(written, back));
  EXPECT_TRUE(reader.Interlaced());
  EXPECT_EQ(back.Width(), 48);
  // Yes put the new file into the list and showed it.
  EXPECT_EQ(window->files_list().Count(), 2);
  EXPECT_EQ(window->files_list().FilePathAt(window->files_list().Current()), written);
  // The status is kept for the next opening.
  std::string reopened;
  scripts_[colour::kExportCaption].act = [&](QDialog& dialog) {
    reopened = Export(dialog).StatusText();
  };
  window->action(Act::kSaveAs1)->trigger();
  EXPECT_EQ(reopened, colour::kStatusDone);
}

TEST_F(ExportWindowTest, WriteProtectedFolderAndUnknownExtensionGiveTheErrorStatus) {
  WriteSetUpSettings();
  const std::string source = WriteBmp("in/p.bmp", 20, 20);
  const std::string target = dir_.WriteText("ro/old.BMP", "keep these bytes");
  auto locked = std::make_unique<test_support::ReadOnlyFolder>(dir_.File("ro"));
  if (!locked->refuses_writes()) GTEST_SKIP() << "no way to make a folder read-only here";
  auto window = Start({source});
  std::vector<std::string> statuses;
  scripts_[colour::kExportCaption].act = [&](QDialog& dialog) {
    TExportFile& w = Export(dialog);
    w.pages()->setCurrentIndex(colour::kTabBmp);
    w.SaveAsClick();
    statuses.push_back(w.StatusText());
    w.SaveAsClick();
    statuses.push_back(w.StatusText());
  };
  services_.ui.QueueText(target);
  services_.ui.QueueText(dir_.File("in/p.webp"));
  window->action(Act::kSaveAs1)->trigger();
  locked.reset();

  EXPECT_EQ(statuses, (std::vector<std::string>{colour::kStatusError, colour::kStatusError}));
  const auto& calls = services_.ui.calls();
  ASSERT_EQ(calls.size(), 4u);
  EXPECT_EQ(calls[1].kind, MessageKind::kError);
  EXPECT_EQ(calls[1].text, "Error EXPORTING file:" + target +
                               "\r\rDisk is probably FULL or WRITE PROTECTED!\r\r"
                               "Try Saving again, but to another drive!");
  EXPECT_EQ(services_.sounds.played().back(), "SYSTEMQUESTION");
  EXPECT_NE(std::find(services_.sounds.played().begin(), services_.sounds.played().end(),
                      "ALARM"),
            services_.sounds.played().end());
  EXPECT_EQ(calls[3].kind, MessageKind::kInformation);
  EXPECT_NE(calls[3].text.find(".WEBP"), std::string::npos);
  const auto bytes = test_support::TempDir::Read(target);
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "keep these bytes");
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir_.File("ro")), {}), 1);
  EXPECT_FALSE(std::filesystem::exists(dir_.File("in/p.webp")));
}

TEST_F(ExportWindowTest, JpegPreviewShowsTheSavedSizeAndEscapeClosesIt) {
  WriteSetUpSettings();
  auto window = Start({WriteBmp("p.bmp", 64, 40)});
  std::string caption;
  std::string temp_file;
  bool closed_by_escape = false;
  scripts_["SAVED SIZE="].act = [&](QDialog& dialog) {
    caption = dialog.windowTitle().toStdString();
    for (const auto& e : std::filesystem::directory_iterator(dir_.Path())) {
      const std::string n = e.path().filename().string();
      if (n.rfind("~LS", 0) == 0 && n.size() == 12 && n.substr(8) == ".JPG") {
        temp_file = e.path().string();
      }
    }
    dialog.show();
    QTest::keyClick(&dialog, Qt::Key_Escape);
    closed_by_escape = !dialog.isVisible() && dialog.result() == QDialog::Rejected;
    EXPECT_EQ(dynamic_cast<colour::TJpegPreview&>(dialog).shown().width(), 64);
  };
  scripts_[colour::kExportCaption].act = [&](QDialog& dialog) {
    TExportFile& w = Export(dialog);
    w.quality_box()->setValue(50);
    w.preview_button()->click();
  };
  window->action(Act::kSaveAs1)->trigger();
  ASSERT_FALSE(temp_file.empty()) << "the preview's file was not in the temporary folder";
  EXPECT_FALSE(std::filesystem::exists(temp_file));
  EXPECT_TRUE(closed_by_escape);
  EXPECT_EQ(caption.rfind("SAVED SIZE=", 0), 0u);
  EXPECT_EQ(caption.substr(caption.size() - 24), "  [Press ESCape to exit]");
  const long long size = std::stoll(caption.substr(11));
  EXPECT_GT(size, 200);
}

TEST_F(ExportWindowTest, PaletteEditorFromPropertiesEditsTheShownPalette) {
  WriteSetUpSettings();
  auto window = Start({WriteBmp("four.bmp", FourColours(16, 8))});
  ASSERT_EQ(window->shown().bitmap.Bits(), 8);
  int editor_runs = 0;
  scripts_[colour::kEditPaletteTitle].act = [&](QDialog& dialog) {
    auto& editor = dynamic_cast<colour::TPaletteEditor&>(dialog);
    EXPECT_FALSE(editor.none_button()->isVisible());
    colour::TSwatchGrid* grid = editor.grid();
    QTest::mouseDClick(grid, Qt::LeftButton, {}, grid->CellCentre(1));
    EXPECT_EQ(editor.Selected(), 1);
    // Entries past the picture's colours cannot be selected.
    QTest::mouseClick(grid, Qt::LeftButton, {}, grid->CellCentre(200));
    EXPECT_EQ(editor.Selected(), 1);
    ++editor_runs;
  };
  scripts_[colour::kEditPaletteTitle].result = QDialog::Accepted;
  services_.ui.QueueColour(platform::PickedColour{10, 20, 30});
  int run = 0;
  scripts_["Properties"].act = [&](QDialog& dialog) {
    auto& props = dynamic_cast<TPropertiesMenu&>(dialog);
    EXPECT_TRUE(props.palette_button()->isEnabled());
    props.palette_button()->click();
    ++run;
  };
  window->Properties1Click();
  EXPECT_EQ(editor_runs, 1);
  EXPECT_EQ(window->shown().bitmap.Palette()[1], (picture::Rgb{10, 20, 30}));
  EXPECT_EQ(window->shown().bitmap.Palette()[0], (picture::Rgb{200, 0, 0}));
  const UiCall* colour_call = FindCall(UiCall::Type::kColour);
  ASSERT_NE(colour_call, nullptr);
  EXPECT_EQ(colour_call->title, colour::kEditPaletteTitle);
  EXPECT_EQ(colour_call->colour.g, 200);

  // Cancel changes nothing, even after an edit inside.
  scripts_[colour::kEditPaletteTitle].result = QDialog::Rejected;
  services_.ui.QueueColour(platform::PickedColour{1, 2, 3});
  window->Properties1Click();
  EXPECT_EQ(window->shown().bitmap.Palette()[1], (picture::Rgb{10, 20, 30}));
  EXPECT_EQ(run, 2);
}

TEST_F(ExportWindowTest, NothingToSaveAndNoPaletteToEdit) {
  WriteSetUpSettings();
  auto window = Start();
  window->action(Act::kSaveAs1)->trigger();
  EXPECT_TRUE(dialogs_.empty());
  ASSERT_EQ(services_.ui.MessageTexts().size(), 1u);
  EXPECT_EQ(services_.ui.calls().back().kind, MessageKind::kInformation);
  // A true-colour picture has no palette: the button is there but disabled.
  window->files_list().AddFileToList(100, WriteBmp("deep.bmp", 8, 8));
  window->files_list().SetCurrent(0);
  window->ShowCurrentFile(false, 0);
  bool enabled = true;
  scripts_["Properties"].act = [&](QDialog& dialog) {
    enabled = dynamic_cast<TPropertiesMenu&>(dialog).palette_button()->isEnabled();
  };
  window->Properties1Click();
  EXPECT_FALSE(enabled);
}

TEST_F(ExportWindowTest, PickTransparentFromTheGifTab) {
  WriteSetUpSettings();
  auto window = Start({WriteBmp("four.bmp", FourColours(16, 8))});
  std::string swatch_after_pick;
  std::string swatch_after_none;
  bool none_offered = false;
  int picks = 0;
  scripts_[colour::kPickTransparentTitle].act = [&](QDialog& dialog) {
    auto& editor = dynamic_cast<colour::TPaletteEditor&>(dialog);
    none_offered = !editor.none_button()->isHidden();
    if (picks++ == 0) {
      QTest::mouseClick(editor.grid(), Qt::LeftButton, {}, editor.grid()->CellCentre(3));
    } else {
      editor.none_button()->click();
    }
  };
  scripts_[colour::kPickTransparentTitle].result = QDialog::Accepted;
  scripts_[colour::kExportCaption].act = [&](QDialog& dialog) {
    TExportFile& w = Export(dialog);
    w.pages()->setCurrentIndex(colour::kTabGif);
    w.pick_button()->click();
    swatch_after_pick = w.swatch()->text().toStdString();
    EXPECT_TRUE(w.transparent_box()->isChecked());
    w.item_button(colour::kTabGif, colour::FindExportItem(colour::kTabGif, "4 Colors"))->click();
    w.SaveAsClick();
    w.pick_button()->click();
    swatch_after_none = w.swatch()->text().toStdString();
    EXPECT_FALSE(w.transparent_box()->isChecked());
  };
  services_.ui.QueueText(dir_.File("t.gif"));
  services_.ui.QueueAnswer(Answer::kNo);
  window->action(Act::kSaveAs1)->trigger();
  EXPECT_TRUE(none_offered);
  EXPECT_EQ(swatch_after_pick, "");
  EXPECT_EQ(swatch_after_none, "None");
  codecs::gif::TGifGraphics reader;
  picture::Bitmap back;
  ASSERT_TRUE(reader.LoadGif(dir_.File("t.gif"), back));
  ASSERT_GE(reader.TransparentIndex(), 0);
  // The picked colour (entry 3, near white) is the one written as transparent.
  const int* t = reader.TransparentColour6();
  EXPECT_GE(t[0], 60);
  EXPECT_GE(t[1], 60);
  EXPECT_GE(t[2], 60);
}

TEST_F(ExportWindowTest, CommentsAreEditedModallyAndWrittenIntoTheGif) {
  WriteSetUpSettings();
  auto window = Start({WriteBmp("c.bmp", 16, 16)});
  bool use_before = true;
  bool use_after = false;
  scripts_["GIF Comments"].act = [&](QDialog& dialog) {
    auto* box = dialog.findChild<QPlainTextEdit*>("Memo1");
    ASSERT_NE(box, nullptr);
    EXPECT_FALSE(box->isReadOnly());
    box->setPlainText("first comment\nsecond comment\n");
  };
  scripts_["GIF Comments"].result = QDialog::Accepted;
  scripts_[colour::kExportCaption].act = [&](QDialog& dialog) {
    TExportFile& w = Export(dialog);
    w.pages()->setCurrentIndex(colour::kTabGif);
    use_before = w.use_comments_box()->isChecked();
    w.comments_button()->click();
    use_after = w.use_comments_box()->isChecked();
    w.SaveAsClick();
  };
  services_.ui.QueueText(dir_.File("c.gif"));
  services_.ui.QueueAnswer(Answer::kNo);
  window->action(Act::kSaveAs1)->trigger();
  EXPECT_FALSE(use_before);
  EXPECT_TRUE(use_after);
  EXPECT_EQ(window->gif_comments()->Lines(),
            (std::vector<std::string>{"first comment", "second comment"}));
  codecs::gif::TGifGraphics reader;
  picture::Bitmap back;
  ASSERT_TRUE(reader.LoadGif(dir_.File("c.gif"), back));
  EXPECT_EQ(WithoutTrailingEmpty(reader.CommentLines()), (std::vector<std::string>{"first comment", "second comment"}));
}

class ConvertRunTest : public ExportWindowTest {
 protected:
  void SetUp() override {
    WriteSetUpSettings();
    // In the list's name order: the walk takes them from the last to the first.
    paths_.push_back(WriteBmp("conv/a.bmp", 24, 12));
    paths_.push_back(WriteBmp("conv/b.bmp", 24, 12));
    paths_.push_back(dir_.WriteText("conv/broken.bmp", "BM but nothing else"));
    paths_.push_back(WriteBmp("conv/c.bmp", 24, 12));
    paths_.push_back(WriteBmp("conv/d.bmp", 24, 12));
    paths_.push_back(dir_.WriteText("conv/noise.wav", "RIFF....WAVEfmt "));
    dir_.WriteText("conv/a.GIF", "old a");
    dir_.WriteText("conv/c.GIF", "old c");
    window_ = Start();
    for (const std::string& path : paths_) window_->files_list().AddFileToList(100, path);
    window_->FileListWindow1Click();
    ASSERT_EQ(window_->files_list().Count(), 6);
    for (int i = 0; i < 6; ++i) window_->files_list().SetTag(i, true);
    window_->settings().true_colour_on_256 = 1;
    scripts_[colour::kExportCaption].act = [this](QDialog& dialog) {
      TExportFile& w = Export(dialog);
      EXPECT_EQ(w.save_button()->text(), "&Convert Now");
      w.pages()->setCurrentIndex(colour::kTabGif);
      w.item_button(colour::kTabGif, colour::FindExportItem(colour::kTabGif, "256 Colors"))
          ->click();
      w.save_button()->click();
      settings_during_ = window_->settings().true_colour_on_256;
    };
    scripts_[colour::kExportCaption].result = QDialog::Accepted;
    services_.ui.Clear();
  }
  std::string Bytes(const std::string& name) {
    const auto b = test_support::TempDir::Read(dir_.File("conv/" + name));
    return std::string(b.begin(), b.end());
  }
  std::vector<std::string> paths_;
  std::unique_ptr<TVeldrimon69> window_;
  int settings_during_ = -1;
};

TEST_F(ConvertRunTest, YesToAllOverwritesAndTheSkippedFilesAreNamedOnce) {
  list_window::TFileListMenu* list = window_->list_window();
  ASSERT_NE(list, nullptr);
  QTabWidget* pages = list->TagPages();
  EXPECT_TRUE(pages->isTabEnabled(0));
  ASSERT_NE(list->convert_button(), nullptr);
  list->convert_overwrite_box()->setChecked(false);
  services_.ui.QueueAnswer(Answer::kYesToAll);  // for c.GIF; a.GIF is then overwritten too
  list->convert_button()->click();

  EXPECT_EQ(settings_during_, 0);
  EXPECT_EQ(window_->settings().true_colour_on_256, 1);
  EXPECT_TRUE(window_->isVisible());
  // From the last entry to the first.
  std::vector<std::string> converting;
  for (const std::string& t : services_.please_wait.texts()) {
    if (t.rfind("Converting:", 0) == 0) converting.push_back(t);
  }
  EXPECT_EQ(converting, (std::vector<std::string>{"Converting:d.bmp", "Converting:c.bmp",
                                                  "Converting:broken.bmp", "Converting:b.bmp",
                                                  "Converting:a.bmp"}));
  // The unreadable file was reported by the viewer, and never written as another picture.
  bool load_error = false;
  for (const std::string& t : services_.ui.MessageTexts()) {
    load_error = load_error || t == "Error loading file:" + dir_.File("conv/broken.bmp");
  }
  EXPECT_TRUE(load_error);
  int questions = 0;
  for (const UiCall& call : services_.ui.calls()) {
    if (call.buttons == platform::kYesNoAll) {
      ++questions;
      EXPECT_EQ(call.text, "File ALREADY exists in destination. Would you like to OVERWRITE the "
                           "file?\r\r" + dir_.File("conv/c.GIF"));
    }
  }
  EXPECT_EQ(questions, 1);
  EXPECT_EQ(services_.ui.MessageTexts().back(),
            std::string(list_window::kNotConvertedHeading) + "\r" + dir_.File("conv/noise.wav") +
                "\r" + dir_.File("conv/broken.bmp"));
  for (const char* name : {"a.GIF", "b.GIF", "c.GIF", "d.GIF"}) {
    picture::Bitmap back;
    ASSERT_TRUE(codecs::LoadGifStill(dir_.File(std::string("conv/") + name), back, {}, nullptr)
                    .ok())
        << name;
    EXPECT_EQ(back.Width(), 24) << name;
  }
  EXPECT_FALSE(std::filesystem::exists(dir_.File("conv/broken.GIF")));
  EXPECT_FALSE(std::filesystem::exists(dir_.File("conv/noise.GIF")));
  EXPECT_FALSE(list->convert_overwrite_box()->isChecked());
}

TEST_F(ConvertRunTest, NoToAllKeepsTargetsAndStopEndsTheRun) {
  list_window::TFileListMenu* list = window_->list_window();
  services_.ui.QueueAnswer(Answer::kNoToAll);
  list->convert_button()->click();
  EXPECT_EQ(Bytes("a.GIF"), "old a");
  EXPECT_EQ(Bytes("c.GIF"), "old c");
  EXPECT_TRUE(std::filesystem::exists(dir_.File("conv/b.GIF")));

  // A stop after the second file shown: the walk ends there.
  std::filesystem::remove(dir_.File("conv/b.GIF"));
  std::filesystem::remove(dir_.File("conv/d.GIF"));
  services_.ui.Clear();
  services_.please_wait.StopWhenTextContains("Converting:c.bmp");
  list->convert_overwrite_box()->setChecked(true);
  list->convert_button()->click();
  EXPECT_TRUE(std::filesystem::exists(dir_.File("conv/d.GIF")));
  EXPECT_NE(Bytes("c.GIF"), "old c");  // the box overwrote without asking
  EXPECT_FALSE(std::filesystem::exists(dir_.File("conv/b.GIF")));
  EXPECT_EQ(Bytes("a.GIF"), "old a");
  for (const UiCall& call : services_.ui.calls()) EXPECT_NE(call.buttons, platform::kYesNoAll);
  EXPECT_EQ(window_->settings().true_colour_on_256, 1);
}

}  // namespace
}  // namespace vr::shell::ui
