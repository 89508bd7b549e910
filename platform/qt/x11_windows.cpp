#include "platform/qt/x11_windows.h"

#include <QGuiApplication>
#include <cstdlib>
#include <memory>

#if VR_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace vr::platform {

namespace {

#if VR_HAVE_XCB
xcb_connection_t* Connection() {
  if (QGuiApplication::platformName() != "xcb") return nullptr;
  auto* app = qGuiApp;
  if (app == nullptr) return nullptr;
  auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
  return x11 != nullptr ? x11->connection() : nullptr;
}

struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename T>
using Reply = std::unique_ptr<T, FreeReply>;
#endif

}  // namespace

bool OnX11() {
#if VR_HAVE_XCB
  return Connection() != nullptr;
#else
  return false;
#endif
}

std::vector<ScreenWindow> X11TopLevelWindows(QPoint origin) {
  std::vector<ScreenWindow> windows;
#if VR_HAVE_XCB
  xcb_connection_t* c = Connection();
  if (c == nullptr || xcb_connection_has_error(c) != 0) return windows;
  const xcb_screen_iterator_t roots = xcb_setup_roots_iterator(xcb_get_setup(c));
  if (roots.rem == 0) return windows;
  const Reply<xcb_query_tree_reply_t> tree(
      xcb_query_tree_reply(c, xcb_query_tree(c, roots.data->root), nullptr));
  if (!tree) return windows;
  // The root's children come bottom to top; under a window manager they are its frames, so a
  // child's rectangle is the window as seen, title bar included.
  const xcb_window_t* children = xcb_query_tree_children(tree.get());
  const int count = xcb_query_tree_children_length(tree.get());
  std::vector<xcb_get_window_attributes_cookie_t> attribute_asks;
  std::vector<xcb_get_geometry_cookie_t> geometry_asks;
  for (int i = 0; i < count; ++i) {
    attribute_asks.push_back(xcb_get_window_attributes(c, children[i]));
    geometry_asks.push_back(xcb_get_geometry(c, children[i]));
  }
  for (int i = 0; i < count; ++i) {
    const Reply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, attribute_asks[static_cast<size_t>(i)], nullptr));
    const Reply<xcb_get_geometry_reply_t> geometry(
        xcb_get_geometry_reply(c, geometry_asks[static_cast<size_t>(i)], nullptr));
    if (!attributes || !geometry) continue;  // gone meanwhile
    if (attributes->map_state != XCB_MAP_STATE_VIEWABLE ||
        attributes->_class != XCB_WINDOW_CLASS_INPUT_OUTPUT) {
      continue;
    }
    const int border = geometry->border_width;
    windows.push_back({geometry->x - origin.x(), geometry->y - origin.y(),
                       geometry->width + 2 * border, geometry->height + 2 * border});
  }
#else
  (void)origin;
#endif
  return windows;
}

}  // namespace vr::platform
