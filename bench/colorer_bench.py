#!/usr/bin/env python3
"""The highlighting library next to kate-syntax-highlighter on one large C file.

Generates a ~20 MB C file (the C golden sample repeated), then runs, RUNS times each and
alternating,
    bench_colorer FILE 1                        (the whole file through our library, in-process)
    kate-syntax-highlighter -f html -o /dev/null FILE
and reports the median wall time of each. bench_colorer's own timing (parse and colour,
without start-up and file reading) and its 60-line window cost are printed too.
kate-syntax-highlighter (package libkf5syntaxhighlighting-tools) is installed with apt-get
when it is missing; it is only the peer of this benchmark.

Usage: bench/colorer_bench.py [--runs N] [--bench PATH] [--size MB] [--workdir DIR]
"""
import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
SAMPLE = os.path.join(ROOT, "tests", "colorer", "samples", "c_sample.c")


def make_c_file(path, size, sample=SAMPLE):
    """`sample` repeated until the file holds `size` bytes."""
    with open(sample, "rb") as f:
        block = f.read()
    with open(path, "wb") as f:
        written = 0
        chunk = block * 200
        while written < size:
            f.write(chunk)
            written += len(chunk)


def timed(command):
    start = time.monotonic()
    result = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    elapsed = time.monotonic() - start
    if result.returncode != 0:
        sys.exit("failed: %s\n%s" % (" ".join(command), result.stdout))
    return elapsed, result.stdout


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--bench", default=os.path.join(ROOT, "build", "bin", "bench_colorer"))
    parser.add_argument("--size", type=int, default=20, help="file size in MB")
    parser.add_argument("--workdir", default=None)
    args = parser.parse_args()

    if not os.path.exists(args.bench):
        sys.exit("build it first: cmake -DPELMAR_BENCH=ON ... && ninja bench_colorer")
    kate = shutil.which("kate-syntax-highlighter")
    if kate is None:
        subprocess.run(["apt-get", "install", "-y", "libkf5syntaxhighlighting-tools"],
                       check=False, stdout=subprocess.DEVNULL)
        kate = shutil.which("kate-syntax-highlighter")

    workdir = args.workdir or tempfile.mkdtemp(prefix="colorer_bench_")
    os.makedirs(workdir, exist_ok=True)
    path = os.path.join(workdir, "big.c")
    make_c_file(path, args.size * 1024 * 1024)
    print("file: %s, %.1f MB" % (path, os.path.getsize(path) / 1048576))

    ours, inner, peers = [], [], []
    window = None
    for _ in range(args.runs):
        elapsed, out = timed([args.bench, path, "1"])
        ours.append(elapsed)
        m = re.search(r"whole file: median ([0-9.]+) s", out)
        if m:
            inner.append(float(m.group(1)))
        m = re.search(r"60-line window: ([0-9.]+) us", out)
        if m:
            window = float(m.group(1))
        if kate:
            elapsed, _ = timed([kate, "-f", "html", "-o", "/dev/null", path])
            peers.append(elapsed)

    print("icolorer (whole process): median %.2f s" % statistics.median(ours))
    if inner:
        print("icolorer (parse + colour only): median %.2f s" % statistics.median(inner))
    if window is not None:
        print("icolorer 60-line window: %.1f us" % window)
    if peers:
        print("kate-syntax-highlighter: median %.2f s" % statistics.median(peers))
    else:
        print("kate-syntax-highlighter: not available")
    if not args.workdir:
        shutil.rmtree(workdir)


if __name__ == "__main__":
    main()
