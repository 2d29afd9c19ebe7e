#!/usr/bin/env python3
"""Highlighting on screen: start to the first coloured paint of a 20 MB C file under Xvfb
next to Kate, and keystroke to paint in the middle of a 1,000,000-line C file.

Each program is started on a fresh Xvfb screen with the file; the screen is captured
every few milliseconds until it shows syntax colours (enough strongly coloured pixels),
and the time from the start of the process to that capture is reported with the process's
peak RSS (GNU time), as medians of a few runs. The capture interval bounds the
resolution (it is printed). Kate runs with a private HOME so that it starts as on first use.

The keystroke figures come from bench_qt (build with -DPELMAR_BENCH=ON) on the offscreen
platform: typing alone, and typing with an idle step and a 3 ms pause before each key, so
that every key interrupts a running parse from the top of the file.

Usage: bench/highlight_start_bench.py BUILD_DIR [WORK_DIR] [RUNS]"""
import os
import re
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SNIPPET = '''/* Function {n}: computes a checksum over a buffer.
 * Multi-line comment with (brackets) and "quotes" inside.
 */
static int checksum_{n}(const unsigned char *buf, size_t len)
{{
    int sum = 0x{h:04x};
    for (size_t i = 0; i < len; ++i) {{
        if (buf[i] == '\\n' || buf[i] == '"') {{
            sum ^= (int)buf[i] << 3; // shift and mix
        }} else {{
            sum += buf[i] * {n} + 17;
        }}
    }}
    printf("checksum %d: %s\\n", sum, "done (ok)");
    return sum;
}}

'''


def make_c(path, size=None, lines=None):
    """The snippet repeated until the file has `size` characters or `lines` lines."""
    with open(path, "w") as f:
        n = chars = count = 0
        while (size is None or chars < size) and (lines is None or count < lines):
            s = SNIPPET.format(n=n, h=n & 0xFFFF)
            f.write(s)
            chars += len(s)
            count += s.count("\n")
            n += 1


def keystrokes(build, path, runs):
    """Typing 2000 keys into one line in the middle of the file. Without word wrap the line
    soon passes the right edge and every key scrolls the view sideways by a column, which
    repaints the whole view with or without highlighting; with word wrap only the line's
    rows are drawn again."""
    env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    modes = [("wrap",), ("wrap", "idle"), ("wrap", "plain"), (), ("idle",), ("plain",)]
    for mode in modes:
        med, p99 = [], []
        for _ in range(runs):
            out = subprocess.run([os.path.join(build, "bin", "bench_qt"), "keys", path] +
                                 list(mode), env=env, capture_output=True, text=True).stdout
            m = re.search(r"keystroke to paint, wrap o(?:n|ff): n=\d+ median ([\d.]+) us, "
                          r"p99 ([\d.]+) us", out)
            if not m:
                sys.exit("bench_qt failed:\n" + out)
            med.append(float(m.group(1)))
            p99.append(float(m.group(2)))
        what = ("highlighting off" if "plain" in mode else
                "highlighting on, a parse from the top running" if "idle" in mode else
                "highlighting on")
        print(f"keystroke to paint, 1M-line C file, wrap {'on' if 'wrap' in mode else 'off'}, "
              f"{what}: median {statistics.median(med):.1f} us, "
              f"p99 {statistics.median(p99):.1f} us")


def coloured_pixels(display):
    raw = subprocess.run(["import", "-display", display, "-window", "root", "-depth", "8",
                          "rgb:-"], capture_output=True).stdout
    count = 0
    for i in range(0, len(raw) - 2, 3 * 7):  # every 7th pixel is plenty
        r, g, b = raw[i], raw[i + 1], raw[i + 2]
        if max(r, g, b) - min(r, g, b) > 90:
            count += 1
    return count


def measure(cmd, env, display, threshold=150, timeout=120):
    """Seconds from the start to a coloured screen, peak RSS in MiB, capture interval."""
    timing = tempfile.NamedTemporaryFile(delete=False).name
    start = time.monotonic()
    proc = subprocess.Popen(["/usr/bin/time", "-o", timing, "-f", "%M"] + cmd, env=env,
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            start_new_session=True)
    seen = None
    captures = 0
    while time.monotonic() - start < timeout:
        if coloured_pixels(display) >= threshold:
            seen = time.monotonic() - start
            break
        captures += 1
    interval = (time.monotonic() - start) / max(captures, 1)
    time.sleep(0.5)  # let it settle before the RSS is taken at exit
    # The program ends; GNU time, its parent, then writes the peak RSS.
    children = subprocess.run(["pgrep", "-P", str(proc.pid)], capture_output=True,
                              text=True).stdout.split()
    for pid in children:
        os.kill(int(pid), signal.SIGTERM)
    try:
        proc.wait(timeout=10)
    except subprocess.TimeoutExpired:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
    with open(timing) as f:
        rss = [int(line) for line in f.read().split() if line.isdigit()]
    os.unlink(timing)
    return seen, (rss[-1] / 1024.0 if rss else float("nan")), interval


def main():
    if len(sys.argv) < 2:
        sys.exit(__doc__)
    build = sys.argv[1]
    work = sys.argv[2] if len(sys.argv) > 2 else "/tmp/pelmar-highlight-bench"
    runs = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    os.makedirs(work, exist_ok=True)
    big = os.path.join(work, "big.c")
    if not os.path.exists(big):
        make_c(big, 20 * 1000 * 1000)
    display = ":57"
    xvfb = subprocess.Popen(["Xvfb", display, "-screen", "0", "1280x1024x24"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    time.sleep(1)
    try:
        env = dict(os.environ, DISPLAY=display)
        env.pop("QT_QPA_PLATFORM", None)
        results = {"pelmar": [], "kate": []}
        for _ in range(runs):
            home = tempfile.mkdtemp()
            results["pelmar"].append(measure(
                [os.path.join(build, "bin", "pelmar"), big], env, display))
            kenv = dict(env, HOME=home, XDG_RUNTIME_DIR=home)
            if shutil.which("kate"):
                results["kate"].append(measure(["kate", "-n", big], kenv, display))
            shutil.rmtree(home, ignore_errors=True)
        for name, rs in results.items():
            if not rs:
                print(f"{name}: not installed")
                continue
            times = [r[0] for r in rs if r[0] is not None]
            print(f"{name}: start to first coloured paint median "
                  f"{statistics.median(times) * 1000:.0f} ms ({len(times)}/{len(rs)} runs), "
                  f"peak RSS median {statistics.median(r[1] for r in rs):.0f} MiB, "
                  f"screen captured every {statistics.median(r[2] for r in rs) * 1000:.0f} ms")
    finally:
        xvfb.terminate()
    million = os.path.join(work, "million.c")
    if not os.path.exists(million):
        make_c(million, lines=1000000)
    keystrokes(build, million, runs)


if __name__ == "__main__":
    main()
