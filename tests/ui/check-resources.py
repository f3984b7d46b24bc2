#!/usr/bin/env python3
"""check-resources.py Morvisk.exe: icon 108 in 16x16 and 32x32, 4, 8 and 32 bits, each with a
real AND mask (Windows 9x ignores alpha), black where transparent, agreeing with the alpha;
every dialog in English and Russian, the Russian ones in the Cyrillic character set."""
import struct
import sys

RT_ICON, RT_DIALOG, RT_GROUP_ICON = 3, 5, 14
DIALOGS = {102, 104, 107, 108, 109, 201, 202, 203, 204, 205}
ICON_FORMATS = {(s, b) for s in (16, 32) for b in (4, 8, 32)}
failures = []


def read_resources(path):
    data = open(path, "rb").read()
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", data, pe + 6)
    optional = pe + 24
    directories = optional + (96 if struct.unpack_from("<H", data, optional)[0] == 0x10B else 112)
    table = optional + optional_size
    spans = [struct.unpack_from("<IIII", data, table + 40 * i + 8) for i in range(sections)]

    def offset(rva):
        return next(rva - va + raw for vs, va, rs, raw in spans if va <= rva < va + max(vs, rs))

    base = offset(struct.unpack_from("<I", data, directories + 16)[0])

    def entries(directory):
        named, ids = struct.unpack_from("<HH", data, base + directory + 12)
        for i in range(named + ids):
            name, target = struct.unpack_from("<II", data, base + directory + 16 + 8 * i)
            yield name, target & 0x7FFFFFFF

    found = {}
    for rtype, t in entries(0):
        for name, n in entries(t):
            for lang, leaf in entries(n):
                rva, size = struct.unpack_from("<II", data, base + leaf)
                found[(rtype, name, lang)] = data[offset(rva):offset(rva) + size]
    return found


def check_icon_image(label, image):
    _, width, height2, _, bpp = struct.unpack_from("<IiiHH", image, 0)
    height, used = height2 // 2, struct.unpack_from("<I", image, 32)[0]
    colour_start = 40 + 4 * ((used or 1 << bpp) if bpp <= 8 else 0)
    colour_row, mask_row = (width * bpp + 31) // 32 * 4, (width + 31) // 32 * 4
    mask_start = colour_start + colour_row * height
    transparent = 0
    for y in range(height):
        row = image[colour_start + y * colour_row:colour_start + (y + 1) * colour_row]
        for x in range(width):
            bit = image[mask_start + y * mask_row + x // 8] >> (7 - x % 8) & 1
            if bpp == 32:
                pixel = row[4 * x:4 * x + 4]
                if (pixel[3] == 0) != (bit == 1):
                    return failures.append("%s: mask and alpha disagree at %d,%d" % (label, x, y))
            else:
                index = row[x] if bpp == 8 else row[x // 2] >> (4 if x % 2 == 0 else 0) & 15
                pixel = image[40 + 4 * index:40 + 4 * index + 3]
            if bit and any(pixel[:3]):
                return failures.append("%s: transparent pixel %d,%d is not black" % (label, x, y))
            transparent += bit
    if transparent in (0, width * height):
        failures.append("%s: not a real mask (%d transparent pixels)" % (label, transparent))


def check_icon(resources):
    by_id = {(t, n): v for (t, n, _), v in resources.items()}
    group = by_id.get((RT_GROUP_ICON, 108), bytes(6))
    formats = set()
    for i in range(struct.unpack_from("<H", group, 4)[0]):
        width, height, _, _, _, bpp, _, image = struct.unpack_from("<BBBBHHIH", group, 6 + 14 * i)
        formats.add((width, bpp))
        check_icon_image("%dx%d %d-bit" % (width, height, bpp), by_id[(RT_ICON, image)])
    if formats != ICON_FORMATS:
        failures.append("icon 108 formats %s, want %s" % (sorted(formats), sorted(ICON_FORMATS)))


def dialog_charset(template):
    # DIALOGEX with DS_SETFONT: the font's charset follows the menu, class and title.
    if struct.unpack_from("<HH", template, 0) != (1, 0xFFFF) or not template[12] & 0x40:
        return None
    at = 26
    for _ in range(3):
        if template[at:at + 2] == b"\xff\xff":
            at += 4
        else:
            while template[at:at + 2] != b"\0\0":
                at += 2
            at += 2
    return template[at + 5]


def check_dialogs(resources):
    for lang in (1033, 1049):
        ids = {n for (t, n, l) in resources if t == RT_DIALOG and l == lang}
        if ids != DIALOGS:
            failures.append("dialogs of language %d: %s, want %s" % (lang, sorted(ids), sorted(DIALOGS)))
    for (t, n, l), template in resources.items():
        if t == RT_DIALOG and l == 1049 and dialog_charset(template) != 204:
            failures.append("Russian dialog %d: character set %s, want 204" % (n, dialog_charset(template)))


resources = read_resources(sys.argv[1])
check_icon(resources)
check_dialogs(resources)
for text in failures:
    print("FAIL " + text)
print("%d problems" % len(failures))
sys.exit(1 if failures else 0)
