#!/usr/bin/env python3
"""The structure parse of a ~20 MB C file with the shipped C template.

Generates the file (the structure tests' C sample repeated), then reports, as the
median of RUNS runs each:
    pelmar-batch FILE --structure > /dev/null     (load, parse and print: time to the tree)
    bench_struc Struc c FILE RUNS                 (the parse alone, in-process: nodes/s)

Usage: bench/struc_bench.py [--runs N] [--build DIR] [--size MB] [--workdir DIR]
"""
import argparse
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
SAMPLE = os.path.join(ROOT, "tests", "structure", "samples", "c.c")
sys.path.insert(0, HERE)
import colorer_bench  # noqa: E402  (its file generator)


def make_c_file(path, size):
    colorer_bench.make_c_file(path, size, SAMPLE)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--size", type=int, default=20, help="file size in MB")
    parser.add_argument("--workdir", default=None)
    args = parser.parse_args()

    bin_dir = os.path.join(args.build, "bin")
    batch = os.path.join(bin_dir, "pelmar-batch")
    bench = os.path.join(bin_dir, "bench_struc")
    for exe in (batch, bench):
        if not os.path.exists(exe):
            sys.exit("build it first: cmake -DPELMAR_BENCH=ON ... && ninja pelmar-batch bench_struc")

    workdir = args.workdir or tempfile.mkdtemp(prefix="struc_bench_")
    os.makedirs(workdir, exist_ok=True)
    path = os.path.join(workdir, "big.c")
    make_c_file(path, args.size * 1024 * 1024)
    print("file: %s, %.1f MB" % (path, os.path.getsize(path) / 1048576))

    times = []
    for _ in range(args.runs):
        start = time.monotonic()
        with open(os.devnull, "w") as null:
            result = subprocess.run([batch, "--home", bin_dir, path, "--structure"],
                                    stdout=null, stderr=subprocess.PIPE, text=True)
        times.append(time.monotonic() - start)
        if result.returncode != 0:
            sys.exit("pelmar-batch failed: %s" % result.stderr)
    print("pelmar-batch --structure: median %.2f s of %d runs" % (statistics.median(times),
                                                                   args.runs))

    out = subprocess.run([bench, os.path.join(bin_dir, "Struc"), "c", path, str(args.runs)],
                         stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if out.returncode != 0:
        sys.exit("bench_struc failed: %s" % out.stdout)
    print("in-process: " + out.stdout.strip().replace("\n", "\n            "))


if __name__ == "__main__":
    main()
