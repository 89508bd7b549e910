#pragma once
// Progress texts of the searches, at most one every 100 ms: the text is only made when it will be
// shown. `Services` holds `progress` (shows a text) and `ticks` (milliseconds; unset: every call
// shows).
#include <cstdint>
#include <functional>
#include <string>

namespace vr::search {

template <class Services>
class ProgressThrottle {
 public:
  explicit ProgressThrottle(Services& s) : s_(s) {}
  void Show(const std::function<std::string()>& text) {
    if (!s_.progress) return;
    if (s_.ticks) {
      const uint32_t now = s_.ticks();
      if (shown_ && now - last_ < 100) return;
      last_ = now;
    }
    shown_ = true;
    s_.progress(text());
  }

 private:
  Services& s_;
  uint32_t last_ = 0;
  bool shown_ = false;
};

}  // namespace vr::search
