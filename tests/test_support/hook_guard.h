#pragma once
// Puts a global hook back to what it was when the guard was made, also when an assertion ends
// the test early.

namespace vr::test_support {

template <typename Hook>
class HookGuard {
 public:
  HookGuard(Hook (*get)(), void (*set)(Hook)) : set_(set), previous_(get()) {}
  ~HookGuard() { set_(previous_); }
  HookGuard(const HookGuard&) = delete;
  HookGuard& operator=(const HookGuard&) = delete;

 private:
  void (*set_)(Hook);
  Hook previous_;
};

}  // namespace vr::test_support
