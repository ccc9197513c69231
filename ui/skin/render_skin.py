#!/usr/bin/env python3
"""Renders the program's skin from its SVG sources.

Reads manifest.txt beside this script, fills each template's {{name}} fields, renders it with
rsvg-convert at the exact size, composites the anti-aliased edges onto the colour the image is
drawn over (and turns fully transparent pixels into the key colour where one is named), and
writes opaque PNGs, icon files, skin.rc for windres and one contact sheet per language.

Every bitmap is rendered at 100, 125, 150 and 200 % of its size, as the resources ID, ID + 1000,
ID + 2000 and ID + 3000 (RCDATA holding the PNG): the program draws the one nearest its screen's
scale. The templates are drawn in 96-DPI pixels; the larger renderings scale them by a viewBox.

A second script, skin_updater.rc, names only the images the updater draws (UPDATER_IDS, comma
separated, each with its larger renderings) and the dialog templates.

usage: render_skin.py SKIN_FOLDER LANGUAGE_INI OUTPUT_FOLDER [UPDATER_IDS]
"""
import html
import os
import re
import struct
import subprocess
import sys
import zlib

SKIN, LANGUAGE_INI, OUT = sys.argv[1:4]
UPDATER_IDS = {int(i) for i in sys.argv[4].split(",")} if len(sys.argv) > 4 else set()
LATIN_FONT = "DejaVu Sans"
CJK_FONT = "IPAPGothic"
# Simplified and Traditional Chinese: the Japanese font lacks many of their characters.
CHINESE_FONT = "WenQuanYi Micro Hei"


# ---------------------------------------------------------------- colours
def parse_colour(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


def hex_colour(rgb):
    return "#%02X%02X%02X" % tuple(max(0, min(255, int(round(c)))) for c in rgb)


def mix(rgb, other, amount):
    return tuple(c + (o - c) * amount for c, o in zip(rgb, other))


WHITE, BLACK = (255, 255, 255), (0, 0, 0)

# States differ only in fill: hover about 6 % lighter, pressed about 8 % darker, content 1 px down.
STATE_SHADE = {"normal": (None, 0.0), "hover": (WHITE, 0.06), "pressed": (BLACK, 0.08)}


def state_fields(fields):
    state = fields.get("state", "normal")
    towards, amount = STATE_SHADE[state]
    result = {"dy": "1" if state == "pressed" else "0", "is_pressed": "1" if state == "pressed" else "0"}
    for name in ("base", "accent"):
        if name not in fields:
            continue
        base = parse_colour(fields[name])
        if towards:
            base = mix(base, towards, amount)
        result[name] = hex_colour(base)
        result[name + "_top"] = hex_colour(mix(base, WHITE, 0.10))
        result[name + "_bottom"] = hex_colour(mix(base, BLACK, 0.05))
        result[name + "_light"] = hex_colour(mix(base, WHITE, 0.30))
        result[name + "_edge"] = hex_colour(mix(base, BLACK, 0.22))
    # Flat overlays for buttons that sit on the caption band (white for hover, dark for pressed).
    result["overlay"] = {"normal": "#FFFFFF", "hover": "#FFFFFF", "pressed": "#1E3A66"}[state]
    result["overlay_opacity"] = {"normal": "0", "hover": "0.22", "pressed": "0.22"}[state]
    return result


# ---------------------------------------------------------------- language file
def read_languages(path):
    sections, order, current = {}, [], None
    section_line = re.compile(r'^\s*\[(.*)\]\s*$')
    text_line = re.compile(r'^\s*([^;].*)\s*=\s*"(.+)"\s*$')
    with open(path, encoding="utf-8") as source:
        for line in source:
            line = line.rstrip("\r\n")
            match = section_line.match(line)
            if match:
                current = match.group(1)
                if current not in sections:
                    sections[current] = {}
                    order.append(current)
                continue
            match = text_line.match(line)
            if match and current is not None:
                value = match.group(2).replace("\\t", "\t").replace("\\n", "\n")
                sections[current].setdefault(match.group(1), value)
    return sections, order


SECTIONS, LANGUAGE_ORDER = read_languages(LANGUAGE_INI)
SHEET_NAMES = {"English": "en", "Deutsch": "de", "Français": "fr", "Español": "es", "Italiano": "it", "日本語": "jp",
               "Português": "pt", "Nederlands": "nl", "العربية": "ar", "简体中文": "cn", "繁體中文": "hk"}


def language_text(language, key):
    return SECTIONS.get(language, {}).get(key) or SECTIONS["English"].get(key, key)


def font_for(language):
    if language == "日本語":
        return "%s, %s" % (CJK_FONT, LATIN_FONT)
    if language in ("简体中文", "繁體中文"):
        return "%s, %s" % (CHINESE_FONT, LATIN_FONT)
    return "%s, %s" % (LATIN_FONT, CJK_FONT)


# ---------------------------------------------------------------- PNG reading and BMP writing
def read_png(data):
    assert data[:8] == b"\x89PNG\r\n\x1a\n"
    pos, idat, width = 8, b"", 0
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour_type, _, _, interlace = struct.unpack(">IIBBBBB", body)
            assert depth == 8 and colour_type in (2, 6) and interlace == 0, "rsvg-convert writes 8-bit RGB(A)"
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    raw = zlib.decompress(idat)
    channels = 4 if colour_type == 6 else 3
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        row = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        if kind == 1:
            for i in range(channels, stride):
                row[i] = (row[i] + row[i - channels]) & 255
        elif kind == 2:
            row = bytearray((a + b) & 255 for a, b in zip(row, previous))
        elif kind == 3:
            for i in range(stride):
                left = row[i - channels] if i >= channels else 0
                row[i] = (row[i] + ((left + previous[i]) >> 1)) & 255
        elif kind == 4:
            for i in range(stride):
                a = row[i - channels] if i >= channels else 0
                b = previous[i]
                c = previous[i - channels] if i >= channels else 0
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                row[i] = (row[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        previous = row
        if channels == 3:
            opaque = bytearray(width * 4)
            for x in range(width):
                opaque[x * 4:x * 4 + 4] = row[x * 3:x * 3 + 3] + b"\xff"
            row = opaque
        rows.append(row)
    return width, height, rows


def write_png(path, width, height, rgb_rows):
    raw = b"".join(b"\x00" + bytes(row) for row in rgb_rows)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                  chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))


def composite(rows, matte, key):
    """RGBA rows -> RGB rows on the matte; fully transparent pixels take the key colour."""
    result = []
    for row in rows:
        out = bytearray(len(row) // 4 * 3)
        for x in range(len(row) // 4):
            r, g, b, a = row[x * 4:x * 4 + 4]
            if a == 0 and key is not None:
                out[x * 3:x * 3 + 3] = bytes(key)
            elif a == 255:
                out[x * 3:x * 3 + 3] = bytes((r, g, b))
            else:
                # rsvg-convert writes straight (not premultiplied) alpha.
                out[x * 3:x * 3 + 3] = bytes(int(round(c * a / 255 + m * (255 - a) / 255)) for c, m in zip((r, g, b), matte))
        result.append(out)
    return result


def write_ico(path, images):
    """images: (size, rgba rows) each; written as 32-bit DIB entries with an AND mask."""
    entries, blobs = [], []
    offset = 6 + 16 * len(images)
    for size, rows in images:
        header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
        pixels = bytearray()
        for row in reversed(rows):
            for x in range(size):
                r, g, b, a = row[x * 4:x * 4 + 4]
                pixels += bytes((b, g, r, a))
        mask_stride = ((size + 31) // 32) * 4
        mask = bytearray()
        for row in reversed(rows):
            bits = bytearray(mask_stride)
            for x in range(size):
                if row[x * 4 + 3] == 0:
                    bits[x // 8] |= 0x80 >> (x % 8)
            mask += bits
        blob = header + pixels + mask
        entries.append(struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset))
        blobs.append(blob)
        offset += len(blob)
    with open(path, "wb") as out:
        out.write(struct.pack("<HHH", 0, 1, len(images)) + b"".join(entries) + b"".join(blobs))


# ---------------------------------------------------------------- rendering
def render(svg_text, width, height, work_name):
    w, h, rows = read_png(render_png(svg_text, width, height, work_name))
    assert (w, h) == (width, height), work_name
    return rows


# The scales rendered, with the resource id offset of each.
SCALES = ((1.25, 1000), (1.5, 2000), (2.0, 3000))


def scaled_size(pixels, scale):
    """Halves rounded up, as the program expects."""
    return int(pixels * scale + 0.5)


def scaled_svg(svg_text, width, height, scale):
    """The template as filled (in 96-DPI pixels), drawn at `scale` through a viewBox."""
    opening = re.search(r"<svg[^>]*>", svg_text).group(0)
    tag = re.sub(r'\s(width|height|viewBox)="[^"]*"', "", opening)
    tag = tag[:-1] + ' width="%d" height="%d" viewBox="0 0 %d %d">' % (
        scaled_size(width, scale), scaled_size(height, scale), width, height)
    return svg_text.replace(opening, tag, 1)


def render_png(svg_text, width, height, work_name, background=None):
    svg_path = os.path.join(OUT, "svg", work_name + ".svg")
    with open(svg_path, "w", encoding="utf-8") as out:
        out.write(svg_text)
    command = ["rsvg-convert", "-w", str(width), "-h", str(height)]
    if background:
        command += ["-b", background]
    return subprocess.run(command + [svg_path], check=True, stdout=subprocess.PIPE).stdout


MEASURED = {}


def measure(text, font, weight, size=40):
    """Width and height in pixels of one line of text at the given size, as rsvg renders it."""
    key = (text, font, weight, size)
    if key not in MEASURED:
        width, height = 40 + int(len(text) * size * 1.3), int(size * 2)
        svg = ('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d"><text x="10" y="%d" '
               'font-family="%s" font-weight="%s" font-size="%d" fill="#000">%s</text></svg>'
               % (width, height, int(size * 1.4), font, weight, size, html.escape(text)))
        rows = render(svg, width, height, "measure")
        xs = [x for row in rows for x in range(width) if row[x * 4 + 3] > 0]
        ys = [y for y, row in enumerate(rows) if any(row[x * 4 + 3] > 0 for x in range(width))]
        MEASURED[key] = (max(xs) - min(xs) + 1, max(ys) - min(ys) + 1) if xs else (0, 0)
    return MEASURED[key]


def split_two(text):
    """Two lines at the space nearest the middle (or the middle character where there is none)."""
    spaces = [i for i, c in enumerate(text) if c == " "]
    if spaces:
        cut = min(spaces, key=lambda i: abs(i - len(text) / 2))
        return [text[:cut], text[cut + 1:]]
    middle = len(text) // 2
    return [text[:middle], text[middle:]]


def fitted_text(text, box, font, fields):
    """SVG text elements that fit text into box: shrink down to the minimum size, then wrap."""
    x, y, w, h = box
    largest, smallest = float(fields.get("max", 32)), float(fields.get("min", 12))
    weight, colour = fields.get("weight", "bold"), fields.get("colour", "#FFFFFF")
    anchor = fields.get("anchor", "middle")
    reference = 40
    lines = [text]
    width, height = measure(text, font, weight, reference)
    size = min(largest, reference * w / max(1, width) * 0.98, reference * h / max(1, height) * 0.80)
    if size < smallest:
        lines = split_two(text)
        widest = max(measure(line, font, weight, reference)[0] for line in lines)
        size = max(8.0, min(largest, reference * w / max(1, widest) * 0.98, reference * h / max(1, height) * 0.40))
    line_gap = size * 1.18
    first = y + h / 2 - line_gap * (len(lines) - 1) / 2 + size * 0.36
    tx = x + w / 2 if anchor == "middle" else x
    shadow = fields.get("shadow")
    out = []
    for i, line in enumerate(lines):
        ty = first + i * line_gap
        common = ('font-family="%s" font-weight="%s" font-size="%.1f" text-anchor="%s"'
                  % (font, weight, size, anchor))
        if shadow:
            out.append('<text x="%.1f" y="%.1f" %s fill="%s" fill-opacity="0.35">%s</text>'
                       % (tx, ty + 1, common, shadow, html.escape(line)))
        out.append('<text x="%.1f" y="%.1f" %s fill="%s">%s</text>' % (tx, ty, common, colour, html.escape(line)))
    return "\n".join(out)


GLYPHS = {}


def glyph(name, x, y, size, stroke_px, colour):
    """A glyph from glyphs/NAME.svg (drawn on its own view box) placed in a size-pixel square."""
    if name not in GLYPHS:
        with open(os.path.join(SKIN, "glyphs", name + ".svg"), encoding="utf-8") as source:
            text = source.read()
        box = float(re.search(r'viewBox="0 0 ([0-9.]+)', text).group(1))
        body = re.search(r"<svg[^>]*>(.*)</svg>", text, re.S).group(1)
        GLYPHS[name] = (box, body)
    box, body = GLYPHS[name]
    scale = float(size) / box
    body = body.replace("{{sw}}", "%.3f" % (float(stroke_px) / scale)).replace("{{c}}", colour)
    return '<g transform="translate(%s %s) scale(%.4f)">%s</g>' % (x, y, scale, body)


def size_fields(width, height):
    """Derived sizes that templates use: W minus 1, 2, 3 and halves."""
    result = {}
    for name, value in (("W", width), ("H", height)):
        for less in range(1, 13):
            result["%sm%d" % (name, less)] = value - less
            result["%sm%d_5" % (name, less)] = value - less - 0.5
        result[name + "h"] = value / 2
    return result


def fill_template(template, fields):
    def field(match):
        name = match.group(1)
        if name.startswith("glyph:"):
            # {{glyph:NAME:X:Y:SIZE:STROKE:COLOUR}}, each part itself a field or a literal
            parts = [fields.get(p, p) for p in name.split(":")[1:]]
            return glyph(*parts)
        if name not in fields:
            raise KeyError("template field '%s' has no value" % name)
        return str(fields[name])

    # Fields may name fields; two passes resolve them.
    for _ in range(3):
        template = re.sub(r"\{\{([^{}]+)\}\}", field, template)
    return template


# ---------------------------------------------------------------- manifest
def read_manifest():
    entries = []
    with open(os.path.join(SKIN, "manifest.txt"), encoding="utf-8") as source:
        for number, line in enumerate(source, 1):
            line = "" if line.lstrip().startswith("#") else line.strip()
            if not line:
                continue
            parts = line.split()
            kind_id, size, template = parts[0], parts[1], parts[2]
            fields = dict(part.split("=", 1) for part in parts[3:])
            kind = "icon" if kind_id.startswith("icon:") else "bitmap"
            identifier = int(kind_id.split(":")[-1])
            entries.append((kind, identifier, size, template, fields, number))
    return entries


def main():
    os.makedirs(os.path.join(OUT, "svg"), exist_ok=True)
    rc_lines = ["// Written by render_skin.py from ui/skin/manifest.txt; do not edit.\n"]
    sheets = {}
    for kind, identifier, size, template_name, fields, line in read_manifest():
        language = fields.get("language", "English")
        with open(os.path.join(SKIN, template_name), encoding="utf-8") as source:
            template = source.read()
        sizes = [int(s) for s in size.split(",")] if kind == "icon" else None
        width, height = (sizes[0], sizes[0]) if sizes else map(int, size.split("x"))
        values = dict(fields)
        values.update(state_fields(fields))
        values.update({"font": font_for(language), "latin_font": LATIN_FONT})
        for key in [k for k in fields if k.startswith("text") and k.endswith("_key")]:
            name = key[:-4]
            box = tuple(float(v) for v in fields[name + "_box"].split(","))
            options = {o[len(name) + 1:]: v for o, v in fields.items() if o.startswith(name + "_")}
            values[name] = fitted_text(language_text(language, fields[key]), box, font_for(language), options)
        if kind == "icon":
            images = []
            for s in sizes:
                values.update({"W": s, "H": s})
                values.update(size_fields(s, s))
                images.append((s, render(fill_template(template, values), s, s, "icon_%d_%d" % (identifier, s))))
            path = os.path.join(OUT, "icon_%d.ico" % identifier)
            write_ico(path, images)
            rc_lines.append('%d ICON "%s"\n' % (identifier, path))
            continue
        values.update({"W": width, "H": height})
        values.update(size_fields(width, height))
        svg = fill_template(template, values)
        rows = render(svg, width, height, "bitmap_%d" % identifier)
        matte = parse_colour(fields.get("matte", "#FFFFFF"))
        key = parse_colour(fields["key"]) if "key" in fields else None
        rgb = composite(rows, matte, key)
        path = os.path.join(OUT, "bitmap_%d.png" % identifier)
        write_png(path, width, height, rgb)
        rc_lines.append('%d RCDATA "%s"\n' % (identifier, path))
        sheets.setdefault(language if "language" in fields else None, []).append((identifier, width, height, rgb))
        for scale, offset in SCALES:
            w, h = scaled_size(width, scale), scaled_size(height, scale)
            larger = scaled_svg(svg, width, height, scale)
            work = "bitmap_%d" % (identifier + offset)
            path = os.path.join(OUT, work + ".png")
            if key is None or key == matte:
                # rsvg composites onto the matte itself; a key equal to the matte is what it leaves.
                with open(path, "wb") as out:
                    out.write(render_png(larger, w, h, work, fields.get("matte", "#FFFFFF")))
            else:
                write_png(path, w, h, composite(render(larger, w, h, work), matte, key))
            rc_lines.append('%d RCDATA "%s"\n' % (identifier + offset, path))
    rc_lines.append('#include "%s"\n' % os.path.join(SKIN, "dialogs.rc"))
    updater_lines = [line for line in rc_lines
                     if not line[0].isdigit() or int(line.split()[0]) % 1000 in UPDATER_IDS and int(line.split()[0]) < 4000]
    write_rc("skin_updater.rc", updater_lines)
    write_contact_sheets(sheets)
    write_rc("skin.rc", rc_lines)


def write_rc(name, lines):
    with open(os.path.join(OUT, name + ".new"), "w", encoding="utf-8") as out:
        out.writelines(lines)
    os.replace(os.path.join(OUT, name + ".new"), os.path.join(OUT, name))


def write_contact_sheets(sheets):
    """One PNG per language: the common images and that language's own, each under its id."""
    os.makedirs(os.path.join(OUT, "png"), exist_ok=True)
    for images in sheets.values():
        for identifier, w, h, rgb in images:
            write_png(os.path.join(OUT, "png", "%d.png" % identifier), w, h, rgb)
    common = sheets.get(None, [])
    for language in [l for l in sheets if l is not None]:
        width, x, y, row_height, parts = 1100, 10, 10, 0, []
        for identifier, w, h, _ in common + sheets[language]:
            if x + w + 10 > width:
                x, y, row_height = 10, y + row_height + 26, 0
            parts.append('<image x="%d" y="%d" width="%d" height="%d" href="png/%d.png"/>'
                         '<text x="%d" y="%d" font-family="%s" font-size="10" fill="#203050">%d</text>'
                         % (x, y, w, h, identifier, x, y + h + 11, LATIN_FONT, identifier))
            x += max(w, 30) + 12
            row_height = max(row_height, h)
        height = y + row_height + 30
        sheet = ('<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d">'
                 '<rect width="100%%" height="100%%" fill="#C8C8C8"/>%s</svg>' % (width, height, "".join(parts)))
        safe = LANGUAGE_ORDER.index(language) if language in LANGUAGE_ORDER else 0
        sheet_path = os.path.join(OUT, "contact-sheet-%d.svg" % safe)
        with open(sheet_path, "w", encoding="utf-8") as out:
            out.write(sheet)
        subprocess.run(["rsvg-convert", "-o", os.path.join(OUT, "contact-sheet-%s.png" % SHEET_NAMES.get(language, safe)),
                        sheet_path], check=True)


if __name__ == "__main__":
    main()
