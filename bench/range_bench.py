#!/usr/bin/env python3
"""Whole-document edits: pelmar-batch next to vim on the same files.

On a 1,000,000-line file (about 60 characters a line) it runs, RUNS times each and
alternating,
    pelmar-batch FILE --cmd SelectAll --cmd DeleteChar --undo --save OUT
    vim -u NONE -i NONE -N -es -c '%d' -c 'undo' -c 'w! OUT' -c 'q!' FILE
    pelmar-batch FILE --save OUT                       (load and save alone, for scale)
and checks that every OUT equals the input. Then, on files of 40,000 and 80,000 lines, a
replace-all whose replacement adds line breaks (each line's blanks become two line feeds,
so the document triples):
    pelmar-batch FILE --replace-all ' ' '\\n\\n' --regex --save OUT
    pelmar-batch FILE --replace-all ' ' '\\n\\n' --regex --undo --save OUT
    vim -u NONE -i NONE -N -es -c '%s/ /\\r\\r/g' -c 'w! OUT' -c 'q!' FILE
checking that pelmar-batch writes what vim writes, and the input again after the undo.
Reports the median wall time and the median peak RSS of each.

Usage: bench/range_bench.py [--runs N] [--build DIR] [--workdir DIR]
"""
import argparse
import filecmp
import os
import shutil
import statistics
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
sys.path.insert(0, HERE)
from codec_bench import run  # noqa: E402

WORDS = "the quick brown fox jumps over the lazy dog pack my box with five dozen jugs".split()


def make_lines(path, count):
    """Numbered lines of eight words each, so no two lines are alike."""
    with open(path, "w", encoding="ascii", newline="\n") as f:
        block = []
        for i in range(count):
            k = i % len(WORDS)
            block.append(f"{i:07d} " + " ".join(WORDS[k:] + WORDS[:k])[:52] + "\n")
            if len(block) == 10000:
                f.write("".join(block))
                block = []
        f.write("".join(block))


def measure(programs, runs):
    results = {name: [] for name in programs}
    for _ in range(runs):
        for name, cmd in programs.items():
            results[name].append(run(cmd))
    return results


def report(title, results):
    print(title)
    print(f"{'program':40} {'wall s':>8} {'peak RSS MiB':>13}")
    for name, samples in results.items():
        secs = statistics.median(s for s, _ in samples)
        rss = statistics.median(r for _, r in samples)
        print(f"{name:40} {secs:8.3f} {rss:13.1f}")


def expect_same(a, b, what):
    if not filecmp.cmp(a, b, shallow=False):
        sys.exit(f"{what}: {a} and {b} differ")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--build", default=os.path.join(ROOT, "build"))
    ap.add_argument("--workdir", default=None)
    args = ap.parse_args()
    batch = os.path.join(args.build, "bin", "pelmar-batch")
    if not os.path.exists(batch):
        sys.exit(f"no {batch}: build first (cmake --build {args.build} --target pelmar-batch)")
    vim = shutil.which("vim")
    if vim is None or not os.path.exists("/usr/bin/time"):
        sys.exit("needs vim and GNU time: apt-get install vim-nox time")
    vim_cmd = [vim, "-u", "NONE", "-i", "NONE", "-N", "-es"]

    work = args.workdir or tempfile.mkdtemp(prefix="pelmar-bench-")
    os.makedirs(work, exist_ok=True)

    big = os.path.join(work, "lines-1000000.txt")
    make_lines(big, 1000000)
    outs = {name: os.path.join(work, f"out-{i}.txt") for i, name in
            enumerate(["delete", "vim", "load"])}
    programs = {
        "pelmar-batch select all, delete, undo": [
            batch, big, "--cmd", "SelectAll", "--cmd", "DeleteChar", "--undo", "--save",
            outs["delete"]],
        "vim %d, undo": vim_cmd + ["-c", "%d", "-c", "undo", "-c", f"w! {outs['vim']}",
                                   "-c", "q!", big],
        "pelmar-batch load and save": [batch, big, "--save", outs["load"]],
    }
    results = measure(programs, args.runs)
    for out in outs.values():
        expect_same(big, out, "whole-document delete and undo")
    mb = os.path.getsize(big) / 1e6
    report(f"1,000,000 lines ({mb:.0f} MB), {args.runs} runs, medians; every output equals "
           "the input", results)

    for count in (40000, 80000):
        path = os.path.join(work, f"lines-{count}.txt")
        make_lines(path, count)
        outs = {name: os.path.join(work, f"replace-{count}-{i}.txt") for i, name in
                enumerate(["replace", "undo", "vim"])}
        replace = ["--replace-all", " ", "\\n\\n", "--regex"]
        programs = {
            "pelmar-batch replace-all": [batch, path] + replace + ["--save", outs["replace"]],
            "pelmar-batch replace-all, undo": [batch, path] + replace +
                                              ["--undo", "--save", outs["undo"]],
            "vim %s/ /\\r\\r/g": vim_cmd + ["-c", "%s/ /\\r\\r/g", "-c",
                                            f"w! {outs['vim']}", "-c", "q!", path],
        }
        results = measure(programs, args.runs)
        expect_same(outs["replace"], outs["vim"], "replace-all")
        expect_same(outs["undo"], path, "replace-all undone")
        report(f"\nreplace-all ' ' -> two line feeds on {count:,} lines ({args.runs} runs, "
               "medians)", results)
    if args.workdir is None:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
