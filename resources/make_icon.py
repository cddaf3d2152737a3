#!/usr/bin/python3
"""Builds the module's .ico from the picture description in icon/clipboard.icon.

The description lists named colours and, for every image size, the shapes painted in
order. Each size yields two images, 8-bit (palette and 1-bit mask) and 32-bit (straight
alpha), in the order the resource script expects: 16, 24, 32, 48 pixels, 8-bit first.
Only the standard library is used, and the output depends on nothing but the
description, so every build writes the same bytes.

    make_icon.py SOURCE OUTPUT.ico [--preview PREVIEW.png]
"""

import struct
import sys
import zlib

SUBSAMPLES = 16  # per pixel side, for anti-aliased edges
MASK_THRESHOLD = 128  # alpha below this is transparent in the 8-bit image and the mask


class SourceError(Exception):
    pass


def parse_colour(text, line_no):
    if len(text) not in (6, 8):
        raise SourceError(f"line {line_no}: colour {text!r} is not RRGGBB or RRGGBBAA")
    try:
        value = bytes.fromhex(text)
    except ValueError:
        raise SourceError(f"line {line_no}: colour {text!r} is not hexadecimal") from None
    return tuple(value) if len(value) == 4 else tuple(value) + (255,)


def parse_source(text):
    """Returns {size: [shape, ...]}; a shape is (x0, y0, x1, y1, radius, rgba)."""
    colours = {}
    sizes = {}
    shapes = None
    for line_no, raw in enumerate(text.splitlines(), 1):
        words = raw.split("#", 1)[0].split()
        if not words:
            continue
        kind, args = words[0], words[1:]
        if kind == "colour" and len(args) == 2:
            colours[args[0]] = parse_colour(args[1], line_no)
        elif kind == "size" and len(args) == 1:
            shapes = sizes.setdefault(int(args[0]), [])
        elif kind == "rect" and len(args) in (6, 8):
            if shapes is None:
                raise SourceError(f"line {line_no}: shape before any 'size'")
            x0, y0, x1, y1, radius = (float(a) for a in args[:5])
            fill = args[5]
            for name in args[5:7]:
                if name not in colours:
                    raise SourceError(f"line {line_no}: unknown colour {name!r}")
            if len(args) == 8:
                # an outline: the outer shape in the edge colour, the fill inset by its width
                edge, width = colours[args[6]], float(args[7])
                shapes.append((x0, y0, x1, y1, radius, edge))
                x0, y0, x1, y1 = x0 + width, y0 + width, x1 - width, y1 - width
                radius = max(radius - width, 0.0)
            shapes.append((x0, y0, x1, y1, radius, colours[fill]))
        else:
            raise SourceError(f"line {line_no}: cannot read {raw.strip()!r}")
    return sizes


def coverage(shape, px, py):
    """Share of pixel (px, py) inside the rounded rectangle, in 0..1."""
    x0, y0, x1, y1, r, _ = shape
    if px + 1 <= x0 or px >= x1 or py + 1 <= y0 or py >= y1:
        return 0.0
    # the pixel lies clear of the corners: plain box overlap
    if (px >= x0 + r and px + 1 <= x1 - r) or (py >= y0 + r and py + 1 <= y1 - r):
        return (min(px + 1, x1) - max(px, x0)) * (min(py + 1, y1) - max(py, y0))
    inside = 0
    step = 1.0 / SUBSAMPLES
    for sy in range(SUBSAMPLES):
        y = py + (sy + 0.5) * step
        if y < y0 or y >= y1:
            continue
        dy = max(y0 + r - y, y - (y1 - r), 0.0)
        for sx in range(SUBSAMPLES):
            x = px + (sx + 0.5) * step
            if x < x0 or x >= x1:
                continue
            dx = max(x0 + r - x, x - (x1 - r), 0.0)
            if dx * dx + dy * dy <= r * r:
                inside += 1
    return inside / (SUBSAMPLES * SUBSAMPLES)


def render(size, shapes):
    """Paints the shapes in order; returns rows of straight-alpha (r, g, b, a) bytes."""
    pixels = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]
    for shape in shapes:
        sr, sg, sb, sa = (c / 255.0 for c in shape[5])
        for py in range(max(int(shape[1]), 0), min(int(shape[3]) + 1, size)):
            row = pixels[py]
            for px in range(max(int(shape[0]), 0), min(int(shape[2]) + 1, size)):
                a = sa * coverage(shape, px, py)
                if a <= 0.0:
                    continue
                # "over" on premultiplied values
                dr, dg, db, da = row[px]
                row[px] = (
                    sr * a + dr * (1 - a),
                    sg * a + dg * (1 - a),
                    sb * a + db * (1 - a),
                    a + da * (1 - a),
                )
    image = []
    for row in pixels:
        out = []
        for r, g, b, a in row:
            alpha = round(a * 255)
            if alpha == 0:
                out.append((0, 0, 0, 0))
            else:
                out.append((round(r / a * 255), round(g / a * 255), round(b / a * 255), alpha))
        image.append(out)
    return image


def median_cut(colours, limit):
    """Reduces {rgb: count} to at most `limit` colours; returns the list of colours."""
    boxes = [sorted(colours.items())]
    while len(boxes) < limit:
        splittable = [b for b in boxes if len(b) > 1]
        if not splittable:
            break
        box = max(splittable, key=lambda b: (sum(n for _, n in b), len(b)))
        boxes.remove(box)
        spans = [max(c[0][i] for c in box) - min(c[0][i] for c in box) for i in range(3)]
        axis = spans.index(max(spans))
        box.sort(key=lambda c: (c[0][axis], c[0]))
        total = sum(n for _, n in box)
        half, run, cut = total / 2, 0, 1
        for i, (_, n) in enumerate(box[:-1]):
            run += n
            cut = i + 1
            if run >= half:
                break
        boxes += [box[:cut], box[cut:]]
    result = []
    for box in boxes:
        total = sum(n for _, n in box)
        result.append(tuple(round(sum(c[i] * n for c, n in box) / total) for i in range(3)))
    return result


def nearest(palette, rgb):
    return min(
        range(len(palette)),
        key=lambda i: sum((palette[i][k] - rgb[k]) ** 2 for k in range(3)),
    )


def mask_rows(image):
    """The 1-bit AND mask, bottom-up, each row padded to 32 bits; 1 = transparent."""
    size = len(image)
    stride = (size + 31) // 32 * 4
    data = b""
    for row in reversed(image):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a < MASK_THRESHOLD:
                bits[x // 8] |= 0x80 >> (x % 8)
        data += bytes(bits)
    return data


def bitmap_header(size, bits, image_bytes):
    # height counts the colour bitmap and the mask
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, image_bytes, 0, 0, 0, 0)


def icon_image_8bit(image):
    size = len(image)
    counts = {}
    for row in image:
        for r, g, b, a in row:
            if a >= MASK_THRESHOLD:
                counts[(r, g, b)] = counts.get((r, g, b), 0) + 1
    # entry 0 stays black: the colour of masked pixels
    palette = [(0, 0, 0)] + sorted(median_cut(counts, 255), key=lambda c: (-counts.get(c, 0), c))
    lookup = {rgb: nearest(palette[1:], rgb) + 1 for rgb in counts}
    stride = (size + 3) // 4 * 4
    pixels = b""
    for row in reversed(image):
        line = bytearray(stride)
        for x, (r, g, b, a) in enumerate(row):
            if a >= MASK_THRESHOLD:
                line[x] = lookup[(r, g, b)]
        pixels += bytes(line)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    table += b"\0" * (4 * 256 - len(table))
    mask = mask_rows(image)
    return bitmap_header(size, 8, len(pixels) + len(mask)) + table + pixels + mask


def icon_image_32bit(image):
    size = len(image)
    pixels = b"".join(
        struct.pack("<BBBB", b, g, r, a) for row in reversed(image) for r, g, b, a in row
    )
    mask = mask_rows(image)
    return bitmap_header(size, 32, len(pixels) + len(mask)) + pixels + mask


def build_icon(sizes):
    images = []
    for size in sorted(sizes):
        image = render(size, sizes[size])
        images.append((size, 8, icon_image_8bit(image)))
        images.append((size, 32, icon_image_32bit(image)))
    offset = 6 + 16 * len(images)
    directory = struct.pack("<HHH", 0, 1, len(images))
    for size, bits, data in images:
        # a colour count of 0 means 256 or more
        directory += struct.pack(
            "<BBBBHHII", size % 256, size % 256, 0, 0, 1, bits, len(data), offset
        )
        offset += len(data)
    return directory + b"".join(data for _, _, data in images)


def png(width, height, rows):
    """A plain RGBA PNG from rows of (r, g, b, a)."""

    def chunk(kind, body):
        return (
            struct.pack(">I", len(body))
            + kind
            + body
            + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)
        )

    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)
    return (
        b"\x89PNG\r\n\x1a\n"
        + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
        + chunk(b"IDAT", zlib.compress(raw, 9))
        + chunk(b"IEND", b"")
    )


def preview(sizes, scale=6):
    """Every size at its own size and enlarged, on light, dark and checked backgrounds."""
    images = [render(size, sizes[size]) for size in sorted(sizes)]
    backgrounds = [
        lambda x, y: (255, 255, 255),
        lambda x, y: (45, 45, 48),
        lambda x, y: (200, 200, 200) if (x // 4 + y // 4) % 2 else (240, 240, 240),
    ]
    gap = 8
    big = max(sizes)
    band = big * scale + gap
    width = gap + sum(s + gap for s in sizes) + sum(s * scale + gap for s in sizes)
    height = gap + len(backgrounds) * band
    canvas = [[(128, 128, 128, 255)] * width for _ in range(height)]
    for band_no, bg in enumerate(backgrounds):
        top = gap + band_no * band
        for y in range(top, top + big * scale):
            for x in range(gap, width - gap):
                canvas[y][x] = bg(x, y) + (255,)
        left = gap
        for image, zoom in [(i, 1) for i in images] + [(i, scale) for i in images]:
            for y in range(len(image) * zoom):
                for x in range(len(image) * zoom):
                    r, g, b, a = image[y // zoom][x // zoom]
                    br, bg_, bb, _ = canvas[top + y][left + x]
                    k = a / 255
                    canvas[top + y][left + x] = (
                        round(r * k + br * (1 - k)),
                        round(g * k + bg_ * (1 - k)),
                        round(b * k + bb * (1 - k)),
                        255,
                    )
            left += len(image) * zoom + gap
    return png(width, height, canvas)


def main(argv):
    args = argv[1:]
    preview_path = None
    if "--preview" in args:
        i = args.index("--preview")
        preview_path = args[i + 1]
        del args[i : i + 2]
    if len(args) != 2:
        sys.exit(__doc__)
    with open(args[0], encoding="utf-8") as f:
        try:
            sizes = parse_source(f.read())
        except SourceError as e:
            sys.exit(f"{args[0]}: {e}")
    if sorted(sizes) != [16, 24, 32, 48]:
        sys.exit(f"{args[0]}: sizes {sorted(sizes)}, expected 16, 24, 32 and 48")
    with open(args[1], "wb") as f:
        f.write(build_icon(sizes))
    if preview_path:
        with open(preview_path, "wb") as f:
            f.write(preview(sizes))


if __name__ == "__main__":
    main(sys.argv)
