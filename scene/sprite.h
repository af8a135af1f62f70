#pragma once
#include <array>
#include <cstdint>
#include <memory>
#include <new>
#include <utility>

namespace glimmerkin {

// The one way a sprite reaches the screen: a cell of the sprite sheet drawn
// masked into the back buffer. The scene knows nothing else of drawing.
class CellPainter {
 public:
  virtual void DrawSheetCell(int32_t cellX, int32_t cellY, int32_t x, int32_t y,
                             int32_t width, int32_t height) = 0;

 protected:
  ~CellPainter() = default;
};

class SpriteList;

enum SpriteType : int32_t {
  kAnyType = 0,
  kAlienType = 1,
  kHeartType = 2,
  kCoupleType = 3,
  kShadowType = 4,
  kBabyType = 5,
};

class Sprite {
 public:
  Sprite(int32_t x, int32_t y, int32_t width, int32_t height)
      : x(x), y(y), width(width), height(height) {}
  virtual ~Sprite() = default;
  Sprite(const Sprite&) = delete;
  Sprite& operator=(const Sprite&) = delete;

  virtual void Update(SpriteList& list);
  virtual bool IsFinished() const;
  virtual void Draw(CellPainter& painter);
  virtual int32_t DepthKey() const;
  virtual int32_t TypeId() const;

  int32_t x;
  int32_t y;
  int32_t width;
  int32_t height;
  int32_t cellX = 0;
  int32_t cellY = 0;
};

// Fixed-capacity owner of every sprite; runs one scene frame per Tick.
class SpriteList {
 public:
  static constexpr int32_t kCapacity = 1028;

  // painter may be null: the scene then runs without composing pixels.
  SpriteList(int32_t screenWidth, int32_t screenHeight, CellPainter* painter);
  ~SpriteList();
  SpriteList(const SpriteList&) = delete;
  SpriteList& operator=(const SpriteList&) = delete;

  // Stores the sprite, or destroys it when the list is full.
  void Add(std::unique_ptr<Sprite> sprite);
  Sprite* Begin(int32_t type, const Sprite* excluded);
  Sprite* Next();
  void Tick();

  int32_t Count() const { return count_; }
  Sprite* At(int32_t index) const { return slots_[static_cast<size_t>(index)].get(); }
  int32_t ScreenWidth() const { return screenWidth_; }
  int32_t ScreenHeight() const { return screenHeight_; }
  void SetPainter(CellPainter* painter) { painter_ = painter; }
  // The bounds sprites turn at; those outside new bounds walk back in.
  void SetScreenSize(int32_t screenWidth, int32_t screenHeight) {
    screenWidth_ = screenWidth;
    screenHeight_ = screenHeight;
  }

 private:
  std::array<std::unique_ptr<Sprite>, kCapacity> slots_;
  int32_t count_ = 0;
  int32_t cursor_ = 0;
  int32_t filterType_ = 0;
  const Sprite* excluded_ = nullptr;
  int32_t screenWidth_;
  int32_t screenHeight_;
  CellPainter* painter_;
};

// A sprite that cannot be allocated is simply absent; its creator goes on as
// if it had been added.
template <class T, class... Args>
void AddNew(SpriteList& list, Args&&... args) {
  std::unique_ptr<Sprite> sprite(new (std::nothrow) T(std::forward<Args>(args)...));
  if (sprite) list.Add(std::move(sprite));
}

}  // namespace glimmerkin
