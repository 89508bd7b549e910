// The local files named by a drop's data, in the order given; web addresses are left out.
#pragma once

#include <QMimeData>
#include <QUrl>
#include <string>
#include <vector>

namespace vr::platform {

inline std::vector<std::string> DroppedLocalPaths(const QMimeData* data) {
  std::vector<std::string> paths;
  if (data == nullptr) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths.push_back(url.toLocalFile().toStdString());
  }
  return paths;
}

}  // namespace vr::platform
