#pragma once
#include <cstdint>

namespace glimmerkin {

// No check has run yet: the first close request always asks.
inline constexpr uint32_t kNoCheckYet = 0xFFFFFFFFu;
// A close request this soon after the end of the last check is dropped, so
// one burst of input cannot open the verifier twice in a row.
inline constexpr uint32_t kCheckQuietMs = 200;

// later - earlier on the 32-bit millisecond tick counter, across its wrap.
uint32_t TicksBetween(uint32_t earlier, uint32_t later);

enum class CloseDecision {
  kIgnore,       // a check runs or closing already began: return 0
  kGrant,        // no verifier: close now
  kDrop,         // inside the quiet period after the last check: return 0
  kAskVerifier,  // run a check
};

CloseDecision DecideClose(bool checkRunning, bool closing, bool haveVerifier,
                          uint32_t lastCheckTick, uint32_t now);

}  // namespace glimmerkin
