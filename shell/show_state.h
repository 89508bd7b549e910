#pragma once
// The busy flag and pending name of show current file: a request that arrives while a picture is
// being loaded (from messages the load itself lets through) is stored and served right after.

#include <string>

namespace vr::shell {

class ShowState {
 public:
  // Starts a show. While busy it refuses, storing `name` as pending when asked to remember.
  bool Begin(bool remember_if_busy, const std::string& name) {
    if (busy_) {
      if (remember_if_busy) pending_ = name;
      return false;
    }
    busy_ = true;
    pending_.clear();
    return true;
  }
  // Ends a show; gives the pending name to serve next (empty when none) and clears it.
  std::string End() {
    busy_ = false;
    std::string next;
    next.swap(pending_);
    return next;
  }
  bool busy() const { return busy_; }
  const std::string& pending() const { return pending_; }

 private:
  bool busy_ = false;
  std::string pending_;
};

}  // namespace vr::shell
