#pragma once
// The viewer's parts, put together from the platform services: the files list, the recycle bin
// in the program folder (deleting a file for good drops its note) and the Notes database service.

#include "platform/services.h"
#include "shell/ui/viewer_parts.h"

namespace vr::app {

shell::ui::ViewerParts MakeViewerParts(const platform::Services& services);

// The Notes database service on its own (the parts above hold one).
std::unique_ptr<shell::ui::NotesService> MakeNotesService();

}  // namespace vr::app
