#include "tools/artgen/ground.h"

#include <algorithm>
#include <cmath>

#include "tools/artgen/paint.h"

namespace glimmerkin::artgen {
namespace {

constexpr int kW = kGroundWidth;
constexpr int kH = kGroundHeight;

uint64_t Mix64(uint64_t z) {
  z += 0x9E3779B97F4A7C15ull;
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
  return z ^ (z >> 31);
}

class Rng {
 public:
  explicit Rng(uint64_t seed) : state_(seed) {}
  uint64_t Next() { return Mix64(state_++); }
  double Unit() { return static_cast<double>(Next() >> 11) / 9007199254740992.0; }
  double Range(double a, double b) { return a + (b - a) * Unit(); }
  int Below(int n) { return static_cast<int>(Next() % static_cast<uint64_t>(n)); }

 private:
  uint64_t state_;
};

double Lattice(int ix, int iy, int octave) {
  const uint64_t h = Mix64((static_cast<uint64_t>(octave) << 40) ^
                           (static_cast<uint64_t>(static_cast<uint32_t>(iy)) << 20) ^
                           static_cast<uint64_t>(static_cast<uint32_t>(ix)));
  return static_cast<double>(h >> 11) / 9007199254740992.0 * 2.0 - 1.0;
}

// Value noise whose lattice wraps with the tile, so the tile's edges meet.
double PeriodicNoise(int x, int y, int cell, int octave) {
  const int nx = kW / cell, ny = kH / cell;
  const int ix = x / cell, iy = y / cell;
  double fx = static_cast<double>(x % cell) / cell;
  double fy = static_cast<double>(y % cell) / cell;
  fx = fx * fx * (3 - 2 * fx);
  fy = fy * fy * (3 - 2 * fy);
  const double a = Lattice(ix % nx, iy % ny, octave);
  const double b = Lattice((ix + 1) % nx, iy % ny, octave);
  const double c = Lattice(ix % nx, (iy + 1) % ny, octave);
  const double d = Lattice((ix + 1) % nx, (iy + 1) % ny, octave);
  return (a + (b - a) * fx) * (1 - fy) + (c + (d - c) * fx) * fy;
}

int Wrap(int v, int n) { return ((v % n) + n) % n; }

}  // namespace

IndexedImage MakeGround() {
  std::vector<double> v(static_cast<size_t>(kW * kH));
  auto at = [&](int x, int y) -> double& { return v[Wrap(y, kH) * kW + Wrap(x, kW)]; };

  // Cell sizes divide both 640 and 480, which is what makes the noise wrap.
  constexpr int kCells[] = {160, 80, 40, 20, 10, 5, 2};
  constexpr double kAmp[] = {4.0, 3.0, 2.4, 1.8, 1.4, 1.1, 1.3};
  for (int y = 0; y < kH; ++y) {
    for (int x = 0; x < kW; ++x) {
      double n = 0;
      for (int o = 0; o < 7; ++o) n += kAmp[o] * PeriodicNoise(x, y, kCells[o], o);
      at(x, y) = 116.0 + n;
    }
  }

  Rng rng(0x61696C6Dull);
  // Cracks: short wandering lines, darker, with a lighter lip below.
  for (int k = 0; k < 11; ++k) {
    double x = rng.Range(0, kW), y = rng.Range(0, kH);
    double dir = rng.Range(0, 6.2831853);
    const int steps = 18 + rng.Below(40);
    for (int s = 0; s < steps; ++s) {
      dir += rng.Range(-0.45, 0.45);
      x += Cos(dir);
      y += Sin(dir);
      const int px = static_cast<int>(std::floor(x)), py = static_cast<int>(std::floor(y));
      at(px, py) -= 15.0 * (s < 3 || s > steps - 4 ? 0.55 : 1.0);
      at(px + 1, py + 1) += 3.5;
      if (s == steps / 2 && rng.Below(2) == 0) {
        double bx = x, by = y, bdir = dir + rng.Range(0.7, 1.2);
        const int branch = 8 + rng.Below(10);
        for (int t = 0; t < branch; ++t) {
          bdir += rng.Range(-0.4, 0.4);
          bx += Cos(bdir);
          by += Sin(bdir);
          at(static_cast<int>(std::floor(bx)), static_cast<int>(std::floor(by))) -= 10.0;
        }
      }
    }
  }
  // Pebbles: small lit domes with a soft shadow on the lower right.
  for (int k = 0; k < 70; ++k) {
    const double cx = rng.Range(0, kW), cy = rng.Range(0, kH);
    const double rx = rng.Range(1.3, 4.2), ry = rx * rng.Range(0.6, 0.95);
    const double tone = rng.Range(6, 16) * (rng.Below(4) == 0 ? -0.6 : 1.0);
    const int r = static_cast<int>(rx) + 3;
    for (int dy = -r; dy <= r; ++dy) {
      for (int dx = -r; dx <= r; ++dx) {
        const int px = static_cast<int>(std::floor(cx)) + dx;
        const int py = static_cast<int>(std::floor(cy)) + dy;
        const double ux = (px + 0.5 - cx) / rx, uy = (py + 0.5 - cy) / ry;
        const double sx = (px - 0.6 - cx) / rx, sy = (py - 0.8 - cy) / ry;
        if (ux * ux + uy * uy <= 1.0) {
          const double light = -(ux + uy) * 0.7;  // lit from the upper left
          at(px, py) += tone + light * 6.0;
        } else if (sx * sx + sy * sy <= 1.0) {
          at(px, py) -= 7.0;
        }
      }
    }
  }

  IndexedImage img;
  img.width = kW;
  img.height = kH;
  for (int i = 0; i < 256; ++i) {
    // A faintly warm grey ramp.
    img.palette.push_back(Rgb{static_cast<uint8_t>(std::min(255, i + 1)), static_cast<uint8_t>(i),
                              static_cast<uint8_t>(std::max(0, i - 4))});
  }
  img.pixels.resize(static_cast<size_t>(kW * kH));
  for (size_t i = 0; i < v.size(); ++i) {
    img.pixels[i] = static_cast<uint8_t>(std::clamp(std::lround(v[i]), 0L, 255L));
  }
  return img;
}

}  // namespace glimmerkin::artgen
