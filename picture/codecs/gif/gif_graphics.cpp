#include "picture/codecs/gif/gif_graphics.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "picture/decode_progress.h"
#include "platform/folders.h"

namespace vr::codecs::gif {

using picture::PixelFormat;
using picture::TFastFileIO;

const uint8_t kTableA6[48] = {0,  0, 0,  63, 63, 63, 0,  0,  32, 0,  32, 0,  0,  32, 32, 32,
                              0,  0, 32, 0,  32, 32, 32, 0,  42, 42, 42, 21, 21, 21, 0,  0,
                              63, 0, 63, 0,  0,  63, 63, 63, 0,  0,  63, 0,  63, 63, 63, 0};
const uint8_t kTableB6[48] = {0, 0,  0,  32, 0,  0,  0,  32, 0,  32, 32, 0,  0,  0,  32, 32,
                              0, 32, 0,  32, 32, 32, 32, 32, 47, 47, 47, 63, 0,  0,  0,  63,
                              0, 63, 63, 0,  0,  0,  63, 63, 0,  63, 0,  63, 63, 63, 63, 63};
const Rgb kTextColours[16] = {{0, 0, 0},       {0, 0, 128},   {0, 128, 0},   {0, 128, 128},
                              {128, 0, 0},     {128, 0, 128}, {128, 128, 0}, {128, 128, 128},
                              {192, 192, 192}, {0, 0, 255},   {0, 255, 0},   {0, 255, 255},
                              {255, 0, 0},     {255, 0, 255}, {255, 255, 0}, {255, 255, 255}};

namespace {

// The blue-grey shown where a transparent first frame draws nothing (6-bit units).
constexpr uint8_t kTransparent6[3] = {16, 32, 47};
// A composition is refused when it is larger than this many pixels and larger than any LZW
// stream of the file's size could fill (each code yields at most 4096 pixels and costs at
// least 3 bits), so a tiny file cannot ask for gigabytes.
constexpr uint64_t kAlwaysAllowedPixels = uint64_t{16} << 20;
constexpr uint64_t kPixelsPerFileByte = 8 * 4096 / 3;

bool IsSignature(const uint8_t* sig) {
  return std::memcmp(sig, "GIF87a", 6) == 0 || std::memcmp(sig, "GIF89a", 6) == 0;
}

bool Intersect(const GifRect& rect, int width, int height, GifRect* out) {
  const int left = std::max(rect.left, 0);
  const int top = std::max(rect.top, 0);
  const int right = std::min(rect.left + rect.width, width);
  const int bottom = std::min(rect.top + rect.height, height);
  *out = GifRect{left, top, right - left, bottom - top};
  return right > left && bottom > top;
}

bool Covers(const GifRect& rect, int width, int height) {
  return rect.left >= 0 && rect.top >= 0 && rect.left + rect.width <= width &&
         rect.top + rect.height <= height;
}

}  // namespace

// Decoding tables. The string of every code is kept as (prefix, suffix) with its length and
// first pixel, so a code's pixels are written straight into the row buffer back to front and
// no stack of pending pixels is needed.
struct TGifGraphics::Lzw {
  uint16_t prefix[kLzwTableSize];
  uint8_t suffix[kLzwTableSize];
  uint8_t first[kLzwTableSize];
  uint16_t length[kLzwTableSize];
  std::vector<uint8_t> line;
};

// The area under an image with disposal 3, kept until the next image restores it. Small areas
// stay in memory; larger ones go to a temporary file "Gifv" + 4 digits + ".$$$" created
// exclusively with owner-only rights, removed when the load ends.
class TGifGraphics::RestoreStore {
 public:
  ~RestoreStore() { Remove(); }

  bool Save(const Bitmap& composition, const GifRect& area) {
    area_ = area;
    valid_ = false;
    const size_t bytes = static_cast<size_t>(area.width) * static_cast<size_t>(area.height);
    if (bytes <= kInMemoryRestoreLimit) {
      memory_.resize(bytes);
      for (int y = 0; y < area.height; ++y) {
        std::memcpy(memory_.data() + static_cast<size_t>(y) * area.width,
                    composition.Row(area.top + y) + area.left, static_cast<size_t>(area.width));
      }
      in_memory_ = true;
      valid_ = true;
      return true;
    }
    in_memory_ = false;
    memory_.clear();
    if (fd_ < 0 && !Create()) return false;
    for (int y = 0; y < area.height; ++y) {
      const off_t offset = static_cast<off_t>(y) * area.width;
      if (pwrite(fd_, composition.Row(area.top + y) + area.left, static_cast<size_t>(area.width),
                 offset) != area.width) {
        return false;
      }
    }
    valid_ = true;
    return true;
  }

  // Writes the saved rows back; false when nothing could be restored.
  bool Restore(Bitmap& composition) {
    if (!valid_) return false;
    valid_ = false;
    GifRect area = area_;
    if (!Covers(area, composition.Width(), composition.Height())) return false;
    for (int y = 0; y < area.height; ++y) {
      uint8_t* row = composition.Row(area.top + y) + area.left;
      if (in_memory_) {
        std::memcpy(row, memory_.data() + static_cast<size_t>(y) * area.width,
                    static_cast<size_t>(area.width));
      } else if (pread(fd_, row, static_cast<size_t>(area.width),
                       static_cast<off_t>(y) * area.width) != area.width) {
        return false;
      }
    }
    return true;
  }

  void Remove() {
    if (fd_ >= 0) {
      ::close(fd_);
      ::unlink(path_.c_str());
      fd_ = -1;
    }
    memory_.clear();
    valid_ = false;
  }

  const std::string& Path() const { return path_; }

 private:
  bool Create() {
    const std::string folder = platform::ResolveTempFolder(platform::ProcessEnvironment());
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    unsigned stamp =
        static_cast<unsigned>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    for (int attempt = 0; attempt < 10000; ++attempt) {
      char digits[8];
      std::snprintf(digits, sizeof(digits), "%04u", (stamp + attempt) % 10000);
      const std::string path = folder + "Gifv" + digits + ".$$$";
      const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (fd >= 0) {
        fd_ = fd;
        path_ = path;
        return true;
      }
      if (errno != EEXIST) return false;
    }
    return false;
  }

  GifRect area_;
  bool valid_ = false;
  bool in_memory_ = true;
  std::vector<uint8_t> memory_;
  int fd_ = -1;
  std::string path_;
};

TGifGraphics::TGifGraphics()
    : host_(&DefaultGifHost()),
      palette6_(768, 0),
      palette8_(256),
      lzw_(std::make_unique<Lzw>()),
      restore_(std::make_unique<RestoreStore>()) {}

TGifGraphics::~TGifGraphics() = default;

bool TGifGraphics::LoadGif(const std::string& path, Bitmap& composition) {
  TFastFileIO io;
  if (!io.Open(path)) {
    ResetResults();
    error_ = kNotGifText;
    Fail(composition);
    return false;
  }
  return LoadGif(io, composition);
}

bool TGifGraphics::LoadGif(TFastFileIO& io, Bitmap& composition) {
  return Run(io, composition, still_request_ ? Mode::kStill : Mode::kPlay);
}

bool TGifGraphics::IsAnimatedGif(const std::string& path) {
  TFastFileIO io;
  if (!io.Open(path)) return false;
  return IsAnimatedGif(io);
}

bool TGifGraphics::IsAnimatedGif(TFastFileIO& io) {
  const bool preview = preview_mode_;
  const bool still = still_flag_;
  preview_mode_ = true;
  still_flag_ = true;
  Bitmap hidden;
  hidden.Create(1, 1, PixelFormat::k8);
  Run(io, hidden, Mode::kScan);
  preview_mode_ = preview;
  still_flag_ = still;
  return animated_;
}

void TGifGraphics::ResetResults() {
  bits_ = 8;
  interlaced_ = false;
  animated_ = false;
  result_transparent_index_ = -1;
  transparent_colour6_[0] = transparent_colour6_[1] = transparent_colour6_[2] = -1;
  comment_lines_.clear();
  comment_bytes_.clear();
  comment_started_ = false;
  palette6_.assign(768, 0);
  palette8_.assign(256, Rgb{});
  true_colour_ = false;
  error_.clear();
  gif89a_ = false;
  screen_width_ = screen_height_ = 0;
  background_index_ = aspect_ = 0;
  pixel_mask_ = 255;
  composition_ready_ = false;
  default_canvas_text_ = false;
  clipped_ = false;
  suppress_clip_message_ = false;
  palette_dirty_ = true;
  override_index_ = -1;
  applied_override_ = -2;
  images_seen_ = 0;
  images_drawn_ = 0;
  frames_shown_ = 0;
  reports_ = 0;
  wait_completed_ = false;
  control_ = Control{};
  previous_control_ = Control{};
  have_previous_ = false;
  previous_rect_ = GifRect{};
  restore_->Remove();
}

void TGifGraphics::Fail(Bitmap& composition) {
  composition.Create(1, 1, PixelFormat::k8);
  composition.SetPalette(std::vector<Rgb>(256));
  bits_ = 8;
}

bool TGifGraphics::ReadHeader(TFastFileIO& io) {
  uint8_t sig[6];
  io.ReadBlock(sig, 6);
  if (!IsSignature(sig)) {
    io.Skip(122);
    io.ReadBlock(sig, 6);
    if (!IsSignature(sig)) return false;
  }
  gif89a_ = sig[4] == '9';
  screen_width_ = io.Read16();
  screen_height_ = io.Read16();
  const uint8_t packed = io.ReadByte();
  background_index_ = io.ReadByte();
  aspect_ = io.ReadByte();
  bits_ = (packed & 7) + 1;
  pixel_mask_ = (1 << bits_) - 1;
  if (packed & 0x80) {
    ReadColourTable(io, 1 << bits_);
  } else {
    SetStandardTable(bits_ == 1 ? kTableA6 : kTableB6);
  }
  return true;
}

void TGifGraphics::SetStandardTable(const uint8_t* table6) {
  std::memcpy(palette6_.data(), table6, 48);
  for (int i = 0; i < 16; ++i) {
    palette8_[i] = Rgb{Expand6(table6[i * 3]), Expand6(table6[i * 3 + 1]), Expand6(table6[i * 3 + 2])};
  }
  palette_dirty_ = true;
}

void TGifGraphics::ReadColourTable(TFastFileIO& io, int entries) {
  uint8_t table[768];
  io.ReadBlock(table, static_cast<size_t>(entries) * 3);
  for (int i = 0; i < entries * 3; ++i) palette6_[i] = static_cast<uint8_t>(table[i] >> 2);
  for (int i = 0; i < entries; ++i) palette8_[i] = Rgb{table[i * 3], table[i * 3 + 1], table[i * 3 + 2]};
  palette_dirty_ = true;
}

void TGifGraphics::SkipSubBlocks(TFastFileIO& io) {
  for (;;) {
    const uint8_t n = io.ReadByte();
    if (n == 0) return;
    io.Skip(n);
  }
}

bool TGifGraphics::Run(TFastFileIO& io, Bitmap& composition, Mode mode) {
  ResetResults();
  source_size_ = io.FileSize();
  still_active_ = mode != Mode::kPlay || still_flag_;
  if (!ReadHeader(io)) {
    error_ = kNotGifText;
    Fail(composition);
    return false;
  }
  if (mode == Mode::kScan && !gif89a_) return true;

  bool ok = true;
  int zero_run = 0;
  for (;;) {
    const uint8_t block = io.ReadByte();
    if (block == 0) {
      if (++zero_run > kMaxZeroBytes) {
        error_ = kCorruptGifText;
        break;
      }
      continue;
    }
    zero_run = 0;
    if (block == 0x21) {
      if (!ReadExtension(io, composition, mode)) {
        ok = !composition.Empty();
        break;
      }
      continue;
    }
    if (block == 0x3B) {
      // The last frame of an animation is shown for its own delay before the caller starts
      // the next cycle.
      if (mode == Mode::kPlay && images_seen_ >= 2) WaitForPrevious();
      break;
    }
    if (block != 0x2C) {
      error_ = kCorruptGifText;
      break;
    }
    GifRect rect;
    rect.left = io.Read16();
    rect.top = io.Read16();
    rect.width = io.Read16();
    rect.height = io.Read16();
    const uint8_t packed = io.ReadByte();
    interlaced_ = (packed & 0x40) != 0;
    if (packed & 0x80) {
      bits_ = (packed & 7) + 1;
      pixel_mask_ = (1 << bits_) - 1;
      ReadColourTable(io, 1 << bits_);
    }
    ++images_seen_;
    if (images_seen_ >= 2) animated_ = true;
    if (mode == Mode::kScan) {
      if (images_seen_ >= 2) break;
      io.ReadByte();
      SkipSubBlocks(io);
      FinishImage(rect);
      continue;
    }
    if (!composition_ready_) {
      if (!SetupComposition(composition, rect)) {
        Fail(composition);
        ok = false;
        break;
      }
    } else {
      WaitForPrevious();
      DisposePrevious(composition);
    }
    if (control_.transparent) override_index_ = control_.transparent_index;
    if (still_active_ && !true_colour_ && frames_shown_ > 0 &&
        (palette_dirty_ || override_index_ != applied_override_) &&
        ShownPalette() != composition.Palette()) {
      // A still picture shows every image at once: when this one brings other colours, what
      // is drawn keeps its own by going over to 24 bits.
      ComposeInTrueColour(composition);
    }
    if (!true_colour_ && (palette_dirty_ || override_index_ != applied_override_)) {
      ApplyPalette(composition);
    }
    if (!DecodeImage(io, composition, rect, interlaced_)) {
      Fail(composition);
      ok = false;
      break;
    }
    ++images_drawn_;
    ReportChange(composition, rect);
    FinishImage(rect);
    if (still_active_ && images_seen_ >= 2) break;
  }

  if (mode != Mode::kScan) {
    if (ok && images_drawn_ == 0 && frames_shown_ == 0) {
      // Nothing drawn at all: a black 640 x 480 canvas.
      if (composition.Create(640, 480, PixelFormat::k8)) {
        composition.SetPalette(std::vector<Rgb>(256));
      }
    }
    if (ok && clipped_ && !preview_mode_ && !suppress_clip_message_) {
      host_->ShowMessage(kClippedGifText);
    }
  }
  animated_ = images_seen_ >= 2 || default_canvas_text_;
  saved_stop_key_ = stop_key_.load();
  MakeCommentLines();
  restore_->Remove();
  return ok;
}

bool TGifGraphics::ReadExtension(TFastFileIO& io, Bitmap& composition, Mode mode) {
  const uint8_t label = io.ReadByte();
  if (label == 0x01) {
    DrawPlainText(io, composition, mode);
    return true;
  }
  const uint8_t length = io.ReadByte();
  if (label == 0xF9) {
    uint8_t data[255] = {};
    io.ReadBlock(data, length);
    if (!control_.taken) {
      control_.taken = true;
      control_.disposal = (data[0] >> 2) & 7;
      control_.user_input = (data[0] & 0x02) != 0;
      control_.transparent = (data[0] & 0x01) != 0;
      control_.delay = data[1] | (data[2] << 8);
      control_.transparent_index = data[3];
      if (control_.transparent && result_transparent_index_ < 0) {
        result_transparent_index_ = control_.transparent_index;
      }
    }
    SkipSubBlocks(io);
    return true;
  }
  if (label == 0xFE && !preview_mode_ && mode != Mode::kScan) {
    comment_started_ = true;
    uint8_t n = length;
    while (n != 0) {
      uint8_t data[255];
      io.ReadBlock(data, n);
      // Text beyond the buffer of one load is dropped.
      const size_t room = kCommentBufferSize - std::min(kCommentBufferSize, comment_bytes_.size());
      comment_bytes_.append(reinterpret_cast<const char*>(data), std::min<size_t>(room, n));
      n = io.ReadByte();
    }
    return true;
  }
  // Other extensions (application blocks included) are skipped whole.
  if (length != 0) {
    io.Skip(length);
    SkipSubBlocks(io);
  }
  return true;
}

uint8_t TGifGraphics::NearestIndex(Rgb colour) const {
  int best = 0;
  int best_distance = 1 << 30;
  for (int i = 0; i < 256; ++i) {
    const int dr = palette8_[i].r - colour.r;
    const int dg = palette8_[i].g - colour.g;
    const int db = palette8_[i].b - colour.b;
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < best_distance) {
      best_distance = distance;
      best = i;
    }
  }
  return static_cast<uint8_t>(best);
}

bool TGifGraphics::SetupComposition(Bitmap& composition, const GifRect& first) {
  int width = screen_width_ > 0 ? screen_width_ : first.width;
  int height = screen_height_ > 0 ? screen_height_ : first.height;
  bool enlarged = false;
  if (first.left + first.width > width || first.top + first.height > height) {
    width = std::max(width, first.left + first.width);
    height = std::max(height, first.top + first.height);
    enlarged = true;
  }
  if (width <= 0 || height <= 0) return false;
  const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
  if (pixels > kAlwaysAllowedPixels && pixels / kPixelsPerFileByte > source_size_) {
    error_ = kTooLargeGifText;
    return false;
  }
  if (!composition.Create(width, height, PixelFormat::k8)) {
    error_ = kTooLargeGifText;
    return false;
  }
  uint8_t fill = 0;
  if (control_.transparent) {
    const int t = control_.transparent_index;
    for (int c = 0; c < 3; ++c) transparent_colour6_[c] = palette6_[t * 3 + c];
    override_index_ = t;
    fill = static_cast<uint8_t>(t);
  } else if (preview_mode_) {
    fill = NearestIndex(background_);
  } else if (!enlarged) {
    fill = NearestIndex(Rgb{0, 0, 0});
  }
  std::memset(composition.Data(), fill, composition.ByteSize());
  composition_ready_ = true;
  ApplyPalette(composition);
  host_->CompositionSize(width, height, screen_width_, screen_height_);
  return true;
}

std::vector<Rgb> TGifGraphics::ShownPalette() const {
  std::vector<Rgb> palette = palette8_;
  if (override_index_ >= 0 && override_index_ < 256) {
    palette[override_index_] =
        preview_mode_
            ? background_
            : Rgb{Expand6(kTransparent6[0]), Expand6(kTransparent6[1]), Expand6(kTransparent6[2])};
  }
  return palette;
}

void TGifGraphics::ComposeInTrueColour(Bitmap& composition) {
  Bitmap deep;
  if (!deep.Create(composition.Width(), composition.Height(), PixelFormat::k24)) return;
  const std::vector<Rgb>& old = composition.Palette();
  for (int y = 0; y < composition.Height(); ++y) {
    const uint8_t* src = composition.Row(y);
    uint8_t* dst = deep.Row(y);
    for (int x = 0; x < composition.Width(); ++x, dst += 3) {
      const Rgb c = src[x] < old.size() ? old[src[x]] : Rgb{};
      dst[0] = c.b;
      dst[1] = c.g;
      dst[2] = c.r;
    }
  }
  composition = std::move(deep);
  true_colour_ = true;
  palette_dirty_ = false;
  applied_override_ = override_index_;
}

void TGifGraphics::ApplyPalette(Bitmap& composition) {
  composition.SetPalette(ShownPalette());
  palette_dirty_ = false;
  applied_override_ = override_index_;
  if (thread_mode_) host_->PaletteChanged(composition);
}

void TGifGraphics::FillRect(Bitmap& composition, const GifRect& rect, uint8_t index) {
  GifRect area;
  if (!Covers(rect, composition.Width(), composition.Height())) clipped_ = true;
  if (!Intersect(rect, composition.Width(), composition.Height(), &area)) return;
  for (int y = area.top; y < area.top + area.height; ++y) {
    std::memset(composition.Row(y) + area.left, index, static_cast<size_t>(area.width));
  }
}

void TGifGraphics::Wait(int delay_hundredths) {
  if (delay_hundredths <= 0 || still_active_) return;
  const int total = delay_hundredths * 10;
  auto stop_requested = [this]() {
    const int key = stop_key_.load();
    if (key == kStopKeyEnter) {
      stop_key_.store(0);
      return true;
    }
    return key != 0;
  };
  if (stop_requested()) return;
  if (thread_mode_) {
    for (int remaining = total; remaining > 0;) {
      const int slice = std::min(remaining, 100);
      host_->Sleep(slice);
      remaining -= slice;
      if (stop_requested()) return;
    }
    wait_completed_ = true;
    return;
  }
  const uint32_t start = host_->MillisecondsInHour();
  for (;;) {
    const uint32_t now = host_->MillisecondsInHour();
    if (now < start) return;  // the clock went back (or the hour turned)
    const uint32_t elapsed = now - start;
    if (elapsed >= static_cast<uint32_t>(total)) {
      wait_completed_ = true;
      return;
    }
    if (preview_mode_) {
      if (!host_->PrimaryButtonDown()) {
        stop_key_.store(kStopKeyEscape);
        return;
      }
    } else {
      if (host_->KeyPending()) stop_key_.store(kStopKeyEnter);
      host_->ProcessMessages();
      host_->ProcessMessages();
    }
    if (stop_requested()) return;
    host_->Sleep(std::min<int>(10, total - static_cast<int>(elapsed)));
  }
}

void TGifGraphics::WaitForPrevious() {
  if (!have_previous_ || previous_rect_.width < 2 || previous_rect_.height < 2) return;
  const Control& p = previous_control_;
  if (p.user_input && p.delay == 0) {
    if (preview_mode_ || still_active_) return;
    host_->Beep();
    for (;;) {
      if (host_->KeyPending()) stop_key_.store(kStopKeyEnter);
      const int key = stop_key_.load();
      if (key == kStopKeyEnter) {
        stop_key_.store(0);
        return;
      }
      if (key != 0) return;
      if (!thread_mode_) host_->ProcessMessages();
      host_->Sleep(125);
    }
  }
  int delay = p.delay;
  if (delay >= 1 && delay <= 3) {
    delay = 4;
  } else if (delay == 0 && !p.user_input && frames_shown_ >= 2) {
    delay = 2;
  }
  if (preview_mode_ && delay > 250) delay = 250;
  Wait(delay);
}

void TGifGraphics::DisposePrevious(Bitmap& composition) {
  if (!have_previous_ || previous_rect_.width < 2 || previous_rect_.height < 2) return;
  const Control& p = previous_control_;
  if (p.disposal == 2) {
    FillRect(composition, previous_rect_,
             static_cast<uint8_t>(p.transparent ? p.transparent_index : 0));
  } else if (p.disposal == 3) {
    restore_->Restore(composition);
  }
}

void TGifGraphics::SaveArea(const Bitmap& composition, const GifRect& area) {
  GifRect visible;
  if (!Intersect(area, composition.Width(), composition.Height(), &visible)) return;
  restore_->Save(composition, visible);
}

void TGifGraphics::ReportChange(Bitmap& composition, const GifRect& rect) {
  ++reports_;
  GifRect visible;
  if (!Intersect(rect, composition.Width(), composition.Height(), &visible)) visible = GifRect{};
  if (preview_mode_) {
    if (reports_ % 3 == 0 || wait_completed_) {
      host_->FullRepaint(visible.top);
      wait_completed_ = false;
    }
  } else if (host_->HasSizeHook()) {
    host_->RowsDrawn(visible.top);
  } else {
    host_->ChangedRect(visible);
    if (!thread_mode_) {
      host_->ProcessMessages();
      host_->ProcessMessages();
    }
  }
}

void TGifGraphics::FinishImage(const GifRect& rect) {
  previous_rect_ = rect;
  previous_control_ = control_;
  have_previous_ = true;
  control_ = Control{};
  ++frames_shown_;
}

bool TGifGraphics::DecodeImage(TFastFileIO& io, Bitmap& composition, const GifRect& image,
                               bool interlaced) {
  const int min_size = io.ReadByte();
  if (min_size > 8 || image.width == 0 || image.height == 0) return false;
  // (A still picture gone over to 24 bits draws no further image to restore for.)
  if (control_.disposal == 3 && !true_colour_) SaveArea(composition, image);

  Lzw& t = *lzw_;
  const int clear = 1 << min_size;
  const int end = clear + 1;
  for (int i = 0; i < clear + 2; ++i) {
    t.prefix[i] = 0;
    t.suffix[i] = static_cast<uint8_t>(i & pixel_mask_);
    t.first[i] = t.suffix[i];
    t.length[i] = 1;
  }

  // Code window: whole sub-blocks are appended until at least 256 bytes are held.
  uint8_t window[520 + 8];
  int held = 0;
  bool ended = false;
  uint32_t bit = 0;
  auto refill = [&]() {
    const int start = static_cast<int>(bit >> 3);
    const int rest = held - start;
    std::memmove(window, window + start, static_cast<size_t>(rest));
    held = rest;
    bit &= 7;
    while (!ended && held < 256) {
      const uint8_t n = io.ReadByte();
      if (n == 0) {
        ended = true;
        break;
      }
      io.ReadBlock(window + held, n);
      held += n;
    }
    std::memset(window + held, 0, 4);
  };
  refill();

  const int width = image.width;
  const int height = image.height;
  const int comp_width = composition.Width();
  const int comp_height = composition.Height();
  const bool transparent = control_.transparent;
  const uint8_t transparent_index = static_cast<uint8_t>(control_.transparent_index);
  // A composition gone over to 24 bits takes each pixel's colour from this image's table.
  const std::vector<Rgb> shown = true_colour_ ? ShownPalette() : std::vector<Rgb>();
  t.line.resize(static_cast<size_t>(width) + kLzwTableSize + 8);
  uint8_t* line = t.line.data();

  // Row placement, interlaced in four passes.
  static constexpr int kPassStart[4] = {0, 4, 2, 1};
  static constexpr int kPassStep[4] = {8, 8, 4, 2};
  int pass = 0;
  int row = 0;
  int rows_done = 0;
  auto emit_row = [&](const uint8_t* src, int count) {
    const int y = image.top + row;
    if (y >= comp_height || image.left >= comp_width) {
      clipped_ = true;
    } else {
      int n = count;
      if (image.left + n > comp_width) {
        n = comp_width - image.left;
        clipped_ = true;
      }
      if (true_colour_) {
        uint8_t* dst = composition.Row(y) + static_cast<size_t>(image.left) * 3;
        for (int i = 0; i < n; ++i, dst += 3) {
          if (transparent && src[i] == transparent_index) continue;
          const Rgb c = shown[src[i]];
          dst[0] = c.b;
          dst[1] = c.g;
          dst[2] = c.r;
        }
      } else if (transparent) {
        uint8_t* dst = composition.Row(y) + image.left;
        for (int i = 0; i < n; ++i) {
          if (src[i] != transparent_index) dst[i] = src[i];
        }
      } else {
        std::memcpy(composition.Row(y) + image.left, src, static_cast<size_t>(n));
      }
    }
    if (interlaced) {
      row += kPassStep[pass];
      while (row >= height && pass < 3) {
        ++pass;
        row = kPassStart[pass];
      }
    } else {
      ++row;
    }
  };

  int code_size = min_size + 1;
  int limit = 1 << code_size;
  uint32_t mask = static_cast<uint32_t>(limit - 1);
  int free_code = clear + 2;
  int old = -1;
  size_t x = 0;
  const size_t row_width = static_cast<size_t>(width);
  bool done = false;
  for (;;) {
    if (held - static_cast<int>(bit >> 3) < 4 && !ended) refill();
    if (bit + static_cast<uint32_t>(code_size) > static_cast<uint32_t>(held) * 8) break;
    const uint32_t at = bit >> 3;
    const uint32_t raw = static_cast<uint32_t>(window[at]) |
                         (static_cast<uint32_t>(window[at + 1]) << 8) |
                         (static_cast<uint32_t>(window[at + 2]) << 16);
    const int code = static_cast<int>((raw >> (bit & 7)) & mask);
    bit += static_cast<uint32_t>(code_size);

    if (code == clear) {
      code_size = min_size + 1;
      limit = 1 << code_size;
      mask = static_cast<uint32_t>(limit - 1);
      free_code = clear + 2;
      old = -1;
      continue;
    }
    if (code == end) break;
    size_t len;
    if (old < 0) {
      // The first code after a clear (or at the start) stands for itself.
      line[x] = static_cast<uint8_t>(code & pixel_mask_);
      len = 1;
      old = line[x];
    } else {
      int string_code;
      uint8_t first_pixel;
      if (code < free_code) {
        string_code = code;
        len = t.length[code];
        first_pixel = t.first[code];
      } else {
        // The code being defined: the previous string plus its own first pixel.
        string_code = old;
        len = static_cast<size_t>(t.length[old]) + 1;
        first_pixel = t.first[old];
        line[x + len - 1] = first_pixel;
      }
      uint8_t* p = line + x + t.length[string_code] - 1;
      int k = string_code;
      for (int n = t.length[string_code]; n > 1; --n) {
        *p-- = t.suffix[k];
        k = t.prefix[k];
      }
      *p = t.suffix[k];
      int next_old = code;
      if (free_code < kLzwTableSize) {
        // A full table is kept as it is until the encoder sends a clear code.
        t.prefix[free_code] = static_cast<uint16_t>(old);
        t.suffix[free_code] = first_pixel;
        t.first[free_code] = t.first[old];
        t.length[free_code] = static_cast<uint16_t>(t.length[old] + 1);
        if (code >= free_code) next_old = free_code;
        ++free_code;
        if (free_code >= limit && code_size < 12) {
          ++code_size;
          limit <<= 1;
          mask = static_cast<uint32_t>(limit - 1);
        }
      } else if (code >= free_code) {
        next_old = old;
      }
      old = next_old;
    }
    x += len;
    if (x >= row_width) {
      size_t start = 0;
      while (x - start >= row_width) {
        emit_row(line + start, width);
        picture::ReportDecodeRow(rows_done + 1, height);
        start += row_width;
        if (++rows_done == height) {
          done = true;
          break;
        }
      }
      if (done) break;
      std::memmove(line, line + start, x - start);
      x -= start;
    }
  }
  if (!done && x > 0 && rows_done < height) emit_row(line, static_cast<int>(x));
  if (image.left + width > comp_width || image.top + height > comp_height) clipped_ = true;
  if (!ended) {
    // Whatever is left of the image data: a bounded number of sub-blocks.
    for (int blocks = 0; blocks < kMaxTrailingSubBlocks; ++blocks) {
      const uint8_t n = io.ReadByte();
      if (n == 0) break;
      io.Skip(n);
    }
  }
  return true;
}

void TGifGraphics::DrawPlainText(TFastFileIO& io, Bitmap& composition, Mode mode) {
  const uint8_t length = io.ReadByte();
  uint8_t header[255] = {};
  io.ReadBlock(header, length);
  const GifRect grid{header[0] | (header[1] << 8), header[2] | (header[3] << 8),
                     header[4] | (header[5] << 8), header[6] | (header[7] << 8)};
  const int cell_height = header[9];
  const int foreground = header[10];
  const int back = header[11];
  const bool no_image_yet = !composition_ready_;

  if (mode == Mode::kScan) {
    if (no_image_yet) default_canvas_text_ = !(grid.width == 80 && grid.height == 25);
    SkipSubBlocks(io);
    control_ = Control{};
    return;
  }
  if (no_image_yet) {
    SetStandardTable(kTableB6);
    if (!composition.Create(640, 480, PixelFormat::k8)) {
      SkipSubBlocks(io);
      return;
    }
    composition_ready_ = true;
    default_canvas_text_ = true;
    ApplyPalette(composition);
    host_->CompositionSize(640, 480, screen_width_, screen_height_);
  }
  if (grid.width == 80 && grid.height == 25) {
    // A text-mode screen: nothing of it can be shown.
    composition.Create(1, 1, PixelFormat::k8);
    ApplyPalette(composition);
    default_canvas_text_ = false;
    suppress_clip_message_ = true;
    SkipSubBlocks(io);
    control_ = Control{};
    ++frames_shown_;
    return;
  }
  WaitForPrevious();
  DisposePrevious(composition);
  if (control_.disposal == 3) SaveArea(composition, grid);

  std::string text;
  for (uint8_t n = io.ReadByte(); n != 0; n = io.ReadByte()) {
    char data[255];
    io.ReadBlock(data, n);
    text.append(data, n);
  }

  auto index_of = [&](int value) -> uint8_t {
    if (gif89a_ && value < 16) return NearestIndex(kTextColours[value]);
    return static_cast<uint8_t>(value);
  };
  const uint8_t fg = index_of(foreground);
  const uint8_t bg = index_of(back);
  const bool fill_background = !control_.transparent;
  const int font_height = cell_height > 0 ? cell_height : 1;
  auto is_letter = [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };

  GifRect clip;
  const bool visible = Intersect(grid, composition.Width(), composition.Height(), &clip);
  if (!Covers(grid, composition.Width(), composition.Height())) clipped_ = true;
  size_t pos = 0;
  for (int line_no = 0; pos < text.size(); ++line_no) {
    const int top = grid.top + line_no * font_height;
    if (top >= grid.top + grid.height) break;
    // Take characters while the line fits; a word that runs over goes to the next line.
    size_t end = pos;
    bool over = false;
    while (end < text.size()) {
      ++end;
      if (host_->TextWidth(text.substr(pos, end - pos), font_height) > grid.width) {
        over = true;
        break;
      }
    }
    size_t next = end;
    if (over) {
      size_t cut = end;
      if (is_letter(text[cut - 1])) {
        while (cut > pos && is_letter(text[cut - 1])) --cut;
        // A word wider than the grid is broken where it runs over.
        if (cut == pos) cut = end - 1;
      } else {
        cut = end - 1;
      }
      if (cut == pos) cut = pos + 1;
      end = cut;
      next = cut;
      // The space the line broke at is not carried to the next line.
      if (next < text.size() && text[next] == ' ') ++next;
    }
    const std::string line = text.substr(pos, end - pos);
    pos = next;
    if (!visible) continue;
    const TextMask mask = host_->RenderText(line, font_height);
    for (int my = 0; my < mask.height; ++my) {
      const int y = top + my;
      if (y < clip.top || y >= clip.top + clip.height) continue;
      uint8_t* dst = composition.Row(y);
      for (int mx = 0; mx < mask.width; ++mx) {
        const int xx = grid.left + mx;
        if (xx < clip.left || xx >= clip.left + clip.width) continue;
        if (mask.ink[static_cast<size_t>(my) * mask.width + mx] != 0) {
          dst[xx] = fg;
        } else if (fill_background) {
          dst[xx] = bg;
        }
      }
    }
  }
  ReportChange(composition, grid);
  FinishImage(grid);
}

void TGifGraphics::MakeCommentLines() {
  comment_lines_.clear();
  if (!comment_started_) return;
  std::string line;
  for (size_t i = 0; i < comment_bytes_.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(comment_bytes_[i]);
    if (c == 13 || c == 10) {
      comment_lines_.push_back(line);
      line.clear();
      if (c == 13 && i + 1 < comment_bytes_.size() && comment_bytes_[i + 1] == 10) ++i;
    } else {
      line += c < 32 ? '?' : static_cast<char>(c);
    }
  }
  comment_lines_.push_back(line);
}

}  // namespace vr::codecs::gif
