#pragma once
// The record decoder: plays a metafile's records, in file order, as calls on a drawing target.
// It knows which records mean which drawing operations, reads their parameters (each checked to
// lie inside its record) and keeps the GDI object table, so that a select hands the target the
// pen, brush or font itself.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "picture/codecs/metafile/drawing_target.h"
#include "picture/codecs/metafile/metafile.h"

namespace vr::metafile {

// Plays a WMF's records. The bounding box becomes the initial window (anisotropic); the target
// sets its own viewport.
void DecodeWmf(const Metafile& metafile, DrawingTarget& target);
// Plays an EMF's records; the target maps the reference device onto itself.
void DecodeEmf(const Metafile& metafile, DrawingTarget& target);

// The GDI object table: WMF creates in the lowest free slot, EMF at the index it names. A
// damaged file's sizes are bounded so that it cannot exhaust memory.
class ObjectTable {
 public:
  struct Object {
    enum Kind { kEmpty, kPen, kBrush, kFont, kOther } kind = kEmpty;
    LogPen pen;
    LogBrush brush;
    LogFont font;
  };
  static constexpr size_t kMaxObjects = 65536;

  explicit ObjectTable(size_t size);
  size_t size() const { return objects_.size(); }
  bool Put(size_t index, Object object);
  bool CreateInFreeSlot(Object object);
  // Hands the object at `index` to the target; nothing for an empty slot or a bad index.
  void Select(size_t index, DrawingTarget& target) const;
  void Delete(size_t index);
  const Object* At(size_t index) const;

 private:
  std::vector<Object> objects_;
};

// Hands the stock object `stock` (WHITE_BRUSH 0 .. DEFAULT_GUI_FONT 17) to the target.
void SelectStockObject(uint32_t stock, DrawingTarget& target);

}  // namespace vr::metafile
