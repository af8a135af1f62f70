#pragma once
#include <cstdint>

namespace glimmerkin {

// The options the saver keeps between runs. pixelSize: 0 (or anything but
// 1..4) lets each monitor's density choose; the dialog never changes it.
struct Settings {
  int32_t redrawSpeed = 5;
  int32_t alienCount = 9;
  int32_t pixelSize = 0;
};

inline constexpr int32_t kMinRedrawSpeed = 1;
inline constexpr int32_t kMaxRedrawSpeed = 10;
inline constexpr int32_t kDefaultRedrawSpeed = 5;
inline constexpr int32_t kMinAlienCount = 2;
inline constexpr int32_t kMaxAlienCount = 25;
inline constexpr int32_t kDefaultAlienCount = 9;

// What the configuration dialog shows: each value out of range becomes its
// default on its own. The saver itself uses stored values unchanged.
inline Settings ValidatedForDialog(Settings s) {
  if (s.redrawSpeed > kMaxRedrawSpeed || s.redrawSpeed < kMinRedrawSpeed)
    s.redrawSpeed = kDefaultRedrawSpeed;
  if (s.alienCount > kMaxAlienCount || s.alienCount < kMinAlienCount)
    s.alienCount = kDefaultAlienCount;
  return s;
}

}  // namespace glimmerkin
