#include "extras/ui/editors_menu.h"

#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QGridLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "extras/desktop_editors.h"
#include "platform/ui.h"

namespace vr::extras::ui {
namespace {

int EntryNumber(const std::string& entry) {
  return entry.size() >= 3 && entry[0] == '[' && entry[1] >= '0' && entry[1] <= '5' ? entry[1] - '0'
                                                                                     : 0;
}

}  // namespace

QIcon EditorIcon(const std::string& path) {
  if (path.empty()) return {};
  if (IsDesktopEntry(path)) {
    const QString icon_name = QString::fromStdString(DesktopEntryIcon(path));
    if (!icon_name.isEmpty()) {
      // An absolute Icon value names the file itself; otherwise the icon theme's name.
      if (QFileInfo(icon_name).isAbsolute()) {
        if (QFileInfo::exists(icon_name)) return QIcon(icon_name);
      } else {
        const QIcon themed = QIcon::fromTheme(icon_name);
        if (!themed.isNull()) return themed;
      }
    }
  }
  return QFileIconProvider().icon(QFileInfo(QString::fromStdString(path)));
}

TEditorsMenu::TEditorsMenu(const EditorSettings& settings, platform::Ui& ui, QWidget* parent)
    : QDialog(parent), ui_(ui) {
  setObjectName("EditorsMenu");
  setWindowTitle("Editor's Configuration Setup Window");
  auto* layout = new QVBoxLayout(this);
  auto* grid = new QGridLayout;
  for (int i = 0; i < kEditorSlots; ++i) {
    const size_t s = static_cast<size_t>(i);
    grid->addWidget(new QLabel(QString("Editor #%1").arg(i + 1)), i, 0);
    Image[s] = new QLabel;
    Image[s]->setFixedSize(32, 32);
    grid->addWidget(Image[s], i, 1);
    Edit[s] = new QLineEdit(QString::fromStdString(settings.paths[s]));
    Edit[s]->setObjectName(QString("Edit%1").arg(i + 1));
    Edit[s]->setMinimumWidth(320);
    Edit[s]->setAcceptDrops(true);
    Edit[s]->installEventFilter(this);
    grid->addWidget(Edit[s], i, 2);
    auto* browse = new QPushButton("Browse");
    grid->addWidget(browse, i, 3);
    CB[s] = new QCheckBox("Quotes Needed");
    CB[s]->setObjectName(QString("CB%1").arg(i + 1));
    CB[s]->setChecked(settings.quoted[s]);
    grid->addWidget(CB[s], i, 4);
    connect(browse, &QPushButton::clicked, this, [this, s] {
      const QString picked = QFileDialog::getOpenFileName(this, "Browse", Edit[s]->text(),
                                                          "Program Files(*.exe *.desktop);;All(*)");
      if (!picked.isEmpty()) Edit[s]->setText(picked);
    });
    connect(Edit[s], &QLineEdit::textChanged, this, [this, i] { ShowIcon(i); });
    ShowIcon(i);
  }
  layout->addLayout(grid);
  ListBox1 = new QListWidget;
  ListBox1->setObjectName("ListBox1");
  ListBox1->setSelectionMode(QAbstractItemView::ExtendedSelection);
  for (const std::string& entry : settings.type_entries) {
    ListBox1->addItem(QString::fromStdString(entry));
  }
  layout->addWidget(ListBox1);
  SpinEdit1 = new QSpinBox;
  SpinEdit1->setObjectName("SpinEdit1");
  SpinEdit1->setRange(0, kEditorSlots);
  layout->addWidget(SpinEdit1);
  auto* close = new QPushButton("&Close");
  layout->addWidget(close);
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  connect(ListBox1, &QListWidget::itemSelectionChanged, this, [this] { ListBox1Click(); });
  connect(SpinEdit1, &QSpinBox::valueChanged, this, [this](int n) { SpinEdit1Change(n); });
}

void TEditorsMenu::ShowIcon(int slot) {
  const size_t s = static_cast<size_t>(slot);
  const QIcon icon = EditorIcon(Edit[s]->text().toStdString());
  Image[s]->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(32, 32));
}

void TEditorsMenu::ListBox1Click() {
  const QList<QListWidgetItem*> picked = ListBox1->selectedItems();
  int common = -1;
  for (const QListWidgetItem* item : picked) {
    const int n = EntryNumber(item->text().toStdString());
    common = common < 0 || common == n ? n : 0;
  }
  filling_ = true;
  SpinEdit1->setValue(common < 0 ? 0 : common);
  filling_ = false;
}

void TEditorsMenu::SpinEdit1Change(int number) {
  if (filling_) return;
  const QList<QListWidgetItem*> picked = ListBox1->selectedItems();
  if (picked.isEmpty()) {
    ui_.Information(kPickTypeFirst);
    return;
  }
  for (QListWidgetItem* item : picked) {
    QString text = item->text();
    if (text.size() >= 2) text[1] = QChar('0' + number);
    item->setText(text);
  }
}

EditorSettings TEditorsMenu::Result() const {
  EditorSettings out;
  for (size_t s = 0; s < static_cast<size_t>(kEditorSlots); ++s) {
    out.paths[s] = Edit[s]->text().trimmed().toStdString();
    out.quoted[s] = CB[s]->isChecked();
  }
  for (int i = 0; i < ListBox1->count(); ++i) {
    out.type_entries.push_back(ListBox1->item(i)->text().toStdString());
  }
  return out;
}

bool TEditorsMenu::eventFilter(QObject* watched, QEvent* event) {
  // A program file dropped on a path field fills it.
  if (event->type() == QEvent::DragEnter) {
    auto* drag = static_cast<QDragEnterEvent*>(event);
    if (drag->mimeData()->hasUrls()) {
      drag->acceptProposedAction();
      return true;
    }
  } else if (event->type() == QEvent::Drop) {
    auto* drop = static_cast<QDropEvent*>(event);
    const QList<QUrl> urls = drop->mimeData()->urls();
    if (!urls.isEmpty()) {
      if (auto* edit = qobject_cast<QLineEdit*>(watched)) edit->setText(urls.first().toLocalFile());
      drop->acceptProposedAction();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

}  // namespace vr::extras::ui
