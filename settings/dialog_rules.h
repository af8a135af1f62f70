#pragma once
#include <cstdint>

#include "settings/settings.h"

namespace glimmerkin {

// Control ids of the configuration dialog (template 2003).
inline constexpr uint32_t kOkButtonId = 1000;
inline constexpr uint32_t kCancelButtonId = 1001;
inline constexpr uint32_t kSpeedBarId = 1002;
inline constexpr uint32_t kCountBarId = 1003;
// The dialog manager's cancel command: the Escape key and the close box.
inline constexpr uint32_t kDialogManagerCancelId = 2;

enum class DialogCommand { kOk, kCancel, kOther };

// Command id 2 counts as Cancel, otherwise the dialog could be closed
// neither with Escape nor with its close box.
DialogCommand ClassifyDialogCommand(uint32_t controlId);

// Applies one WM_HSCROLL code to the value of the bar it came from. Returns
// false when the message ends there (thumb still moving, end of scroll);
// true when both values are to be clamped and both thumbs set anew.
bool ApplyScrollCode(Settings& settings, bool fromSpeedBar, uint32_t code, uint32_t thumb);

// Both values pulled into their bars' ranges.
Settings ClampToBars(Settings settings);

}  // namespace glimmerkin
