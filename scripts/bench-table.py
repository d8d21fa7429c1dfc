#!/usr/bin/env python3
"""The README's performance table from one run of scripts/bench: each ratio against its baseline of the same run.

Usage: scripts/bench-table.py RESULTS ALLOCATIONS CYCLES
  RESULTS      the folder of the benchmarks' JSON outputs and the load-cycle test's log
  ALLOCATIONS  passed or failed: the allocation test's result
  CYCLES       passed or failed: the load-cycle test's result
"""
import json
import os
import platform
import re
import subprocess
import sys

results, allocations, cycles_test = sys.argv[1:4]

# Median of the repetitions of each benchmark, in nanoseconds, with its counters.
medians = {}
for name in os.listdir(results):
    if name.endswith(".json"):
        with open(os.path.join(results, name)) as file:
            for run in json.load(file)["benchmarks"]:
                if run.get("aggregate_name") == "median":
                    scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[run["time_unit"]]
                    medians[run["run_name"]] = dict(run, ns=run["real_time"] * scale)


def ns(name):
    return medians[name]["ns"]


def show_ns(*names):
    return " / ".join(f"{ns(name):.1f}" for name in names) + " ns"


hook_ratio = ns("RollingHookCall") / ns("BareClockReading")
bar_ratio = ns("RevolutionBarDrawable") / ns("FourteenCanvasCalls")
sound = medians["BeatWithSoundFile"]
missing = medians["BeatWithMissingFile"]

with open(os.path.join(results, "load-cycles.log")) as file:
    cycles = re.search(r"resident memory: \d+ kB after (\d+) cycles, ([+-]\d+) kB over the last (\d+)",
                       file.read())
if cycles:
    warm_up = int(cycles[1]) - int(cycles[3])
    memory = (f"resident memory over {cycles[3]} load-use-unload cycles (after {warm_up} to warm up)",
              f"{cycles[2]} kB" if cycles_test == "passed" else f"{cycles[2]} kB: test `LoadCycles.*` failed")
else:
    memory = ("resident memory over repeated load-use-unload cycles", "test `LoadCycles.*` failed")

rows = [
    ("the hook, one input update while rolling (between beats)", show_ns("RollingHookCall"), ""),
    ("a bare clock reading", show_ns("BareClockReading"), ""),
    ("ratio", f"{hook_ratio:.2f}x", "at most 2x"),
    ("a whole host tick with the plugin, without it, outside free play",
     show_ns("RollingTick", "TickWithoutPlugin", "TickOutsideFreeplay"), ""),
    ("the bar's drawable, one frame", show_ns("RevolutionBarDrawable"), ""),
    ("the same fourteen canvas calls alone", show_ns("FourteenCanvasCalls"), ""),
    ("ratio", f"{bar_ratio:.2f}x", "at most 2x"),
    ("a whole host frame with the bar, with it hidden", show_ns("RevolutionBarFrame", "HiddenBarFrame"), ""),
    ("heap allocations per tick and per frame",
     "0 (test `Allocation.*`)" if allocations == "passed" else "not 0: test `Allocation.*` failed", "0"),
    ("a beat with `timesup.wav` present (`PlayBeatSound`, SDL dummy driver): median, p99",
     f"{sound['median_us']:.1f} us, {sound['p99_us']:.1f} us", "under 100 us, under 1 ms"),
    ("a beat with the file missing (the console line): median", f"{missing['median_us']:.1f} us", ""),
    ("module load to ready, plus unload", f"{ns('LoadToReadyAndUnload') / 1e6:.2f} ms", ""),
    (*memory, "flat"),
]

goals = [
    ("the hook's ratio", hook_ratio <= 2),
    ("the drawable's ratio", bar_ratio <= 2),
    ("no allocation", allocations == "passed"),
    ("the beat's median", sound["median_us"] < 100),
    ("the beat's p99", sound["p99_us"] < 1000),
    ("flat memory", cycles_test == "passed"),
]

cpu = "an unknown processor"
with open("/proc/cpuinfo") as file:
    for line in file:
        if line.startswith("model name"):
            cpu = line.split(":", 1)[1].strip()
            break
with open("/proc/meminfo") as file:
    memory_gib = int(file.readline().split()[1]) / 2**20
compiler = subprocess.run(["g++", "-dumpfullversion"], capture_output=True, text=True).stdout.strip()
system = platform.freedesktop_os_release().get("PRETTY_NAME", platform.system())

print(f"\nMeasured on {os.cpu_count()} cores of {cpu}, {memory_gib:.0f} GiB, {system}, g++ {compiler},")
print("`release` preset; medians of 5 repetitions, each ratio from this same run.\n")
print("| What | Measured | Goal |")
print("|---|---|---|")
for what, measured, goal in rows:
    print(f"| {what} | {measured} | {goal} |".replace("|  |", "| |"))
missed = [name for name, met in goals if not met]
print("\nGoals missed in this run: " + ", ".join(missed) if missed else "\nEvery goal met in this run.")
