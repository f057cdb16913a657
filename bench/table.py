#!/usr/bin/env python3
"""Prints the benchmark table from Google Benchmark's JSON and, when given,
the Wine figures' JSON.

usage: table.py BENCH.json [WINE.json]
"""

import json
import os
import platform
import sys


def medians(path):
    with open(path) as f:
        data = json.load(f)
    found = {}
    for run in data["benchmarks"]:
        if run.get("aggregate_name", "median") == "median":
            found[run["run_name"]] = run
    return data["context"], found


def ns(run):
    scale = {"ns": 1, "us": 1e3, "ms": 1e6, "s": 1e9}[run["time_unit"]]
    return run["cpu_time"] * scale


def machine():
    model = "unknown CPU"
    if os.path.exists("/proc/cpuinfo"):
        for line in open("/proc/cpuinfo"):
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    return f"{model}, {os.cpu_count()} cores, Linux {platform.release()}"


def main(argv):
    if len(argv) not in (2, 3):
        print(__doc__, file=sys.stderr)
        return 2
    context, runs = medians(argv[1])
    rows = []
    tick, floor = ns(runs["BM_Tick"]), ns(runs["BM_Tick_Floor"])
    rows.append(("tick: `second_change` with a trivial module", f"{tick:.0f} ns",
                 f"{floor:.0f} ns (floor)", f"{tick / floor:.2f}x", "at most 2x",
                 "met" if tick / floor <= 2 else "NOT met"))
    copy = ns(runs["BM_Event_Copy"])
    rows.append(("of it: the event record passed by value", f"{copy:.0f} ns", "", f"{copy / tick:.0%} of the tick",
                 "kept", ""))
    per_byte = {}
    for size, label in ((1 << 10, "1 KiB"), (64 << 10, "64 KiB"), (1 << 20, "1 MiB")):
        ours = runs[f"BM_Get_Sentence/{size}"]
        base = runs[f"BM_Get_Sentence_Floor/{size}"]
        ratio = ours["bytes_per_second"] / base["bytes_per_second"]
        per_byte[label] = ns(ours) / size
        goal = "at least 0.5x" if size == 1 << 20 else ""
        verdict = ("met" if ratio >= 0.5 else "NOT met") if goal else ""
        rows.append((f"`get_sentence`, {label}", f"{ours['bytes_per_second'] / 1e9:.2f} GB/s",
                     f"{base['bytes_per_second'] / 1e9:.2f} GB/s (memmem + memchr)", f"{ratio:.2f}x", goal, verdict))
    growth = per_byte["1 MiB"] / per_byte["1 KiB"]
    rows.append(("`get_sentence` time per byte, 1 MiB against 1 KiB", f"{per_byte['1 MiB']:.3f} ns/B",
                 f"{per_byte['1 KiB']:.3f} ns/B", f"{growth:.2f}x", "linear (about 1x)",
                 "met" if growth <= 1.5 else "NOT met"))
    if len(argv) == 3:
        with open(argv[2]) as f:
            wine = json.load(f)
        rounds = wine["rounds"]
        ratios = sorted(r["program_cpu"] / r["minimal_cpu"] for r in rounds)
        parts = sorted(r["program_cpu"] / r["parts_cpu"] for r in rounds)
        own = sorted(r["parts_cpu"] / r["minimal_cpu"] for r in rounds)
        cpu = sorted(r["program_cpu"] for r in rounds)
        base = sorted(r["minimal_cpu"] for r in rounds)
        middle = len(rounds) // 2
        ratio = ratios[middle]
        rows.append((f"Wine, 64-bit: CPU over {wine['seconds']:.0f} s of ticking (median of {len(rounds)})",
                     f"{cpu[middle] * 1000:.1f} ms", f"{base[middle] * 1000:.1f} ms (minimal window)",
                     f"{ratio:.2f}x (from {ratios[0]:.2f} to {ratios[-1]:.2f})", "at most 1.2x",
                     "met" if ratio <= 1.2 else "NOT met"))
        rows.append(("of it: the platform work each tick must do, in the minimal window", "",
                     "", f"{own[middle]:.2f}x of the minimal window", "", ""))
        rows.append(("Wine, 64-bit: CPU beside that window doing the same platform work", "",
                     "", f"{parts[middle]:.2f}x (from {parts[0]:.2f} to {parts[-1]:.2f})", "", ""))
        start = wine["start"]
        rows.append(("Wine, 64-bit: start until the window shows", f"{start['program_window'] * 1000:.0f} ms",
                     f"{start['minimal_window'] * 1000:.0f} ms (minimal window)",
                     f"{start['program_window'] / start['minimal_window']:.2f}x", "reported", ""))
        rows.append(("Wine, 64-bit: start until the first sentence", f"{start['program_first_sentence'] * 1000:.0f} ms",
                     f"{start['minimal_window'] * 1000:.0f} ms (minimal window)",
                     f"{start['program_first_sentence'] / start['minimal_window']:.2f}x", "reported", ""))
    header = ("figure", "Tarnwhistle", "baseline, same run", "ratio", "goal", "")
    print("| " + " | ".join(header) + " |")
    print("|" + "---|" * len(header))
    for row in rows:
        print("| " + " | ".join(row) + " |")
    print()
    print(f"Measured on {machine()}, {context.get('date', '')[:10]}; "
          "Google Benchmark medians of 10 interleaved repetitions.")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
