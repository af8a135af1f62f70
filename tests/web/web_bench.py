#!/usr/bin/env python3
"""Frame cost of the web page in headless Chromium against the native build,
measured in one session: scripts/web-bench.sh runs this.

usage: web_bench.py PAGE_DIR NATIVE_BENCH
"""
import json
import os
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import webpage  # noqa: E402

HARNESS = """<!DOCTYPE html><html><head><title>bench</title></head><body>
<iframe id="page" src="/index.html?bench=1" width="640" height="360"></iframe>
<script>
%s
(function poll() {
  const d = document.getElementById("page").contentDocument;
  const o = d && d.getElementById("status");
  if (o && o.textContent.indexOf("state bench") === 0) post({ status: o.textContent });
  else setTimeout(poll, 50);
})();
</script></body></html>
""" % webpage.post_json_script()


def native(bench):
    out = subprocess.run(
        [bench, "--benchmark_filter=^BM_(Frame/1920/1080/1|TwoFrameMemcpys/1920/1080)$",
         "--benchmark_repetitions=3", "--benchmark_report_aggregates_only=true",
         "--benchmark_format=json"], check=True, capture_output=True, text=True, timeout=600).stdout
    result = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            # BM_Frame/.../1 is RunFrame on the damage path, as the page runs it.
            name = "runframe" if b["run_name"].startswith("BM_Frame/") else "memcpy2"
            result[name] = b["real_time"]  # microseconds
    return result


def browser_run(page):
    with tempfile.TemporaryDirectory(prefix="glimmerkin-web-bench-") as tmp:
        server = webpage.Server(page, {"/bench.html": HARNESS.encode()})
        try:
            raw = webpage.Browser(tmp).report(server, server.url("/bench.html"), 800, 600,
                                              timeout=300)
        finally:
            server.close()
    words = json.loads(raw)["status"].split()
    status = dict(zip(words[0::2], words[1::2]))
    return {k: float(status[k]) for k in ("memcpy2", "runframe", "pageframe", "putimage")}


def main(argv):
    if len(argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    webpage.ending_on_signals()
    first = native(argv[2])
    web = browser_run(argv[1])
    second = native(argv[2])
    nat = {k: min(first[k], second[k]) for k in first}
    print("1920x1080, 9 aliens, microseconds per frame (medians)")
    print(f"  native RunFrame            {nat['runframe']:9.1f}   (two memcpys {nat['memcpy2']:.1f})")
    print(f"  browser RunFrame           {web['runframe']:9.1f}   (two memcpys {web['memcpy2']:.1f})")
    print(f"  browser page frame         {web['pageframe']:9.1f}   (RunFrame + canvas pixels)")
    print(f"  browser putImageData       {web['putimage']:9.1f}")
    print(f"  RunFrame, browser / native {web['runframe'] / nat['runframe']:9.2f}")
    print(f"  page frame / native RunFrame {web['pageframe'] / nat['runframe']:7.2f}")
    print(f"  memcpys, browser / native  {web['memcpy2'] / nat['memcpy2']:9.2f}")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
