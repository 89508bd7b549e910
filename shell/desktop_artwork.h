#pragma once
// The files the set-up installs beside the .desktop file in the user's data folder: the
// application icon (scalable and at 48 and 256 pixels, in the hicolor theme) and the AppStream
// metainfo that software centres read.

#include <string_view>
#include <utility>
#include <vector>

namespace vr::shell {

// The name of the icon in the theme, as the .desktop file's Icon= key gives it.
inline constexpr const char* kIconName = "veldrimon";

// Each file's path below the data folder and its bytes.
std::vector<std::pair<std::string_view, std::string_view>> DesktopArtwork();

}  // namespace vr::shell
