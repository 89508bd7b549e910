#pragma once
// TGifGraphics: reads GIF87a and GIF89a files onto one composition Bitmap and plays their
// animations in place, and writes single-image GIF files.
//
// File layout read here (little-endian):
//   "GIF87a" | "GIF89a"  (optionally after a 128-byte MacBinary header)
//   screen width:2 height:2 packed:1 background:1 aspect:1  [global table 3 * 2^bits]
//   blocks: 0x21 label sub-blocks... | 0x2C descriptor [local table] code-size sub-blocks... | 0x3B
//   sub-blocks: length:1 (0 ends the chain) followed by that many bytes.
//
// One object serves one thread at a time. A load is synchronous: it returns after the trailer or
// when stopped; the caller loops for continuous animation.

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "picture/codecs/gif/gif_host.h"
#include "picture/fast_file_io.h"

namespace vr::codecs::gif {

using picture::Bitmap;
using picture::Rgb;

inline constexpr char kNotGifText[] = "Not a valid GIF header!";
inline constexpr char kCorruptGifText[] = "Corrupted GIF file!";
inline constexpr char kClippedGifText[] =
    "GIF may not have appeared correctly. Parts of it were probably CLIPPED. This image is "
    "probably BAD/CORRUPTED or created by a faulty program!";
inline constexpr char kStreamWriteErrorText[] = "Stream write error";
inline constexpr char kTooLargeGifText[] = "GIF picture is too large to show!";

// Limits of the decoder.
inline constexpr int kLzwTableSize = 5005;
inline constexpr int kMaxZeroBytes = 100;
inline constexpr int kMaxTrailingSubBlocks = 100;
inline constexpr size_t kCommentBufferSize = 100000;
// Disposal areas up to this many bytes are kept in memory instead of a temporary file.
inline constexpr size_t kInMemoryRestoreLimit = size_t{1} << 20;

// Stop keys of a running animation.
inline constexpr int kStopKeyEnter = 13;   // ends the current wait, then clears
inline constexpr int kStopKeyEscape = 27;  // ends every further wait

// The 6-bit palette the codecs share: 256 entries of red, green, blue in 0..63.
using Palette6 = std::vector<uint8_t>;  // 768 bytes

// The standard 16-colour tables in 6-bit units.
extern const uint8_t kTableA6[48];
extern const uint8_t kTableB6[48];
// Colours of plain-text extensions in GIF89a files (8-bit units).
extern const Rgb kTextColours[16];

inline uint8_t Expand6(uint8_t c6) { return static_cast<uint8_t>((c6 * 255 + 31) / 63); }
inline uint8_t Shrink8(uint8_t c8) { return static_cast<uint8_t>((c8 * 63 + 127) / 255); }

struct GifWriterOptions {
  int colour_count = 2;        // 2..256
  int transparent_index = -1;  // -1: none
  bool interlaced = false;
  bool comments = false;  // write the comment lines and use "GIF89a"
  std::vector<std::string> comment_lines;
};

class TGifGraphics {
 public:
  enum class Mode { kPlay, kStill, kScan };

  TGifGraphics();
  ~TGifGraphics();
  TGifGraphics(const TGifGraphics&) = delete;
  TGifGraphics& operator=(const TGifGraphics&) = delete;

  // --- host settings (set before each load) ---
  void SetHost(GifHost* host) { host_ = host != nullptr ? host : &DefaultGifHost(); }
  void SetPreviewMode(bool on) { preview_mode_ = on; }
  void SetStillFlag(bool on) { still_flag_ = on; }
  void SetStillRequest(bool on) { still_request_ = on; }
  void SetThreadMode(bool on) { thread_mode_ = on; }
  void SetBackground(Rgb colour) { background_ = colour; }
  // Frame control: may be called from any thread (a key handler) while a load runs.
  void SetStopKey(int key) { stop_key_.store(key); }
  int StopKey() const { return stop_key_.load(); }
  int SavedStopKey() const { return saved_stop_key_; }

  // Decodes `path` onto `composition` (play mode, or still mode with the still request).
  // Returns false when the file could not be read as a GIF (see ErrorText()).
  bool LoadGif(const std::string& path, Bitmap& composition);
  // The same from a reader that is already open.
  bool LoadGif(picture::TFastFileIO& io, Bitmap& composition);
  // Scan mode: a GIF89a file that reaches a second image (or draws text on a default canvas).
  bool IsAnimatedGif(const std::string& path);
  bool IsAnimatedGif(picture::TFastFileIO& io);

  // Writes `picture` (1, 4 or 8 bits) as a single-image GIF with the 6-bit palette `palette6`
  // (at least 3 * 2^bits bytes). On failure the message is kStreamWriteErrorText.
  bool SaveGif(const std::string& path, const Bitmap& picture, const Palette6& palette6,
               const GifWriterOptions& options, std::string* error);
  // The same with the picture's own 8-bit palette, written as it is (missing entries black).
  bool SaveGif(const std::string& path, const Bitmap& picture, const std::vector<Rgb>& palette,
               const GifWriterOptions& options, std::string* error);
  // The same into memory.
  static std::vector<uint8_t> EncodeGif(const Bitmap& picture, const Palette6& palette6,
                                        const GifWriterOptions& options);
  static std::vector<uint8_t> EncodeGif(const Bitmap& picture, const std::vector<Rgb>& palette,
                                        const GifWriterOptions& options);

  // --- results of the last load ---
  int BitsPerPixel() const { return bits_; }
  bool Interlaced() const { return interlaced_; }
  bool Animated() const { return animated_; }
  int TransparentIndex() const { return result_transparent_index_; }
  // The colour the transparent index had in the file, 6-bit, or -1s.
  const int* TransparentColour6() const { return transparent_colour6_; }
  const std::vector<std::string>& CommentLines() const { return comment_lines_; }
  const Palette6& WorkingPalette() const { return palette6_; }
  // The colour table in use as the file gives it, 8 bits a channel.
  const std::vector<Rgb>& WorkingPalette8() const { return palette8_; }
  // Whether a still decode composed in 24 bits because its images use different colours.
  bool ComposedInTrueColour() const { return true_colour_; }
  const std::string& ErrorText() const { return error_; }
  bool Clipped() const { return clipped_; }
  int ImagesDrawn() const { return images_drawn_; }
  int ScreenWidth() const { return screen_width_; }
  int ScreenHeight() const { return screen_height_; }
  int BackgroundIndex() const { return background_index_; }
  int AspectByte() const { return aspect_; }

 private:
  struct Control {
    int disposal = 0;
    bool user_input = false;
    int delay = 0;
    bool transparent = false;
    int transparent_index = 0;
    bool taken = false;
  };
  struct Lzw;
  class RestoreStore;

  bool Run(picture::TFastFileIO& io, Bitmap& composition, Mode mode);
  void ResetResults();
  bool ReadHeader(picture::TFastFileIO& io);
  void ReadColourTable(picture::TFastFileIO& io, int entries);
  bool ReadExtension(picture::TFastFileIO& io, Bitmap& composition, Mode mode);
  bool SetupComposition(Bitmap& composition, const GifRect& first);
  void ApplyPalette(Bitmap& composition);
  std::vector<Rgb> ShownPalette() const;
  void ComposeInTrueColour(Bitmap& composition);
  void SetStandardTable(const uint8_t* table6);
  void WaitForPrevious();
  void DisposePrevious(Bitmap& composition);
  void Wait(int delay_hundredths);
  void SaveArea(const Bitmap& composition, const GifRect& area);
  bool DecodeImage(picture::TFastFileIO& io, Bitmap& composition, const GifRect& image,
                   bool interlaced);
  void SkipSubBlocks(picture::TFastFileIO& io);
  void ReportChange(Bitmap& composition, const GifRect& rect);
  void FinishImage(const GifRect& rect);
  void DrawPlainText(picture::TFastFileIO& io, Bitmap& composition, Mode mode);
  void FillRect(Bitmap& composition, const GifRect& rect, uint8_t index);
  uint8_t NearestIndex(Rgb colour) const;
  void MakeCommentLines();
  void Fail(Bitmap& composition);

  GifHost* host_;
  bool preview_mode_ = false;
  bool still_flag_ = false;
  bool still_request_ = false;
  bool thread_mode_ = false;
  Rgb background_{};
  std::atomic<int> stop_key_{0};
  int saved_stop_key_ = 0;

  // Results.
  int bits_ = 8;
  bool interlaced_ = false;
  bool animated_ = false;
  int result_transparent_index_ = -1;
  int transparent_colour6_[3] = {-1, -1, -1};
  std::vector<std::string> comment_lines_;
  std::string comment_bytes_;
  bool comment_started_ = false;
  Palette6 palette6_;
  std::vector<Rgb> palette8_;  // the same table with the file's own 8-bit values
  std::string error_;

  // Load state.
  bool gif89a_ = false;
  int screen_width_ = 0;
  int screen_height_ = 0;
  int background_index_ = 0;
  int aspect_ = 0;
  int pixel_mask_ = 255;
  bool still_active_ = false;
  bool composition_ready_ = false;
  bool default_canvas_text_ = false;
  bool clipped_ = false;
  bool suppress_clip_message_ = false;
  bool palette_dirty_ = true;
  bool true_colour_ = false;  // the composition went over to 24 bits
  int override_index_ = -1;  // palette entry shown as the transparent colour
  int applied_override_ = -2;
  int images_seen_ = 0;
  int images_drawn_ = 0;
  int frames_shown_ = 0;  // images and text blocks
  int reports_ = 0;
  bool wait_completed_ = false;
  Control control_;
  Control previous_control_;
  bool have_previous_ = false;
  GifRect previous_rect_;
  std::unique_ptr<Lzw> lzw_;
  std::unique_ptr<RestoreStore> restore_;
  size_t source_size_ = 0;
};

}  // namespace vr::codecs::gif
