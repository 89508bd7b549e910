// The viewer's print entries: the options window, printing the shown picture and the tagged files
// into a PDF, and the print preview.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QtTest/QTest>
#include <cstdlib>
#include <sstream>

#include "lists/files_list.h"
#include "print/ui/print_options_menu.h"
#include "viewer_fixture.h"

namespace vr::shell::ui {
namespace {

std::string PdfInfo(const std::string& pdf, const std::string& field) {
  FILE* pipe = ::popen(("pdfinfo '" + pdf + "' 2>/dev/null").c_str(), "r");
  std::string out;
  if (pipe != nullptr) {
    char buffer[1024];
    size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) out.append(buffer, n);
    ::pclose(pipe);
  }
  std::istringstream lines(out);
  std::string line;
  while (std::getline(lines, line)) {
    if (line.rfind(field + ":", 0) == 0) {
      const size_t value = line.find_first_not_of(' ', field.size() + 1);
      return value == std::string::npos ? std::string() : line.substr(value);
    }
  }
  return {};
}

QAction* Entry(TVeldrimon69& window, const char* name) {
  return window.findChild<QAction*>(name);
}

class PrintMenuTest : public ViewerFixture {
 protected:
  void SetUp() override {
    if (std::system("command -v pdfinfo >/dev/null 2>&1") != 0) GTEST_SKIP() << "no pdfinfo";
    pdf_ = dir_.File("printed.pdf");
    setenv("VELDRIMON_PRINT_TO_PDF", pdf_.c_str(), 1);
    WriteSetUpSettings();
  }
  void TearDown() override { unsetenv("VELDRIMON_PRINT_TO_PDF"); }
  int DialogResult(QDialog&) override { return QDialog::Accepted; }

  std::string pdf_;
};

TEST_F(PrintMenuTest, OptionsShowMarginsOnlyWithUseMarginsAndLandscapeTurnsThePrintedPage) {
  const std::string picture = WriteBmp("wide.bmp", 60, 40);
  auto window = Start({picture});
  // Both the File menu and the picture menu's "&Print" sub-menu hold the entries of the action
  // table, in the same order.
  QMenu* sub = nullptr;
  for (QAction* a : window->picture_menu()->actions()) {
    if (a->menu() != nullptr && a->text() == "&Print") sub = a->menu();
  }
  QMenu* file = nullptr;
  for (QAction* a : window->menuBar()->actions()) {
    if (a->text() == "&File") file = a->menu();
  }
  ASSERT_NE(sub, nullptr);
  ASSERT_NE(file, nullptr);
  const std::vector<Act> entries = {Act::kPrinterSetup1, Act::kPrint1, Act::kPrintPreview1,
                                    Act::kPrintOptions1, Act::kPrintCatalog1};
  ASSERT_EQ(sub->actions().size(), static_cast<qsizetype>(entries.size()));
  for (size_t i = 0; i < entries.size(); ++i) {
    QAction* entry = window->action(entries[i]);
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(sub->actions()[static_cast<qsizetype>(i)], entry);
    EXPECT_TRUE(file->actions().contains(entry));
    EXPECT_EQ(entry->text().toStdString(), TVeldrimon69::ActionRowOf(entries[i])->caption);
  }
  EXPECT_EQ(window->findChildren<QAction*>("Print1").size(), 1);
  bool checked = false;
  on_dialog_ = [&](QDialog& dialog) {
    auto* menu = dynamic_cast<print::ui::TPrintOptionsMenu*>(&dialog);
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->RadioButton1->isChecked());
    EXPECT_TRUE(menu->CheckBox4->isChecked());
    EXPECT_TRUE(menu->MaskEdit1->isHidden());
    EXPECT_TRUE(menu->Label2->isHidden());
    menu->RadioButton3->click();
    EXPECT_FALSE(menu->MaskEdit1->isHidden());
    EXPECT_FALSE(menu->Label1->isHidden());
    menu->RadioButton1->click();
    EXPECT_TRUE(menu->MaskEdit2->isHidden());
    menu->CheckBox2->click();  // landscape, at once
    checked = true;
  };
  Entry(*window, "PrintOptions1")->trigger();
  ASSERT_TRUE(checked);
  EXPECT_EQ(dialogs_.back(), "Print Options");
  on_dialog_ = nullptr;
  Entry(*window, "Print1")->trigger();
  EXPECT_EQ(PdfInfo(pdf_, "Pages"), "1");
  EXPECT_EQ(PdfInfo(pdf_, "Title"), "wide.bmp");
  EXPECT_EQ(PdfInfo(pdf_, "Page size").rfind("792 x 612", 0), 0u);
  EXPECT_TRUE(services_.ui.MessageTexts().empty());

  // The choices last for the run: the window opens as it was left, margins too.
  on_dialog_ = [&](QDialog& dialog) {
    auto* menu = dynamic_cast<print::ui::TPrintOptionsMenu*>(&dialog);
    ASSERT_NE(menu, nullptr);
    EXPECT_TRUE(menu->CheckBox2->isChecked());
    menu->RadioButton3->click();
    menu->MaskEdit1->setText("06.00");  // 12 inches of margins on a 10.5-inch-wide area
  };
  Entry(*window, "PrintOptions1")->trigger();
  on_dialog_ = nullptr;
  Entry(*window, "Print1")->trigger();
  EXPECT_EQ(services_.ui.MessageTexts(),
            (std::vector<std::string>{"The margins leave no room for the picture on this page."}));
}

TEST_F(PrintMenuTest, TaggedFilesPrintOnePageEachSkippingMediaAndUnreadableFiles) {
  const std::string a = WriteBmp("a.bmp", 30, 20);
  const std::string b = WriteBmp("b.bmp", 20, 30);
  const std::string broken = dir_.WriteText("c.bmp", "BM not a picture");
  const std::string sound = dir_.WriteText("d.wav", "RIFF");
  auto window = Start({a, b, broken, sound});
  lists::FilesList& list = window->files_list();
  ASSERT_EQ(list.Count(), 4);
  for (int i = 0; i < 4; ++i) list.SetTag(i, true);
  list.SetCurrent(1);
  window->ShowCurrentFile();
  on_dialog_ = [](QDialog& dialog) {
    auto* menu = dynamic_cast<print::ui::TPrintOptionsMenu*>(&dialog);
    if (menu != nullptr) menu->CBTag->click();
  };
  window->findChild<QAction*>("PrintOptions1")->trigger();
  on_dialog_ = nullptr;
  // The texts of the print alone (the start-up's editor search had the window before).
  const size_t before = services_.please_wait.texts().size();
  window->findChild<QAction*>("Print1")->trigger();
  // One document each, into the one PDF as its pages.
  EXPECT_EQ(PdfInfo(pdf_, "Pages"), "2");
  const std::vector<std::string> texts(services_.please_wait.texts().begin() +
                                           static_cast<std::ptrdiff_t>(before),
                                       services_.please_wait.texts().end());
  ASSERT_FALSE(texts.empty());
  EXPECT_EQ(texts.front(), "Printing tagged files...");
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Printing:a.bmp"), texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "Printing:c.bmp"), texts.end());
  // The viewer is back on the file it showed.
  EXPECT_EQ(list.Current(), 1);
  EXPECT_EQ(window->shown().Width(), 20);
}

TEST_F(PrintMenuTest, PreviewShowsTheWhitePageWithThePictureWhereItWouldPrint) {
  picture::Bitmap red;
  red.Create(60, 40, picture::PixelFormat::k24);
  for (int y = 0; y < 40; ++y) {
    for (int x = 0; x < 60; ++x) red.Row(y)[x * 3 + 2] = 255;
  }
  auto window = Start({WriteBmp("red.bmp", red)});
  window->findChild<QAction*>("PrintPreview1")->trigger();
  QWidget* preview = nullptr;
  for (QWidget* w : QApplication::topLevelWidgets()) {
    if (w->windowTitle() == "Preview: red.bmp" && w->isVisible()) preview = w;
  }
  ASSERT_NE(preview, nullptr);
  EXPECT_FALSE(preview->isModal());
  const QImage shot = preview->grab().toImage();
  // 2400 x 3150 scaled: the picture fills the width, centred on a white page.
  EXPECT_EQ(shot.pixelColor(shot.width() / 2, shot.height() / 2), QColor(255, 0, 0));
  EXPECT_EQ(shot.pixelColor(shot.width() / 2, 2), QColor(255, 255, 255));
  EXPECT_EQ(shot.pixelColor(shot.width() / 2, shot.height() - 3), QColor(255, 255, 255));
  preview->close();
}

}  // namespace
}  // namespace vr::shell::ui

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
