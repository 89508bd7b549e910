#pragma once
// New file names that did not exist and now do: the JPEG preview's temporary file and other
// scratch files. The name is folder + prefix + n digits of the clock + extension; it is claimed by
// renaming a scratch file onto it, which refuses an existing name, so two callers in the same
// millisecond never get the same name.

#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/files.h"

namespace vr::colour {

// `folder` ends with a separator. ".TMP" names come from the exclusive temporary-file service.
// Nothing when no name could be claimed (an unwritable folder, 100 names in a row taken).
std::optional<std::string> MakeUniqueName(platform::Files& files, const platform::Clock& clock,
                                          const std::string& folder, const std::string& prefix,
                                          const std::string& extension, int digits);

}  // namespace vr::colour
