#!/usr/bin/env python3
"""The web page in headless Chromium, against the simulator.

usage: web_page_test.py frames|params|live|hidden PAGE_DIR SIM

frames  after ticks=N the canvas equals the simulator's frame, pixel for
        pixel (hash of the canvas read back from it): at a fixed size, at
        two window sizes, at device pixel ratio 2; only the page's own three
        files are requested.
params  bad or absurd parameters give the defaults.
live    real time: frames come no faster than the redraw speed allows, the
        scene goes on after input, and resizing the window reshapes the stage;
        a frame puts only a small part of the canvas, and the canvas built
        from those parts equals the simulator's frame.
hidden  a page hidden (its window minimised) runs no frame; shown again it
        goes on, and its canvas is the simulator's frame for the frames run.
"""
import os
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import webpage  # noqa: E402

OWN_FILES = {"/index.html", "/glimmerkin.js", "/glimmerkin.wasm"}
failures = []


def check(condition, message):
    print(("ok   " if condition else "FAIL ") + message)
    if not condition:
        failures.append(message)


def ticks_page(browser, server, query, width=640, height=480, scale=None):
    dom = browser.dump_dom(server.url("/index.html?" + query), width, height, scale)
    status = webpage.page_status(dom)
    check(status.get("state") == "done", f"{query}: the page finished its ticks ({status})")
    return status, dom


def stage_size(status):
    w, h = status["stage"].split("x")
    return int(w), int(h)


def frames(browser, server, sim, tmp):
    # A fixed size, one to one.
    status, dom = ticks_page(browser, server, "seed=1&size=320x240&aliens=9&ticks=400")
    check(status["stage"] == "320x240" and status["canvas"] == "320x240",
          f"size=320x240 gives that stage and canvas ({status['stage']}, {status['canvas']})")
    want = webpage.sim_frame_hash(sim, tmp, 1, 320, 240, 400, 9)
    check(status.get("hash") == want, f"fixed size: canvas {status.get('hash')} = simulator {want}")
    check("<title>Glimmerkin</title>" in dom, "the page has its title")
    check('id="home" href="http' in dom, "the page links back to the project")

    # The window's size: two sizes give two stages, each the window's view.
    offsets = set()
    for (w, h, seed, aliens, ticks) in ((640, 420, 42, 25, 600), (560, 360, 7, 2, 150)):
        status, _ = ticks_page(browser, server, f"seed={seed}&aliens={aliens}&ticks={ticks}", w, h)
        sw, sh = stage_size(status)
        check(sw == w and 0 < sh <= h and status["canvas"] == f"{sw}x{sh}",
              f"window {w}x{h}: stage {sw}x{sh} is the window's view, canvas {status['canvas']}")
        check(status["css"] == f"{sw}x{sh}", f"window {w}x{h}: canvas shown at {status['css']} CSS px")
        offsets.add(h - sh)
        want = webpage.sim_frame_hash(sim, tmp, seed, sw, sh, ticks, aliens)
        check(status.get("hash") == want,
              f"window {w}x{h}, {aliens} aliens: canvas {status.get('hash')} = simulator {want}")
    check(len(offsets) == 1, f"the stage follows the window's height ({offsets})")

    # Device pixel ratio 2: pixel size 2, the stage in CSS pixels.
    status, _ = ticks_page(browser, server, "seed=5&ticks=300", 520, 300, scale=2)
    sw, sh = stage_size(status)
    cw, ch = (int(v) for v in status["canvas"].split("x"))
    check(status["pixel"] == "2" and cw == 2 * sw and ch == 2 * sh and sw == 520,
          f"ratio 2: pixel size {status['pixel']}, stage {sw}x{sh}, canvas {cw}x{ch}")
    want = webpage.sim_frame_hash(sim, tmp, 5, cw, ch, 300, 9, pixel_size=2)
    check(status.get("hash") == want, f"ratio 2: canvas {status.get('hash')} = simulator {want}")

    asked = set(server.requests)
    check(asked <= OWN_FILES | {"/"}, f"only the page's own files were requested: {sorted(asked)}")
    check(OWN_FILES <= asked, "all three files were loaded")


def params(browser, server, sim, tmp):
    # In ticks mode a bad value is replaced by its default: the frame is the
    # default's frame.
    status, _ = ticks_page(browser, server,
                           "seed=3&aliens=99999&speed=0&size=0x10&ticks=250&aliens=4", 600, 380)
    check(status["aliens"] == "9" and status["speed"] == "5" and status["interval"] == "90",
          f"bad aliens and speed become 9 and 5 ({status['aliens']}, {status['speed']})")
    sw, sh = stage_size(status)
    check(sw == 600, f"a bad size leaves the window's ({sw}x{sh})")
    want = webpage.sim_frame_hash(sim, tmp, 3, sw, sh, 250, 9)
    check(status.get("hash") == want, f"bad values: canvas {status.get('hash')} = default frame {want}")

    cases = [
        ("seed=-1&ticks=abc&size=99999x99999&speed=11", "ticks=abc"),
        ("seed=4294967296&ticks=99999999&size=8192x8192&aliens=-2", "absurd ticks and size"),
        ("seed=1e9&ticks=-5&size=x&aliens=1029&bench=yes", "malformed values"),
        ("seed=" + "9" * 5000 + "&size=" + "1" * 3000 + "x2", "very long values"),
    ]
    for query, name in cases:
        before = time.time()
        dom = browser.dump_dom(server.url("/index.html?" + query), 560, 300, budget_ms=3000)
        after = time.time()
        status = webpage.page_status(dom)
        sw, sh = stage_size(status)
        seed = int(status["seed"])
        check(status["state"] in ("started", "running") and status["ticks"] == "-1",
              f"{name}: the page animates ({status['state']}, ticks {status['ticks']})")
        check(status["aliens"] == "9" and status["speed"] == "5",
              f"{name}: default aliens and speed ({status['aliens']}, {status['speed']})")
        check(sw == 560 and 0 < sh <= 300, f"{name}: the window's size ({sw}x{sh})")
        check(int(before) - 5 <= seed <= int(after) + 5, f"{name}: the clock's seed ({seed})")

    # The largest size and the most ticks allowed finish, the frame intact.
    status, _ = ticks_page(browser, server, "seed=2&size=8192x4096&ticks=2")
    check(status["stage"] == "8192x4096" and status["canvas"] == "8192x4096",
          f"the largest stage is made ({status['stage']}, canvas {status['canvas']})")
    status, _ = ticks_page(browser, server, "seed=2&size=96x80&ticks=20000")
    want = webpage.sim_frame_hash(sim, tmp, 2, 96, 80, 20000, 9)
    check(status.get("hash") == want, f"20000 ticks: canvas {status.get('hash')} = simulator {want}")

    # Empty-ish sizes and no aliens still run.
    status, _ = ticks_page(browser, server, "seed=8&size=1x1&ticks=50&aliens=0")
    check(status["stage"] == "1x1" and status["aliens"] == "0", f"a 1x1 stage runs ({status})")
    want = webpage.sim_frame_hash(sim, tmp, 8, 1, 1, 50, 0)
    check(status.get("hash") == want, f"1x1: canvas {status.get('hash')} = simulator {want}")
    status, _ = ticks_page(browser, server, "seed=8&size=60x50&ticks=0")
    want = webpage.sim_frame_hash(sim, tmp, 8, 60, 50, 0, 9)
    check(status.get("hash") == want, f"ticks=0 shows the empty buffer ({status.get('hash')} = {want})")


# A page that holds the saver in two frames and reports what they show.
LIVE_HARNESS = """<!DOCTYPE html><html><head><title>harness</title></head><body style="margin:0">
<iframe id="fast" src="/index.html?seed=9&speed=10" width="300" height="200" style="border:0"></iframe>
<iframe id="slow" src="/index.html?seed=9&speed=1" width="200" height="150" style="border:0"></iframe>
<script>
%s
function status(id) {
  const d = document.getElementById(id).contentDocument;
  const o = d && d.getElementById("status");
  const w = o ? o.textContent.split(" ") : [];
  const s = {};
  for (let i = 0; i + 1 < w.length; i += 2) s[w[i]] = w[i + 1];
  return s;
}
function frames(id) { return Number(status(id).frames || 0); }
function wait(test, then, limit) {
  const start = performance.now();
  (function poll() {
    if (test()) then(true);
    else if (performance.now() - start > limit) then(false);
    else setTimeout(poll, 20);
  })();
}
const result = {};
wait(function () { return frames("fast") >= 3 && frames("slow") >= 2; }, function (ok) {
  result.started = ok;
  const f0 = frames("fast"), s0 = frames("slow"), t0 = performance.now();
  setTimeout(function () {
    result.seconds = (performance.now() - t0) / 1000;
    result.fastFrames = frames("fast") - f0;
    result.slowFrames = frames("slow") - s0;
    result.fastInterval = status("fast").interval;
    result.slowInterval = status("slow").interval;
    const inner = document.getElementById("fast").contentWindow;
    inner.dispatchEvent(new MouseEvent("click", { bubbles: true }));
    inner.dispatchEvent(new KeyboardEvent("keydown", { key: "a", bubbles: true }));
    inner.document.body.dispatchEvent(new MouseEvent("click", { bubbles: true }));
    const afterInput = frames("fast");
    const frame = document.getElementById("fast");
    frame.width = 420;
    frame.height = 260;
    wait(function () {
      const s = status("fast");
      return s.stage === "420x260" && frames("fast") > afterInput + 3;
    }, function (ok) {
      result.resized = ok;
      result.afterResize = status("fast");
      result.afterInput = frames("fast") - afterInput;
      post(result);
    }, 10000);
  }, 2000);
}, 20000);
</script></body></html>
""" % webpage.post_json_script()


# A page that watches the saver's frames for two seconds, counting the
# pixels each one hands to putImageData, then hashes the canvas together
# with the number of frames run.
PUT_SIZE = (640, 480)
PUT_HARNESS = """<!DOCTYPE html><html><head><title>harness</title></head><body style="margin:0">
<iframe id="page" src="/index.html?seed=9&speed=10&size=%dx%d" width="%d" height="%d"
  style="border:0"></iframe>
<script>
%s
const frame = document.getElementById("page");
function status() {
  const d = frame.contentDocument;
  const o = d && d.getElementById("status");
  const w = o ? o.textContent.split(" ") : [];
  const s = {};
  for (let i = 0; i + 1 < w.length; i += 2) s[w[i]] = w[i + 1];
  return s;
}
// [frames run since the last look, pixels put meanwhile, the page's own
// count of the last frame's]
const result = { looks: [] };
let seen = 0, start = 0, put = 0;
function watch() {
  const s = status();
  const n = Number(s.frames || 0);
  if (!start && n >= 5) {
    start = performance.now();
    seen = n;
    const context = frame.contentWindow.CanvasRenderingContext2D.prototype;
    const original = context.putImageData;
    context.putImageData = function (image, dx, dy, x, y, w, h) {
      put += arguments.length >= 7 ? w * h : image.width * image.height;
      return original.apply(this, arguments);
    };
  } else if (start && n !== seen) {
    result.looks.push([n - seen, put, Number(s.put)]);
    seen = n;
    put = 0;
  }
  if (!start || performance.now() - start < 2000) {
    if (performance.now() < 20000) requestAnimationFrame(watch);
    else post(result);
    return;
  }
  // The status and the canvas as one frame left them.
  const canvas = frame.contentDocument.getElementById("stage");
  const bytes = canvas.getContext("2d").getImageData(0, 0, canvas.width, canvas.height).data;
  let h = 0x811c9dc5;
  for (let i = 0; i < bytes.length; ++i) h = Math.imul(h ^ bytes[i], 0x01000193);
  result.hash = (h >>> 0).toString(16).padStart(8, "0");
  result.frames = n;
  result.canvas = s.canvas;
  post(result);
}
requestAnimationFrame(watch);
</script></body></html>
""" % (PUT_SIZE + PUT_SIZE + (webpage.post_json_script(),))


def live(browser, server, sim, tmp):
    raw = browser.report(server, server.url("/put.html"), 800, 600, timeout=60)
    result = webpage.json.loads(raw)
    looks = result["looks"]
    area = PUT_SIZE[0] * PUT_SIZE[1]
    frames_seen = sum(k for k, _, _ in looks)
    largest = max((p / k for k, p, _ in looks), default=0)
    print(f"     {frames_seen} frames: at most {largest:.0f}, "
          f"{sum(p for _, p, _ in looks) / max(frames_seen, 1):.0f} on average of {area} pixels")
    check(result.get("canvas") == "%dx%d" % PUT_SIZE and frames_seen >= 10,
          f"the page ran frames at {result.get('canvas')} ({frames_seen} seen)")
    # Nine aliens change a few percent of a 640x480 canvas a frame; a page
    # that put the whole canvas, or a fair part of it, would be far above.
    check(0 < largest <= area / 8,
          f"a frame puts at most an eighth of the canvas ({largest:.0f} of {area} pixels)")
    check(all(p == own for k, p, own in looks if k == 1),
          "the page's report says what its frame put")
    frames = result.get("frames", 0)
    want = webpage.sim_frame_hash(sim, tmp, 9, PUT_SIZE[0], PUT_SIZE[1], frames, 9)
    check(result.get("hash") == want,
          f"after {frames} frames put in parts the canvas {result.get('hash')} = simulator {want}")

    raw = browser.report(server, server.url("/harness.html"), 800, 600, timeout=60)
    result = webpage.json.loads(raw)
    print("     report:", result)
    check(result.get("started") is True, "both pages run frames")
    seconds = result["seconds"]
    # Speed 10 asks for 15 ms, faster than the display's frames: no more
    # frames than the browser paints (60 a second here) and than 15 ms allows.
    fast, slow = result["fastFrames"], result["slowFrames"]
    check(result["fastInterval"] == "15" and result["slowInterval"] == "150",
          "speeds 10 and 1 give 15 and 150 ms")
    check(0 < fast <= seconds * 1000 / 15 + 2, f"speed 10: {fast} frames in {seconds:.2f} s")
    check(seconds * 1000 / 150 * 0.25 <= slow <= seconds * 1000 / 150 + 2,
          f"speed 1: {slow} frames in {seconds:.2f} s, no faster than 150 ms")
    check(result.get("afterInput", 0) > 3, "the scene goes on after a click and a key")
    check(result.get("resized") is True, "resizing the window reshapes the stage to 420x260")
    after = result.get("afterResize", {})
    check(after.get("canvas") == "420x260" and after.get("css") == "420x260",
          f"the canvas follows the window ({after.get('canvas')}, {after.get('css')})")


# The page's frame count and its canvas's hash, read in one piece of script
# so that no frame runs between them.
SNAPSHOT = """(function () {
  const status = document.getElementById("status");
  const c = document.getElementById("stage");
  if (!status || !c) return null;
  const words = status.textContent.split(" ");
  const s = {};
  for (let i = 0; i + 1 < words.length; i += 2) s[words[i]] = words[i + 1];
  const bytes = c.getContext("2d").getImageData(0, 0, c.width, c.height).data;
  let h = 0x811c9dc5;
  for (let i = 0; i < bytes.length; ++i) h = Math.imul(h ^ bytes[i], 0x01000193);
  return { visibility: document.visibilityState, frames: Number(s.frames || 0),
           stage: s.stage || "", hash: (h >>> 0).toString(16).padStart(8, "0") };
})()"""


def hidden(browser, server, sim, tmp):
    page = webpage.DevTools(browser, server.url("/index.html?seed=5"))
    try:
        def snapshot():
            # Nothing until the page has loaded and written its status.
            return page.evaluate(SNAPSHOT) or {"frames": 0, "visibility": "", "stage": "",
                                               "hash": ""}

        deadline = time.monotonic() + 30
        while snapshot()["frames"] < 5 and time.monotonic() < deadline:
            time.sleep(0.1)
        page.window_state("minimized")
        time.sleep(0.5)
        resting = snapshot()
        time.sleep(2)
        after = snapshot()
        print(f"     hidden: {resting['frames']} frames, then {after['frames']} after 2 s")
        check(resting["visibility"] == "hidden", f"the minimised page is {resting['visibility']}")
        check(after["frames"] == resting["frames"],
              f"{after['frames'] - resting['frames']} frames ran in 2 s while hidden")
        page.window_state("normal")
        time.sleep(1)
        shown = snapshot()
        check(shown["visibility"] == "visible" and shown["frames"] > after["frames"],
              f"shown again: {shown['frames'] - after['frames']} frames in a second")
        width, height = (int(v) for v in shown["stage"].split("x"))
        want = webpage.sim_frame_hash(sim, tmp, 5, width, height, shown["frames"], 9)
        check(shown["hash"] == want,
              f"after {shown['frames']} frames the canvas {shown['hash']} = simulator {want}")
    finally:
        page.close()


def main(argv):
    if len(argv) != 4 or argv[1] not in ("frames", "params", "live", "hidden"):
        print(__doc__.strip(), file=sys.stderr)
        return 2
    which, page, sim = argv[1], argv[2], argv[3]
    for name in ("index.html", "glimmerkin.js", "glimmerkin.wasm"):
        if not os.path.isfile(os.path.join(page, name)):
            print(f"FAIL: {page}/{name} is missing: the web page was not built", file=sys.stderr)
            return 1
    webpage.ending_on_signals()
    with tempfile.TemporaryDirectory(prefix="glimmerkin-web-") as tmp:
        server = webpage.Server(page, {"/harness.html": LIVE_HARNESS.encode(),
                                       "/put.html": PUT_HARNESS.encode()})
        try:
            browser = webpage.Browser(tmp)
            {"frames": frames, "params": params, "live": live, "hidden": hidden}[which](browser, server, sim, tmp)
        finally:
            server.close()
    if failures:
        print(f"{len(failures)} check(s) failed", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
