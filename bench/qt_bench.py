#!/usr/bin/env python3
"""The editor on Qt next to vim, in one run.

Generates the 100 MB ASCII file (80-character lines) and a file of 1,000,000 short lines,
then reports, as medians of five runs:
  (a) key press to the end of its repaint in the middle of the 1,000,000-line file, word
      wrap off and on (bench_qt keys, offscreen platform), median and 99th percentile;
  (b) 1000 page-downs (bench_qt pages);
  (c) process start to the first paint of the 100 MB file under Xvfb, with peak RSS, next
      to `vim -u NONE -i NONE -N -es -c 'q!'` on the same file.
Build first: cmake -B build-bench -DPELMAR_BENCH=ON && cmake --build build-bench.
Usage: bench/qt_bench.py [BUILD_DIR] [WORK_DIR]"""
import os
import re
import statistics
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from codec_bench import make_ascii, run  # noqa: E402

RUNS = 5


def make_million(path):
    with open(path, "w") as f:
        for i in range(1000000):
            f.write(f"line {i} of a million, with a few words after it\n")


def bench_qt(build, *args, xvfb=False):
    exe = os.path.join(build, "bin", "bench_qt")
    env = dict(os.environ)
    if xvfb:
        cmd = ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24", "/usr/bin/time", "-f",
               "TIME %e %M", exe] + list(args)
        env.pop("QT_QPA_PLATFORM", None)
    else:
        cmd = [exe] + list(args)
        env["QT_QPA_PLATFORM"] = "offscreen"
    proc = subprocess.run(cmd, env=env, capture_output=True, text=True)
    if proc.returncode != 0:
        sys.exit(f"failed: {' '.join(cmd)}\n{proc.stdout}\n{proc.stderr}")
    return proc.stdout + proc.stderr


def numbers(pattern, text):
    m = re.search(pattern, text)
    if not m:
        sys.exit(f"no match for {pattern!r} in:\n{text}")
    return [float(g) for g in m.groups()]


def main():
    build = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(HERE), "build-bench")
    work = sys.argv[2] if len(sys.argv) > 2 else "/tmp/pelmar-qt-bench"
    os.makedirs(work, exist_ok=True)
    big = os.path.join(work, "ascii.txt")
    million = os.path.join(work, "million.txt")
    if not os.path.exists(big):
        make_ascii(big, 100 * 1000 * 1000)
    if not os.path.exists(million):
        make_million(million)

    for wrap in ([], ["wrap"]):
        med, p99 = [], []
        for _ in range(RUNS):
            out = bench_qt(build, "keys", million, *wrap)
            m, p = numbers(r"median ([\d.]+) us, p99 ([\d.]+) us", out)
            med.append(m)
            p99.append(p)
        print(f"(a) keystroke to paint, 1M lines, wrap {'on' if wrap else 'off'}: "
              f"median {statistics.median(med):.1f} us, p99 {statistics.median(p99):.1f} us")

    totals = [numbers(r"1000 page-downs: ([\d.]+) ms", bench_qt(build, "pages", million))[0]
              for _ in range(RUNS)]
    print(f"(b) 1000 page-downs, 1M lines: {statistics.median(totals):.0f} ms")

    starts, rss = [], []
    for _ in range(RUNS):
        out = bench_qt(build, "start", big, xvfb=True)
        starts.append(numbers(r"start to first paint: ([\d.]+) ms", out)[0])
        rss.append(numbers(r"TIME [\d.]+ (\d+)", out)[0] / 1024.0)
    vim = [run(["vim", "-u", "NONE", "-i", "NONE", "-N", "-es", "-c", "q!", big])
           for _ in range(RUNS)]
    print(f"(c) 100 MB file, start to first paint: pelmar {statistics.median(starts):.0f} ms, "
          f"peak RSS {statistics.median(rss):.0f} MiB; vim -es load and quit "
          f"{statistics.median([v[0] for v in vim]) * 1000:.0f} ms, "
          f"peak RSS {statistics.median([v[1] for v in vim]):.0f} MiB")


if __name__ == "__main__":
    main()
