#!/usr/bin/env python3
"""Writes the seed corpus of the WAVE fuzz target (corpus/wav/)."""
import os
import struct

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "wav")


def chunk(tag, body):
    return tag + struct.pack("<I", len(body)) + body


def wave(fmt_code=1, channels=1, rate=44100, bits=16, fmt_extra=b"", before=b"", data=b""):
    align = channels * bits // 8
    fmt = struct.pack("<HHIIHH", fmt_code, channels, rate, rate * align, align, bits) + fmt_extra
    body = b"WAVE" + chunk(b"fmt ", fmt) + before + chunk(b"data", data)
    return b"RIFF" + struct.pack("<I", len(body)) + body


SEEDS = {
    "mono16.wav": wave(data=struct.pack("<4h", 0, 1000, -1000, 32767)),
    "stereo8_list.wav": wave(channels=2, bits=8, before=chunk(b"LIST", b"INFOtest"),
                             data=bytes(range(0, 240, 8))),
    "fmt18.wav": wave(fmt_extra=b"\0\0", data=struct.pack("<2h", 5, -5)),
    "odd_chunk.wav": wave(before=chunk(b"junk", b"abc"), data=b"\1\2"),
    "float.wav": wave(fmt_code=3, bits=32, data=b"\0" * 8),
}

os.makedirs(HERE, exist_ok=True)
for name, data in SEEDS.items():
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)
