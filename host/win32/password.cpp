#include "host/win32/password.h"

#include "host/password_rules.h"
#include "host/win32/host_state.h"
#include "host/win32/system_module.h"

namespace glimmerkin {

int SetSaverRunning(BOOL running) {
  UINT previous = 0;
  return SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, static_cast<UINT>(running), &previous,
                               0);
}

void UnloadPasswordVerifier() {
  if (hostState.verifierModule == nullptr) return;
  FreeLibrary(hostState.verifierModule);
  hostState.verifierModule = nullptr;
  if (hostState.verifyProc != nullptr) {
    hostState.verifyProc = nullptr;
    SetSaverRunning(FALSE);
  }
}

void LoadPasswordVerifier() {
  if (hostState.verifierModule != nullptr) UnloadPasswordVerifier();
  HKEY key = nullptr;
  if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key) != ERROR_SUCCESS) return;
  DWORD usePassword = 0;
  DWORD size = sizeof usePassword;
  const LONG query = RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr,
                                      reinterpret_cast<BYTE*>(&usePassword), &size);
  if (query == ERROR_SUCCESS && usePassword != 0) {
    hostState.verifierModule = LoadSystemModule("PASSWORD.CPL");
    if (hostState.verifierModule != nullptr) {
      hostState.verifyProc =
          FindProc<VerifyPasswordProc>(hostState.verifierModule, "VerifyScreenSavePwd");
      if (hostState.verifyProc != nullptr)
        SetSaverRunning(TRUE);
      else
        UnloadPasswordVerifier();
    }
  }
  RegCloseKey(key);
}

int VerifyPasswordOnClose(HWND window) {
  switch (DecideClose(hostState.checkRunning != 0, hostState.closing != 0,
                      hostState.verifyProc != nullptr, hostState.lastCheckTick,
                      GetTickCount())) {
    case CloseDecision::kIgnore:
      return 0;
    case CloseDecision::kGrant:
      hostState.closing = 1;
      return 1;
    case CloseDecision::kDrop:
      return hostState.closing;
    case CloseDecision::kAskVerifier:
      break;
  }
  hostState.checkRunning = 1;
  // Frames queued while the user was typing are not worth drawing now.
  MSG pending;
  PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
  PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
  hostState.closing = SendMessageA(window, kVerifyRequest, 0, 0) != 0 ? 1 : 0;
  hostState.checkRunning = 0;
  if (hostState.closing == 0) SetCursor(nullptr);
  hostState.lastCheckTick = GetTickCount();
  return hostState.closing;
}

}  // namespace glimmerkin
