#!/usr/bin/env python3
"""Writes a C++ file holding bitmaps as raw deflate streams, with their
decoded sizes, for the web page's resource lookup.

usage: embed_deflated.py OUTPUT.cpp ID=FILE ...
"""
import sys
import zlib


def deflate_raw(data):
    packer = zlib.compressobj(9, zlib.DEFLATED, -15, 9)
    return packer.compress(data) + packer.flush()


def main(argv):
    if len(argv) < 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    output, entries = argv[1], []
    for arg in argv[2:]:
        ident, _, path = arg.partition("=")
        with open(path, "rb") as f:
            raw = f.read()
        entries.append((int(ident), len(raw), deflate_raw(raw)))
    lines = ['#include "host/web/web_resources.h"', "", "namespace glimmerkin {", ""]
    for ident, size, packed in entries:
        lines.append(f"static const uint8_t kDeflated{ident}[] = {{")
        for i in range(0, len(packed), 24):
            lines.append("  " + ",".join(str(b) for b in packed[i:i + 24]) + ",")
        lines.append("};")
    lines.append("")
    lines.append("const DeflatedResource kDeflatedResources[] = {")
    for ident, size, packed in entries:
        lines.append(f"  {{{ident}, kDeflated{ident}, {len(packed)}, {size}}},")
    lines.append("};")
    lines.append(f"const size_t kDeflatedResourceCount = {len(entries)};")
    lines.append("")
    lines.append("}  // namespace glimmerkin")
    text = "\n".join(lines) + "\n"
    try:
        with open(output) as f:
            if f.read() == text:
                return 0
    except OSError:
        pass
    with open(output, "w") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
