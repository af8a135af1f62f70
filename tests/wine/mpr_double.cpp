// A stand-in for the system's MPR.DLL that records the password-change call.
#include <windows.h>

#include <cstdint>

#include "double_log.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) DoubleLog("mpr-load");
  return TRUE;
}

extern "C" DWORD WINAPI PwdChangePasswordA(LPCSTR providerKey, HWND parent, DWORD flags,
                                           void* reserved) {
  DoubleLog("PwdChangePasswordA key=%s parent=%lu flags=%lu reserved=%s",
            providerKey != nullptr ? providerKey : "(null)",
            static_cast<unsigned long>(reinterpret_cast<uintptr_t>(parent)),
            static_cast<unsigned long>(flags), reserved == nullptr ? "null" : "set");
  return 0;
}
