#!/usr/bin/env python3
"""Charset detection next to uchardet and enca, on the corpus of tests/detect/detectCorpus_test.cpp.

The test writes its samples (ten languages, every charset that holds each, three sizes)
into a folder; each detector then names a charset for every file, and a choice counts
as right when it reads the bytes to the same text as the true charset. Then the time
pelmar-batch spends detecting a 5 MB and a 50 MB file (load with detection minus the
same load with the charset given), medians of five runs, next to uchardet's time.

Usage: bench/detect_bench.py BUILD_DIR     (needs the Debian packages uchardet and enca)
"""

import collections
import os
import statistics
import subprocess
import sys
import tempfile
import time

# iconv names of the corpus, as Python codecs.
CODECS = {
    "UTF-8": "utf-8", "CP1252": "cp1252", "ISO-8859-15": "iso8859_15", "CP1250": "cp1250",
    "ISO-8859-2": "iso8859_2", "CP1251": "cp1251", "KOI8-R": "koi8_r", "KOI8-U": "koi8_u",
    "CP866": "cp866", "ISO-8859-5": "iso8859_5", "MACCYRILLIC": "mac_cyrillic",
    "CP1253": "cp1253", "ISO-8859-7": "iso8859_7",
}

# Names the detectors answer with, as Python codecs.
ALIASES = {
    "utf-8": "utf-8", "ascii": "ascii", "us-ascii": "ascii", "windows": "cp1252",
    "windows-1252": "cp1252", "cp1252": "cp1252", "iso-8859-1": "latin-1",
    "iso-8859-15": "iso8859_15", "windows-1250": "cp1250", "cp1250": "cp1250",
    "iso-8859-2": "iso8859_2", "iso8859-2": "iso8859_2", "windows-1251": "cp1251",
    "cp1251": "cp1251", "koi8-r": "koi8_r", "koi8r": "koi8_r", "koi8-u": "koi8_u",
    "koi8u": "koi8_u", "cp866": "cp866", "ibm866": "cp866", "iso-8859-5": "iso8859_5",
    "iso8859-5": "iso8859_5", "maccyrillic": "mac_cyrillic", "mac-cyrillic": "mac_cyrillic",
    "x-mac-cyrillic": "mac_cyrillic", "windows-1253": "cp1253", "cp1253": "cp1253",
    "iso-8859-7": "iso8859_7", "iso8859-7": "iso8859_7", "ibm852": "cp852", "cp852": "cp852",
    "iso-8859-13": "iso8859_13", "iso-8859-16": "iso8859_16", "iso-8859-4": "iso8859_4",
    "iso-8859-9": "iso8859_9", "windows-1257": "cp1257", "windows-1254": "cp1254",
    "windows-1255": "cp1255", "windows-1256": "cp1256", "ibm855": "cp855", "cp855": "cp855",
    "iso-8859-3": "iso8859_3", "iso-8859-10": "iso8859_10", "mac-centraleurope": "mac_latin2",
    "maccentraleurope": "mac_latin2", "keybcs2": None, "cork": None,
}

# enca's language for each corpus language (enca knows no Greek or Western languages).
ENCA_LANGUAGES = {
    "Russian": "russian", "Ukrainian": "ukrainian", "Bulgarian": "bulgarian",
    "Czech": "czech", "Polish": "polish", "Hungarian": "hungarian",
}


def decode(data, codec):
    if codec is None:
        return None
    try:
        return data.decode(codec)
    except (UnicodeDecodeError, LookupError):
        return None


def pelmar(batch, home, path):
    out = subprocess.run([batch, "--home", home, path, "--info"], capture_output=True,
                         text=True).stdout
    import json
    return json.loads(out.splitlines()[0])["charset"]


def uchardet(path):
    return subprocess.run(["uchardet", path], capture_output=True, text=True).stdout.strip()


def enca(path, language):
    lang = ENCA_LANGUAGES.get(language, "none")
    return subprocess.run(["enca", "-L", lang, "-i", path], capture_output=True,
                          text=True).stdout.strip()


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
    batch = os.path.join(build, "bin", "pelmar-batch")
    home = os.path.join(build, "bin")
    corpus = tempfile.mkdtemp(prefix="pelmar-detect-")
    env = dict(os.environ, PELMAR_DETECT_CORPUS_DIR=corpus)
    subprocess.run([os.path.join(build, "bin", "test_text"),
                    "--gtest_filter=*ChosenCharsetReadsTheCorpus*"], env=env,
                   capture_output=True)
    # Pelmar's "UTF-8" default when nothing scores is read as the profile's UTF-8.
    tally = {tool: collections.defaultdict(lambda: [0, 0]) for tool in ("pelmar", "uchardet", "enca")}
    files = sorted(os.listdir(corpus))
    if not files:
        sys.exit("no corpus: is %s/bin/test_text built?" % build)
    for name in files:
        language, charset, size, _ = name.split(".", 3)
        path = os.path.join(corpus, name)
        data = open(path, "rb").read()
        truth = data.decode(CODECS[charset])
        answers = {
            "pelmar": pelmar(batch, home, path),
            "uchardet": uchardet(path),
            "enca": enca(path, language),
        }
        for tool, answer in answers.items():
            right = decode(data, ALIASES.get(answer.lower(), answer.lower())) == truth
            for key in ("all", language, size, charset):
                tally[tool][key][0] += right
                tally[tool][key][1] += 1
    keys = ["all", "sentence", "five", "fifty"] + sorted({n.split(".")[0] for n in files}) + \
        sorted({n.split(".")[1] for n in files})
    print("%-14s %10s %10s %10s" % ("samples", "pelmar", "uchardet", "enca"))
    for key in keys:
        cells = []
        for tool in ("pelmar", "uchardet", "enca"):
            right, total = tally[tool][key]
            cells.append("%5.1f%%" % (100.0 * right / total) if total else "-")
        print("%-14s %10s %10s %10s   (%d)" % (key, *cells, tally["pelmar"][key][1]))

    # Detection time on large files.
    line = ("Вечером мы долго сидели на кухне и говорили о старых друзьях.\n").encode("koi8_r")
    for megabytes in (5, 50):
        big = os.path.join(corpus, "big%d.txt" % megabytes)
        with open(big, "wb") as f:
            block = line * ((1 << 20) // len(line) + 1)
            for _ in range(megabytes):
                f.write(block)
        def timed(args):
            runs = []
            for _ in range(5):
                start = time.perf_counter()
                subprocess.run(args, capture_output=True)
                runs.append(time.perf_counter() - start)
            return statistics.median(runs)
        detect = timed([batch, "--home", home, big, "--info"])
        given = timed([batch, "--home", home, "--charset", "KOI8-R", big, "--info"])
        uch = timed(["uchardet", big])
        print("%d MB: pelmar-batch load with detection %.3f s, with the charset given %.3f s "
              "(detection %.3f s); uchardet %.3f s" % (megabytes, detect, given, detect - given, uch))


if __name__ == "__main__":
    main()
