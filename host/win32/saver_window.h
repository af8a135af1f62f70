#pragma once
#include <windows.h>

namespace glimmerkin {

inline constexpr char kSaverClassName[] = "WindowsScreenSaverClass";
inline constexpr char kFullScreenTitle[] = "Screen Saver";
inline constexpr char kPreviewTitle[] = "Preview";
inline constexpr int kSaverIcon = 100;
// Exit code when the class cannot be registered or the window cannot be
// created: the same as for a bad command line, since nothing ran.
inline constexpr int kNoWindowExitCode = -1;

// Full screen without a parent, otherwise as a child filling the parent's
// client area; returns the exit code.
int RunSaverWindow(HWND parent);

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// The host's default handling, reached through ScreenSaverProc.
LRESULT DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace glimmerkin
