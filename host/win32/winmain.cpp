// The .scr's start: the arguments text after the program's name goes to the
// shared switch scanner, which runs one mode; its result is the exit code.
#include <windows.h>

#include <cstdint>

#include "host/saver_main.h"
#include "host/win32/command_line.h"
#include "host/win32/host_state.h"
#include "host/win32/password.h"
#include "host/win32/saver_window.h"
#include "host/win32/system_module.h"
#include "settings/win32/configure_dialog.h"

namespace glimmerkin {
namespace {

using ChangePasswordProc = DWORD(WINAPI*)(LPCSTR providerKey, HWND parent, DWORD flags,
                                          void* reserved);

HWND HandleFromText(const char* text) {
  return reinterpret_cast<HWND>(static_cast<uintptr_t>(ParseDecimal(text)));
}

// This saver has nothing to prepare before its dialog.
int PrepareConfigureDialog(HINSTANCE) { return 1; }

int RunConfigureDialog(HWND parent) {
  if (PrepareConfigureDialog(hostState.instance) == 0) return 0;
  return static_cast<int>(DialogBoxParamA(hostState.instance,
                                          MAKEINTRESOURCEA(kConfigureDialogTemplate), parent,
                                          ScreenSaverConfigureDialog, 0));
}

void ChangeSaverPassword(HWND parent) {
  const HMODULE provider = LoadSystemModule("MPR.DLL");
  if (provider == nullptr) return;
  const auto change = FindProc<ChangePasswordProc>(provider, "PwdChangePasswordA");
  if (change != nullptr) change("SCRSAVE", parent, 0, nullptr);
  FreeLibrary(provider);
}

class WindowsModes final : public SaverModes {
 public:
  int RunConfigureDialog(bool foregroundParent) override {
    return glimmerkin::RunConfigureDialog(foregroundParent ? GetForegroundWindow() : nullptr);
  }
  int RunFullScreen() override { return RunSaverWindow(nullptr); }
  int RunPreview(const char* text) override {
    const HWND parent = HandleFromText(text);
    if (parent == nullptr || !IsWindow(parent)) return -1;
    return RunSaverWindow(parent);
  }
  int RunChangePassword(const char* text) override {
    HWND parent = HandleFromText(text);
    if (parent == nullptr || !IsWindow(parent)) parent = GetForegroundWindow();
    ChangeSaverPassword(parent);
    return 0;
  }
};

// GCC has no __try: a fault nobody handles ends here instead. The system
// must not go on believing a saver runs; the exit code says whether it
// took note.
LONG WINAPI GuardFilter(EXCEPTION_POINTERS*) {
  ExitProcess(static_cast<UINT>(SetSaverRunning(FALSE)));
}

}  // namespace
}  // namespace glimmerkin

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  using namespace glimmerkin;
  hostState.instance = instance;
  SetUnhandledExceptionFilter(GuardFilter);
  WindowsModes modes;
  return SaverMain(ArgumentsAfterProgramName(GetCommandLineA()), modes);
}
