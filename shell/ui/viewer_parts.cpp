#include "shell/ui/viewer_parts.h"

#include "lists/files_list.h"
#include "lists/recycle/recycle_bin.h"

namespace vr::shell::ui {

ViewerParts::ViewerParts() = default;
ViewerParts::~ViewerParts() = default;
ViewerParts::ViewerParts(ViewerParts&&) noexcept = default;
ViewerParts& ViewerParts::operator=(ViewerParts&&) noexcept = default;

}  // namespace vr::shell::ui
