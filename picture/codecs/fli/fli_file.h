#pragma once
// Reader of Autodesk FLI and FLC animations: the header, then one frame per call decoded into
// an 8-bit frame buffer with a 256-entry palette.
//
// Layout (little-endian):
//   header (128 bytes): size:4 magic:2 (0xAF11 FLI, else FLC) frames:2 width:2 height:2
//                       depth:2 flags:2 speed:4 (FLI 1/70 s, FLC ms) ... [80] first frame:4 (FLC)
//   frame: size:4 type:2 (0xF1FA frame, 0xF100 prefix block) chunks:2 reserved:8, chunks...
//   chunk: size:4 type:2, data
// Every chunk is checked against its frame and every packet against its chunk and the frame
// buffer; a damaged chunk leaves what it had drawn.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "picture/bitmap.h"
#include "picture/fast_file_io.h"

namespace vr::codecs::fli {

inline constexpr uint16_t kFliMagic = 0xAF11;
inline constexpr uint16_t kFrameType = 0xF1FA;
inline constexpr uint16_t kPrefixType = 0xF100;
inline constexpr size_t kChunkBufferSize = 60000;
inline constexpr char kLastPixelText[] = "Hey. This never happenned before!";

struct FliHeader {
  uint32_t file_size = 0;
  uint16_t magic = 0;
  int frames = 0;
  int width = 0;
  int height = 0;
  int depth = 0;
  int flags = 0;
  uint32_t speed = 0;
  bool IsFli() const { return magic == kFliMagic; }
  // Milliseconds per frame: FLI speeds are in 1/70 s.
  uint32_t FramePeriod() const;
};

class FliFile {
 public:
  enum class Step { kDecoded, kEnded, kLost };

  FliFile();
  // Opens and reads the header; false (with ErrorText) when the file is missing or unusable.
  bool Open(const std::string& path);
  // The same over memory that outlives the reader.
  bool OpenMemory(const uint8_t* data, size_t size);
  void Close();
  bool IsOpen() const { return io_.IsOpen(); }

  const FliHeader& Header() const { return header_; }
  const std::string& ErrorText() const { return error_; }
  uint64_t FirstFrameOffset() const { return first_frame_; }

  // Decodes the next frame. Past the last frame it starts again at the first when `wrap` is
  // set, else answers kEnded. kLost: no frame marker could be found again.
  Step DecodeNext(bool wrap);
  // The next decode starts at the first frame.
  void Rewind();
  int FrameNumber() const { return frame_number_; }
  // Count of resynchronisations (garbage skipped between frames).
  int Resyncs() const { return resyncs_; }

  const std::vector<uint8_t>& FrameBuffer() const { return frame_; }
  const picture::Rgb* Palette() const { return palette_; }
  // Set when a palette chunk changed colours during the last decode.
  bool PaletteChanged() const { return palette_changed_; }

  // Called once per open when a word-delta chunk uses the last-pixel opcode.
  std::function<void(const std::string&)> on_message;

 private:
  bool Start();
  bool ReadFrameHeader(uint64_t at, uint32_t* size, uint16_t* type, uint16_t* chunks);
  bool Resynchronise(uint64_t bad_start, uint64_t* frame_start);
  void DecodeChunk(uint16_t type, const uint8_t* data, size_t size);
  void DecodePalette(const uint8_t* p, const uint8_t* end, bool six_bit);
  void DecodeByteRun(const uint8_t* p, const uint8_t* end);
  void DecodeLineDelta(const uint8_t* p, const uint8_t* end);
  void DecodeWordDelta(const uint8_t* p, const uint8_t* end);

  picture::TFastFileIO io_;
  FliHeader header_;
  std::string error_;
  uint64_t first_frame_ = 128;
  uint64_t next_frame_ = 128;
  uint64_t file_size_ = 0;
  int frame_number_ = 0;
  int resyncs_ = 0;
  bool told_last_pixel_ = false;
  bool palette_changed_ = false;
  std::vector<uint8_t> frame_;
  std::vector<uint8_t> chunk_;
  picture::Rgb palette_[256] = {};
};

}  // namespace vr::codecs::fli
