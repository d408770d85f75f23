#!/usr/bin/env python3
"""Makes the program's art files from text pictures kept beside them.

    tools/make-art.py FILE.txt|FOLDER...

A text picture NAME.EXT.txt (EXT: bmp, ico or cur) becomes NAME.EXT in the same folder; a folder
stands for every text picture in it. The results are committed, so the build needs no image
tool: run this after changing a picture and commit both.

Format (blank lines and lines starting with '#' are ignored):

    colour K RRGGBB        one character K per colour (hexadecimal RGB)
    colour K none          K is transparent (icons, cursors and pictures only)
    image WxH [hotspot X Y]
    <H rows of W characters>

An image may also be drawn, so that large art stays short text:

    draw WxH [hotspot X Y] [on C]   an image filled with C (default: transparent), then
                                    drawing lines until the next image
    fill X Y W H C [round R]        a rectangle, its corners rounded with radius R
    frame X Y W H C [round R]       its one-pixel outline
    gradient X Y W H C1 C2 [across] [round R]
                                    C1 at the top blending to C2 at the bottom (left to right
                                    with 'across')
    disc CX CY R C                  a filled circle round the pixel (CX, CY)
    line X1 Y1 X2 Y2 C              a one-pixel line
    polygon C X,Y X,Y X,Y...        a filled polygon (pixel centres inside it)
    place P X Y [scale N] [as C] [grey]
                                    picture P with its top-left corner at (X, Y), each pixel
                                    N x N, all in colour C with 'as', in shades of grey with
                                    'grey'; its transparent pixels leave what lies below

A colour C is a character defined by 'colour' or #RRGGBB. A picture P is either a name defined
in the same file by

    picture NAME WxH
    <H rows of W characters>

or another text picture's file name (relative to this file), whose first image is placed, or
FILE#N, its image N (from 0), or FILE#NAME, a picture defined in it (a file of pictures alone,
NAME.txt, makes nothing).

A .bmp has one image (24-bit). A .ico or .cur has one or more (24-bit colour with a 1-bit
transparency mask); a cursor's hotspot defaults to 0 0.
"""

import os
import struct
import sys


class ArtError(Exception):
    pass


def size_of(text, where):
    try:
        w, h = (int(v) for v in text.split("x"))
    except ValueError:
        raise ArtError(f"{where}: '{text}' is no WxH size")
    if w <= 0 or h <= 0:
        raise ArtError(f"{where}: empty size {text}")
    return w, h


def hotspot_of(words, where):
    if len(words) >= 3 and words[0] == "hotspot":
        return (int(words[1]), int(words[2])), words[3:]
    return (0, 0), words


class Picture:
    """A grid of RGB values (None: transparent)."""

    def __init__(self, width, height, fill=None):
        self.width = width
        self.height = height
        self.hotspot = (0, 0)
        self.pixels = [[fill] * width for _ in range(height)]

    def put(self, x, y, rgb):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = rgb


def inside_rounded(px, py, x, y, w, h, r):
    """Whether the centre of pixel (px, py) lies inside the rectangle with rounded corners."""
    if not (x <= px < x + w and y <= py < y + h):
        return False
    if r <= 0:
        return True
    cx, cy = px + 0.5, py + 0.5
    near_x = x + r if cx < x + r else (x + w - r if cx > x + w - r else cx)
    near_y = y + r if cy < y + r else (y + h - r if cy > y + h - r else cy)
    return (cx - near_x) ** 2 + (cy - near_y) ** 2 <= r * r


def blend(c1, c2, t):
    return sum(round(((c1 >> s) & 0xFF) * (1 - t) + ((c2 >> s) & 0xFF) * t) << s for s in (16, 8, 0))


class Art:
    def __init__(self, path):
        self.path = path
        self.colours = {}
        self.pictures = {}
        self.images = []

    def colour(self, text, where):
        if len(text) == 1:
            if text not in self.colours:
                raise ArtError(f"{where}: colour '{text}' is not defined")
            return self.colours[text]
        if len(text) == 7 and text[0] == "#":
            return int(text[1:], 16)
        if text == "none":
            return None
        raise ArtError(f"{where}: '{text}' is no colour")

    def picture(self, name, where):
        if name in self.pictures:
            return self.pictures[name]
        file, _, inner = name.partition("#")
        if file.endswith(".txt"):
            other = Art(os.path.join(os.path.dirname(self.path), file))
            other.parse()
            if not inner:
                return other.images[0]
            if inner.isdigit() and int(inner) < len(other.images):
                return other.images[int(inner)]
            if inner in other.pictures:
                return other.pictures[inner]
        raise ArtError(f"{where}: picture '{name}' is not defined")

    def parse(self):
        rows_of = None  # the picture whose character rows are being read
        canvas = None  # the drawn image that drawing lines go to
        with open(self.path, encoding="utf-8") as f:
            for number, raw in enumerate(f, 1):
                line = raw.rstrip("\n")
                if not line.strip() or line.startswith("#"):
                    continue
                where = f"{self.path}:{number}"
                if rows_of is not None:
                    picture, row = rows_of
                    if len(line) != picture.width:
                        raise ArtError(f"{where}: row of {len(line)} characters, expected {picture.width}")
                    for x, ch in enumerate(line):
                        if ch not in self.colours:
                            raise ArtError(f"{where}: colour '{ch}' is not defined")
                        picture.pixels[row][x] = self.colours[ch]
                    rows_of = (picture, row + 1) if row + 1 < picture.height else None
                    continue
                words = line.split()
                try:
                    canvas = self.statement(words, where, canvas)
                except (ValueError, IndexError):
                    raise ArtError(f"{where}: cannot read '{line}'")
                if words[0] in ("image", "picture"):
                    rows_of = (canvas if words[0] == "image" else self.pictures[words[1]], 0)
                    canvas = None
        if rows_of is not None:
            raise ArtError(f"{self.path}: missing image rows")

    def statement(self, words, where, canvas):
        op = words[0]
        if op == "colour" and len(words) == 3 and len(words[1]) == 1:
            self.colours[words[1]] = None if words[2] == "none" else int(words[2], 16)
            return canvas
        if op == "image":
            w, h = size_of(words[1], where)
            image = Picture(w, h)
            image.hotspot, rest = hotspot_of(words[2:], where)
            if rest:
                raise ValueError
            self.images.append(image)
            return image
        if op == "picture" and len(words) == 3:
            w, h = size_of(words[2], where)
            self.pictures[words[1]] = Picture(w, h)
            return None
        if op == "draw":
            w, h = size_of(words[1], where)
            hotspot, rest = hotspot_of(words[2:], where)
            fill = None
            if rest[:1] == ["on"] and len(rest) == 2:
                fill = self.colour(rest[1], where)
            elif rest:
                raise ValueError
            image = Picture(w, h, fill)
            image.hotspot = hotspot
            self.images.append(image)
            return image
        if canvas is None:
            raise ArtError(f"{where}: '{op}' outside a drawn image")
        self.draw(canvas, words, where)
        return canvas

    def draw(self, canvas, words, where):
        op, args = words[0], words[1:]
        radius = 0
        if len(args) >= 2 and args[-2] == "round":
            radius = int(args[-1])
            args = args[:-2]
        if op in ("fill", "frame") and len(args) == 5:
            x, y, w, h = (int(v) for v in args[:4])
            rgb = self.colour(args[4], where)
            for py in range(y, y + h):
                for px in range(x, x + w):
                    if not inside_rounded(px, py, x, y, w, h, radius):
                        continue
                    if op == "frame" and inside_rounded(px, py, x + 1, y + 1, w - 2, h - 2, max(radius - 1, 0)):
                        continue
                    canvas.put(px, py, rgb)
        elif op == "gradient" and len(args) in (6, 7):
            x, y, w, h = (int(v) for v in args[:4])
            c1, c2 = self.colour(args[4], where), self.colour(args[5], where)
            across = len(args) == 7
            if across and args[6] != "across":
                raise ValueError
            span = max((w if across else h) - 1, 1)
            for py in range(y, y + h):
                for px in range(x, x + w):
                    if inside_rounded(px, py, x, y, w, h, radius):
                        canvas.put(px, py, blend(c1, c2, ((px - x) if across else (py - y)) / span))
        elif op == "disc" and len(args) == 4:
            cx, cy, r = (int(v) for v in args[:3])
            rgb = self.colour(args[3], where)
            for py in range(cy - r, cy + r + 1):
                for px in range(cx - r, cx + r + 1):
                    if (px - cx) ** 2 + (py - cy) ** 2 <= r * r + r * 0.8:
                        canvas.put(px, py, rgb)
        elif op == "line" and len(args) == 5:
            x1, y1, x2, y2 = (int(v) for v in args[:4])
            rgb = self.colour(args[4], where)
            steps = max(abs(x2 - x1), abs(y2 - y1), 1)
            for i in range(steps + 1):
                canvas.put(round(x1 + (x2 - x1) * i / steps), round(y1 + (y2 - y1) * i / steps), rgb)
        elif op == "polygon" and len(args) >= 4:
            rgb = self.colour(args[0], where)
            points = [tuple(float(v) for v in p.split(",")) for p in args[1:]]
            ys = [p[1] for p in points]
            for py in range(int(min(ys)), int(max(ys)) + 1):
                cy = py + 0.5
                crossings = []
                for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
                    if (ay <= cy < by) or (by <= cy < ay):
                        crossings.append(ax + (cy - ay) * (bx - ax) / (by - ay))
                crossings.sort()
                for left, right in zip(crossings[::2], crossings[1::2]):
                    for px in range(int(left + 0.5), int(right + 0.5)):
                        canvas.put(px, py, rgb)
        elif op == "place" and len(args) >= 3:
            picture = self.picture(args[0], where)
            x, y = int(args[1]), int(args[2])
            scale, paint, grey = 1, None, False
            options = args[3:]
            while options:
                if options[0] == "grey":
                    grey, options = True, options[1:]
                elif options[0] == "scale":
                    scale, options = int(options[1]), options[2:]
                elif options[0] == "as":
                    paint, options = self.colour(options[1], where), options[2:]
                else:
                    raise ValueError
            for py in range(picture.height * scale):
                for px in range(picture.width * scale):
                    rgb = picture.pixels[py // scale][px // scale]
                    if rgb is None:
                        continue
                    if paint is not None:
                        rgb = paint
                    if grey:
                        level = round(0.3 * (rgb >> 16) + 0.59 * ((rgb >> 8) & 0xFF) + 0.11 * (rgb & 0xFF))
                        rgb = level * 0x010101
                    canvas.put(x + px, y + py, rgb)
        else:
            raise ArtError(f"{where}: cannot read '{' '.join(words)}'")


def bgr_rows(image, transparent_as=0):
    """24-bit rows, bottom row first, each padded to four bytes."""
    out = []
    for row in reversed(image.pixels):
        data = bytearray()
        for rgb in row:
            rgb = transparent_as if rgb is None else rgb
            data += bytes((rgb & 0xFF, (rgb >> 8) & 0xFF, rgb >> 16))
        data += bytes(-len(data) % 4)
        out.append(bytes(data))
    return b"".join(out)


def mask_rows(image):
    """1-bit AND mask, bottom row first: 1 where the picture is transparent."""
    out = []
    for row in reversed(image.pixels):
        bits = bytearray((len(row) + 31) // 32 * 4)
        for x, rgb in enumerate(row):
            if rgb is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        out.append(bytes(bits))
    return b"".join(out)


def info_header(width, height, size):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, size, 0, 0, 0, 0)


def make_bmp(images):
    if len(images) != 1:
        raise ArtError("a .bmp holds exactly one image")
    image = images[0]
    if any(rgb is None for row in image.pixels for rgb in row):
        raise ArtError("a .bmp has no transparent colour")
    pixels = bgr_rows(image)
    header = info_header(image.width, image.height, len(pixels))
    offset = 14 + len(header)
    return struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) + header + pixels


def make_icon(images, cursor):
    blobs = []
    for image in images:
        xor = bgr_rows(image)
        mask = mask_rows(image)
        blobs.append(info_header(image.width, image.height * 2, len(xor) + len(mask)) + xor + mask)
    out = struct.pack("<HHH", 0, 2 if cursor else 1, len(images))
    offset = 6 + 16 * len(images)
    for image, blob in zip(images, blobs):
        w, h = image.width, image.height
        planes, bits = image.hotspot if cursor else (1, 24)
        out += struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, planes, bits, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


def convert(path):
    target = path[: -len(".txt")]
    kind = os.path.splitext(target)[1].lower()
    art = Art(path)
    art.parse()
    if not art.images:
        raise ArtError(f"{path}: no image")
    if kind == ".bmp":
        data = make_bmp(art.images)
    elif kind in (".ico", ".cur"):
        data = make_icon(art.images, kind == ".cur")
    else:
        raise ArtError(f"{path}: name it NAME.bmp.txt, NAME.ico.txt or NAME.cur.txt")
    with open(target, "wb") as f:
        f.write(data)
    print(f"{target}: {len(art.images)} image(s), {len(data)} bytes")


def main(args):
    if not args:
        sys.exit(__doc__)
    try:
        for arg in args:
            if os.path.isdir(arg):
                for name in sorted(os.listdir(arg)):
                    if name.endswith((".bmp.txt", ".ico.txt", ".cur.txt")):
                        convert(os.path.join(arg, name))
            else:
                convert(arg)
    except ArtError as e:
        sys.exit(str(e))


if __name__ == "__main__":
    main(sys.argv[1:])
