#pragma once
#include <cstdint>

namespace glimmerkin {

// The jobs a switch can name; each platform's host provides them.
class SaverModes {
 public:
  // foregroundParent: the dialog's parent is the foreground window ('c');
  // otherwise it has none (no switch).
  virtual int RunConfigureDialog(bool foregroundParent) = 0;
  virtual int RunFullScreen() = 0;
  // text: just behind the switch letter and the blanks after it.
  virtual int RunPreview(const char* text) = 0;
  virtual int RunChangePassword(const char* text) = 0;

 protected:
  ~SaverModes() = default;
};

// Scans the arguments (the command line after the program's name) for the
// one switch that names the job, runs that job and returns the exit code.
// Only ' ', '-' and '/' are skipped before the switch; anything but the
// switch letters c, s, p, l, a (either case) or the end gives -1.
int SaverMain(const char* arguments, SaverModes& modes);

// The value of the leading decimal digits, wrapping modulo 2^32; 0 when the
// text does not begin with a digit.
uint32_t ParseDecimal(const char* text);

// Movement that closes the saver: more than 4 pixels, Manhattan distance
// from the anchor, computed without overflow and compared unsigned.
inline constexpr uint32_t kMoveThreshold = 4;
bool MovedPastThreshold(int32_t anchorX, int32_t anchorY, int32_t x, int32_t y);

}  // namespace glimmerkin
