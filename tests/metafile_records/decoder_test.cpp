// The record decoder on its own: records in, drawing calls out, through a target that writes
// down what it is asked. No Qt.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "metafile/metafile_builder.h"
#include "picture/codecs/metafile/drawing_target.h"
#include "picture/codecs/metafile/metafile.h"
#include "picture/codecs/metafile/records.h"

namespace vr::metafile {
namespace {

using testing::Bytes;
using testing::EmfBuilder;
using testing::MakeDib;
using testing::WmfBuilder;

std::string Hex(uint32_t v) {
  std::ostringstream out;
  out << std::hex << v;
  return out.str();
}

std::string R(const Rect& r) {
  std::ostringstream out;
  out << r.x << "," << r.y << "," << r.width << "," << r.height;
  return out.str();
}

// Writes every call down as one line; the state calls that every file makes at its start are
// left out unless `all` is set.
class Recorder final : public DrawingTarget {
 public:
  std::vector<std::string> calls;
  std::vector<LogBrush> brushes;
  std::vector<std::u16string> texts;
  std::vector<std::vector<Rect>> regions;
  std::vector<XForm> transforms;

  void SaveDc() override { calls.push_back("save"); }
  void RestoreDc(int which) override { calls.push_back("restore " + std::to_string(which)); }
  void SetMapMode(int mode) override { calls.push_back("map " + std::to_string(mode)); }
  void SetWindowOrg(Point p) override { calls.push_back("worg " + P(p)); }
  void SetWindowExt(Point p) override { calls.push_back("wext " + P(p)); }
  void OffsetWindowOrg(Point p) override { calls.push_back("woff " + P(p)); }
  void ScaleWindowExt(int a, int b, int c, int d) override {
    calls.push_back("wscale " + std::to_string(a) + "/" + std::to_string(b) + " " +
                    std::to_string(c) + "/" + std::to_string(d));
  }
  void SetViewportOrg(Point p) override { calls.push_back("vorg " + P(p)); }
  void SetViewportExt(Point p) override { calls.push_back("vext " + P(p)); }
  void ScaleViewportExt(int, int, int, int) override { calls.push_back("vscale"); }
  void SetWorldTransform(const XForm& t) override {
    transforms.push_back(t);
    calls.push_back("world set");
  }
  void ModifyWorldTransform(const XForm& t, uint32_t mode) override {
    transforms.push_back(t);
    calls.push_back("world " + std::to_string(mode));
  }
  void SetBkMode(int mode) override { calls.push_back("bkmode " + std::to_string(mode)); }
  void SetPolyFillMode(int mode) override { calls.push_back("fill " + std::to_string(mode)); }
  void SetTextAlign(uint32_t a) override { calls.push_back("align " + std::to_string(a)); }
  void SetTextColour(ColourRef c) override { calls.push_back("textcolour " + Hex(c)); }
  void SetBkColour(ColourRef c) override { calls.push_back("bkcolour " + Hex(c)); }
  void SetArcDirection(bool cw) override { calls.push_back(cw ? "clockwise" : "anticlockwise"); }
  void SelectPen(const LogPen& pen) override {
    calls.push_back("pen " + std::to_string(pen.style) + " " + std::to_string(pen.width) + " " +
                    Hex(pen.colour));
  }
  void SelectBrush(const LogBrush& brush) override {
    brushes.push_back(brush);
    calls.push_back("brush " + std::to_string(brush.style) + " " + Hex(brush.colour));
  }
  void SelectFont(const LogFont& font) override {
    calls.push_back("font " + std::to_string(static_cast<int>(font.height)));
  }
  void MoveTo(Point p) override { calls.push_back("move " + P(p)); }
  void LineTo(Point p) override { calls.push_back("line " + P(p)); }
  void Polyline(const std::vector<Point>& pts, bool cur) override {
    calls.push_back(std::string(cur ? "polylineto " : "polyline ") + Ps(pts));
  }
  void Polygon(const std::vector<Point>& pts) override { calls.push_back("polygon " + Ps(pts)); }
  void PolyPolygon(const std::vector<std::vector<Point>>& polys) override {
    std::string text = "polypolygon";
    for (const auto& p : polys) text += " [" + Ps(p) + "]";
    calls.push_back(text);
  }
  void PolyPolyline(const std::vector<std::vector<Point>>& lines) override {
    calls.push_back("polypolyline " + std::to_string(lines.size()));
  }
  void PolyBezier(const std::vector<Point>& pts, bool) override {
    calls.push_back("bezier " + Ps(pts));
  }
  void Rectangle(const Rect& r) override { calls.push_back("rect " + R(r)); }
  void RoundRect(const Rect& r, double w, double h) override {
    calls.push_back("roundrect " + R(r) + " " + std::to_string(static_cast<int>(w)) + "x" +
                    std::to_string(static_cast<int>(h)));
  }
  void Ellipse(const Rect& r) override { calls.push_back("ellipse " + R(r)); }
  void ArcShape(ArcKind kind, const Rect& r, Point s, Point e, bool to) override {
    calls.push_back("arc " + std::to_string(static_cast<int>(kind)) + " " + R(r) + " " + P(s) +
                    " " + P(e) + (to ? " to" : ""));
  }
  void SetPixel(Point p, ColourRef c) override { calls.push_back("pixel " + P(p) + " " + Hex(c)); }
  void Text(Point p, const std::u16string& text, uint32_t options, const Rect* rect,
            const std::vector<double>& dx) override {
    texts.push_back(text);
    calls.push_back("text " + P(p) + " " + std::to_string(options) +
                    (rect != nullptr ? " rect " + R(*rect) : "") + " dx " +
                    std::to_string(dx.size()));
  }
  void Image(const Rect& dest, const picture::Bitmap* image, const Rect& source,
             uint32_t rop) override {
    calls.push_back("image " + R(dest) + " " +
                    (image != nullptr ? std::to_string(image->Width()) + "x" +
                                            std::to_string(image->Height())
                                      : std::string("none")) +
                    " " + R(source) + " " + Hex(rop));
  }
  void PatBlt(const Rect& dest, uint32_t rop) override {
    calls.push_back("patblt " + R(dest) + " " + Hex(rop));
  }
  void BeginPath() override { calls.push_back("beginpath"); }
  void EndPath() override { calls.push_back("endpath"); }
  void AbortPath() override { calls.push_back("abortpath"); }
  void CloseFigure() override { calls.push_back("closefigure"); }
  void FillPath() override { calls.push_back("fillpath"); }
  void StrokePath() override { calls.push_back("strokepath"); }
  void StrokeAndFillPath() override { calls.push_back("strokefillpath"); }
  void SelectClipPath(int mode) override { calls.push_back("clippath " + std::to_string(mode)); }
  void IntersectClipRect(const Rect& r) override { calls.push_back("cliprect " + R(r)); }
  void ExcludeClipRect(const Rect& r) override { calls.push_back("excluderect " + R(r)); }
  void CombineClip(const std::vector<Rect>& region, int mode) override {
    regions.push_back(region);
    calls.push_back("region " + std::to_string(region.size()) + " " + std::to_string(mode));
  }

 private:
  static std::string P(Point p) {
    std::ostringstream out;
    out << p.x << "," << p.y;
    return out.str();
  }
  static std::string Ps(const std::vector<Point>& pts) {
    std::string text;
    for (const Point& p : pts) text += (text.empty() ? "" : " ") + P(p);
    return text;
  }
};

std::vector<std::string> DecodeWmfBytes(std::vector<uint8_t> bytes, Recorder& rec) {
  auto metafile = Metafile::FromBytes(std::move(bytes));
  EXPECT_TRUE(metafile);
  if (metafile) DecodeWmf(*metafile, rec);
  return rec.calls;
}

std::vector<std::string> DecodeEmfBytes(std::vector<uint8_t> bytes, Recorder& rec) {
  auto metafile = Metafile::FromBytes(std::move(bytes));
  EXPECT_TRUE(metafile);
  if (metafile) DecodeEmf(*metafile, rec);
  return rec.calls;
}

TEST(WmfDecoder, WindowFromTheBoxThenRecordsInOrderWithTheirParameters) {
  WmfBuilder w(10, 20, 110, 70, 96);
  w.Record(0x041B, {60, 50, 30, 40});          // Rectangle: bottom, right, top, left
  w.Record(0x061C, {6, 8, 60, 50, 30, 40});    // RoundRect: corner h, w, then the box
  w.Record(0x0817, {1, 2, 3, 4, 60, 50, 30, 40});  // Arc: end y, x, start y, x, box
  w.Record(0x0214, {5, 7});                    // MoveTo y, x
  w.Record(0x0213, {9, 11});                   // LineTo y, x
  w.Record(0x0103, {3});                       // a fixed map mode plays as anisotropic
  w.Record(0x0410, {2, 1, 3, 4});              // ScaleWindowExt: y den, y num, x den, x num
  w.Record(0x0410, {0, 1, 3, 4});              // a zero denominator is refused
  Recorder rec;
  const std::vector<std::string> calls = DecodeWmfBytes(w.Finish(), rec);
  const std::vector<std::string> expected = {
      "map 8",
      "worg 10,20",
      "wext 100,50",
      "rect 40,30,10,30",
      "roundrect 40,30,10,30 8x6",
      "arc 0 40,30,10,30 4,3 2,1",
      "move 7,5",
      "line 11,9",
      "map 8",
      "wscale 4/3 1/2",
  };
  EXPECT_EQ(calls, expected);
}

TEST(WmfDecoder, ObjectTableFillsTheLowestFreeSlotAndSelectsWhatIsThere) {
  WmfBuilder w(0, 0, 100, 100, 96, 2);
  w.Pen(0, 3, 0x0000FF);       // slot 0
  w.SolidBrush(0x00FF00);      // slot 1
  w.SolidBrush(0x123456);      // slot 2: the table grows past its declared size
  w.Record(0x01F0, {0});       // delete slot 0
  w.SolidBrush(0xABCDEF);      // back into slot 0
  w.Record(0x012D, {0});       // select slot 0: the new brush
  w.Record(0x012D, {1});
  w.Record(0x012D, {2});
  w.Record(0x012D, {9});       // no such slot: nothing
  w.Record(0x01F0, {1});
  w.Record(0x012D, {1});       // deleted: nothing
  w.Pen(5, 0, 0);              // slot 1 again, now a pen
  w.Record(0x012D, {1});
  Recorder rec;
  std::vector<std::string> calls = DecodeWmfBytes(w.Finish(), rec);
  calls.erase(calls.begin(), calls.begin() + 3);  // the window set-up
  const std::vector<std::string> expected = {"brush 0 abcdef", "brush 0 ff00", "brush 0 123456",
                                             "pen 5 0.000000 0"};
  EXPECT_EQ(calls, expected);
}

TEST(WmfDecoder, PatternBrushesAndBitmapsCarryTheirPictureOrFallBack) {
  const std::vector<uint8_t> dib = MakeDib(2, 24, {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 1, 2, 3}});
  WmfBuilder w(0, 0, 100, 100, 96);
  {
    Bytes p;
    p.U16(3).U16(0).Append(dib);
    w.Raw(0x0142, p.Data());  // DibCreatePatternBrush
    Bytes bad;
    bad.U16(3).U16(0).U32(40).U32(0xFFFFFF);  // a header cut short
    w.Raw(0x0142, bad.Data());
  }
  w.Record(0x012D, {0});
  w.Record(0x012D, {1});
  {
    // StretchDib: rop, usage, source h, w, y, x, destination h, w, y, x, then the DIB.
    Bytes p;
    p.U32(0x00CC0020).U16(0).I16(2).I16(2).I16(0).I16(0).I16(20).I16(30).I16(5).I16(6);
    p.Append(dib);
    w.Raw(0x0F43, p.Data());
    Bytes cut;
    cut.U32(0x00CC0020).U16(0).I16(2).I16(2).I16(0).I16(0).I16(20).I16(30).I16(5).I16(6);
    cut.Append(std::vector<uint8_t>(dib.begin(), dib.begin() + 44));  // rows missing
    w.Raw(0x0F43, cut.Data());
  }
  Recorder rec;
  std::vector<std::string> calls = DecodeWmfBytes(w.Finish(), rec);
  calls.erase(calls.begin(), calls.begin() + 3);
  const std::vector<std::string> expected = {
      "brush 5 ffffff", "brush 0 a4a0a0", "image 6,5,30,20 2x2 0,0,2,2 cc0020",
      "image 6,5,30,20 none 0,0,2,2 cc0020"};
  EXPECT_EQ(calls, expected);
  ASSERT_EQ(rec.brushes.size(), 2u);
  ASSERT_TRUE(rec.brushes[0].pattern);
  EXPECT_EQ(rec.brushes[0].pattern->Width(), 2);
  EXPECT_FALSE(rec.brushes[1].pattern);
}

TEST(WmfDecoder, TextKeepsItsBytesAndRecordsTooShortAreSkipped) {
  WmfBuilder w(0, 0, 100, 100, 96);
  {
    Bytes p;
    p.I16(3).U8('a').U8(0xE9).U8('c').U8(0).I16(40).I16(30);  // TextOut: n, text, y, x
    w.Raw(0x0521, p.Data());
  }
  w.Record(0x041B, {1, 2});  // Rectangle without its box
  w.Record(0x0213, {});      // LineTo without a point
  w.Record(0x0324, {200, 1, 1, 2, 2});  // Polygon claiming more points than it holds
  w.Record(0x0324, {2, 1, 1, 2, 2});
  Recorder rec;
  std::vector<std::string> calls = DecodeWmfBytes(w.Finish(), rec);
  calls.erase(calls.begin(), calls.begin() + 3);
  const std::vector<std::string> expected = {"text 30,40 0 dx 0", "polygon ", "polygon 1,1 2,2"};
  EXPECT_EQ(calls, expected);
  ASSERT_EQ(rec.texts.size(), 1u);
  EXPECT_EQ(rec.texts[0], (std::u16string{u'a', u'\u00E9', u'c'}));
}

TEST(EmfDecoder, StockObjectsTransformsAndRegions) {
  EmfBuilder e(2540, 2540, 4);
  e.Select(0x80000000u | 5);  // NULL_BRUSH
  e.Select(0x80000000u | 6);  // WHITE_PEN
  e.Select(0x80000000u | 2);  // GRAY_BRUSH
  e.Select(0x80000000u | 9);  // no such stock object: nothing
  e.SolidBrush(3, 0x010203);
  e.Select(3);
  e.Select(4);                // outside the table
  e.Record(40, {static_cast<int>(0x80000003u)});  // deleting a stock object does nothing
  {
    Bytes p;
    p.F32(2).F32(0).F32(0).F32(2).F32(5).F32(6).U32(4);
    e.Raw(36, p.Data());  // ModifyWorldTransform, set
    Bytes nan;
    nan.F32(std::numeric_limits<float>::quiet_NaN()).F32(0).F32(0).F32(1).F32(0).F32(0);
    e.Raw(35, nan.Data());  // SetWorldTransform with a NaN: the identity
    Bytes bad_mode;
    bad_mode.F32(1).F32(0).F32(0).F32(1).F32(0).F32(0).U32(9);
    e.Raw(36, bad_mode.Data());  // an unknown mode changes nothing
  }
  {
    // ExtSelectClipRgn: cbRgnData, mode, RGNDATAHEADER, then two rectangles (one flipped).
    Bytes p;
    p.U32(32 + 32).U32(1);
    p.U32(32).U32(1).U32(2).U32(32).I32(0).I32(0).I32(0).I32(0);
    p.I32(1).I32(2).I32(3).I32(4);
    p.I32(10).I32(20).I32(5).I32(8);
    e.Raw(75, p.Data());
    Bytes empty;
    empty.U32(0).U32(5);
    e.Raw(75, empty.Data());
  }
  Recorder rec;
  const std::vector<std::string> calls = DecodeEmfBytes(e.Finish(), rec);
  const std::vector<std::string> expected = {
      "brush 1 ffffff", "pen 0 0.000000 ffffff", "brush 0 808080", "brush 0 10203",
      "world 4",        "world set",             "region 2 1",     "region 0 5"};
  EXPECT_EQ(calls, expected);
  ASSERT_EQ(rec.transforms.size(), 2u);
  EXPECT_EQ(rec.transforms[0].m11, 2);
  EXPECT_EQ(rec.transforms[0].dy, 6);
  EXPECT_EQ(rec.transforms[1].m11, 1);  // the NaN one
  ASSERT_EQ(rec.regions.size(), 2u);
  ASSERT_EQ(rec.regions[0].size(), 2u);
  EXPECT_EQ(R(rec.regions[0][1]), "5,8,5,12");  // normalised
}

TEST(EmfDecoder, WideTextPolyRecordsAndDamage) {
  EmfBuilder e(2540, 2540);
  {
    // ExtTextOutW: bounds, graphics mode, scales, then EMRTEXT with the string at its offset.
    Bytes p;
    p.I32(0).I32(0).I32(0).I32(0).U32(1).F32(1).F32(1);
    p.I32(7).I32(9).U32(2).U32(76).U32(0).I32(0).I32(0).I32(0).I32(0).U32(0);
    p.U16(0x41).U16(0x3A9);  // "A" and a Greek omega
    e.Raw(84, p.Data());
    Bytes past;
    past.I32(0).I32(0).I32(0).I32(0).U32(1).F32(1).F32(1);
    past.I32(7).I32(9).U32(1000).U32(76).U32(0).I32(0).I32(0).I32(0).I32(0).U32(0);
    e.Raw(84, past.Data());  // more characters than the record holds: skipped
  }
  // Polygon16: bounds, count, points.
  e.Record(86, {0, 0, 0, 0, 2, (2 << 16) | 1, (4 << 16) | 3});
  // PolyPolygon: bounds, polygon count, point total that disagrees with the counts: skipped.
  e.Record(8, {0, 0, 0, 0, 1, 5, 2, 0, 0, 1, 1});
  e.Record(8, {0, 0, 0, 0, 1, 2, 2, 0, 0, 1, 1});
  e.Record(42, {1, 2});  // Ellipse without its box
  e.Record(17, {9});     // no such map mode
  e.Record(17, {7});
  Recorder rec;
  const std::vector<std::string> calls = DecodeEmfBytes(e.Finish(), rec);
  const std::vector<std::string> expected = {"text 7,9 0 dx 0", "polygon 1,2 3,4",
                                             "polypolygon [0,0 1,1]", "map 7"};
  EXPECT_EQ(calls, expected);
  ASSERT_EQ(rec.texts.size(), 1u);
  EXPECT_EQ(rec.texts[0], u"A\u03A9");
}

}  // namespace
}  // namespace vr::metafile
