#include "host/x11/x11_saver.h"

// Before the X headers, whose macros (KeyPress, ButtonPress...) would
// replace the names of its input kinds.
#include "host/close_rules.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/extensions/Xrandr.h>
#include <X11/extensions/dpms.h>
#include <X11/extensions/scrnsaver.h>
#include <X11/keysym.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <span>
#include <vector>

#include "animation/scene_set.h"
#include "animation/stage.h"
#include "host/display_rules.h"
#include "host/linux/run_loop.h"
#include "host/linux/run_plan.h"
#include "host/saver_main.h"

namespace glimmerkin {
namespace {

// Errors from the server arrive late and are never fatal: they are noted,
// and an error about a window we watch means that window has gone.
struct ErrorLog {
  int count = 0;
  XID watched[2] = {0, 0};
  bool watchedGone = false;
};
ErrorLog g_errors;

int OnXError(Display*, XErrorEvent* error) {
  ++g_errors.count;
  if (error->error_code == BadWindow || error->error_code == BadDrawable) {
    for (const XID id : g_errors.watched)
      if (id != 0 && error->resourceid == id) g_errors.watchedGone = true;
  }
  return 0;
}

[[noreturn]] int OnXIOError(Display*) {
  std::fputs("glimmerkin: lost the connection to the X display\n", stderr);
  std::_Exit(kExitNoDisplay);
}

// Runs a request and reports whether the server refused it.
template <typename F>
bool Refused(Display* display, F&& request) {
  XSync(display, False);
  const int before = g_errors.count;
  request();
  XSync(display, False);
  return g_errors.count != before;
}

// Where the pointer is, in root-window coordinates.
void PointerPosition(Display* display, Window root, int& x, int& y) {
  Window rootReturn = 0;
  Window child = 0;
  int winX = 0;
  int winY = 0;
  unsigned mask = 0;
  x = y = 0;
  XQueryPointer(display, root, &rootReturn, &child, &x, &y, &winX, &winY, &mask);
}

// RandR 1.5 lists the monitors; older servers cannot tell them apart.
bool HasMonitorList(Display* display) {
  int eventBase = 0;
  int errorBase = 0;
  int major = 0;
  int minor = 0;
  return XRRQueryExtension(display, &eventBase, &errorBase) &&
         XRRQueryVersion(display, &major, &minor) && (major > 1 || (major == 1 && minor >= 5));
}

// Every monitor of the screen, for a scene each; the whole screen as one
// monitor where the server reports none.
std::vector<Monitor> ScreenMonitors(Display* display, int screen) {
  Monitor whole;
  whole.width = DisplayWidth(display, screen);
  whole.height = DisplayHeight(display, screen);
  whole.primary = true;
  whole.automaticPixelSize =
      PixelSizeForPhysical(whole.width, DisplayWidthMM(display, screen));
  if (!HasMonitorList(display))
    return {whole};
  int count = 0;
  XRRMonitorInfo* found = XRRGetMonitors(display, RootWindow(display, screen), True, &count);
  if (found == nullptr) return {whole};
  std::vector<Monitor> monitors;
  for (int i = 0; i < count; ++i) {
    Monitor m;
    m.x = found[i].x;
    m.y = found[i].y;
    m.width = found[i].width;
    m.height = found[i].height;
    m.primary = found[i].primary != 0;
    m.automaticPixelSize = PixelSizeForPhysical(found[i].width, found[i].mwidth);
    monitors.push_back(m);
  }
  XRRFreeMonitors(found);
  if (monitors.empty()) return {whole};
  return monitors;
}

// The part of the window image a scene is presented into; empty when the
// area does not start inside the image.
RasterView AreaView(const RasterView& image, const SceneArea& area) {
  if (image.pixels == nullptr || area.x < 0 || area.y < 0 || area.x >= image.width ||
      area.y >= image.height)
    return RasterView{};
  RasterView view;
  view.pixels = image.pixels + static_cast<size_t>(area.y) * static_cast<size_t>(image.stride) +
                static_cast<size_t>(area.x);
  view.width = std::min(area.width, image.width - area.x);
  view.height = std::min(area.height, image.height - area.y);
  view.stride = image.stride;
  return view;
}

// The image a frame is put to the window from. On 24-bit TrueColor with
// 32-bit pixels in our byte order the frame is copied straight into it;
// other TrueColor formats get a converted copy.
class FrameImage {
 public:
  ~FrameImage() { Release(); }

  bool Create(Display* display, Visual* visual, int depth, int width, int height) {
    Release();
    display_ = display;
    if (width <= 0 || height <= 0) return true;
    if (XShmQueryExtension(display)) CreateShared(visual, depth, width, height);
    if (image_ == nullptr) {
      image_ = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                            static_cast<unsigned>(width), static_cast<unsigned>(height), 32, 0);
      if (image_ == nullptr) return false;
      const size_t bytes = static_cast<size_t>(image_->bytes_per_line) * static_cast<size_t>(height);
      image_->data = static_cast<char*>(std::calloc(bytes, 1));
      if (image_->data == nullptr) {
        XDestroyImage(image_);
        image_ = nullptr;
        return false;
      }
    }
    direct_ = IsDirect(visual, depth);
    ++generation_;
    view_ = RasterView{};
    view_.width = width;
    view_.height = height;
    if (direct_) {
      view_.pixels = reinterpret_cast<uint32_t*>(image_->data);
      view_.stride = image_->bytes_per_line / 4;
    } else {
      staging_.assign(static_cast<size_t>(width) * static_cast<size_t>(height), 0);
      view_.pixels = staging_.data();
      view_.stride = width;
      BuildTables(visual, depth);
    }
    return true;
  }

  const RasterView& View() const { return view_; }

  // Puts the given rectangles of the image (within it) to the drawable.
  void Put(Drawable drawable, GC gc, std::span<const Rect> rects) {
    if (image_ == nullptr || rects.empty()) return;
    for (const Rect& r : rects) {
      if (!direct_) Convert(r);
      const auto w = static_cast<unsigned>(r.width);
      const auto h = static_cast<unsigned>(r.height);
      if (shared_)
        XShmPutImage(display_, drawable, gc, image_, r.x, r.y, r.x, r.y, w, h, False);
      else
        XPutImage(display_, drawable, gc, image_, r.x, r.y, r.x, r.y, w, h);
    }
    if (shared_) {
      // The server reads the shared pixels after the request; the next frame
      // must not overwrite them before it has.
      XSync(display_, False);
    } else {
      XFlush(display_);
    }
  }

  // Changes each time the image is made anew: what it held is then unknown.
  uint64_t Generation() const { return generation_; }

  bool Shared() const { return shared_; }
  bool Direct() const { return image_ != nullptr && direct_; }

  void Release() {
    if (image_ != nullptr) {
      if (shared_) {
        XShmDetach(display_, &segment_);
        XSync(display_, False);
        shmdt(segment_.shmaddr);
        image_->data = nullptr;
      }
      XDestroyImage(image_);
    }
    image_ = nullptr;
    shared_ = false;
    staging_.clear();
    view_ = RasterView{};
  }

  static bool Supported(const Visual* visual) {
    return visual != nullptr && visual->c_class == TrueColor && visual->red_mask != 0 &&
           visual->green_mask != 0 && visual->blue_mask != 0;
  }

 private:
  void CreateShared(Visual* visual, int depth, int width, int height) {
    segment_ = XShmSegmentInfo{};
    XImage* image = XShmCreateImage(display_, visual, static_cast<unsigned>(depth), ZPixmap,
                                    nullptr, &segment_, static_cast<unsigned>(width),
                                    static_cast<unsigned>(height));
    if (image == nullptr) return;
    const size_t bytes = static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(height);
    segment_.shmid = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (segment_.shmid < 0) {
      XDestroyImage(image);
      return;
    }
    void* address = shmat(segment_.shmid, nullptr, 0);
    if (address == reinterpret_cast<void*>(-1)) {
      shmctl(segment_.shmid, IPC_RMID, nullptr);
      XDestroyImage(image);
      return;
    }
    segment_.shmaddr = static_cast<char*>(address);
    segment_.readOnly = False;
    image->data = segment_.shmaddr;
    // A remote server cannot reach our memory and refuses the segment.
    bool attached = false;
    const bool refused = Refused(display_, [&] { attached = XShmAttach(display_, &segment_); });
    shmctl(segment_.shmid, IPC_RMID, nullptr);
    if (refused || !attached) {
      shmdt(segment_.shmaddr);
      image->data = nullptr;
      XDestroyImage(image);
      return;
    }
    image_ = image;
    shared_ = true;
  }

  bool IsDirect(const Visual* visual, int depth) const {
    const int native = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
    return depth == 24 && visual->red_mask == 0xff0000 && visual->green_mask == 0xff00 &&
           visual->blue_mask == 0xff && image_->bits_per_pixel == 32 &&
           image_->byte_order == native;
  }

  static void ChannelTable(unsigned long mask, uint32_t* table) {
    const int shift = std::countr_zero(mask);
    const int bits = std::popcount(mask);
    for (uint32_t v = 0; v < 256; ++v) {
      uint64_t scaled = bits <= 8 ? (v >> (8 - bits)) : (uint64_t{v} << (bits - 8));
      table[v] = static_cast<uint32_t>((scaled << shift) & mask);
    }
  }

  void BuildTables(const Visual* visual, int depth) {
    ChannelTable(visual->red_mask, red_);
    ChannelTable(visual->green_mask, green_);
    ChannelTable(visual->blue_mask, blue_);
    // Bits beside the colours (an alpha channel) are set: opaque.
    const uint64_t all = depth >= 32 ? 0xffffffffu : ((uint64_t{1} << depth) - 1);
    extra_ = static_cast<uint32_t>(all & ~(visual->red_mask | visual->green_mask | visual->blue_mask));
  }

  void Convert(const Rect& r) {
    const int bytesPerPixel = image_->bits_per_pixel / 8;
    const bool msb = image_->byte_order == MSBFirst;
    if (image_->bits_per_pixel % 8 != 0 || bytesPerPixel < 1 || bytesPerPixel > 4) return;
    for (int y = r.y; y < r.Bottom(); ++y) {
      const uint32_t* source = staging_.data() + static_cast<size_t>(y) * static_cast<size_t>(view_.width);
      auto* row = reinterpret_cast<unsigned char*>(image_->data) +
                  static_cast<size_t>(y) * static_cast<size_t>(image_->bytes_per_line);
      for (int x = r.x; x < r.Right(); ++x) {
        const uint32_t rgb = source[x];
        const uint32_t pixel = red_[(rgb >> 16) & 0xff] | green_[(rgb >> 8) & 0xff] |
                               blue_[rgb & 0xff] | extra_;
        unsigned char* out = row + static_cast<size_t>(x) * static_cast<size_t>(bytesPerPixel);
        for (int b = 0; b < bytesPerPixel; ++b) {
          const int shift = 8 * (msb ? bytesPerPixel - 1 - b : b);
          out[b] = static_cast<unsigned char>(pixel >> shift);
        }
      }
    }
  }

  Display* display_ = nullptr;
  XImage* image_ = nullptr;
  XShmSegmentInfo segment_{};
  bool shared_ = false;
  bool direct_ = false;
  RasterView view_{};
  uint64_t generation_ = 0;
  std::vector<uint32_t> staging_;
  uint32_t red_[256] = {};
  uint32_t green_[256] = {};
  uint32_t blue_[256] = {};
  uint32_t extra_ = 0;
};

// One scene's part of the window image. The image keeps what it was given,
// so a scene's buffer is one frame behind unless the image is new; the
// rectangles are gathered for one put of the whole window.
class ImageTarget final : public PresentTarget {
 public:
  ImageTarget(FrameImage& image, const SceneArea& area, std::vector<Rect>& pending)
      : image_(image), area_(area), pending_(pending) {}
  PresentBuffer Acquire() override {
    return PresentBuffer{AreaView(image_.View(), area_), generation_ == image_.Generation() ? 1u : 0u};
  }
  void Present(std::span<const Rect> changed) override {
    generation_ = image_.Generation();
    for (const Rect& r : changed) {
      if (pending_.size() == pending_.capacity()) {
        // Beyond the room set aside: the whole image goes instead.
        const RasterView& all = image_.View();
        pending_.assign(1, Rect{0, 0, all.width, all.height});
        return;
      }
      pending_.push_back(Rect{r.x + area_.x, r.y + area_.y, r.width, r.height});
    }
  }

 private:
  FrameImage& image_;
  SceneArea area_;
  std::vector<Rect>& pending_;
  uint64_t generation_ = 0;
};

constexpr int kGrabAttempts = 50;
constexpr int64_t kWatchNs = 1'000'000'000;
constexpr int64_t kGrabRetryNs = 100'000'000;
// DPMS only answers when asked (no event tells of it): asked this often.
constexpr int64_t kPowerAskNs = 5'000'000'000;

class X11Saver final : public LoopClient {
 public:
  X11Saver(WindowKind kind, uint32_t windowId, const RunConfig& config)
      : kind_(kind), windowId_(windowId), config_(config) {}

  ~X11Saver() {
    image_.Release();
    if (display_ != nullptr) {
      if (gc_ != nullptr) XFreeGC(display_, gc_);
      if (ownWindow_ && window_ != 0) XDestroyWindow(display_, window_);
      if (blankCursor_ != 0) XFreeCursor(display_, blankCursor_);
      XCloseDisplay(display_);
    }
    g_errors = ErrorLog{};
  }

  int Run() {
    const bool namedWindow = kind_ == WindowKind::Preview ||
                             (kind_ == WindowKind::Hack && windowId_ != 0);
    display_ = XOpenDisplay(nullptr);
    if (display_ == nullptr) {
      const char* name = std::getenv("DISPLAY");
      std::fprintf(stderr, "glimmerkin: cannot open the X display '%s'\n",
                   name != nullptr ? name : "");
      return namedWindow ? kExitBadWindow : kExitNoDisplay;
    }
    XSetErrorHandler(OnXError);
    XSetIOErrorHandler(OnXIOError);
    screen_ = DefaultScreen(display_);

    int result = 0;
    switch (kind_) {
      case WindowKind::FullScreen:
        if (!OpenFullScreen(result)) return result;
        break;
      case WindowKind::Preview:
        if (!OpenPreview(result)) return result;
        break;
      case WindowKind::Hack:
      case WindowKind::Background:  // the root window, drawn into
        if (!OpenHack(result)) return result;
        break;
      case WindowKind::TryOut:
        if (!OpenTryOut(result)) return result;
        break;
    }
    if (!PrepareDrawing(result)) return result;
    WatchSight();

    seed_ = RunSeed(config_);
    StartScenes();
    ShareBackBuffer();
    loop_.Run(ConnectionNumber(display_), *this);
    scenes_.Destroy(nullptr);
    return loop_.ExitCode();
  }

  // LoopClient
  void Dispatch() override {
    while (!loop_.Ended() && XPending(display_) > 0) {
      XEvent event;
      XNextEvent(display_, &event);
      HandleEvent(event);
    }
    if (g_errors.watchedGone) Close();
    if (!loop_.Ended() && layoutChanged_) FollowLayout();
  }

  int64_t RunTimers(int64_t nowNs) override {
    int64_t wake = kNoWake;
    if (WantsGrab()) {
      if (nowNs >= nextGrabNs_) TryGrab();
      if (WantsGrab()) wake = nextGrabNs_;
    }
    // A window another program owns is also looked at now and then: should
    // its end go unnoticed, the hack must not idle on forever without it.
    if (!ownWindow_ || parent_ != 0) {
      if (nowNs - lastWatchNs_ >= kWatchNs) {
        lastWatchNs_ = nowNs;
        WatchedStillThere();
        if (g_errors.watchedGone) Close();
      }
      const int64_t next = lastWatchNs_ + kWatchNs;
      if (wake == kNoWake || next < wake) wake = next;
    }
    if (dpms_) {
      if (nowNs - lastPowerAskNs_ >= kPowerAskNs) {
        lastPowerAskNs_ = nowNs;
        AskPower();
      }
      wake = EarlierWake(wake, lastPowerAskNs_ + kPowerAskNs);
    }
    return wake;
  }

  bool Frame(int64_t nowNs) override {
    pending_.clear();
    const bool ran =
        scenes_.RunDueFrames(nowNs, [&](size_t i) -> PresentTarget& { return targets_[i]; });
    if (ran && window_ != 0)
      image_.Put(window_, gc_, std::span<const Rect>(pending_.data(), pending_.size()));
    return ran;
  }

  int64_t NextFrameNs() override { return scenes_.NextFrameNs(); }

  // Events that a round trip (a grab, the watch) read in are handled
  // before any wait: the descriptor would not tell of them.
  bool PrepareWait(short& events) override {
    XFlush(display_);
    if (XEventsQueued(display_, QueuedAlready) > 0) return false;
    events = POLLIN;
    return true;
  }

  // New scenes in the same window, their clock started anew: the window
  // keeps the last frame until their first, which is drawn whole.
  void Restart() override {
    scenes_.Destroy(nullptr);
    seed_ = RestartSeed(config_, seed_);
    StartScenes();
    ShareBackBuffer();
  }

 private:
  // One scene per monitor for the full screen, the primary's being the scene
  // a lone monitor of its size shows for the seed; one for any other window.
  void StartScenes() {
    std::vector<SceneArea> areas;
    if (kind_ == WindowKind::FullScreen) {
      areas = MonitorScenes(ScreenMonitors(display_, screen_), config_, seed_);
    } else if (const auto area = WindowScene(stageRect_.width, stageRect_.height,
                                             automaticPixelSize_, config_, seed_)) {
      areas.push_back(*area);
    }
    scenes_.Create(areas, config_.settings, nullptr, nullptr);
    scenes_.StartPacing(MonotonicNowNs(), config_.frameLimit);
    ReportSight();
    MakeTargets();
  }

  // What tells whether the window can be seen: the server's own screen
  // saver (an event), the monitor's power (asked now and then, where the
  // server has DPMS), and the window's state (map and visibility events;
  // under a compositing manager it always reads visible, and frames go on).
  void WatchSight() {
    const Window root = RootWindow(display_, screen_);
    int errorBase = 0;
    if (XScreenSaverQueryExtension(display_, &saverEventBase_, &errorBase)) {
      XScreenSaverSelectInput(display_, root, ScreenSaverNotifyMask);
      XScreenSaverInfo* info = XScreenSaverAllocInfo();
      if (info != nullptr) {
        if (XScreenSaverQueryInfo(display_, root, info))
          screenBlanked_ = Blanks(info->state, info->kind);
        XFree(info);
      }
    } else {
      saverEventBase_ = -1;
    }
    int dpmsEvent = 0;
    int dpmsError = 0;
    dpms_ = DPMSQueryExtension(display_, &dpmsEvent, &dpmsError) && DPMSCapable(display_);
    if (dpms_) {
      lastPowerAskNs_ = MonotonicNowNs();
      AskPower();
    }
    FollowMapState();
  }

  // Only a saver that is on blanks: a disabled one (`xset s off`, and every
  // XScreenSaver session) never does. An external saver is a window of its
  // own, over ours: the visibility events tell of that.
  static bool Blanks(int state, int kind) {
    return (state == ScreenSaverOn || state == ScreenSaverCycle) && kind != ScreenSaverExternal;
  }

  void AskPower() {
    CARD16 level = DPMSModeOn;
    BOOL enabled = False;
    // A query that fails says nothing: the monitor is taken to be on.
    const bool off = DPMSInfo(display_, &level, &enabled) && enabled && level != DPMSModeOn;
    if (off != displayOff_) {
      displayOff_ = off;
      ReportSight();
    }
  }

  // Whether the window (and every window above it) is mapped; a window of
  // another program that has gone reads as unmapped until the watch ends
  // the run.
  void FollowMapState() {
    XWindowAttributes attributes{};
    Status status = 0;
    if (window_ == 0 ||
        Refused(display_, [&] { status = XGetWindowAttributes(display_, window_, &attributes); }) ||
        status == 0)
      return;
    unmapped_ = attributes.map_state != IsViewable;
    ReportSight();
  }

  void ReportSight() {
    scenes_.Report(Unseen::ScreenBlanked, screenBlanked_);
    scenes_.Report(Unseen::DisplayOff, displayOff_);
    scenes_.Report(Unseen::WindowUnmapped, unmapped_);
    scenes_.Report(Unseen::WindowObscured, obscured_);
  }

  bool OpenFullScreen(int& result) {
    const Window root = RootWindow(display_, screen_);
    runningAtom_ = XInternAtom(display_, "GLIMMERKIN_SCREEN_SAVER", False);
    const Window other = XGetSelectionOwner(display_, runningAtom_);
    if (other != None) {
      // One saver at a time: the running one is brought to the front.
      Refused(display_, [&] { XRaiseWindow(display_, other); });
      result = 0;
      return false;
    }

    int rootX = 0;
    int rootY = 0;
    PointerPosition(display_, root, rootX, rootY);
    // The window covers the whole screen: every monitor shows a scene and
    // what no monitor shows stays black.
    stageRect_ = Rect{0, 0, DisplayWidth(display_, screen_), DisplayHeight(display_, screen_)};

    static const char kNoBits[1] = {0};
    const Pixmap empty = XCreateBitmapFromData(display_, root, kNoBits, 1, 1);
    XColor black{};
    blankCursor_ = XCreatePixmapCursor(display_, empty, empty, &black, &black, 0, 0);
    XFreePixmap(display_, empty);

    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    attributes.background_pixel = BlackPixel(display_, screen_);
    attributes.cursor = blankCursor_;
    attributes.event_mask =
        KeyPressMask | ButtonPressMask | PointerMotionMask | StructureNotifyMask | ExposureMask |
        VisibilityChangeMask;
    window_ = XCreateWindow(display_, root, stageRect_.x, stageRect_.y,
                            static_cast<unsigned>(stageRect_.width),
                            static_cast<unsigned>(stageRect_.height), 0, CopyFromParent,
                            InputOutput, CopyFromParent,
                            CWOverrideRedirect | CWBackPixel | CWCursor | CWEventMask, &attributes);
    ownWindow_ = true;
    NameWindow("Screen Saver");
    XSetSelectionOwner(display_, runningAtom_, window_, CurrentTime);
    if (XGetSelectionOwner(display_, runningAtom_) != window_) {
      result = 0;  // another one started at the same moment
      return false;
    }
    XMapRaised(display_, window_);
    g_errors.watched[0] = window_;
    // Monitors plugged, unplugged or rearranged while it runs are followed.
    int errorBase = 0;
    if (XRRQueryExtension(display_, &randrEventBase_, &errorBase))
      XRRSelectInput(display_, root, RRScreenChangeNotifyMask);
    else
      randrEventBase_ = -1;

    // Movement is measured from where the pointer was when the window opened.
    PointerPosition(display_, root, anchor_.x, anchor_.y);
    anchor_.set = true;
    closeRole_ = CloseRole::AnyInput;
    return true;
  }

  bool OpenPreview(int& result) {
    result = kExitBadWindow;
    const Window parent = windowId_;
    XWindowAttributes parentAttributes{};
    Status status = 0;
    if (parent == 0 ||
        Refused(display_, [&] { status = XGetWindowAttributes(display_, parent, &parentAttributes); }) ||
        status == 0 || parentAttributes.c_class != InputOutput)
      return false;
    screen_ = XScreenNumberOfScreen(parentAttributes.screen);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = 0;
    attributes.event_mask = StructureNotifyMask | ExposureMask | VisibilityChangeMask;
    Window child = 0;
    if (Refused(display_, [&] {
          child = XCreateWindow(display_, parent, 0, 0,
                                static_cast<unsigned>(std::max(parentAttributes.width, 1)),
                                static_cast<unsigned>(std::max(parentAttributes.height, 1)), 0,
                                CopyFromParent, InputOutput, CopyFromParent,
                                CWBackPixel | CWEventMask, &attributes);
        }) ||
        child == 0)
      return false;
    window_ = child;
    ownWindow_ = true;
    parent_ = parent;
    g_errors.watched[0] = window_;
    g_errors.watched[1] = parent_;
    XSelectInput(display_, parent_, StructureNotifyMask);
    NameWindow("Preview");
    XMapWindow(display_, window_);
    XSync(display_, False);
    if (g_errors.watchedGone) {
      result = 0;  // the parent went away while we were opening
      return false;
    }
    return true;
  }

  bool OpenHack(int& result) {
    result = kExitBadWindow;
    Window target = windowId_;
    if (target == 0) target = RootWindow(display_, screen_);
    XWindowAttributes attributes{};
    Status status = 0;
    if (Refused(display_, [&] { status = XGetWindowAttributes(display_, target, &attributes); }) ||
        status == 0 || attributes.c_class != InputOutput)
      return false;
    screen_ = XScreenNumberOfScreen(attributes.screen);
    window_ = target;
    ownWindow_ = false;
    g_errors.watched[0] = window_;
    // Only our own interest in the window: its size, its end, and what of
    // it needs drawing again.
    XSelectInput(display_, window_, StructureNotifyMask | ExposureMask | VisibilityChangeMask);
    return true;
  }

  bool OpenTryOut(int& result) {
    const Window root = RootWindow(display_, screen_);
    int rootX = 0;
    int rootY = 0;
    PointerPosition(display_, root, rootX, rootY);
    const std::vector<Monitor> monitors = ScreenMonitors(display_, screen_);
    const Monitor& monitor = *MonitorHolding(monitors, rootX, rootY);
    // A window of its own size, never larger than the screen (nor, unless
    // asked, than the pointer's monitor): the frame image and the stage are
    // as large as the window.
    const int screenWidth = DisplayWidth(display_, screen_);
    const int screenHeight = DisplayHeight(display_, screen_);
    const auto& geometry = config_.geometry;
    const WindowSize size = TryOutSize(config_);
    int width = std::min(size.width, geometry ? screenWidth : monitor.width);
    int height = std::min(size.height, geometry ? screenHeight : monitor.height);
    int x = monitor.x;
    int y = monitor.y;
    if (geometry) {
      if (geometry->hasPosition) {
        x = geometry->xFromRight ? screenWidth - width - geometry->x : geometry->x;
        y = geometry->yFromBottom ? screenHeight - height - geometry->y : geometry->y;
      }
    }
    width = std::max(width, 1);
    height = std::max(height, 1);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = BlackPixel(display_, screen_);
    attributes.event_mask = KeyPressMask | StructureNotifyMask | ExposureMask | VisibilityChangeMask;
    window_ = XCreateWindow(display_, root, x, y, static_cast<unsigned>(width),
                            static_cast<unsigned>(height), 0, CopyFromParent, InputOutput,
                            CopyFromParent, CWBackPixel | CWEventMask, &attributes);
    if (window_ == 0) {
      result = kExitNoDisplay;
      return false;
    }
    ownWindow_ = true;
    g_errors.watched[0] = window_;
    NameWindow("Glimmerkin");
    if (geometry) {
      // Asked-for place and size: window managers keep them.
      XSizeHints hints{};
      hints.flags = USSize | (geometry->hasPosition ? USPosition : 0);
      hints.x = x;
      hints.y = y;
      hints.width = width;
      hints.height = height;
      XSetWMNormalHints(display_, window_, &hints);
    }
    deleteAtom_ = XInternAtom(display_, "WM_DELETE_WINDOW", False);
    XSetWMProtocols(display_, window_, &deleteAtom_, 1);
    XMapWindow(display_, window_);
    stageRect_ = Rect{0, 0, width, height};
    ownSizeStage_ = true;
    automaticPixelSize_ = monitor.automaticPixelSize;
    closeRole_ = CloseRole::QuitKey;
    return true;
  }

  void NameWindow(const char* title) {
    XStoreName(display_, window_, title);
    XClassHint hint{};
    char name[] = "glimmerkin";
    char className[] = "WindowsScreenSaverClass";
    hint.res_name = name;
    hint.res_class = className;
    XSetClassHint(display_, window_, &hint);
  }

  bool PrepareDrawing(int& result) {
    XWindowAttributes attributes{};
    Status status = 0;
    if (Refused(display_, [&] { status = XGetWindowAttributes(display_, window_, &attributes); }) ||
        status == 0) {
      result = g_errors.watchedGone ? 0 : kExitBadWindow;
      return false;
    }
    if (!FrameImage::Supported(attributes.visual)) {
      std::fprintf(stderr,
                   "glimmerkin: the window's visual (class %d, depth %d) is not supported; "
                   "a TrueColor visual is needed\n",
                   attributes.visual != nullptr ? attributes.visual->c_class : -1,
                   attributes.depth);
      result = kExitNoDisplay;
      return false;
    }
    visual_ = attributes.visual;
    depth_ = attributes.depth;
    windowWidth_ = attributes.width;
    windowHeight_ = attributes.height;
    if (kind_ != WindowKind::FullScreen && kind_ != WindowKind::TryOut) {
      // The monitor that holds the window's centre gives the stage and the
      // pixel size; a hack window smaller than it (XScreenSaver's settings
      // preview) gets a stage of its own size.
      int centreX = 0;
      int centreY = 0;
      Window child = 0;
      XTranslateCoordinates(display_, window_, RootWindow(display_, screen_),
                            attributes.width / 2, attributes.height / 2, &centreX, &centreY,
                            &child);
      const std::vector<Monitor> monitors = ScreenMonitors(display_, screen_);
      const Monitor& monitor = *MonitorHolding(monitors, centreX, centreY);
      automaticPixelSize_ = monitor.automaticPixelSize;
      const AreaSize area = WindowStageArea(attributes.width, attributes.height, monitor);
      ownSizeStage_ = kind_ == WindowKind::Hack && area.width == attributes.width &&
                      area.height == attributes.height &&
                      (area.width < monitor.width || area.height < monitor.height);
      stageRect_ = ownSizeStage_ ? Rect{0, 0, area.width, area.height}
                                 : Rect{monitor.x, monitor.y, monitor.width, monitor.height};
    }
    gc_ = XCreateGC(display_, window_, 0, nullptr);
    if (!ResizeImage()) {
      std::fputs("glimmerkin: out of memory for the frame image\n", stderr);
      result = kExitNoDisplay;
      return false;
    }
    return true;
  }

  // A stage of the window's own size follows the window: the ground is
  // composed anew and the aliens walk within the new bounds.
  void ReshapeStage() {
    UnshareBackBuffer();
    stageRect_ = Rect{0, 0, std::max(windowWidth_, 1), std::max(windowHeight_, 1)};
    if (scenes_.Count() != 0) {
      Stage& stage = scenes_.StageAt(0);
      ResizeStage(stage, nullptr, StageSide(stageRect_.width, stage.pixelSize),
                  StageSide(stageRect_.height, stage.pixelSize));
    }
    MakeTargets();
  }

  // The image covers the part of the window that the frame reaches.
  bool ResizeImage() {
    // The back buffer may live in the old image; it gets memory of its own
    // before that image goes.
    UnshareBackBuffer();
    const int width = std::min(windowWidth_, stageRect_.width);
    const int height = std::min(windowHeight_, stageRect_.height);
    if (!image_.Create(display_, visual_, depth_, width, height)) return false;
    ShareBackBuffer();
    return true;
  }

  // When the window's image has the frame's format and whole size, the
  // frame is composed right in it: putting the image is then the one copy
  // to the window, with no second copy in between.
  void ShareBackBuffer() {
    const RasterView& view = image_.View();
    Stage* stage = SharableStage();
    if (stage == nullptr || stage->backBuffer.Empty() || stage->pixelSize != 1 ||
        !image_.Direct() || view.pixels == nullptr || view.width != stage->screenWidth ||
        view.height != stage->screenHeight || view.stride != view.width)
      return;
    // The back buffer keeps its frame, in the image now.
    Surface shared;
    shared.UseMemory(view.pixels, view.width, view.height);
    CopySurface(shared, stage->backBuffer, view.width, view.height);
    stage->backBuffer = std::move(shared);
  }

  // The back buffer takes its frame along out of the image.
  void UnshareBackBuffer() {
    Stage* stage = SharableStage();
    if (stage != nullptr && stage->backBuffer.UsesOutsideMemory()) {
      Surface own = CreateWorkSurface(nullptr, stage->screenWidth, stage->screenHeight);
      CopySurface(own, stage->backBuffer, stage->screenWidth, stage->screenHeight);
      stage->backBuffer = std::move(own);
    }
  }

  // A new image holds nothing yet: each scene's stage goes into it whole
  // (its last frame, or the ground of a stage just resized), so that the
  // window shows it also once frames have stopped.
  void ShowStagesWhole() {
    pending_.clear();
    for (size_t i = 0; i < scenes_.Count(); ++i) PresentWhole(scenes_.StageAt(i), targets_[i]);
    if (window_ != 0) image_.Put(window_, gc_, std::span<const Rect>(pending_.data(), pending_.size()));
  }

  // A target per scene, each its area of the window image; a window's one
  // scene covers it from its corner, as large as the stage enlarged.
  void MakeTargets() {
    targets_.clear();
    pending_.clear();
    pending_.reserve(kDamageRoom * std::max<size_t>(scenes_.Count(), 1));
    for (size_t i = 0; i < scenes_.Count(); ++i) {
      SceneArea area = scenes_.AreaAt(i);
      if (kind_ != WindowKind::FullScreen) {
        const Stage& stage = scenes_.StageAt(i);
        area.width = stage.screenWidth * stage.pixelSize;
        area.height = stage.screenHeight * stage.pixelSize;
      }
      targets_.emplace_back(image_, area, pending_);
    }
  }

  // The one stage whose frame can be the whole window image: the only scene,
  // when it covers the window from its corner.
  Stage* SharableStage() {
    if (scenes_.Count() != 1 || scenes_.AreaAt(0).x != 0 || scenes_.AreaAt(0).y != 0)
      return nullptr;
    return &scenes_.StageAt(0);
  }

  void TryGrab() {
    if (!keyboardGrabbed_)
      keyboardGrabbed_ = XGrabKeyboard(display_, window_, False, GrabModeAsync, GrabModeAsync,
                                       CurrentTime) == GrabSuccess;
    if (!pointerGrabbed_)
      pointerGrabbed_ = XGrabPointer(display_, window_, False, ButtonPressMask | PointerMotionMask,
                                     GrabModeAsync, GrabModeAsync, None, blankCursor_,
                                     CurrentTime) == GrabSuccess;
    ++grabAttempts_;
    nextGrabNs_ = MonotonicNowNs() + kGrabRetryNs;
    if ((keyboardGrabbed_ && pointerGrabbed_) || grabAttempts_ >= kGrabAttempts) {
      // Tells whoever waits for it (the tests) that input is now ours.
      const Atom ready = XInternAtom(display_, "GLIMMERKIN_READY", False);
      const long grabbed = keyboardGrabbed_ && pointerGrabbed_ ? 1 : 0;
      XChangeProperty(display_, window_, ready, XA_CARDINAL, 32, PropModeReplace,
                      reinterpret_cast<const unsigned char*>(&grabbed), 1);
    }
  }

  bool WantsGrab() const {
    return closeRole_ == CloseRole::AnyInput && mapped_ && (!keyboardGrabbed_ || !pointerGrabbed_) &&
           grabAttempts_ < kGrabAttempts;
  }

  void Close() { loop_.End(0); }

  // A request about each watched window; the error handler marks one that
  // has gone, which the loop then treats as the end.
  void WatchedStillThere() {
    for (const XID id : g_errors.watched) {
      if (id == 0) continue;
      XWindowAttributes attributes{};
      XGetWindowAttributes(display_, id, &attributes);
    }
  }

  void HandleEvent(XEvent& event) {
    switch (event.type) {
      case KeyPress:
        if (KeyCloses(closeRole_, static_cast<uint32_t>(XLookupKeysym(&event.xkey, 0)))) Close();
        break;
      case ButtonPress:
        if (ButtonCloses(closeRole_, event.xbutton.button)) Close();
        break;
      case MotionNotify:
        if (MotionCloses(closeRole_, anchor_, event.xmotion.x_root, event.xmotion.y_root)) Close();
        break;
      case MapNotify:
        if (event.xmap.window == window_ || (parent_ != 0 && event.xmap.window == parent_))
          FollowMapState();
        if (event.xmap.window == window_ && closeRole_ == CloseRole::AnyInput) {
          mapped_ = true;
          XSetInputFocus(display_, window_, RevertToParent, CurrentTime);
          TryGrab();
        }
        break;
      case UnmapNotify:
        if (event.xunmap.window == window_ || (parent_ != 0 && event.xunmap.window == parent_)) {
          unmapped_ = true;
          ReportSight();
        }
        break;
      case VisibilityNotify:
        // Only a viewable window is told of its visibility.
        if (event.xvisibility.window == window_) {
          unmapped_ = false;
          obscured_ = event.xvisibility.state == VisibilityFullyObscured;
          ReportSight();
        }
        break;
      case ConfigureNotify:
        if (event.xconfigure.window == parent_ && parent_ != 0) {
          XResizeWindow(display_, window_, static_cast<unsigned>(std::max(event.xconfigure.width, 1)),
                        static_cast<unsigned>(std::max(event.xconfigure.height, 1)));
        } else if (event.xconfigure.window == window_ &&
                   (event.xconfigure.width != windowWidth_ ||
                    event.xconfigure.height != windowHeight_)) {
          windowWidth_ = event.xconfigure.width;
          windowHeight_ = event.xconfigure.height;
          if (ownSizeStage_) ReshapeStage();
          if (ResizeImage())
            ShowStagesWhole();
          else
            Close();
        }
        break;
      case DestroyNotify:
        if (event.xdestroywindow.window == window_ ||
            (parent_ != 0 && event.xdestroywindow.window == parent_)) {
          if (event.xdestroywindow.window == window_) window_ = 0;
          Close();
        }
        break;
      case Expose:
        // The image holds the last frame shown, also once frames have stopped.
        if (event.xexpose.window == window_) {
          const RasterView& all = image_.View();
          const Rect exposed = Intersection(
              Rect{event.xexpose.x, event.xexpose.y, event.xexpose.width, event.xexpose.height},
              Rect{0, 0, all.width, all.height});
          if (!exposed.Empty()) image_.Put(window_, gc_, std::span<const Rect>(&exposed, 1));
        }
        break;
      case ClientMessage:
        if (deleteAtom_ != 0 && static_cast<Atom>(event.xclient.data.l[0]) == deleteAtom_) Close();
        break;
      default:
        if (saverEventBase_ >= 0 && event.type == saverEventBase_ + ScreenSaverNotify) {
          const auto& notify = reinterpret_cast<const XScreenSaverNotifyEvent&>(event);
          screenBlanked_ = Blanks(notify.state, notify.kind);
          ReportSight();
        } else if (randrEventBase_ >= 0 && event.type == randrEventBase_ + RRScreenChangeNotify) {
          XRRUpdateConfiguration(&event);
          layoutChanged_ = true;
        }
        break;
    }
  }

  // The window covers the new screen and every monitor gets a new scene;
  // a burst of changes costs one rebuild.
  void FollowLayout() {
    layoutChanged_ = false;
    const int width = std::max(DisplayWidth(display_, screen_), 1);
    const int height = std::max(DisplayHeight(display_, screen_), 1);
    XMoveResizeWindow(display_, window_, 0, 0, static_cast<unsigned>(width),
                      static_cast<unsigned>(height));
    XRaiseWindow(display_, window_);
    scenes_.Destroy(nullptr);
    stageRect_ = Rect{0, 0, width, height};
    windowWidth_ = width;
    windowHeight_ = height;
    seed_ = RunSeed(config_);
    StartScenes();
    if (!ResizeImage()) Close();
  }

  WindowKind kind_;
  uint32_t windowId_;
  RunConfig config_;
  uint32_t seed_ = 0;
  Display* display_ = nullptr;
  int screen_ = 0;
  Window window_ = 0;
  int64_t lastWatchNs_ = 0;
  Window parent_ = 0;
  bool ownWindow_ = false;
  GC gc_ = nullptr;
  Cursor blankCursor_ = 0;
  Atom runningAtom_ = 0;
  Atom deleteAtom_ = 0;
  Visual* visual_ = nullptr;
  int depth_ = 0;
  int windowWidth_ = 0;
  int windowHeight_ = 0;
  Rect stageRect_;
  // What the window's monitor asks for, where a window has one scene.
  int32_t automaticPixelSize_ = 1;
  bool ownSizeStage_ = false;
  int randrEventBase_ = -1;
  int saverEventBase_ = -1;
  bool dpms_ = false;
  int64_t lastPowerAskNs_ = 0;
  bool screenBlanked_ = false;
  bool displayOff_ = false;
  bool unmapped_ = false;
  bool obscured_ = false;
  bool layoutChanged_ = false;
  FrameImage image_;
  SceneSet scenes_;
  std::vector<ImageTarget> targets_;
  std::vector<Rect> pending_;

  CloseRole closeRole_ = CloseRole::Never;
  bool mapped_ = false;
  bool keyboardGrabbed_ = false;
  bool pointerGrabbed_ = false;
  int grabAttempts_ = 0;
  int64_t nextGrabNs_ = 0;
  MotionAnchor anchor_;

  RunLoop loop_;
};

}  // namespace

int RunX11Saver(WindowKind kind, uint32_t windowId, const RunConfig& config) {
  X11Saver saver(kind, windowId, config);
  return saver.Run();
}

}  // namespace glimmerkin
