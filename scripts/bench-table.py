#!/usr/bin/env python3
"""The README's performance table from one run of scripts/bench: each ratio against its baseline of the same run.

Usage: scripts/bench-table.py RESULTS ALLOCATIONS CYCLES
  RESULTS      the folder of the benchmarks' JSON outputs, the load-cycle test's log, and session/, the
               outputs of a headless session of spinbeat-host with the roll held at 54 BPM
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


def guard_cost(name):
    guarded = ns("Guarded" + name)
    return f"{guarded:.1f} ns, {guarded - ns(name):+.1f} ns"


def show_ns(*names):
    return " / ".join(f"{ns(name):.1f}" for name in names) + " ns"


hook_ratio = ns("RollingHookCall") / ns("BareClockReading")
bar_ratio = ns("RevolutionBarDrawable") / ns("SixteenHostCalls")
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
    ("ratio", f"{hook_ratio:.2f}x", "at most 1.5x"),
    ("the same hook through the host's fault guard: its cost", guard_cost("RollingHookCall"), ""),
    ("a whole host tick with the plugin, without it, outside free play",
     show_ns("RollingTick", "TickWithoutPlugin", "TickOutsideFreeplay"), ""),
    ("the bar's drawable, one frame", show_ns("RevolutionBarDrawable"), ""),
    ("the sixteen host calls it must make alone (free play?, the canvas's size, fourteen canvas calls)",
     show_ns("SixteenHostCalls"), ""),
    ("ratio", f"{bar_ratio:.2f}x", "at most 1.2x"),
    ("the same drawable through the host's fault guard: its cost", guard_cost("RevolutionBarDrawable"), ""),
    ("a whole host frame with the bar, with it hidden", show_ns("RevolutionBarFrame", "HiddenBarFrame"), ""),
    ("the plugin's heap allocations per tick and per frame (the host copies the event's name for the hook, "
     "one a tick)",
     "0 (test `Allocation.*`)" if allocations == "passed" else "not 0: test `Allocation.*` failed", "0"),
    ("a beat with `timesup.wav` present (`PlayBeatSound`, SDL dummy driver): median, p99",
     f"{sound['median_us']:.1f} us, {sound['p99_us']:.1f} us", "under 100 us, under 1 ms"),
    ("a beat with the file missing (the console line): median", f"{missing['median_us']:.1f} us", ""),
    ("module load to ready, plus unload", f"{ns('LoadToReadyAndUnload') / 1e6:.2f} ms", ""),
    (*memory, "flat"),
]

goals = [
    ("the hook's ratio", hook_ratio <= 1.5),
    ("the drawable's ratio", bar_ratio <= 1.2),
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


# ---------------------------------------------------------------------------
# Beat timing on the real clock, from the headless session's own outputs
# ---------------------------------------------------------------------------
session = os.path.join(results, "session")
with open(os.path.join(session, "beats.txt")) as file:
    heard = [float(line) for line in file if line.strip()]
with open(os.path.join(session, "updates.txt")) as file:
    update_starts = [float(line.split()[1]) for line in file if line.strip()]
with open(os.path.join(session, "timing.txt")) as file:
    timing = {name: float(value) for name, value in (line.split() for line in file if line.strip())}
with open(os.path.join(session, "../session.txt")) as file:
    held_ms = int(file.read().split("\n")[1].split()[0])

update_ms = 1000 / 120
buffer_ms = 40
# The beat rule at 54 BPM: the first update with 1112 whole ms or more since the last beat's update.
rule_ms = -(-1112 // update_ms) * update_ms
intervals = [b - a for a, b in zip(heard, heard[1:])]
# Each playback after the update that played it: the last update that began a buffer or more before.
delays = []
for time in heard:
    began = [start for start in update_starts if start + buffer_ms <= time + 1]
    if began:
        delays.append(time - began[-1])

print(f"""
Beat timing, from the same run: `spinbeat-host --headless` on the real clock, the roll held for
{held_ms / 1000:.0f} s at 54 BPM, 120 updates a second, the times read from the captured audio: {len(heard)} beats, the
first heard at {heard[0]:.1f} ms; intervals {sum(intervals) / len(intervals):.1f} ms on average, from {min(intervals):.1f} to {max(intervals):.1f} ms. The
rule gives 1112 ms rounded up to the next update, {rule_ms:.1f} ms, plus that update's lateness (at most
{timing["updates_late_ms"]:.1f} ms in this run), and each beat is heard one device buffer, {buffer_ms} ms, after the update that
played it: {sum(delays) / len(delays):.1f} ms after it on average, {max(delays):.1f} ms at most, while the capture that dates it fell
up to {timing["capture_behind_ms"]:.1f} ms behind and looked at the audio every {timing["capture_look_gap_ms"]:.1f} ms at most.""")
