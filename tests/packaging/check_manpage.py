#!/usr/bin/env python3
"""Checks the manual page against the program it documents.

usage: check_manpage.py GLIMMERKIN MANPAGE VERSION

- every option word and switch that `glimmerkin --help` lists appears in the
  rendered page as a word of its own;
- every option or switch the page describes in MODES and OPTIONS is one the
  program lists (a stale entry fails);
- groff renders the page without a warning;
- the page's header carries the program's version.
"""
import os
import re
import subprocess
import sys


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def help_words(program):
    out = subprocess.run([program, "--help"], capture_output=True, text=True, timeout=20)
    if out.returncode != 0:
        fail(f"--help exited {out.returncode}")
    words = set()
    for line in out.stdout.splitlines():
        # Each entry starts the line's text: "-word ARG   text" or "/s, /p ID  text".
        body = line.strip()
        for match in re.finditer(r"(?:^|, )([-/][A-Za-z][A-Za-z0-9-]*)", body.split("  ")[0]):
            words.add(match.group(1).lstrip("-/"))
    return words


def render(manpage):
    env = dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8", MAN_KEEP_FORMATTING="")
    out = subprocess.run(["man", "--warnings", "-E", "UTF-8", "-l", "-Tutf8", manpage],
                         capture_output=True, text=True, env=env, timeout=60)
    if out.returncode != 0:
        fail(f"man exited {out.returncode}: {out.stderr}")
    if out.stderr.strip():
        fail("man/groff warnings:\n" + out.stderr)
    # Plain text: drop overstrike bold and underline.
    return re.sub(r".\x08", "", out.stdout)


def main():
    program, manpage, version = sys.argv[1:4]
    words = help_words(program)
    # A help text this short would mean the parse above broke.
    for expected in ("s", "p", "window-id", "version"):
        if expected not in words:
            fail(f"could not read '{expected}' from --help; read {sorted(words)}")

    text = render(manpage)
    tokens = set(re.findall(r"(?<![\w-])[-/]{1,2}[A-Za-z][A-Za-z0-9-]*", text))
    bare = {t.lstrip("-/") for t in tokens}
    missing = sorted(w for w in words if w not in bare)
    if missing:
        fail("options in --help but not in the manual page: " + ", ".join(missing))

    # The tags of the option lists in the source: the line after each .TP in
    # MODES and OPTIONS.
    described = set()
    section = None
    with open(manpage, encoding="utf-8") as f:
        lines = f.read().splitlines()
    for i, line in enumerate(lines):
        if line.startswith(".SH"):
            section = line[3:].strip().strip('"')
        elif line == ".TP" and section in ("MODES", "OPTIONS") and i + 1 < len(lines):
            tag = lines[i + 1].replace("\\-", "-")
            for word in re.findall(r"(?<![\w\\])[-/]{1,2}[A-Za-z][A-Za-z0-9-]*", tag):
                described.add(word.lstrip("-/"))
    if len(described) < 10:
        fail(f"found only {sorted(described)} as described options")
    stale = sorted(w for w in described if w not in words)
    if stale:
        fail("options in the manual page that --help does not list: " + ", ".join(stale))

    with open(manpage, encoding="utf-8") as f:
        header = f.readline()
    if f'"glimmerkin {version}"' not in header:
        fail(f"the .TH line does not name glimmerkin {version}: {header.strip()}")

    print(f"PASS: {len(words)} option words from --help all documented; "
          f"{len(described)} described options all accepted")


if __name__ == "__main__":
    main()
