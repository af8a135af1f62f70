#include "settings/dialog_rules.h"

namespace glimmerkin {

DialogCommand ClassifyDialogCommand(uint32_t controlId) {
  if (controlId == kOkButtonId) return DialogCommand::kOk;
  if (controlId == kCancelButtonId || controlId == kDialogManagerCancelId)
    return DialogCommand::kCancel;
  return DialogCommand::kOther;
}

bool ApplyScrollCode(Settings& settings, bool fromSpeedBar, uint32_t code, uint32_t thumb) {
  int32_t& value = fromSpeedBar ? settings.redrawSpeed : settings.alienCount;
  const int32_t minimum = fromSpeedBar ? kMinRedrawSpeed : kMinAlienCount;
  const int32_t maximum = fromSpeedBar ? kMaxRedrawSpeed : kMaxAlienCount;
  switch (code) {
    case 0:  // SB_LINELEFT
    case 2:  // SB_PAGELEFT: a page is one step
      // The value is in range here, so this cannot overflow.
      value -= 1;
      break;
    case 1:  // SB_LINERIGHT
    case 3:  // SB_PAGERIGHT
      value += 1;
      break;
    case 4:  // SB_THUMBPOSITION: the thumb has been released
      // The position is the message's unsigned 16-bit thumb; a value
      // outside the bar's range is clamped afterwards.
      value = static_cast<int32_t>(thumb & 0xFFFFu);
      break;
    case 5:  // SB_THUMBTRACK: nothing changes until the thumb is released
    case 8:  // SB_ENDSCROLL
      return false;
    case 6:  // SB_LEFT
      value = minimum;
      break;
    case 7:  // SB_RIGHT
      value = maximum;
      break;
    default:
      break;
  }
  return true;
}

Settings ClampToBars(Settings settings) {
  if (settings.redrawSpeed < kMinRedrawSpeed) settings.redrawSpeed = kMinRedrawSpeed;
  if (settings.redrawSpeed > kMaxRedrawSpeed) settings.redrawSpeed = kMaxRedrawSpeed;
  if (settings.alienCount < kMinAlienCount) settings.alienCount = kMinAlienCount;
  if (settings.alienCount > kMaxAlienCount) settings.alienCount = kMaxAlienCount;
  return settings;
}

}  // namespace glimmerkin
