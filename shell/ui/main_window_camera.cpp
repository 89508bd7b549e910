// The main window's side of camera orientation: "Turn Photos Upright (Camera Orientation)" in the
// "&Options" menu sets how every load (viewer, previews, thumbnails, look-alike fingerprints,
// export) treats a photo's Exif orientation, and shows the current photo again under the choice.
#include "lists/files_list.h"
#include "picture/camera/camera_facts.h"
#include "picture/kinds.h"
#include "shell/ui/main_window.h"

namespace vr::shell::ui {

void TVeldrimon69::TurnPhotosUprightToggled(bool on) {
  if (camera::TurnPhotosUpright() == on) return;
  camera::SetTurnPhotosUpright(on);
  // Only a shown JPEG can change; other pictures and the empty window stay as they are.
  if (!picture_shown_ || shown_kind_ != picture::kKindJpeg) return;
  ShowCurrentFile(false, 1);
}

}  // namespace vr::shell::ui
