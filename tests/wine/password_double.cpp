// A stand-in for the system's PASSWORD.CPL: refuses the first password check
// and accepts every later one, logging each call. During the refused check it
// asks for another close (nested, then queued) to show that neither starts a
// second check.
#include <windows.h>

#include "double_log.h"

namespace {
int checks = 0;

int SaverRunning() {
  BOOL running = FALSE;
  if (!SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0)) return -1;
  return running ? 1 : 0;
}
}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DoubleLog("cpl-load");
  if (reason == DLL_PROCESS_DETACH) DoubleLog("cpl-unload");
  return TRUE;
}

extern "C" BOOL WINAPI VerifyScreenSavePwd(HWND window) {
  ++checks;
  const HWND saver = FindWindowA("WindowsScreenSaverClass", "Screen Saver");
  DoubleLog("verify %d window-is-saver=%d running=%d tick=%lu", checks, saver == window ? 1 : 0,
            SaverRunning(), static_cast<unsigned long>(GetTickCount()));
  if (checks == 1) {
    const LRESULT nested = SendMessageA(window, WM_CLOSE, 0, 0);
    DoubleLog("nested-close=%ld", static_cast<long>(nested));
    // Reaches the saver within milliseconds of this check's end.
    PostMessageA(window, WM_CLOSE, 0, 0);
    DoubleLog("refused");
    return FALSE;
  }
  DoubleLog("accepted");
  return TRUE;
}
