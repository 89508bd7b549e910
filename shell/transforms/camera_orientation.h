#pragma once
// Turning a decoded photo upright as its camera's Exif orientation says, through the viewer's own
// mirror, flip and rotate.

#include "picture/bitmap.h"

namespace vr::transforms {

// Applies Exif orientation 2..8 to `bitmap` (1 and unknown values leave it alone). False when the
// rotation could not be made (memory); the picture is then as decoded.
bool ApplyCameraOrientation(picture::Bitmap& bitmap, int orientation);

}  // namespace vr::transforms
