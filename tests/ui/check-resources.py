#!/usr/bin/env python3
"""Checks the built program's resources, read from its PE file:
- icon 108 has 16x16 and 32x32 images in 16 colours, 256 colours and 32-bit colour, each with a
  real AND mask (Windows 9x ignores alpha: what the mask leaves opaque is drawn), transparent
  pixels black in the colour part, and in 32-bit images the mask agreeing with the alpha;
- every dialog exists in English (1033) and Russian (1049), and the Russian ones ask for the
  Cyrillic character set (204).
Usage: check-resources.py Morvisk.exe"""
import struct
import sys

RT_ICON, RT_DIALOG, RT_GROUP_ICON = 3, 5, 14
DIALOGS = {102, 104, 107, 108, 109, 201, 202, 203, 204, 205}
ICON_FORMATS = {(s, b) for s in (16, 32) for b in (4, 8, 32)}
failures = []


def fail(text):
    failures.append(text)


def read_resources(path):
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    magic = struct.unpack_from("<H", data, optional)[0]
    directories = optional + (96 if magic == 0x10B else 112)
    resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
    table = optional + optional_size
    spans = []
    for i in range(sections):
        vsize, vaddr, rsize, raw = struct.unpack_from("<IIII", data, table + 40 * i + 8)
        spans.append((vaddr, max(vsize, rsize), raw))

    def offset(rva):
        for vaddr, size, raw in spans:
            if vaddr <= rva < vaddr + size:
                return rva - vaddr + raw
        raise ValueError("rva %x outside the sections" % rva)

    base = offset(resource_rva)

    def entries(directory):
        named, ids = struct.unpack_from("<HH", data, base + directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
            yield name, target

    found = {}
    for rtype, t in entries(0):
        for name, n in entries(t & 0x7FFFFFFF):
            for lang, leaf in entries(n & 0x7FFFFFFF):
                rva, size = struct.unpack_from("<II", data, base + leaf)
                found[(rtype, name, lang)] = data[offset(rva):offset(rva) + size]
    return found


def by_name(resources, rtype, name):
    return [v for (t, n, _), v in resources.items() if t == rtype and n == name]


def check_icon_image(label, image):
    _, width, height2, _, bpp = struct.unpack_from("<IiiHH", image, 0)
    height = height2 // 2
    colours_used = struct.unpack_from("<I", image, 32)[0]
    palette = (colours_used or (1 << bpp)) if bpp <= 8 else 0
    colour_start = 40 + 4 * palette
    colour_row = (width * bpp + 31) // 32 * 4
    mask_start = colour_start + colour_row * height
    mask_row = (width + 31) // 32 * 4
    transparent = opaque = 0
    for y in range(height):
        for x in range(width):
            bit = image[mask_start + y * mask_row + x // 8] >> (7 - x % 8) & 1
            row = image[colour_start + y * colour_row:colour_start + (y + 1) * colour_row]
            if bpp == 32:
                pixel = row[4 * x:4 * x + 4]
                if (pixel[3] == 0) != (bit == 1):
                    fail("%s: mask and alpha disagree at %d,%d" % (label, x, y))
                    return
            elif bpp == 8:
                pixel = image[40 + 4 * row[x]:40 + 4 * row[x] + 3]
            else:
                index = row[x // 2] >> (4 if x % 2 == 0 else 0) & 15
                pixel = image[40 + 4 * index:40 + 4 * index + 3]
            if bit:
                transparent += 1
                if any(pixel[:3]):
                    fail("%s: transparent pixel %d,%d is not black" % (label, x, y))
                    return
            else:
                opaque += 1
    if transparent == 0 or opaque == 0:
        fail("%s: the mask is not a real one (%d transparent, %d opaque pixels)"
             % (label, transparent, opaque))


def check_icon(resources):
    groups = by_name(resources, RT_GROUP_ICON, 108)
    if not groups:
        fail("no icon 108")
        return
    group = groups[0]
    count = struct.unpack_from("<H", group, 4)[0]
    formats = set()
    for i in range(count):
        width, height, _, _, _, bpp, _, image_id = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
        width = width or 256
        formats.add((width, bpp))
        images = by_name(resources, RT_ICON, image_id)
        if not images:
            fail("icon image %d is missing" % image_id)
            continue
        check_icon_image("%dx%d %d-bit" % (width, height, bpp), images[0])
    if formats != ICON_FORMATS:
        fail("icon formats %s, want %s" % (sorted(formats), sorted(ICON_FORMATS)))


def skip_sz_or_ord(data, at):
    first = struct.unpack_from("<H", data, at)[0]
    if first == 0xFFFF:
        return at + 4
    while struct.unpack_from("<H", data, at)[0] != 0:
        at += 2
    return at + 2


def dialog_charset(template):
    version, signature = struct.unpack_from("<HH", template, 0)
    if (version, signature) != (1, 0xFFFF):
        return None
    style = struct.unpack_from("<I", template, 12)[0]
    if not style & 0x40:  # DS_SETFONT
        return None
    at = skip_sz_or_ord(template, 26)  # menu
    at = skip_sz_or_ord(template, at)  # class
    at = skip_sz_or_ord(template, at)  # title
    return template[at + 5]


def check_dialogs(resources):
    for lang in (1033, 1049):
        ids = {n for (t, n, l) in resources if t == RT_DIALOG and l == lang}
        if ids != DIALOGS:
            fail("dialogs of language %d: %s, want %s" % (lang, sorted(ids), sorted(DIALOGS)))
    for (t, n, l), template in resources.items():
        if t == RT_DIALOG and l == 1049 and dialog_charset(template) != 204:
            fail("Russian dialog %d: character set %s, want 204" % (n, dialog_charset(template)))


def main():
    resources = read_resources(sys.argv[1])
    check_icon(resources)
    check_dialogs(resources)
    for text in failures:
        print("FAIL " + text)
    print("%d problems" % len(failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
