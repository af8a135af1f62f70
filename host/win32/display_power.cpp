#include "host/win32/display_power.h"

#include <cstring>

#include "host/win32/host_state.h"

namespace glimmerkin {
namespace {

using RegisterProc = HANDLE(WINAPI*)(HANDLE recipient, const GUID* setting, DWORD flags);
using UnregisterProc = BOOL(WINAPI*)(HANDLE registration);

// The two settings that tell of the display, as Windows defines them.
constexpr GUID kConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
constexpr GUID kMonitorPowerOn = {
    0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};

constexpr WPARAM kPowerSettingChange = 0x8013;  // PBT_POWERSETTINGCHANGE
constexpr DWORD kToWindowHandle = 0;            // DEVICE_NOTIFY_WINDOW_HANDLE

// POWERBROADCAST_SETTING's fixed part; the value follows it.
struct PowerSetting {
  GUID setting;
  DWORD length;
};

HANDLE registration = nullptr;

}  // namespace

void WatchDisplayPower(HWND window) {
  const HMODULE user32 = GetModuleHandleA("user32.dll");
  if (user32 == nullptr || registration != nullptr) return;
  const auto registerProc = FindProc<RegisterProc>(user32, "RegisterPowerSettingNotification");
  if (registerProc == nullptr) return;
  registration = registerProc(window, &kConsoleDisplayState, kToWindowHandle);
  if (registration == nullptr) registration = registerProc(window, &kMonitorPowerOn, kToWindowHandle);
}

void UnwatchDisplayPower() {
  if (registration == nullptr) return;
  const HMODULE user32 = GetModuleHandleA("user32.dll");
  const auto unregisterProc =
      user32 != nullptr ? FindProc<UnregisterProc>(user32, "UnregisterPowerSettingNotification")
                        : nullptr;
  if (unregisterProc != nullptr) unregisterProc(registration);
  registration = nullptr;
}

std::optional<bool> DisplayOffFrom(WPARAM wParam, LPARAM lParam) {
  if (wParam != kPowerSettingChange || lParam == 0) return std::nullopt;
  PowerSetting head;
  std::memcpy(&head, reinterpret_cast<const void*>(lParam), sizeof head);
  if (head.length < sizeof(DWORD)) return std::nullopt;
  if (std::memcmp(&head.setting, &kConsoleDisplayState, sizeof(GUID)) != 0 &&
      std::memcmp(&head.setting, &kMonitorPowerOn, sizeof(GUID)) != 0)
    return std::nullopt;
  DWORD state = 0;
  std::memcpy(&state, reinterpret_cast<const char*>(lParam) + sizeof head, sizeof state);
  // 0 off, 1 on, 2 dimmed (the console state only).
  return state == 0;
}

}  // namespace glimmerkin
