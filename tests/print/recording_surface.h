#pragma once
// A page surface that records what is drawn on it, in order.

#include <string>
#include <vector>

#include "print/page_surface.h"

namespace vr::print::testing {

struct Drawn {
  enum class Kind { kClear, kBitmap, kFrame, kCaption } kind = Kind::kClear;
  PageRect rect;
  bool doubled = false;
  std::string text;
  std::string note;  // the second line of a caption with a note
  Ellipsis ellipsis = Ellipsis::kEnd;
  int bitmap_width = 0;
  int bitmap_height = 0;
};

class RecordingSurface : public PageSurface {
 public:
  void Clear() override { drawn.push_back(Drawn{}); }
  void StretchBitmap(const picture::Bitmap& bitmap, const PageRect& rect) override {
    Drawn d;
    d.kind = Drawn::Kind::kBitmap;
    d.rect = rect;
    d.bitmap_width = bitmap.Width();
    d.bitmap_height = bitmap.Height();
    drawn.push_back(d);
  }
  void Frame(const PageRect& rect, bool doubled) override {
    Drawn d;
    d.kind = Drawn::Kind::kFrame;
    d.rect = rect;
    d.doubled = doubled;
    drawn.push_back(d);
  }
  void Caption(const PageRect& rect, const std::string& text, Ellipsis ellipsis) override {
    Drawn d;
    d.kind = Drawn::Kind::kCaption;
    d.rect = rect;
    d.text = text;
    d.ellipsis = ellipsis;
    drawn.push_back(d);
  }
  void NotedCaption(const PageRect& rect, const std::string& name, const std::string& note,
                    Ellipsis ellipsis) override {
    Caption(rect, name, ellipsis);
    drawn.back().note = note;
  }
  int FontHeight() const override { return 12; }

  std::vector<Drawn> Of(Drawn::Kind kind) const {
    std::vector<Drawn> out;
    for (const Drawn& d : drawn) {
      if (d.kind == kind) out.push_back(d);
    }
    return out;
  }

  std::vector<Drawn> drawn;
};

// Hands its calls to a recording surface that outlives it (output drops its page surfaces).
class ForwardingSurface : public PageSurface {
 public:
  explicit ForwardingSurface(RecordingSurface& to) : to_(to) {}
  void Clear() override { to_.Clear(); }
  void StretchBitmap(const picture::Bitmap& bitmap, const PageRect& rect) override {
    to_.StretchBitmap(bitmap, rect);
  }
  void Frame(const PageRect& rect, bool doubled) override { to_.Frame(rect, doubled); }
  void Caption(const PageRect& rect, const std::string& text, Ellipsis ellipsis) override {
    to_.Caption(rect, text, ellipsis);
  }
  void NotedCaption(const PageRect& rect, const std::string& name, const std::string& note,
                    Ellipsis ellipsis) override {
    to_.NotedCaption(rect, name, note, ellipsis);
  }
  int FontHeight() const override { return to_.FontHeight(); }

 private:
  RecordingSurface& to_;
};

}  // namespace vr::print::testing
