#!/usr/bin/env python3
"""Whole-process replace-all benchmark: pelmar-batch next to vim on the same 100 MB file.

Uses the ~100 MB ASCII file of codec_bench.py (80-character lines) and runs, RUNS times
each and alternating,
    pelmar-batch FILE --replace-all the THE [--case] --save OUT
    vim -u NONE -i NONE -N -es -c '%s/the/THE/g' -c 'w! OUT' -c 'q!' FILE
reporting the median wall time and the median peak RSS of each. pelmar-batch ignores case
unless told --case (vim without 'ignorecase' does not), so both forms are measured; the
case-sensitive one must write the same bytes as vim. Then bench_replace_undo (built with
-DPELMAR_BENCH=ON) times one undo of that replace-all inside the process.

Usage: bench/replace_bench.py [--runs N] [--build DIR] [--workdir DIR]
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
sys.path.insert(0, HERE)
from codec_bench import make_ascii, run  # noqa: E402


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--build", default=os.path.join(ROOT, "build"))
    ap.add_argument("--workdir", default=None)
    args = ap.parse_args()
    batch = os.path.join(args.build, "bin", "pelmar-batch")
    undo_bench = os.path.join(args.build, "bin", "bench_replace_undo")
    for exe in (batch, undo_bench):
        if not os.path.exists(exe):
            sys.exit(f"no {exe}: configure with -DPELMAR_BENCH=ON and build first")
    vim = shutil.which("vim")
    if vim is None or not os.path.exists("/usr/bin/time"):
        sys.exit("needs vim and GNU time: apt-get install vim-nox time")

    work = args.workdir or tempfile.mkdtemp(prefix="pelmar-bench-")
    os.makedirs(work, exist_ok=True)
    path = os.path.join(work, "ascii.txt")
    size = 100 * 1000 * 1000
    if not os.path.exists(path) or os.path.getsize(path) < size:
        make_ascii(path, size)
    outs = {name: os.path.join(work, f"out-{i}.txt") for i, name in
            enumerate(["pelmar-batch", "pelmar-batch --case", "vim"])}
    programs = {
        "pelmar-batch": [batch, path, "--replace-all", "the", "THE", "--save",
                         outs["pelmar-batch"]],
        "pelmar-batch --case": [batch, path, "--replace-all", "the", "THE", "--case", "--save",
                                outs["pelmar-batch --case"]],
        "vim": [vim, "-u", "NONE", "-i", "NONE", "-N", "-es", "-c", "%s/the/THE/g", "-c",
                f"w! {outs['vim']}", "-c", "q!", path],
    }
    results = {name: [] for name in programs}
    for _ in range(args.runs):
        for name, cmd in programs.items():
            results[name].append(run(cmd))
    if not filecmp.cmp(outs["pelmar-batch --case"], outs["vim"], shallow=False):
        sys.exit("pelmar-batch --case and vim wrote different files")
    mb = os.path.getsize(path) / 1e6
    print(f"replace-all the -> THE on {mb:.0f} MB ({args.runs} runs, medians)")
    print(f"{'program':22} {'wall s':>8} {'peak RSS MiB':>13}")
    for name, samples in results.items():
        secs = statistics.median(s for s, _ in samples)
        rss = statistics.median(r for _, r in samples)
        print(f"{name:22} {secs:8.3f} {rss:13.1f}")
    proc = subprocess.run([undo_bench, path, "--runs", str(args.runs)], capture_output=True,
                          text=True)
    if proc.returncode != 0:
        sys.exit(f"bench_replace_undo failed:\n{proc.stderr}")
    print(proc.stdout, end="")
    if args.workdir is None:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
