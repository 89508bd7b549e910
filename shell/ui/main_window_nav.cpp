// The main window's navigation: stepping through the files list, the navigation controls, toggling
// the tag, the sound switch, previews of the shown file and deleting it. The rules are in
// shell/navigation.h; the pointer and key input is in nav_input.cpp, which reaches this window
// through the host made here.
#include <QAction>
#include <QToolButton>

#include "lists/files_list.h"
#include "lists/recycle/recycle_bin.h"
#include "picture/kinds.h"
#include "lists/recycle/ui/recycle_controller.h"
#include "lists/window/ui/file_list_menu.h"
#include "lists/window/ui/preview_form.h"
#include "platform/sounds.h"
#include "platform/ui.h"
#include "shell/navigation.h"
#include "shell/ui/artwork.h"
#include "shell/ui/full_screen.h"
#include "shell/ui/main_window.h"
#include "shell/ui/nav_input.h"
#include "shell/ui/panes.h"

namespace vr::shell::ui {

NavigationHost TVeldrimon69::Navigation() {
  NavigationHost host;
  host.position = [this] { return files_list_->Current(); };
  host.count = [this] { return files_list_->Count(); };
  host.set_position = [this](int at) { files_list_->SetCurrent(at); };
  host.show = [this] { return ShowCurrentFile(false, 1); };
  host.play = [this](const char* sound) {
    if (services_.sounds != nullptr) services_.sounds->Play(sound);
  };
  return host;
}

// The input handling's view of this window.
NavInputHost TVeldrimon69::InputHost() {
  NavInputHost host;
  host.window = this;
  host.scroll_box = ScrollBox1;
  host.fit_pane = fit_pane_;
  host.actual_pane = PanelImage1;
  host.full_screen = full_screen_;
  host.ui = services_.ui;
  host.sounds = services_.sounds;
  host.action = [this](Act id) { return action(id); };
  host.picture_menu = [this] { return picture_menu_; };
  host.list_window = [this]() -> QWidget* { return list_window_.get(); };
  host.cursor_at = [this](int slot) { return CursorAt(slot); };
  host.count = [this] { return files_list_->Count(); };
  host.current_path = [this] { return files_list_->FilePathAt(files_list_->Current()); };
  host.previous = [this] { GoPrevious(); };
  host.next = [this] { GoNext(); };
  host.restart = [this] { ShowCurrentFile(false, 1); };
  host.next_view = [this] { ToolButton5Click(); };
  host.delete_current = [this] { TBTrashClick(); };
  host.toggle_tag = [this] { TBTagClick(); };
  host.open_preview = [this] { OpenPreviewOfCurrent(); };
  host.stop_animation = [this] { StopAnimation(); };
  host.slide_show = [this] { DoSlideShow1Click(); };
  return host;
}

// A step asked for while a GIF animates stops the animation; the show itself is refused while
// the animation ends, so the position stays where it was.
bool TVeldrimon69::GoNext() {
  StopAnimation();
  const bool shown = Next(Navigation());
  RefreshNavigation();
  return shown;
}

bool TVeldrimon69::GoPrevious() {
  StopAnimation();
  const bool shown = Previous(Navigation());
  RefreshNavigation();
  return shown;
}

void TVeldrimon69::GoFirst() {
  StopAnimation();
  First(Navigation());
  RefreshNavigation();
}

void TVeldrimon69::GoLast() {
  StopAnimation();
  Last(Navigation());
  RefreshNavigation();
}

void TVeldrimon69::TBTagClick() {
  const int position = files_list_->Current();
  if (position < 0 || position >= files_list_->Count()) return;
  if (list_window_) {
    // Through the files list window, so that its row, status and previews follow; it tells this
    // window back (list_edited), which refreshes the buttons and the status.
    list_window_->ToggleTag(position);
    return;
  }
  files_list_->ToggleTag(position);
  RefreshNavigation();
}

void TVeldrimon69::ToggleSoundOnOff1Click() {
  settings_.sound = !settings_.sound;
  ShowSoundState();
}

void TVeldrimon69::ShowSoundState() {
  if (QAction* a = action(Act::kSound)) a->setChecked(settings_.sound);
  if (services_.sounds != nullptr) services_.sounds->SetEnabled(settings_.sound);
  const QIcon& icon = button_icons_[settings_.sound ? kImageSoundOn : kImageSoundOff];
  if (TBSpeaker != nullptr) TBSpeaker->setIcon(icon);
  if (QAction* a = action(Act::kSound)) a->setIcon(icon);
}

void TVeldrimon69::OpenPreviewOfCurrent() {
  if (files_list_->Empty()) return;
  EnsureListWindow().previews().OpenPreview(files_list_->FilePathAt(files_list_->Current()));
}

void TVeldrimon69::RefreshNavigation() {
  const int count = files_list_->Count();
  const int position = files_list_->Current();
  const NavigationButtons b = ButtonsFor(position, count);
  TBPrev->setEnabled(menus_enabled_ && b.previous);
  TBNext->setEnabled(menus_enabled_ && b.next);
  TBFirst->setEnabled(menus_enabled_ && b.first);
  TBLast->setEnabled(menus_enabled_ && b.last);
  // The menu's steps follow the buttons: a step that cannot move is disabled.
  if (QAction* previous = action(Act::kPrevious1)) {
    previous->setEnabled(menus_enabled_ && b.previous);
  }
  if (QAction* next = action(Act::kNext1)) next->setEnabled(menus_enabled_ && b.next);
  if (QAction* first = action(Act::kFirst1)) first->setEnabled(menus_enabled_ && b.first);
  if (QAction* last = action(Act::kLast1)) last->setEnabled(menus_enabled_ && b.last);
  // The slide-show entries need a list, and no show, animation or full-screen loop running.
  const bool can_slide = kSlideShowBuilt && b.slide_show && menus_enabled_ &&
                         !slide_show_running() && !gif_.playing() &&
                         (full_screen_ == nullptr || !full_screen_->looping());
  for (Act id : {Act::kPopSlideShow, Act::kDoSlideShow1}) {
    if (QAction* slide = action(id)) slide->setEnabled(can_slide);
  }
  if (TBSlide != nullptr) TBSlide->setEnabled(can_slide);
  // Reloading and the full-screen entries need a list, and wait while an animation plays.
  const bool animating = gif_.playing();
  if (QAction* restart = action(Act::kPopGifStart)) {
    restart->setEnabled(b.slide_show && !animating);
  }
  if (SpeedButton14 != nullptr) SpeedButton14->setEnabled(b.slide_show && !animating);
  for (Act id : {Act::kFullShrink, Act::kFullFit, Act::kFullActual}) {
    if (QAction* a = action(id)) a->setEnabled(b.full_screen && !animating);
  }
  // The tag button shows the state of the entry at the position.
  const lists::FileEntry* entry = files_list_->Peek(position);
  const bool tagged = entry != nullptr && entry->tagged;
  if (TBTag->property("tagged").isNull() || TBTag->property("tagged").toBool() != tagged) {
    TBTag->setIcon(button_icons_[tagged ? kImageTagged : kImageUntagged]);
    TBTag->setProperty("tagged", tagged);
  }
}

void TVeldrimon69::TBTrashClick() {
  if (show_pipeline_.busy()) return;
  recycle::RecycleBin* bin = recycle_->bin();
  if (!files_list_->Empty() && bin == nullptr) return;
  DeleteHost host;
  host.position = [this] { return files_list_->Current(); };
  host.count = [this] { return files_list_->Count(); };
  host.path_at = [this](int at) { return files_list_->FilePathAt(at); };
  host.play = [this](const char* sound) {
    if (services_.sounds != nullptr) services_.sounds->Play(sound);
  };
  host.confirm = [this](const std::string& text) {
    return services_.ui->Ask(platform::MessageKind::kQuestion, "Confirm", text,
                             platform::kButtonYes | platform::kButtonNo) == platform::Answer::kYes;
  };
  host.delete_through_bin = [this, bin](const std::string& path) {
    // The companion file goes with the picture without a further question.
    platform::ConfirmScope companion(*services_.ui);
    companion.HoldYesToAll();
    return bin->DeleteThroughBin(path, &companion);
  };
  host.remove = [this](const std::string& path, int position) {
    files_list_->RemoveFromFilesList(path);
    files_list_->SetCurrent(position);
    if (list_window_) list_window_->ListChanged();
  };
  host.clear_picture = [this] {
    ClearPicture();
    LayOutFitPane(true);
    if (fit_pane_ != nullptr) fit_pane_->RepaintPicture();
  };
  host.show = [this] { ShowCurrentFile(false, 1); };
  if (DeleteCurrentFile(host) != DeleteResult::kDeleted) return;
  RefreshNavigation();
  UpdateStatusAndCaption();
  recycle_->ShowBinState();
  WriteStateFile();
}

}  // namespace vr::shell::ui
