// The catalogue window on the real main window: opening through the tagged-files question, rows
// and shape from the settings and back, the page count, the preview with pointing and double
// clicks, page files through the save dialog, the stop question, and one pass at a time.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest/QTest>
#include <filesystem>

#include "lists/files_list.h"
#include "lists/window/ui/file_list_menu.h"
#include "lists/window/ui/preview_form.h"
#include "print/catalog_layout.h"
#include "print/ui/print_cat_menu.h"
#include "viewer_fixture.h"

namespace vr::shell::ui {
namespace {

using platform::Answer;

// Pointing without a button, as the mouse moving over the panel does.
void MoveOver(QWidget* widget, QPoint point) {
  QMouseEvent move(QEvent::MouseMove, QPointF(point), QPointF(widget->mapToGlobal(point)),
                   Qt::NoButton, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(widget, &move);
}
using print::ui::TPrintCatMenu;

class PrintCatMenuTest : public ViewerFixture {
 protected:
  void SetUp() override {
    WriteSetUpSettings("[Catalog]\nPrintRows=5\nPrintStyle=2\n");
    for (int i = 0; i < 40; ++i) {
      files_.push_back(WriteBmp("pics/p" + std::to_string(10 + i) + ".bmp", 24, 24));
    }
  }
  // Runs the catalogue entry; `inside` sees the window while it is open.
  void OpenCatalog(TVeldrimon69& window, std::function<void(TPrintCatMenu&)> inside) {
    on_dialog_ = [inside](QDialog& dialog) {
      auto* menu = dynamic_cast<TPrintCatMenu*>(&dialog);
      ASSERT_NE(menu, nullptr);
      inside(*menu);
    };
    window.findChild<QAction*>("PrintCatalog1")->trigger();
    on_dialog_ = nullptr;
  }
  std::vector<std::string> files_;
};

TEST_F(PrintCatMenuTest, NothingTaggedAsksToTagAllAndNoOpensNoWindow) {
  auto window = Start({dir_.File("pics")});
  ASSERT_EQ(window->files_list().Count(), 40);
  services_.ui.QueueAnswer(Answer::kNo);
  window->findChild<QAction*>("PrintCatalog1")->trigger();
  EXPECT_EQ(services_.ui.last().text, "Tag ALL files to CATALOG now?");
  EXPECT_TRUE(dialogs_.empty());
  EXPECT_EQ(window->files_list().TaggedCount(), 0);

  services_.ui.QueueAnswer(Answer::kYes);
  int pages = 0;
  OpenCatalog(*window, [&](TPrintCatMenu& menu) { pages = menu.page_count(); });
  EXPECT_EQ(dialogs_, (std::vector<std::string>{print::kCatalogWindowCaption}));
  EXPECT_EQ(window->files_list().TaggedCount(), 40);
  EXPECT_GT(pages, 0);

  // The files list window offers the same entry.
  window->FileListWindow1Click();
  ASSERT_NE(window->list_window(), nullptr);
  QAction* from_list = window->list_window()->findChild<QAction*>("PrintCatalog1");
  ASSERT_NE(from_list, nullptr);
  EXPECT_TRUE(from_list->isEnabled());
  from_list->trigger();
  EXPECT_EQ(dialogs_.size(), 2u);
}

TEST_F(PrintCatMenuTest, RowsShapeAndPagesFollowTheControlsAndGoBackToTheSettings) {
  auto window = Start({dir_.File("pics")});
  for (int i = 0; i < 40; ++i) window->files_list().SetTag(i, true);
  OpenCatalog(*window, [&](TPrintCatMenu& menu) {
    EXPECT_EQ(menu.SERows->value(), 5);
    EXPECT_TRUE(menu.RGShape[print::kSquare]->isChecked());
    EXPECT_TRUE(menu.RGDimension[0]->isChecked());
    EXPECT_TRUE(menu.RBCurrentPage->isChecked());
    EXPECT_EQ(menu.RGDimension[5]->text(), "1280x1024 File");
    EXPECT_EQ(menu.RGDimension[6]->text(), "PDF File");
    // 640 x 480 pages of 5 rows, Square: 35 a page, 40 entries on 2 pages.
    menu.RGDimension[2]->click();
    EXPECT_EQ(menu.page_count(), 2);
    EXPECT_EQ(menu.LTotal->text(), "Total Pages: 2");
    EXPECT_EQ(menu.SEPageNum->maximum(), 2);
    menu.SERows->setValue(2);  // t = 226, two a row, four a page
    EXPECT_EQ(menu.page_count(), 10);
    menu.RGShape[print::kPoster]->click();  // 169 wide: three a row
    EXPECT_EQ(menu.page_count(), 7);
    // Too many rows for a small page: the layout error, no pages.
    menu.RGDimension[1]->click();
    menu.SERows->setValue(20);
    EXPECT_EQ(menu.page_count(), 0);
    EXPECT_EQ(services_.ui.last().text, print::kBuildError);
    menu.SERows->setValue(4);
    QTest::keyClick(&menu, Qt::Key_Escape);
  });
  EXPECT_EQ(window->settings().print_rows, 4);
  EXPECT_EQ(window->settings().print_style, 0);
}

TEST_F(PrintCatMenuTest, PreviewNamesThePointedCellAndDoubleClickOpensItsLargePreview) {
  auto window = Start({dir_.File("pics")});
  for (int i = 0; i < 40; ++i) window->files_list().SetTag(i, true);
  OpenCatalog(*window, [&](TPrintCatMenu& menu) {
    menu.RGDimension[2]->click();
    menu.SEPageNum->setValue(2);
    menu.BPreview->click();
    // Page 2 holds entries 35..39: p45 .. p49.
    ASSERT_EQ(menu.cells().size(), 5u);
    EXPECT_EQ(menu.cells()[0].name, "p45.bmp");
    EXPECT_EQ(menu.cells()[0].list_index, 35);
    const print::PageRect r = menu.cells()[1].rect;
    const QPoint inside((r.left + r.right) / 2, (r.top + r.bottom) / 2);
    // A 24 x 24 grey-gradient thumbnail: not the white page there.
    EXPECT_NE(menu.preview_image().pixelColor(inside), QColor(Qt::white));
    MoveOver(menu.preview_panel(), inside);
    EXPECT_EQ(menu.LPointed->text(), "p46.bmp");
    EXPECT_EQ(menu.preview_panel()->cursor().shape(), Qt::PointingHandCursor);
    MoveOver(menu.preview_panel(), QPoint(290, 380));
    EXPECT_EQ(menu.LPointed->text(), "");
    QTest::mouseDClick(menu.preview_panel(), Qt::LeftButton, {}, inside);
    EXPECT_EQ(window->files_list().Current(), 36);
    ASSERT_NE(window->list_window(), nullptr);
    EXPECT_EQ(window->list_window()->previews().OpenCount(), 1);
    // Auto preview rebuilds on a page change.
    menu.CBPreview->click();
    menu.SEPageNum->setValue(1);
    EXPECT_EQ(menu.cells().size(), 35u);
  });
  if (window->list_window() != nullptr) window->list_window()->previews().RemoveAllPreviews();
}

TEST_F(PrintCatMenuTest, PageFilesThroughTheSaveDialogWithTheStopQuestion) {
  auto window = Start({dir_.File("pics")});
  for (int i = 0; i < 40; ++i) window->files_list().SetTag(i, true);
  const std::string chosen = dir_.File("out/CAT.JPG");
  std::filesystem::create_directories(dir_.File("out"));
  OpenCatalog(*window, [&](TPrintCatMenu& menu) {
    menu.RGDimension[2]->click();
    menu.RBAll->click();
    // A wrong extension saves nothing.
    services_.ui.QueueText(dir_.File("out/CAT.PNG"));
    menu.BOutput->click();
    EXPECT_EQ(services_.ui.last().text, print::kExtensionMessage);
    EXPECT_TRUE(std::filesystem::is_empty(dir_.File("out")));

    // The stop button during the first page: OK goes on with the rest.
    services_.ui.QueueText(chosen);
    services_.please_wait.StopWhenTextContains("Saving:CAT_1.JPG");
    services_.ui.QueueAnswer(Answer::kOk);
    menu.BOutput->click();
    EXPECT_EQ(services_.ui.calls()[services_.ui.calls().size() - 2].title,
              "Save catalog page(s) AS...");
    EXPECT_EQ(services_.ui.last().text, print::CancelQuestion("SAVE"));
    EXPECT_TRUE(std::filesystem::exists(dir_.File("out/CAT_1.JPG")));
    EXPECT_TRUE(std::filesystem::exists(dir_.File("out/CAT_2.JPG")));
    // The preview of the current page is rebuilt after all pages.
    EXPECT_EQ(menu.cells().size(), 35u);

    // Existing page files ask first; Cancel writes nothing.
    const auto stamp = std::filesystem::last_write_time(dir_.File("out/CAT_2.JPG"));
    services_.ui.QueueText(chosen);
    services_.ui.QueueAnswer(Answer::kCancel);
    menu.BOutput->click();
    EXPECT_EQ(services_.ui.last().text, print::kOverwriteQuestion);
    EXPECT_EQ(std::filesystem::last_write_time(dir_.File("out/CAT_2.JPG")), stamp);
    EXPECT_EQ(services_.ui.pending(), 0u);
  });
}

TEST_F(PrintCatMenuTest, PdfFileDestinationWritesTheChosenPagesIntoOnePdf) {
  if (std::system("command -v pdfinfo >/dev/null 2>&1") != 0) GTEST_SKIP() << "no pdfinfo";
  auto window = Start({dir_.File("pics")});
  for (int i = 0; i < 40; ++i) window->files_list().SetTag(i, true);
  const std::string pdf = dir_.File("catalog.pdf");
  OpenCatalog(*window, [&](TPrintCatMenu& menu) {
    menu.SERows->setValue(3);
    menu.RGDimension[print::ui::kPdfDestination]->click();
    ASSERT_GE(menu.page_count(), 3);
    menu.RBPageRange->click();
    menu.EPages->setText("1,3");
    services_.ui.QueueText(pdf);
    menu.BOutput->click();
  });
  FILE* pipe = ::popen(("pdfinfo '" + pdf + "' 2>/dev/null").c_str(), "r");
  ASSERT_NE(pipe, nullptr);
  std::string info;
  char buffer[1024];
  size_t n = 0;
  while ((n = std::fread(buffer, 1, sizeof(buffer), pipe)) > 0) info.append(buffer, n);
  ::pclose(pipe);
  EXPECT_NE(info.find("Pages:           2"), std::string::npos) << info;
  EXPECT_NE(info.find("Veldrimon-Thumb Catalog"), std::string::npos) << info;
}

// The darkest channel of the darkest pixel in columns x0..x1-1 of rows y0..y1-1.
int Darkest(const QImage& page, int x0, int x1, int y0, int y1) {
  int darkest = 255;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const QColor c = page.pixelColor(x, y);
      darkest = std::min({darkest, c.red(), c.green(), c.blue()});
    }
  }
  return darkest;
}

TEST_F(PrintCatMenuTest, NotesGoOnTheCaptionsSecondLineOfPageFilesWithoutMovingTheCells) {
  auto window = Start({dir_.File("pics")});
  for (int i = 0; i < 40; ++i) window->files_list().SetTag(i, true);
  // The first entry has a note too long for its cell, the second none.
  window->files_list().MutablePeek(0)->db_field =
      "Holidays at the lake, the long summer of the big storm";
  std::filesystem::create_directories(dir_.File("out"));
  OpenCatalog(*window, [&](TPrintCatMenu& menu) {
    EXPECT_FALSE(menu.CBNotes->isChecked());
    menu.RGDimension[2]->click();  // 640 x 480: t = 82, m = 14
    services_.ui.QueueText(dir_.File("out/PLAIN.BMP"));
    menu.BOutput->click();
    menu.CBNotes->click();
    services_.ui.QueueText(dir_.File("out/NOTED.BMP"));
    menu.BOutput->click();
    // The auto preview follows the notes box.
    menu.BPreview->click();
    const QImage noted_preview = menu.preview_image();
    ASSERT_FALSE(noted_preview.isNull());
    menu.CBPreview->click();
    menu.CBNotes->click();
    EXPECT_NE(menu.preview_image(), noted_preview);
  });
  const QImage plain(QString::fromStdString(dir_.File("out/PLAIN_1.BMP")));
  const QImage noted(QString::fromStdString(dir_.File("out/NOTED_1.BMP")));
  ASSERT_EQ(plain.size(), QSize(640, 480));
  ASSERT_EQ(noted.size(), QSize(640, 480));
  // Every thumbnail covers its cell whether or not the list has read its picture's size yet: a
  // 24 x 24 picture is thumbnailed at 24 x 24 (never larger) and stretched over the 82 x 82 cell.
  for (int x : {3, 78}) {
    for (int cell = 0; cell < 7; ++cell) {
      EXPECT_NE(plain.pixel(cell * 82 + x, 78) & 0xFFFFFFu, 0xFFFFFFu) << cell;
    }
  }
  // Only the first cell's caption band (x 0..81, y 82..95) differs: thumbnails, frames and
  // every other caption stay where they were.
  int outside = 0;
  for (int y = 0; y < 480; ++y) {
    for (int x = 0; x < 640; ++x) {
      if (x < 82 && y >= 82 && y < 96) continue;
      if (plain.pixel(x, y) != noted.pixel(x, y)) ++outside;
    }
  }
  EXPECT_EQ(outside, 0);
  EXPECT_NE(plain.copy(0, 82, 82, 14), noted.copy(0, 82, 82, 14));
  // Two lines in the band: the name in its upper half, the note in its lower half running the
  // whole width of the cell (cut with an ellipsis), where the plain name stops well short.
  EXPECT_LT(Darkest(noted, 0, 40, 82, 89), 128);
  EXPECT_LT(Darkest(noted, 0, 40, 89, 96), 128);
  EXPECT_LT(Darkest(noted, 60, 82, 89, 96), 128);
  EXPECT_GT(Darkest(plain, 60, 82, 82, 96), 128);
  EXPECT_GT(Darkest(noted, 60, 82, 82, 89), 128);
}

TEST_F(PrintCatMenuTest, OnlyOnePassRunsAtATime) {
  auto window = Start({dir_.File("pics")});
  for (int i = 0; i < 40; ++i) window->files_list().SetTag(i, true);
  OpenCatalog(*window, [&](TPrintCatMenu& menu) {
    menu.RGDimension[2]->click();
    const int before = menu.passes();
    int nested = 0;
    // Events handled during the preview ask for more passes: none of them starts.
    services_.pump.on_pump = [&](int) {
      if (!menu.busy()) return;
      ++nested;
      menu.CountPages();
      menu.BuildPreview();
      menu.OutputPages();
    };
    menu.BPreview->click();
    services_.pump.on_pump = nullptr;
    EXPECT_GT(nested, 0);
    EXPECT_EQ(menu.passes(), before + 1);
    EXPECT_EQ(menu.cells().size(), 35u);
  });
}

}  // namespace
}  // namespace vr::shell::ui
