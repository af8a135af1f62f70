#!/usr/bin/env python3
"""Checks the release files that scripts/package.sh makes.

usage: check_package.py deb     DIST VERSION SOURCE_DIR [ARCH]
       check_package.py lintian DIST VERSION [ARCH]
       check_package.py zip     DIST VERSION SOURCE_DIR [WINDOWS_DIST]
       check_package.py sums    DIST VERSION [ARCH...]

ARCH is a Debian architecture (default: this machine's). A package for
another one is checked alike; its program runs under qemu-user.

Scratch files go to a temporary folder that is removed on the way out.
Exit 0 when everything holds, 1 with the failures listed otherwise.
"""
import gzip
import hashlib
import os
import re
import struct
import subprocess
import sys
import tempfile

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
    return condition


def run(args, **kwargs):
    kwargs.setdefault("capture_output", True)
    kwargs.setdefault("text", True)
    kwargs.setdefault("timeout", 120)
    return subprocess.run(args, **kwargs)


def read(path, mode="rb"):
    with open(path, mode) as f:
        return f.read()


def host_arch():
    return run(["dpkg", "--print-architecture"], check=True).stdout.strip()


# The architecture of the package being checked, and how to run its program.
package_arch = None
EMULATORS = {"arm64": ["qemu-aarch64", "-L", "/"], "armhf": ["qemu-arm", "-L", "/"]}
# What file(1) says of a program for each architecture.
MACHINES = {"amd64": "x86-64", "arm64": "ARM aarch64", "armhf": "ARM, EABI5", "i386": "Intel 80386"}


def emulator():
    return [] if package_arch == host_arch() else EMULATORS.get(package_arch, [])


def deb_path(dist, version, arch=None):
    return os.path.join(dist, f"glimmerkin_{version}_{arch or package_arch}.deb")


def zip_path(dist, version):
    return os.path.join(dist, f"glimmerkin-{version}-windows.zip")


# ---- the Debian package ----

EXPECTED_FILES = {
    # path: (mode string, link target or None)
    "./usr/bin/glimmerkin": ("lrwxrwxrwx", "../libexec/xscreensaver/glimmerkin"),
    "./usr/libexec/xscreensaver/glimmerkin": ("-rwxr-xr-x", None),
    "./usr/share/xscreensaver/config/glimmerkin.xml": ("-rw-r--r--", None),
    "./usr/share/applications/screensavers/glimmerkin.desktop": ("-rw-r--r--", None),
    "./usr/share/man/man6/glimmerkin.6.gz": ("-rw-r--r--", None),
    "./usr/share/doc/glimmerkin/copyright": ("-rw-r--r--", None),
    "./usr/share/doc/glimmerkin/changelog.gz": ("-rw-r--r--", None),
    "./usr/share/doc/glimmerkin/examples/glimmerkin-swayidle.service": ("-rw-r--r--", None),
    "./usr/lib/systemd/user/glimmerkin-watch.service": ("-rw-r--r--", None),
    "./usr/share/glimmerkin/glimmerkin-watch.desktop": ("-rw-r--r--", None),
}
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)
for size in ICON_SIZES:
    EXPECTED_FILES[f"./usr/share/icons/hicolor/{size}x{size}/apps/org.glimmerkin.Glimmerkin.png"] = \
        ("-rw-r--r--", None)
EXPECTED_FILES["./usr/share/icons/hicolor/scalable/apps/org.glimmerkin.Glimmerkin.svg"] = \
    ("-rw-r--r--", None)
# The settings window, its menu entry, listing and manual: all of them where
# GTK 4 was there to build it for the architecture, none otherwise (an entry
# must not name a program that is missing). The build machine's own package
# always has them.
WINDOW_FILES = {
    "./usr/bin/glimmerkin-settings": ("-rwxr-xr-x", None),
    "./usr/share/applications/org.glimmerkin.Glimmerkin.desktop": ("-rw-r--r--", None),
    "./usr/share/metainfo/org.glimmerkin.Glimmerkin.metainfo.xml": ("-rw-r--r--", None),
    "./usr/share/man/man1/glimmerkin-settings.1.gz": ("-rw-r--r--", None),
}


def check_contents(deb):
    listing = run(["dpkg-deb", "-c", deb], check=True).stdout.splitlines()
    files = {}
    for line in listing:
        parts = line.split(None, 5)
        mode, owner, rest = parts[0], parts[1], parts[5]
        check(owner == "root/root", f"{rest}: owner {owner}, not root/root")
        path, _, target = rest.partition(" -> ")
        if mode.startswith("d"):
            check(mode == "drwxr-xr-x", f"{path}: directory mode {mode}")
            continue
        files[path] = (mode, target or None)
    expected = dict(EXPECTED_FILES)
    window = [path for path in WINDOW_FILES if path in files]
    check(not window or len(window) == len(WINDOW_FILES),
          "the settings window comes only in part: " + ", ".join(window))
    if window or package_arch == host_arch():
        expected.update(WINDOW_FILES)
    for path, (mode, target) in expected.items():
        if not check(path in files, f"{path} is not in the package"):
            continue
        check(files[path][0] == mode, f"{path}: mode {files[path][0]}, expected {mode}")
        check(files[path][1] == target, f"{path}: link {files[path][1]}, expected {target}")
    extra = sorted(set(files) - set(expected))
    check(not extra, "unexpected files in the package: " + ", ".join(extra))


def control_fields(deb):
    text = run(["dpkg-deb", "-f", deb], check=True).stdout
    fields, key = {}, None
    for line in text.splitlines():
        if line.startswith(" ") and key:
            fields[key] += "\n" + line
        else:
            key, _, value = line.partition(":")
            fields[key] = value.strip()
    return fields


def depends_names(depends):
    names = {}
    for item in depends.split(","):
        for alternative in item.split("|"):
            m = re.match(r"\s*([a-z0-9][a-z0-9+.-]*)(?::\w+)?\s*(\(.*\))?\s*$", alternative)
            if check(m is not None, f"Depends: cannot read '{alternative}'"):
                names[m.group(1)] = m.group(2) or ""
    return names


def needed_libraries(binary):
    out = run(["readelf", "-d", binary], check=True).stdout
    return re.findall(r"\(NEEDED\)\s+Shared library: \[([^\]]+)\]", out)


def owner_package(soname):
    # The package on this system that ships the library the program links.
    # Cross toolchains ship copies of the same libraries for other
    # architectures: the one in this system's own library folder counts.
    out = run(["dpkg-query", "-S", "*/" + soname])
    multiarch = run(["dpkg-architecture", "-a", package_arch, "-qDEB_HOST_MULTIARCH"]).stdout.strip()
    found = []
    for line in out.stdout.splitlines():
        package, _, path = line.partition(": ")
        if path.endswith("/" + soname) and "/lib" in path:
            found.append((multiarch not in path, package.split(":")[0].split(",")[0].strip()))
    return min(found)[1] if found else None


def check_control(deb, version, source_dir, root):
    fields = control_fields(deb)
    check(fields.get("Package") == "glimmerkin", f"Package: {fields.get('Package')}")
    check(fields.get("Version") == version, f"Version: {fields.get('Version')}, CMake says {version}")
    check(fields.get("Architecture") == package_arch,
          f"Architecture: {fields.get('Architecture')}, expected {package_arch}")
    logged = run(["dpkg-parsechangelog", "-l", os.path.join(source_dir, "packaging/changelog"),
                  "-SMaintainer"], check=True).stdout.strip()
    maintainer = fields.get("Maintainer", "")
    check(re.fullmatch(r"[^<>]+ <[^@<> ]+@[^@<> ]+\.[a-z]+>", maintainer) is not None,
          f"Maintainer is not 'Name <address>': {maintainer!r}")
    check(maintainer == logged, f"Maintainer {maintainer!r} is not the changelog's {logged!r}")
    description = fields.get("Description", "").split("\n")
    check(0 < len(description[0]) <= 80 and not description[0].endswith("."),
          f"Description synopsis: {description[0]!r}")
    check(len(description) >= 3 and all(l.startswith(" ") for l in description[1:]),
          "Description has no extended text")
    check(fields.get("Section") in ("x11", "games", "misc"), f"Section: {fields.get('Section')}")
    check(fields.get("Priority") == "optional", f"Priority: {fields.get('Priority')}")

    binary = os.path.join(root, "usr/libexec/xscreensaver/glimmerkin")
    size = sum(os.lstat(os.path.join(d, f)).st_size for d, _, fs in os.walk(root) for f in fs)
    installed = int(fields.get("Installed-Size", "0") or 0)
    check(size // 1024 <= installed <= size // 1024 + 64,
          f"Installed-Size {installed} KiB for {size} bytes of files")

    depends = depends_names(fields.get("Depends", ""))
    for package in ("libc6", "libx11-6"):
        check(package in depends, f"Depends lacks {package}: {fields.get('Depends')}")
    check(depends.get("libc6", "").startswith("(>= "), "Depends: libc6 has no lower version bound")
    # A locker to run it beneath is suggested, never required: the program
    # runs without one, and which locker is the user's choice.
    suggests = depends_names(fields.get("Suggests", ""))
    check("xsecurelock" in suggests, f"Suggests lacks xsecurelock: {fields.get('Suggests')}")
    for field in ("Depends", "Pre-Depends", "Recommends"):
        if field in fields:
            check("xsecurelock" not in depends_names(fields[field]),
                  f"{field} names xsecurelock: {fields[field]}")
    needed = needed_libraries(binary)
    check(len(needed) >= 3, f"the program links only {needed}")
    # The saver links no toolkit: that is the settings window's alone.
    toolkit = [n for n in needed if re.match(r"lib(gtk|gdk|adwaita|glib|gobject)", n)]
    check(not toolkit, f"the saver links a toolkit: {toolkit}")
    settings = os.path.join(root, "usr/bin/glimmerkin-settings")
    if os.path.isfile(settings):
        window = needed_libraries(settings)
        check(any(n.startswith("libgtk-4") for n in window), f"the settings window links {window}")
        needed = sorted(set(needed) | set(window))
    for soname in needed:
        package = owner_package(soname)
        if check(package is not None, f"no installed package ships {soname}"):
            check(package in depends, f"{soname} comes from {package}, which Depends lacks")


def check_files(root, version, source_dir):
    binary = os.path.join(root, "usr/libexec/xscreensaver/glimmerkin")
    kind = run(["file", "-b", binary], check=True).stdout
    check("ELF" in kind and ", stripped" in kind, f"the program is not a stripped ELF file: {kind}")
    machine = MACHINES.get(package_arch, "?")
    check(machine in kind, f"the program is not for {package_arch} ({machine}): {kind}")
    for program in (binary, os.path.join(root, "usr/bin/glimmerkin")):
        out = run(emulator() + [program, "--version"], timeout=30)
        check(out.returncode == 0 and out.stdout == f"glimmerkin {version}\n",
              f"{program} --version: exit {out.returncode}, {out.stdout!r}")

    check(read(os.path.join(root, "usr/share/xscreensaver/config/glimmerkin.xml")) ==
          read(os.path.join(source_dir, "resources/glimmerkin.xml")),
          "the installed XML differs from resources/glimmerkin.xml")

    check_theme_entry(root)
    check_app_files(root, version, source_dir)
    example = os.path.join(root, "usr/share/doc/glimmerkin/examples/glimmerkin-swayidle.service")
    if os.path.isfile(example):
        check(read(example) ==
              read(os.path.join(source_dir, "packaging/examples/glimmerkin-swayidle.service")),
              "the shipped swayidle example is not packaging/examples/glimmerkin-swayidle.service")

    for packed, original in (("usr/share/man/man6/glimmerkin.6.gz", "docs/glimmerkin.6"),
                             ("usr/share/doc/glimmerkin/changelog.gz", "packaging/changelog")):
        data = read(os.path.join(root, packed))
        # gzip -n: no name, no time stamp, so rebuilds are identical.
        check(data[:2] == b"\x1f\x8b" and data[3] & 0x08 == 0 and data[4:8] == b"\0\0\0\0",
              f"{packed} is not gzip -n output")
        check(data[8] == 2, f"{packed} is not compressed at level 9")
        check(gzip.decompress(data) == read(os.path.join(source_dir, original)),
              f"{packed} is not {original}")
    logged = run(["dpkg-parsechangelog", "-l",
                  os.path.join(root, "usr/share/doc/glimmerkin/changelog.gz"), "-SVersion"])
    check(logged.stdout.strip() == version, f"the shipped changelog is for {logged.stdout.strip()}")
    man = run(["man", "--warnings", "-l", os.path.join(root, "usr/share/man/man6/glimmerkin.6.gz")],
              env=dict(os.environ, MANWIDTH="80", LC_ALL="C.UTF-8"))
    check(man.returncode == 0 and "EXIT STATUS" in man.stdout and not man.stderr.strip(),
          f"the shipped manual page does not render cleanly: {man.stderr}")

    copyright_text = read(os.path.join(root, "usr/share/doc/glimmerkin/copyright"), "r")
    paragraphs = [p for p in copyright_text.split("\n\n") if p.strip()]
    check(paragraphs[0].startswith(
        "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/\n"),
        "copyright has no machine-readable Format line")
    check(any(p.startswith("Files: *\n") and "\nLicense: Expat" in p for p in paragraphs),
          "copyright has no 'Files: *' paragraph under the Expat (MIT) license")
    license_paragraph = [p for p in paragraphs if p.startswith("License: Expat\n")]
    if check(len(license_paragraph) == 1, "copyright has no stand-alone License: Expat text"):
        words = lambda s: re.sub(r"[\s.]+", " ", s).strip()
        body = "\n".join(l[1:] for l in license_paragraph[0].splitlines()[1:])
        mit = read(os.path.join(source_dir, "LICENSE"), "r")
        permission = mit[mit.index("Permission is hereby granted"):]
        check(words(body) == words(permission), "copyright's license text is not LICENSE's")


def desktop_entry(path):
    entry, group = {}, None
    for line in read(path, "r").splitlines():
        if line.startswith("["):
            group = line.strip("[]")
        elif "=" in line and group == "Desktop Entry":
            key, _, value = line.partition("=")
            entry[key.strip()] = value.strip()
    return entry


def check_theme_entry(root):
    # mate-screensaver and xfce4-screensaver list the entries in this folder
    # and run only programs from the hack folder, by absolute path.
    path = os.path.join(root, "usr/share/applications/screensavers/glimmerkin.desktop")
    if not os.path.isfile(path):
        return
    entry = desktop_entry(path)
    hack = "/usr/libexec/xscreensaver/glimmerkin"
    check(entry.get("Type") == "Application", f"theme entry Type: {entry.get('Type')}")
    check(entry.get("Name") == "Glimmerkin", f"theme entry Name: {entry.get('Name')}")
    check(bool(entry.get("Comment")), "theme entry has no Comment")
    check(entry.get("TryExec") == hack, f"theme entry TryExec: {entry.get('TryExec')}")
    check(entry.get("Exec") == hack + " -root", f"theme entry Exec: {entry.get('Exec')}")
    check(entry.get("Categories") == "Screensaver;", f"theme entry Categories: {entry.get('Categories')}")
    shown = entry.get("OnlyShowIn", "").split(";")
    check("MATE" in shown and "XFCE" in shown, f"theme entry OnlyShowIn: {entry.get('OnlyShowIn')}")
    # Its one hint, that Screensaver is no main menu category, holds for every
    # saver's theme entry (xscreensaver-data's too); errors and warnings fail.
    out = run(["desktop-file-validate", path])
    problems = [l for l in out.stdout.splitlines() if ": error:" in l or ": warning:" in l]
    check(out.returncode == 0 and not problems,
          f"desktop-file-validate: exit {out.returncode} {out.stdout}{out.stderr}")


def check_app_files(root, version, source_dir):
    for size in ICON_SIZES:
        icon = read(os.path.join(root, f"usr/share/icons/hicolor/{size}x{size}/apps/org.glimmerkin.Glimmerkin.png"))
        check(icon[:8] == b"\x89PNG\r\n\x1a\n" and icon[16:24] == struct.pack(">II", size, size),
              f"the {size}x{size} icon is not a {size} x {size} PNG")
    svg = read(os.path.join(root, "usr/share/icons/hicolor/scalable/apps/org.glimmerkin.Glimmerkin.svg"))
    check(svg == read(os.path.join(source_dir, "resources/app-icon.svg")),
          "the scalable icon is not resources/app-icon.svg")
    settings = os.path.join(root, "usr/bin/glimmerkin-settings")
    if not os.path.isfile(settings):
        return
    out = run(emulator() + [settings, "--version"], timeout=30)
    check(out.returncode == 0 and out.stdout == f"glimmerkin-settings {version}\n",
          f"glimmerkin-settings --version: exit {out.returncode}, {out.stdout!r}")
    path = os.path.join(root, "usr/share/applications/org.glimmerkin.Glimmerkin.desktop")
    entry = desktop_entry(path)
    check(entry.get("Exec") == "glimmerkin-settings", f"menu entry Exec: {entry.get('Exec')}")
    check(entry.get("Icon") == "org.glimmerkin.Glimmerkin", f"menu entry Icon: {entry.get('Icon')}")
    check("Settings;" in entry.get("Categories", ""), f"menu entry Categories: {entry.get('Categories')}")
    text = read(path, "r")
    check("\n[Desktop Action try]\nName=Try it\nExec=/usr/libexec/xscreensaver/glimmerkin -window\n" in text,
          "the menu entry has no Try it action running the saver in a window")
    out = run(["desktop-file-validate", path])
    check(out.returncode == 0 and not out.stdout.strip(),
          f"desktop-file-validate on the menu entry: exit {out.returncode} {out.stdout}{out.stderr}")
    metainfo = os.path.join(root, "usr/share/metainfo/org.glimmerkin.Glimmerkin.metainfo.xml")
    out = run(["appstreamcli", "validate", "--no-net", "--explain", metainfo])
    check(out.returncode == 0, f"appstreamcli validate: exit {out.returncode} {out.stdout}{out.stderr}")
    listing = read(metainfo, "r")
    check(f'<release version="{version}" ' in listing, f"the metainfo has no release {version}")
    for element in ("<summary>", "<description>", '<screenshot type="default">',
                    '<content_rating type="oars-1.1"', "<launchable type=\"desktop-id\">org.glimmerkin.Glimmerkin.desktop<"):
        check(element in listing, f"the metainfo lacks {element}")


def check_md5sums(deb, scratch, root):
    control = os.path.join(scratch, "control")
    run(["dpkg-deb", "-e", deb, control], check=True)
    sums = read(os.path.join(control, "md5sums"), "r")
    listed = sorted(l.split(None, 1)[1] for l in sums.splitlines())
    shipped = sorted(os.path.relpath(os.path.join(d, f), root) for d, _, fs in os.walk(root)
                     for f in fs if not os.path.islink(os.path.join(d, f)))
    check(listed == shipped, f"md5sums lists {listed}, the package has {shipped}")
    out = run(["md5sum", "--check", "--quiet", os.path.join(control, "md5sums")], cwd=root)
    check(out.returncode == 0, "md5sums do not match: " + out.stdout + out.stderr)


def deb_checks(dist, version, source_dir):
    deb = deb_path(dist, version)
    if not check(os.path.isfile(deb), f"{deb} is missing"):
        return
    check_contents(deb)
    with tempfile.TemporaryDirectory(prefix="glimmerkin-deb-") as scratch:
        root = os.path.join(scratch, "root")
        run(["dpkg-deb", "-x", deb, root], check=True)
        check_control(deb, version, source_dir, root)
        check_files(root, version, source_dir)
        check_md5sums(deb, scratch, root)


def lintian_checks(dist, version):
    deb = deb_path(dist, version)
    out = run(["lintian", "--display-info", "--fail-on", "error,warning", deb], timeout=300)
    print(out.stdout, end="")
    tags = [l for l in out.stdout.splitlines() if re.match(r"[EW]: ", l)]
    check(out.returncode == 0 and not tags,
          f"lintian exit {out.returncode} with errors or warnings: {tags} {out.stderr}")


# ---- the Windows zip ----

def crlf_text(data, name):
    check(data.endswith(b"\r\n"), f"{name} does not end with CRLF")
    check(data.count(b"\n") == data.count(b"\r\n") == data.count(b"\r"),
          f"{name} has line ends other than CRLF")
    return data.decode("ascii", errors="replace").replace("\r\n", "\n")


def zip_checks(dist, version, source_dir, windows_dist=None):
    archive = zip_path(dist, version)
    if not check(os.path.isfile(archive), f"{archive} is missing"):
        return
    names = run(["unzip", "-Z1", archive], check=True).stdout.split()
    expected = ["glimmerkin.scr", "glimmerkin64.scr", "INSTALL.txt", "LICENSE.txt"]
    check(sorted(names) == sorted(expected), f"the zip holds {names}, expected {expected}")
    check(run(["unzip", "-tq", archive]).returncode == 0, "unzip -t finds the zip damaged")
    with tempfile.TemporaryDirectory(prefix="glimmerkin-zip-") as scratch:
        run(["unzip", "-q", archive, "-d", scratch], check=True)
        for scr, pe, machine in (("glimmerkin.scr", "PE32 executable", "Intel 80386"),
                                 ("glimmerkin64.scr", "PE32+ executable", "x86-64")):
            path = os.path.join(scratch, scr)
            if not check(os.path.isfile(path), f"{scr} is not in the zip"):
                continue
            kind = run(["file", "-b", path], check=True).stdout
            check(kind.startswith(pe + " (GUI)") and machine in kind and "MS Windows" in kind,
                  f"{scr} is not a {pe} GUI file for {machine}: {kind}")
            if windows_dist:
                check(read(path) == read(os.path.join(windows_dist, scr)),
                      f"{scr} differs from the Windows build's")

        license_text = crlf_text(read(os.path.join(scratch, "LICENSE.txt")), "LICENSE.txt")
        check(license_text == read(os.path.join(source_dir, "LICENSE"), "r"),
              "LICENSE.txt is not LICENSE")

        install = crlf_text(read(os.path.join(scratch, "INSTALL.txt")), "INSTALL.txt")
        check(f"Glimmerkin {version}" in install, "INSTALL.txt does not name the version")
        check("Install" in install and "right-click" in install.lower(),
              "INSTALL.txt does not tell of right-click Install")
        lines = install.splitlines()
        # 64-bit files go to System32 on 64-bit Windows, 32-bit ones to SysWOW64:
        # never the other way round.
        for line in lines:
            if "SysWOW64" in line and "glimmerkin64.scr" in line:
                failures.append(f"INSTALL.txt puts the 64-bit saver into SysWOW64: {line!r}")
        check(any(re.search(r"glimmerkin64\.scr\s.*C:\\Windows\\System32", l) for l in lines),
              "INSTALL.txt does not put glimmerkin64.scr into C:\\Windows\\System32")
        check(any(re.search(r"glimmerkin\.scr\s.*C:\\Windows\\SysWOW64", l) for l in lines),
              "INSTALL.txt does not put glimmerkin.scr into C:\\Windows\\SysWOW64")


# ---- SHA256SUMS ----

def sums_checks(dist, version, *archs):
    archs = archs or (host_arch(),)
    sums = os.path.join(dist, "SHA256SUMS")
    if not check(os.path.isfile(sums), f"{sums} is missing"):
        return
    entries = {}
    for line in read(sums, "r").splitlines():
        m = re.fullmatch(r"([0-9a-f]{64})  (\S+)", line)
        if check(m is not None, f"SHA256SUMS line not in sha256sum format: {line!r}"):
            entries[m.group(2)] = m.group(1)
    wanted = {os.path.basename(deb_path(dist, version, arch)) for arch in archs}
    wanted.add(os.path.basename(zip_path(dist, version)))
    check(set(entries) == wanted, f"SHA256SUMS lists {sorted(entries)}, expected {sorted(wanted)}")
    for name, digest in entries.items():
        path = os.path.join(dist, name)
        if check(os.path.isfile(path), f"{name} is missing"):
            check(hashlib.sha256(read(path)).hexdigest() == digest, f"{name}: wrong digest")
    out = run(["sha256sum", "-c", "SHA256SUMS"], cwd=dist)
    check(out.returncode == 0, "sha256sum -c fails: " + out.stdout + out.stderr)


def main():
    if len(sys.argv) < 4:
        print(__doc__)
        return 2
    global package_arch
    what, dist, version = sys.argv[1:4]
    rest = sys.argv[4:]
    package_arch = host_arch()
    if what == "deb":
        if len(rest) > 1:
            package_arch = rest[1]
        deb_checks(dist, version, rest[0])
    elif what == "lintian":
        if rest:
            package_arch = rest[0]
        lintian_checks(dist, version)
    elif what == "zip":
        zip_checks(dist, version, *rest)
    elif what == "sums":
        sums_checks(dist, version, *rest)
    else:
        print(__doc__)
        return 2
    for failure in failures:
        print("FAIL: " + failure)
    if not failures:
        print(f"PASS: {what}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
