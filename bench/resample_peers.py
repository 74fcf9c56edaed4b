#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Times Quillo's resampler against Pillow and libvips on the same sizes, in
one run, and prints the ratios.

Each round runs every tool once on every case; the best time over the rounds
counts, so that load from other work on the machine hits all tools alike.

- Quillo: bench_resample (Google Benchmark), one and two threads; the best of
  several short repetitions.
- Pillow: Image.resize timed inside Python on an image already in memory
  (LANCZOS for Lanczos3, BICUBIC for Mitchell, BILINEAR for Triangle).
- libvips: the `vips resize` command on a .v file, VIPS_CONCURRENCY set to the
  thread count; the time of the same command on an 8 x 8 picture (start-up,
  load and save) is subtracted, which favours libvips.
"""
import argparse
import json
import os
import subprocess
import sys
import tempfile
import time

CASES = [((6000, 4000), (1920, 1280)), ((6000, 4000), (1024, 683)), ((800, 600), (1600, 1200))]
# Quillo name, Pillow filter, vips kernel
FILTERS = [("Lanczos3", "LANCZOS", "lanczos3"), ("Mitchell", "BICUBIC", "mitchell"),
           ("Triangle", "BILINEAR", "linear")]


def size_text(size):
    return f"{size[0]}x{size[1]}"


def quillo_name(case, flt, threads):
    (src, dst) = case
    return f"Resample/{size_text(src)}/{size_text(dst)}/{flt}/threads:{threads}/real_time"


def run_quillo(bench, min_time, repetitions):
    # Several short repetitions, the best one counts: a repetition is a mean over
    # its iterations, and a short one is likelier to miss other work's bursts.
    out = subprocess.run([bench, "--benchmark_filter=^Resample/", f"--benchmark_min_time={min_time}",
                          f"--benchmark_repetitions={repetitions}", "--benchmark_format=json"],
                         check=True, capture_output=True, text=True).stdout
    times = {}
    for b in json.loads(out)["benchmarks"]:
        if b.get("run_type", "iteration") != "iteration":
            continue
        scale = {"ms": 1.0, "us": 1e-3, "ns": 1e-6, "s": 1e3}[b["time_unit"]]
        times[b["name"]] = min(times.get(b["name"], float("inf")), b["real_time"] * scale)
    return times


def run_pillow(images, Image):
    filters = {"LANCZOS": Image.Resampling.LANCZOS, "BICUBIC": Image.Resampling.BICUBIC,
               "BILINEAR": Image.Resampling.BILINEAR}
    times = {}
    for case in CASES:
        for flt, pil, _ in FILTERS:
            im = images[case[0]]
            start = time.perf_counter()
            out = im.resize(case[1], filters[pil])
            times[(case, flt)] = (time.perf_counter() - start) * 1e3
            assert out.size == case[1]
    return times


def vips_once(args, threads):
    env = dict(os.environ, VIPS_CONCURRENCY=str(threads))
    start = time.perf_counter()
    subprocess.run(["vips", "resize"] + args, check=True, env=env, stdout=subprocess.DEVNULL)
    return (time.perf_counter() - start) * 1e3


def vips_args(files, case, kernel, out):
    (sw, sh), (tw, th) = case
    return [files[case[0]], out, repr(tw / sw), "--vscale", repr(th / sh), "--kernel", kernel]


def run_vips(files, tiny, tmp, threads):
    times = {}
    out = os.path.join(tmp, "out.v")
    for case in CASES:
        for flt, _, kernel in FILTERS:
            total = vips_once(vips_args(files, case, kernel, out), threads)
            startup = vips_once([tiny, out, "0.5", "--kernel", kernel], threads)
            times[(case, flt)] = max(total - startup, 0.01)
    return times


def check_vips_sizes(files, tmp):
    out = os.path.join(tmp, "check.v")
    for case in CASES:
        vips_once(vips_args(files, case, "linear", out), 1)
        w = int(subprocess.run(["vipsheader", "-f", "width", out], capture_output=True, text=True).stdout)
        h = int(subprocess.run(["vipsheader", "-f", "height", out], capture_output=True, text=True).stdout)
        if (w, h) != case[1]:
            print(f"note: vips made {w}x{h} for {size_text(case[1])}", file=sys.stderr)


def best(rounds, key):
    return min(r[key] for r in rounds)


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--bench", required=True, help="path to the bench_resample program")
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--min-time", type=float, default=0.05, help="Google Benchmark seconds per repetition")
    parser.add_argument("--repetitions", type=int, default=5, help="Google Benchmark repetitions per round")
    args = parser.parse_args()

    try:
        from PIL import Image
    except ImportError:
        sys.exit("Pillow is missing: apt-get install python3-pil (and run this with /usr/bin/python3)")

    with tempfile.TemporaryDirectory() as tmp:
        images, files = {}, {}
        for size in {c[0] for c in CASES}:
            im = Image.frombytes("RGB", size, os.urandom(size[0] * size[1] * 3))
            images[size] = im
            ppm = os.path.join(tmp, f"{size_text(size)}.ppm")
            im.save(ppm)
            files[size] = os.path.join(tmp, f"{size_text(size)}.v")
            subprocess.run(["vips", "copy", ppm, files[size]], check=True)
            os.remove(ppm)
        tiny_ppm = os.path.join(tmp, "tiny.ppm")
        Image.frombytes("RGB", (8, 8), os.urandom(8 * 8 * 3)).save(tiny_ppm)
        tiny = os.path.join(tmp, "tiny.v")
        subprocess.run(["vips", "copy", tiny_ppm, tiny], check=True)
        check_vips_sizes(files, tmp)

        quillo, pillow, vips1, vips2 = [], [], [], []
        for r in range(args.rounds):
            print(f"round {r + 1} of {args.rounds}", file=sys.stderr)
            quillo.append(run_quillo(args.bench, args.min_time, args.repetitions))
            pillow.append(run_pillow(images, Image))
            vips1.append(run_vips(files, tiny, tmp, 1))
            vips2.append(run_vips(files, tiny, tmp, 2))

    print(f"Best of {args.rounds} rounds, milliseconds; a ratio above 1 means Quillo is faster.")
    header = ("case", "filter", "Q 1T", "Pillow", "Pil/Q1T", "vips 1T", "v1T/Q1T", "Q 2T", "Q1T/Q2T",
              "vips 2T", "v2T/Q2T")
    rows = []
    for case in CASES:
        for flt, _, _ in FILTERS:
            q1 = best(quillo, quillo_name(case, flt, 1))
            q2 = best(quillo, quillo_name(case, flt, 2))
            p = best(pillow, (case, flt))
            v1 = best(vips1, (case, flt))
            v2 = best(vips2, (case, flt))
            rows.append((f"{size_text(case[0])}->{size_text(case[1])}", flt, f"{q1:.1f}", f"{p:.1f}",
                         f"{p / q1:.2f}", f"{v1:.1f}", f"{v1 / q1:.2f}", f"{q2:.1f}", f"{q1 / q2:.2f}",
                         f"{v2:.1f}", f"{v2 / q2:.2f}"))
    widths = [max(len(str(x)) for x in col) for col in zip(header, *rows)]
    for row in [header] + rows:
        print("  ".join(str(x).rjust(w) for x, w in zip(row, widths)))


if __name__ == "__main__":
    main()
