"""File formats and colour reduction for the artwork generator (standard library only).

Pixels are lists of (r, g, b) tuples, or (r, g, b, a) for PNG, row by row from
the top. Everything here is deterministic: the same pixels give the same bytes.
"""

import struct
import zlib


# ---------------------------------------------------------------------------
# Colour reduction


def median_cut(histogram, count):
    """Up to `count` colours for a {(r, g, b): weight} histogram: median cut,
    then a few rounds of nearest-colour refinement. Sorted, so the order of
    the histogram does not matter."""
    boxes = [sorted(histogram.items())]
    while len(boxes) < count:
        best = None
        for i, box in enumerate(boxes):
            if len(box) < 2:
                continue
            spans = [max(c[0][ch] for c in box) - min(c[0][ch] for c in box) for ch in range(3)]
            weight = sum(w for _, w in box)
            score = max(spans) * weight
            if best is None or score > best[0]:
                best = (score, i, spans.index(max(spans)))
        if best is None:
            break
        _, i, channel = best
        box = sorted(boxes.pop(i), key=lambda item: (item[0][channel], item[0]))
        total = sum(w for _, w in box)
        running, cut = 0, 1
        for j, (_, w) in enumerate(box[:-1]):
            running += w
            cut = j + 1
            if running * 2 >= total:
                break
        boxes[i:i] = [box[:cut], box[cut:]]
    palette = [_mean(box) for box in boxes]
    for _ in range(4):
        groups = [[] for _ in palette]
        for colour, weight in sorted(histogram.items()):
            groups[nearest(palette, colour)].append((colour, weight))
        palette = [_mean(group) if group else palette[i] for i, group in enumerate(groups)]
    return sorted(set(palette))


def _mean(items):
    total = sum(w for _, w in items)
    return tuple(int(round(sum(c[ch] * w for c, w in items) / total)) for ch in range(3))


def nearest(palette, colour):
    """Index of the palette colour closest to `colour` (weighted RGB distance)."""
    best, best_index = None, 0
    for i, p in enumerate(palette):
        dr, dg, db = p[0] - colour[0], p[1] - colour[1], p[2] - colour[2]
        d = 3 * dr * dr + 4 * dg * dg + 2 * db * db
        if best is None or d < best:
            best, best_index = d, i
    return best_index


def indexed(pixels, palette):
    """Maps every pixel to its nearest palette index."""
    cache = {}
    out = []
    for colour in pixels:
        index = cache.get(colour)
        if index is None:
            index = cache[colour] = nearest(palette, colour)
        out.append(index)
    return out


def pad_palette(palette, size):
    """The palette filled up to `size` entries with colours of its own darkest
    shade stepped apart, so every entry stays distinct."""
    palette = list(palette)
    step = 1
    while len(palette) < size:
        candidate = (step, step, step)
        if candidate not in palette:
            palette.append(candidate)
        step += 1
    return palette


# ---------------------------------------------------------------------------
# GIF


def _lzw_codes(indices, min_code_size):
    """(code, bits) pairs of the LZW stream, with the code widths a decoder
    expects: a clear code first, another whenever the table is full."""
    clear = 1 << min_code_size
    end = clear + 1
    first_free = clear + 2

    def width(free):
        return min(12, max(min_code_size + 1, (free - 1).bit_length()))

    codes = [(clear, min_code_size + 1)]
    table = {}
    free = first_free
    prefix = indices[0]
    for k in indices[1:]:
        key = (prefix, k)
        if key in table:
            prefix = table[key]
            continue
        codes.append((prefix, width(free)))
        if free < 4096:
            table[key] = free
            free += 1
        else:
            codes.append((clear, 12))
            table = {}
            free = first_free
        prefix = k
    codes.append((prefix, width(free)))
    codes.append((end, width(free + 1)))
    return codes


def _sub_blocks(data):
    out = bytearray()
    for at in range(0, len(data), 255):
        chunk = data[at:at + 255]
        out.append(len(chunk))
        out += chunk
    out.append(0)
    return bytes(out)


def gif(width, height, palette, indices):
    """A GIF89a file: global colour table, one image at 0,0, LZW minimum code
    size 8, not interlaced, no extension blocks."""
    assert len(palette) in (2, 4, 8, 16, 32, 64, 128, 256)
    assert len(indices) == width * height
    table_bits = len(palette).bit_length() - 2
    out = bytearray(b"GIF89a")
    out += struct.pack("<HHBBB", width, height, 0x80 | 0x70 | table_bits, 0, 0)
    for r, g, b in palette:
        out += bytes((r, g, b))
    out += struct.pack("<BHHHHB", 0x2C, 0, 0, width, height, 0)
    min_code_size = 8
    packed = bytearray()
    bits = count = 0
    for code, size in _lzw_codes(indices, min_code_size):
        bits |= code << count
        count += size
        while count >= 8:
            packed.append(bits & 0xFF)
            bits >>= 8
            count -= 8
    if count:
        packed.append(bits & 0xFF)
    out.append(min_code_size)
    out += _sub_blocks(bytes(packed))
    out.append(0x3B)
    return bytes(out)


# ---------------------------------------------------------------------------
# PNG and BMP


def png(width, height, rgba):
    """An 8-bit RGBA PNG without ancillary chunks."""
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    raw = bytearray()
    for y in range(height):
        raw.append(0)
        for r, g, b, a in rgba[y * width:(y + 1) * width]:
            raw += bytes((r, g, b, a))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def bmp8(width, height, palette, indices):
    """An uncompressed 8-bit BMP with a 256-entry palette, rows bottom-up."""
    assert len(palette) == 256
    stride = (width + 3) & ~3
    pixel_offset = 14 + 40 + 256 * 4
    size = pixel_offset + stride * height
    out = bytearray(b"BM")
    out += struct.pack("<IHHI", size, 0, 0, pixel_offset)
    out += struct.pack("<IiiHHIIiiII", 40, width, height, 1, 8, 0, stride * height, 2835, 2835, 256, 0)
    for r, g, b in palette:
        out += bytes((b, g, r, 0))
    for y in range(height - 1, -1, -1):
        row = bytes(indices[y * width:(y + 1) * width])
        out += row + bytes(stride - width)
    return bytes(out)
