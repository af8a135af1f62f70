#include "host/win32/saver_window.h"

#include "animation/win32/saver_proc.h"
#include "host/saver_main.h"
#include "host/win32/display_power.h"
#include "host/win32/host_state.h"
#include "host/win32/monitor_layout.h"
#include "host/win32/password.h"

namespace glimmerkin {

HostState hostState;

namespace {

LRESULT PassOn(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return ScreenSaverProc(window, message, wParam, lParam);
}

// Typing must reach the saver's close rule, not an input method's window.
// IMM32 is only used when something has already loaded it.
void DetachInputMethod(HWND window) {
  hostState.imeModule = GetModuleHandleA("IMM32.DLL");
  if (hostState.imeModule == nullptr) return;
  hostState.associateContextProc =
      FindProc<AssociateContextProc>(hostState.imeModule, "ImmAssociateContext");
  if (hostState.associateContextProc != nullptr)
    hostState.savedImeContext = hostState.associateContextProc(window, nullptr);
}

void RestoreInputMethod(HWND window) {
  if (hostState.imeModule != nullptr && hostState.associateContextProc != nullptr &&
      hostState.savedImeContext != nullptr)
    hostState.associateContextProc(window, hostState.savedImeContext);
}

void TakeAnchor() { GetCursorPos(&hostState.anchorPoint); }

// The preview is seen while it and the settings window it sits in are shown
// and not minimised. Windows tells a child nothing of that, so it is asked
// at each frame and, while the preview rests, every two seconds.
constexpr UINT_PTR kSightTimer = 2;
constexpr UINT kSightAskMs = 2000;
bool askingSight = false;

void FollowPreviewSight(HWND window) {
  const HWND top = GetAncestor(window, GA_ROOT);
  const bool hidden = !IsWindowVisible(window) || (top != nullptr && IsIconic(top));
  ReportSight(Unseen::WindowUnmapped, hidden);
  if (hidden != askingSight) {
    if (hidden)
      SetTimer(window, kSightTimer, kSightAskMs, nullptr);
    else
      KillTimer(window, kSightTimer);
    askingSight = hidden;
  }
}

// The full-screen window covers every monitor: the whole virtual screen.
WindowArea FullScreenArea() {
  return CoveredArea(GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                     GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN),
                     GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
}

// Monitors came, went or moved: cover the new layout and have every part of
// it painted black again, so nothing of the old frames stays where no
// monitor shows now.
void FollowDisplayChange(HWND window) {
  const WindowArea area = FullScreenArea();
  SetWindowPos(window, HWND_TOPMOST, area.x, area.y, area.width, area.height, SWP_NOACTIVATE);
  InvalidateRect(window, nullptr, TRUE);
}

}  // namespace

int RunSaverWindow(HWND parent) {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_OWNDC | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = SaverWindowProc;
  windowClass.hInstance = hostState.instance;
  windowClass.hIcon = LoadIconA(hostState.instance, MAKEINTRESOURCEA(kSaverIcon));
  windowClass.hCursor = nullptr;
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = kSaverClassName;

  int x = 0;
  int y = 0;
  int width = 0;
  int height = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  const char* title = nullptr;
  if (parent != nullptr) {
    RECT client = {0, 0, 0, 0};
    GetClientRect(parent, &client);
    width = client.right;
    height = client.bottom;
    style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
    title = kPreviewTitle;
    hostState.previewMode = 1;
  } else {
    const WindowArea area = FullScreenArea();
    x = area.x;
    y = area.y;
    width = area.width;
    height = area.height;
    const HWND running = FindWindowA(kSaverClassName, kFullScreenTitle);
    if (running != nullptr && IsWindow(running)) {
      SetForegroundWindow(running);
      return 0;
    }
    LoadPasswordVerifier();
    style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
    exStyle = WS_EX_TOPMOST;
    title = kFullScreenTitle;
  }

  int result = kNoWindowExitCode;
  if (RegisterClassA(&windowClass) != 0)
    hostState.saverWindow = CreateWindowExA(exStyle, kSaverClassName, title, style, x, y, width,
                                            height, parent, nullptr, hostState.instance, nullptr);
  if (hostState.saverWindow != nullptr) {
    if (hostState.previewMode == 0) SetForegroundWindow(hostState.saverWindow);
    MSG message = {};
    BOOL got;
    while ((got = GetMessageA(&message, nullptr, 0, 0)) != 0) {
      if (got == -1) break;
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    result = got == -1 ? kNoWindowExitCode : static_cast<int>(message.wParam);
  }
  UnloadPasswordVerifier();
  return result;
}

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      DetachInputMethod(window);
      TakeAnchor();
      WatchDisplayPower(window);
      if (hostState.previewMode == 0) SetCursor(nullptr);
      break;
    case WM_DESTROY:
      UnwatchDisplayPower();
      if (askingSight) KillTimer(window, kSightTimer);
      askingSight = false;
      RestoreInputMethod(window);
      PostQuitMessage(0);
      break;
    case WM_SETTEXT:
      return 0;
    case WM_PAINT:
      if (hostState.closing != 0) return DefWindowProcA(window, message, wParam, lParam);
      if (hostState.previewMode == 0) SetCursor(nullptr);
      break;
    case WM_HELP:
    case WM_CONTEXTMENU:
      if (hostState.previewMode != 0) {
        // The preview's help belongs to the settings window it sits in.
        const HWND parent = GetParent(window);
        if (parent != nullptr && IsWindow(parent))
          PostMessageA(parent, message, reinterpret_cast<WPARAM>(parent), lParam);
        return 1;
      }
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (hostState.closing != 0) return DefWindowProcA(window, message, wParam, lParam);
      break;
    case WM_SYSCOMMAND:
      // Task switching and a second saver start are not for a running saver.
      if (hostState.previewMode == 0 &&
          (wParam == SC_NEXTWINDOW || wParam == SC_PREVWINDOW || wParam == SC_SCREENSAVE))
        return 0;
      break;
    case WM_DISPLAYCHANGE:
      if (hostState.previewMode == 0 && hostState.closing == 0) FollowDisplayChange(window);
      break;
    case WM_POWERBROADCAST:
      if (const std::optional<bool> off = DisplayOffFrom(wParam, lParam)) {
        ReportSight(Unseen::DisplayOff, *off);
        return TRUE;
      }
      break;
    case WM_TIMER:
      if (hostState.closing != 0) return 0;
      if (wParam == kSightTimer) {
        FollowPreviewSight(window);
        return 0;
      }
      if (hostState.previewMode != 0) FollowPreviewSight(window);
      Sleep(0);
      break;
    default:
      break;
  }
  return PassOn(window, message, wParam, lParam);
}

LRESULT DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (hostState.previewMode != 0 || hostState.closing != 0)
    return DefWindowProcA(window, message, wParam, lParam);
  switch (message) {
    case WM_CLOSE:
      if (VerifyPasswordOnClose(window) != 0)
        return DefWindowProcA(window, message, wParam, lParam);
      TakeAnchor();
      return 0;
    case kVerifyRequest:
      return hostState.verifyProc != nullptr ? hostState.verifyProc(window) : 1;
    default:
      break;
  }
  if (hostState.checkRunning != 0) return DefWindowProcA(window, message, wParam, lParam);
  switch (message) {
    case WM_SETCURSOR:
      SetCursor(nullptr);
      return 1;
    case WM_SHOWWINDOW:
      if (wParam != 0) SetCursor(nullptr);
      break;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      PostMessageA(window, WM_CLOSE, 0, 0);
      break;
    case WM_MOUSEMOVE: {
      POINT position = hostState.anchorPoint;
      GetCursorPos(&position);
      if (MovedPastThreshold(hostState.anchorPoint.x, hostState.anchorPoint.y, position.x,
                             position.y)) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        hostState.anchorPoint = position;
      }
      break;
    }
    default:
      break;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace glimmerkin
