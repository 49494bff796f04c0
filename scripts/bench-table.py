#!/usr/bin/env python3
"""Prints the benchmark table the README shows, from Google Benchmark JSON files (median
aggregates): each figure with its per-item cost and its floor from the same run."""
import json
import os
import platform
import re
import sys


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown"


def fmt_time(value, unit):
    return f"{value:.0f} {unit}" if value >= 100 else f"{value:.3g} {unit}"


def main(paths):
    rows = []
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        for b in data.get("benchmarks", []):
            if b.get("aggregate_name") != "median":
                continue
            name = re.sub(r"/(manual_time|real_time|iterations:\d+|repeats:\d+)", "", b["run_name"])
            per_item = b.get("per_item_ns")
            floor = b.get("floor_ns")
            ratio = ""
            if per_item and floor:
                ratio = f"{per_item / floor:.0f}x" if per_item >= 10 * floor else f"{per_item / floor:.2f}x"
            memory = b.get("bytes_per_item")
            rows.append((name, fmt_time(b["real_time"], b["time_unit"]),
                         f"{per_item:.1f}" if per_item is not None else "",
                         f"{floor:.1f}" if floor is not None else "", ratio,
                         f"{memory:.0f}" if memory is not None else ""))
    print(f"Machine: {os.cpu_count()} cores, {cpu_model()}; medians of the repetitions.")
    print()
    print("| benchmark | median | per item (ns) | floor per item (ns) | ratio | heap per item (B) |")
    print("|---|---|---|---|---|---|")
    for r in rows:
        print("| " + " | ".join(r) + " |")


if __name__ == "__main__":
    main(sys.argv[1:])
