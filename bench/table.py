#!/usr/bin/env python3
"""Reads the results bench/run collected in one folder and prints one Markdown table:
every figure, its goal, what was measured, whether the goal is met, and how.

usage: bench/table.py <results folder>
"""

import json
import os
import re
import sys

folder = sys.argv[1]
rows = []
notes = []


def read(name):
    path = os.path.join(folder, name)
    if not os.path.exists(path):
        return None
    with open(path) as f:
        return f.read()


def row(figure, goal, measured, met, how):
    verdict = {True: "met", False: "**missed**", None: "—"}[met]
    rows.append((figure, goal, measured, verdict, how))


def missing(figure, goal, name, how):
    row(figure, goal, "not measured (%s missing)" % name, None, how)


def bench_json(name):
    text = read(name)
    if not text:
        return None
    try:
        return {b["name"]: b for b in json.loads(text[text.index("{"):])["benchmarks"]}
    except (ValueError, KeyError):
        return None


def fields(line):
    return dict(kv.split("=", 1) for kv in line.split() if "=" in kv)


# ---- collector -------------------------------------------------------------------------------
collector = bench_json("collector.json")
how = ("collector_bench: 200,000 live objects, 1 MiB/s replaced, 3,600 gc_collect() steps "
       "timed one by one")
if collector and "CollectorStepTimes/iterations:1" in collector:
    c = collector["CollectorStepTimes/iterations:1"]
    row("Collector: median step (synthetic heap)", "< 20 µs", "%.1f µs" % c["median_us"],
        c["median_us"] < 20, how)
    row("Collector: p99 / max step (synthetic heap)", "max < 1 ms",
        "%.0f / %.0f µs" % (c["p99_us"], c["max_us"]), c["max_us"] < 1000, how)
else:
    missing("Collector step times", "max < 1 ms", "collector.json", how)
if collector:
    for name, label in (("AllocateSmallObjects", "48-byte objects"), ("AllocateArrays", "64-int arrays")):
        if name in collector:
            row("Collector: allocation, %s" % label, "—",
                "%.1f M/s" % (collector[name]["items_per_second"] / 1e6), None,
                "collector_bench, a step every 1,000 objects / 100 arrays")

# ---- sprites ---------------------------------------------------------------------------------
sprites = read("sprites.txt")
how = ("bench/sprites/run 5000 3 3: 5,000 tinted, rotated, blended sprites per frame at 640 × 480 "
       "on llvmpipe; ours and SDL2 2.26 (opengl driver, batching) alternate; medians of 3 runs")
found = {}
for line in (sprites or "").splitlines():
    m = re.match(r"(\d+)x\d+\s+([\d.]+)\s+([\d.]+)\s+([\d.]+)", line.strip())
    if m:
        found[m.group(1)] = (float(m.group(2)), float(m.group(3)), float(m.group(4)))
for size, goal, need in (("2", "≥ 1.2 × SDL2", 1.2), ("32", "≥ 1.0 × SDL2", 1.0)):
    label = "Sprites per second, %s × %s sprites (ours / SDL2)" % (size, size)
    if size in found:
        ours, sdl, ratio = found[size]
        row(label, goal, "%.0f k / %.0f k = %.2f ×" % (ours * 5, sdl * 5, ratio), ratio >= need, how)
    else:
        missing(label, goal, "sprites.txt", how)

# ---- audio -----------------------------------------------------------------------------------
audio = bench_json("audio.json")
how = "audio_bench on the null OpenAL backend: data/sfx/jazzed.ogg (34.3 s, stereo, 44.1 kHz)"
if audio:
    b = audio.get("VorbisDecode/iterations:10")
    if b:
        row("Vorbis decode (stb_vorbis)", "—", "%.2f ms per second of audio" % b["ms_per_audio_s"], None, how)
    b = audio.get("PlayMusicSameFileAgain")
    if b:
        t = b["real_time"] * {"ns": 1e-3, "us": 1, "ms": 1e3}[b["time_unit"]]
        row("PlayMusic of the same file again", "< 5 ms", "%.2f µs" % t, t < 5000, how)
    b = audio.get("PlayMusicNewFile/iterations:10")
    if b:
        t = b["real_time"] * {"ns": 1e-6, "us": 1e-3, "ms": 1}[b["time_unit"]]
        row("PlayMusic of a file not played before", "—", "%.0f ms" % t, None, how + "; decode + upload")
else:
    missing("Audio figures", "—", "audio.json", how)

# ---- level -----------------------------------------------------------------------------------
level = bench_json("level.json")
how = "level_bench: one whole p_GetLev, the 20,000,000-byte clear included; median of 10 × repeats"
if level:
    def median(prefix):
        for name, b in level.items():
            if name.startswith(prefix) and name.endswith("_median"):
                return b["real_time"] * {"ns": 1e-3, "us": 1, "ms": 1e3}[b["time_unit"]]
        return None
    large = median("GenerateLevel/size:3/progress:30")
    clear = median("ClearGrid")
    if large is not None:
        row("Level generation, Large at progress 30", "< 2 ms", "%.2f ms" % (large / 1000), large < 2000, how)
    if clear is not None:
        row("The 20 MB grid clear alone", "—", "%.2f ms" % (clear / 1000), None, how)
else:
    missing("Level generation", "< 2 ms", "level.json", how)

# ---- whole game ------------------------------------------------------------------------------
SCREENS = ["loader", "menu", "credits", "options", "play", "pause", "game_over"]
CALL_GOALS = {"play": 12, "menu": 16}
GAME_HOW = ("game_bench {size}: the real c_MyApp through the real host loop on a fake clock, "
            "scripted keys, llvmpipe under Xvfb. CPU = main thread (CLOCK_THREAD_CPUTIME_ID), "
            "median / p99 / max over the screen's frames; update = UpdateGame with its collector "
            "step; render = RenderGame (replay, renderer, GL calls with llvmpipe's vertex work on "
            "this thread); fill = glFinish after the render (wall), measured apart; calls = the "
            "renderer's counter")
for size in ("640x480", "1920x1080"):
    text = read("game_%s.txt" % size)
    pretty = size.replace("x", " × ")
    how = GAME_HOW.format(size=pretty)
    if not text:
        missing("Whole game at %s" % pretty, "—", "game_%s.txt" % size, how)
        continue
    head = {}
    screens = {}
    collector_line = None
    for line in text.splitlines():
        if line.startswith("game_bench "):
            head = fields(line)
        elif line.startswith("screen="):
            f = fields(line)
            screens[f["screen"]] = f
        elif line.startswith("collector "):
            collector_line = fields(line)
    strict = size == "640x480"
    for name in SCREENS:
        f = screens.get(name)
        label = "%s %s" % (pretty, name.replace("_", " "))
        if not f:
            row(label, "", "screen not reached", None, how)
            continue
        um, up, ux = (float(f[k]) / 1e3 for k in ("update_med_us", "update_p99_us", "update_max_us"))
        rm, rp, rx = (float(f[k]) / 1e3 for k in ("render_med_us", "render_p99_us", "render_max_us"))
        calls_med, calls_max = float(f["calls_med"]), float(f["calls_max"])
        goals, misses = [], []
        if strict:
            goals += ["update < 0.5 ms", "render < 2 ms"]
            if ux >= 0.5:
                misses.append("update max")
            if rx >= 2:
                misses.append("render max")
        goal = CALL_GOALS.get(name)
        if goal:
            goals.append("calls ≤ %d" % goal)
            if calls_max > goal:
                misses.append("calls")
        measured = ("update %.3f / %.3f / %.2f ms; render %.3f / %.3f / %.2f ms; fill %.1f ms; calls %.0f / %.0f "
                    "(%s frames)" % (um, up, ux, rm, rp, rx, float(f["fill_med_us"]) / 1e3, calls_med, calls_max,
                                     f["frames"]))
        verdict = (not misses) if goals else None
        row(label, ", ".join(goals) or "—", measured, verdict, "game_bench %s, see below" % pretty)
        if misses:
            rows[-1] = rows[-1][:3] + ("**missed**: " + ", ".join(misses),) + rows[-1][4:]
    f = screens.get("switch")
    if f:
        row("%s screen changes (%s frames)" % (pretty, f["frames"]), "—",
            "update max %.2f ms" % (float(f["update_max_us"]) / 1e3), None,
            "frames whose update changed the screen; starting a game generates its level")
    if collector_line and strict:
        minutes = int(head.get("updates", "0")) / 3600.0
        row("Collector: steps during the scripted game (%.1f min, %s games, %s steps)"
            % (minutes, head.get("games", "?"), collector_line["steps"]), "max < 1 ms",
            "CPU median %s / p99 %s / max %s µs; wall p99 %s / max %s µs"
            % (collector_line["median_us"], collector_line["p99_us"], collector_line["max_us"],
               collector_line.get("wall_p99_us", "?"), collector_line.get("wall_max_us", "?")),
            float(collector_line["max_us"]) < 1000,
            "every gc_collect() of the game_bench 640 × 480 run, timed through a link-time wrapper; "
            "the goal is judged on the step's own CPU time (wall time also counts pre-emption)")
    notes.append(how)

# ---- start-up and memory ---------------------------------------------------------------------
startup = read("startup.txt")
how = ("bench/game/startup: the real build/…/tessory on Xvfb 1920 × 1080, a preloaded probe "
       "times exec → first swap without the loader's ovals; median of 5 launches")
fs = {}
for line in (startup or "").splitlines():
    fs.update(fields(line))
if "startup_ms_median" in fs and fs["startup_ms_median"]:
    ms = float(fs["startup_ms_median"])
    row("Start-up to the first menu frame", "< 600 ms",
        "%.0f ms (runs %s; first frame of any kind %s ms)" % (ms, fs.get("startup_ms_runs", "?"),
                                                           fs.get("first_frame_ms_median", "?")),
        ms < 600, how)
else:
    missing("Start-up to the first menu frame", "< 600 ms", "startup.txt", how)
if "peak_rss_mb" in fs:
    mb = float(fs["peak_rss_mb"])
    row("Peak resident memory at %s full screen" % fs.get("size", "?"), "< 150 MB",
        "%.0f MB (at the end: %s MB heap and driver, %s MB mapped files)" % (mb, fs.get("anon_mb", "?"),
                                                                            fs.get("file_mb", "?")), mb < 150,
        "same program: F11 from the menu, a game played with arrow keys, VmHWM from /proc before F4")
else:
    missing("Peak resident memory", "< 150 MB", "startup.txt", how)

print("| figure | goal | measured | verdict | how |")
print("|---|---|---|---|---|")
for r in rows:
    print("| " + " | ".join(r) + " |")
if notes:
    print()
    for note in notes:
        print("- " + note)
