#pragma once
// What showing the current file of the list does, apart from the windows: the re-entry rule (a
// request that arrives during a show is served right after it), the clean-up of temporary copies
// from earlier shows, the sound file of the same name, what the file is shown as, and the decode
// with the picture's file depth and GIF comments (taking the start-up decode when it matches).
// The main window asks, then puts the answer on the screen.

#include <cstdint>
#include <string>
#include <vector>

#include "picture/decode_options.h"
#include "picture/picture_holder.h"
#include "shell/show_state.h"

namespace vr::platform {
class Folders;
class Sounds;
}  // namespace vr::platform

namespace vr::shell {

class PicturePrefetch;

// How the current file is shown.
enum class ShowAs {
  kNothing,  // the empty list: the picture is cleared
  kMedia,    // a movie or a sound: the media pane plays it
  kPicture,  // decoded into the shown picture
  kAgain,    // the picture already shown stays (the later passes of an animation)
};

struct ShowStep {
  ShowAs as = ShowAs::kNothing;
  // Each load starts without the GIF comments of the picture before.
  bool clear_comments = false;
  std::string sound;  // the sound file played along, empty when none
};

// A decoded file, or the reason there is none.
struct LoadedPicture {
  bool ok = false;
  picture::PictureHolder holder;
  uint16_t kind = 0;   // by name (picture/kinds.h)
  int file_bits = -1;  // the depth the file holds, as the properties tell it
  std::vector<std::string> gif_comments;
};

struct ShowServices {
  platform::Folders* folders = nullptr;  // the temporary folder of the clean-up
  platform::Sounds* sounds = nullptr;    // null: no same-name sound
  PicturePrefetch* prefetch = nullptr;   // the start-up decode, optional
};

inline constexpr const char* kLoadErrorText = "Error loading file:";

class ShowPipeline {
 public:
  explicit ShowPipeline(ShowServices services) : services_(services) {}

  // The re-entry rule: Begin refuses while a show runs (remembering `name` when asked to), End
  // gives the name to serve next (empty when none).
  bool Begin(bool remember_if_busy, const std::string& name) {
    return state_.Begin(remember_if_busy, name);
  }
  std::string End() { return state_.End(); }
  bool busy() const { return state_.busy(); }
  // The decode made ahead that Load takes when path and options match (null: none).
  void SetPrefetch(PicturePrefetch* prefetch) { services_.prefetch = prefetch; }
  PicturePrefetch* prefetch() const { return services_.prefetch; }

  // One pass of a show of `name` (lists::kNoFile for the empty list): removes the temporary
  // copies of earlier shows, plays the same-name sound when `play_wav` and says what to show.
  // `animate` 2 keeps the picture (a later pass of an animation).
  ShowStep Prepare(const std::string& name, int animate, bool play_wav);

  // Decodes `path` as the viewer shows it. The GIF comments are read for every name of the GIF
  // kind, also when the decode fails.
  LoadedPicture Load(const std::string& path, const picture::DecodeOptions& decode) const;

 private:
  ShowServices services_;
  ShowState state_;
};

}  // namespace vr::shell
