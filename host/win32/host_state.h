#pragma once
#include <windows.h>

#include <cstdint>

#include "host/password_rules.h"

namespace glimmerkin {

using AssociateContextProc = HANDLE(WINAPI*)(HWND window, HANDLE context);
using VerifyPasswordProc = BOOL(WINAPI*)(HWND window);

// The host's process-wide record: one saver window per process.
struct HostState {
  HINSTANCE instance = nullptr;

  HWND saverWindow = nullptr;
  int32_t previewMode = 0;
  int32_t closing = 0;
  int32_t checkRunning = 0;
  POINT anchorPoint = {0, 0};
  HMODULE imeModule = nullptr;
  AssociateContextProc associateContextProc = nullptr;
  HANDLE savedImeContext = nullptr;

  HMODULE verifierModule = nullptr;
  VerifyPasswordProc verifyProc = nullptr;
  uint32_t lastCheckTick = kNoCheckYet;
};

extern HostState hostState;

// A function found by name in a module, as the type it is known to have.
template <typename Proc>
Proc FindProc(HMODULE module, const char* name) {
  // Through the generic function type, which may be cast to any other.
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

}  // namespace glimmerkin
