#!/usr/bin/env python3
"""Inspects a built glimmerkin .scr without running it: PE format, the two
exports, system-only imports, and every resource with its language and shape.

usage: inspect_pe.py SCR pe32|pe32+ OBJDUMP VERSION
  VERSION is the project's version (as 1.0.0) that the version resource
  must carry.
Exit 0 when everything holds, 1 with the failures listed otherwise.
"""
import os
import struct
import subprocess
import sys

SYSTEM_DLLS = {"ADVAPI32.DLL", "GDI32.DLL", "KERNEL32.DLL", "MSVCRT.DLL", "USER32.DLL"}
LANG = 0x405
RT_CURSOR, RT_BITMAP, RT_ICON, RT_DIALOG, RT_STRING, RT_GROUP_CURSOR, RT_GROUP_ICON = 1, 2, 3, 5, 6, 12, 14
RT_VERSION, RT_MANIFEST = 16, 24

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def objdump_checks(path, kind, objdump):
    text = subprocess.run([objdump, "-p", path], capture_output=True, text=True, check=True).stdout
    magic = "(PE32+)" if kind == "pe32+" else "(PE32)"
    check(any(l.startswith("Magic") and l.rstrip().endswith(magic) for l in text.splitlines()),
          f"format is not {magic}")
    check("Subsystem\t\t00000002\t(Windows GUI)" in text, "subsystem is not Windows GUI")
    names = []
    in_table = False
    for line in text.splitlines():
        if line.startswith("[Ordinal/Name Pointer] Table"):
            in_table = True
            continue
        if in_table:
            if not line.strip():
                break
            names.append(line.split("]")[1].strip())
    check(sorted(names) == ["ScreenSaverConfigureDialog", "ScreenSaverProc"],
          f"exports are {names}")
    dlls = {l.split("DLL Name:")[1].strip().upper() for l in text.splitlines() if "DLL Name:" in l}
    check(dlls and dlls <= SYSTEM_DLLS, f"imports {sorted(dlls)} are not only system DLLs")


class Pe:
    def __init__(self, data):
        self.data = data
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        check(data[pe:pe + 4] == b"PE\0\0", "no PE signature")
        sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        self.rsrc_rva, self.rsrc_size = struct.unpack_from("<II", data, directories + 2 * 8)
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            _, vsize, rva, rawsize, rawptr = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((rva, max(vsize, rawsize), rawptr))

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f"rva {rva:#x} in no section")

    def resources(self):
        """{(type, name): {lang: bytes}} for integer types and names."""
        base = self.offset(self.rsrc_rva)
        out = {}

        def entries(offset):
            named, ids = struct.unpack_from("<12xHH", self.data, base + offset)
            for i in range(named + ids):
                name, target = struct.unpack_from("<II", self.data, base + offset + 16 + 8 * i)
                yield name, target

        for rtype, t1 in entries(0):
            for rname, t2 in entries(t1 & 0x7FFFFFFF):
                for lang, leaf in entries(t2 & 0x7FFFFFFF):
                    rva, size = struct.unpack_from("<II", self.data, base + leaf)
                    start = self.offset(rva)
                    out.setdefault((rtype, rname), {})[lang] = self.data[start:start + size]
        return out


def read_wstring(data, offset):
    end = offset
    while end + 2 <= len(data) and data[end:end + 2] != b"\0\0":
        end += 2
    return data[offset:end].decode("utf-16-le"), end + 2


def read_sz_or_ord(data, offset):
    if data[offset:offset + 2] == b"\xff\xff":
        return struct.unpack_from("<H", data, offset + 2)[0], offset + 4
    return read_wstring(data, offset)


CLASS_ATOMS = {"BUTTON": 0x80, "STATIC": 0x82, "SCROLLBAR": 0x84}

DIALOG_CONTROLS = [
    (0x80, 1000, "OK", 198, 87, 50, 14, 0x50010001),
    (0x80, 1001, "Cancel", 198, 106, 50, 14, 0x50010000),
    (0x82, 0xFFFF, "Glimmerkin", 7, 7, 43, 10, 0x50020000),
    (0x84, 1002, "", 7, 35, 241, 11, 0x50000000),
    (0x82, 0xFFFF, "Speed:", 7, 26, 156, 8, 0x50020000),
    (0x84, 1003, "", 7, 62, 241, 11, 0x50000000),
    (0x82, 0xFFFF, "Number of aliens", 7, 53, 206, 9, 0x50020000),
    (0x82, 0xFFFF, None, 7, 89, 157, 11, 0x50020000),
    (0x82, 0xFFFF, None, 7, 99, 176, 11, 0x50020000),
    (0x82, 0xFFFF, None, 7, 109, 183, 11, 0x50020000),
]


def check_dialog(data, caption_expected):
    style, exstyle, count, x, y, cx, cy = struct.unpack_from("<IIHhhhh", data, 0)
    check(style == 0x80C800C0, f"dialog style {style:#x}")
    check(exstyle == 0, f"dialog extended style {exstyle:#x}")
    check((x, y, cx, cy) == (0, 0, 255, 127), f"dialog at {(x, y, cx, cy)}")
    check(count == 10, f"dialog has {count} controls")
    offset = 18
    menu, offset = read_sz_or_ord(data, offset)
    cls, offset = read_sz_or_ord(data, offset)
    caption, offset = read_wstring(data, offset)
    check(menu == "" and cls == "", "dialog has a menu or a class")
    check(caption == caption_expected, f"dialog caption {caption!r}")
    points = struct.unpack_from("<H", data, offset)[0]
    font, offset = read_wstring(data, offset + 2)
    check((points, font) == (8, "MS Sans Serif"), f"dialog font {points} {font!r}")
    for expected in DIALOG_CONTROLS[:count]:
        offset = (offset + 3) & ~3
        cstyle, cexstyle, x, y, cx, cy, cid = struct.unpack_from("<IIhhhhH", data, offset)
        offset += 18
        cclass, offset = read_sz_or_ord(data, offset)
        ctext, offset = read_sz_or_ord(data, offset)
        extra = struct.unpack_from("<H", data, offset)[0]
        offset += 2 + extra
        want_class, want_id, want_text, wx, wy, wcx, wcy, want_style = expected
        # The system's control classes go by atom or by name alike.
        if isinstance(cclass, str):
            cclass = CLASS_ATOMS.get(cclass.upper(), cclass)
        got = (cclass, cid, (x, y, cx, cy), cstyle, cexstyle)
        want = (want_class, want_id, (wx, wy, wcx, wcy), want_style, 0)
        check(got == want, f"dialog control {want_id}: {got} != {want}")
        if want_text is not None:
            check(ctext == want_text, f"dialog control text {ctext!r} != {want_text!r}")
        else:
            check(isinstance(ctext, str) and ctext != "", "a notice line is empty")


def strings(resources):
    table = {}
    for (rtype, block), langs in resources.items():
        if rtype != RT_STRING:
            continue
        for lang, data in langs.items():
            offset = 0
            for i in range(16):
                length = struct.unpack_from("<H", data, offset)[0]
                text = data[offset + 2:offset + 2 + 2 * length].decode("utf-16-le")
                offset += 2 + 2 * length
                if length:
                    table[(block - 1) * 16 + i] = (lang, text)
    return table


def version_blocks(data, offset, end):
    """The children of a version-resource node: (key, value bytes, value type, children)."""
    nodes = []
    while offset + 6 <= end:
        length, value_length, value_type = struct.unpack_from("<HHH", data, offset)
        if length < 6 or offset + length > end:
            failures.append(f"version resource: bad node length {length} at {offset}")
            break
        key, after = read_wstring(data, offset + 6)
        value_at = (after + 3) & ~3
        size = value_length * 2 if value_type == 1 else value_length
        value = data[value_at:value_at + size]
        children_at = (value_at + size + 3) & ~3
        nodes.append((key, value, value_type,
                      version_blocks(data, children_at, offset + length)))
        offset = (offset + length + 3) & ~3
    return nodes


def check_version(data, path, version):
    root = version_blocks(data, 0, len(data))
    check(len(root) == 1 and root[0][0] == "VS_VERSION_INFO", "no VS_VERSION_INFO node")
    if not root or root[0][0] != "VS_VERSION_INFO":
        return
    _, fixed, _, children = root[0]
    check(len(fixed) == 52 and struct.unpack_from("<I", fixed, 0)[0] == 0xFEEF04BD,
          "no fixed file information")
    if len(fixed) == 52:
        numbers = [int(n) for n in version.split(".")] + [0]
        ms, ls, pms, pls = struct.unpack_from("<IIII", fixed, 8)
        expected = ((numbers[0] << 16) | numbers[1], (numbers[2] << 16) | numbers[3])
        check((ms, ls) == expected and (pms, pls) == expected,
              f"fixed file version {ms:#x} {ls:#x}, product {pms:#x} {pls:#x}")
    texts = {}
    for key, _, _, blocks in children:
        if key == "StringFileInfo":
            for table_key, _, _, values in blocks:
                check(table_key.lower() == "040504b0", f"string table {table_key}")
                for name, value, _, _ in values:
                    texts[name] = value.decode("utf-16-le").rstrip("\0")
    wanted = {"FileDescription": "Glimmerkin screen saver", "ProductName": "Glimmerkin",
              "ProductVersion": version, "FileVersion": version,
              "OriginalFilename": os.path.basename(path)}
    for name, text in wanted.items():
        check(texts.get(name) == text, f"version string {name} is {texts.get(name)!r}, not {text!r}")


def check_manifest(data):
    text = data.decode("utf-8", "replace")
    check("<dpiAware" in text and "true/pm</dpiAware>" in text,
          "the manifest does not declare per-monitor DPI awareness the old way")
    check("PerMonitorV2, PerMonitor</dpiAwareness>" in text,
          "the manifest does not declare per-monitor (v2) DPI awareness")


def resource_checks(path, version):
    with open(path, "rb") as f:
        resources = Pe(f.read()).resources()
    for (rtype, name), langs in resources.items():
        check(list(langs) == [LANG], f"resource type {rtype} name {name} in languages "
              f"{[hex(l) for l in langs]}")
    for rid, size, bits in ((103, (840, 522), 8), (104, (840, 522), 1), (105, (640, 480), 8)):
        data = resources.get((RT_BITMAP, rid), {}).get(LANG)
        check(data is not None, f"bitmap {rid} missing")
        if data:
            _, w, h, _, bpp, compression = struct.unpack_from("<IiiHHI", data, 0)
            check(((w, abs(h)), bpp, compression) == (size, bits, 0),
                  f"bitmap {rid} is {w}x{h}x{bpp} compression {compression}")
    group = resources.get((RT_GROUP_ICON, 100), {}).get(LANG)
    check(group is not None, "icon group 100 missing")
    if group:
        _, _, count = struct.unpack_from("<HHH", group, 0)
        w, h, colours, _, _, bits = struct.unpack_from("<BBBBHH", group, 6)
        check(count >= 1 and (w, h) == (32, 32), f"icon 100 is {count} images, first {w}x{h}")
    check((RT_GROUP_CURSOR, 107) in resources, "cursor group 107 missing")
    check(any(t == RT_ICON for t, _ in resources), "no icon image")
    check(any(t == RT_CURSOR for t, _ in resources), "no cursor image")
    table = strings(resources)
    caption = table.get(1, (0, ""))[1]
    check(caption.startswith("Glimmerkin") and len(caption) > len("Glimmerkin"),
          f"string 1 is {caption!r}")
    check(table.get(1001, (0, None))[1] == "glimmerkin.ini", f"string 1001 is {table.get(1001)}")
    check(table.get(1007, (0, None))[1] == "Glimmerkin", f"string 1007 is {table.get(1007)}")
    version_data = resources.get((RT_VERSION, 1), {}).get(LANG)
    check(version_data is not None, "version resource 1 missing")
    if version_data:
        check_version(version_data, path, version)
    manifest = resources.get((RT_MANIFEST, 1), {}).get(LANG)
    check(manifest is not None, "manifest 1 missing")
    if manifest:
        check_manifest(manifest)
    dialog = resources.get((RT_DIALOG, 2003), {}).get(LANG)
    check(dialog is not None, "dialog 2003 missing")
    if dialog:
        check_dialog(dialog, caption)


def main():
    if len(sys.argv) != 5:
        print(__doc__, file=sys.stderr)
        return 2
    path, kind, objdump, version = sys.argv[1:]
    objdump_checks(path, kind, objdump)
    resource_checks(path, version)
    for failure in failures:
        print("FAIL:", failure)
    print(f"{path}: {'ok' if not failures else f'{len(failures)} failures'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
