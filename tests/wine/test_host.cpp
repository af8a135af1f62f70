// Drives glimmerkin64.scr under Wine for the end-to-end tests: launches it
// and reports its exact 32-bit exit code, plays the display settings' preview
// window and the password-change parent, and looks at the saver's windows
// and dialog from outside. Prints key=value lines; the test script judges.
#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>

namespace {

constexpr char kSaverClass[] = "WindowsScreenSaverClass";

void Say(const char* format, ...) __attribute__((format(printf, 1, 2)));
void Say(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vprintf(format, args);
  va_end(args);
  std::printf("\n");
  std::fflush(stdout);
}

unsigned long HandleNumber(HWND window) {
  return static_cast<unsigned long>(reinterpret_cast<uintptr_t>(window));
}

// "\t" in an argument stands for a tab, which a shell line cannot carry well.
std::string Unescape(const char* text) {
  std::string out;
  for (const char* p = text; *p != '\0'; ++p) {
    if (p[0] == '\\' && p[1] == 't') {
      out += '\t';
      ++p;
    } else {
      out += *p;
    }
  }
  return out;
}

bool Launch(const std::string& saver, const std::string& arguments, PROCESS_INFORMATION& process) {
  std::string commandLine = "\"" + saver + "\"";
  if (!arguments.empty()) commandLine += " " + arguments;
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  process = {};
  if (!CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    Say("launch-failed=%lu", static_cast<unsigned long>(GetLastError()));
    return false;
  }
  return true;
}

void Pump() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

// Waits for the process while pumping this thread's messages; false on
// timeout, after which the process is ended.
bool AwaitExit(PROCESS_INFORMATION& process, DWORD timeoutMs, int32_t& code) {
  const DWORD start = GetTickCount();
  for (;;) {
    const DWORD waited = GetTickCount() - start;
    if (waited >= timeoutMs) break;
    const DWORD r = MsgWaitForMultipleObjects(1, &process.hProcess, FALSE, timeoutMs - waited,
                                              QS_ALLINPUT);
    if (r == WAIT_OBJECT_0) {
      DWORD exitCode = 0;
      GetExitCodeProcess(process.hProcess, &exitCode);
      code = static_cast<int32_t>(exitCode);
      CloseHandle(process.hThread);
      CloseHandle(process.hProcess);
      return true;
    }
    Pump();
  }
  TerminateProcess(process.hProcess, 99);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return false;
}

void PumpFor(DWORD ms) {
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < ms) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    Pump();
  }
}

bool Running(const PROCESS_INFORMATION& process) {
  return WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT;
}

// run TIMEOUT_MS SAVER [ARGUMENTS]: the exit code, as a signed 32-bit number.
int Run(int argc, char** argv) {
  if (argc < 4) return 2;
  const DWORD timeout = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
  PROCESS_INFORMATION process;
  if (!Launch(argv[3], argc > 4 ? Unescape(argv[4]) : std::string(), process)) return 1;
  int32_t code = 0;
  if (!AwaitExit(process, timeout, code)) {
    Say("timeout=1");
    return 3;
  }
  Say("exit=%ld", static_cast<long>(code));
  return 0;
}

BOOL CALLBACK SayMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM) {
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (GetMonitorInfoA(monitor, &info))
    Say("monitor=%ld,%ld,%ld,%ld,%d", info.rcMonitor.left, info.rcMonitor.top,
        info.rcMonitor.right, info.rcMonitor.bottom,
        (info.dwFlags & MONITORINFOF_PRIMARY) != 0 ? 1 : 0);
  return TRUE;
}

// saver-facts: how the running full-screen saver's window is made, and the
// displays as this process sees them.
int SaverFacts() {
  Say("virtual=%d,%d,%d,%d", GetSystemMetrics(SM_XVIRTUALSCREEN),
      GetSystemMetrics(SM_YVIRTUALSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN),
      GetSystemMetrics(SM_CYVIRTUALSCREEN));
  EnumDisplayMonitors(nullptr, nullptr, SayMonitor, 0);
  const HDC screen = GetDC(nullptr);
  Say("logpixels=%d", GetDeviceCaps(screen, LOGPIXELSX));
  ReleaseDC(nullptr, screen);
  const HWND saver = FindWindowA(kSaverClass, "Screen Saver");
  Say("found=%d", saver != nullptr ? 1 : 0);
  if (saver == nullptr) return 1;
  RECT rect;
  GetWindowRect(saver, &rect);
  char className[64] = {};
  GetClassNameA(saver, className, sizeof className);
  Say("class=%s", className);
  Say("style=0x%08lx", static_cast<unsigned long>(GetWindowLongA(saver, GWL_STYLE)));
  Say("exstyle=0x%08lx", static_cast<unsigned long>(GetWindowLongA(saver, GWL_EXSTYLE)));
  Say("class-style=%lu", static_cast<unsigned long>(GetClassLongA(saver, GCL_STYLE)));
  Say("class-icon=%d", GetClassLongPtrA(saver, GCLP_HICON) != 0 ? 1 : 0);
  Say("class-cursor=%d", GetClassLongPtrA(saver, GCLP_HCURSOR) != 0 ? 1 : 0);
  Say("rect=%ld,%ld,%ld,%ld", rect.left, rect.top, rect.right, rect.bottom);
  Say("screen=%d,%d", GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
  Say("parent=%lu", HandleNumber(GetParent(saver)));
  Say("foreground=%d", GetForegroundWindow() == saver ? 1 : 0);
  return 0;
}

// post CLASS TITLE MESSAGE WPARAM [COUNT]: posts a message (COUNT times, once
// by default) to a window found by class and title.
int Post(int argc, char** argv) {
  if (argc < 6) return 2;
  const HWND window = FindWindowA(argv[2], argv[3]);
  if (window == nullptr) {
    Say("found=0");
    return 1;
  }
  const UINT message = static_cast<UINT>(std::strtoul(argv[4], nullptr, 0));
  const WPARAM wParam = static_cast<WPARAM>(std::strtoul(argv[5], nullptr, 0));
  const unsigned long count = argc > 6 ? std::strtoul(argv[6], nullptr, 0) : 1;
  unsigned long posted = 0;
  for (unsigned long i = 0; i < count; ++i) posted += PostMessageA(window, message, wParam, 0) ? 1 : 0;
  Say("posted=%d", posted == count ? 1 : 0);
  return 0;
}

// The saver's window by title: a top-level one, else a child of some
// top-level window (the preview in its parent).
HWND FindSaverWindow(const char* title) {
  struct Search {
    const char* title;
    HWND found;
  } search{title, FindWindowA(kSaverClass, title)};
  if (search.found != nullptr) return search.found;
  EnumWindows(
      [](HWND top, LPARAM data) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(data);
        s.found = FindWindowExA(top, nullptr, kSaverClass, s.title);
        return s.found == nullptr;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// power TITLE STATE [GUID]: tells the saver's window the display's power
// changed, as Windows does: a POWERBROADCAST_SETTING put in the saver's own
// memory (Wine never sends one itself). STATE 0 off, 1 on, 2 dimmed; GUID
// "console" (the default), "monitor", or "other" for a setting that is not
// the display's.
int Power(int argc, char** argv) {
  if (argc < 4) return 2;
  const HWND window = FindSaverWindow(argv[2]);
  Say("found=%d", window != nullptr ? 1 : 0);
  if (window == nullptr) return 1;
  static const GUID kConsole = {
      0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
  static const GUID kMonitor = {
      0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};
  static const GUID kOther = {
      0x8183ba9a, 0xe910, 0x48da, {0x87, 0x69, 0x14, 0xae, 0x6d, 0xc1, 0x17, 0x0a}};
  const std::string which = argc > 4 ? argv[4] : "console";
  struct {
    GUID setting;
    DWORD length;
    DWORD value;
  } message{which == "monitor" ? kMonitor : which == "other" ? kOther : kConsole, sizeof(DWORD),
            static_cast<DWORD>(std::strtoul(argv[3], nullptr, 0))};
  DWORD processId = 0;
  GetWindowThreadProcessId(window, &processId);
  const HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, processId);
  if (process == nullptr) {
    Say("open-failed=%lu", static_cast<unsigned long>(GetLastError()));
    return 1;
  }
  void* remote = VirtualAllocEx(process, nullptr, sizeof message, MEM_COMMIT | MEM_RESERVE,
                                PAGE_READWRITE);
  SIZE_T written = 0;
  DWORD_PTR answer = 0;
  const bool sent =
      remote != nullptr && WriteProcessMemory(process, remote, &message, sizeof message, &written) &&
      written == sizeof message &&
      SendMessageTimeoutA(window, WM_POWERBROADCAST, 0x8013 /* PBT_POWERSETTINGCHANGE */,
                          reinterpret_cast<LPARAM>(remote), SMTO_ABORTIFHUNG, 5000, &answer) != 0;
  if (remote != nullptr) VirtualFreeEx(process, remote, 0, MEM_RELEASE);
  CloseHandle(process);
  Say("sent=%d", sent ? 1 : 0);
  Say("answer=%lu", static_cast<unsigned long>(answer));
  return sent ? 0 : 1;
}

// repaint CLASS TITLE [X Y WIDTH HEIGHT]: invalidates the window found by
// class and title (the given client rectangle, else all of it) with its
// background to be erased, as Windows does when something uncovers it, and
// waits until the window has painted it.
int Repaint(int argc, char** argv) {
  if (argc < 4) return 2;
  const HWND window = FindWindowA(argv[2], argv[3]);
  Say("found=%d", window != nullptr ? 1 : 0);
  if (window == nullptr) return 1;
  RECT area;
  const RECT* part = nullptr;
  if (argc >= 8) {
    area.left = std::atol(argv[4]);
    area.top = std::atol(argv[5]);
    area.right = area.left + std::atol(argv[6]);
    area.bottom = area.top + std::atol(argv[7]);
    part = &area;
  }
  const bool invalidated = RedrawWindow(window, part, nullptr, RDW_INVALIDATE | RDW_ERASE) != 0;
  Say("invalidated=%d", invalidated ? 1 : 0);
  const DWORD start = GetTickCount();
  bool painted = false;
  while (GetTickCount() - start < 10000) {
    if (!GetUpdateRect(window, nullptr, FALSE)) {
      painted = true;
      break;
    }
    Sleep(20);
  }
  Say("painted=%d", painted ? 1 : 0);
  return 0;
}

// --- Preview ---------------------------------------------------------------

struct PreviewParent {
  int contextMenus = 0;
  bool contextWParamIsParent = false;
  bool helpSeen = false;
};
PreviewParent previewParent;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CONTEXTMENU) {
    ++previewParent.contextMenus;
    previewParent.contextWParamIsParent = reinterpret_cast<HWND>(wParam) == window;
    return 0;
  }
  if (message == WM_HELP) {
    previewParent.helpSeen = true;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

HWND CreateParent(const char* title, int clientWidth, int clientHeight) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = ParentProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = "GlimmerkinTestParent";
  RegisterClassA(&windowClass);
  RECT rect = {0, 0, clientWidth, clientHeight};
  const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_VISIBLE | WS_CLIPCHILDREN;
  AdjustWindowRect(&rect, style, FALSE);
  return CreateWindowExA(0, "GlimmerkinTestParent", title, style, 40, 40, rect.right - rect.left,
                         rect.bottom - rect.top, nullptr, nullptr, GetModuleHandleA(nullptr),
                         nullptr);
}

HANDLE stdinLine = nullptr;

DWORD WINAPI ReadStdinLine(void*) {
  char line[64];
  if (std::fgets(line, sizeof line, stdin) == nullptr) {
    // No one to wait for.
  }
  SetEvent(stdinLine);
  return 0;
}

// Pumps messages until a line arrives on standard input (or the timeout).
void AwaitGo(DWORD timeoutMs) {
  stdinLine = CreateEventA(nullptr, TRUE, FALSE, nullptr);
  const HANDLE reader = CreateThread(nullptr, 0, ReadStdinLine, nullptr, 0, nullptr);
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < timeoutMs) {
    if (MsgWaitForMultipleObjects(1, &stdinLine, FALSE, 50, QS_ALLINPUT) == WAIT_OBJECT_0) break;
    Pump();
  }
  if (reader != nullptr) CloseHandle(reader);
}

// preview TIMEOUT_MS SAVER LETTER WIDTH HEIGHT
int Preview(int argc, char** argv) {
  if (argc < 7) return 2;
  const DWORD timeout = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
  const int width = std::atoi(argv[5]);
  const int height = std::atoi(argv[6]);
  const HWND parent = CreateParent("Glimmerkin preview parent", width, height);
  if (parent == nullptr) return 1;
  PumpFor(200);
  RECT client;
  GetClientRect(parent, &client);
  POINT origin = {0, 0};
  ClientToScreen(parent, &origin);
  Say("parent=%lu", HandleNumber(parent));
  Say("parent-client=%ld,%ld", client.right, client.bottom);
  Say("parent-origin=%ld,%ld", origin.x, origin.y);

  PROCESS_INFORMATION process;
  const std::string arguments = std::string("/") + argv[4] + " " + std::to_string(HandleNumber(parent));
  if (!Launch(argv[3], arguments, process)) return 1;

  HWND child = nullptr;
  const DWORD start = GetTickCount();
  // Found during its WM_CREATE it is not shown yet: wait until it is.
  while ((child == nullptr || !IsWindowVisible(child)) && GetTickCount() - start < timeout &&
         Running(process)) {
    PumpFor(50);
    child = FindWindowExA(parent, nullptr, kSaverClass, "Preview");
  }
  Say("child-found=%d", child != nullptr ? 1 : 0);
  if (child == nullptr) {
    int32_t code = 0;
    if (AwaitExit(process, 1000, code)) Say("exit=%ld", static_cast<long>(code));
    return 1;
  }
  RECT childRect;
  GetWindowRect(child, &childRect);
  Say("child-rect=%ld,%ld,%ld,%ld", childRect.left - origin.x, childRect.top - origin.y,
      childRect.right - origin.x, childRect.bottom - origin.y);
  Say("child-style=0x%08lx", static_cast<unsigned long>(GetWindowLongA(child, GWL_STYLE)));
  Say("child-exstyle=0x%08lx", static_cast<unsigned long>(GetWindowLongA(child, GWL_EXSTYLE)));
  Say("ready=1");
  AwaitGo(timeout);  // the test script looks at the screen meanwhile

  // Input of every closing kind, and a move across the whole preview.
  PostMessageA(child, WM_KEYDOWN, 'A', 0);
  PostMessageA(child, WM_SYSKEYDOWN, VK_MENU, 0);
  PostMessageA(child, WM_LBUTTONDOWN, MK_LBUTTON, 0);
  PostMessageA(child, WM_RBUTTONDOWN, MK_RBUTTON, 0);
  PostMessageA(child, WM_MBUTTONDOWN, MK_MBUTTON, 0);
  SetCursorPos(origin.x + 5, origin.y + 5);
  PumpFor(100);
  SetCursorPos(origin.x + width - 5, origin.y + height - 5);
  PostMessageA(child, WM_MOUSEMOVE, 0, MAKELPARAM(width - 5, height - 5));
  PostMessageA(child, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(child), MAKELPARAM(7, 9));
  PumpFor(1500);
  Say("alive-after-input=%d", IsWindow(child) && Running(process) ? 1 : 0);
  Say("parent-context-menus=%d", previewParent.contextMenus);
  Say("context-wparam-is-parent=%d", previewParent.contextWParamIsParent ? 1 : 0);

  DestroyWindow(parent);
  int32_t code = 0;
  if (!AwaitExit(process, timeout, code)) {
    Say("timeout=1");
    return 3;
  }
  Say("exit=%ld", static_cast<long>(code));
  return 0;
}

// change-password TIMEOUT_MS SAVER: a window whose handle goes after /a.
int ChangePassword(int argc, char** argv) {
  if (argc < 4) return 2;
  const DWORD timeout = static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10));
  const HWND parent = CreateParent("Glimmerkin password parent", 200, 100);
  if (parent == nullptr) return 1;
  PumpFor(100);
  Say("parent=%lu", HandleNumber(parent));
  PROCESS_INFORMATION process;
  if (!Launch(argv[3], "/a " + std::to_string(HandleNumber(parent)), process)) return 1;
  int32_t code = 0;
  if (!AwaitExit(process, timeout, code)) {
    Say("timeout=1");
    return 3;
  }
  Say("exit=%ld", static_cast<long>(code));
  DestroyWindow(parent);
  return 0;
}

// --- Configuration dialog ----------------------------------------------------

// A visible dialog-class window titled "Glimmerkin..."; the configuration
// dialog is the one with the speed bar, a message box of the saver has none.
HWND FindGlimmerkinDialog(bool withSpeedBar) {
  struct Search {
    bool withSpeedBar;
    HWND found;
  } search = {withSpeedBar, nullptr};
  EnumWindows(
      [](HWND window, LPARAM data) -> BOOL {
        auto& search = *reinterpret_cast<Search*>(data);
        char className[16] = {};
        GetClassNameA(window, className, sizeof className);
        if (std::strcmp(className, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
        // Asks no other process: a window whose owner is busy cannot hold us up.
        wchar_t title[16] = {};
        InternalGetWindowText(window, title, 16);
        if (std::wcsncmp(title, L"Glimmerkin", 10) != 0) return TRUE;
        if ((GetDlgItem(window, 1002) != nullptr) != search.withSpeedBar) return TRUE;
        search.found = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND FindDialog() { return FindGlimmerkinDialog(true); }

void SayBars(HWND dialog) {
  const HWND speed = GetDlgItem(dialog, 1002);
  const HWND count = GetDlgItem(dialog, 1003);
  Say("speed=%ld", static_cast<long>(SendMessageA(speed, SBM_GETPOS, 0, 0)));
  Say("count=%ld", static_cast<long>(SendMessageA(count, SBM_GETPOS, 0, 0)));
}

// dialog-facts TIMEOUT_MS: waits for the dialog and describes it.
int DialogFacts(int argc, char** argv) {
  const DWORD timeout = argc > 2 ? static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)) : 0;
  HWND dialog = FindDialog();
  const DWORD start = GetTickCount();
  while (dialog == nullptr && GetTickCount() - start < timeout) {
    Sleep(50);
    dialog = FindDialog();
  }
  Say("found=%d", dialog != nullptr ? 1 : 0);
  if (dialog == nullptr) return 1;
  char text[128] = {};
  GetWindowTextA(dialog, text, sizeof text);
  Say("caption=%s", text);
  Say("style=0x%08lx", static_cast<unsigned long>(GetWindowLongA(dialog, GWL_STYLE)));
  RECT rect;
  GetWindowRect(dialog, &rect);
  Say("rect=%ld,%ld,%ld,%ld", rect.left, rect.top, rect.right, rect.bottom);
  int index = 0;
  for (HWND child = GetWindow(dialog, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT), ++index) {
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    text[0] = '\0';
    GetWindowTextA(child, text, sizeof text);
    RECT childRect;
    GetWindowRect(child, &childRect);
    Say("control=%d|%s|%d|0x%08lx|%s|%ld,%ld,%ld,%ld", index, className, GetDlgCtrlID(child),
        static_cast<unsigned long>(GetWindowLongA(child, GWL_STYLE)), text, childRect.left,
        childRect.top, childRect.right, childRect.bottom);
  }
  SayBars(dialog);
  return 0;
}

// dialog-scroll BAR_ID CODE [THUMB]: one WM_HSCROLL as the bar would send it.
int DialogScroll(int argc, char** argv) {
  if (argc < 4) return 2;
  const HWND dialog = FindDialog();
  if (dialog == nullptr) {
    Say("found=0");
    return 1;
  }
  const HWND bar = GetDlgItem(dialog, std::atoi(argv[2]));
  const WORD code = static_cast<WORD>(std::atoi(argv[3]));
  const WORD thumb = static_cast<WORD>(argc > 4 ? std::atoi(argv[4]) : 0);
  const LRESULT result =
      SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(code, thumb), reinterpret_cast<LPARAM>(bar));
  Say("result=%ld", static_cast<long>(result));
  SayBars(dialog);
  return 0;
}

// dialog-post MESSAGE WPARAM: e.g. WM_COMMAND with an id, or WM_SYSCOMMAND.
int DialogPost(int argc, char** argv) {
  if (argc < 4) return 2;
  const HWND dialog = FindDialog();
  if (dialog == nullptr) {
    Say("found=0");
    return 1;
  }
  const UINT message = static_cast<UINT>(std::strtoul(argv[2], nullptr, 0));
  const WPARAM wParam = static_cast<WPARAM>(std::strtoul(argv[3], nullptr, 0));
  Say("posted=%d", PostMessageA(dialog, message, wParam, 0) ? 1 : 0);
  return 0;
}

// message-box TIMEOUT_MS [ok]: waits for a message box of the saver, says
// its title and texts (line breaks as blanks), and with "ok" presses its OK.
int MessageBoxFacts(int argc, char** argv) {
  const DWORD timeout = argc > 2 ? static_cast<DWORD>(std::strtoul(argv[2], nullptr, 10)) : 0;
  HWND box = FindGlimmerkinDialog(false);
  const DWORD start = GetTickCount();
  while (box == nullptr && GetTickCount() - start < timeout) {
    Sleep(50);
    box = FindGlimmerkinDialog(false);
  }
  Say("found=%d", box != nullptr ? 1 : 0);
  if (box == nullptr) return 1;
  char text[1024] = {};
  GetWindowTextA(box, text, sizeof text);
  Say("caption=%s", text);
  std::string texts;
  for (HWND child = GetWindow(box, GW_CHILD); child != nullptr;
       child = GetWindow(child, GW_HWNDNEXT)) {
    char className[32] = {};
    GetClassNameA(child, className, sizeof className);
    if (lstrcmpiA(className, "Static") != 0) continue;
    text[0] = '\0';
    GetWindowTextA(child, text, sizeof text);
    for (char* p = text; *p != '\0'; ++p)
      if (*p == '\r' || *p == '\n') *p = ' ';
    if (text[0] != '\0') texts += std::string(texts.empty() ? "" : " ") + text;
  }
  Say("text=%s", texts.c_str());
  if (argc > 3 && std::strcmp(argv[3], "ok") == 0)
    Say("posted=%d", PostMessageA(box, WM_COMMAND, IDOK, 0) ? 1 : 0);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: glimmerkin-test-host COMMAND ...\n");
    return 2;
  }
  const std::string command = argv[1];
  if (command == "run") return Run(argc, argv);
  if (command == "saver-facts") return SaverFacts();
  if (command == "post") return Post(argc, argv);
  if (command == "repaint") return Repaint(argc, argv);
  if (command == "power") return Power(argc, argv);
  if (command == "preview") return Preview(argc, argv);
  if (command == "change-password") return ChangePassword(argc, argv);
  if (command == "dialog-facts") return DialogFacts(argc, argv);
  if (command == "dialog-scroll") return DialogScroll(argc, argv);
  if (command == "dialog-post") return DialogPost(argc, argv);
  if (command == "message-box") return MessageBoxFacts(argc, argv);
  std::fprintf(stderr, "unknown command %s\n", argv[1]);
  return 2;
}
