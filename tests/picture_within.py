#!/usr/bin/env python3
"""picture_within.py SCREEN.ppm PART.ppm INSET

Exit 0 when PART, less INSET pixels at each edge (rounded corners, a frame),
appears pixel for pixel somewhere in SCREEN; 1 when not; 2 on bad input.
Both files are binary PPM (P6, maxval 255), as ImageMagick writes them."""
import sys


def read_ppm(path):
    with open(path, "rb") as f:
        data = f.read()
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos) + 1
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    if fields[0] != b"P6" or fields[3] != b"255":
        raise ValueError(path + ": not an 8-bit P6 file")
    width, height = int(fields[1]), int(fields[2])
    pixels = data[pos:pos + width * height * 3]
    if len(pixels) != width * height * 3:
        raise ValueError(path + ": cut short")
    return width, height, pixels


def main():
    try:
        sw, sh, screen = read_ppm(sys.argv[1])
        pw, ph, part = read_ppm(sys.argv[2])
        inset = int(sys.argv[3])
    except (IndexError, ValueError, OSError) as e:
        print("picture_within:", e, file=sys.stderr)
        return 2
    w, h = pw - 2 * inset, ph - 2 * inset
    if w <= 0 or h <= 0 or w > sw or h > sh:
        return 1
    row = lambda data, width, x, y: data[(y * width + x) * 3:(y * width + x + w) * 3]
    first = row(part, pw, inset, inset)
    for y in range(sh - h + 1):
        line = screen[y * sw * 3:(y + 1) * sw * 3]
        at = line.find(first)
        while at >= 0:
            if at % 3 == 0 and at // 3 + w <= sw:
                x = at // 3
                if all(row(screen, sw, x, y + v) == row(part, pw, inset, inset + v)
                       for v in range(1, h)):
                    print("found at %d,%d" % (x - inset, y - inset))
                    return 0
            at = line.find(first, at + 1)
    return 1


if __name__ == "__main__":
    sys.exit(main())
