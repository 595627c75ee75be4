#!/usr/bin/env python3
"""Reads the results bench/run collected and prints one Markdown table: every figure, its
goal, what was measured, whether the goal is met, the load average as its step started in
each round (bench/run notes it in loads.txt), and how.

The folder holds one subfolder per round (1, 2, 3, ...; a folder without any is one round).
A figure that depends on the machine's speed is the median of its rounds, number by number
(a ratio to a peer is taken within each round first), and its goal is judged on those
medians, never on one round. A figure that could not be measured in some round fails the
table: it is printed as NOT MEASURED, named on stderr, and the exit status is 1.

usage: bench/table.py <results folder>
"""

import json
import os
import re
import statistics
import sys

top = sys.argv[1]
rounds = sorted((d for d in os.listdir(top) if d.isdigit()), key=int) or ["."]
folder = top
rows = []
notes = []
source = None  # the step whose results were read last; its rows carry its load
unmeasured = []


def read(name):
    global source
    source = name.split(".")[0]
    path = os.path.join(folder, name)
    if not os.path.exists(path):
        return None
    with open(path) as f:
        return f.read()


def row(figure, goal, measured, judge, how):
    """judge: None (no goal) or a function of the numbers in `measured`, in order, that
    returns True (met), False or a list of what missed it."""
    rows.append((figure, goal, measured, judge, how, source))


def missing(figure, goal, name, how):
    rows.append((figure, goal, None, "%s missing or unreadable in %s" % (name, folder), how, source))


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


def collect():
    # ---- collector -------------------------------------------------------------------------------
    collector = bench_json("collector.json")
    how = ("collector_bench: 200,000 live objects, 1 MiB/s replaced, a minute of play rounded up "
           "to whole collector cycles (%s gc_collect() steps in %s cycles) timed one by one")
    step = (collector or {}).get("CollectorStepTimes/iterations:1", {})
    how %= ("{:,.0f}".format(step.get("steps", 0)), "{:.0f}".format(step.get("cycles", 0)))
    if collector and "CollectorStepTimes/iterations:1" in collector:
        c = collector["CollectorStepTimes/iterations:1"]
        how += "; the goals are judged on each step's own CPU time, wall time beside it"
        row("Collector: median step (synthetic heap)", "< 20 µs",
            "CPU %.1f µs (wall %.1f µs)" % (c["cpu_median_us"], c["median_us"]), lambda n: n[0] < 20, how)
        row("Collector: p99 / max step (synthetic heap)", "max < 1 ms",
            "CPU %.0f / %.0f µs (wall %.0f / %.0f µs)" % (c["cpu_p99_us"], c["cpu_max_us"], c["p99_us"], c["max_us"]),
            lambda n: n[1] < 1000, how)
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
    how = ("bench/sprites/run 5000 3 3 in each round: 5,000 tinted, rotated, blended sprites per frame at "
           "640 × 480 on llvmpipe; ours and SDL2 2.26 (opengl driver, batching) alternate three times, and the ratio of "
           "their medians is taken within the round")
    found = {}
    for line in (sprites or "").splitlines():
        m = re.match(r"(\d+)x\d+\s+([\d.]+)\s+([\d.]+)\s+([\d.]+)", line.strip())
        if m:
            found[m.group(1)] = (float(m.group(2)), float(m.group(3)), float(m.group(4)))
    for size, goal, need in (("2", "≥ 1.2 × SDL2", 1.2), ("32", "≥ 1.0 × SDL2", 1.0)):
        label = "Sprites per second, %s × %s sprites (ours / SDL2)" % (size, size)
        if size in found:
            ours, sdl, ratio = found[size]
            row(label, goal, "%.0f k / %.0f k = %.2f ×" % (ours * 5, sdl * 5, ratio),
                lambda n, need=need: n[2] >= need, how)
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
            row("PlayMusic of the same file again", "< 5 ms", "%.2f µs" % t, lambda n: n[0] < 5000, how)
        b = audio.get("PlayMusicNewFile/iterations:10")
        if b:
            t = b["real_time"] * {"ns": 1e-6, "us": 1e-3, "ms": 1}[b["time_unit"]]
            row("PlayMusic of a file not played before", "—", "%.0f ms" % t, None, how + "; decode + upload")
    else:
        missing("Audio figures", "—", "audio.json", how)

    # ---- level -----------------------------------------------------------------------------------
    level = bench_json("level.json")
    how = ("level_bench: one whole p_GetLev, the 20,000,000-byte clear included; median of 10 × repeats, "
           "CPU time")
    if level:
        # CPU time: the goal is the generator's own work, not the machine's other load.
        def median(prefix):
            for name, b in level.items():
                if name.startswith(prefix) and name.endswith("_median"):
                    return b["cpu_time"] * {"ns": 1e-3, "us": 1, "ms": 1e3}[b["time_unit"]]
            return None
        large = median("GenerateLevel/size:3/progress:30")
        clear = median("ClearGrid")
        if large is not None:
            row("Level generation, Large at progress 30", "< 2 ms", "%.2f ms" % (large / 1000), lambda n: n[0] < 2, how)
        if clear is not None:
            row("The 20 MB grid clear alone, after a Large level", "—", "%.1f µs" % clear, None, how)
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
                missing(label, "", "game_%s.txt's %s screen" % (size, name), how)
                continue
            um, up, ux = (float(f[k]) / 1e3 for k in ("update_med_us", "update_p99_us", "update_max_us"))
            rm, rp, rx = (float(f[k]) / 1e3 for k in ("render_med_us", "render_p99_us", "render_max_us"))
            calls_med, calls_max = float(f["calls_med"]), float(f["calls_max"])
            goals = []
            if strict:
                goals += ["update < 0.5 ms", "render < 2 ms"]
            goal = CALL_GOALS.get(name)
            if goal:
                goals.append("calls ≤ %d" % goal)

            # The numbers: update med/p99/max, render med/p99/max, fill, calls med/max, frames.
            def judge(n, strict=strict, goal=goal):
                misses = []
                if strict and n[2] >= 0.5:
                    misses.append("update max")
                if strict and n[5] >= 2:
                    misses.append("render max")
                if goal and n[8] > goal:
                    misses.append("calls")
                return misses

            measured = ("update %.3f / %.3f / %.2f ms; render %.3f / %.3f / %.2f ms; fill %.1f ms; calls %.0f / %.0f "
                        "(%s frames)" % (um, up, ux, rm, rp, rx, float(f["fill_med_us"]) / 1e3, calls_med, calls_max,
                                         f["frames"]))
            row(label, ", ".join(goals) or "—", measured, judge if goals else None,
                "game_bench %s, see below" % pretty)
        f = screens.get("switch")
        if f:
            row("%s screen changes" % pretty, "—",
                "update max %.2f ms (%s frames)" % (float(f["update_max_us"]) / 1e3, f["frames"]), None,
                "frames whose update changed the screen; starting a game generates its level")
        if collector_line and strict:
            minutes = int(head.get("updates", "0")) / 3600.0
            row("Collector: steps during the scripted game", "max < 1 ms",
                "CPU median %s / p99 %s / max %s µs; wall p99 %s / max %s µs (%.1f min, %s games, %s steps)"
                % (collector_line["median_us"], collector_line["p99_us"], collector_line["max_us"],
                   collector_line.get("wall_p99_us", "-1"), collector_line.get("wall_max_us", "-1"),
                   minutes, head.get("games", "-1"), collector_line["steps"]),
                lambda n: n[2] < 1000,
                "every gc_collect() of the game_bench 640 × 480 run, timed through a link-time wrapper; "
                "the goal is judged on the step's own CPU time (wall time also counts pre-emption)")
        notes.append(how)

    # ---- start-up, F11, the menu's CPU and memory -------------------------------------------
    startup = read("startup.txt")
    how = ("bench/game/startup: the real build/…/tessory on Xvfb 1920 × 1080, a preloaded probe "
           "times exec → first swap without the loader's ovals; median of the round's launches")
    fs = {}
    for line in (startup or "").splitlines():
        fs.update(fields(line))
    if fs.get("startup_ms_median"):
        row("Start-up to the first menu frame", "< 450 ms",
            "%.0f ms (first frame of any kind %s ms, CPU %s ms)" % (
                float(fs["startup_ms_median"]), fs.get("first_frame_ms_median", "-1"),
                fs.get("first_frame_cpu_ms_median", "-1")),
            lambda n: n[0] < 450, how)
    else:
        missing("Start-up to the first menu frame", "< 450 ms", "startup.txt", how)
    if fs.get("f11_ms_median"):
        row("F11 to the first full-screen menu frame at %s" % fs.get("size", "?"), "< 1.5 s",
            "%.0f ms" % float(fs["f11_ms_median"]), lambda n: n[0] < 1500,
            "same program: F11 from the menu, then its first menu frame after the loading screen "
            "that the change of tier brings; median of the round's launches")
    else:
        missing("F11 to the first full-screen menu frame", "< 1.5 s", "startup.txt", how)
    if fs.get("menu_cpu_ms_median"):
        row("The menu's CPU time per frame, whole process", "—",
            "%.2f ms" % float(fs["menu_cpu_ms_median"]), None,
            "same program at 640 × 480: CPU time of all its threads (llvmpipe's included) over "
            "the menu's first 120 frames, divided by 120; median of the round's launches")
    else:
        missing("The menu's CPU time per frame", "—", "startup.txt", how)
    if "peak_rss_mb" in fs:
        row("Peak resident memory at %s full screen" % fs.get("size", "?"), "< 150 MB",
            "%.0f MB (at the end: %s MB heap and driver, %s MB mapped files)" % (
                float(fs["peak_rss_mb"]), fs.get("anon_mb", "-1"), fs.get("file_mb", "-1")),
            lambda n: n[0] < 150,
            "same program: F11 from the menu, a game played with arrow keys, VmHWM from /proc before F4")
    else:
        missing("Peak resident memory", "< 150 MB", "startup.txt", how)

NUMBER = re.compile(r"\d+(?:\.\d+)?")


def merge(per_round):
    """One row per figure: the median of each number over the rounds, in the text of the
    first round, judged on those medians."""
    out = []
    for figure, goal, measured, judge, how, step in per_round[0]:
        same = [r for rs in per_round for r in rs if r[0] == figure]
        load = ", ".join(round_loads.get(step, "?") for round_loads in step_loads)
        gone = [r[3] for r in same if r[2] is None]
        if gone or len(same) < len(per_round):
            unmeasured.append("%s: %s" % (figure, "; ".join(gone) or "absent in some rounds"))
            out.append((figure, goal, "NOT MEASURED", "**failed**", load, how))
            continue
        numbers = [[float(n) for n in NUMBER.findall(r[2])] for r in same]
        if len({len(n) for n in numbers}) != 1:
            unmeasured.append("%s: the rounds' results differ in shape" % figure)
            out.append((figure, goal, "NOT MEASURED", "**failed**", load, how))
            continue
        medians = [statistics.median(column) for column in zip(*numbers)]

        def median_text(m, it=iter(medians)):
            decimals = len(m.group(0).partition(".")[2])
            return "%.*f" % (decimals, next(it))

        text = NUMBER.sub(median_text, measured)
        if len(per_round) > 1:
            text += " (median of %d rounds)" % len(per_round)
        verdict = "—"
        if judge is not None:
            result = judge(medians)
            if result is True or result == []:
                verdict = "met"
            elif result is False:
                verdict = "**missed**"
            else:
                verdict = "**missed**: " + ", ".join(result)
        out.append((figure, goal, text, verdict, load, how))
    return out


per_round = []
loads = []
step_loads = []  # per round: step -> the 1-minute load average as it started
for r in rounds:
    folder = os.path.join(top, r)
    rows = []
    collect()
    per_round.append(rows)
    load = read("load.txt")
    if load:
        loads.append(load.split()[0])
    step_loads.append(dict(line.split()[:2] for line in (read("loads.txt") or "").splitlines() if line.strip()))
if loads:
    print("Load average (1 min) at the start of each round: %s" % ", ".join(loads))
    print()
print("| figure | goal | measured | verdict | load at the step, by round | how |")
print("|---|---|---|---|---|---|")
for r in merge(per_round):
    print("| " + " | ".join(r) + " |")
if notes:
    print()
    for note in dict.fromkeys(notes):
        print("- " + note)
if unmeasured:
    for what in unmeasured:
        print("bench/table.py: not measured: " + what, file=sys.stderr)
    sys.exit(1)
