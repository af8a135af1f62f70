#pragma once
#include <windows.h>

inline constexpr int kConfigureDialogTemplate = 2003;

// The configuration dialog's procedure, exported under this name (see the
// .def files beside the host).
extern "C" INT_PTR CALLBACK ScreenSaverConfigureDialog(HWND dialog,
                                                       UINT message,
                                                       WPARAM wParam,
                                                       LPARAM lParam);

namespace glimmerkin {
// The module the dialog's strings come from; the running program by default.
void SetConfigureDialogModule(HINSTANCE module);
}  // namespace glimmerkin
