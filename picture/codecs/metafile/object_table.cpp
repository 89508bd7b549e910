#include <algorithm>

#include "picture/codecs/metafile/records.h"

namespace vr::metafile {

ObjectTable::ObjectTable(size_t size) : objects_(std::min(size, kMaxObjects)) {}

bool ObjectTable::Put(size_t index, Object object) {
  if (index >= objects_.size()) return false;
  objects_[index] = std::move(object);
  return true;
}

bool ObjectTable::CreateInFreeSlot(Object object) {
  for (auto& slot : objects_) {
    if (slot.kind == Object::kEmpty) {
      slot = std::move(object);
      return true;
    }
  }
  if (objects_.size() >= kMaxObjects) return false;
  objects_.push_back(std::move(object));
  return true;
}

const ObjectTable::Object* ObjectTable::At(size_t index) const {
  return index < objects_.size() ? &objects_[index] : nullptr;
}

void ObjectTable::Select(size_t index, DrawingTarget& target) const {
  const Object* o = At(index);
  if (o == nullptr) return;
  switch (o->kind) {
    case Object::kPen:
      target.SelectPen(o->pen);
      break;
    case Object::kBrush:
      target.SelectBrush(o->brush);
      break;
    case Object::kFont:
      target.SelectFont(o->font);
      break;
    default:
      break;
  }
}

void ObjectTable::Delete(size_t index) {
  if (index < objects_.size()) objects_[index] = Object{};
}

void SelectStockObject(uint32_t stock, DrawingTarget& target) {
  auto solid = [&target](uint32_t grey) {
    LogBrush brush;
    brush.colour = grey | (grey << 8) | (grey << 16);
    target.SelectBrush(brush);
  };
  switch (stock) {
    case 0:  // WHITE_BRUSH
      solid(255);
      break;
    case 1:  // LTGRAY_BRUSH
      solid(192);
      break;
    case 2:  // GRAY_BRUSH
      solid(128);
      break;
    case 3:  // DKGRAY_BRUSH
      solid(64);
      break;
    case 4:  // BLACK_BRUSH
      solid(0);
      break;
    case 5: {  // NULL_BRUSH
      LogBrush brush;
      brush.style = 1;
      target.SelectBrush(brush);
      break;
    }
    case 6: {  // WHITE_PEN
      LogPen pen;
      pen.colour = kWhiteRef;
      target.SelectPen(pen);
      break;
    }
    case 7:  // BLACK_PEN
      target.SelectPen(LogPen{});
      break;
    case 8: {  // NULL_PEN
      LogPen pen;
      pen.style = 5;
      target.SelectPen(pen);
      break;
    }
    case 10:  // the stock fonts
    case 11:
    case 12:
    case 13:
    case 14:
    case 16:
    case 17:
      target.SelectFont(LogFont{});
      break;
    default:
      break;
  }
}

}  // namespace vr::metafile
