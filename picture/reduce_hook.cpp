#include "picture/reduce_hook.h"

#include <atomic>

namespace vr::picture {
namespace {

// Read from the preview threads too, hence an atomic.
std::atomic<ReduceToScreenHook> g_reduce_to_screen{nullptr};

}  // namespace

void SetReduceToScreenHook(ReduceToScreenHook hook) { g_reduce_to_screen.store(hook); }
ReduceToScreenHook GetReduceToScreenHook() { return g_reduce_to_screen.load(); }

bool ReduceToScreen(Bitmap& bitmap, Palette6& palette) {
  const ReduceToScreenHook hook = g_reduce_to_screen.load();
  return hook != nullptr && hook(bitmap, palette);
}

}  // namespace vr::picture
