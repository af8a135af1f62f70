#!/usr/bin/env python3
"""End-to-end tests of glimmerkin64.scr under 64-bit Wine on its own Xvfb
screen, in a fresh WINEPREFIX that lives for this one run.

usage: run_wine_tests.py BUILD_DIR [CASE ...]
  BUILD_DIR is the x86_64 cross build: glimmerkin64.scr,
  glimmerkin-test-host.exe, PASSWORD.CPL and mpr.dll. The screenshots are
  compared with the artwork it was built with (GLIMMERKIN_WIN32_RESOURCE_DIR
  in its CMakeCache.txt).

Exit codes: 0 all cases passed, 1 a case failed, 77 Wine or Xvfb missing.
Every process started here is ended before exit: the prefix's wineserver
(and with it every Wine process) and the Xvfb server.
"""
import os
import re
import shutil
import signal
import struct
import subprocess
import sys
import tempfile
import time
import traceback

SKIP = 77
WIDTH, HEIGHT = 1024, 768
HOST = r"C:\glk\glimmerkin-test-host.exe"
SAVER = r"C:\glk\glimmerkin64.scr"
LOG = r"C:\glk\doubles.log"
STEP_TIMEOUT = 30  # seconds for any one Wine command


class Failure(Exception):
    pass


def expect(condition, what):
    if not condition:
        raise Failure(what)


# --- Pictures ------------------------------------------------------------------

def read_bmp(path):
    """(width, height, pixel(x, y) -> (r, g, b)) of an uncompressed 1- or 8-bit BMP."""
    data = open(path, "rb").read()
    offset = struct.unpack_from("<I", data, 10)[0]
    header, width, height, _, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    colours = struct.unpack_from("<I", data, 46)[0] or (1 << bits)
    expect(compression == 0 and bits in (1, 8), f"{path}: unexpected BMP format")
    palette = [tuple(data[14 + header + 4 * i + k] for k in (2, 1, 0)) for i in range(colours)]
    stride = ((width * bits + 31) // 32) * 4
    bottom_up = height > 0
    height = abs(height)

    def pixel(x, y):
        row = offset + stride * ((height - 1 - y) if bottom_up else y)
        if bits == 8:
            return palette[data[row + x]]
        return palette[(data[row + x // 8] >> (7 - x % 8)) & 1]

    return width, height, pixel


class Screen:
    def __init__(self, path):
        data = open(path, "rb").read()
        parts = data.split(maxsplit=4)
        expect(parts[0] == b"P6", "screenshot is not a PPM")
        self.width, self.height, self.pixels = int(parts[1]), int(parts[2]), parts[4]

    def at(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.pixels[i:i + 3])


class Artwork:
    def __init__(self, art_dir):
        gw, gh, ground = read_bmp(os.path.join(art_dir, "ground.bmp"))
        expect((gw, gh) == (640, 480), "ground tile is not 640 x 480")
        self.ground = [[ground(x, y) for x in range(640)] for y in range(480)]
        _, _, sheet = read_bmp(os.path.join(art_dir, "sheet.bmp"))
        _, _, mask = read_bmp(os.path.join(art_dir, "sheet-mask.bmp"))
        # The caption strip: cell (493, 490), 345 x 32.
        self.caption = [[(sheet(493 + u, 490 + v), mask(493 + u, 490 + v) == (255, 255, 255))
                         for u in range(345)] for v in range(32)]

    def background(self, x, y, width=WIDTH, height=HEIGHT):
        """The composed background of a width x height stage: tiled ground,
        the caption strip at (W-325, H-37)."""
        u, v = x - (width - 325), y - (height - 37)
        if 0 <= u < 345 and 0 <= v < 32:
            colour, opaque = self.caption[v][u]
            if opaque:
                return colour
        return self.ground[y % 480][x % 640]


# --- The run's environment ---------------------------------------------------------

class Session:
    def __init__(self, build_dir, art_dir):
        self.build_dir = build_dir
        self.art = Artwork(art_dir)
        self.temp = tempfile.mkdtemp(prefix="glimmerkin-wine-")
        self.prefix = os.path.join(self.temp, "prefix")
        self.xvfb = None
        self.background = []
        self.outputs = 0
        self.env = dict(os.environ)

    # Xvfb on a display number no one uses; -noreset keeps the pointer where
    # the tests put it between clients.
    def start_display(self):
        for number in range(140, 400):
            if os.path.exists(f"/tmp/.X{number}-lock") or os.path.exists(f"/tmp/.X11-unix/X{number}"):
                continue
            self.xvfb = subprocess.Popen(
                ["Xvfb", f":{number}", "-screen", "0", f"{WIDTH}x{HEIGHT}x24", "-nolisten", "tcp",
                 "-noreset"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            for _ in range(100):
                if os.path.exists(f"/tmp/.X11-unix/X{number}"):
                    break
                if self.xvfb.poll() is not None:
                    break
                time.sleep(0.05)
            if self.xvfb.poll() is None and os.path.exists(f"/tmp/.X11-unix/X{number}"):
                self.env["DISPLAY"] = f":{number}"
                return
            self.xvfb.kill()
            self.xvfb.wait()
        raise Failure("no free X display")

    def start_wine(self):
        self.env.update({
            "WINEPREFIX": self.prefix,
            "WINEARCH": "win64",
            "WINEDEBUG": "-all",
            # No Mono or Gecko install dialogs in a fresh prefix.
            "WINEDLLOVERRIDES": "mscoree,mshtml=",
            "GLIMMERKIN_DOUBLE_LOG": LOG,
        })
        self.env.pop("WINESERVER", None)
        subprocess.run(["wine", "wineboot", "--init"], env=self.env, timeout=240,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True)
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=120)
        self.keep_wineserver()
        self.drive_c = os.path.join(self.prefix, "drive_c")
        self.glk = os.path.join(self.drive_c, "glk")
        self.windows = os.path.join(self.drive_c, "windows")
        self.system32 = os.path.join(self.windows, "system32")
        os.makedirs(self.glk)
        for name in ("glimmerkin64.scr", "glimmerkin-test-host.exe"):
            shutil.copy(os.path.join(self.build_dir, name), self.glk)
        self.find_appdata()

    def find_appdata(self):
        """The user's roaming application-data folder, as Windows and as Linux path."""
        path = self.output_file()
        with open(path, "w") as out:
            subprocess.run(["wine", "cmd", "/c", "echo", "%APPDATA%"], env=self.env, stdout=out,
                           stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL,
                           timeout=STEP_TIMEOUT, check=True)
        text = open(path, errors="replace").read().strip()
        expect(len(text) > 3 and text[1:3] == ":\\", f"%APPDATA% is {text!r}")
        self.appdata_windows = text
        self.appdata = os.path.join(self.prefix, "dosdevices", text[0].lower() + ":",
                                    *text[3:].split("\\"))
        expect(os.path.isdir(self.appdata), f"no folder {self.appdata}")

    def keep_wineserver(self):
        # One server for the whole run: a server that quits between two
        # commands can leave the next one waiting, and restarting costs time.
        subprocess.run(["wineserver", "-p"], env=self.env, timeout=60, check=True,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)

    def close(self):
        for process in self.background:
            if process.poll() is None:
                process.kill()
        if "WINEPREFIX" in self.env:
            subprocess.run(["wineserver", "-k"], env=self.env, timeout=60,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            subprocess.run(["wineserver", "-w"], env=self.env, timeout=60)
        for process in self.background:
            process.wait()
        if self.xvfb is not None:
            self.xvfb.terminate()
            try:
                self.xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.xvfb.kill()
                self.xvfb.wait()
        shutil.rmtree(self.temp, ignore_errors=True)

    def end_wine_processes(self):
        """After a failed case: nothing of it may linger into the next."""
        subprocess.run(["wineserver", "-k"], env=self.env, timeout=60,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run(["wineserver", "-w"], env=self.env, timeout=60)
        for process in self.background:
            if process.poll() is None:
                process.kill()
            process.wait()
        self.background = []
        self.keep_wineserver()

    # --- Commands ---

    def wine_env(self, overrides=None):
        env = dict(self.env)
        if overrides:
            env["WINEDLLOVERRIDES"] = self.env["WINEDLLOVERRIDES"] + ";" + overrides
        return env

    # Output goes to files, never pipes: Wine's own long-lived processes
    # (services, the desktop) inherit a command's output and would hold a pipe
    # open long after the command ended.
    def output_file(self):
        self.outputs += 1
        return os.path.join(self.temp, f"output-{self.outputs}.txt")

    def host(self, *args, timeout=STEP_TIMEOUT, overrides=None):
        path = self.output_file()
        with open(path, "w") as out:
            subprocess.run(["wine", HOST, *args], env=self.wine_env(overrides), cwd=self.glk,
                           stdout=out, stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL,
                           timeout=timeout)
        return parse(open(path).read())

    def host_background(self, *args, overrides=None, wine_debug=None):
        """With wine_debug (channels as WINEDEBUG takes them), Wine's messages
        go to the file process.debug_path."""
        path = self.output_file()
        env = self.wine_env(overrides)
        debug = subprocess.DEVNULL
        if wine_debug:
            env["WINEDEBUG"] = wine_debug
            debug_path = self.output_file()
            debug = open(debug_path, "w")
        with open(path, "w") as out:
            process = subprocess.Popen(["wine", HOST, *args], env=env, cwd=self.glk,
                                       stdin=subprocess.PIPE, stdout=out, stderr=debug, text=True)
        if wine_debug:
            debug.close()
            process.debug_path = debug_path
        process.output_path = path
        self.background.append(process)
        return process

    def output_so_far(self, process):
        return open(process.output_path).read()

    def run_saver(self, arguments, overrides=None):
        """The saver's exit code as a signed 32-bit number."""
        facts = self.host("run", "20000", SAVER, arguments, overrides=overrides)
        expect("exit" in facts, f"saver {arguments!r} did not end: {facts}")
        return int(facts["exit"])

    def start_saver(self, arguments, overrides=None, limit_ms=60000):
        """The saver in the background; the host ends it after limit_ms."""
        return self.host_background("run", str(limit_ms), SAVER, arguments, overrides=overrides)

    def finish(self, process, timeout=20, what="the saver"):
        try:
            process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"{what} did not end")
        out = self.output_so_far(process)
        facts = parse(out)
        expect("exit" in facts, f"no exit code: {out!r}")
        return int(facts["exit"])

    def still_running(self, process):
        return process.poll() is None

    def wait_saver_window(self, timeout=20):
        deadline = time.time() + timeout
        while time.time() < deadline:
            facts = self.host("saver-facts")
            # The window is found as soon as it exists, but it becomes
            # visible only once its creation (and the first stage) is done.
            if facts.get("found") == "1" and int(facts.get("style", "0"), 16) & 0x10000000:
                return facts
            time.sleep(0.2)
        raise Failure("no full-screen saver window appeared")

    def wait_dialog(self):
        facts = self.host("dialog-facts", "20000")
        expect(facts.get("found") == "1", "the configuration dialog did not appear")
        return facts

    def xdotool(self, *args):
        subprocess.run(["xdotool", *args], env=self.env, timeout=STEP_TIMEOUT, check=True)

    def x_window(self, name):
        out = subprocess.run(["xdotool", "search", "--name", name], env=self.env,
                             capture_output=True, text=True, timeout=STEP_TIMEOUT).stdout.split()
        expect(out, f"no X window named {name!r}")
        return out[0]

    def screenshot(self, name):
        path = os.path.join(self.temp, name)
        subprocess.run(["import", "-window", "root", path + ".png"], env=self.env,
                       timeout=STEP_TIMEOUT, check=True)
        subprocess.run(["convert", path + ".png", path + ".ppm"], timeout=STEP_TIMEOUT, check=True)
        keep = os.environ.get("GLIMMERKIN_WINE_SHOTS")
        if keep:
            os.makedirs(keep, exist_ok=True)
            shutil.copy(path + ".png", keep)
        return Screen(path + ".ppm")

    # --- Files in the prefix ---

    def settings_path(self, name="glimmerkin.i"):
        return os.path.join(self.windows, name)

    def write_settings(self, speed, count, name="glimmerkin.i"):
        with open(self.settings_path(name), "w", newline="") as f:
            f.write(f"[Glimmerkin]\r\nRedraw Speed={speed}\r\nNum Sprites={count}\r\n")

    def user_settings_path(self, name="glimmerkin.i"):
        return os.path.join(self.appdata, "Glimmerkin", name)

    def write_user_settings(self, text):
        os.makedirs(os.path.dirname(self.user_settings_path()), exist_ok=True)
        write_text(self.user_settings_path(), text)

    def remove_settings(self):
        for name in ("glimmerkin.i", "glimmerkin.ini"):
            if os.path.exists(self.settings_path(name)):
                os.remove(self.settings_path(name))
        folder = os.path.dirname(self.user_settings_path())
        if os.path.isdir(folder):
            shutil.rmtree(folder)
        elif os.path.lexists(folder):
            os.remove(folder)

    def log_lines(self):
        path = os.path.join(self.glk, "doubles.log")
        if not os.path.exists(path):
            return []
        return open(path).read().splitlines()

    def clear_log(self):
        path = os.path.join(self.glk, "doubles.log")
        if os.path.exists(path):
            os.remove(path)

    def set_use_password(self, value):
        subprocess.run(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v",
                        "ScreenSaveUsePassword", "/t", "REG_DWORD", "/d", str(value), "/f"],
                       env=self.env, timeout=STEP_TIMEOUT, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def find_system_file(self, name):
        for entry in os.listdir(self.system32):
            if entry.lower() == name.lower():
                return os.path.join(self.system32, entry)
        return None


def write_text(path, text):
    with open(path, "w", newline="") as f:
        f.write(text)


def settings_lines(path):
    """The file's lines without blank ones and without the line ends."""
    return [l.strip() for l in open(path).read().splitlines() if l.strip()]


def parse(text):
    facts = {"control": []}
    for line in text.splitlines():
        key, sep, value = line.strip().partition("=")
        if not sep:
            continue
        if key == "control":
            facts["control"].append(value.split("|"))
        else:
            facts[key] = value
    return facts


# --- Cases -------------------------------------------------------------------------

def case_bad_command_lines(s):
    """Unknown switches, a tab before the switch, bad preview handles: -1."""
    for arguments in ("/\\ts", "-\\ts", "/x", "5", "/q /s", "/p", "/p 0", "/p abc", "/p 1",
                      "/p:1", "/l 99999"):
        code = s.run_saver(arguments)
        expect(code == -1, f"{arguments!r} exited with {code}, not -1")


def background_match(s, shot, skip_caption=False, pixel_size=1):
    """How much of the screen is the composed background, drawn at pixel_size
    (a stage of WIDTH / pixel_size x HEIGHT / pixel_size, enlarged)."""
    width, height = WIDTH // pixel_size, HEIGHT // pixel_size
    matches = total = 0
    for y in range(0, HEIGHT, 2):
        for x in range(0, WIDTH, 2):
            if skip_caption and x >= WIDTH - 325 and y >= HEIGHT - 37:
                continue
            total += 1
            expected = s.art.background(x // pixel_size, y // pixel_size, width, height)
            matches += shot.at(x, y) == expected
    return matches / total


def caption_check(s, *shots):
    """Pixels of the caption strip that differ from the ground and show (in
    any of the shots: aliens walk over the caption and on again)."""
    shown = opaque = 0
    for v in range(32):
        for u in range(325):
            colour, is_opaque = s.art.caption[v][u]
            x, y = WIDTH - 325 + u, HEIGHT - 37 + v
            if is_opaque and colour != s.art.ground[y % 480][x % 640]:
                opaque += 1
                shown += any(shot.at(x, y) == colour for shot in shots)
    return shown, opaque


def case_full_screen(s):
    """/s: the window, the pictures, moving sprites, a second /s, the mouse rule."""
    s.remove_settings()
    s.xdotool("mousemove", "300", "200")
    saver = s.start_saver("/s")
    facts = s.wait_saver_window()
    expect(facts["class"] == "WindowsScreenSaverClass", f"class {facts['class']}")
    expect(int(facts["style"], 16) == 0x96000000, f"style {facts['style']}")
    expect(int(facts["exstyle"], 16) & 0x8, f"not top-most: {facts['exstyle']}")
    expect(facts["class-style"] == "43", f"class style {facts['class-style']}")
    expect(facts["rect"] == f"0,0,{WIDTH},{HEIGHT}", f"rect {facts['rect']}")
    expect(facts["parent"] == "0", "the full-screen window has a parent")
    expect(facts["foreground"] == "1", "the saver is not in the foreground")
    time.sleep(1.5)
    first = s.screenshot("full-screen-1")
    time.sleep(1.0)
    second = s.screenshot("full-screen-2")
    ratio = background_match(s, first, skip_caption=True)
    expect(ratio > 0.85, f"only {ratio:.2%} of the screen shows the tiled ground")
    shown, opaque = caption_check(s, first, second)
    expect(opaque > 500 and shown >= 0.9 * opaque,
           f"caption strip: {shown} of {opaque} pixels at (W - 325, H - 37)")
    moved = sum(first.at(x, y) != second.at(x, y)
                for y in range(0, HEIGHT, 2) for x in range(0, WIDTH, 2))
    expect(moved > 50, f"nothing moved between two shots ({moved} pixels)")

    # A second full-screen start finds this one and leaves at once.
    expect(s.run_saver("/s") == 0, "a second /s did not exit with 0")
    expect(s.still_running(saver), "the second /s ended the first")

    # Four one-pixel moves stay within the 4-pixel rule; the fifth does not.
    for _ in range(4):
        s.xdotool("mousemove_relative", "1", "0")
        time.sleep(0.2)
    time.sleep(1.0)
    expect(s.still_running(saver), "four one-pixel moves ended the saver")
    s.xdotool("mousemove_relative", "1", "0")
    expect(s.finish(saver) == 0, "the fifth move did not end the saver with 0")


def case_keys_and_buttons(s):
    """A key press or a mouse button ends the saver with 0."""
    for action in (("key", "a"), ("click", "1"), ("click", "3"), ("key", "alt")):
        saver = s.start_saver("/s")
        s.wait_saver_window()
        time.sleep(0.5)
        s.xdotool(*action)
        expect(s.finish(saver) == 0, f"{action} did not end the saver with 0")


def case_system_commands(s):
    """Task switching and the saver command are swallowed; other commands close."""
    saver = s.start_saver("/s")
    s.wait_saver_window()
    for command in ("0xF040", "0xF050", "0xF140"):
        facts = s.host("post", "WindowsScreenSaverClass", "Screen Saver", "0x0112", command)
        expect(facts.get("posted") == "1", "could not post to the saver")
    time.sleep(1.0)
    expect(s.still_running(saver), "a swallowed system command ended the saver")
    s.host("post", "WindowsScreenSaverClass", "Screen Saver", "0x0112", "0xF060")  # SC_CLOSE
    expect(s.finish(saver) == 0, "SC_CLOSE did not end the saver with 0")


def case_settings_reach_the_saver(s):
    """With "Num Sprites" 0 every frame is exactly the background: tiles and caption."""
    s.write_settings(10, 0)
    s.write_settings(5, 25, "glimmerkin.ini")  # would bring aliens if it were read
    try:
        saver = s.start_saver("/s")
        s.wait_saver_window()
        time.sleep(1.5)
        shot = s.screenshot("no-aliens")
        ratio = background_match(s, shot)
        expect(ratio == 1.0, f"background differs from tiles and caption: {ratio:.4%} match")
        s.xdotool("key", "a")
        expect(s.finish(saver) == 0, "key did not end the saver with 0")
    finally:
        s.remove_settings()


def case_per_user_settings_reach_the_saver(s):
    """Where both files exist, full screen and preview take the per-user one:
    its "Num Sprites" 0 leaves every frame the bare background, its "Pixel
    Size" 2 draws that with doubled pixels. The Windows-folder file would
    bring hundreds of aliens at pixel size 1. Wine shows nothing that a
    preview in another process draws into the parent, so there the profile
    functions' own trace tells which file the preview reads."""
    s.remove_settings()
    write_text(s.settings_path(), "[Glimmerkin]\r\nRedraw Speed=10\r\nNum Sprites=500\r\n"
                                  "Pixel Size=1\r\n")
    s.write_user_settings("[Glimmerkin]\r\nRedraw Speed=10\r\nNum Sprites=0\r\nPixel Size=2\r\n")
    try:
        saver = s.start_saver("/s")
        s.wait_saver_window()
        time.sleep(1.5)
        shot = s.screenshot("per-user-full-screen")
        ratio = background_match(s, shot, pixel_size=2)
        expect(ratio == 1.0, f"full screen: {ratio:.4%} of the doubled background")
        s.xdotool("key", "a")
        expect(s.finish(saver) == 0, "key did not end the saver with 0")

        process = s.host_background("preview", "20000", SAVER, "p", "320", "240",
                                    wine_debug="trace+profile")
        deadline = time.time() + STEP_TIMEOUT
        while time.time() < deadline and process.poll() is None:
            if "ready=" in s.output_so_far(process):
                break
            time.sleep(0.1)
        expect(parse(s.output_so_far(process)).get("child-found") == "1", "no preview child")
        process.stdin.write("go\n")
        process.stdin.close()
        process.wait(timeout=60)
        expect(parse(s.output_so_far(process)).get("exit") == "0", "the preview did not end with 0")
        # GetPrivateProfileIntW reads through GetPrivateProfileStringW, whose
        # trace names the key and the file, and then the text found.
        per_user = s.appdata_windows + r"\Glimmerkin\glimmerkin.i"
        per_user = 'L"' + per_user.replace("\\", "\\\\") + '"'
        reads = []
        for line in open(process.debug_path):
            call = re.search(r':GetPrivateProfileStringW L"[^"]*",L"([^"]*)",.*,(L"[^"]*")$', line)
            found = re.search(r':GetPrivateProfileStringW -> L"([^"]*)"$', line)
            if call:
                reads.append([call.group(1), call.group(2), None])
            elif found and reads:
                reads[-1][2] = found.group(1)
        expect(reads == [["Redraw Speed", per_user, "10"], ["Num Sprites", per_user, "0"],
                         ["Pixel Size", per_user, "2"]], f"the preview read {reads}")
    finally:
        s.remove_settings()


def control_table(facts):
    return [(c[1].lower(), int(c[2]), int(c[3], 16), c[4]) for c in facts["control"]]


def case_dialog_ok(s):
    """/c: the controls, the scroll rules, OK writes the per-user glimmerkin.i
    (and nothing in the Windows folder) and exits 1."""
    s.remove_settings()
    dialog = s.start_saver("/c")
    facts = s.wait_dialog()
    expect(facts["caption"].startswith("Glimmerkin"), f"caption {facts['caption']!r}")
    controls = control_table(facts)
    expected = [("button", 1000, 0x50010001, "OK"), ("button", 1001, 0x50010000, "Cancel"),
                ("static", 65535, 0x50020000, "Glimmerkin"), ("scrollbar", 1002, 0x50000000, ""),
                ("static", 65535, 0x50020000, "Speed:"), ("scrollbar", 1003, 0x50000000, ""),
                ("static", 65535, 0x50020000, "Number of aliens")]
    expect(len(controls) == 10, f"{len(controls)} controls")
    expect(controls[:7] == expected, f"controls {controls[:7]}")
    expect(all(c[0] == "static" and c[3] for c in controls[7:]), "notice lines")
    expect((facts["speed"], facts["count"]) == ("5", "9"), "defaults not shown")

    def scroll(bar, code, thumb=0):
        f = s.host("dialog-scroll", str(bar), str(code), str(thumb))
        return int(f["speed"]), int(f["count"])

    expect(scroll(1002, 1) == (6, 9), "speed line right")
    expect(scroll(1003, 7) == (6, 25), "count SB_RIGHT")
    expect(scroll(1003, 1) == (6, 25), "count beyond 25")
    expect(scroll(1002, 5, 9) == (6, 25), "thumb track changed the value")
    expect(scroll(1002, 4, 9) == (9, 25), "thumb position")
    expect(scroll(1003, 2) == (9, 24), "count page left")
    expect(scroll(1003, 3) == (9, 25), "count page right")
    # A real click on the speed bar's right arrow.
    bar = next(c for c in facts["control"] if c[2] == "1002")
    left, top, right, bottom = (int(v) for v in bar[5].split(","))
    s.xdotool("mousemove", str(right - 6), str((top + bottom) // 2), "click", "1")
    time.sleep(0.5)
    facts = s.host("dialog-facts")
    expect((facts["speed"], facts["count"]) == ("10", "25"), "click on the arrow")
    s.screenshot("dialog")
    s.host("dialog-post", "0x0111", "1000")  # WM_COMMAND, OK
    expect(s.finish(dialog) == 1, "OK did not exit with 1")
    lines = settings_lines(s.user_settings_path())
    expect(lines == ["[Glimmerkin]", "Redraw Speed=10", "Num Sprites=25"], f"glimmerkin.i: {lines}")
    expect(os.listdir(os.path.dirname(s.user_settings_path())) == ["glimmerkin.i"],
           "more than glimmerkin.i in the per-user folder")
    expect(not os.path.exists(s.settings_path()) and
           not os.path.exists(s.settings_path("glimmerkin.ini")), "written in the Windows folder")
    s.remove_settings()


def case_dialog_carries_over(s):
    """An old Windows-folder file is shown, and the first OK carries it over
    whole into the per-user file ("Pixel Size", unknown keys and sections too)
    and leaves it as it was; from then on the per-user file wins."""
    s.remove_settings()
    old = ("[Glimmerkin]\r\nPixel Size=2\r\nRedraw Speed=3\r\nSomething Else=x\r\n"
           "Num Sprites=20\r\n[Other]\r\nKey=v\r\n")
    write_text(s.settings_path(), old)
    try:
        dialog = s.start_saver("/c")
        facts = s.wait_dialog()
        expect((facts["speed"], facts["count"]) == ("3", "20"), "the old file's values not shown")
        s.host("dialog-scroll", "1002", "1")
        s.host("dialog-post", "0x0111", "1000")  # WM_COMMAND, OK
        expect(s.finish(dialog) == 1, "OK did not exit with 1")
        lines = settings_lines(s.user_settings_path())
        expect(lines == ["[Glimmerkin]", "Pixel Size=2", "Redraw Speed=4", "Something Else=x",
                         "Num Sprites=20", "[Other]", "Key=v"], f"per-user glimmerkin.i: {lines}")
        expect(open(s.settings_path(), newline="").read() == old, "the old file was changed")

        # Both there, the old one changed since: the per-user file is shown
        # and written.
        newer_old = "[Glimmerkin]\r\nRedraw Speed=7\r\nNum Sprites=15\r\n"
        write_text(s.settings_path(), newer_old)
        dialog = s.start_saver("/c")
        facts = s.wait_dialog()
        expect((facts["speed"], facts["count"]) == ("4", "20"),
               f"shown {facts['speed']} and {facts['count']}, not the per-user 4 and 20")
        s.host("dialog-scroll", "1003", "2")
        s.host("dialog-post", "0x0111", "1000")
        expect(s.finish(dialog) == 1, "OK did not exit with 1")
        lines = settings_lines(s.user_settings_path())
        expect(lines == ["[Glimmerkin]", "Pixel Size=2", "Redraw Speed=4", "Something Else=x",
                         "Num Sprites=19", "[Other]", "Key=v"], f"per-user glimmerkin.i: {lines}")
        expect(open(s.settings_path(), newline="").read() == newer_old, "the old file was changed")
    finally:
        s.remove_settings()


def case_settings_cannot_be_written(s):
    """A plain file where the per-user folder belongs: the dialog opens quietly
    with the defaults; OK shows a message box naming the file and the dialog
    stays open; Cancel then ends it with 0, and OK once the way is free, with 1."""
    s.remove_settings()
    blocker = os.path.dirname(s.user_settings_path())
    write_text(blocker, "not a folder\r\n")
    shown_path = s.appdata_windows + "\\Glimmerkin\\glimmerkin.i"
    try:
        for then in ("cancel", "ok"):
            dialog = s.start_saver("/c")
            facts = s.wait_dialog()
            expect((facts["speed"], facts["count"]) == ("5", "9"), "defaults not shown")
            expect(s.host("message-box", "0").get("found") == "0", "a message box at the start")
            s.host("dialog-post", "0x0111", "1000")  # WM_COMMAND, OK
            box = s.host("message-box", "20000", "ok")
            expect(box.get("found") == "1", "no message box after the failed write")
            expect(shown_path.lower() in box["text"].lower(),
                   f"the message names no {shown_path}: {box['text']!r}")
            expect(box.get("posted") == "1", "could not answer the message box")
            deadline = time.time() + STEP_TIMEOUT
            while True:
                gone = s.host("message-box", "0").get("found") == "0"
                if gone or time.time() > deadline:
                    break
                time.sleep(0.2)
            expect(gone, "the message box did not close")
            expect(s.still_running(dialog), "the dialog ended after the failed write")
            expect(s.host("dialog-facts").get("found") == "1", "the dialog is gone")
            if then == "cancel":
                s.host("dialog-post", "0x0111", "1001")
                expect(s.finish(dialog) == 0, "Cancel after the failed write did not exit with 0")
                expect(open(blocker).read() == "not a folder\n", "the blocking file changed")
            else:
                os.remove(blocker)
                s.host("dialog-post", "0x0111", "1000")
                expect(s.finish(dialog) == 1, "OK once the way was free did not exit with 1")
                lines = settings_lines(s.user_settings_path())
                expect(lines == ["[Glimmerkin]", "Redraw Speed=5", "Num Sprites=9"],
                       f"per-user glimmerkin.i: {lines}")
            expect(not os.path.exists(s.settings_path()), "written in the Windows folder instead")
    finally:
        s.remove_settings()


def case_dialog_cancel(s):
    """No switch: out-of-range values show as defaults; Cancel, Escape and the
    close box end with 0 and write nothing; glimmerkin.ini has no effect."""
    s.remove_settings()
    s.write_settings(12, 1)
    s.write_settings(3, 20, "glimmerkin.ini")
    before = (open(s.settings_path()).read(), open(s.settings_path("glimmerkin.ini")).read())
    try:
        for how in ("cancel", "escape", "close box"):
            dialog = s.start_saver("")
            facts = s.wait_dialog()
            expect((facts["speed"], facts["count"]) == ("5", "9"),
                   f"stored 12 and 1 shown as {facts['speed']} and {facts['count']}")
            s.host("dialog-scroll", "1002", "1")
            if how == "cancel":
                s.host("dialog-post", "0x0111", "1001")
            elif how == "escape":
                # There is no window manager: give the dialog the X focus and
                # a click before it can take the key.
                window = s.x_window("^Glimmerkin")
                s.xdotool("windowfocus", window)
                rect = [int(v) for v in facts["rect"].split(",")]
                s.xdotool("mousemove", str(rect[0] + 30), str(rect[1] + 20), "click", "1")
                time.sleep(0.5)
                s.xdotool("key", "Escape")
            else:
                s.host("dialog-post", "0x0112", "0xF060")  # WM_SYSCOMMAND, SC_CLOSE
            expect(s.finish(dialog, what=f"the dialog after {how}") == 0,
                   f"{how} did not exit with 0")
            after = (open(s.settings_path()).read(), open(s.settings_path("glimmerkin.ini")).read())
            expect(after == before and not os.path.lexists(os.path.dirname(s.user_settings_path())),
                   f"{how} wrote to the settings")
        # Only glimmerkin.ini present: the dialog shows the defaults and OK
        # writes the per-user glimmerkin.i.
        os.remove(s.settings_path())
        s.write_settings(10, 25, "glimmerkin.ini")
        dialog = s.start_saver("")
        facts = s.wait_dialog()
        expect((facts["speed"], facts["count"]) == ("5", "9"), "glimmerkin.ini was read")
        s.host("dialog-post", "0x0111", "1000")
        expect(s.finish(dialog) == 1, "OK did not exit with 1")
        lines = settings_lines(s.user_settings_path())
        expect(lines == ["[Glimmerkin]", "Redraw Speed=5", "Num Sprites=9"], f"written {lines}")
    finally:
        s.remove_settings()


def case_preview(s):
    """/p and /l: a child "Preview" filling the parent; input never closes it;
    destroying the parent ends the saver with 0."""
    for letter in ("p", "l"):
        process = s.host_background("preview", "20000", SAVER, letter, "320", "240")
        deadline = time.time() + STEP_TIMEOUT
        while time.time() < deadline and process.poll() is None:
            text = s.output_so_far(process)
            if "ready=" in text:
                break
            time.sleep(0.1)
        facts = parse(s.output_so_far(process))
        expect(facts.get("child-found") == "1", f"/{letter}: no preview child: {facts}")
        expect(facts["child-rect"] == "0,0,320,240", f"/{letter}: child at {facts['child-rect']}")
        expect(int(facts["child-style"], 16) == 0x52000000, f"child style {facts['child-style']}")
        expect(facts["child-exstyle"] == "0x00000000", "child extended style")
        s.screenshot(f"preview-{letter}")
        if process.poll() is None:
            process.stdin.write("go\n")
            process.stdin.close()
        process.wait(timeout=60)
        facts = parse(s.output_so_far(process))
        expect(facts.get("alive-after-input") == "1", f"/{letter}: input closed the preview")
        expect(facts.get("parent-context-menus") == "1" and
               facts.get("context-wparam-is-parent") == "1",
               f"/{letter}: the context menu did not go to the parent")
        expect(facts.get("exit") == "0", f"/{letter}: exit {facts.get('exit')} after the parent went")


def saver_pid():
    """The Linux process that runs the saver under Wine, or None."""
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                program = f.read().split(b"\0")[0]
        except OSError:
            continue
        # The saver's own process, not a host that has its path among its
        # arguments.
        if program.lower().endswith(b"glimmerkin64.scr"):
            return int(entry)
    return None


def wakeups(pid):
    """How often all of a process's threads have been woken so far."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/status") as f:
                for line in f:
                    if line.startswith(("voluntary_ctxt_switches", "nonvoluntary_ctxt_switches")):
                        total += int(line.split()[1])
        except OSError:
            continue
    return total


def case_display_power(s):
    """The display powered down (as Windows tells it) rests the full-screen
    saver and the preview: nothing is drawn and the preview does not wake
    until it is on again. Dimmed is
    on; a power setting that is not the display's changes nothing."""
    def power(title, state, which="console"):
        facts = s.host("power", title, str(state), which)
        expect(facts.get("sent") == "1", f"power {state} ({which}) not delivered: {facts}")

    def moved(name):
        first = s.screenshot(name + "-1")
        time.sleep(1.0)
        second = s.screenshot(name + "-2")
        return sum(first.at(x, y) != second.at(x, y)
                   for y in range(0, HEIGHT, 2) for x in range(0, WIDTH, 2))

    s.remove_settings()
    saver = s.start_saver("/s")
    s.wait_saver_window()
    time.sleep(1.0)
    for state, which, rests in ((0, "console", True), (1, "other", True), (1, "console", False),
                                (0, "monitor", True), (2, "console", False)):
        power("Screen Saver", state, which)
        time.sleep(0.3)
        pixels = moved(f"power-{state}-{which}")
        expect((pixels == 0) == rests,
               f"/s after display state {state} ({which}): {pixels} pixels moved")
    s.xdotool("key", "a")
    expect(s.finish(saver) == 0, "the saver did not end after the key")

    # Wine never shows a child window of another process's window on the
    # screen, so the preview's frames are witnessed by its wake-ups: the
    # frame timer wakes it some eleven times a second, a rest not at all.
    process = s.host_background("preview", "20000", SAVER, "p", "320", "240")
    deadline = time.time() + STEP_TIMEOUT
    while time.time() < deadline and "ready=" not in s.output_so_far(process):
        time.sleep(0.1)
    saver = saver_pid()
    expect(saver is not None, "no preview process found")

    def wakeups_in(seconds):
        before = wakeups(saver)
        time.sleep(seconds)
        return wakeups(saver) - before

    expect(wakeups_in(2.0) >= 10, "the preview does not wake for frames before the display went off")
    for state, rests in ((0, True), (1, False)):
        power("Preview", state)
        time.sleep(0.3)
        woke = wakeups_in(2.0)
        expect((woke <= 3) == rests, f"the preview after display state {state}: {woke} wake-ups in 2 s")
    process.stdin.write("go\n")
    process.stdin.close()
    process.wait(timeout=60)


def case_change_password(s):
    """/a: MPR.DLL's PwdChangePasswordA("SCRSAVE", parent); without it exit 0;
    a planted MPR.DLL beside the saver is never loaded."""
    mpr = s.find_system_file("mpr.dll")
    expect(mpr is not None, "no mpr.dll in system32")
    original = mpr + ".wine"
    shutil.move(mpr, original)
    try:
        s.clear_log()
        shutil.copy(os.path.join(s.build_dir, "mpr.dll"), mpr)
        facts = s.host("change-password", "20000", SAVER, overrides="mpr=n")
        expect(facts.get("exit") == "0", f"/a exited with {facts.get('exit')}")
        calls = [l for l in s.log_lines() if l.startswith("PwdChangePasswordA")]
        expect(calls == [f"PwdChangePasswordA key=SCRSAVE parent={facts['parent']} flags=0 "
                         "reserved=null"], f"calls {calls}")
        # A handle that names no window: over the foreground window instead.
        s.clear_log()
        expect(s.run_saver("/a 1", overrides="mpr=n") == 0, "/a 1 did not exit with 0")
        expect(len([l for l in s.log_lines() if l.startswith("PwdChange")]) == 1, "no call for /a 1")
        # No MPR.DLL at all.
        os.remove(mpr)
        s.clear_log()
        expect(s.run_saver("/a", overrides="mpr=n") == 0, "/a without MPR.DLL")
        expect(s.log_lines() == [], "something answered without MPR.DLL")
    finally:
        if os.path.exists(mpr):
            os.remove(mpr)
        shutil.move(original, mpr)
    # Wine's own MPR.DLL, and a planted one beside the saver and in the
    # current directory that a search by name would find first.
    s.clear_log()
    expect(s.run_saver("/a") == 0, "/a with Wine's MPR.DLL")
    planted = os.path.join(s.glk, "mpr.dll")
    shutil.copy(os.path.join(s.build_dir, "mpr.dll"), planted)
    try:
        expect(s.run_saver("/a", overrides="mpr=n,b") == 0, "/a with a planted MPR.DLL")
        expect(s.log_lines() == [], f"the planted MPR.DLL was loaded: {s.log_lines()}")
    finally:
        os.remove(planted)


def case_password(s):
    """A password in force: the first close asks once, a request within 200 ms
    is dropped, a later one asks again and the acceptance ends with 0."""
    cpl = os.path.join(s.system32, "PASSWORD.CPL")
    shutil.copy(os.path.join(s.build_dir, "PASSWORD.CPL"), cpl)
    try:
        s.set_use_password(1)
        s.clear_log()
        saver = s.start_saver("/s")
        s.wait_saver_window()
        expect(s.log_lines() == ["cpl-load"], f"verifier not loaded: {s.log_lines()}")
        time.sleep(0.5)
        s.xdotool("key", "a")
        deadline = time.time() + 10
        while "refused" not in s.log_lines() and time.time() < deadline:
            time.sleep(0.1)
        time.sleep(1.0)  # the queued close request has long been handled
        log = s.log_lines()
        verifies = [l for l in log if l.startswith("verify")]
        expect(len(verifies) == 1, f"the first close asked {len(verifies)} times: {log}")
        expect("window-is-saver=1" in verifies[0], "the verifier was not given the saver window")
        expect("running=0" not in verifies[0], "the system was not told a saver runs")
        expect("nested-close=0" in log, f"a close during the check was not refused: {log}")
        expect(s.still_running(saver), "the refused check ended the saver")
        s.xdotool("key", "b")
        expect(s.finish(saver) == 0, "acceptance did not end the saver with 0")
        log = s.log_lines()
        expect(len([l for l in log if l.startswith("verify")]) == 2, f"log {log}")
        expect(log[-2:] == ["accepted", "cpl-unload"], f"log ends {log[-2:]}")

        # With the value 0 the verifier is never loaded.
        s.set_use_password(0)
        s.clear_log()
        saver = s.start_saver("/s")
        s.wait_saver_window()
        time.sleep(0.5)
        s.xdotool("key", "a")
        expect(s.finish(saver) == 0, "no password: key did not end with 0")
        expect(s.log_lines() == [], f"PASSWORD.CPL loaded with the value 0: {s.log_lines()}")
    finally:
        os.remove(cpl)
        s.set_use_password(0)
    # Only a planted PASSWORD.CPL beside the saver and in the current
    # directory: it is not the system's and is never loaded.
    planted = os.path.join(s.glk, "PASSWORD.CPL")
    shutil.copy(os.path.join(s.build_dir, "PASSWORD.CPL"), planted)
    try:
        s.set_use_password(1)
        s.clear_log()
        saver = s.start_saver("/s")
        s.wait_saver_window()
        time.sleep(0.5)
        s.xdotool("key", "a")
        expect(s.finish(saver) == 0, "planted verifier: key did not end with 0")
        expect(s.log_lines() == [], f"the planted PASSWORD.CPL was loaded: {s.log_lines()}")
    finally:
        os.remove(planted)
        s.set_use_password(0)


CASES = [
    ("bad-command-lines", case_bad_command_lines),
    ("full-screen", case_full_screen),
    ("keys-and-buttons", case_keys_and_buttons),
    ("system-commands", case_system_commands),
    ("settings-reach-the-saver", case_settings_reach_the_saver),
    ("per-user-settings-reach-the-saver", case_per_user_settings_reach_the_saver),
    ("dialog-ok", case_dialog_ok),
    ("dialog-carries-over", case_dialog_carries_over),
    ("settings-cannot-be-written", case_settings_cannot_be_written),
    ("dialog-cancel", case_dialog_cancel),
    ("preview", case_preview),
    ("display-power", case_display_power),
    ("change-password", case_change_password),
    ("password", case_password),
]


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    build_dir = sys.argv[1]
    wanted = sys.argv[2:]
    art_dir = None
    with open(os.path.join(build_dir, "CMakeCache.txt")) as cache:
        for line in cache:
            if line.startswith("GLIMMERKIN_WIN32_RESOURCE_DIR:"):
                art_dir = line.split("=", 1)[1].strip()
    if art_dir is None:
        print("FAIL: the build names no artwork directory")
        return 1
    unknown = [w for w in wanted if w not in dict(CASES)]
    if unknown:
        print(f"unknown cases: {unknown}; known: {[n for n, _ in CASES]}")
        return 2
    for tool in ("wine", "wineserver", "Xvfb", "xdotool", "import", "convert"):
        if shutil.which(tool) is None:
            print(f"SKIP: {tool} is not installed")
            return SKIP
    session = Session(build_dir, art_dir)
    failed = []
    # The session's processes end even when the test itself is stopped.
    signal.signal(signal.SIGTERM, lambda *_: (_ for _ in ()).throw(KeyboardInterrupt()))
    try:
        started = time.time()
        session.start_display()
        session.start_wine()
        print(f"prefix ready in {time.time() - started:.1f} s", flush=True)
        for name, case in CASES:
            if wanted and name not in wanted:
                continue
            started = time.time()
            try:
                case(session)
                print(f"PASS {name} ({time.time() - started:.1f} s)", flush=True)
            except Exception as error:  # a case's failure must not stop the others
                failed.append(name)
                detail = str(error) if isinstance(error, Failure) else traceback.format_exc()
                print(f"FAIL {name}: {detail}", flush=True)
                session.end_wine_processes()
    finally:
        session.close()
    print(f"{len(failed)} failed: {' '.join(failed)}" if failed else "all passed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
