// The album manager window over real album folders: the tree, making, renaming and deleting
// albums, loading with a missing file, tags kept across sorting, removing tagged entries from a
// normal album (files kept) and a folder album (files into the bin), and the files list exchange.
#include <QAbstractItemModel>
#include <QApplication>
#include <QCheckBox>
#include <QDropEvent>
#include <QEnterEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>
#include <filesystem>
#include <fstream>

#include "albums/album_file.h"
#include "albums/ui/album_list_menu.h"
#include "albums/ui/album_prop_menu.h"
#include "fakes/fake_services.h"
#include "lists/files_list.h"
#include "lists/recycle/recycle_bin.h"
#include "lists/window/tag_ops.h"
#include "notes/ui/resolve_list_menu.h"
#include "test_support/temp_dir.h"
#include "tests/list_window_ui/qt_app.h"

namespace vr::albums::ui {
namespace {

[[maybe_unused]] auto* const kQtEnv =
    ::testing::AddGlobalTestEnvironment(new list_window::QtAppEnvironment);

namespace fs = std::filesystem;
using platform::Answer;

class AlbumWindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    fake_.folders.SetProgramFolder(dir_.Path() + "/");
    fake_.folders.SetTempFolder(dir_.File("tmp") + "/");
    fs::create_directories(dir_.File("tmp"));
    root_ = dir_.File("Albums_Veldrimon") + "/";
    fs::create_directories(root_ + "Holiday/Beach");
    pics_ = dir_.File("pics") + "/";
    fs::create_directories(pics_);
    lists::ListServices list_services;
    list_services.files = &fake_.files;
    list_ = std::make_unique<lists::FilesList>(list_services);
    recycle::BinServices bin_services;
    bin_services.files = &fake_.files;
    bin_services.ui = &fake_.ui;
    bin_ = std::make_unique<recycle::RecycleBin>(bin_services,
                                                 recycle::RecycleBin::FolderIn(dir_.Path() + "/"));
    ASSERT_TRUE(bin_->Start());
  }
  std::unique_ptr<TAlbumListMenu> Open() {
    AlbumWindowServices s;
    s.platform = fake_.services();
    s.files_list = list_.get();
    s.allowable = &list_->allowable();
    s.bin = bin_.get();
    s.files_list_changed = [this] { ++list_changes_; };
    s.tag_ops = [this] {
      if (!ops_) {
        list_window::TagServices t;
        t.ui = &fake_.ui;
        t.files = &fake_.files;
        t.bin = bin_.get();
        ops_ = std::make_unique<list_window::TagOperations>(*list_, t);
      }
      return ops_.get();
    };
    auto menu = std::make_unique<TAlbumListMenu>(std::move(s));
    // The comments editor and the properties dialog are answered in place.
    menu->comments_script = [](QWidget* editor) {
      editor->findChild<QPlainTextEdit*>("Memo1")->setPlainText("made by the test");
    };
    menu->properties_script = [this](QWidget* dialog) {
      auto* props = static_cast<TAlbumPropMenu*>(dialog);
      if (lock_to_.empty()) {
        props->ApplyClick();
        return;
      }
      props->FolderEdit()->setText(QString::fromStdString(lock_to_));
      props->FolderButton()->click();
      props->ApplyClick();
    };
    menu->show();
    return menu;
  }
  std::string Pic(const std::string& name, const std::string& bytes = "x") {
    std::ofstream(pics_ + name, std::ios::binary) << bytes;
    return pics_ + name;
  }
  AlbumEntry Entry(const std::string& path) {
    AlbumEntry e;
    e.path = path;
    if (auto st = fake_.files.Stat(path)) {
      e.size = st->size;
      e.stamp = st->dos_stamp;
    }
    return e;
  }
  std::vector<std::string> Labels(QTreeWidgetItem* item) {
    std::vector<std::string> out;
    for (int i = 0; i < item->childCount(); ++i) out.push_back(item->child(i)->text(0).toStdString());
    return out;
  }

  test_support::TempDir dir_;
  fakes::FakeServices fake_;
  std::unique_ptr<lists::FilesList> list_;
  std::unique_ptr<recycle::RecycleBin> bin_;
  std::unique_ptr<list_window::TagOperations> ops_;
  std::string root_, pics_, lock_to_;
  int list_changes_ = 0;
};

TEST_F(AlbumWindowTest, TreeNewRenameAndDelete) {
  auto menu = Open();
  QTreeWidgetItem* root = menu->Tree()->topLevelItem(0);
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->text(0).toStdString(), "Albums_Veldrimon");
  EXPECT_EQ(Labels(root), std::vector<std::string>{"Holiday"});
  EXPECT_EQ(Labels(root->child(0)), std::vector<std::string>{"Beach"});
  ASSERT_TRUE(menu->SelectAlbum("Holiday/Beach"));
  EXPECT_EQ(menu->windowTitle().toStdString(), "[ Beach ] Album's Manager ");
  EXPECT_EQ(menu->SelectedFolder(), root_ + "Holiday/Beach/");

  // Two new albums under the root; the first renamed; the next new one is "New Album 1" again.
  menu->SelectAlbum(".");
  menu->AddAlbumClick();
  menu->SelectAlbum(".");
  menu->AddAlbumClick();
  EXPECT_EQ(Labels(root), (std::vector<std::string>{"Holiday", "New Album 1", "New Album 2"}));
  EXPECT_EQ(ReadComments(root_ + "New Album 1"), "made by the test");
  ASSERT_TRUE(menu->SelectAlbum("New Album 1"));
  // "../x" would move the album out of the tree: refused with the rename error.
  EXPECT_FALSE(menu->RenameSelected("../x"));
  EXPECT_EQ(fake_.ui.last().text,
            "Error in renaming \"New Album 1\" Album Folder. Either invalid characters were used "
            "or the folder already exists. ALBUM NOT RENAMED!");
  EXPECT_EQ(menu->SelectedName(), "New Album 1");
  EXPECT_FALSE(fs::exists(dir_.File("x")));
  EXPECT_TRUE(menu->RenameSelected("Family"));
  EXPECT_TRUE(fs::is_directory(root_ + "Family"));
  menu->SelectAlbum(".");
  menu->AddAlbumClick();
  EXPECT_TRUE(fs::is_directory(root_ + "New Album 1"));

  // Deleting: the root and an album with sub-albums refuse; a user's file keeps the folder and
  // the node; otherwise the album goes.
  menu->SelectAlbum("Holiday");
  fake_.ui.QueueAnswer(Answer::kYes);
  menu->DeleteAlbumClick();
  EXPECT_EQ(fake_.ui.last().text,
            "The \"Holiday\" Album has SUB-Albums. You must FIRST delete the SUB-Albums. Sorry :(");
  std::ofstream(root_ + "Family/mine.txt") << "mine";
  menu->SelectAlbum("Family");
  fake_.ui.QueueAnswer(Answer::kYes);
  menu->DeleteAlbumClick();
  EXPECT_TRUE(fs::exists(root_ + "Family/mine.txt"));
  EXPECT_FALSE(fs::exists(root_ + "Family/Album_Comments.Txt"));
  EXPECT_EQ(menu->SelectedName(), "Family");
  EXPECT_NE(fake_.ui.last().text.find("You have accidentally moved other files into the "
                                      "\"Family\" Album Folder"),
            std::string::npos);
  menu->SelectAlbum("New Album 2");
  fake_.ui.QueueAnswer(Answer::kYes);
  menu->DeleteAlbumClick();
  EXPECT_FALSE(fs::exists(root_ + "New Album 2"));
  EXPECT_EQ(Labels(root), (std::vector<std::string>{"Family", "Holiday", "New Album 1"}));
}

TEST_F(AlbumWindowTest, LoadTagsSortAndRemoveTaggedFromANormalAlbum) {
  const std::string b = Pic("b.jpg");
  const std::string a = Pic("a.jpg");
  fs::create_directories(pics_ + "sub");
  std::ofstream(pics_ + "sub/c.jpg") << "c";
  const std::string c = pics_ + "sub/c.jpg";
  AlbumEntry gone = Entry(a);
  gone.path = pics_ + "gone.jpg";
  ASSERT_TRUE(WriteAlbumFile(root_ + "Holiday/Album.Txt", {Entry(b), Entry(a), Entry(c), gone}));
  auto menu = Open();
  // The missing file brings up the resolve window; leaving it with the link unresolved and
  // keeping the entry.
  bool resolve_seen = false;
  QTimer::singleShot(0, [&] {
    auto* resolve = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    ASSERT_NE(resolve, nullptr);
    resolve_seen = resolve->objectName() == "TResolveListMenu";
    resolve->close();
  });
  fake_.ui.QueueChoice(2);            // "Exit with unresolved links"
  fake_.ui.QueueAnswer(Answer::kNo);  // keep the unresolved entry
  menu->SelectAlbum("Holiday");
  EXPECT_TRUE(resolve_seen);
  ASSERT_EQ(menu->Entries().size(), 4u);
  EXPECT_EQ(menu->Entries()[0].path, a);  // sorted by file name
  EXPECT_EQ(menu->Totals(), "Total Files:4 Total Tagged:0 Total Hi-Lited:1");

  // Tag b and c through the check boxes; sorting by folder (twice: reversed) keeps the tags.
  QAbstractItemModel* model = menu->List()->model();
  for (int row = 0; row < 4; ++row) {
    const std::string& p = menu->Entries()[static_cast<size_t>(row)].path;
    if (p == b || p == c) model->setData(model->index(row, 0), Qt::Checked, Qt::CheckStateRole);
  }
  EXPECT_EQ(menu->Totals(), "Total Files:4 Total Tagged:2 Total Hi-Lited:1");
  menu->SortBy(1);
  EXPECT_EQ(menu->Entries().back().path, c);
  menu->SortBy(1);
  EXPECT_EQ(menu->Entries().front().path, c);
  for (const AlbumEntry& e : menu->Entries()) EXPECT_EQ(e.tagged, e.path == b || e.path == c);
  EXPECT_EQ(menu->Totals(), "Total Files:4 Total Tagged:2 Total Hi-Lited:1");

  // Removing tagged entries of a normal album leaves the files alone.
  fake_.ui.QueueAnswer(Answer::kYesToAll);
  menu->RemoveTaggedClick();
  EXPECT_EQ(fake_.ui.last().text.substr(0, 76),
            "The following file is about to be REMOVED from the \"Holiday\" Album. Are you ");
  EXPECT_TRUE(fs::exists(b));
  EXPECT_TRUE(fs::exists(c));
  const std::vector<AlbumEntry> stored = ReadAlbumFile(root_ + "Holiday/Album.Txt");
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(menu->Totals(), "Total Files:2 Total Tagged:0 Total Hi-Lited:1");

  // "&2)": the files list holds just the album's files that are there (a; gone.jpg is not);
  // the window closes.
  list_->AddFileToList(6000, b);
  fake_.ui.QueueAnswer(Answer::kYes);
  menu->AddToFilesListClick(true);
  ASSERT_EQ(list_->Count(), 1);
  EXPECT_EQ(list_->EntryAt(0)->Path(), a);
  EXPECT_EQ(list_changes_, 1);
  EXPECT_FALSE(menu->isVisible());
}

TEST_F(AlbumWindowTest, FolderAlbumRemovesIntoTheBinAndUnlockingShowsTheStoredList) {
  const std::string locked = dir_.File("locked") + "/";
  fs::create_directories(locked);
  std::ofstream(locked + "one.jpg") << "1";
  std::ofstream(locked + "two.jpg") << "2";
  const std::string stored = Pic("stored.jpg");
  ASSERT_TRUE(WriteAlbumFile(root_ + "Holiday/Album.Txt", {Entry(stored)}));
  ASSERT_TRUE(WriteSyncFolder(root_ + "Holiday", locked));
  auto menu = Open();
  EXPECT_FALSE(menu->bin_shown_full());
  menu->SelectAlbum("Holiday");
  ASSERT_EQ(menu->Entries().size(), 2u);
  menu->Highlight({0, 1});
  menu->TagHighlightedClick(true);
  fake_.ui.QueueAnswer(Answer::kYes);
  fake_.ui.QueueAnswer(Answer::kNo);
  menu->RemoveTaggedClick();
  // From the last entry to the first: two.jpg binned, one.jpg kept.
  EXPECT_FALSE(fs::exists(locked + "two.jpg"));
  EXPECT_TRUE(fs::exists(locked + "one.jpg"));
  EXPECT_EQ(bin_->CountEntries(), 1);
  EXPECT_TRUE(menu->bin_shown_full());
  ASSERT_EQ(menu->Entries().size(), 1u);
  // The folder album's removal never replaced the stored list; back to NORMAL shows it.
  menu->properties_script = [](QWidget* dialog) {
    auto* props = static_cast<TAlbumPropMenu*>(dialog);
    props->NormalButton()->click();
    props->ApplyClick();
  };
  menu->PropertiesClick();
  EXPECT_EQ(fake_.ui.last().text, TAlbumPropMenu::kUnlockText);
  ASSERT_EQ(menu->Entries().size(), 1u);
  EXPECT_EQ(menu->Entries()[0].path, stored);

  // A folder album whose folder is gone warns and opens the properties.
  ASSERT_TRUE(WriteSyncFolder(root_ + "Holiday/Beach", dir_.File("nowhere") + "/"));
  int props_opened = 0;
  menu->properties_script = [&](QWidget* dialog) {
    ++props_opened;
    static_cast<TAlbumPropMenu*>(dialog)->CancelClick();
  };
  menu->SelectAlbum("Holiday/Beach");
  EXPECT_EQ(fake_.ui.MessageTexts().back(),
            "Your \"Beach\" Album is locked to a folder that does NOT exist. Change the Album "
            "properties to correct this error!");
  EXPECT_EQ(props_opened, 1);
}

TEST_F(AlbumWindowTest, ExitHeldDownAbortsALongLoad) {
  const std::string here = Pic("here.jpg");
  std::vector<AlbumEntry> many(20000, Entry(here));
  ASSERT_TRUE(WriteAlbumFile(root_ + "Holiday/Album.Txt", many));
  auto menu = Open();
  auto* exit = menu->findChild<QPushButton*>("BExit");
  ASSERT_NE(exit, nullptr);
  // The mouse button goes down on "E&xit" while the load runs (the load lets events in every
  // 100 lines).
  fake_.pump.on_pump = [&](int n) {
    if (n == 3) emit exit->pressed();
  };
  menu->SelectAlbum("Holiday");
  fake_.pump.on_pump = nullptr;
  EXPECT_TRUE(menu->Entries().empty());
  EXPECT_EQ(menu->Totals(), "Load Aborted Load Aborted Total Hi-Lited:0");
  EXPECT_TRUE(menu->List()->isHidden());
  // Selecting it again loads it whole.
  menu->LoadSelected(true);
  EXPECT_EQ(menu->Entries().size(), 20000u);
  EXPECT_EQ(menu->Totals(), "Total Files:20000 Total Tagged:0 Total Hi-Lited:1");
}

// The mouse entering a control, as the window system reports it.
void Hover(QWidget* w) {
  const QPointF inside(2, 2);
  QEnterEvent enter(inside, w->mapTo(w->window(), inside), w->mapToGlobal(inside));
  QApplication::sendEvent(w, &enter);
}

// Opens the tree's pop-up and moves onto each entry named in `captions` in turn, collecting the
// status bar's text after each; `bare` gets the entries without a hint. Then closes the pop-up.
std::vector<std::string> PopUpHints(TAlbumListMenu* menu, const std::vector<QString>& captions,
                                    const std::function<std::string()>& status,
                                    std::vector<std::string>* bare) {
  std::vector<std::string> seen;
  auto* timer = new QTimer;
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, [&, timer] {
    auto* popup = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (popup == nullptr || popup->objectName() != "TreePopUp") return;
    timer->stop();
    timer->deleteLater();
    for (const QString& caption : captions) {
      for (QAction* action : popup->actions()) {
        if (action->text() == caption) popup->setActiveAction(action);
      }
      seen.push_back(status());
    }
    for (QAction* action : popup->actions()) {
      if (!action->isSeparator() && action->statusTip().isEmpty()) {
        bare->push_back(action->text().toStdString());
      }
    }
    popup->close();
  });
  timer->start();
  emit menu->Tree()->customContextMenuRequested(QPoint(4, 4));
  return seen;
}

TEST_F(AlbumWindowTest, ButtonsAndPopUpEntriesShowTheirHintsInTheStatusBar) {
  auto menu = Open();
  const auto status = [&] { return menu->StatusText(); };
  // Every button and the check box carries a hint.
  for (QPushButton* b : menu->findChildren<QPushButton*>()) {
    EXPECT_FALSE(b->statusTip().isEmpty()) << b->objectName().toStdString();
  }
  EXPECT_FALSE(menu->LoadIntoFilesList()->statusTip().isEmpty());
  const std::pair<const char*, const char*> buttons[] = {
      {"BAddAlbum", "Add a new Album below the HI-LITED Album"},
      {"B3", "ADD ALL or the TAGGED files of the Files List to the HI-LITED Album"},
      {"TBTrash", "Remove TAGGED files from the Album (Alt+D)"},
      {"BExit", "Close the Album(s) Manager (Escape)"}};
  for (const auto& [name, hint] : buttons) {
    auto* button = menu->findChild<QPushButton*>(name);
    ASSERT_NE(button, nullptr) << name;
    Hover(button);
    EXPECT_EQ(status(), hint) << name;
  }
  // Leaving a button clears its hint.
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(menu->findChild<QPushButton*>("BExit"), &leave);
  EXPECT_EQ(status(), "");

  std::vector<std::string> bare;
  const std::vector<std::string> seen =
      PopUpHints(menu.get(), {"Rename HI-LITED Album", "Pick folder for Album Tree (Profile)",
                              "Comments For Album"},
                 status, &bare);
  EXPECT_EQ(seen, (std::vector<std::string>{"Rename the HI-LITED Album",
                                            "Pick the folder that holds the Album Tree (Profile)",
                                            "Edit the Comments of the HI-LITED Album"}));
  // Every pop-up entry has one.
  EXPECT_TRUE(bare.empty()) << bare.size() << " entries without a hint";
}

// A real drop of file URLs at `at` on `target` (a view's viewport).
void Drop(QWidget* target, QPoint at, const std::vector<std::string>& paths,
          Qt::DropAction action = Qt::CopyAction) {
  QMimeData data;
  QList<QUrl> urls;
  for (const std::string& p : paths) urls.push_back(QUrl::fromLocalFile(QString::fromStdString(p)));
  data.setUrls(urls);
  QDropEvent enter(QPointF(at), action, &data, Qt::LeftButton, Qt::NoModifier, QEvent::DragEnter);
  QApplication::sendEvent(target, &enter);
  QDropEvent drop(QPointF(at), action, &data, Qt::LeftButton, Qt::NoModifier, QEvent::Drop);
  QApplication::sendEvent(target, &drop);
}

TEST_F(AlbumWindowTest, DropsOnLabelsListAndEmptyTree) {
  const std::string a = Pic("a.jpg");
  const std::string comma = Pic("x,y.jpg");
  fs::create_directories(pics_ + "folder");
  std::ofstream(pics_ + "folder/f1.gif") << "f";
  std::ofstream(pics_ + "folder/f2.txt") << "t";
  auto menu = Open();
  QTreeWidget* tree = menu->Tree();
  QTreeWidgetItem* holiday = tree->topLevelItem(0)->child(0);
  ASSERT_EQ(holiday->text(0), "Holiday");
  QWidget* viewport = tree->viewport();

  // Onto the label of an album that is not selected: two items ask first; the same file twice
  // gives one entry; a comma path survives.
  fake_.ui.QueueAnswer(Answer::kYes);
  Drop(viewport, tree->visualItemRect(holiday).center(), {a, comma, a});
  EXPECT_EQ(fake_.ui.last().text,
            "About to DROP 3 items onto the \"Holiday\" Album.\r\rDo you wish to ACCECPT the "
            "DROPPINGS?");
  std::vector<AlbumEntry> stored = ReadAlbumFile(root_ + "Holiday/Album.Txt");
  ASSERT_EQ(stored.size(), 2u);
  EXPECT_EQ(stored[0].path, a);
  EXPECT_EQ(stored[1].path, comma);

  // An empty part of the tree takes nothing.
  const size_t calls = fake_.ui.calls().size();
  Drop(viewport, QPoint(5, viewport->height() - 3), {a});
  ASSERT_EQ(fake_.ui.calls().size(), calls + 1);
  EXPECT_EQ(fake_.ui.last().text,
            "You can NOT DROP onto an empty part of the Album Window. You need to DROP onto an "
            "actual Album name label.");

  // A folder onto an empty selected album: not locked (No), its allowable files come in.
  menu->SelectAlbum("Holiday/Beach");
  fake_.ui.QueueAnswer(Answer::kYes);  // accept the folder
  fake_.ui.QueueAnswer(Answer::kNo);   // do not lock
  Drop(menu->List()->viewport(), QPoint(10, 10), {pics_ + "folder"});
  ASSERT_EQ(menu->Entries().size(), 1u);
  EXPECT_EQ(menu->Entries()[0].path, pics_ + "folder/f1.gif");
  // The same file dropped on the list again stays one entry.
  Drop(menu->List()->viewport(), QPoint(10, 10), {pics_ + "folder/f1.gif"});
  EXPECT_EQ(menu->Entries().size(), 1u);
  EXPECT_EQ(ReadAlbumFile(root_ + "Holiday/Beach/Album.Txt").size(), 1u);
}

TEST_F(AlbumWindowTest, DropIntoAFolderAlbumCopiesAndAsksBeforeOverwriting) {
  const std::string locked = dir_.File("locked") + "/";
  fs::create_directories(locked);
  std::ofstream(locked + "b.jpg") << "old";
  ASSERT_TRUE(WriteSyncFolder(root_ + "Holiday", locked));
  const std::string a = Pic("a.jpg", "new a");
  const std::string b = Pic("b.jpg", "new b");
  auto menu = Open();
  menu->SelectAlbum("Holiday");
  ASSERT_EQ(menu->Entries().size(), 1u);
  fake_.ui.QueueAnswer(Answer::kYes);  // two items
  fake_.ui.QueueAnswer(Answer::kYes);  // copy into the locked folder
  fake_.ui.QueueAnswer(Answer::kYes);  // overwrite b.jpg
  Drop(menu->List()->viewport(), QPoint(10, 10), {a, b});
  const std::vector<std::string> texts = fake_.ui.MessageTexts();
  ASSERT_GE(texts.size(), 3u);
  EXPECT_NE(texts[1].find("Do you wish to COPY the dropped files into that folder?"),
            std::string::npos);
  EXPECT_NE(texts[2].find("File ALREADY exists in destination"), std::string::npos);
  EXPECT_EQ(menu->Entries().size(), 2u);
  std::ifstream in(locked + "b.jpg");
  std::string content((std::istreambuf_iterator<char>(in)), {});
  EXPECT_EQ(content, "new b");
  EXPECT_TRUE(fs::exists(a));  // copied, not moved
}

QTreeWidgetItem* ChildNamed(QTreeWidgetItem* parent, const char* name) {
  for (int i = 0; i < parent->childCount(); ++i) {
    if (parent->child(i)->text(0) == name) return parent->child(i);
  }
  return nullptr;
}

// Drags out of the window onto other albums of its own tree, with the move effect: a normal
// source gives its entries up (a comma path included), a folder source keeps them and says so,
// and a move into a folder album moves the file and takes it out of the source's list.
TEST_F(AlbumWindowTest, MoveDragsOntoOtherAlbumsFollowTheAfterMoveRules) {
  fs::create_directories(root_ + "Family");
  const std::string a = Pic("a.jpg");
  const std::string comma = Pic("x,y.jpg");
  ASSERT_TRUE(WriteAlbumFile(root_ + "Holiday/Album.Txt", {Entry(a), Entry(comma)}));
  auto menu = Open();
  QTreeWidget* tree = menu->Tree();
  QTreeWidgetItem* holiday = ChildNamed(tree->topLevelItem(0), "Holiday");
  QTreeWidgetItem* family = ChildNamed(tree->topLevelItem(0), "Family");
  ASSERT_NE(family, nullptr);
  tree->expandItem(holiday);
  QTreeWidgetItem* beach = ChildNamed(holiday, "Beach");
  ASSERT_NE(beach, nullptr);
  // The drop lands on `target`'s label while the drag runs.
  QTreeWidgetItem* target = nullptr;
  std::vector<std::string> dragged;
  menu->drag_script = [&](const std::vector<std::string>& paths) {
    dragged = paths;
    Drop(tree->viewport(), tree->visualItemRect(target).center(), paths, Qt::MoveAction);
    return Qt::MoveAction;
  };

  // From the normal Holiday's list onto Beach: two items asked about, both go.
  menu->SelectAlbum("Holiday");
  menu->Highlight({0, 1});
  target = beach;
  fake_.ui.QueueAnswer(Answer::kYes);
  menu->StartDrag(false);
  EXPECT_EQ(dragged, (std::vector<std::string>{a, comma}));
  std::vector<AlbumEntry> on_beach = ReadAlbumFile(root_ + "Holiday/Beach/Album.Txt");
  ASSERT_EQ(on_beach.size(), 2u);
  EXPECT_EQ(on_beach[1].path, comma);
  EXPECT_TRUE(menu->Entries().empty());
  EXPECT_TRUE(ReadAlbumFile(root_ + "Holiday/Album.Txt").empty());
  EXPECT_TRUE(fs::exists(a));  // albums only hold paths

  // Holiday locked to a folder, dragged whole from the tree onto the normal Family: Family gets
  // the file, Holiday keeps it and tells why.
  const std::string one = dir_.File("one") + "/";
  const std::string two = dir_.File("two") + "/";
  fs::create_directories(one);
  fs::create_directories(two);
  std::ofstream(one + "f.jpg") << "f";
  ASSERT_TRUE(WriteSyncFolder(root_ + "Holiday", one));
  menu->LoadSelected(true);
  ASSERT_EQ(menu->Entries().size(), 1u);
  target = family;
  fake_.ui.Clear();
  menu->StartDrag(true);
  ASSERT_EQ(ReadAlbumFile(root_ + "Family/Album.Txt").size(), 1u);
  EXPECT_EQ(ReadAlbumFile(root_ + "Family/Album.Txt")[0].path, one + "f.jpg");
  EXPECT_EQ(menu->Entries().size(), 1u);
  EXPECT_EQ(fake_.ui.MessageTexts(),
            std::vector<std::string>{"When MOVING from a LOCKED Album to a NORMAL Album the files "
                                     "will NOT be deleted from the source LOCKED Album!"});

  // Onto Beach locked to another folder: the file moves there and leaves Holiday's list.
  ASSERT_TRUE(WriteSyncFolder(root_ + "Holiday/Beach", two));
  target = beach;
  fake_.ui.Clear();
  fake_.ui.QueueAnswer(Answer::kYes);  // move into Beach's folder
  menu->StartDrag(true);
  ASSERT_FALSE(fake_.ui.MessageTexts().empty());
  EXPECT_NE(fake_.ui.MessageTexts()[0].find("Do you wish to MOVE the dropped files into that "
                                            "folder?"),
            std::string::npos);
  EXPECT_TRUE(fs::exists(two + "f.jpg"));
  EXPECT_FALSE(fs::exists(one + "f.jpg"));
  EXPECT_TRUE(menu->Entries().empty());
  EXPECT_EQ(fake_.ui.MessageTexts().size(), 1u);  // no word about locked albums this time
}

using list_window::WhenModal;

// Three files of a folder that was renamed: the user finds the first in the resolve window, the
// other two follow it by the sibling rule, and the album lists all three at their new place,
// written back once.
TEST_F(AlbumWindowTest, ThreeMissingFilesOfAMovedFolderFixedByTheSiblingRule) {
  std::vector<platform::Drive> drives(1);
  drives[0].root = pics_;
  drives[0].type = platform::DriveType::kFixed;
  fake_.files.SetDrives(drives);
  fs::create_directories(pics_ + "old");
  std::vector<AlbumEntry> stored;
  for (const char* name : {"a.jpg", "b.jpg", "c.jpg"}) {
    const std::string path = pics_ + "old/" + name;
    std::ofstream(path, std::ios::binary) << std::string(10 + stored.size(), 'x');
    ASSERT_TRUE(fake_.files.SetModified(path, 1600000000));
    stored.push_back(Entry(path));
  }
  ASSERT_TRUE(WriteAlbumFile(root_ + "Holiday/Album.Txt", stored));
  fs::rename(pics_ + "old", pics_ + "new");
  auto menu = Open();

  WhenModal("TResolveListMenu", [&](QWidget* w) {
    auto* resolve = static_cast<notes::TResolveListMenu*>(w);
    ASSERT_EQ(resolve->Pairs().size(), 3u);
    WhenModal("PossibleFiles", [](QWidget* candidates) {
      auto* list = candidates->findChild<QListWidget*>("Candidates");
      list->setCurrentRow(0);
      candidates->findChild<QPushButton*>("BUseFile")->click();
    });
    resolve->List()->setCurrentRow(0);
    resolve->ResolveClick();
    EXPECT_TRUE(resolve->Pairs().empty());  // the siblings went with the first
    resolve->close();
  });
  menu->SelectAlbum("Holiday");
  ASSERT_EQ(menu->Entries().size(), 3u);
  for (size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(menu->Entries()[i].path, pics_ + "new/" + std::string(1, char('a' + i)) + ".jpg");
  }
  const std::vector<AlbumEntry> written = ReadAlbumFile(root_ + "Holiday/Album.Txt");
  ASSERT_EQ(written.size(), 3u);
  EXPECT_EQ(written[2].path, pics_ + "new/c.jpg");
  EXPECT_EQ(written[2].size, 12u);
  // No question about unresolved links: none was left.
  for (const std::string& text : fake_.ui.MessageTexts()) {
    EXPECT_EQ(text.find("links that did NOT get resolved"), std::string::npos);
  }
}

// A file name holding a line break cannot be stored as an "Album.Txt" line: the window names it
// in a warning, whether it comes from the files list or from a drop, and takes the others.
TEST_F(AlbumWindowTest, PathsWithALineBreakAreRefusedWithAMessage) {
  const std::string a = Pic("a.jpg");
  const std::string broken = Pic("two\nlines.jpg");
  list_->LoadPaths({a, broken}, 100);
  ASSERT_EQ(list_->Count(), 2);
  auto menu = Open();
  menu->SelectAlbum("Holiday");
  fake_.ui.Clear();
  fake_.ui.QueueChoice(1);  // "+ALL Files"
  menu->FromFilesListClick();
  const std::string warning =
      "These files can NOT be put into an Album: their names hold a line break.\r\r" + pics_ +
      "two\\nlines.jpg";
  ASSERT_EQ(fake_.ui.MessageTexts().size(), 2u);  // the choice box, then the warning
  EXPECT_EQ(fake_.ui.MessageTexts()[1], warning);
  EXPECT_EQ(fake_.ui.last().kind, platform::MessageKind::kWarning);
  std::vector<AlbumEntry> stored = ReadAlbumFile(root_ + "Holiday/Album.Txt");
  ASSERT_EQ(stored.size(), 1u);
  EXPECT_EQ(stored[0].path, a);

  // Dropped onto the list (the selected album), alone: the warning, and nothing changes.
  fake_.ui.Clear();
  Drop(menu->List()->viewport(), QPoint(10, 10), {broken});
  ASSERT_EQ(fake_.ui.MessageTexts().size(), 1u);
  EXPECT_EQ(fake_.ui.MessageTexts()[0], warning);
  EXPECT_EQ(menu->Entries().size(), 1u);
  EXPECT_EQ(ReadAlbumFile(root_ + "Holiday/Album.Txt").size(), 1u);
}

}  // namespace
}  // namespace vr::albums::ui
