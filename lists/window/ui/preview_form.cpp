#include "picture/load/load_hooks.h"
#include "lists/window/ui/preview_form.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

#include "lists/window/ui/drag_source.h"
#include "lists/window/ui/gif_thread.h"
#include "picture/kinds.h"
#include "picture/load/loader.h"
#include "picture/ui/device_pixels.h"
#include "picture/ui/qimage_bridge.h"
#include "picture/ui/scaled_draw.h"
#include "platform/path_rules.h"
#include "platform/sounds.h"

namespace vr::list_window {

namespace {

QIcon TagIcon(bool tagged) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::white);
  QPainter painter(&pixmap);
  painter.setPen(Qt::black);
  painter.drawRect(1, 1, 13, 13);
  if (tagged) {
    painter.setPen(QPen(Qt::red, 2));
    painter.drawLine(3, 8, 6, 12);
    painter.drawLine(6, 12, 12, 3);
  }
  return QIcon(pixmap);
}

}  // namespace

// The picture surface inside the scroll area: fitted in stretchable mode, natural size in
// scrollable mode. Dragging with the primary button drags the file out of the program.
class PreviewCanvas : public QWidget {
 public:
  PreviewCanvas(PreviewSurfaceHost& host, QWidget* parent) : QWidget(parent), host_(host) {
    setCursor(Qt::CrossCursor);  // the magnifier of the original stands for "look closer"
    setMouseTracking(true);
  }

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter painter(this);
    host_.PaintPicture(painter, rect(), palette().window().color());
  }
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) press_ = event->position().toPoint();
    QWidget::mousePressEvent(event);
  }
  void mouseMoveEvent(QMouseEvent* event) override {
    if ((event->buttons() & Qt::LeftButton) &&
        (event->position().toPoint() - press_).manhattanLength() >=
            QApplication::startDragDistance()) {
      host_.DragFileOut(this);
    }
  }
  void mouseDoubleClickEvent(QMouseEvent*) override { host_.ToggleView(); }
  void wheelEvent(QWheelEvent* event) override {
    host_.Scroll(0, event->angleDelta().y() > 0 ? -20 : 20);
  }

 private:
  PreviewSurfaceHost& host_;
  QPoint press_;
};

void TMyForm::PaintPicture(QPainter& painter, const QRect& area, const QColor& background) {
  painter.fillRect(area, picture_.kind == picture::GraphicKind::kMetafile
                             ? QColor(0xD0, 0xC0, 0xC0)
                             : background);
  // Both pictures are made at device pixels and carry the ratio, so they are drawn one to one.
  if (stretchable_) {
    if (!stretched_.isNull()) {
      painter.drawImage(picture::LogicalPoint(picture_rect_.left(), picture_rect_.top(),
                                              stretched_.devicePixelRatio()),
                        stretched_);
    }
  } else if (!image_.isNull()) {
    painter.drawImage(0, 0, image_);
  }
}

void TMyForm::DragFileOut(QWidget* source) { manager_.DragFile(source, path_); }

TMyForm::TMyForm(PreviewManager& manager, int slot, std::string path)
    : QWidget(nullptr, Qt::Window), manager_(manager), slot_(slot), path_(std::move(path)) {
  setObjectName(QString::fromStdString(PreviewWindowName(slot)));
  setAttribute(Qt::WA_DeleteOnClose);
  scroll_ = new QScrollArea(this);
  scroll_->setFrameShape(QFrame::NoFrame);
  canvas_ = new PreviewCanvas(*this, this);
  scroll_->setWidget(canvas_);
  set_tool_tips(manager_.tool_tips());
  UpdateCaption();
}

TMyForm::~TMyForm() {
  if (gif_thread_ != nullptr) {
    // Only reached at shutdown: release a frame hand-over that waits on this window so the
    // thread can end.
    gif_thread_->RequestStop();
    while (!gif_thread_->wait(10)) QCoreApplication::removePostedEvents(this, QEvent::MetaCall);
    delete gif_thread_;
    gif_thread_ = nullptr;
  }
}

void TMyForm::set_tool_tips(bool on) {
  const QString hint = on ? QString::fromLatin1(kPreviewHint) : QString();
  setToolTip(hint);
  canvas_->setToolTip(hint);
}

bool TMyForm::Load() {
  picture::PictureHolder holder;
  picture::PreviewRequest request;
  request.reduce_jpeg = false;
  request.keep_jpeg_format = true;
  request.background = picture::Rgb{0x40, 0x80, 0xC0};
  const picture::QuietViewing quiet;  // previews never ask for a password
  const picture::PreviewOutcome outcome =
      picture::LoadPreviewPicture(path_, holder, request, picture::DecodeOptions{});
  SetPicture(std::move(holder));
  return outcome.animated;
}

void TMyForm::SetPicture(picture::PictureHolder picture) {
  picture_ = std::move(picture);
  if (picture_.kind != picture::GraphicKind::kMetafile || !picture_.bitmap.Empty()) {
    picture_.AsBitmap();
  }
  if (picture_.bitmap.Empty()) picture_.bitmap.MakeFailure();
  MakeImage();
  Relayout();
}

void TMyForm::MakeImage() {
  image_ = picture::BitmapToQImage(picture_.bitmap).convertToFormat(QImage::Format_RGB32);
  image_.setDevicePixelRatio(devicePixelRatioF());
}

void TMyForm::FirstSizing(const QRect& work_area) {
  stretchable_ = true;
  const int fx = frameGeometry().width() - geometry().width();
  const int fy = frameGeometry().height() - geometry().height();
  // A picture that fits is first shown one picture pixel per device pixel.
  const QSize shown =
      picture::LogicalSize(QSize(picture_.Width(), picture_.Height()), devicePixelRatioF());
  const picture::Size size = FirstPreviewSize(shown.width(), shown.height(), fx, fy,
                                              work_area.width(), work_area.height());
  resize(std::max(1, size.width - fx), std::max(1, size.height - fy));
  UpdateCaption();
  Relayout();
}

void TMyForm::ToggleView() {
  if (stretchable_) {
    SetScrollable();
  } else {
    stretchable_ = true;
    UpdateCaption();
    Relayout();
  }
}

void TMyForm::SetScrollable() {
  stretchable_ = false;
  UpdateCaption();
  Relayout();
  // The window shrinks to the picture when the picture is smaller in both directions.
  const QSize shown = image_.deviceIndependentSize().toSize();
  if (!isMaximized() && shown.width() < scroll_->viewport()->width() &&
      shown.height() < scroll_->viewport()->height()) {
    resize(shown);
  }
}

void TMyForm::UpdateCaption() {
  setWindowTitle(QString::fromStdString(platform::NameOf(path_) +
                                        (stretchable_ ? kStretchableCaption : kScrollableCaption)));
}

void TMyForm::SetTagIcon(bool tagged) { setWindowIcon(TagIcon(tagged)); }

void TMyForm::Relayout() {
  scroll_->setGeometry(rect());
  if (stretchable_) {
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setWidgetResizable(true);
    // Laid out and drawn in device pixels: the fitted picture is made at the size the screen
    // shows, not made at the logical size and scaled up by the painter.
    const qreal ratio = devicePixelRatioF();
    const QSize client = picture::DeviceSize(scroll_->viewport()->size(), ratio);
    const picture::Rect fit =
        StretchLayout(image_.width(), image_.height(), client.width(), client.height());
    if (fit.width > 0) {
      ++layouts_;
      picture_rect_ = QRect(fit.left, fit.top, fit.width, fit.height);
      QImage target(fit.width, fit.height, QImage::Format_RGB32);
      target.fill(Qt::white);
      QPainter painter(&target);
      picture::DrawPictureScaled(picture_, painter, QRect(0, 0, fit.width, fit.height), true);
      painter.end();
      target.setDevicePixelRatio(ratio);
      stretched_ = std::move(target);
    }
  } else {
    scroll_->setWidgetResizable(false);
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    canvas_->resize(picture::LogicalSize(image_.size(), image_.devicePixelRatio()));
  }
  canvas_->update();
}

void TMyForm::Scroll(int dx, int dy) {
  if (stretchable_) return;
  QScrollBar* h = scroll_->horizontalScrollBar();
  QScrollBar* v = scroll_->verticalScrollBar();
  h->setValue(h->value() + dx);
  v->setValue(std::max(0, v->value() + dy));
}

void TMyForm::StartGifThread() {
  if (gif_thread_ != nullptr) return;
  gif_thread_ = new TGifThread(path_, this);
  connect(gif_thread_, &QThread::finished, this, &TMyForm::GifThreadEnded, Qt::QueuedConnection);
  gif_thread_->start();
}

void TMyForm::ShowGifFrame(const picture::Bitmap& frame) {
  ++gif_frames_shown_;
  picture_.kind = picture::GraphicKind::kBitmap;
  picture_.vector.reset();
  picture_.bitmap = frame;
  MakeImage();
  Relayout();
}

void TMyForm::GifThreadEnded() {
  TGifThread* thread = gif_thread_;
  if (thread == nullptr) return;
  thread->wait();
  gif_thread_ = nullptr;
  delete thread;
  close();
}

void TMyForm::closeEvent(QCloseEvent* event) {
  if (gif_thread_ != nullptr) {
    // The thread is asked to stop; its end handler closes the window.
    gif_thread_->RequestStop();
    event->ignore();
    return;
  }
  manager_.FormClosing(this);
  event->accept();
}

void TMyForm::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Relayout();
}

void TMyForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  // The scroll area sizes its viewport only once shown: a lay-out made before that fitted the
  // picture to the viewport's first size, so the picture is fitted again to the real one.
  Relayout();
}

void TMyForm::changeEvent(QEvent* event) {
  // A preview stays usable while a modal window of the program runs.
  if (event->type() == QEvent::EnabledChange && !isEnabled()) setEnabled(true);
  QWidget::changeEvent(event);
}

void TMyForm::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if (gif_thread_ != nullptr && (key == Qt::Key_Return || key == Qt::Key_Enter)) {
    gif_thread_->SetStopKey(codecs::gif::kStopKeyEnter);
  }
  switch (key) {
    case Qt::Key_V:
      ToggleView();
      return;
    case Qt::Key_Space:
      manager_.ToggleTagOf(this);
      return;
    case Qt::Key_Escape:
      if (gif_thread_ != nullptr) gif_thread_->SetStopKey(codecs::gif::kStopKeyEscape);
      manager_.EscapeFrom(this);
      return;
    case Qt::Key_Comma:
    case Qt::Key_Less:
      manager_.StepFrom(this, -1);
      return;
    case Qt::Key_Period:
    case Qt::Key_Greater:
      manager_.StepFrom(this, 1);
      return;
    case Qt::Key_Left:
      Scroll(-15, 0);
      return;
    case Qt::Key_Right:
      Scroll(15, 0);
      return;
    case Qt::Key_Up:
      Scroll(0, -15);
      return;
    case Qt::Key_Down:
      Scroll(0, 15);
      return;
    default:
      QWidget::keyPressEvent(event);
  }
}

void TMyForm::contextMenuEvent(QContextMenuEvent* event) {
  manager_.context_menu()->setProperty("vr_form", QVariant::fromValue<QObject*>(this));
  manager_.context_menu()->popup(event->globalPos());
}

// ---------------------------------------------------------------------------------------------

PreviewManager::PreviewManager(PreviewHost host, QObject* parent)
    : QObject(parent), host_(std::move(host)) {
  tool_tip_action_ = context_menu_.addAction("ToolTipMenu");
  tool_tip_action_->setCheckable(true);
  tool_tip_action_->setChecked(true);
  connect(tool_tip_action_, &QAction::toggled, this, [this](bool on) {
    tool_tips_ = on;
    for (TMyForm* form : Forms()) form->set_tool_tips(on);
  });
  auto form_of_menu = [this]() -> TMyForm* {
    return qobject_cast<TMyForm*>(context_menu_.property("vr_form").value<QObject*>());
  };
  auto send_key = [form_of_menu](int key) {
    if (TMyForm* form = form_of_menu()) {
      QCoreApplication::postEvent(form, new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier));
    }
  };
  connect(context_menu_.addAction("Previous                   Key=< or ,"), &QAction::triggered,
          this, [this, form_of_menu] {
            if (TMyForm* form = form_of_menu()) StepFrom(form, -1);
          });
  connect(context_menu_.addAction("Next                         Key=> or ."), &QAction::triggered,
          this, [this, form_of_menu] {
            if (TMyForm* form = form_of_menu()) StepFrom(form, 1);
          });
  connect(context_menu_.addAction("Toggle-View             Key=V"), &QAction::triggered, this,
          [form_of_menu] {
            if (TMyForm* form = form_of_menu()) form->ToggleView();
          });
  connect(context_menu_.addAction("TAG/UnTAG File     Key=SPACE"), &QAction::triggered, this,
          [send_key] { send_key(Qt::Key_Space); });
  context_menu_.addSeparator();
  connect(context_menu_.addAction(kHideAllCaption), &QAction::triggered, this,
          &PreviewManager::HideAllPreviews);
  connect(context_menu_.addAction(kShowAllCaption), &QAction::triggered, this,
          &PreviewManager::ShowAllPreviews);
  connect(context_menu_.addAction(kTileAllCaption), &QAction::triggered, this,
          &PreviewManager::TileAllPreviews);
  connect(context_menu_.addAction(kRemoveAllCaption), &QAction::triggered, this,
          &PreviewManager::RemoveAllPreviews);
  context_menu_.addSeparator();
  connect(context_menu_.addAction("Exit                           Key=ESCape"), &QAction::triggered,
          this, [send_key] { send_key(Qt::Key_Escape); });
}

PreviewManager::~PreviewManager() {
  for (TMyForm* form : Forms()) delete form;
}

QRect PreviewManager::WorkArea() const {
  if (host_.work_area) return host_.work_area();
  if (QScreen* screen = QGuiApplication::primaryScreen()) return screen->availableGeometry();
  return QRect(0, 0, 1024, 768);
}

void PreviewManager::Warn() {
  if (host_.sounds != nullptr) host_.sounds->Play(platform::kSoundBrakes);
}

std::vector<TMyForm*> PreviewManager::Forms() const {
  std::vector<TMyForm*> forms;
  for (const auto& [slot, form] : forms_) {
    if (form) forms.push_back(form.data());
  }
  return forms;
}

TMyForm* PreviewManager::FormInSlot(int slot) const {
  auto it = forms_.find(slot);
  return it == forms_.end() ? nullptr : it->second.data();
}

TMyForm* PreviewManager::FindByName(const QString& name) const {
  for (TMyForm* form : Forms()) {
    if (form->objectName() == name) return form;
  }
  return nullptr;
}

TMyForm* PreviewManager::OpenPreview(const std::string& path, bool load) {
  if (PreviewSkipsPath(path)) return nullptr;
  const int slot = slots_.Take();
  if (slot < 0) return nullptr;
  auto* form = new TMyForm(*this, slot, path);
  forms_[slot] = form;
  const int position = host_.find ? host_.find(path) : -1;
  form->SetTagIcon(position >= 0 && host_.is_tagged && host_.is_tagged(position));
  bool animated = false;
  if (load) animated = form->Load();
  form->FirstSizing(WorkArea());
  AddMenuItems(slot, path);
  form->move(slot * 16, slot * 16);
  if (animated && picture::KindFromName(path) == picture::kKindGif) form->StartGifThread();
  form->show();
  return form;
}

void PreviewManager::AddMenuItem(MenuEntry& entry, int slot, const std::string& path) {
  if (!entry.menu) return;
  QAction* action = entry.menu->addAction(QString::fromStdString(platform::NameOf(path)));
  action->setCheckable(true);
  action->setData(slot + 1);
  entry.group->addAction(action);
  action->setChecked(true);
  connect(action, &QAction::triggered, this, [this, slot] {
    if (TMyForm* form = FormInSlot(slot)) {
      form->showNormal();
      form->raise();
      form->activateWindow();
    }
  });
  entry.items[slot] = action;
}

void PreviewManager::AddMenuItems(int slot, const std::string& path) {
  for (MenuEntry& entry : menus_) AddMenuItem(entry, slot, path);
}

void PreviewManager::RemoveMenuItems(int slot) {
  for (MenuEntry& entry : menus_) {
    auto it = entry.items.find(slot);
    if (it == entry.items.end()) continue;
    if (entry.menu) entry.menu->removeAction(it->second);
    delete it->second;
    entry.items.erase(it);
  }
}

void PreviewManager::AttachPreviewsMenu(QMenu* menu) {
  MenuEntry entry;
  entry.menu = menu;
  entry.group = new QActionGroup(menu);
  entry.group->setExclusive(true);
  auto add = [this, menu](const char* caption, const QKeySequence& keys,
                          void (PreviewManager::*fn)()) {
    QAction* action = menu->addAction(QString::fromLatin1(caption));
    if (!keys.isEmpty()) action->setShortcut(keys);
    connect(action, &QAction::triggered, this, fn);
  };
  add(kHideAllCaption, QKeySequence(Qt::CTRL | Qt::Key_F10), &PreviewManager::HideAllPreviews);
  add(kShowAllCaption, QKeySequence(Qt::CTRL | Qt::Key_F11), &PreviewManager::ShowAllPreviews);
  add(kTileAllCaption, QKeySequence(Qt::CTRL | Qt::Key_F12), &PreviewManager::TileAllPreviews);
  add(kRemoveAllCaption, QKeySequence(), &PreviewManager::RemoveAllPreviews);
  add(kDisplayNextCaption, QKeySequence(Qt::CTRL | Qt::Key_F9),
      &PreviewManager::DisplayNextPreview);
  menu->addSeparator();
  menus_.push_back(entry);
  // Previews already open are listed at once, the newest (last) checked.
  for (TMyForm* form : Forms()) AddMenuItem(menus_.back(), form->slot(), form->path());
}

void PreviewManager::FormClosing(TMyForm* form) {
  const int slot = form->slot();
  slots_.Free(slot);
  forms_.erase(slot);
  RemoveMenuItems(slot);
}

void PreviewManager::ClosePreview(const std::string& path) {
  for (TMyForm* form : Forms()) {
    if (platform::SamePath(form->path(), path)) form->close();
  }
}

void PreviewManager::ShowPreviewScrollable(const std::string& path) {
  for (TMyForm* form : Forms()) {
    if (platform::SamePath(form->path(), path)) form->SetScrollable();
  }
}

void PreviewManager::DisplayNextPreview() {
  const int slot = slots_.NextToShow();
  TMyForm* form = slot >= 0 ? FormInSlot(slot) : nullptr;
  if (form == nullptr) {
    Warn();
    return;
  }
  form->showNormal();
  form->raise();
  form->activateWindow();
}

void PreviewManager::HideAllPreviews() {
  for (TMyForm* form : Forms()) form->showMinimized();
}

void PreviewManager::ShowAllPreviews() {
  const std::vector<TMyForm*> forms = Forms();
  if (forms.empty()) {
    Warn();
    return;
  }
  for (TMyForm* form : forms) form->showNormal();
}

void PreviewManager::TileAllPreviews() {
  const std::vector<TMyForm*> forms = Forms();  // in slot order
  if (forms.empty()) {
    Warn();
    return;
  }
  const QRect work = WorkArea();
  const std::vector<picture::Rect> places =
      TileAll(static_cast<int>(forms.size()), work.width(), work.height());
  for (size_t i = 0; i < forms.size(); ++i) {
    TMyForm* form = forms[i];
    if (form->isMaximized()) form->showMinimized();
    form->showNormal();
    const picture::Rect& place = places[i];
    // The cell is the whole window, frame included.
    const int fx = form->frameGeometry().width() - form->width();
    const int fy = form->frameGeometry().height() - form->height();
    form->move(work.left() + place.left, work.top() + place.top);
    form->resize(std::max(1, place.width - fx), std::max(1, place.height - fy));
  }
}

void PreviewManager::RemoveAllPreviews() {
  for (TMyForm* form : Forms()) form->close();
}

void PreviewManager::RefreshTagIcon(int position) {
  if (!host_.path_at || !host_.is_tagged) return;
  const std::string path = host_.path_at(position);
  const bool tagged = host_.is_tagged(position);
  for (TMyForm* form : Forms()) {
    if (platform::SamePath(form->path(), path)) form->SetTagIcon(tagged);
  }
}

bool PreviewManager::HandleHotKey(int key, Qt::KeyboardModifiers modifiers) {
  if (!(modifiers & Qt::ControlModifier)) return false;
  switch (key) {
    case Qt::Key_F9:
      DisplayNextPreview();
      return true;
    case Qt::Key_F10:
      if (OpenCount() == 0) Warn();  // the key, unlike the menu entry, tells that none is open
      HideAllPreviews();
      return true;
    case Qt::Key_F11:
      ShowAllPreviews();
      return true;
    case Qt::Key_F12:
      TileAllPreviews();
      return true;
    default:
      return false;
  }
}

void PreviewManager::ToggleTagOf(TMyForm* form) {
  const int position = host_.find ? host_.find(form->path()) : -1;
  if (position < 0 || !host_.toggle_tag) return;
  host_.toggle_tag(position);
  RefreshTagIcon(position);
}

void PreviewManager::EscapeFrom(TMyForm* form) {
  const int slot = form->slot();
  form->close();
  // Show the next preview that is not minimised.
  for (int i = 1; i <= kPreviewSlots; ++i) {
    TMyForm* next = FormInSlot((slot + i) % kPreviewSlots);
    if (next != nullptr && next != form && !next->isMinimized()) {
      next->showNormal();
      next->raise();
      next->activateWindow();
      return;
    }
  }
  if (host_.list_window_active && host_.list_window_active() && host_.focus_list) {
    host_.focus_list();
  }
}

void PreviewManager::StepFrom(TMyForm* form, int delta) {
  const int position = host_.find ? host_.find(form->path()) : -1;
  const int count = host_.count ? host_.count() : 0;
  const int target = position + delta;
  if (position < 0 || target < 0 || target >= count) {
    if (host_.sounds != nullptr) host_.sounds->Play(kEndOfListSound);
    return;
  }
  // Free the name first so the new preview may take it.
  form->setObjectName(QString::fromLatin1(kClosedPreviewName) + QString::number(form->slot()));
  form->close();
  if (host_.select) host_.select(target);
  if (host_.path_at) OpenPreview(host_.path_at(target));
}

void PreviewManager::DragFile(QWidget* source, const std::string& path) {
  StartFileDrag(source, {path}, host_.ui);
}

}  // namespace vr::list_window
