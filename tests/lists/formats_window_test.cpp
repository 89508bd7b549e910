// "Select Formats For Loading": the Use buttons, the warning when closing with nothing checked
// (CANCEL keeps the window open), and the pattern rebuilt on close. The sub-folder notice's
// three buttons give their answers.
#include "lists/ui/formats_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>

#include "fakes/fake_ui.h"
#include "lists/ui/subfolder_notice.h"

namespace vr::lists {
namespace {

class FormatsWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "vr_lists_ui_tests";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance() == nullptr) new QApplication(argc, argv);
  }
  std::string Checked(const TFormatsMenu& window) {
    std::string out;
    for (int i = 0; i < window.CheckListBox1->count(); ++i) {
      if (window.CheckListBox1->item(i)->checkState() == Qt::Checked) {
        out += window.CheckListBox1->item(i)->text().toStdString();
      }
    }
    return out;
  }
  AllowableTypes types_;
  fakes::FakeUi ui_;
};

TEST_F(FormatsWindowTest, UseButtonsAndThePatternRebuiltOnClose) {
  TFormatsMenu window(types_, ui_);
  EXPECT_EQ(window.windowTitle(), "Select Formats For Loading");
  ASSERT_EQ(window.CheckListBox1->count(), 28);
  window.BUseNone->click();
  window.BUseSounds->click();
  EXPECT_EQ(Checked(window), ".MID.MIDI.WAV");
  window.BUseMovies->click();
  EXPECT_EQ(Checked(window), ".AVI.FLC.FLI.MID.MIDI.MOV.MPG.MPE.MPEG.WAV");
  window.BUseNone->click();
  window.BUseImages->click();
  window.CheckListBox1->item(1)->setCheckState(Qt::Unchecked);  // .BMP by hand
  window.show();
  window.BOk->click();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(types_.pattern(),
            ".EMF*.ICO*.GIF*.JPG*.JPE*.JPEG*.PCX*.PIC*.PNG*.TGA*.TARGA*.WMF*.WEBP*.TIF*.TIFF*.HEIC*"
            ".HEIF*");
  EXPECT_TRUE(ui_.calls().empty());
}

TEST_F(FormatsWindowTest, ClosingWithNothingCheckedWarnsAndCancelStays) {
  TFormatsMenu window(types_, ui_);
  window.show();
  window.BUseNone->click();
  ui_.QueueChoice(1);  // "CANCEL"
  window.BOk->click();
  EXPECT_TRUE(window.isVisible());
  EXPECT_EQ(ui_.last().text, kNoTypeCheckedWarning);
  EXPECT_EQ(ui_.last().captions, (std::vector<std::string>{"+CANCEL", "Continue Anyway"}));
  EXPECT_TRUE(types_.IsAllowableType(".JPG"));  // the pattern is not rebuilt while staying
  ui_.QueueChoice(2);                           // "Continue Anyway"
  window.close();
  EXPECT_FALSE(window.isVisible());
  EXPECT_EQ(types_.pattern(), "");
  EXPECT_FALSE(types_.IsAllowableType(".JPG"));
}

TEST_F(FormatsWindowTest, SubfolderNoticeButtonsGiveTheirAnswers) {
  const std::vector<std::pair<const char*, SubfolderAnswer>> cases = {
      {"YES", SubfolderAnswer::kYes},
      {"NO", SubfolderAnswer::kNo},
      {"ALWAYS", SubfolderAnswer::kAlways}};
  for (const auto& [caption, answer] : cases) {
    TSubfolderNotice notice;
    EXPECT_EQ(notice.windowTitle(), "Optional Information Notice Window");
    EXPECT_TRUE(notice.Memo1->text().startsWith("Do you want folders & sub-folders to be "));
    notice.show();
    for (QPushButton* b : {notice.BYes, notice.BNo, notice.BAlways}) {
      if (b->text() == caption) b->click();
    }
    EXPECT_EQ(notice.answer(), answer) << caption;
    EXPECT_FALSE(notice.isVisible());
  }
}

}  // namespace
}  // namespace vr::lists
