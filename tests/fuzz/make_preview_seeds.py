#!/usr/bin/env python3
"""Writes the small seed files of preview_fuzz (one of each picture kind, two sounds and a UTF-16 text) into
preview_seeds/."""
import os
import struct

W, H = 4, 3
PIXELS = [((x * 85) & 255, (y * 120) & 255, 255 - x * 60, 255 if (x + y) % 2 else 0) for y in range(H) for x in range(W)]


def tga(kind, bits, descriptor, body, cmap=b"", cmap_bits=0, cmap_len=0):
    head = struct.pack("<BBBHHBHHHHBB", 2, 1 if cmap else 0, kind, 0, cmap_len, cmap_bits, 0, 0, W, H, bits, descriptor)
    return head + b"ID" + cmap + body


def rle(pixels):
    out = b""
    for p in pixels:  # a run of two then raw packets of one: both packet kinds, crossing rows
        out += bytes([0x81]) + p if len(out) == 0 else bytes([0]) + p
    return out


def bmp(bits, compression, palette, rows, masks=b""):
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, bits, compression, 0, 2835, 2835, len(palette) // 4, 0)
    off = 14 + len(info) + len(masks) + len(palette)
    return b"BM" + struct.pack("<IHHI", off + len(rows), 0, 0, off) + info + masks + palette + rows


def vbm(fmt, frames, mips):
    body = b""
    for f in range(frames):
        w, h = W, H
        for _ in range(mips + 1):
            body += bytes((f * 7 + i) & 255 for i in range(w * h * 2))
            w, h = max(1, w // 2), max(1, h // 2)
    return struct.pack("<8I", 0x6D62762E, 2, W, H, fmt, 15, frames, mips) + body


def wav(tag=0x11, channels=1, block=512, bits=4, data=bytes(64)):
    fmt = struct.pack("<HHIIHH", tag, channels, 22050, 11100 if tag == 0x11 else 22050 * block, block, bits)
    chunks = b"fmt " + struct.pack("<I", len(fmt)) + fmt + b"LIST" + struct.pack("<I", 3) + b"abc\0" + b"data" + struct.pack("<I", len(data)) + data
    return b"RIFF" + struct.pack("<I", 4 + len(chunks)) + b"WAVE" + chunks


def main():
    bgra = [bytes([b, g, r, a]) for r, g, b, a in PIXELS]
    seeds = {
        "rgb24.tga": tga(2, 24, 0, b"".join(p[:3] for p in bgra)),
        "argb32_rle_top.tga": tga(10, 32, 0x28, rle(bgra)),
        "argb16_right.tga": tga(2, 16, 0x11, b"".join(struct.pack("<H", (r >> 3) << 10 | (g >> 3) << 5 | b >> 3 | (a & 0x80) << 8) for r, g, b, a in PIXELS)),
        "grey_rle.tga": tga(11, 8, 0, rle([bytes([p[0]]) for p in PIXELS])),
        "mapped_rle.tga": tga(9, 8, 0, rle([bytes([i % 5]) for i in range(W * H)]), b"".join(p[:3] for p in bgra[:5]), 24, 5),
        "palette8.bmp": bmp(8, 0, b"".join(bgra[:4]), b"".join(bytes([(x + y) % 4 for x in range(W)]) for y in range(H))),
        "rle8.bmp": bmp(8, 1, b"".join(bgra[:4]), bytes([2, 1, 0, 4, 0, 1, 2, 3, 0, 0, 4, 3, 0, 0, 0, 2, 1, 1, 0, 1])),
        "bits565.bmp": bmp(16, 3, b"", bytes(W * 2 * H), struct.pack("<3I", 0xF800, 0x7E0, 0x1F)),
        "argb1555.vbm": vbm(0, 2, 2),
        "rgb565.vbm": vbm(2, 1, 0),
        "ima.wav": wav(),
        "pcm16_stereo.wav": wav(1, 2, 4, 16, bytes((i * 37) & 255 for i in range(96))),
        "utf16.txt": "\ufeffQuick view, \u0444\u0430\u0439\u043b\r\n".encode("utf-16-le"),
    }
    folder = os.path.join(os.path.dirname(os.path.abspath(__file__)), "preview_seeds")
    os.makedirs(folder, exist_ok=True)
    for name, data in seeds.items():
        with open(os.path.join(folder, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
