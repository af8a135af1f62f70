#include "host/password_rules.h"

namespace glimmerkin {

uint32_t TicksBetween(uint32_t earlier, uint32_t later) { return later - earlier; }

CloseDecision DecideClose(bool checkRunning, bool closing, bool haveVerifier,
                          uint32_t lastCheckTick, uint32_t now) {
  if (checkRunning || closing) return CloseDecision::kIgnore;
  if (!haveVerifier) return CloseDecision::kGrant;
  if (lastCheckTick != kNoCheckYet && TicksBetween(lastCheckTick, now) < kCheckQuietMs)
    return CloseDecision::kDrop;
  return CloseDecision::kAskVerifier;
}

}  // namespace glimmerkin
