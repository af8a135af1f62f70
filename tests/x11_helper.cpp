// Test aid for the X11 saver tests: makes parent windows, waits for the
// saver's windows, grabs and compares window contents.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xrandr.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Image {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;  // 0x00RRGGBB
  // The window's channel masks, for comparing on displays of fewer colours.
  unsigned long masks[3] = {0xff0000, 0xff00, 0xff};
};

// An 8-bit channel value as a channel of the given mask shows it.
uint32_t Quantized(uint32_t value, unsigned long mask) {
  int bits = 0;
  for (unsigned long m = mask; m != 0; m >>= 1) bits += static_cast<int>(m & 1);
  if (bits == 0 || bits >= 8) return value;
  const uint32_t top = (1u << bits) - 1;
  return (value >> (8 - bits)) * 255 / top;
}

uint32_t AsShown(uint32_t rgb, const unsigned long* masks) {
  return Quantized((rgb >> 16) & 0xff, masks[0]) << 16 | Quantized((rgb >> 8) & 0xff, masks[1]) << 8 |
         Quantized(rgb & 0xff, masks[2]);
}

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

Display* Open() {
  Display* display = XOpenDisplay(nullptr);
  if (display == nullptr) {
    std::fprintf(stderr, "x11_helper: cannot open display\n");
    std::exit(3);
  }
  XSetErrorHandler(IgnoreErrors);
  return display;
}

Window ParseWindow(Display* display, const char* text) {
  const unsigned long id = std::strtoul(text, nullptr, 0);
  return id == 0 ? DefaultRootWindow(display) : static_cast<Window>(id);
}

bool Grab(Display* display, Window window, Image& out) {
  XWindowAttributes attributes{};
  if (!XGetWindowAttributes(display, window, &attributes)) return false;
  XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                            static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
  if (image == nullptr) return false;
  out.width = attributes.width;
  out.height = attributes.height;
  out.pixels.assign(static_cast<size_t>(out.width) * static_cast<size_t>(out.height), 0);
  const Visual* v = attributes.visual;
  out.masks[0] = v->red_mask;
  out.masks[1] = v->green_mask;
  out.masks[2] = v->blue_mask;
  auto channel = [](unsigned long pixel, unsigned long mask) -> uint32_t {
    if (mask == 0) return 0;
    int shift = 0;
    while (((mask >> shift) & 1) == 0) ++shift;
    const unsigned long bits = mask >> shift;
    const unsigned long value = (pixel & mask) >> shift;
    return static_cast<uint32_t>(value * 255 / bits);
  };
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) {
      const unsigned long p = XGetPixel(image, x, y);
      out.pixels[static_cast<size_t>(y) * out.width + x] =
          channel(p, v->red_mask) << 16 | channel(p, v->green_mask) << 8 | channel(p, v->blue_mask);
    }
  XDestroyImage(image);
  return true;
}

bool ReadPng(const char* path, Image& out) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path)) return false;
  png.format = PNG_FORMAT_BGRA;
  out.width = static_cast<int>(png.width);
  out.height = static_cast<int>(png.height);
  out.pixels.assign(static_cast<size_t>(out.width) * static_cast<size_t>(out.height), 0);
  if (!png_image_finish_read(&png, nullptr, out.pixels.data(), 0, nullptr)) return false;
  for (uint32_t& p : out.pixels) p &= 0xffffff;
  return true;
}

bool WritePng(const char* path, const Image& image) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_BGRA;
  std::vector<uint32_t> opaque(image.pixels);
  for (uint32_t& p : opaque) p |= 0xff000000u;
  return png_image_write_to_file(&png, path, 0, opaque.data(), 0, nullptr) != 0;
}

// Differences between the window and the top-left of the expected picture.
long Differences(const Image& shown, const Image& expected, std::string& first) {
  if (shown.width > expected.width || shown.height > expected.height) {
    first = "window " + std::to_string(shown.width) + "x" + std::to_string(shown.height) +
            " larger than expected " + std::to_string(expected.width) + "x" +
            std::to_string(expected.height);
    return -1;
  }
  long count = 0;
  for (int y = 0; y < shown.height; ++y)
    for (int x = 0; x < shown.width; ++x) {
      const uint32_t a = shown.pixels[static_cast<size_t>(y) * shown.width + x];
      const uint32_t b =
          AsShown(expected.pixels[static_cast<size_t>(y) * expected.width + x], shown.masks);
      if (a != b && count++ == 0) {
        char text[128];
        std::snprintf(text, sizeof text, "first at (%d,%d): shown %06x expected %06x", x, y,
                      static_cast<unsigned>(a), static_cast<unsigned>(b));
        first = text;
      }
    }
  return count;
}

bool Viewable(Display* display, Window window) {
  XWindowAttributes attributes{};
  return XGetWindowAttributes(display, window, &attributes) &&
         attributes.map_state == IsViewable;
}

using Clock = std::chrono::steady_clock;

Clock::time_point DeadlineAfter(const char* seconds) {
  return Clock::now() + std::chrono::milliseconds(static_cast<long>(std::atof(seconds) * 1000));
}

void Nap() { std::this_thread::sleep_for(std::chrono::milliseconds(50)); }

int Usage() {
  std::fputs(
      "usage: x11_helper parent W H          make a window, print its id, live until killed\n"
      "       x11_helper destroy ID          destroy a window\n"
      "       x11_helper snap ID OUT.png     save a window's contents (ID 0: root)\n"
      "       x11_helper match ID EXPECT.png SECONDS   wait until the window shows the\n"
      "                                      top-left of the picture, pixel for pixel\n"
      "       x11_helper colours ID          print how many colours the window shows\n"
      "       x11_helper wait-child ID SECONDS    wait for a viewable child, print its id\n"
      "       x11_helper wait-saver SECONDS  wait for the full-screen saver to hold input\n"
      "       x11_helper saver-window        print the running full-screen saver's id or 0\n"
      "       x11_helper split-monitors      make the screen two monitors, left and right\n"
      "       x11_helper join-monitors       undo split-monitors\n"
      "       x11_helper geometry ID         print WxH+X+Y of a window\n",
      stderr);
  return 2;
}

}  // namespace

int Run(Display* display, int argc, char** argv) {
  const std::string command = argv[1];

  if (command == "parent" && argc == 4) {
    const int width = std::atoi(argv[2]);
    const int height = std::atoi(argv[3]);
    XSetWindowAttributes attributes{};
    attributes.background_pixel = WhitePixel(display, DefaultScreen(display));
    attributes.override_redirect = True;
    const Window window = XCreateWindow(
        display, DefaultRootWindow(display), 10, 10, static_cast<unsigned>(width),
        static_cast<unsigned>(height), 0, CopyFromParent, InputOutput, CopyFromParent,
        CWBackPixel | CWOverrideRedirect, &attributes);
    XStoreName(display, window, "glimmerkin test parent");
    XMapWindow(display, window);
    XSync(display, False);
    std::printf("%lu\n", static_cast<unsigned long>(window));
    std::fflush(stdout);
    for (;;) pause();
  }
  if (command == "split-monitors" && argc == 2) {
    // Two monitors side by side, left and right halves of the screen.
    const Window root = DefaultRootWindow(display);
    const int width = DisplayWidth(display, DefaultScreen(display));
    const int height = DisplayHeight(display, DefaultScreen(display));
    XRRScreenResources* resources = XRRGetScreenResources(display, root);
    for (int half = 0; half < 2; ++half) {
      XRRMonitorInfo* monitor = XRRAllocateMonitor(display, half == 0 && resources && resources->noutput > 0 ? 1 : 0);
      monitor->name = XInternAtom(display, half == 0 ? "LEFT" : "RIGHT", False);
      monitor->primary = half == 0;
      monitor->x = half * (width / 2);
      monitor->y = 0;
      monitor->width = width / 2;
      monitor->height = height;
      monitor->mwidth = width / 8;
      monitor->mheight = height / 4;
      if (monitor->noutput == 1) monitor->outputs[0] = resources->outputs[0];
      XRRSetMonitor(display, root, monitor);
      XFree(monitor);
    }
    if (resources != nullptr) XRRFreeScreenResources(resources);
    XSync(display, False);
    int count = 0;
    XRRMonitorInfo* monitors = XRRGetMonitors(display, root, True, &count);
    for (int i = 0; i < count; ++i)
      std::printf("%dx%d+%d+%d\n", monitors[i].width, monitors[i].height, monitors[i].x, monitors[i].y);
    XRRFreeMonitors(monitors);
    return 0;
  }
  if (command == "join-monitors" && argc == 2) {
    // Back to the screen's own monitor list.
    const Window root = DefaultRootWindow(display);
    XRRDeleteMonitor(display, root, XInternAtom(display, "LEFT", False));
    XRRDeleteMonitor(display, root, XInternAtom(display, "RIGHT", False));
    XSync(display, False);
    return 0;
  }
  if (command == "geometry" && argc == 3) {
    Window child = 0;
    int x = 0;
    int y = 0;
    XWindowAttributes attributes{};
    const Window window = ParseWindow(display, argv[2]);
    if (!XGetWindowAttributes(display, window, &attributes)) return 1;
    XTranslateCoordinates(display, window, DefaultRootWindow(display), 0, 0, &x, &y, &child);
    std::printf("%dx%d+%d+%d\n", attributes.width, attributes.height, x, y);
    return 0;
  }
  if (command == "destroy" && argc == 3) {
    XDestroyWindow(display, ParseWindow(display, argv[2]));
    XSync(display, False);
    return 0;
  }
  if (command == "snap" && argc == 4) {
    Image image;
    if (!Grab(display, ParseWindow(display, argv[2]), image) || !WritePng(argv[3], image))
      return 1;
    return 0;
  }
  if (command == "match" && argc == 5) {
    Image expected;
    if (!ReadPng(argv[3], expected)) {
      std::fprintf(stderr, "x11_helper: cannot read %s\n", argv[3]);
      return 1;
    }
    const Window window = ParseWindow(display, argv[2]);
    const auto deadline = DeadlineAfter(argv[4]);
    std::string first;
    long count = -1;
    do {
      Image shown;
      if (Grab(display, window, shown)) {
        count = Differences(shown, expected, first);
        if (count == 0) {
          std::printf("match: %dx%d pixels equal\n", shown.width, shown.height);
          return 0;
        }
      }
      Nap();
    } while (Clock::now() < deadline);
    std::printf("no match: %ld pixels differ; %s\n", count, first.c_str());
    return 1;
  }
  if (command == "colours" && argc == 3) {
    Image image;
    if (!Grab(display, ParseWindow(display, argv[2]), image)) return 1;
    std::vector<uint32_t> seen(image.pixels);
    std::sort(seen.begin(), seen.end());
    std::printf("%ld\n", static_cast<long>(std::unique(seen.begin(), seen.end()) - seen.begin()));
    return 0;
  }
  if (command == "wait-child" && argc == 4) {
    const Window parent = ParseWindow(display, argv[2]);
    const auto deadline = DeadlineAfter(argv[3]);
    do {
      Window root = 0;
      Window up = 0;
      Window* children = nullptr;
      unsigned count = 0;
      if (XQueryTree(display, parent, &root, &up, &children, &count)) {
        for (unsigned i = 0; i < count; ++i)
          if (Viewable(display, children[i])) {
            std::printf("%lu\n", static_cast<unsigned long>(children[i]));
            XFree(children);
            return 0;
          }
        if (children != nullptr) XFree(children);
      }
      Nap();
    } while (Clock::now() < deadline);
    return 1;
  }
  if ((command == "wait-saver" && argc == 3) || (command == "saver-window" && argc == 2)) {
    const Atom running = XInternAtom(display, "GLIMMERKIN_SCREEN_SAVER", False);
    const Atom ready = XInternAtom(display, "GLIMMERKIN_READY", False);
    if (command == "saver-window") {
      std::printf("%lu\n", static_cast<unsigned long>(XGetSelectionOwner(display, running)));
      return 0;
    }
    const auto deadline = DeadlineAfter(argv[2]);
    do {
      const Window owner = XGetSelectionOwner(display, running);
      if (owner != None && Viewable(display, owner)) {
        Atom type = 0;
        int format = 0;
        unsigned long items = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, owner, ready, 0, 1, False, XA_CARDINAL, &type, &format,
                               &items, &after, &data) == Success &&
            data != nullptr) {
          const long grabbed = items == 1 ? *reinterpret_cast<long*>(data) : 0;
          XFree(data);
          std::printf("%lu %s\n", static_cast<unsigned long>(owner),
                      grabbed != 0 ? "grabbed" : "not-grabbed");
          return grabbed != 0 ? 0 : 1;
        }
      }
      Nap();
    } while (Clock::now() < deadline);
    return 1;
  }
  return Usage();
}

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  Display* display = Open();
  const int result = Run(display, argc, argv);
  XCloseDisplay(display);
  return result;
}
