#include "albums/ui/album_list_menu.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QCollator>
#include <QDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "albums/album_ops.h"
#include "albums/album_tree.h"
#include "albums/ui/album_list_model.h"
#include "albums/ui/album_prop_menu.h"
#include "lists/files_list.h"
#include "lists/recycle/recycle_bin.h"
#include "lists/window/ui/file_list_menu.h"
#include "notes/ui/resolve_list_menu.h"
#include "platform/files.h"
#include "platform/folders.h"
#include "platform/path_rules.h"
#include "platform/please_wait.h"
#include "platform/ui.h"

namespace vr::albums::ui {
namespace {

constexpr int kRelativeRole = Qt::UserRole;
constexpr int kFilledRole = Qt::UserRole + 1;

QPushButton* Button(const char* caption, const char* name, QLayout* layout, const char* hint) {
  auto* b = new QPushButton(caption);
  b->setObjectName(name);
  b->setToolTip(hint);
  b->setStatusTip(hint);
  layout->addWidget(b);
  return b;
}

// Hints of the buttons and of the tree's pop-up entries (a pop-up entry shares its button's).
constexpr const char* kAddHint = "Add a new Album below the HI-LITED Album";
constexpr const char* kRenameHint = "Rename the HI-LITED Album";
constexpr const char* kDeleteHint = "Delete the HI-LITED Album (it must hold no other Albums)";
constexpr const char* kCommentsHint = "Edit the Comments of the HI-LITED Album";
constexpr const char* kPropertiesHint =
    "Album type (NORMAL or FOLDER) and the folder a FOLDER Album is LOCKED to";
constexpr const char* kProfileHint = "Pick the folder that holds the Album Tree (Profile)";

// The folder icon with a small padlock drawn over it for albums locked to a folder.
QIcon LockedIcon(const QIcon& folder) {
  QPixmap pixmap = folder.pixmap(16, 16);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 1));
  p.setBrush(Qt::NoBrush);
  p.drawArc(QRectF(9, 6, 5, 6), 0, 180 * 16);
  p.setBrush(QColor(220, 170, 20));
  p.drawRect(QRectF(8, 9, 7, 6));
  return QIcon(pixmap);
}

}  // namespace

TAlbumListMenu::TAlbumListMenu(AlbumWindowServices services, QWidget* parent)
    : QWidget(parent, Qt::Window), services_(std::move(services)) {
  setObjectName("TAlbumListMenu");
  setWindowTitle("Album(s) Manager");
  auto* column = new QVBoxLayout(this);
  splitter_ = new QSplitter;
  auto* splitter = splitter_;
  tree_ = new QTreeWidget;
  tree_->setObjectName("TreeView1");
  tree_->setHeaderHidden(true);
  tree_->setContextMenuPolicy(Qt::CustomContextMenu);
  tree_->viewport()->installEventFilter(this);
  tree_->viewport()->setAcceptDrops(true);
  splitter->addWidget(tree_);

  auto* right = new QWidget;
  auto* right_column = new QVBoxLayout(right);
  right_column->setContentsMargins(0, 0, 0, 0);
  model_ = std::make_unique<AlbumListModel>(&entries_);
  list_ = new QTableView;
  list_->setObjectName("ListView1");
  list_->setModel(model_.get());
  list_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_->verticalHeader()->hide();
  list_->horizontalHeader()->setStretchLastSection(true);
  list_->horizontalHeader()->setSectionsClickable(true);
  list_->viewport()->installEventFilter(this);
  list_->viewport()->setAcceptDrops(true);
  right_column->addWidget(list_);
  if (services_.make_preview) {
    preview_ = services_.make_preview(right);
    if (preview_ != nullptr) {
      preview_->setMinimumHeight(120);
      right_column->addWidget(preview_);
    }
  }
  auto* totals = new QHBoxLayout;
  total_files_ = new QLabel("Total Files:0");
  total_files_->setObjectName("TotalFiles");
  total_tagged_ = new QLabel("Total Tagged:0");
  total_tagged_->setObjectName("TotalTagged");
  total_highlighted_ = new QLabel("Total Hi-Lited:0");
  total_highlighted_->setObjectName("TotalHiLited");
  totals->addWidget(total_files_);
  totals->addWidget(total_tagged_);
  totals->addWidget(total_highlighted_);
  right_column->addLayout(totals);
  splitter->addWidget(right);
  splitter->setStretchFactor(1, 2);
  column->addWidget(splitter, 1);

  auto* albums_row = new QHBoxLayout;
  auto* add = Button("&Add Album", "BAddAlbum", albums_row, kAddHint);
  auto* rename = Button("&Change Name", "BRename", albums_row, kRenameHint);
  auto* del = Button("D&elete Album", "BDeleteAlbum", albums_row, kDeleteHint);
  auto* comments = Button("Co&Mments", "BComments", albums_row, kCommentsHint);
  auto* props = Button("&Properties", "BProperties", albums_row, kPropertiesHint);
  auto* profile = Button("Al&bum Profile", "BProfile", albums_row, kProfileHint);
  column->addLayout(albums_row);
  auto* files_row = new QHBoxLayout;
  auto* one = Button("&1)  Add Album To Files List", "B1", files_row,
                     "ADD the Album's files to the end of the Files List and close this window");
  auto* two = Button("&2)  From Album To Files List", "B2", files_row,
                     "REPLACE the Files List with the Album's files and close this window");
  auto* three = Button("&3)  From Files List To Album", "B3", files_row,
                       "ADD ALL or the TAGGED files of the Files List to the HI-LITED Album");
  load_into_ = new QCheckBox("Load Into Files List");
  load_into_->setObjectName("CBLoadInto");
  files_row->addWidget(load_into_);
  load_into_->setToolTip("Show each loaded Album in the Files List Window as well");
  load_into_->setStatusTip(load_into_->toolTip());
  dock_button_ =
      Button("Doc&k", "BDock", files_row, "Dock the Album Tree into the Files List Window");
  dock_button_->setCheckable(true);
  dock_button_->setEnabled(static_cast<bool>(services_.list_window));
  column->addLayout(files_row);
  auto* tags_row = new QHBoxLayout;
  auto* tag = Button("Tag &Hi-Lited", "BTag", tags_row, "TAG the HI-LITED files");
  auto* untag = Button("&UnTag Hi-Lited", "BUnTag", tags_row, "UN-TAG the HI-LITED files");
  auto* none = Button("&No Tags", "BNoTags", tags_row, "UN-TAG every file of the Album");
  auto* flip = Button("&Flip Tags", "BFlipTags", tags_row,
                     "TAG the un-tagged files and UN-TAG the tagged ones");
  auto* trash = Button("", "TBTrash", tags_row, "Remove TAGGED files from the Album (Alt+D)");
  trash->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
  trash->setShortcut(QKeySequence(Qt::ALT | Qt::Key_D));
  auto* bin = Button("", "TBRecycle", tags_row, "Open the RECYCLE BIN (Alt+R)");
  bin->setIcon(style()->standardIcon(QStyle::SP_DialogDiscardButton));
  bin->setShortcut(QKeySequence(Qt::ALT | Qt::Key_R));
  bin->setEnabled(static_cast<bool>(services_.open_recycle_window));
  bin_button_ = bin;
  if (services_.bin != nullptr) {
    // The bin's glyph follows its state like the main window's buttons.
    bin_observer_ = services_.bin->SetStateObserver([this](bool full) { ShowBinState(full); });
    ShowBinState(services_.bin->IsFull());
  }
  exit_ = Button("E&xit", "BExit", tags_row, "Close the Album(s) Manager (Escape)");
  column->addLayout(tags_row);
  status_ = new QStatusBar;
  status_->setObjectName("StatusBar1");
  column->addWidget(status_);

  connect(add, &QPushButton::clicked, this, [this] { AddAlbumClick(); });
  connect(rename, &QPushButton::clicked, this, [this] { RenameClick(); });
  connect(del, &QPushButton::clicked, this, [this] { DeleteAlbumClick(); });
  connect(comments, &QPushButton::clicked, this, [this] { CommentsClick(); });
  connect(props, &QPushButton::clicked, this, [this] { PropertiesClick(); });
  connect(profile, &QPushButton::clicked, this, [this] { ProfileClick(); });
  connect(one, &QPushButton::clicked, this, [this] { AddToFilesListClick(false); });
  connect(two, &QPushButton::clicked, this, [this] { AddToFilesListClick(true); });
  connect(three, &QPushButton::clicked, this, [this] { FromFilesListClick(); });
  for (QPushButton* b : {one, two, three}) b->setEnabled(services_.files_list != nullptr);
  connect(tag, &QPushButton::clicked, this, [this] { TagHighlightedClick(true); });
  connect(untag, &QPushButton::clicked, this, [this] { TagHighlightedClick(false); });
  connect(none, &QPushButton::clicked, this, [this] { NoTagsClick(); });
  connect(flip, &QPushButton::clicked, this, [this] { FlipTagsClick(); });
  connect(trash, &QPushButton::clicked, this, [this] { RemoveTaggedClick(); });
  connect(bin, &QPushButton::clicked, this, [this] {
    if (services_.open_recycle_window) services_.open_recycle_window();
  });
  connect(exit_, &QPushButton::pressed, this, [this] {
    if (loading_) abort_load_ = true;
  });
  connect(exit_, &QPushButton::clicked, this, [this] { close(); });
  connect(dock_button_, &QPushButton::clicked, this, [this] { DockClick(); });
  // Enter or a double click: the large preview (activated carries both).
  connect(list_, &QAbstractItemView::activated, this, [this] { OpenLargePreview(); });
  connect(load_into_, &QCheckBox::toggled, this, [this](bool on) {
    if (on && !loaded_folder_.empty() && services_.files_list != nullptr) {
      services_.files_list->ClearFilesList();
      services_.files_list->LoadPaths(Paths(), 6000);
      if (services_.files_list_changed) services_.files_list_changed();
    }
  });

  connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
    if (building_ || item == nullptr) return;
    FillTwoLevels(item);
    setWindowTitle(QString::fromStdString("[ " + item->text(0).toStdString() + " ] " +
                                          "Album's Manager "));
    LoadSelected(false);
  });
  connect(tree_, &QTreeWidget::itemExpanded, this, [this](QTreeWidgetItem* item) {
    if (!building_) FillTwoLevels(item);
  });
  connect(tree_, &QTreeWidget::itemCollapsed, this, [this](QTreeWidgetItem* item) {
    if (item == Root_Item()) tree_->expandItem(item);  // the root stays open
  });
  connect(tree_, &QTreeWidget::itemDoubleClicked, this, [this] { LoadSelected(true); });
  connect(tree_, &QTreeWidget::itemChanged, this, [this](QTreeWidgetItem* item) {
    if (!building_) ItemRenamed(item);
  });
  connect(tree_, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint& at) {
    QMenu menu(this);
    menu.setObjectName("TreePopUp");
    // A pop-up made here is a window of its own, so the hint of the entry under the mouse is
    // passed on by hand (to the files list window's status bar while docked).
    connect(&menu, &QMenu::hovered, this,
            [this](QAction* action) { Status(action->statusTip().toStdString()); });
    const auto add = [&menu, this](const char* caption, const char* hint, auto slot) {
      QAction* action = menu.addAction(caption, this, slot);
      action->setStatusTip(hint);
      return action;
    };
    add("Add Album", kAddHint, [this] { AddAlbumClick(); });
    add("Rename HI-LITED Album", kRenameHint, [this] { RenameClick(); });
    add("Delete HI-LITED Album", kDeleteHint, [this] { DeleteAlbumClick(); });
    add("Comments For Album", kCommentsHint, [this] { CommentsClick(); });
    add("Properties for Album", kPropertiesHint, [this] { PropertiesClick(); });
    add("Pick folder for Album Tree (Profile)", kProfileHint, [this] { ProfileClick(); });
    menu.addSeparator();
    const bool can_dock = static_cast<bool>(services_.list_window);
    const struct {
      const char* caption;
      const char* hint;
      list_window::DockSide side;
    } sides[] = {{"Dock into Files List Window (TOP)",
                  "Dock the Album Tree into the TOP of the Files List Window",
                  list_window::DockSide::kTop},
                 {"Dock into Files List Window (BOTTOM)",
                  "Dock the Album Tree into the BOTTOM of the Files List Window",
                  list_window::DockSide::kBottom},
                 {"Dock into Files List Window (RIGHT SIDE)",
                  "Dock the Album Tree into the RIGHT SIDE of the Files List Window",
                  list_window::DockSide::kRight}};
    for (const auto& s : sides) {
      const list_window::DockSide side = s.side;
      add(s.caption, s.hint, [this, side] { Dock(side); })->setEnabled(can_dock);
    }
    add("UN-Dock with Files List Window", "Take the Album Tree back from the Files List Window",
        [this] { Undock(); })
        ->setEnabled(docked_);
    menu.exec(tree_->viewport()->mapToGlobal(at));
  });
  connect(list_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { SelectionChanged(); });
  connect(model_.get(), &QAbstractItemModel::dataChanged, this, [this] { ShowTotals(); });
  connect(list_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          [this](int section) { SortBy(section); });
  resize(760, 480);
  BuildTree();
}

TAlbumListMenu::~TAlbumListMenu() {
  Undock();  // the docked tree is this window's: it must not stay behind in the files list window
  if (services_.bin != nullptr && bin_observer_ != 0) services_.bin->RemoveStateObserver(bin_observer_);
}

void TAlbumListMenu::ShowBinState(bool full) {
  bin_full_ = full;
  bin_button_->setIcon(style()->standardIcon(full ? QStyle::SP_TrashIcon
                                                  : QStyle::SP_DialogDiscardButton));
}

QTreeWidgetItem* TAlbumListMenu::Root_Item() const { return tree_->topLevelItem(0); }

std::string TAlbumListMenu::RelativeOf(const QTreeWidgetItem* item) const {
  return item == nullptr ? std::string() : item->data(0, kRelativeRole).toString().toStdString();
}

std::string TAlbumListMenu::FolderOfItem(const QTreeWidgetItem* item) const {
  return AlbumFolderOf(root_, RelativeOf(item));
}

std::string TAlbumListMenu::SelectedFolder() const {
  const QTreeWidgetItem* item = tree_->currentItem();
  return item == nullptr ? std::string() : FolderOfItem(item);
}

std::string TAlbumListMenu::SelectedName() const {
  const QTreeWidgetItem* item = tree_->currentItem();
  return item == nullptr ? std::string() : item->text(0).toStdString();
}

std::string TAlbumListMenu::StatusText() const { return status_->currentMessage().toStdString(); }

std::string TAlbumListMenu::Totals() const {
  return (total_files_->text() + " " + total_tagged_->text() + " " + total_highlighted_->text())
      .toStdString();
}

void TAlbumListMenu::Status(const std::string& text) {
  // While docked, progress shows where the tree is: the files list window's status bar.
  list_window::TFileListMenu* host =
      docked_ && services_.list_window ? services_.list_window(false) : nullptr;
  (host != nullptr ? host->statusBar() : status_)->showMessage(QString::fromStdString(text));
}

void TAlbumListMenu::SetIcon(QTreeWidgetItem* item) {
  const QIcon folder = style()->standardIcon(QStyle::SP_DirIcon);
  item->setIcon(0, ReadSyncFolder(FolderOfItem(item)).empty() ? folder : LockedIcon(folder));
}

void TAlbumListMenu::BuildTree() {
  std::string base = services_.base_folder ? services_.base_folder() : std::string();
  if (base.empty() && services_.platform.folders != nullptr) {
    base = services_.platform.folders->ProgramFolder();
  }
  root_ = AlbumRootFor(base);
  if (services_.platform.files != nullptr) EnsureAlbumRoot(*services_.platform.files, root_);
  building_ = true;
  tree_->clear();
  auto* root = new QTreeWidgetItem(QStringList(QString(kRootName)));
  root->setData(0, kRelativeRole, QString("."));
  tree_->addTopLevelItem(root);
  SetIcon(root);
  FillTwoLevels(root);
  tree_->expandItem(root);
  building_ = false;
  loaded_folder_.clear();
  tree_->setCurrentItem(nullptr);
  tree_->setCurrentItem(root);
}

bool TAlbumListMenu::SelectAlbum(const std::string& relative) {
  QTreeWidgetItem* item = Root_Item();
  if (relative != "." && !relative.empty()) {
    size_t start = 0;
    while (item != nullptr && start <= relative.size()) {
      size_t end = relative.find('/', start);
      if (end == std::string::npos) end = relative.size();
      const QString part = QString::fromStdString(relative.substr(start, end - start));
      FillTwoLevels(item);
      QTreeWidgetItem* next = nullptr;
      for (int i = 0; i < item->childCount(); ++i) {
        if (item->child(i)->text(0) == part) next = item->child(i);
      }
      item = next;
      start = end + 1;
    }
  }
  if (item == nullptr) return false;
  tree_->setCurrentItem(item);
  return true;
}

void TAlbumListMenu::Fill(QTreeWidgetItem* item) {
  if (item->data(0, kFilledRole).toBool() || services_.platform.files == nullptr) return;
  const bool was_building = building_;
  building_ = true;
  item->setData(0, kFilledRole, true);
  const std::string relative = RelativeOf(item);
  for (const std::string& name : SubAlbums(*services_.platform.files, FolderOfItem(item))) {
    bool present = false;
    for (int i = 0; i < item->childCount(); ++i) {
      present |= platform::SamePath(item->child(i)->text(0).toStdString(), name);
    }
    if (present) continue;
    auto* child = new QTreeWidgetItem(QStringList(QString::fromStdString(name)));
    child->setData(0, kRelativeRole,
                   QString::fromStdString(relative == "." ? name : relative + "/" + name));
    child->setFlags(child->flags() | Qt::ItemIsEditable);
    item->addChild(child);
    SetIcon(child);
  }
  item->sortChildren(0, Qt::AscendingOrder);
  building_ = was_building;
}

void TAlbumListMenu::FillTwoLevels(QTreeWidgetItem* item) {
  Fill(item);
  for (int i = 0; i < item->childCount(); ++i) Fill(item->child(i));
}

void TAlbumListMenu::LoadSelected(bool force) {
  QTreeWidgetItem* item = tree_->currentItem();
  if (item == nullptr || services_.platform.files == nullptr || loading_) return;
  const std::string folder = FolderOfItem(item);
  if (!force && folder == loaded_folder_) return;
  platform::Ui* ui = services_.platform.ui;
  LoadHooks hooks;
  hooks.files = services_.platform.files;
  hooks.allowable = services_.allowable;
  hooks.temp_folder = services_.platform.folders != nullptr
                          ? services_.platform.folders->TempFolder()
                          : std::string("/tmp/");
  hooks.status = [this](const std::string& t) { Status(t); };
  hooks.pump_and_poll_abort = [this] {
    if (services_.platform.pump != nullptr) services_.platform.pump->PumpMessages();
    return abort_load_;
  };
  hooks.resolve = [this](std::vector<notes::ResolvePair> pairs) {
    notes::TResolveListMenu resolve(
        std::move(pairs),
        [this](const std::vector<std::pair<std::string, std::string>>& moves) {
          FixAlbumEntries(*services_.platform.files, root_, moves,
                          [this](const std::string& t) { Status(t); },
                          [this](const std::string& t) {
                            if (services_.platform.ui != nullptr) services_.platform.ui->Error(t);
                          });
        },
        services_.platform, this);
    resolve.exec();
    return resolve.Pairs();
  };
  hooks.ask_remove_unresolved = [ui](size_t count) {
    return ui != nullptr && ui->Ask(platform::MessageKind::kQuestion, "Confirm",
                                    RemoveUnresolvedText(count),
                                    platform::kYesNo) == platform::Answer::kYes;
  };
  hooks.save_error = [ui](const std::string& text) {
    if (ui != nullptr) ui->Error(text);
  };
  entries_.clear();
  model_->Reset();
  list_->show();
  loading_ = true;
  abort_load_ = false;
  LoadResult r = LoadAlbum(folder, hooks);
  loading_ = false;
  loaded_folder_ = folder;
  loaded_folder_album_ = r.folder_album;
  entries_ = std::move(r.entries);
  model_->Reset();
  sort_column_ = -1;
  if (r.aborted) {
    list_->hide();
    total_files_->setText("Load Aborted");
    total_tagged_->setText("Load Aborted");
    loaded_folder_.clear();
    return;
  }
  if (r.missing_folder) {
    if (ui != nullptr) ui->Warning(MissingFolderWarning(item->text(0).toStdString()));
    PropertiesClick();
    return;
  }
  ShowTotals();
  if (!entries_.empty()) {
    Highlight({0});
  } else if (preview_ != nullptr && services_.show_preview) {
    services_.show_preview(preview_, {});
  }
  if (docked_ && load_into_->isChecked() && services_.files_list != nullptr) {
    services_.files_list->ClearFilesList();
    services_.files_list->LoadPaths(Paths(), 6000);
    if (services_.files_list_changed) services_.files_list_changed();
  }
}

void TAlbumListMenu::Highlight(const std::vector<int>& rows) {
  QItemSelectionModel* selection = list_->selectionModel();
  selection->clearSelection();
  for (int row : rows) {
    if (row < 0 || row >= static_cast<int>(entries_.size())) continue;
    selection->select(model_->index(row, 0),
                      QItemSelectionModel::Select | QItemSelectionModel::Rows);
  }
  if (!rows.empty() && rows.back() >= 0 && rows.back() < static_cast<int>(entries_.size())) {
    selection->setCurrentIndex(model_->index(rows.back(), 0), QItemSelectionModel::NoUpdate);
    list_->scrollTo(model_->index(rows.back(), 0));
  }
  SelectionChanged();
}

void TAlbumListMenu::SyncHighlights() {
  for (AlbumEntry& e : entries_) e.highlighted = false;
  for (const QModelIndex& index : list_->selectionModel()->selectedRows()) {
    if (index.row() < static_cast<int>(entries_.size())) {
      entries_[static_cast<size_t>(index.row())].highlighted = true;
    }
  }
}

void TAlbumListMenu::SelectionChanged() {
  SyncHighlights();
  ShowTotals();
  const QModelIndexList rows = list_->selectionModel()->selectedRows();
  if (rows.size() == 1 && preview_ != nullptr && services_.show_preview) {
    services_.show_preview(preview_, entries_[static_cast<size_t>(rows.front().row())].path);
  }
}

void TAlbumListMenu::ShowTotals() {
  size_t tagged = 0;
  size_t lit = 0;
  for (const AlbumEntry& e : entries_) {
    tagged += e.tagged ? 1 : 0;
    lit += e.highlighted ? 1 : 0;
  }
  total_files_->setText(QString("Total Files:%1").arg(entries_.size()));
  total_tagged_->setText(QString("Total Tagged:%1").arg(tagged));
  total_highlighted_->setText(QString("Total Hi-Lited:%1").arg(lit));
}

std::vector<std::string> TAlbumListMenu::Paths() const {
  std::vector<std::string> paths;
  paths.reserve(entries_.size());
  for (const AlbumEntry& e : entries_) paths.push_back(e.path);
  return paths;
}

void TAlbumListMenu::WriteEntries() {
  if (loaded_folder_.empty() || loaded_folder_album_) return;  // a folder album keeps its list
  const std::string file = loaded_folder_ + kAlbumFileName;
  if (!WriteAlbumFile(file, entries_) && services_.platform.ui != nullptr) {
    services_.platform.ui->Error(kSaveErrorText + file);
  }
}

void TAlbumListMenu::AddAlbumClick() {
  QTreeWidgetItem* parent = tree_->currentItem();
  if (parent == nullptr || services_.platform.files == nullptr) return;
  FillTwoLevels(parent);
  const std::string name = MakeNewAlbum(*services_.platform.files, FolderOfItem(parent));
  if (name.empty()) return;
  parent->setData(0, kFilledRole, false);
  Fill(parent);
  tree_->expandItem(parent);
  QTreeWidgetItem* made = nullptr;
  for (int i = 0; i < parent->childCount(); ++i) {
    if (parent->child(i)->text(0).toStdString() == name) made = parent->child(i);
  }
  if (made == nullptr) return;
  tree_->setCurrentItem(made);
  CommentsClick();
  PropertiesFor(FolderOfItem(made), true);
  SetIcon(made);
  tree_->setCurrentItem(parent);
  label_before_edit_ = name;
  tree_->editItem(made, 0);
}

void TAlbumListMenu::RenameClick() {
  QTreeWidgetItem* item = tree_->currentItem();
  if (item == nullptr) return;
  if (item == Root_Item()) {
    if (services_.platform.ui != nullptr) {
      services_.platform.ui->Information("Can NOT Rename the ROOT(main) ALBUMS Folder!");
    }
    return;
  }
  label_before_edit_ = item->text(0).toStdString();
  tree_->editItem(item, 0);
}

bool TAlbumListMenu::RenameSelected(const std::string& label) {
  QTreeWidgetItem* item = tree_->currentItem();
  if (item == nullptr || item == Root_Item()) return false;
  label_before_edit_ = item->text(0).toStdString();
  item->setText(0, QString::fromStdString(label));  // goes through ItemRenamed
  return item->text(0).toStdString() == label && label != label_before_edit_;
}

void TAlbumListMenu::ItemRenamed(QTreeWidgetItem* item) {
  const std::string label = item->text(0).toStdString();
  const std::string relative = RelativeOf(item);
  const std::string old_name = platform::NameOf(relative);
  if (item == Root_Item() || label == old_name) return;
  const std::string old_folder = FolderOfItem(item);
  building_ = true;
  if (services_.platform.files == nullptr ||
      !RenameAlbum(*services_.platform.files, old_folder, label)) {
    if (services_.platform.ui != nullptr) {
      services_.platform.ui->Error(RenameErrorText(old_name));
    }
    item->setText(0, QString::fromStdString(old_name));
    building_ = false;
    return;
  }
  const std::string parent_relative = platform::FolderOf(relative);
  const std::string new_relative = parent_relative + label;
  item->setData(0, kRelativeRole, QString::fromStdString(new_relative));
  // Children carry their paths below the album: refill them under the new name.
  while (item->childCount() > 0) delete item->takeChild(0);
  item->setData(0, kFilledRole, false);
  building_ = false;
  FillTwoLevels(item);
  if (platform::SamePath(loaded_folder_, old_folder)) loaded_folder_ = FolderOfItem(item);
  if (item->parent() != nullptr) item->parent()->sortChildren(0, Qt::AscendingOrder);
}

void TAlbumListMenu::DeleteAlbumClick() {
  QTreeWidgetItem* item = tree_->currentItem();
  platform::Ui* ui = services_.platform.ui;
  if (item == nullptr || ui == nullptr || services_.platform.files == nullptr) return;
  const std::string name = item->text(0).toStdString();
  if (!ui->AskYesNo("The \"" + name +
                    "\" Album is about to be deleted. Do you want this Album to be deleted?")) {
    return;
  }
  const DeleteOutcome outcome = DeleteAlbum(*services_.platform.files, root_, FolderOfItem(item));
  switch (outcome) {
    case DeleteOutcome::kIsRoot:
      ui->Information("Can NOT Delete the ROOT(main) ALBUMS Folder!");
      return;
    case DeleteOutcome::kHasSubAlbums:
      ui->Information("The \"" + name +
                      "\" Album has SUB-Albums. You must FIRST delete the SUB-Albums. Sorry :(");
      tree_->expandItem(item);
      return;
    case DeleteOutcome::kOtherFilesKept:
    case DeleteOutcome::kFailed:
      ui->Warning(OtherFilesWarning(name));
      return;
    case DeleteOutcome::kDeleted:
      break;
  }
  QTreeWidgetItem* parent = item->parent();
  delete item;
  loaded_folder_.clear();
  tree_->setCurrentItem(parent != nullptr ? parent : Root_Item());
}

void TAlbumListMenu::CommentsClick() {
  QTreeWidgetItem* item = tree_->currentItem();
  if (item == nullptr) return;
  const std::string folder = FolderOfItem(item);
  QDialog editor(this);
  editor.setObjectName("CommentsEditor");
  editor.setWindowTitle("Comments Editor");
  auto* column = new QVBoxLayout(&editor);
  auto* text = new QPlainTextEdit(QString::fromStdString(ReadComments(folder)));
  text->setObjectName("Memo1");
  column->addWidget(text);
  auto* close = new QPushButton("&Close");
  column->addWidget(close);
  connect(close, &QPushButton::clicked, &editor, [&editor] { editor.accept(); });
  if (comments_script) {
    comments_script(&editor);
  } else {
    editor.exec();
  }
  // Written back whenever the editor closes.
  if (!WriteComments(folder, text->toPlainText().toStdString()) &&
      services_.platform.ui != nullptr) {
    services_.platform.ui->Error("Comments NOT saved. Disk is probably FULL or WRITE PROTECTED!");
  }
}

bool TAlbumListMenu::PropertiesFor(const std::string& folder, bool new_album) {
  if (services_.platform.ui == nullptr) return false;
  TAlbumPropMenu dialog(folder, new_album, *services_.platform.ui, this);
  if (properties_script) {
    properties_script(&dialog);
  } else {
    dialog.exec();
  }
  return dialog.changed();
}

void TAlbumListMenu::PropertiesClick() {
  QTreeWidgetItem* item = tree_->currentItem();
  if (item == nullptr) return;
  if (PropertiesFor(FolderOfItem(item), false)) {
    SetIcon(item);
    LoadSelected(true);
  }
}

void TAlbumListMenu::ProfileClick() {
  platform::Ui* ui = services_.platform.ui;
  if (ui == nullptr) return;
  const platform::Answer a = ui->Ask(
      platform::MessageKind::kQuestion, "Confirm",
      "Normally Veldrimon keeps the Album Tree in the folder where Veldrimon is installed. "
      "Although, You CAN change it to another folder. For example, you could put it in \"My "
      "Documents\".\r\rDo you wish to select a different folder to keep the Album Tree?",
      platform::kButtonYes | platform::kButtonCancel);
  if (a != platform::Answer::kYes) return;
  const std::string current = platform::FolderOf(root_.substr(0, root_.size() - 1));
  const std::optional<std::string> picked =
      ui->PickFolder("Pick Folder To Store Album Tree Into", current);
  if (!picked || picked->empty()) return;
  if (services_.set_base_folder) services_.set_base_folder(BaseFromPickedFolder(*picked));
  BuildTree();
}

void TAlbumListMenu::AddToFilesListClick(bool replace) {
  platform::Ui* ui = services_.platform.ui;
  if (services_.files_list == nullptr || ui == nullptr || tree_->currentItem() == nullptr) return;
  const std::string text =
      replace ? "This will EMPTY the Files List and then add the files in the selected Album to "
                "the Files List Window.\r\rDo you wish to do this?"
              : "This will ADD the files in the selected Album to the Files List "
                "Window.\r\rDo you wish to do this?";
  if (ui->Ask(platform::MessageKind::kQuestion, "Confirm", text, platform::kYesNo) !=
      platform::Answer::kYes) {
    return;
  }
  if (replace) services_.files_list->ClearFilesList();
  services_.files_list->LoadPaths(Paths(), 6000);
  if (services_.files_list_changed) services_.files_list_changed();
  close();
}

void TAlbumListMenu::FromFilesListClick() {
  platform::Ui* ui = services_.platform.ui;
  QTreeWidgetItem* item = tree_->currentItem();
  if (services_.files_list == nullptr || ui == nullptr || item == nullptr ||
      services_.platform.files == nullptr) {
    return;
  }
  const std::string album = item->text(0).toStdString();
  const int choice = ui->Choice(
      "Confirm", platform::ChoiceKind::kInformation,
      "This takes files from the Files List Window and then ADDS them to the selected \"" + album +
          "\" Album.\r\rYou can either ADD ALL files or just TAGGED files from the Files List "
          "Window.",
      {"+ALL Files", "Tagged Only", "-No Files"});
  if (choice != 1 && choice != 2) return;
  if (loaded_folder_album_) return;  // a folder album's contents come from its folder
  std::vector<std::string> paths;
  lists::FilesList& list = *services_.files_list;
  for (int i = 0; i < list.Count(); ++i) {
    const lists::FileEntry* e = list.EntryAt(i);
    if (e != nullptr && (choice == 1 || e->tagged)) paths.push_back(e->Path());
  }
  paths = RefuseLineBreaks(paths);
  const AddResult r = AddFilesToAlbum(FolderOfItem(item), &entries_, paths,
                                      *services_.platform.files, services_.allowable,
                                      [this](const std::string& t) { Status(t); });
  if (!r.written) ui->Error(kSaveErrorText + FolderOfItem(item) + kAlbumFileName);
  model_->Reset();
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].path == r.last_added) Highlight({static_cast<int>(i)});
  }
  ShowTotals();
}

void TAlbumListMenu::TagHighlightedClick(bool tag) {
  SyncHighlights();
  for (AlbumEntry& e : entries_) {
    if (e.highlighted) e.tagged = tag;
  }
  model_->TagsChanged();
  ShowTotals();
}

void TAlbumListMenu::NoTagsClick() {
  for (AlbumEntry& e : entries_) e.tagged = false;
  model_->TagsChanged();
  ShowTotals();
}

void TAlbumListMenu::FlipTagsClick() {
  for (AlbumEntry& e : entries_) e.tagged = !e.tagged;
  model_->TagsChanged();
  ShowTotals();
}

void TAlbumListMenu::RemoveTaggedClick() {
  platform::Ui* ui = services_.platform.ui;
  QTreeWidgetItem* item = tree_->currentItem();
  if (ui == nullptr || item == nullptr || loaded_folder_.empty()) return;
  const bool any = std::any_of(entries_.begin(), entries_.end(),
                               [](const AlbumEntry& e) { return e.tagged; });
  if (!any) {
    ui->Information("You need to TAG some files before using the DELETE function!");
    return;
  }
  const std::string album = item->text(0).toStdString();
  const std::string locked = ReadSyncFolder(loaded_folder_);
  const bool folder_album = loaded_folder_album_;
  if (folder_album && (services_.bin == nullptr || services_.platform.files == nullptr)) return;
  platform::PleaseWait* wait = services_.platform.please_wait;
  if (folder_album) {
    // Room in the bin for every tagged file, each rounded up to whole clusters of its drive.
    uint64_t needed = 0;
    long n = 0;
    for (const AlbumEntry& e : entries_) {
      if (!e.tagged) continue;
      if (++n % 50 == 0 && wait != nullptr) {
        wait->SetText("Calculating RECYCLE BIN space needed:" + platform::NameOf(e.path));
      }
      const uint64_t cluster = std::max<uint64_t>(1, services_.platform.files->ClusterSize(e.path));
      const uint64_t size = e.size;
      needed += (size + cluster - 1) / cluster * cluster;
    }
    services_.bin->MakeRoom(needed);
  }
  platform::ConfirmScope answers(*ui);
  platform::ConfirmScope companions(*ui);
  long removed = 0;
  for (size_t i = entries_.size(); i-- > 0;) {
    AlbumEntry& e = entries_[i];
    if (!e.tagged) continue;
    const std::string text =
        folder_album
            ? "The following file is about to be DELETED from the \"" + locked +
                  "\" folder. Are you sure you want to DELETE the file?\r\r" + e.path
            : "The following file is about to be REMOVED from the \"" + album +
                  "\" Album. Are you sure you want to REMOVE the file?\r\r" + e.path;
    const platform::Answer a =
        answers.Ask(folder_album ? platform::MessageKind::kError
                                 : platform::MessageKind::kQuestion,
                    folder_album ? "Warning" : "Information", text);
    if (a != platform::Answer::kYes && a != platform::Answer::kYesToAll) continue;
    if (++removed % 10 == 0) Status("Deleting:" + platform::NameOf(e.path));
    if (folder_album && !services_.bin->DeleteThroughBin(e.path, &companions)) continue;
    entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
  }
  WriteEntries();
  model_->Reset();
  ShowTotals();
  if (!entries_.empty()) Highlight({0});
}

void TAlbumListMenu::SortBy(int column) {
  if (column != 0 && column != 1) return;
  sort_descending_ = column == sort_column_ ? !sort_descending_ : false;
  sort_column_ = column;
  SyncHighlights();
  int current = list_->selectionModel()->currentIndex().row();
  for (size_t i = 0; i < entries_.size(); ++i) entries_[i].sort_position = static_cast<int32_t>(i);
  QCollator collator;
  collator.setNumericMode(true);
  std::vector<std::pair<QString, size_t>> keys;
  keys.reserve(entries_.size());
  for (size_t i = 0; i < entries_.size(); ++i) {
    const std::string& p = entries_[i].path;
    keys.emplace_back(QString::fromStdString(column == 0 ? platform::NameOf(p)
                                                         : platform::FolderOf(p)),
                      i);
  }
  std::stable_sort(keys.begin(), keys.end(), [&](const auto& a, const auto& b) {
    const int c = collator.compare(a.first, b.first);
    return sort_descending_ ? c > 0 : c < 0;
  });
  std::vector<AlbumEntry> sorted;
  sorted.reserve(entries_.size());
  for (const auto& k : keys) sorted.push_back(std::move(entries_[k.second]));
  entries_ = std::move(sorted);
  model_->Reset();
  std::vector<int> lit;
  int focused = -1;
  for (size_t i = 0; i < entries_.size(); ++i) {
    if (entries_[i].highlighted) lit.push_back(static_cast<int>(i));
    if (entries_[i].sort_position == current) focused = static_cast<int>(i);
  }
  if (focused >= 0 && std::find(lit.begin(), lit.end(), focused) != lit.end()) {
    lit.erase(std::find(lit.begin(), lit.end(), focused));
    lit.push_back(focused);  // the focused entry ends the selection, so it keeps the focus
  }
  Highlight(lit);
  list_->horizontalHeader()->setSortIndicatorShown(true);
  list_->horizontalHeader()->setSortIndicator(
      column, sort_descending_ ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void TAlbumListMenu::closeEvent(QCloseEvent* event) {
  if (drag_active_) {  // the drag's after-move step still needs the entries
    event->ignore();
    return;
  }
  Undock();
  entries_.clear();
  model_->Reset();
  loaded_folder_.clear();
  QWidget::closeEvent(event);
}

void TAlbumListMenu::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Escape) {
    close();
    return;
  }
  if (event->key() == Qt::Key_Space && list_->hasFocus()) {
    const int row = list_->currentIndex().row();
    if (row >= 0 && row < static_cast<int>(entries_.size())) {
      entries_[static_cast<size_t>(row)].tagged = !entries_[static_cast<size_t>(row)].tagged;
      model_->TagsChanged();
      ShowTotals();
    }
    return;
  }
  QWidget::keyPressEvent(event);
}

bool TAlbumListMenu::eventFilter(QObject* watched, QEvent* event) {
  if (HandleDragEvent(watched, event)) return true;
  // A click on another album while one loads aborts the load.
  if (loading_ && watched == tree_->viewport() && event->type() == QEvent::MouseButtonPress) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    QTreeWidgetItem* at = tree_->itemAt(mouse->position().toPoint());
    if (at != nullptr && at != tree_->currentItem()) abort_load_ = true;
  }
  return QWidget::eventFilter(watched, event);
}

}  // namespace vr::albums::ui
