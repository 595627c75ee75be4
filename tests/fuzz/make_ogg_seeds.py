#!/usr/bin/env python3
"""Writes the seed corpus of ogg_loader_fuzz (corpus/ogg/): short Ogg Vorbis streams
encoded by SoX through libvorbis. -R makes SoX repeatable (a fixed stream serial
number), so the files come out the same on every run."""
import os
import subprocess

HERE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "ogg")

SEEDS = {
    # name: (sample rate, channels, Vorbis quality, SoX effects)
    "mono_8000.ogg": (8000, 1, -1, ["synth", "0.05", "sine", "440"]),
    "stereo_22050.ogg": (22050, 2, 3, ["synth", "0.1", "sine", "440", "sine", "660"]),
    "silence_11025.ogg": (11025, 1, 0, ["synth", "0.02", "sine", "440", "vol", "0"]),
}

os.makedirs(HERE, exist_ok=True)
for name, (rate, channels, quality, effects) in SEEDS.items():
    subprocess.run(["sox", "-R", "-n", "-r", str(rate), "-c", str(channels), "-C", str(quality),
                    os.path.join(HERE, name), *effects], check=True)
