#!/usr/bin/env python3
"""Writes the seed corpus of image_loader_fuzz (corpus/image/): small pictures in every
format stb_image reads. PNG, BMP, TGA, PNM, PSD, HDR, GIF and PIC are packed here byte
by byte; the JPEGs come from ImageMagick's convert (a build dependency)."""
import os
import struct
import subprocess
import zlib

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "image")
W, H = 4, 3


def png(colour_type, bits, rows, extra=b"", interlace=0):
    """rows: the raw scanlines, each already prefixed with its filter byte."""
    def chunk(tag, body):
        return struct.pack(">I", len(body)) + tag + body + struct.pack(">I", zlib.crc32(tag + body))
    ihdr = struct.pack(">IIBBBBB", W, H, bits, colour_type, 0, 0, interlace)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + extra +
            chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


def png_rows(bytes_per_row):
    # One row per filter kind (none, sub, up) so every unfiltering path starts covered.
    return [bytes([f]) + bytes((17 * f + 29 * i) & 0xFF for i in range(bytes_per_row))
            for f in range(H)]


def plte(*colours):
    body = b"".join(bytes(c) for c in colours)
    return struct.pack(">I", len(body)) + b"PLTE" + body + struct.pack(">I", zlib.crc32(b"PLTE" + body))


def trns(alphas):
    return struct.pack(">I", len(alphas)) + b"tRNS" + alphas + struct.pack(">I", zlib.crc32(b"tRNS" + alphas))


def bmp(bits, pixels, palette=b""):
    stride = (W * bits // 8 + 3) & ~3
    rows = b"".join(pixels[y * W * bits // 8:(y + 1) * W * bits // 8].ljust(stride, b"\0")
                    for y in range(H))
    offset = 54 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, W, H, 1, bits, 0, len(rows), 2835, 2835,
                       len(palette) // 4, 0)
    return b"BM" + struct.pack("<IHHI", offset + len(rows), 0, 0, offset) + info + palette + rows


def tga_rle_rgba():
    # One run of four equal pixels, then eight literal ones.
    head = struct.pack("<BBBHHBHHHHBB", 0, 0, 10, 0, 0, 0, 0, 0, W, H, 32, 8)
    run = bytes([0x80 | 3]) + bytes([10, 20, 30, 255])
    raw = bytes([7]) + bytes(i * 9 % 256 for i in range(8 * 4))
    return head + run + raw


def psd_rgb():
    head = b"8BPS" + struct.pack(">H", 1) + b"\0" * 6 + struct.pack(">HIIHH", 3, H, W, 8, 3)
    planes = b"".join(bytes((c * 80 + i * 7) & 0xFF for i in range(W * H)) for c in range(3))
    return head + struct.pack(">III", 0, 0, 0) + struct.pack(">H", 0) + planes


def softimage_pic():
    # One uncompressed packet of red, green and blue; the loader refuses the format.
    head = struct.pack(">I", 0x5380F634) + b"\0" * 84 + b"PICT" + struct.pack(">HH", W, H)
    return head + b"\0" * 8 + bytes([0, 8, 0, 0xE0]) + bytes(range(W * H * 3))


def gif_one_pixel():
    # Two colours; LZW of one pixel with 3-bit codes: clear (4), 0, end (5).
    return (b"GIF89a" + struct.pack("<HHBBB", 1, 1, 0x80, 0, 0) + b"\xff\xff\xff\0\0\0" +
            b"," + struct.pack("<HHHHB", 0, 0, 1, 1, 0) + b"\x02\x02\x44\x01\0;")


SEEDS = {
    "grey8.png": png(0, 8, png_rows(W)),
    "grey1.png": png(0, 1, png_rows(1)),
    "grey_alpha.png": png(4, 8, png_rows(W * 2)),
    "rgb.png": png(2, 8, png_rows(W * 3)),
    "rgba.png": png(6, 8, png_rows(W * 4)),
    "rgba16.png": png(6, 16, png_rows(W * 8)),
    "palette.png": png(3, 8, [bytes([0]) + bytes([0, 1, 2, 1])] * H,
                       extra=plte((255, 0, 0), (0, 255, 0), (0, 0, 255)) + trns(b"\xff\x80")),
    # Adam7 on 4 x 3: passes 1 and 4 hold one pixel, 5 two, 6 two rows of two, 7 four.
    "interlaced.png": png(6, 8, [b"\0" + bytes(range(n)) for n in (4, 4, 8, 8, 8, 16)],
                          interlace=1),
    "rgb24.bmp": bmp(24, bytes(i * 11 % 256 for i in range(W * H * 3))),
    "palette8.bmp": bmp(8, bytes(i % 2 for i in range(W * H)),
                        palette=b"\0\0\xff\0" + b"\xff\0\0\0"),
    "rle_rgba.tga": tga_rle_rgba(),
    "rgb.tga": struct.pack("<BBBHHBHHHHBB", 0, 0, 2, 0, 0, 0, 0, 0, W, H, 24, 0) +
               bytes(i * 5 % 256 for i in range(W * H * 3)),
    "rgb.ppm": b"P6\n%d %d\n255\n" % (W, H) + bytes(i * 3 % 256 for i in range(W * H * 3)),
    "grey.pgm": b"P5\n%d %d\n255\n" % (W, H) + bytes(range(W * H)),
    "rgb.psd": psd_rgb(),
    "flat.hdr": b"#?RADIANCE\nFORMAT=32-bit_rle_rgbe\n\n-Y %d +X %d\n" % (H, W) +
                bytes([128, 64, 32, 129]) * (W * H),
    "one_pixel.gif": gif_one_pixel(),
    "rgb.pic": softimage_pic(),
}

os.makedirs(HERE, exist_ok=True)
for name, data in SEEDS.items():
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)
# Baseline colour (4:2:0), baseline grey and progressive JPEGs.
for name, args in (("colour.jpg", ["-size", "16x16", "gradient:red-blue"]),
                   ("grey.jpg", ["-size", "8x8", "gradient:", "-colorspace", "Gray"]),
                   ("progressive.jpg", ["-size", "16x8", "gradient:yellow-navy", "-interlace", "JPEG"])):
    subprocess.run(["convert", *args, "-strip", "-quality", "75",
                    os.path.join(HERE, name)], check=True)
