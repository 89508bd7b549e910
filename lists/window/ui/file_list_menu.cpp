#include "lists/window/ui/file_list_menu.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <unordered_set>

#include "lists/window/ui/drag_source.h"
#include "lists/window/ui/files_table_model.h"
#include "lists/window/ui/preview_form.h"
#include "picture/kinds.h"
#include "picture/ui/device_pixels.h"
#include "picture/ui/qimage_bridge.h"
#include "platform/please_wait.h"
#include "platform/sounds.h"
#include "platform/ui.h"

namespace vr::list_window {

namespace {

// The detailed view and the thumbnail view share their keys and drag: the space bar tags,
// Return previews, dragging hands the highlighted files to other programs.
template <class View>
class FilesView : public View {
 public:
  explicit FilesView(TFileListMenu& window) : window_(window) {}

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event->key() == Qt::Key_Space) {
      window_.ToggleFocusedTag();
      return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
      window_.OpenLargePreview();
      return;
    }
    View::keyPressEvent(event);
  }
  void startDrag(Qt::DropActions) override { window_.StartDragOfHighlighted(this); }

 private:
  TFileListMenu& window_;
};

using FilesTableView = FilesView<QTableView>;
using ThumbListView = FilesView<QListView>;

// Draws a thumbnail cell: the picture, the tag box in its corner and the name below; a click on
// the tag box toggles the tag.
class ThumbDelegate : public QStyledItemDelegate {
 public:
  ThumbDelegate(TFileListMenu& window, QObject* parent)
      : QStyledItemDelegate(parent), window_(window) {}

  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const override {
    const ThumbSettings& s = window_.jobs().settings();
    return QSize(s.width + 8, s.height + option.fontMetrics.height() + 8);
  }

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    const ThumbSettings& s = window_.jobs().settings();
    const QRect cell(option.rect.left() + 4, option.rect.top() + 4, s.width, s.height);
    if (option.state & QStyle::State_Selected) {
      painter->fillRect(option.rect, option.palette.highlight());
    }
    const QPixmap pixmap = window_.ThumbnailOf(index.row());
    if (pixmap.isNull()) {
      painter->fillRect(cell, Qt::white);
    } else {
      // Made at the cell's size in screen pixels: one to one on any screen.
      painter->drawPixmap(cell, pixmap);
    }
    const QRect box = BoxRect(cell);
    painter->fillRect(box, Qt::white);
    painter->setPen(Qt::black);
    painter->drawRect(box.adjusted(0, 0, -1, -1));
    if (index.data(Qt::CheckStateRole).toInt() == Qt::Checked) {
      painter->setPen(QPen(Qt::red, 2));
      painter->drawLine(box.left() + 2, box.center().y(), box.center().x(), box.bottom() - 2);
      painter->drawLine(box.center().x(), box.bottom() - 2, box.right() - 2, box.top() + 2);
    }
    painter->setPen(option.state & QStyle::State_Selected ? option.palette.highlightedText().color()
                                                          : option.palette.text().color());
    const QRect text(option.rect.left(), cell.bottom() + 2, option.rect.width(),
                     option.fontMetrics.height());
    painter->drawText(
        text, Qt::AlignHCenter,
        option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, text.width()));
  }

  bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override {
    if (event->type() == QEvent::MouseButtonRelease) {
      const ThumbSettings& s = window_.jobs().settings();
      const QRect cell(option.rect.left() + 4, option.rect.top() + 4, s.width, s.height);
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (BoxRect(cell).contains(mouse->position().toPoint())) {
        const bool tagged = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        model->setData(index, tagged ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
        return true;
      }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
  }

 private:
  QRect BoxRect(const QRect& cell) const {
    const CheckBoxSettings& c = window_.check_box();
    return QRect(cell.left() + c.margin_left, cell.top() + c.margin_top, c.width, c.height);
  }
  TFileListMenu& window_;
};

const char* const kConvertNote =
    "Converting the tagged files to a new graphics format opens its own window; it is not "
    "available in this version yet.";
const char* const kProtectNote =
    "Protecting and un-protecting the tagged files opens its own window; it is not available in "
    "this version yet.";

}  // namespace

TFileListMenu::TFileListMenu(lists::FilesList& list, ListWindowServices services, QWidget* parent)
    : QMainWindow(parent), list_(list), services_(std::move(services)), drawn_thumbs_(600) {
  setWindowTitle(kWindowCaption);
  setObjectName("FileListMenu");
  if (services_.platform.folders != nullptr) cache_.Create(*services_.platform.folders);

  JobEnvironment env;
  env.busy = [this] {
    return sorting_ || tag_ops_->busy() || (services_.other_busy && services_.other_busy());
  };
  env.window_visible = [this] { return isVisible(); };
  env.status = [this](const std::string& text) {
    statusBar()->showMessage(QString::fromStdString(text), 2000);
  };
  env.sounds = services_.platform.sounds;
  env.thumb_made = [this](int row) {
    if (const lists::FileEntry* entry = list_.Peek(row)) drawn_thumbs_.remove(entry->id);
    model_->RowChanged(row);
  };
  env.row_scanned = [this](int row) { model_->RowChanged(row); };
  env.state_changed = [this](BuilderState state) { UpdateBuilderButton(state); };
  jobs_ = std::make_unique<ListJobs>(list_, cache_, std::move(env));
  jobs_->settings().density = picture::ScreenPixelRatio();

  TagServices tag_services;
  tag_services.ui = services_.platform.ui;
  tag_services.files = services_.platform.files;
  tag_services.please_wait = services_.platform.please_wait;
  tag_services.pump = services_.platform.pump;
  tag_services.notes = services_.notes;
  tag_services.bin = services_.bin;
  tag_services.refresh = [this] { AfterOperation(); };
  tag_services.files_moved = services_.files_moved;
  tag_ops_ = std::make_unique<TagOperations>(list_, std::move(tag_services));

  PreviewHost host;
  host.find = [this](const std::string& path) { return list_.FindInFilesList(path); };
  host.count = [this] { return list_.Count(); };
  host.path_at = [this](int position) { return list_.FilePathAt(position); };
  host.is_tagged = [this](int position) {
    const lists::FileEntry* entry = list_.Peek(position);
    return entry != nullptr && entry->tagged;
  };
  host.toggle_tag = [this](int position) { ToggleTag(position); };
  host.select = [this](int position) { SelectRows({position}, position); };
  host.list_window_active = [this] { return isActiveWindow(); };
  host.focus_list = [this] { list_view_->setFocus(); };
  host.sounds = services_.platform.sounds;
  host.ui = services_.platform.ui;
  previews_ = std::make_unique<PreviewManager>(std::move(host));

  model_ = new FilesTableModel(list_, this);
  model_->on_tag_toggled = [this](int row) { TagToggled(row); };

  list_view_ = new FilesTableView(*this);
  list_view_->setObjectName("ListView1");
  list_view_->setModel(model_);
  list_view_->setSelectionBehavior(QAbstractItemView::SelectRows);
  list_view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list_view_->setDragEnabled(true);
  list_view_->setDragDropMode(QAbstractItemView::DragOnly);
  list_view_->verticalHeader()->setDefaultSectionSize(20);
  list_view_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  list_view_->horizontalHeader()->setSectionsClickable(true);
  list_view_->horizontalHeader()->setSortIndicatorShown(true);
  connect(list_view_->horizontalHeader(), &QHeaderView::sectionClicked, this,
          &TFileListMenu::HeaderClicked);
  connect(list_view_, &QTableView::doubleClicked, this,
          [this](const QModelIndex&) { OpenLargePreview(); });
  connect(list_view_, &QTableView::clicked, this, [this](const QModelIndex& index) {
    if (index.column() == kDbFieldColumn) {
      DbFieldClicked(index.row());
    } else {
      edit1_->setStyleSheet(QString());
    }
  });

  thumb_view_ = new ThumbListView(*this);
  thumb_view_->setObjectName("ThumbView");
  thumb_view_->setModel(model_);
  thumb_view_->setViewMode(QListView::IconMode);
  thumb_view_->setResizeMode(QListView::Adjust);
  thumb_view_->setMovement(QListView::Static);
  thumb_view_->setUniformItemSizes(true);
  thumb_view_->setGridSize(QSize(kDefaultThumbWidth + 12,
                                 kDefaultThumbHeight + fontMetrics().height() + 12));
  thumb_view_->setSelectionModel(list_view_->selectionModel());
  thumb_view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  thumb_view_->setDragEnabled(true);
  thumb_view_->setItemDelegate(new ThumbDelegate(*this, thumb_view_));
  connect(thumb_view_, &QListView::doubleClicked, this,
          [this](const QModelIndex&) { OpenLargePreview(); });
  connect(list_view_->selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex&, const QModelIndex&) {
            SyncEdit1();
            UpdateStatus();
          });

  views_ = new QStackedWidget;
  views_->addWidget(list_view_);
  views_->addWidget(thumb_view_);

  edit1_ = new QLineEdit;
  edit1_->setObjectName("Edit1");
  edit1_->setToolTip(kEdit1Hint);
  edit1_->setReadOnly(!services_.write_db_field);
  connect(edit1_, &QLineEdit::editingFinished, this, &TFileListMenu::Edit1Committed);
  connect(edit1_, &QLineEdit::textEdited, this, &TFileListMenu::Edit1Changed);

  lower_panel_ = new QWidget;
  auto* lower = new QVBoxLayout(lower_panel_);
  lower->setContentsMargins(0, 0, 0, 0);
  lower->addWidget(edit1_);
  tag_pages_ = static_cast<QTabWidget*>(MakeTagPages());
  lower->addWidget(tag_pages_);

  auto* splitter = new QSplitter(Qt::Vertical);
  splitter->addWidget(views_);
  splitter->addWidget(lower_panel_);
  splitter->setStretchFactor(0, 3);
  setCentralWidget(splitter);

  status_file_ = new QLabel;
  status_tagged_ = new QLabel;
  status_size_ = new QLabel;
  statusBar()->addPermanentWidget(status_file_);
  statusBar()->addPermanentWidget(status_tagged_);
  statusBar()->addPermanentWidget(status_size_);

  BuildMenus();
  idle_timer_ = new QTimer(this);
  idle_timer_->setInterval(0);
  connect(idle_timer_, &QTimer::timeout, this, [this] {
    if (!MyIdleStep()) idle_timer_->stop();
  });
  list_.SetChangeObserver([this] { ListChanged(); });
  UpdateBuilderButton(jobs_->state());
  UpdateStatus();
  resize(900, 600);
}

TFileListMenu::~TFileListMenu() {
  if (docked_panel_ != nullptr) {  // the panel belongs to another window: hand it back
    std::function<void()> released = std::move(dock_released_);
    UndockPanel();
    if (released) released();
  }
  list_.SetChangeObserver({});
  previews_.reset();
  cache_.Remove();
}

void TFileListMenu::BuildMenus() {
  QMenu* file = menuBar()->addMenu("&File");
  exit_display_ = file->addAction("Exit / &Display");
  connect(exit_display_, &QAction::triggered, this, &TFileListMenu::ExitDisplayClick);
  exit_ = file->addAction("&Exit");
  connect(exit_, &QAction::triggered, this, &QWidget::close);

  QMenu* tags = menuBar()->addMenu("&Tags");
  tag_highlighted_ = tags->addAction("Tag HI-LITED");
  connect(tag_highlighted_, &QAction::triggered, this, &TFileListMenu::TagHighlightedClick);
  connect(tags->addAction("UN-Tag HI-LITED"), &QAction::triggered, this,
          &TFileListMenu::UnTagHighlightedClick);
  connect(tags->addAction("Flip Tags"), &QAction::triggered, this,
          [this] { tag_ops_->FlipTags(); });
  connect(tags->addAction("No Tags"), &QAction::triggered, this, [this] { tag_ops_->NoTags(); });
  connect(tags->addAction("Sort By Tag"), &QAction::triggered, this,
          [this] { SortWithQuestion(lists::kSortTag); });

  QMenu* view = menuBar()->addMenu("&View");
  QAction* thumbs = view->addAction("&Thumbnails");
  thumbs->setCheckable(true);
  connect(thumbs, &QAction::toggled, this, &TFileListMenu::SetThumbnailView);
  QAction* tall = view->addAction("TALL mode");
  tall->setCheckable(true);
  connect(tall, &QAction::toggled, this, &TFileListMenu::SetTallMode);
  QMenu* sizes = view->addMenu("Thumbnail Size");
  size_group_ = new QActionGroup(sizes);
  for (int side : kThumbSizes) {
    QAction* action = sizes->addAction(QString("%1x%1").arg(side));
    action->setCheckable(true);
    action->setChecked(side == kDefaultThumbWidth);
    action->setData(side);
    size_group_->addAction(action);
    connect(action, &QAction::triggered, this, [this, side] { SetThumbSize(side, side); });
  }
  QAction* search = view->addAction("Search File List By...");
  search->setObjectName("SearchList1");
  search->setEnabled(static_cast<bool>(services_.open_search));
  connect(search, &QAction::triggered, this, [this] {
    if (services_.open_search) services_.open_search();
  });
  QAction* web = view->addAction("Make &Web Pages From Files...");
  web->setObjectName("MakeWebPagesFromFiles1");
  web->setEnabled(static_cast<bool>(services_.open_web_pages));
  connect(web, &QAction::triggered, this, &TFileListMenu::TBWebPagesClick);
  QAction* catalog = view->addAction("Print/Save Tagged Images As Thumbnail Catalogs");
  catalog->setObjectName("PrintCatalog1");
  catalog->setEnabled(static_cast<bool>(services_.open_catalog));
  connect(catalog, &QAction::triggered, this, [this] {
    if (services_.open_catalog) services_.open_catalog();
  });

  previews_menu_ = menuBar()->addMenu("&Previews");
  QAction* large = previews_menu_->addAction("&Preview (Open LARGE Preview Window For Picture)");
  connect(large, &QAction::triggered, this, &TFileListMenu::OpenLargePreview);
  previews_menu_->addSeparator();
  previews_->AttachPreviewsMenu(previews_menu_);

  QToolBar* bar = addToolBar("Tools");
  tb_thumbs_ = new QToolButton;
  tb_thumbs_->setObjectName("TBThumbs");
  tb_thumbs_->setText("Thumbs");
  tb_thumbs_->setToolTip(kBuilderHint);
  connect(tb_thumbs_, &QToolButton::clicked, this, [this] {
    jobs_->BuilderClick();
    ScheduleIdle();
  });
  bar->addWidget(tb_thumbs_);
  connect(bar->addAction("Tag HI-LITED"), &QAction::triggered, this,
          &TFileListMenu::TagHighlightedClick);
  connect(bar->addAction("UN-Tag HI-LITED"), &QAction::triggered, this,
          &TFileListMenu::UnTagHighlightedClick);
  connect(bar->addAction("DB EDIT"), &QAction::triggered, this, &TFileListMenu::DbEditClick);
  tb_web_pages_ = new QToolButton;
  tb_web_pages_->setObjectName("TBWebPages");
  tb_web_pages_->setText("Web Pages");
  tb_web_pages_->setToolTip("Make Web Pages From Files");
  tb_web_pages_->setEnabled(static_cast<bool>(services_.open_web_pages));
  connect(tb_web_pages_, &QToolButton::clicked, this, &TFileListMenu::TBWebPagesClick);
  bar->addWidget(tb_web_pages_);
}

void TFileListMenu::TBWebPagesClick() {
  if (services_.open_web_pages) services_.open_web_pages();
}

void TFileListMenu::SetMenuImages(const QIcon& exit_display, const QIcon& exit,
                                  const QIcon& tag) {
  exit_display_->setIcon(exit_display);
  exit_->setIcon(exit);
  tag_highlighted_->setIcon(tag);
}

QWidget* TFileListMenu::MakeButtonPage(const QString& caption,
                                       const std::function<void()>& action) {
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);
  auto* button = new QPushButton(caption);
  connect(button, &QPushButton::clicked, this, [action] { action(); });
  layout->addWidget(button);
  layout->addStretch();
  return page;
}

QWidget* TFileListMenu::MakeProtectPage() {
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);
  auto* box = new QGroupBox("Password Protection");
  box->setObjectName("RGEncrypt");
  auto* radios = new QVBoxLayout(box);
  RGEncrypt = new QButtonGroup(page);
  const char* const captions[] = {"PROTECT tagged files", "UN-PROTECT tagged files"};
  for (int i = 0; i < 2; ++i) {
    auto* radio = new QRadioButton(captions[i]);
    radio->setChecked(i == 0);
    RGEncrypt->addButton(radio, i);
    radios->addWidget(radio);
  }
  layout->addWidget(box);
  auto* button = new QPushButton("Protect / Un-Protect TAGs");
  button->setObjectName("BEncrypt");
  connect(button, &QPushButton::clicked, this, [this] {
    const bool protect = RGEncrypt->checkedId() == 0;
    if (!services_.begin_protect(protect)) return;
    tag_ops_->ProtectTagged(protect, [this, protect](const std::string& path, std::string* target) {
      return services_.protect_file(path, protect, target);
    });
    ListChanged();
  });
  layout->addWidget(button);
  layout->addStretch();
  return page;
}

QWidget* TFileListMenu::MakeDisabledPage(const QString& note) {
  auto* page = new QWidget;
  auto* layout = new QVBoxLayout(page);
  auto* label = new QLabel(note);
  label->setWordWrap(true);
  layout->addWidget(label);
  page->setEnabled(false);
  return page;
}

QWidget* TFileListMenu::MakeTransferPage(bool move) {
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);
  auto* folder = new QComboBox;
  folder->setEditable(true);
  folder->setMinimumWidth(300);
  (move ? move_folder_ : copy_folder_) = folder;
  auto* button = new QPushButton(move ? "Move TAGs" : "Copy TAGs");
  connect(button, &QPushButton::clicked, this, [this, move, folder] {
    const std::string target = folder->currentText().toStdString();
    if (target.empty()) return;
    if (move) {
      tag_ops_->MoveTagged(target);
    } else {
      tag_ops_->CopyTagged(target);
    }
    FillFolderBox(folder, move ? tag_ops_->move_history() : tag_ops_->copy_history());
  });
  layout->addWidget(new QLabel("To folder:"));
  layout->addWidget(folder, 1);
  layout->addWidget(button);
  return page;
}

QWidget* TFileListMenu::MakeRenamePage() {
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);
  auto* box = new QGroupBox("Rename Method");
  auto* radios = new QVBoxLayout(box);
  rename_method_ = new QButtonGroup(page);
  for (int i = 0; i < 5; ++i) {
    auto* radio = new QRadioButton(kRenameMethodCaptions[i]);
    radio->setChecked(i == 0);
    rename_method_->addButton(radio, i);
    radios->addWidget(radio);
  }
  layout->addWidget(box);
  auto* fields = new QVBoxLayout;
  rename_text_ = new QLineEdit;
  rename_count_ = new QSpinBox;
  rename_count_->setRange(0, 255);
  auto* button = new QPushButton("Rename TAGs");
  connect(button, &QPushButton::clicked, this, [this] {
    tag_ops_->RenameTagged(static_cast<RenameMethod>(rename_method_->checkedId()),
                           rename_text_->text().toStdString(), rename_count_->value());
  });
  fields->addWidget(rename_text_);
  fields->addWidget(rename_count_);
  fields->addWidget(button);
  layout->addLayout(fields);
  return page;
}

QWidget* TFileListMenu::MakeConvertPage() {
  auto* page = new QWidget;
  auto* layout = new QHBoxLayout(page);
  auto* fields = new QVBoxLayout;
  auto* row = new QHBoxLayout;
  row->addWidget(new QLabel("Into folder (blank: beside each file):"));
  convert_folder_ = new QLineEdit;
  convert_folder_->setMinimumWidth(240);
  row->addWidget(convert_folder_, 1);
  fields->addLayout(row);
  convert_overwrite_ = new QCheckBox("Overwrite existing files without asking");
  fields->addWidget(convert_overwrite_);
  layout->addLayout(fields, 1);
  convert_button_ = new QPushButton("Convert TAGs");
  connect(convert_button_, &QPushButton::clicked, this, [this] { ConvertTagsClick(); });
  layout->addWidget(convert_button_);
  return page;
}

void TFileListMenu::ConvertTagsClick() {
  if (!services_.begin_convert || !services_.convert_file || tag_ops_->busy()) return;
  std::string extension;
  if (services_.begin_convert(&extension)) {
    ConvertRequest request;
    request.extension = extension;
    request.into = convert_folder_->text().trimmed().toStdString();
    request.overwrite = convert_overwrite_->isChecked();
    request.convert = services_.convert_file;
    tag_ops_->ConvertTagged(request);
  }
  if (services_.end_convert) services_.end_convert();
  convert_overwrite_->setChecked(false);
}

QWidget* TFileListMenu::MakeTagPages() {
  auto* pages = new QTabWidget;
  pages->setObjectName("TagPages");
  const bool can_convert = services_.begin_convert && services_.convert_file;
  pages->addTab(can_convert ? MakeConvertPage() : MakeDisabledPage(kConvertNote),
                "Convert To A New Graphics Format");
  const bool can_protect = services_.begin_protect && services_.protect_file;
  pages->addTab(can_protect ? MakeProtectPage() : MakeDisabledPage(kProtectNote),
                "Password Protect / Un-Protect");
  pages->addTab(MakeButtonPage("Add TAGs To DataBase", [this] { tag_ops_->DbAddTagged(); }),
                "DB Add TAGs");
  pages->addTab(MakeButtonPage("Delete TAGs From DataBase", [this] { tag_ops_->DbDeleteTagged(); }),
                "DB Delete TAGs");
  pages->addTab(MakeButtonPage("Remove TAGs From List", [this] { tag_ops_->RemoveTagged(); }),
                "Remove TAGs");
  pages->addTab(MakeButtonPage("Delete TAGs", [this] { tag_ops_->DeleteTagged(); }), "Delete TAGs");
  pages->addTab(MakeTransferPage(false), "Copy TAGs");
  pages->addTab(MakeTransferPage(true), "Move TAGs");
  pages->addTab(MakeRenamePage(), "Rename TAGs");
  pages->setTabEnabled(0, can_convert);
  pages->setTabEnabled(1, false);
  return pages;
}

void TFileListMenu::UpdateBuilderButton(BuilderState state) {
  if (tb_thumbs_ == nullptr) return;
  const char* colour = state == BuilderState::kStopped    ? "red"
                       : state == BuilderState::kBuilding ? "yellow"
                                                          : "lime";
  tb_thumbs_->setStyleSheet(QString("background-color: %1;").arg(colour));
  tb_thumbs_->setProperty("builder_state", static_cast<int>(state));
  if (state == BuilderState::kBuilding) ScheduleIdle();
}

void TFileListMenu::SetOwnIdleTimer(bool on) {
  own_idle_ = on;
  if (!on) idle_timer_->stop();
  ScheduleIdle();
}

void TFileListMenu::SetIdleRequest(std::function<void()> request) {
  idle_request_ = std::move(request);
  SetOwnIdleTimer(!idle_request_);
}

void TFileListMenu::ScheduleIdle() {
  if (!jobs_->HasWork()) return;
  if (idle_request_) {
    idle_request_();
    return;
  }
  if (own_idle_ && idle_timer_ != nullptr && !idle_timer_->isActive()) idle_timer_->start();
}

void TFileListMenu::FillFolderBox(QComboBox* box, const FolderHistory& history) {
  box->clear();
  for (const std::string& item : history.items()) box->addItem(QString::fromStdString(item));
  box->setToolTip(history.items().empty() ? QString()
                                          : QString::fromStdString(history.items().front()));
}

void TFileListMenu::SetFolderHistories(const std::vector<std::string>& copy,
                                       const std::vector<std::string>& move) {
  tag_ops_->copy_history().SetItems(copy);
  tag_ops_->move_history().SetItems(move);
  FillFolderBox(copy_folder_, tag_ops_->copy_history());
  FillFolderBox(move_folder_, tag_ops_->move_history());
}

bool TFileListMenu::MyIdleStep() { return jobs_->IdleStep(); }

void TFileListMenu::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  ScheduleIdle();
}

void TFileListMenu::ListChanged() {
  drawn_thumbs_.clear();
  if (list_.Empty()) {
    jobs_->SwitchOff();
  } else {
    jobs_->Restart(thumbnail_view());
  }
  model_->Refresh();
  UpdateStatus();
  ScheduleIdle();
}

void TFileListMenu::AfterOperation() {
  drawn_thumbs_.clear();
  model_->Refresh();
  UpdateStatus();
  if (services_.list_edited) services_.list_edited();
}

std::vector<int> TFileListMenu::HighlightedRows() const {
  std::vector<int> rows;
  for (const QModelIndex& index : list_view_->selectionModel()->selectedRows()) {
    rows.push_back(index.row());
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

int TFileListMenu::FocusedRow() const {
  const QModelIndex current = list_view_->selectionModel()->currentIndex();
  return current.isValid() ? current.row() : -1;
}

void TFileListMenu::SelectRows(const std::vector<int>& rows, int focused) {
  QItemSelectionModel* selection = list_view_->selectionModel();
  QItemSelection items;
  for (int row : rows) {
    if (row < 0 || row >= model_->rowCount()) continue;
    items.select(model_->index(row, 0), model_->index(row, kColumnCount - 1));
  }
  selection->select(items, QItemSelectionModel::ClearAndSelect);
  if (focused >= 0 && focused < model_->rowCount()) {
    selection->setCurrentIndex(model_->index(focused, 0), QItemSelectionModel::NoUpdate);
    list_view_->scrollTo(model_->index(focused, 0));
  }
}

void TFileListMenu::HeaderClicked(int column) {
  if (column < 0 || column >= kColumnCount) return;
  SortWithQuestion(kColumnSortKind[column]);
}

bool TFileListMenu::SortWithQuestion(int kind) {
  const int effective = kind < 0 ? list_.sort_kind() : kind;
  const bool needs_facts = effective != lists::kSortName && effective != lists::kSortFolder &&
                           effective != lists::kSortTag && effective != lists::kSortNone;
  if (needs_facts && !list_.AllScanned()) {
    if (services_.platform.ui->Ask(platform::MessageKind::kInformation, "Information",
                                   kScanQuestion, platform::kOkCancel) != platform::Answer::kOk) {
      return false;
    }
    sorting_ = true;
    if (services_.platform.please_wait != nullptr) {
      services_.platform.please_wait->SetText(kScanWaitText);
    }
    const bool complete = list_.ScanAllEntries(false);
    sorting_ = false;
    if (!complete) return false;
  }
  sorting_ = true;
  std::vector<int32_t> ids;
  for (int row : HighlightedRows()) {
    if (const lists::FileEntry* entry = list_.Peek(row)) ids.push_back(entry->id);
  }
  const lists::FileEntry* focused_entry = list_.Peek(FocusedRow());
  const int32_t focused_id = focused_entry != nullptr ? focused_entry->id : -1;
  list_.SortFilesList(kind);
  model_->Refresh();
  std::vector<int> rows;
  for (int32_t id : ids) rows.push_back(list_.PositionOfId(id));
  SelectRows(rows, focused_id >= 0 ? list_.PositionOfId(focused_id) : -1);
  for (int c = 0; c < kColumnCount; ++c) {
    if (kColumnSortKind[c] == list_.sort_kind()) {
      list_view_->horizontalHeader()->setSortIndicator(
          c, list_.sort_direction() > 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
    }
  }
  sorting_ = false;
  return true;
}

bool TFileListMenu::thumbnail_view() const { return views_->currentWidget() == thumb_view_; }

void TFileListMenu::SetThumbnailView(bool on) {
  views_->setCurrentWidget(on ? static_cast<QWidget*>(thumb_view_) : list_view_);
  if (on && jobs_->state() == BuilderState::kStopped && !list_.Empty()) {
    jobs_->SetState(BuilderState::kBuilding);
  }
  ScheduleIdle();
}

void TFileListMenu::SetThumbSize(int width, int height) {
  drawn_thumbs_.clear();
  if (services_.platform.folders != nullptr) {
    jobs_->ChangeThumbSize(width, height, *services_.platform.folders);
  }
  ShowThumbSize(width, height);
  ScheduleIdle();
}

void TFileListMenu::SetStartThumbSize(int width, int height) {
  drawn_thumbs_.clear();
  jobs_->settings().width = width;
  jobs_->settings().height = height;
  ShowThumbSize(width, height);
}

void TFileListMenu::ShowThumbSize(int width, int height) {
  thumb_view_->setGridSize(QSize(width + 12, height + fontMetrics().height() + 12));
  // The size menu shows the size in use (none of its entries for a size of the settings file
  // that it does not offer).
  for (QAction* action : size_group_->actions()) {
    action->setChecked(width == height && action->data().toInt() == width);
  }
  model_->Refresh();
}

void TFileListMenu::SetTallMode(bool on) {
  tall_mode_ = on;
  lower_panel_->setVisible(!on);
}

QPixmap TFileListMenu::ThumbnailOf(int row) {
  lists::FileEntry* entry = list_.MutablePeek(row);
  if (entry == nullptr) return {};
  if (QPixmap* cached = drawn_thumbs_.object(entry->id)) return *cached;
  picture::Bitmap bitmap;
  if (!jobs_->CachedThumb(row, &bitmap)) {
    // Not built yet: the builder will make it. Built without a record: the file is small
    // enough to be drawn from itself.
    if (entry->thumb_wanted) return {};
    bitmap = MakeThumbnail(entry->Path(), AtScreenPixels(jobs_->settings())).cell;
  }
  auto* pixmap = new QPixmap(QPixmap::fromImage(picture::BitmapToQImage(bitmap).copy()));
  pixmap->setDevicePixelRatio(std::max(1.0, jobs_->settings().density));
  QPixmap result = *pixmap;
  drawn_thumbs_.insert(entry->id, pixmap);
  return result;
}

void TFileListMenu::TagHighlightedClick() {
  tag_ops_->TagHighlighted(HighlightedRows(), true);
  for (int row : HighlightedRows()) previews_->RefreshTagIcon(row);
}

void TFileListMenu::UnTagHighlightedClick() {
  tag_ops_->TagHighlighted(HighlightedRows(), false);
  for (int row : HighlightedRows()) previews_->RefreshTagIcon(row);
}

void TFileListMenu::ToggleFocusedTag() { ToggleTag(FocusedRow()); }

void TFileListMenu::ToggleTag(int row) {
  if (row < 0 || row >= list_.Count()) return;
  list_.ToggleTag(row);
  TagToggled(row);
}

void TFileListMenu::TagToggled(int row) {
  model_->RowChanged(row);
  previews_->RefreshTagIcon(row);
  UpdateStatus();
  if (services_.search_refresh) services_.search_refresh();
  if (services_.list_edited) services_.list_edited();
}

void TFileListMenu::OpenLargePreview() {
  int row = FocusedRow();
  const std::vector<int> rows = HighlightedRows();
  if (row < 0 && !rows.empty()) row = rows.front();
  if (row < 0 || row >= list_.Count()) return;
  const std::string path = list_.FilePathAt(row);
  // Movies have no preview window; FLI and FLC files play in the movie player instead.
  if (picture::KindFromName(path) == picture::kKindFli && services_.open_movie) {
    services_.open_movie(path);
    return;
  }
  previews_->OpenPreview(path);
}

void TFileListMenu::DbEditClick() {
  const std::vector<int> rows = HighlightedRows();
  if (rows.size() != 1) {
    services_.platform.ui->Warning(kOneFileText);
    return;
  }
  if (services_.open_db_editor) services_.open_db_editor(list_.FilePathAt(rows.front()));
}

void TFileListMenu::DbFieldClicked(int row) {
  if (tall_mode_ || !lower_panel_->isVisible()) {
    services_.platform.ui->Information(kTallModeText);
    return;
  }
  const lists::FileEntry* entry = list_.Peek(row);
  if (entry == nullptr) return;
  edit1_row_ = row;
  edit1_->setText(QString::fromStdString(entry->db_field));
  edit1_->setStyleSheet("QLineEdit { color: white; background-color: blue; }");
  edit1_->setFocus();
}

void TFileListMenu::SyncEdit1() {
  const int row = FocusedRow();
  const lists::FileEntry* entry = list_.Peek(row);
  edit1_row_ = entry != nullptr ? row : -1;
  edit1_->setText(entry != nullptr ? QString::fromStdString(entry->db_field) : QString());
}

void TFileListMenu::Edit1Committed() { edit1_->setStyleSheet(QString()); }

// Every change the user makes in Edit1 is stored at once; a store that fails (its message has
// been shown) empties the field, so what it shows is never text that was not kept.
void TFileListMenu::Edit1Changed() {
  lists::FileEntry* entry = list_.MutablePeek(edit1_row_);
  if (entry == nullptr || !services_.write_db_field) return;
  const std::string path = entry->Path();
  const std::string text = edit1_->text().toStdString();
  if (!services_.write_db_field(path, text)) {
    edit1_->clear();
    return;
  }
  // The column shows what was stored (cut to its field, a number as its value).
  lists::NotesAccess* notes = list_.services().notes;
  entry->db_field = notes != nullptr ? notes->DbField(path) : text;
  model_->RowChanged(edit1_row_);
}

void TFileListMenu::StartDragOfHighlighted(QWidget* source) {
  std::vector<std::string> paths;
  for (int row : HighlightedRows()) {
    if (const lists::FileEntry* entry = list_.Peek(row)) paths.push_back(entry->Path());
  }
  StartFileDrag(
      source, paths, services_.platform.ui,
      [this](const std::string& action) { statusBar()->showMessage(QString::fromStdString(action)); },
      services_.usable_drag);
}

void TFileListMenu::ExitDisplayClick() {
  const int row = FocusedRow();
  close();
  if (row >= 0 && row < list_.Count()) {
    list_.SetCurrent(row);
    if (services_.display_file) services_.display_file(list_.FilePathAt(row));
  }
}

QString TFileListMenu::StatusText(int panel) const {
  const QLabel* labels[] = {status_file_, status_tagged_, status_size_};
  return panel >= 0 && panel < 3 ? labels[panel]->text() : QString();
}

void TFileListMenu::UpdateStatus() {
  const int row = FocusedRow();
  status_file_->setText(QString("File: %1 of %2").arg(row >= 0 ? row + 1 : 0).arg(list_.Count()));
  status_tagged_->setText(QString("Tagged Files: %1").arg(list_.TaggedCount()));
  const int64_t size = list_.TaggedSize();
  status_size_->setText(size >= 0 ? QString("Tagged Size: %1").arg(size)
                                  : QString("Tagged Size: ?"));
}

}  // namespace vr::list_window
