#!/usr/bin/env python3
"""Writes the seed corpus of saved_state_fuzz: whole states as the game writes them,
cut-off and damaged ones, and the older layout without settings."""
import os
import sys


def wrap(v):
    v &= 0xFFFFFFFF
    return v - (1 << 32) if v & 0x80000000 else v


def state(settings, words, scores):
    v = list(settings) + [wrap(sum(i * s for i, s in enumerate(settings)))]
    v += list(words) + [wrap(sum(words))]
    for g in range(8):
        group, s = [], 0
        for j in range(10):
            t, l = scores[10 * g + j], scores[10 * g + 30 + j]
            group += [t, l]
            s += t * (j + 4) + l * (j + 3 + g)
        v += group + [wrap(s)]
    return "".join("%d|" % x for x in v)


def main(out):
    os.makedirs(out, exist_ok=True)
    settings = [0] * 25
    settings[5], settings[6], settings[7], settings[15] = 1, 2, 3, 1
    settings[10], settings[11], settings[12] = 100, 80, 12
    words = [0, 1, 0, 0, -2147483648, 0, 7, 0]
    scores = [0] * 150
    for j in range(10):
        scores[j] = 9000 - 700 * j
        scores[30 + j] = 1000 + 13 * j
        scores[10 + j] = 40000 - 3000 * j
    full = state(settings, words, scores)
    seeds = {
        "empty": "",
        "defaults": state([0, 0, 0, 0, 0, 1] + [0] * 19, [0] * 8, [0] * 150),
        "full": full,
        "cut_in_scores": full[: full.index("|", 400)],
        "cut_after_settings": "|".join(full.split("|")[:26]) + "|",
        "badges_only_older_layout": "".join("%d|" % w for w in words + [wrap(sum(words))]),
        "one_score_edited": full.replace("|9000|", "|9001|", 1),
        "big_numbers": full.replace("|8300|", "|99999999999|", 1),
        "spaces_and_signs": full.replace("|1000|", "| +1000|", 1),
    }
    for name, text in seeds.items():
        with open(os.path.join(out, name), "w") as f:
            f.write(text)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "corpus", "saved_state"))
