#!/usr/bin/env python3
"""Writes the members of the editor's sample archive into a folder (standard library only).

    python3 tools/make_sample.py FOLDER

Each member is something Quick view shows: a texture with soft transparent edges (TGA, 32-bit with
alpha), an animation of a flame ring (VBM, 4444 ARGB with mipmaps), a short sound (WAV, 16-bit
mono), a table of items (.tbl text), a small level file (shown as hex) and a readme. Everything is
drawn or computed here, so running the script again gives the same bytes.
"""
import math
import os
import struct
import sys


def tga_texture(size=128):
    """A round stone emblem: a lit disc with a ring and a cross cut into it, transparent outside."""
    pixels = bytearray()
    centre = (size - 1) / 2
    for y in range(size):           # top row first (descriptor bit 5)
        for x in range(size):
            dx, dy = (x - centre) / centre, (y - centre) / centre
            r = math.hypot(dx, dy)
            alpha = max(0.0, min(1.0, (1.0 - r) * size / 6))          # soft edge over three pixels
            light = 0.55 + 0.45 * max(0.0, -dx * 0.6 - dy * 0.8) * (1 - r * 0.5)
            ring = abs(r - 0.7) < 0.06
            cross = (abs(dx) < 0.08 or abs(dy) < 0.08) and r < 0.55
            red, green, blue = (200, 150, 60) if ring or cross else (120, 130, 150)
            pixels += bytes((int(blue * light), int(green * light), int(red * light), int(alpha * 255)))
    header = struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, size, size, 32, 0x28)
    return header + bytes(pixels)


def vbm_animation(size=64, frames=12, rate=12, mipmaps=2):
    """A ring of flame that grows and fades, in 4444 ARGB."""
    body = bytearray()
    for f in range(frames):
        t = f / frames
        level_size = size
        for level in range(mipmaps + 1):
            for y in range(level_size):
                for x in range(level_size):
                    cx, cy = (x + 0.5) / level_size - 0.5, (y + 0.5) / level_size - 0.5
                    r = math.hypot(cx, cy) * 2
                    flicker = 0.5 + 0.5 * math.sin(math.atan2(cy, cx) * 7 + t * 2 * math.pi * 3)
                    heat = max(0.0, 1.0 - abs(r - (0.2 + 0.7 * t)) * 6) * (1.0 - 0.6 * t) * (0.7 + 0.3 * flicker)
                    a, red = int(min(1.0, heat * 1.5) * 15), int(min(1.0, heat * 2) * 15)
                    green, blue = int(min(1.0, heat * 1.3) ** 2 * 15), int(heat ** 4 * 15)
                    body += struct.pack("<H", a << 12 | red << 8 | green << 4 | blue)
            level_size = max(1, level_size // 2)
    return struct.pack("<8I", 0x6D62762E, 1, size, size, 1, rate, frames, mipmaps) + bytes(body)


def wav_sound(seconds=1.2, rate=22050):
    """A thump and its rumble: a falling tone over filtered noise, dying away."""
    seed, noise, samples = 12345, 0.0, bytearray()
    for i in range(int(seconds * rate)):
        t = i / rate
        seed = (seed * 1103515245 + 12345) & 0x7FFFFFFF        # our own noise, the same every run
        noise = noise * 0.9 + ((seed >> 8) / (1 << 22) - 1.0) * 0.1
        tone = math.sin(2 * math.pi * (110 - 60 * t) * t)
        value = (0.7 * tone + 2.5 * noise) * math.exp(-3.5 * t) * min(1.0, t * 200)
        samples += struct.pack("<h", int(max(-1.0, min(1.0, value)) * 32000))
    fmt = struct.pack("<HHIIHH", 1, 1, rate, rate * 2, 2, 16)
    chunks = b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"data" + struct.pack("<I", len(samples)) + bytes(samples)
    return b"RIFF" + struct.pack("<I", 4 + len(chunks)) + b"WAVE" + chunks


def items_table():
    lines = ["; items.tbl: what the sample's pickups are", "", "#General", ""]
    for name, mass, value in (("Rock", 12, 0), ("Medkit", 1, 25), ("Ammo crate", 8, 40), ("Data disc", 0.2, 100)):
        lines += ["$Name:\t\t\"%s\"" % name, "$Mass:\t\t%s" % mass, "$Value:\t\t%d" % value, ""]
    return ("\r\n".join(lines + ["#End", ""])).encode("ascii")


def level_file():
    """A level's header and a few rooms as packed records: a binary file, shown as hex."""
    rooms = b"".join(struct.pack("<I3f12s", i, i * 4.0, 0.0, -i * 2.5, ("room%02d" % i).encode()) for i in range(24))
    return b"RFLV" + struct.pack("<III", 200, 24, len(rooms)) + rooms


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    members = {
        "textures.tga": tga_texture(),
        "explosion.vbm": vbm_animation(),
        "sounds.wav": wav_sound(),
        "items.tbl": items_table(),
        "level1.rfl": level_file(),
        "readme.txt": b"Sample archive for QUARNEL\r\nSelect a member and press F3 to look inside it.\r\n",
    }
    for name, data in members.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
