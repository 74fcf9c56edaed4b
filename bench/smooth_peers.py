#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Times copy mode's smoothing of a 1000 x 800 selection against Pillow doing the
same work, in one run, and prints the ratios.

- Quillo: bench_smooth (Google Benchmark): render at 2000 x 1600 with Mitchell
  and with Vennick, then halve by 2 x 2 averaging; one thread and the program's
  default thread count; the best of several short repetitions.
- Pillow: Image.resize to 2000 x 1600 with LANCZOS and with BICUBIC, then
  Image.reduce(2), timed inside Python on a picture already in memory.

Each round runs both once; the best time over the rounds counts, so load from
other work on the machine hits both alike. Ratio = Pillow's time / Quillo's time
(above 1: Quillo is faster).
"""
import argparse
import json
import os
import subprocess
import sys
import time


def run_quillo(bench, min_time, repetitions):
    out = subprocess.run([bench, "--benchmark_filter=^Smooth/", f"--benchmark_min_time={min_time}",
                          f"--benchmark_repetitions={repetitions}", "--benchmark_format=json"],
                         check=True, capture_output=True, text=True).stdout
    times = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("run_type", "iteration") != "iteration":
            continue
        scale = {"ms": 1.0, "us": 1e-3, "ns": 1e-6, "s": 1e3}[b["time_unit"]]
        name = b["name"].split("/real_time")[0]
        times[name] = min(times.get(name, float("inf")), b["real_time"] * scale)
    return times


def run_pillow(image, Image, repetitions):
    times = {}
    for name, flt in (("LANCZOS", Image.Resampling.LANCZOS), ("BICUBIC", Image.Resampling.BICUBIC)):
        best = float("inf")
        for _ in range(repetitions):
            start = time.perf_counter()
            out = image.resize((2000, 1600), flt).reduce(2)
            best = min(best, (time.perf_counter() - start) * 1e3)
            assert out.size == (1000, 800)
        times[name] = best
    return times


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bench", required=True, help="path to the bench_smooth program")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--min-time", type=float, default=0.1, help="Google Benchmark seconds per repetition")
    parser.add_argument("--repetitions", type=int, default=3)
    args = parser.parse_args()
    try:
        from PIL import Image
    except ImportError:
        sys.exit("Pillow is missing: apt-get install python3-pil (and run this with /usr/bin/python3)")

    image = Image.frombytes("RGB", (1000, 800), os.urandom(1000 * 800 * 3))
    quillo, pillow = {}, {}
    for r in range(args.rounds):
        print(f"round {r + 1} of {args.rounds}", file=sys.stderr)
        for k, v in run_quillo(args.bench, args.min_time, args.repetitions).items():
            quillo[k] = min(quillo.get(k, float("inf")), v)
        for k, v in run_pillow(image, Image, args.repetitions).items():
            pillow[k] = min(pillow.get(k, float("inf")), v)

    print("Smoothing a 1000 x 800 selection (2x render, then halve); best of the rounds, ms")
    print(f"  Pillow LANCZOS + reduce(2): {pillow['LANCZOS']:8.1f}")
    print(f"  Pillow BICUBIC + reduce(2): {pillow['BICUBIC']:8.1f}")
    names = {6: "Mitchell", 7: "Vennick"}
    for (key, ms) in sorted(quillo.items()):
        parts = dict(p.split(":") for p in key.split("/")[1:])
        threads = "default threads" if parts["threads"] == "0" else f"{parts['threads']} thread"
        flt = names[int(parts["filter"])]
        print(f"  Quillo {flt:8} {threads:16} {ms:8.1f}   Pillow LANCZOS / Quillo {pillow['LANCZOS'] / ms:5.2f}"
              f"   Pillow BICUBIC / Quillo {pillow['BICUBIC'] / ms:5.2f}")
    slowest = max(quillo.values())
    fastest_peer = min(pillow.values())
    verdict = "faster" if slowest < fastest_peer else "NOT faster"
    print(f"Quillo's slowest case against Pillow's fastest: {fastest_peer / slowest:.2f} ({verdict})")


if __name__ == "__main__":
    main()
