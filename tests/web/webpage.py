"""Runs the web page in headless Chromium from a local server, for the tests
and the benchmark. Everything started here is ended here: the server lives
in this process, every browser runs in a process group of its own that is
killed when its run ends, and the caller's temporary folder holds profiles
and homes."""
import http.server
import json
import os
import queue
import re
import select
import shutil
import signal
import struct
import subprocess
import threading
import time
import zlib

MIME = {".html": "text/html; charset=utf-8", ".js": "text/javascript",
        ".wasm": "application/wasm"}


class Server:
    """Serves the page's folder on 127.0.0.1 at a free port, plus pages held
    in memory; records every path asked for and every POSTed report."""

    def __init__(self, root, pages=None):
        self.root = root
        self.pages = dict(pages or {})
        self.requests = []
        self.reports = queue.Queue()
        server = self

        class Handler(http.server.BaseHTTPRequestHandler):
            def log_message(self, *args):
                pass

            def do_GET(self):
                path = self.path.split("?", 1)[0]
                server.requests.append(path)
                if path in server.pages:
                    body, kind = server.pages[path], MIME[".html"]
                else:
                    name = os.path.basename(path) or "index.html"
                    full = os.path.join(server.root, name)
                    if "/" in path[1:] or not os.path.isfile(full):
                        self.send_error(404)
                        return
                    with open(full, "rb") as f:
                        body = f.read()
                    kind = MIME.get(os.path.splitext(name)[1], "application/octet-stream")
                self.send_response(200)
                self.send_header("Content-Type", kind)
                self.send_header("Content-Length", str(len(body)))
                self.send_header("Cache-Control", "no-store")
                self.end_headers()
                self.wfile.write(body)

            def do_POST(self):
                length = int(self.headers.get("Content-Length", "0"))
                body = self.rfile.read(min(length, 1 << 20))
                server.requests.append(self.path)
                server.reports.put(body.decode("utf-8", "replace"))
                self.send_response(204)
                self.end_headers()

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.port = self.httpd.server_address[1]
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def url(self, path):
        return f"http://127.0.0.1:{self.port}{path}"

    def close(self):
        self.httpd.shutdown()
        self.httpd.server_close()


def find_chromium():
    for name in ("chromium", "chromium-browser"):
        path = shutil.which(name)
        if path:
            return path
    raise SystemExit("FAIL: chromium is not installed (scripts/setup.sh installs it)")


class Browser:
    """Headless Chromium runs, each with its own profile, HOME and caches
    under `tmp`."""

    def __init__(self, tmp):
        self.tmp = tmp
        self.chromium = find_chromium()
        self.runs = 0

    def _command(self, url, width, height, scale, extra):
        self.runs += 1
        profile = os.path.join(self.tmp, f"profile-{self.runs}")
        command = [self.chromium, "--headless=new", "--no-sandbox", "--disable-gpu",
                   f"--user-data-dir={profile}", f"--window-size={width},{height}",
                   "--no-first-run", "--no-default-browser-check", "--disable-extensions",
                   "--disable-background-networking", "--disable-component-update",
                   "--disable-sync", "--mute-audio", "--hide-scrollbars"]
        if scale:
            command.append(f"--force-device-scale-factor={scale}")
        return command + extra + [url]

    def _env(self):
        home = os.path.join(self.tmp, "home")
        os.makedirs(home, exist_ok=True)
        env = dict(os.environ)
        env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   XDG_CACHE_HOME=os.path.join(home, ".cache"), TMPDIR=self.tmp)
        env.pop("DISPLAY", None)
        env.pop("WAYLAND_DISPLAY", None)
        return env

    def _start(self, command):
        return subprocess.Popen(command, stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                stdin=subprocess.DEVNULL, env=self._env(),
                                start_new_session=True)

    @staticmethod
    def _end(process):
        try:
            os.killpg(process.pid, signal.SIGKILL)
        except (ProcessLookupError, PermissionError):
            pass
        try:
            process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            pass

    def dump_dom(self, url, width=640, height=480, scale=None, budget_ms=30000, timeout=60):
        """The page's DOM once the virtual-time budget has passed."""
        process = self._start(self._command(url, width, height, scale,
                                            [f"--virtual-time-budget={budget_ms}",
                                             "--dump-dom"]))
        try:
            out, _ = process.communicate(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise SystemExit(f"FAIL: chromium did not finish within {timeout} s: {url}")
        finally:
            self._end(process)
        return out.decode("utf-8", "replace")

    def screenshot(self, url, path, width=640, height=480, budget_ms=30000, timeout=60):
        process = self._start(self._command(url, width, height, None,
                                            [f"--virtual-time-budget={budget_ms}",
                                             f"--screenshot={path}"]))
        try:
            process.communicate(timeout=timeout)
        finally:
            self._end(process)

    def report(self, server, url, width=800, height=600, timeout=60):
        """Opens a page in real time and waits for the first report it POSTs."""
        process = self._start(self._command(url, width, height, None, []))
        try:
            return server.reports.get(timeout=timeout)
        except queue.Empty:
            raise SystemExit(f"FAIL: no report from {url} within {timeout} s")
        finally:
            self._end(process)


class DevTools:
    """One page in headless Chromium driven through the DevTools protocol on
    a pipe (no network port): evaluate script in it, and minimise or restore
    its window, which hides or shows the page as a real browser does."""

    def __init__(self, browser, url, width=640, height=480, timeout=30):
        self.timeout = timeout
        command = browser._command("about:blank", width, height, None, ["--remote-debugging-pipe"])
        to_read, self._to = os.pipe()
        self._from, from_write = os.pipe()

        def on_fds_3_and_4():  # Chromium reads commands on 3, answers on 4
            os.dup2(to_read, 3)
            os.dup2(from_write, 4)

        self.process = subprocess.Popen(command, stdin=subprocess.DEVNULL,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                                        env=browser._env(), start_new_session=True,
                                        pass_fds=(3, 4), preexec_fn=on_fds_3_and_4)
        os.close(to_read)
        os.close(from_write)
        self._buffer = b""
        self._id = 0
        self.session = None
        try:
            targets = self.call("Target.getTargets")["targetInfos"]
            self.target = next(t["targetId"] for t in targets if t["type"] == "page")
            self.session = self.call("Target.attachToTarget",
                                     {"targetId": self.target, "flatten": True})["sessionId"]
            self.call("Page.navigate", {"url": url}, page=True)
            self.window = self.call("Browser.getWindowForTarget",
                                    {"targetId": self.target})["windowId"]
        except BaseException:
            self.close()
            raise

    def call(self, method, params=None, page=False):
        self._id += 1
        message = {"id": self._id, "method": method, "params": params or {}}
        if page:
            message["sessionId"] = self.session
        os.write(self._to, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + self.timeout
        while True:
            while b"\0" not in self._buffer:
                left = deadline - time.monotonic()
                if left <= 0 or not select.select([self._from], [], [], left)[0]:
                    raise SystemExit(f"FAIL: chromium did not answer {method}")
                chunk = os.read(self._from, 1 << 16)
                if not chunk:
                    raise SystemExit(f"FAIL: chromium ended before answering {method}")
                self._buffer += chunk
            raw, self._buffer = self._buffer.split(b"\0", 1)
            answer = json.loads(raw)
            if answer.get("id") == self._id:
                if "error" in answer:
                    raise SystemExit(f"FAIL: {method}: {answer['error']}")
                return answer.get("result", {})

    def evaluate(self, expression):
        result = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True},
                           page=True)
        return result.get("result", {}).get("value")

    def window_state(self, state):
        self.call("Browser.setWindowBounds", {"windowId": self.window,
                                              "bounds": {"windowState": state}})

    def close(self):
        Browser._end(self.process)
        for fd in (self._to, self._from):
            try:
                os.close(fd)
            except OSError:
                pass


def page_status(dom):
    """The page's status line as a dict, from a DOM dump."""
    m = re.search(r'<output id="status">([^<]*)</output>', dom)
    if not m:
        raise SystemExit("FAIL: the page wrote no status; DOM was:\n" + dom[:2000])
    words = m.group(1).split()
    return dict(zip(words[0::2], words[1::2]))


def fnv1a(data):
    h = 0x811C9DC5
    for b in data:
        h = ((h ^ b) * 0x01000193) & 0xFFFFFFFF
    return f"{h:08x}"


def read_png_rgba(path):
    """Width, height and RGBA bytes of an 8-bit RGB or RGBA PNG."""
    with open(path, "rb") as f:
        data = f.read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError(f"{path}: not a PNG")
    pos, idat, header = 8, [], None
    while pos + 8 <= len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunk = data[pos + 8:pos + 8 + length]
        pos += 12 + length
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", chunk)
        elif kind == b"IDAT":
            idat.append(chunk)
        elif kind == b"IEND":
            break
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace != 0:
        raise ValueError(f"{path}: unsupported PNG format")
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(b"".join(idat))
    stride = width * channels
    previous = bytearray(stride)
    rows = bytearray()
    for y in range(height):
        start = y * (stride + 1)
        kind = raw[start]
        row = bytearray(raw[start + 1:start + 1 + stride])
        if kind == 1:
            for i in range(channels, stride):
                row[i] = (row[i] + row[i - channels]) & 0xFF
        elif kind == 2:
            row = bytearray((a + b) & 0xFF for a, b in zip(row, previous))
        elif kind == 3:
            for i in range(stride):
                left = row[i - channels] if i >= channels else 0
                row[i] = (row[i] + ((left + previous[i]) >> 1)) & 0xFF
        elif kind == 4:
            for i in range(stride):
                a = row[i - channels] if i >= channels else 0
                b = previous[i]
                c = previous[i - channels] if i >= channels else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                pred = a if pa <= pb and pa <= pc else (b if pb <= pc else c)
                row[i] = (row[i] + pred) & 0xFF
        rows += row
        previous = row
    if channels == 4:
        return width, height, bytes(rows)
    rgba = bytearray(width * height * 4)
    rgba[0::4], rgba[1::4], rgba[2::4] = rows[0::3], rows[1::3], rows[2::3]
    rgba[3::4] = b"\xff" * (width * height)
    return width, height, bytes(rgba)


def sim_frame_hash(sim, tmp, seed, width, height, ticks, aliens, pixel_size=None):
    """The FNV-1a hash of the simulator's frame as canvas RGBA bytes."""
    out = os.path.join(tmp, f"sim-{seed}-{width}x{height}-{ticks}-{aliens}-{pixel_size}.png")
    command = [sim, "render", "--seed", str(seed), "--size", f"{width}x{height}",
               "--ticks", str(ticks), "--aliens", str(aliens), "--out", out]
    if pixel_size:
        command += ["--pixel-size", str(pixel_size)]
    subprocess.run(command, check=True, timeout=120)
    w, h, rgba = read_png_rgba(out)
    if (w, h) != (width, height):
        raise SystemExit(f"FAIL: simulator wrote {w}x{h}, asked for {width}x{height}")
    return fnv1a(rgba)


def ending_on_signals():
    """SIGTERM and SIGINT end the run through the normal clean-up path."""
    def stop(signum, _frame):
        raise SystemExit(f"stopped by signal {signum}")
    signal.signal(signal.SIGTERM, stop)
    signal.signal(signal.SIGINT, stop)


def post_json_script():
    return "function post(o){fetch('/report',{method:'POST',body:JSON.stringify(o)});}"


__all__ = ["Server", "Browser", "DevTools", "page_status", "sim_frame_hash", "read_png_rgba", "fnv1a",
           "ending_on_signals", "post_json_script", "json"]
