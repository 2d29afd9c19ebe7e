#!/usr/bin/env python3
"""Writes the shipped conversion tables data/Ini/*.tbl from iconv.

How the editor uses a charset table
-----------------------------------
A file in a table charset X is read through the ANSI code page and then through the
decode direction of X's table:

    byte b  --ANSI page-->  A(b)  --table, decode-->  X(b)

and written back the other way:

    document char  --table, encode-->  ANSI char  --ANSI page-->  byte

So the table of X holds one line "A(b)=X(b)" for every byte b in 0x80..0xFF on which the
two pages disagree, A(b) being the character the ANSI page (CP1252 unless --ansi says
otherwise) gives for b and X(b) the one X gives. Both sides are written as decimal
references, which keeps the files 7-bit. Bytes below 0x80 are ASCII in every charset here
and have no line. A byte a page leaves undefined (CP1252: 0x81 0x8D 0x8F 0x90 0x9D) stands
for the code unit of the same value, as the program's code page layer maps it, so such
bytes survive too.

What round-trips
----------------
- Every file, byte for byte. Both pages map the 128 high bytes one to one, so the decode
  keys A(b) are distinct, the encode keys X(b) are distinct, and no key is ASCII. A byte
  with a line comes back as A(b) and is written as b; a byte without one is A(b) = X(b),
  which is no encode key (X(b) = X(c) would need b = c), so it stays A(b) and is
  written as b.
- Every character of X typed into a document: it is X(b) for one b and is written as b.
- With a Unicode representation (decimal references or \\u escapes) every character:
  the characters outside the table are written as references, which are ASCII.

What cannot round-trip
----------------------
- A character that neither page holds is written as "?", as with the ANSI page itself
  (a surrogate table or a Unicode representation can carry it instead).
- A character that the ANSI page holds at a byte b where X has another character, and
  that X does not hold at all, is no encode key: it reaches the ANSI page unchanged and
  is written as b, so it comes back as X(b). Under Windows-1251, "A with grave" (U+00C0)
  is written as byte 0xC0 and reads back as Cyrillic A (U+0410). The table cannot prevent
  this: an encode-only entry mapping it to "?" would need a decode entry for "?" as
  well, would shadow a surrogate table's spelling of that character (the charset table
  is loaded first and the first definition wins) and would turn its decimal reference
  into "?" when a Unicode representation is in use. Each table lists these characters in
  its header.

The surrogate tables (Esperanto letters spelled in ASCII) are written by this script too,
so every *.tbl file under data/Ini comes from here. Run it after changing the lists below:

    python3 scripts/make-charset-tables.py [--ansi CP1252] [--out data/Ini]
"""

import argparse
import configparser
import pathlib
import subprocess
import sys

# (name in Ini/pelmar.ini and for iconv, table file)
CHARSETS = [
    ("Windows-1251", "windows-1251.tbl"),
    ("KOI8-R", "koi8-r.tbl"),
    ("KOI8-U", "koi8-u.tbl"),
    ("CP866", "cp866.tbl"),
    ("ISO-8859-5", "iso-8859-5.tbl"),
    ("MacCyrillic", "maccyrillic.tbl"),
    ("Windows-1250", "windows-1250.tbl"),
    ("ISO-8859-2", "iso-8859-2.tbl"),
    ("Windows-1253", "windows-1253.tbl"),
    ("ISO-8859-7", "iso-8859-7.tbl"),
    ("ISO-8859-15", "iso-8859-15.tbl"),
]

# The Esperanto letters with circumflex and breve: (spelling stem, capital, small).
ESPERANTO = [
    ("c", 0x0108, 0x0109),
    ("g", 0x011C, 0x011D),
    ("h", 0x0124, 0x0125),
    ("j", 0x0134, 0x0135),
    ("s", 0x015C, 0x015D),
    ("u", 0x016C, 0x016D),
]

GENERATED = "Made by scripts/make-charset-tables.py; do not edit."


def ref(ch):
    return "&#%d;" % ord(ch)


def byte_to_char(charset, b):
    """The character iconv gives for one byte, or None when the charset leaves it undefined."""
    run = subprocess.run(
        ["iconv", "-f", charset, "-t", "UTF-16LE"],
        input=bytes([b]),
        stdout=subprocess.PIPE,
        stderr=subprocess.DEVNULL,
        check=False,
    )
    if run.returncode != 0:
        return None
    text = run.stdout.decode("utf-16-le")
    if len(text) != 1 or ord(text) > 0xFFFF:
        sys.exit("%s: byte 0x%02X gives %r, not one UTF-16 code unit" % (charset, b, text))
    return text


def high_page(charset):
    """Bytes 0x80..0xFF of a single-byte charset, undefined bytes as the unit of equal value."""
    page = {}
    for b in range(0x80, 0x100):
        ch = byte_to_char(charset, b)
        page[b] = ch if ch is not None else chr(b)
    chars = list(page.values())
    if len(set(chars)) != len(chars):
        sys.exit("%s: two bytes give the same character" % charset)
    if any(ord(ch) < 0x80 for ch in chars):
        sys.exit("%s: a high byte gives an ASCII character" % charset)
    for b in range(0x80):
        if byte_to_char(charset, b) != chr(b):
            sys.exit("%s: byte 0x%02X is not ASCII" % (charset, b))
    return page


def wrap_codes(chars, per_line=12):
    codes = ["U+%04X" % ord(ch) for ch in sorted(chars)]
    return [" ".join(codes[i : i + per_line]) for i in range(0, len(codes), per_line)]


def charset_table(name, ansi_name, ansi, page):
    pairs = [(ansi[b], page[b]) for b in range(0x80, 0x100) if ansi[b] != page[b]]
    own = set(page.values())
    # ANSI characters that are decode keys but not in this charset: saved unconverted.
    stray = [a for a, _ in pairs if a not in own]
    lines = [
        "; %s read through the ANSI code page %s." % (name, ansi_name),
        "; " + GENERATED,
        "; Each line: the character %s gives a byte = the character %s gives it;" % (ansi_name, name),
        "; bytes on which the two agree have no line.",
    ]
    if stray:
        lines.append(
            "; %d characters of %s are not in %s; saved without a Unicode representation,"
            % (len(stray), ansi_name, name)
        )
        lines.append("; each is written as its %s byte and reads back as %s's character:" % (ansi_name, name))
        lines += ["; " + row for row in wrap_codes(stray)]
    lines += ["%s=%s" % (ref(a), ref(x)) for a, x in pairs]
    return lines


def esperanto_x():
    lines = [
        "; Esperanto letters in the x-system: cx for c with circumflex, ux for u with breve.",
        "; Capitals are spelled Cx; an all-capital CX is left as it is, so x-system text",
        "; reads and saves unchanged.",
        "; " + GENERATED,
    ]
    for stem, capital, small in ESPERANTO:
        lines.append("%sx=%s" % (stem, ref(chr(small))))
        lines.append("%sx=%s" % (stem.upper(), ref(chr(capital))))
    return lines


def esperanto_h():
    lines = [
        "; Esperanto letters in the h-system: ch for c with circumflex; u with breve is",
        "; written as a plain u, which reads back as u (the h-system does not tell them",
        "; apart). A word such as flughaveno reads with g circumflex.",
        "; " + GENERATED,
    ]
    for stem, capital, small in ESPERANTO:
        if stem == "u":
            continue
        lines.append("%sh=%s" % (stem, ref(chr(small))))
        lines.append("%sh=%s" % (stem.upper(), ref(chr(capital))))
    # The identity lines come first, so u keeps its decode entry and the breve letters
    # only gain an encode entry (the first definition of a key wins).
    lines += ["u=u", "U=U", "u=%s" % ref(chr(0x016D)), "U=%s" % ref(chr(0x016C))]
    return lines


SURROGATES = [
    ("Esperanto-x", "esperanto-x.tbl", esperanto_x),
    ("Esperanto-h", "esperanto-h.tbl", esperanto_h),
]


def write_table(path, lines):
    text = "\n".join(lines) + "\n"
    text.encode("ascii")  # the files stay 7-bit
    path.write_text(text, encoding="ascii", newline="\n")


def check_ini(out_dir):
    ini = out_dir / "pelmar.ini"
    parser = configparser.ConfigParser(interpolation=None, strict=False)
    parser.optionxform = str
    parser.read(ini, encoding="ascii")
    missing = []
    for section, entries in (("charsets", CHARSETS), ("surrogates", SURROGATES)):
        listed = {k.upper(): v for k, v in parser.items(section)} if parser.has_section(section) else {}
        for entry in entries:
            name, file_name = entry[0], entry[1]
            if listed.get(name.upper()) != file_name:
                missing.append("[%s] %s=%s" % (section, name, file_name))
    for line in missing:
        print("warning: %s does not list %s" % (ini, line), file=sys.stderr)


def main():
    root = pathlib.Path(__file__).resolve().parent.parent
    args = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    args.add_argument("--ansi", default="CP1252", help="the ANSI code page the tables are for")
    args.add_argument("--out", default=str(root / "data" / "Ini"), help="folder for the tables")
    options = args.parse_args()
    out_dir = pathlib.Path(options.out)
    out_dir.mkdir(parents=True, exist_ok=True)

    ansi = high_page(options.ansi)
    for name, file_name in CHARSETS:
        write_table(out_dir / file_name, charset_table(name, options.ansi, ansi, high_page(name)))
    for _, file_name, make in SURROGATES:
        write_table(out_dir / file_name, make())
    check_ini(out_dir)


if __name__ == "__main__":
    main()
