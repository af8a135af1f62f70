#!/usr/bin/env python3
"""End-to-end tests of glimmerkin64.scr under Wine on an Xvfb screen split
into two monitors: a 1281 x 1023 one on the left and the primary 1920 x 1200
on its right, so Wine places the primary at (0, 0) and the other at
(-1281, 0), and the strip below the left monitor belongs to none.

usage: run_wine_monitors.py BUILD_DIR GLIMMERKIN_SIM [CASE ...]
  BUILD_DIR is the x86_64 cross build (as for run_wine_tests.py);
  GLIMMERKIN_SIM the simulator, whose frames the monitors must show.

Frames are pinned as the simulator's are: the seed is the clock second at
the saver's start, which lies between the seconds read before the start and
after its window showed (each candidate is tried; exactly one must match),
and a redraw speed of -200 spaces frames 3165 ms apart, so the first
non-black picture is the frame after tick 1 for three seconds.

Exit codes: 0 all cases passed, 1 a case failed, 77 tools missing.
"""
import os
import shutil
import signal
import struct
import subprocess
import sys
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import run_wine_tests as base  # noqa: E402
from run_wine_tests import Failure, expect  # noqa: E402

LEFT_W, LEFT_H = 1281, 1023     # the secondary monitor
PRIMARY_W, PRIMARY_H = 1920, 1200
SCREEN_W, SCREEN_H = LEFT_W + PRIMARY_W, PRIMARY_H
SLOW_SPEED = -200               # (11 + 200) x 15 = 3165 ms between frames
PAINT_SPEED = -650              # (11 + 650) x 15 = 9915 ms: time to repaint and look
GOLDEN = 0x9E3779B9             # the documented step between monitor seeds
WM_DISPLAYCHANGE = 0x007E


class MonitorSession(base.Session):
    def start_display(self):
        for number in range(400, 700):
            if os.path.exists(f"/tmp/.X{number}-lock") or os.path.exists(f"/tmp/.X11-unix/X{number}"):
                continue
            self.xvfb = subprocess.Popen(
                ["Xvfb", f":{number}", "-screen", "0", f"{SCREEN_W}x{SCREEN_H}x24", "-nolisten",
                 "tcp", "-noreset"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for _ in range(100):
                if os.path.exists(f"/tmp/.X11-unix/X{number}") or self.xvfb.poll() is not None:
                    break
                time.sleep(0.05)
            if self.xvfb.poll() is None and os.path.exists(f"/tmp/.X11-unix/X{number}"):
                self.env["DISPLAY"] = f":{number}"
                break
            self.xvfb.kill()
            self.xvfb.wait()
        else:
            raise Failure("no free X display")
        # Two RandR monitors; the first claims the output so that Xvfb's own
        # whole-screen monitor goes. Wine reads them through Xinerama.
        for args in (["--setmonitor", "LEFT", f"{LEFT_W}/339x{LEFT_H}/271+0+0", "screen"],
                     ["--setmonitor", "*PRIMARY", f"{PRIMARY_W}/508x{PRIMARY_H}/317+{LEFT_W}+0",
                      "none"]):
            subprocess.run(["xrandr", *args], env=self.env, timeout=base.STEP_TIMEOUT, check=True,
                           stdout=subprocess.DEVNULL)

    def reg(self, key, name, kind, value):
        subprocess.run(["wine", "reg", "add", key, "/v", name, "/t", kind, "/d", str(value), "/f"],
                       env=self.env, timeout=base.STEP_TIMEOUT, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def restart_wine(self):
        """Wine's desktop reads the monitors and the density when it starts."""
        self.end_wine_processes()

    def set_log_pixels(self, dpi):
        self.reg(r"HKCU\Control Panel\Desktop", "LogPixels", "REG_DWORD", dpi)
        self.restart_wine()

    def grab(self):
        """The whole X screen as rows of BGRX bytes."""
        out = subprocess.run(["xwd", "-root", "-silent"], env=self.env, capture_output=True,
                             timeout=base.STEP_TIMEOUT, check=True).stdout
        return Grab(out)


class Grab:
    def __init__(self, data):
        fields = struct.unpack_from(">25I", data, 0)
        header, width, height = fields[0], fields[4], fields[5]
        bits, stride, ncolors = fields[11], fields[12], fields[19]
        expect(bits == 32 and fields[7] == 0, f"xwd: {bits} bits per pixel, byte order {fields[7]}")
        start = header + 12 * ncolors
        self.width, self.height, self.stride = width, height, stride
        self.data = data[start:start + stride * height]

    def rgb_row(self, x, y, width):
        """The pixels (x .. x + width - 1, y) as RGB bytes."""
        row = self.data[self.stride * y + 4 * x:self.stride * y + 4 * (x + width)]
        out = bytearray(3 * width)
        out[0::3], out[1::3], out[2::3] = row[2::4], row[1::4], row[0::4]
        return bytes(out)

    def black(self, x, y, width, height):
        zero = bytes(3 * width)
        return all(self.rgb_row(x, y + v, width) == zero for v in range(height))


class Frames:
    """The simulator's frames as RGB rows, rendered once per seed and size."""

    def __init__(self, sim, temp):
        self.sim, self.temp, self.cache = sim, temp, {}

    def render(self, seed, width, height, ticks):
        key = (seed, width, height, ticks)
        if key not in self.cache:
            png = os.path.join(self.temp, "expected.png")
            raw = os.path.join(self.temp, "expected.rgb")
            subprocess.run([self.sim, "render", "--seed", str(seed), "--size", f"{width}x{height}",
                            "--ticks", str(ticks), "--out", png], check=True,
                           timeout=base.STEP_TIMEOUT)
            subprocess.run(["convert", png, "-depth", "8", f"rgb:{raw}"], check=True,
                           timeout=base.STEP_TIMEOUT)
            data = open(raw, "rb").read()
            expect(len(data) == 3 * width * height, "the simulator's frame has the wrong size")
            self.cache[key] = [data[3 * width * y:3 * width * (y + 1)] for y in range(height)]
        return self.cache[key]

    def at_pixel_size(self, seed, width, height, ticks, size):
        """A width x height monitor at pixel size `size`: the frame of the
        ceil(width / size) x ceil(height / size) stage, every pixel made a
        size x size square (nearest neighbour), cut to width x height."""
        stage_w, stage_h = -(-width // size), -(-height // size)
        rows = self.render(seed, stage_w, stage_h, ticks)
        if size == 1:
            return rows
        out = []
        for y in range(height):
            row = rows[y // size]
            wide = bytearray(3 * stage_w * size)
            for k in range(size):
                for c in range(3):
                    wide[3 * k + c::3 * size] = row[c::3]
            out.append(bytes(wide[:3 * width]))
        return out


def differing_rows(grab, x, y, rows):
    width = len(rows[0]) // 3
    return sum(grab.rgb_row(x, y + v, width) != row for v, row in enumerate(rows))


def write_settings(s, pixel_size=None, speed=SLOW_SPEED):
    text = f"[Glimmerkin]\r\nRedraw Speed={speed}\r\nNum Sprites=9\r\n"
    if pixel_size is not None:
        text += f"Pixel Size={pixel_size}\r\n"
    with open(s.settings_path(), "w", newline="") as f:
        f.write(text)


def first_frame(s, timeout=20, after_black=False):
    """The screen once the first frame is up (the primary no longer black);
    with after_black, the first frame after the primary has gone black."""
    deadline = time.time() + timeout
    saw_black = False
    while time.time() < deadline:
        grab = s.grab()
        if grab.black(LEFT_W + PRIMARY_W // 2, PRIMARY_H // 2, 8, 8):
            saw_black = True
            time.sleep(0.1)
            continue
        if after_black and not saw_black:
            time.sleep(0.1)
            continue
        # The other scene is drawn right after the primary's: let the frame
        # finish (the next is three seconds away).
        time.sleep(0.6)
        return s.grab(), saw_black
    raise Failure("no frame appeared on the primary monitor")


def check_monitors(s, frames, started, shown, pixel_size, grab=None):
    """Both monitors show their own scene's first frame at `pixel_size` (in
    `grab`, else once it is up); the strip that no monitor shows is black.
    Returns the seed found."""
    if grab is None:
        grab, _ = first_frame(s)
    matches = []
    for seed in range(started - 1, shown + 2):
        rows = frames.at_pixel_size(seed, PRIMARY_W, PRIMARY_H, 1, pixel_size)
        if differing_rows(grab, LEFT_W, 0, rows) == 0:
            matches.append(seed)
    if not matches:
        rows = frames.at_pixel_size(started, PRIMARY_W, PRIMARY_H, 1, pixel_size)
        raise Failure(f"the primary monitor shows no simulator frame of seeds {started - 1}.."
                      f"{shown + 1} at pixel size {pixel_size} "
                      f"({differing_rows(grab, LEFT_W, 0, rows)} rows differ from seed {started})")
    expect(len(matches) == 1, f"several seeds match: {matches}")
    seed = matches[0]
    check_other_monitor(grab, frames, seed, pixel_size, "")
    return seed, grab


def check_other_monitor(grab, frames, seed, pixel_size, when):
    other = (seed + GOLDEN) % (1 << 32)
    rows = frames.at_pixel_size(other, LEFT_W, LEFT_H, 1, pixel_size)
    bad = differing_rows(grab, 0, 0, rows)
    expect(bad == 0, f"the left monitor differs from its scene (seed {other}) in {bad} rows{when}")
    expect(grab.black(0, LEFT_H, LEFT_W, SCREEN_H - LEFT_H), "the strip below the left monitor "
           f"is not black{when}")


def start(s, pointer=(200, 500), limit_ms=60000):
    s.xdotool("mousemove", str(pointer[0]), str(pointer[1]))
    started = int(time.time())
    saver = s.start_saver("/s", limit_ms=limit_ms)
    facts = s.wait_saver_window()
    shown = int(time.time())
    return saver, facts, started, shown


def expect_layout(facts):
    expect(facts.get("virtual") == f"{-LEFT_W},0,{SCREEN_W},{SCREEN_H}",
           f"Wine does not see the two monitors: virtual screen {facts.get('virtual')}")
    expect(facts["rect"] == f"{-LEFT_W},0,{PRIMARY_W},{PRIMARY_H}",
           f"the window covers {facts['rect']}, not the virtual screen")


# --- Cases -------------------------------------------------------------------------

def case_two_monitors(s, frames):
    """Each monitor its own scene; the primary's is the lone scene of its size;
    a click on the other monitor ends the saver with 0."""
    write_settings(s)
    saver, facts, started, shown = start(s)
    expect_layout(facts)
    check_monitors(s, frames, started, shown, 1)
    # The uncovered strip stays black while frames go on.
    time.sleep(3.5)
    later = s.grab()
    expect(later.black(0, LEFT_H, LEFT_W, SCREEN_H - LEFT_H), "the strip was painted over")
    s.xdotool("click", "1")
    expect(s.finish(saver) == 0, "a click on the left monitor did not end the saver with 0")


def case_input_on_the_other_monitor(s, frames):
    """The 4-pixel rule and keys work wherever the pointer is."""
    write_settings(s)
    saver, _, _, _ = start(s, (640, 300))
    time.sleep(0.5)
    for _ in range(4):
        s.xdotool("mousemove_relative", "--", "-1", "0")
        time.sleep(0.2)
    time.sleep(1.0)
    expect(s.still_running(saver), "four one-pixel moves on the left monitor ended the saver")
    s.xdotool("mousemove_relative", "--", "-1", "0")
    expect(s.finish(saver) == 0, "the fifth move did not end the saver with 0")
    saver, _, _, _ = start(s, (100, 1000))
    time.sleep(0.5)
    s.xdotool("key", "a")
    expect(s.finish(saver) == 0, "a key on the left monitor did not end the saver with 0")


def rss_kb(pid):
    for line in open(f"/proc/{pid}/status"):
        if line.startswith("VmRSS:"):
            return int(line.split()[1])
    return 0


def saver_pid():
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            command = open(f"/proc/{entry}/cmdline", "rb").read()
        except OSError:
            continue
        if command.split(b"\0")[0].endswith(b"glimmerkin64.scr"):
            return int(entry)
    raise Failure("no saver process found")


def case_display_changes(s, frames):
    """A display change rebuilds the scenes over the same layout; hundreds of
    them in a row neither end the saver nor make it grow, and then each
    monitor shows the first frame of its new scene."""
    write_settings(s)
    # Room for both storms at their longest.
    saver, _, _, _ = start(s, limit_ms=420000)
    first_frame(s)
    pid = saver_pid()

    def storm(count):
        posted = int(time.time())
        facts = s.host("post", "WindowsScreenSaverClass", "Screen Saver", hex(WM_DISPLAYCHANGE),
                       "32", str(count))
        expect(facts.get("posted") == "1", "could not post display changes")
        # A frame comes only once the saver has handled every message posted
        # before it, and scenes built anew are black until their first frame:
        # the storm is over when the primary has gone black and shows a
        # frame again. (The saver's processor use is no sign: on a busy
        # machine it may get little of it while it works.)
        grab, _ = first_frame(s, timeout=180, after_black=True)
        shown = int(time.time())
        # The scenes were built during the storm; the last of them is the
        # newest seed.
        for seed in range(shown + 1, posted - 2, -1):
            rows = frames.at_pixel_size(seed, PRIMARY_W, PRIMARY_H, 1, 1)
            if differing_rows(grab, LEFT_W, 0, rows) == 0:
                break
        else:
            raise Failure(f"after {count} display changes the primary monitor shows no first "
                          f"frame of seeds {posted - 1}..{shown + 1}")
        check_other_monitor(grab, frames, seed, 1, f" after {count} display changes")

    storm(50)
    before = rss_kb(pid)
    storm(150)
    after = rss_kb(pid)
    expect(s.still_running(saver), "display changes ended the saver")
    # One lost pair of surfaces for these monitors is over 15 MB.
    expect(after - before < 30000, f"150 display changes grew the saver from {before} to "
           f"{after} kB")
    expect_layout(s.host("saver-facts"))
    s.xdotool("key", "a")
    expect(s.finish(saver) == 0, "a key did not end the saver after the display changes")


def case_paint_shows_last_frame(s, frames):
    """Parts of the window invalidated with their background erased (as when
    something uncovers them) show the last frame again at once, not black
    until the next frame: the whole window at pixel size 1, and at pixel
    size 2 a rectangle across both monitors. Frames are ten seconds apart,
    so the screen must stay exactly the first frame."""
    for pixel_size, part in ((1, ()), (2, (LEFT_W - 300, 200, 700, 500))):
        write_settings(s, pixel_size, speed=PAINT_SPEED)
        saver, _, started, shown = start(s)
        before, _ = first_frame(s)
        seen = time.time()
        facts = s.host("repaint", "WindowsScreenSaverClass", "Screen Saver",
                       *(str(v) for v in part))
        expect(facts.get("invalidated") == "1", f"could not invalidate the saver window: {facts}")
        expect(facts.get("painted") == "1", "the saver did not paint its invalidated window")
        # The paint may reach the screen a moment after the window counts as
        # painted; the next frame is still seconds away.
        while True:
            after = s.grab()
            if after.data == before.data or time.time() > seen + 6:
                break
            time.sleep(0.2)
        bad = sum(after.data[after.stride * y:after.stride * (y + 1)] !=
                  before.data[before.stride * y:before.stride * (y + 1)]
                  for y in range(SCREEN_H))
        expect(bad == 0, f"after a repaint at pixel size {pixel_size}, {bad} rows of the screen "
               "differ from the frame shown before")
        # And that was the first frame, not black.
        check_monitors(s, frames, started, shown, pixel_size, grab=before)
        s.xdotool("key", "a")
        expect(s.finish(saver) == 0, "a key did not end the saver")


def case_fixed_pixel_size(s, frames):
    """At 96 dpi: "Pixel Size" 3 fixes it; values beyond 1..4 are automatic (1)."""
    for setting, size in (("3", 3), ("4000000000", 1), ("-2", 1)):
        write_settings(s, setting)
        saver, _, started, shown = start(s)
        check_monitors(s, frames, started, shown, size)
        s.xdotool("key", "a")
        expect(s.finish(saver) == 0, "a key did not end the saver")


def case_high_density(s, frames):
    """LogPixels 192: the saver sees the true sizes, draws at pixel size 2
    unless "Pixel Size" fixes another; junk is automatic."""
    s.set_log_pixels(192)
    try:
        for setting, size in ((None, 2), ("junk", 2), ("99", 2), ("0", 2), ("1", 1)):
            write_settings(s, setting)
            saver, facts, started, shown = start(s)
            expect(facts.get("logpixels") == "192", f"LogPixels not in force: {facts}")
            expect_layout(facts)
            check_monitors(s, frames, started, shown, size)
            s.xdotool("key", "a")
            expect(s.finish(saver) == 0, "a key did not end the saver")
    finally:
        subprocess.run(["wine", "reg", "delete", r"HKCU\Control Panel\Desktop", "/v", "LogPixels",
                        "/f"], env=s.env, timeout=base.STEP_TIMEOUT, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        s.restart_wine()


CASES = [
    ("two-monitors", case_two_monitors),
    ("input-on-the-other-monitor", case_input_on_the_other_monitor),
    ("display-changes", case_display_changes),
    ("paint-shows-last-frame", case_paint_shows_last_frame),
    ("fixed-pixel-size", case_fixed_pixel_size),
    ("high-density", case_high_density),
]


def main():
    if len(sys.argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    build_dir, sim = sys.argv[1], sys.argv[2]
    wanted = sys.argv[3:]
    unknown = [w for w in wanted if w not in dict(CASES)]
    if unknown:
        print(f"unknown cases: {unknown}; known: {[n for n, _ in CASES]}")
        return 2
    for tool in ("wine", "wineserver", "Xvfb", "xdotool", "xrandr", "xwd", "convert"):
        if shutil.which(tool) is None:
            print(f"SKIP: {tool} is not installed")
            return base.SKIP
    art_dir = None
    with open(os.path.join(build_dir, "CMakeCache.txt")) as cache:
        for line in cache:
            if line.startswith("GLIMMERKIN_WIN32_RESOURCE_DIR:"):
                art_dir = line.split("=", 1)[1].strip()
    session = MonitorSession(build_dir, art_dir)
    frames = Frames(sim, session.temp)
    failed = []
    signal.signal(signal.SIGTERM, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))
    try:
        started = time.time()
        session.start_display()
        session.start_wine()
        session.reg(r"HKCU\Software\Wine\X11 Driver", "UseXRandR", "REG_SZ", "N")
        session.restart_wine()
        print(f"prefix ready in {time.time() - started:.1f} s", flush=True)
        for name, case in CASES:
            if wanted and name not in wanted:
                continue
            started = time.time()
            try:
                case(session, frames)
                print(f"PASS {name} ({time.time() - started:.1f} s)", flush=True)
            except Exception as error:  # a case's failure must not stop the others
                failed.append(name)
                detail = str(error) if isinstance(error, Failure) else traceback.format_exc()
                print(f"FAIL {name}: {detail}", flush=True)
                session.end_wine_processes()
    finally:
        session.close()
    passed = sum(1 for n, _ in CASES if (not wanted or n in wanted) and n not in failed)
    print(f"{passed} passed, {len(failed)} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
