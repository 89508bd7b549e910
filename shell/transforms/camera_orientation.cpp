#include "shell/transforms/camera_orientation.h"

#include "shell/transforms/transforms.h"

namespace vr::transforms {

bool ApplyCameraOrientation(picture::Bitmap& bitmap, int orientation) {
  if (bitmap.Empty()) return false;
  switch (orientation) {
    case 2:
      Mirror(bitmap);
      return true;
    case 3:  // half a turn
      Mirror(bitmap);
      Flip(bitmap);
      return true;
    case 4:
      Flip(bitmap);
      return true;
    case 5:  // transposed: a quarter right, then mirrored
      if (!Rotate(bitmap).ok) return false;
      Mirror(bitmap);
      return true;
    case 6:
      return Rotate(bitmap).ok;
    case 7:  // transversed: a quarter right, then flipped
      if (!Rotate(bitmap).ok) return false;
      Flip(bitmap);
      return true;
    case 8:  // a quarter left: a quarter right and half a turn
      if (!Rotate(bitmap).ok) return false;
      Mirror(bitmap);
      Flip(bitmap);
      return true;
    default:
      return false;
  }
}

}  // namespace vr::transforms
