#include "scene/sprite.h"

namespace glimmerkin {

void Sprite::Update(SpriteList&) {}
bool Sprite::IsFinished() const { return false; }
void Sprite::Draw(CellPainter& painter) {
  painter.DrawSheetCell(cellX, cellY, x, y, width, height);
}
int32_t Sprite::DepthKey() const { return y + height; }
int32_t Sprite::TypeId() const { return kAnyType; }

SpriteList::SpriteList(int32_t screenWidth, int32_t screenHeight, CellPainter* painter)
    : screenWidth_(screenWidth), screenHeight_(screenHeight), painter_(painter) {}

SpriteList::~SpriteList() {
  for (int32_t i = 0; i < count_; ++i) slots_[static_cast<size_t>(i)].reset();
}

void SpriteList::Add(std::unique_ptr<Sprite> sprite) {
  if (!sprite || count_ >= kCapacity) return;  // refused sprites die here
  slots_[static_cast<size_t>(count_)] = std::move(sprite);
  ++count_;
}

Sprite* SpriteList::Begin(int32_t type, const Sprite* excluded) {
  cursor_ = -1;
  filterType_ = type;
  excluded_ = excluded;
  return Next();
}

Sprite* SpriteList::Next() {
  for (;;) {
    ++cursor_;
    if (cursor_ >= count_) {
      cursor_ = count_;  // stays exhausted without running towards overflow
      return nullptr;
    }
    Sprite* sprite = slots_[static_cast<size_t>(cursor_)].get();
    if (filterType_ != kAnyType && sprite->TypeId() != filterType_) continue;
    if (sprite == excluded_) continue;
    return sprite;
  }
}

void SpriteList::Tick() {
  // Update: count is read anew each step so sprites added now are updated too.
  for (int32_t i = 0; i < count_; ++i) slots_[static_cast<size_t>(i)]->Update(*this);

  // Removal keeps the order of the survivors; each is asked once.
  int32_t kept = 0;
  for (int32_t i = 0; i < count_; ++i) {
    auto& slot = slots_[static_cast<size_t>(i)];
    if (slot->IsFinished()) {
      slot.reset();
    } else {
      if (kept != i) slots_[static_cast<size_t>(kept)] = std::move(slot);
      ++kept;
    }
  }
  count_ = kept;

  // Bubble sort from the back; equal keys never swap, so the order is stable.
  bool swapped;
  do {
    swapped = false;
    for (int32_t i = count_ - 2; i >= 0; --i) {
      auto& lower = slots_[static_cast<size_t>(i)];
      auto& upper = slots_[static_cast<size_t>(i + 1)];
      const int32_t upperKey = upper->DepthKey();
      const int32_t lowerKey = lower->DepthKey();
      if (upperKey < lowerKey) {
        lower.swap(upper);
        swapped = true;
      }
    }
  } while (swapped);

  if (painter_ == nullptr) {
    // Drawing still picks the cells and sets the flags some sprites keep.
    struct NullPainter final : CellPainter {
      void DrawSheetCell(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) override {}
    } none;
    for (int32_t i = 0; i < count_; ++i) slots_[static_cast<size_t>(i)]->Draw(none);
  } else {
    for (int32_t i = 0; i < count_; ++i) slots_[static_cast<size_t>(i)]->Draw(*painter_);
  }
}

}  // namespace glimmerkin
