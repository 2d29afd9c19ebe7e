#!/usr/bin/env python3
"""Whole-process load + save benchmark: pelmar-batch next to vim on the same files.

Generates a ~100 MB ASCII file (80-character lines) and a ~50 MB UTF-8 Cyrillic file,
then runs, RUNS times each and alternating,
    pelmar-batch FILE --save OUT
    vim -u NONE -i NONE -N -es -c 'w! OUT' -c 'q!' FILE
and reports the median wall time, MB/s and the median peak RSS of each.

Usage: bench/codec_bench.py [--runs N] [--batch PATH] [--workdir DIR]
"""
import argparse
import filecmp
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)


def make_ascii(path, size):
    line = ("The quick brown fox jumps over the lazy dog; 0123456789 pack my box with five d"[:80]
            + "\n").encode()
    with open(path, "wb") as f:
        block = line * 10000
        written = 0
        while written < size:
            f.write(block)
            written += len(block)


def make_cyrillic(path, size):
    words = "съешь же ещё этих мягких французских булок да выпей чаю широкая электрификация"
    line = (words[:79] + "\n").encode("utf-8")
    with open(path, "wb") as f:
        block = line * 5000
        written = 0
        while written < size:
            f.write(block)
            written += len(block)


def run(cmd):
    """Runs cmd under GNU time; returns (wall seconds, peak RSS in MiB).

    The peak is measured by /usr/bin/time rather than read from wait4() here: a child
    started from this (larger) process would report this process's peak as its own."""
    proc = subprocess.run(["/usr/bin/time", "-f", "TIME %e %M"] + cmd,
                          stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)
    if proc.returncode != 0:
        sys.exit(f"failed ({proc.returncode}): {' '.join(cmd)}\n{proc.stderr}")
    line = [l for l in proc.stderr.splitlines() if l.startswith("TIME ")][-1]
    _, secs, kib = line.split()
    return float(secs), int(kib) / 1024.0


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--batch", default=os.path.join(ROOT, "build", "bin", "pelmar-batch"))
    ap.add_argument("--workdir", default=None)
    args = ap.parse_args()
    if not os.path.exists(args.batch):
        sys.exit(f"no {args.batch}: build first (scripts/run.sh or cmake --build build)")
    vim = shutil.which("vim")
    if vim is None or not os.path.exists("/usr/bin/time"):
        sys.exit("needs vim and GNU time: apt-get install vim-nox time")

    work = args.workdir or tempfile.mkdtemp(prefix="pelmar-bench-")
    os.makedirs(work, exist_ok=True)
    files = [
        ("ASCII 100 MB", os.path.join(work, "ascii.txt"), make_ascii, 100 * 1000 * 1000),
        ("UTF-8 Cyrillic 50 MB", os.path.join(work, "cyrillic.txt"), make_cyrillic,
         50 * 1000 * 1000),
    ]
    out = os.path.join(work, "out.txt")
    print(f"{'file':22} {'program':13} {'median s':>9} {'MB/s':>8} {'peak RSS MiB':>13} {'RSS/size':>9}")
    for label, path, maker, size in files:
        if not os.path.exists(path) or os.path.getsize(path) < size:
            maker(path, size)
        mb = os.path.getsize(path) / 1e6
        programs = {
            "pelmar-batch": [args.batch, path, "--save", out],
            "vim": [vim, "-u", "NONE", "-i", "NONE", "-N", "-es", "-c", f"w! {out}", "-c", "q!",
                    path],
        }
        results = {name: [] for name in programs}
        for _ in range(args.runs):
            for name, cmd in programs.items():
                results[name].append(run(cmd))
                if name == "pelmar-batch" and not filecmp.cmp(path, out, shallow=False):
                    sys.exit("pelmar-batch changed the file's bytes")
        for name, samples in results.items():
            secs = statistics.median(s for s, _ in samples)
            rss = statistics.median(r for _, r in samples)
            print(f"{label:22} {name:13} {secs:9.3f} {mb / secs:8.1f} {rss:13.1f} "
                  f"{rss * 1.048576 / mb:8.2f}x")
    if args.workdir is None:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
