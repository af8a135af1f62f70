#pragma once
#include <windows.h>

namespace glimmerkin {

// Loads "PASSWORD.CPL" when "ScreenSaveUsePassword" asks for a password and
// tells the system a saver runs while its verifier is loaded.
void LoadPasswordVerifier();
void UnloadPasswordVerifier();
// Nonzero when the window may close now.
int VerifyPasswordOnClose(HWND window);
// SPI_SCREENSAVERRUNNING; returns the call's result.
int SetSaverRunning(BOOL running);

// The private message that runs the verifier inside the saver window.
inline constexpr UINT kVerifyRequest = 0x8000;

}  // namespace glimmerkin
