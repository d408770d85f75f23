#!/usr/bin/env python3
"""Makes the program's small art files from text pictures kept beside them.

    tools/make-art.py FILE.txt|FOLDER...

A text picture NAME.EXT.txt (EXT: bmp, ico or cur) becomes NAME.EXT in the same folder; a folder
stands for every text picture in it. The results are committed, so the build needs no image
tool: run this after changing a picture and commit both.

Format (blank lines and lines starting with '#' are ignored):

    colour K RRGGBB        one character K per colour (hexadecimal RGB)
    colour K none          K is transparent (icons and cursors only)
    image WxH [hotspot X Y]
    <H rows of W characters>

A .bmp has one image (24-bit). A .ico or .cur has one or more (24-bit colour with a 1-bit
transparency mask); a cursor's hotspot defaults to 0 0.
"""

import os
import struct
import sys


def parse(path):
    colours = {}
    images = []
    current = None
    with open(path, encoding="utf-8") as f:
        for number, raw in enumerate(f, 1):
            line = raw.rstrip("\n")
            if not line.strip() or line.startswith("#"):
                continue
            where = f"{path}:{number}"
            words = line.split()
            if current is not None and len(current["rows"]) < current["height"]:
                if len(line) != current["width"]:
                    sys.exit(f"{where}: row of {len(line)} characters, expected {current['width']}")
                for ch in line:
                    if ch not in colours:
                        sys.exit(f"{where}: colour '{ch}' is not defined")
                current["rows"].append(line)
                continue
            if words[0] == "colour" and len(words) == 3 and len(words[1]) == 1:
                colours[words[1]] = None if words[2] == "none" else int(words[2], 16)
            elif words[0] == "image" and len(words) in (2, 5):
                w, h = (int(v) for v in words[1].split("x"))
                hotspot = (0, 0)
                if len(words) == 5 and words[2] == "hotspot":
                    hotspot = (int(words[3]), int(words[4]))
                current = {"width": w, "height": h, "hotspot": hotspot, "rows": []}
                images.append(current)
            else:
                sys.exit(f"{where}: cannot read '{line}'")
    if not images or len(images[-1]["rows"]) != images[-1]["height"]:
        sys.exit(f"{path}: missing image rows")
    return colours, images


def bgr_rows(colours, image, transparent_as=0):
    """24-bit rows, bottom row first, each padded to four bytes."""
    out = []
    for row in reversed(image["rows"]):
        data = bytearray()
        for ch in row:
            rgb = colours[ch]
            rgb = transparent_as if rgb is None else rgb
            data += bytes((rgb & 0xFF, (rgb >> 8) & 0xFF, rgb >> 16))
        data += bytes(-len(data) % 4)
        out.append(bytes(data))
    return b"".join(out)


def mask_rows(colours, image):
    """1-bit AND mask, bottom row first: 1 where the picture is transparent."""
    out = []
    for row in reversed(image["rows"]):
        bits = bytearray((len(row) + 31) // 32 * 4)
        for x, ch in enumerate(row):
            if colours[ch] is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        out.append(bytes(bits))
    return b"".join(out)


def info_header(width, height, size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, size, 0, 0, 0, 0)


def make_bmp(colours, images):
    if len(images) != 1:
        sys.exit("a .bmp holds exactly one image")
    image = images[0]
    if any(colours[ch] is None for row in image["rows"] for ch in row):
        sys.exit("a .bmp has no transparent colour")
    pixels = bgr_rows(colours, image)
    header = info_header(image["width"], image["height"], len(pixels))
    offset = 14 + len(header)
    return struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) + header + pixels


def make_icon(colours, images, cursor):
    blobs = []
    for image in images:
        xor = bgr_rows(colours, image)
        mask = mask_rows(colours, image)
        blobs.append(info_header(image["width"], image["height"] * 2, len(xor) + len(mask)) + xor + mask)
    out = struct.pack("<HHH", 0, 2 if cursor else 1, len(images))
    offset = 6 + 16 * len(images)
    for image, blob in zip(images, blobs):
        w, h = image["width"], image["height"]
        planes, bits = image["hotspot"] if cursor else (1, 24)
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, planes, bits, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


def convert(path):
    target = path[: -len(".txt")]
    kind = os.path.splitext(target)[1].lower()
    colours, images = parse(path)
    if kind == ".bmp":
        data = make_bmp(colours, images)
    elif kind in (".ico", ".cur"):
        data = make_icon(colours, images, kind == ".cur")
    else:
        sys.exit(f"{path}: name it NAME.bmp.txt, NAME.ico.txt or NAME.cur.txt")
    with open(target, "wb") as f:
        f.write(data)
    print(f"{target}: {len(images)} image(s), {len(data)} bytes")


def main(args):
    if not args:
        sys.exit(__doc__)
    for arg in args:
        if os.path.isdir(arg):
            for name in sorted(os.listdir(arg)):
                if name.endswith((".bmp.txt", ".ico.txt", ".cur.txt")):
                    convert(os.path.join(arg, name))
        else:
            convert(arg)


if __name__ == "__main__":
    main(sys.argv[1:])
