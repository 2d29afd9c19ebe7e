#!/usr/bin/env python3
"""Printing benchmark: a 10,000-line C file printed with syntax colours into a PDF.

Runs, RUNS times each and alternating,
    pelmar-batch FILE --print-pdf OUT
    enscript -E -C --color -o - FILE | ps2pdf - OUT      (or a2ps ... | ps2pdf)
and reports pages per second (pages of the PDF made, over the median wall time of the
whole pipeline) for each. The comparison tools are not build dependencies; install them
for this benchmark only:
    apt-get install enscript ghostscript poppler-utils      (a2ps works in place of enscript)

Usage: bench/print_bench.py [--runs N] [--build DIR] [--lines N]
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


def make_c_file(path, lines):
    """A C file of `lines` lines: functions with comments, strings, loops and tabs."""
    out = []
    n = 0
    while len(out) < lines:
        out += [
            f"/* function {n}: adds the squares of the first values */",
            f"static int sum_{n}(const int *values, int count)",
            "{",
            "\tint total = 0; // running sum",
            "\tfor (int i = 0; i < count; ++i) {",
            "\t\tif (values[i] > 0)",
            "\t\t\ttotal += values[i] * values[i];",
            "\t}",
            f'\tprintf("sum_{n}: %d\\n", total);',
            "\treturn total;",
            "}",
            "",
        ]
        n += 1
    with open(path, "w") as f:
        f.write("\n".join(out[:lines]) + "\n")


def pdf_pages(pdf):
    info = subprocess.run(["pdfinfo", pdf], capture_output=True, text=True, check=True).stdout
    return int(re.search(r"^Pages:\s+(\d+)", info, re.M).group(1))


def timed(command, shell=False):
    start = time.perf_counter()
    subprocess.run(command, shell=shell, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    return time.perf_counter() - start


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--build", default=os.path.join(ROOT, "build"))
    ap.add_argument("--lines", type=int, default=10000)
    args = ap.parse_args()
    batch = os.path.join(args.build, "bin", "pelmar-batch")
    if not os.path.exists(batch):
        sys.exit(f"no {batch}: build first")
    for tool in ("pdfinfo", "ps2pdf"):
        if shutil.which(tool) is None:
            sys.exit(f"no {tool}: apt-get install poppler-utils ghostscript")
    peer = None
    if shutil.which("enscript"):
        peer = ("enscript | ps2pdf", "enscript -q -E -C --color -o - {src} | ps2pdf - {out}")
    elif shutil.which("a2ps"):
        peer = ("a2ps | ps2pdf", "a2ps -q --pretty-print=c -o - {src} | ps2pdf - {out}")
    else:
        sys.exit("no enscript or a2ps: apt-get install enscript")

    with tempfile.TemporaryDirectory() as work:
        src = os.path.join(work, "big.c")
        make_c_file(src, args.lines)
        ours_pdf = os.path.join(work, "pelmar.pdf")
        peer_pdf = os.path.join(work, "peer.pdf")
        ours, theirs = [], []
        for _ in range(args.runs):
            ours.append(timed([batch, src, "--print-pdf", ours_pdf]))
            theirs.append(timed(peer[1].format(src=src, out=peer_pdf), shell=True))
        ours_pages = pdf_pages(ours_pdf)
        peer_pages = pdf_pages(peer_pdf)
        print(f"{args.lines} lines of C, median of {args.runs} runs")
        for name, pages, times in (("pelmar-batch --print-pdf", ours_pages, ours),
                                   (peer[0], peer_pages, theirs)):
            median = statistics.median(times)
            print(f"{name:28s} {pages:5d} pages  {median * 1000:8.1f} ms  "
                  f"{pages / median:8.1f} pages/s")


if __name__ == "__main__":
    main()
