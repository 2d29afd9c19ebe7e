#!/usr/bin/env python3
"""Builds data/Ini/charsets.ini, the rules of charset detection, from word lists.

Input: Debian's hunspell dictionaries (packages hunspell-ru, -uk, -bg, -cs, -pl, -hu,
-el, -de-de, -fr, -es; /usr/share/hunspell/*.dic). They are needed only to run this
script: the generated file is committed.

For each language the word list gives the alphabet (letters that carry at least a
small share of all letters, and the letters the .aff file's TRY line ranks among the
plain Latin ones) and the letter pairs inside words, counted once per word.
Pairs made only of ASCII letters are left out: they read the same in every charset and
would only make plain ASCII files look like something. For each charset the expression
lists the most common pairs of the languages the charset can hold, each also with its
first letter upper-case (a sentence's first word). A pair is dropped when its bytes,
read in another charset, give a different pair that is common there: such a pair
would count for the wrong charset as much as for the right one.

Usage: scripts/make-detect-rules.py [OUT]   (default data/Ini/charsets.ini)
"""

import collections
import os
import sys
import unicodedata

HUNSPELL = "/usr/share/hunspell"

# language: (dictionary, the charsets its text is written in, the detection list's names)
LANGUAGES = {
    "Russian": "ru_RU",
    "Ukrainian": "uk_UA",
    "Bulgarian": "bg_BG",
    "Czech": "cs_CZ",
    "Polish": "pl_PL",
    "Hungarian": "hu_HU",
    "Greek": "el_GR",
    "German": "de_DE",
    "French": "fr",
    "Spanish": "es_ES",
}

# The detection list in order (ties go to the earlier entry): our charset name, the
# Python codec that reads it, and the languages whose text it is expected to carry.
CHARSETS = [
    ("UTF-8", "utf-8", list(LANGUAGES)),
    ("Windows", "cp1252", ["German", "French", "Spanish"]),
    ("ISO-8859-15", "iso8859_15", ["German", "French", "Spanish"]),
    ("Windows-1250", "cp1250", ["Czech", "Polish", "Hungarian", "German"]),
    ("ISO-8859-2", "iso8859_2", ["Czech", "Polish", "Hungarian", "German"]),
    ("Windows-1251", "cp1251", ["Russian", "Ukrainian", "Bulgarian"]),
    ("KOI8-R", "koi8_r", ["Russian", "Bulgarian"]),
    ("KOI8-U", "koi8_u", ["Russian", "Ukrainian", "Bulgarian"]),
    ("CP866", "cp866", ["Russian", "Bulgarian"]),
    ("ISO-8859-5", "iso8859_5", ["Russian", "Ukrainian", "Bulgarian"]),
    ("MacCyrillic", "mac_cyrillic", ["Russian", "Ukrainian", "Bulgarian"]),
    ("Windows-1253", "cp1253", ["Greek"]),
    ("ISO-8859-7", "iso8859_7", ["Greek"]),
]

PAIRS_PER_LANGUAGE = 100  # the most common non-ASCII pairs kept for each language
MIN_LETTER_SHARE = 0.00002  # below this a letter is a loan, not the alphabet
COMMON_LETTER_SHARE = 0.001  # from this a letter is the alphabet's, whatever TRY says


def dictionary_words(base):
    """The words of a hunspell dictionary, lower-case, without affix flags."""
    aff = os.path.join(HUNSPELL, base + ".aff")
    encoding = "utf-8"
    with open(aff, "rb") as f:
        for raw in f:
            if raw.startswith(b"SET "):
                encoding = raw[4:].strip().decode("ascii").lower().replace("iso8859", "iso8859_")
                break
    words = []
    with open(os.path.join(HUNSPELL, base + ".dic"), "rb") as f:
        f.readline()  # the word count
        for raw in f:
            word = raw.decode(encoding, "replace").split("/", 1)[0].strip()
            word = unicodedata.normalize("NFC", word).lower()
            # "au-delà", "aujourd'hui": each part is a word.
            for part in word.replace("'", "-").replace("\u2019", "-").split("-"):
                if part and all(c.isalpha() for c in part):
                    words.append(part)
    return words


def try_letters(base):
    """The letters the .aff file's TRY line names, and those it names before its last
    plain Latin letter.

    The TRY line lists a language's letters most common first, with loan letters at
    its end. A letter named before the last of a-z belongs to the language even when
    the stems hardly show it: French "\u00f9" stands in "o\u00f9" and in few stems.
    """
    with open(os.path.join(HUNSPELL, base + ".aff"), "rb") as f:
        raw = f.read()
    encoding = "utf-8"
    try_line = ""
    for line in raw.split(b"\n"):
        if line.startswith(b"SET "):
            encoding = line[4:].strip().decode("ascii").lower().replace("iso8859", "iso8859_")
    for line in raw.split(b"\n"):
        if line.startswith(b"TRY "):
            try_line = line[4:].strip().decode(encoding, "replace")
    lower = [c for c in try_line if c.isalpha() and c == c.lower()]
    ascii_at = [i for i, c in enumerate(lower) if "a" <= c <= "z"]
    named = {c.lower() for c in try_line if c.isalpha()}
    if not ascii_at:
        return named, set()
    return named, {c for c in lower[: ascii_at[-1]] if ord(c) > 127}


def language_model(base):
    """(alphabet, pairs ranked by the number of words they occur in)."""
    words = dictionary_words(base)
    letters = collections.Counter()
    pairs = collections.Counter()
    for word in words:
        letters.update(word)
        pairs.update({word[i : i + 2] for i in range(len(word) - 1)})
    total = sum(letters.values())
    # Letters of the Latin, Greek and Cyrillic blocks only: the word lists hold a few
    # abbreviations with superscript letters.
    alphabet = {c for c, n in letters.items() if n / total >= MIN_LETTER_SHARE and ord(c) < 0x500}
    named, leading = try_letters(base)
    if named:
        # A rare letter the TRY line does not name at all is a loan of the word list
        # (Slovak "\u013e" and Hungarian "\u0151" in Czech names); a common one is the
        # language's own all the same (Russian "\u0451", which the line leaves out).
        alphabet = {c for c in alphabet if c in named or c.isascii() or letters[c] / total >= COMMON_LETTER_SHARE}
    alphabet |= {c for c in leading if c in letters}
    ranked = [
        p
        for p, _ in pairs.most_common()
        if p[0] in alphabet and p[1] in alphabet and (ord(p[0]) > 127 or ord(p[1]) > 127)
    ]
    return alphabet, ranked


def encodable(text, codec):
    try:
        text.encode(codec)
        return True
    except UnicodeEncodeError:
        return False


def with_capital(pair):
    return {pair, pair[0].upper() + pair[1]}


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(__file__), "..", "data", "Ini", "charsets.ini"
    )
    models = {lang: language_model(base) for lang, base in LANGUAGES.items()}

    # Every charset's candidate pairs, before the filter: the common ones, and for every
    # letter of the alphabet its most common pair, so that the expression names every
    # letter (the tie-break counts the characters it does not name).
    lower = {}
    candidates = {}
    for name, codec, langs in CHARSETS:
        chosen = []
        for lang in langs:
            ranked = [p for p in models[lang][1] if encodable(p + p.upper(), codec)]
            chosen.extend(ranked[:PAIRS_PER_LANGUAGE])
            for letter in sorted(models[lang][0]):
                if ord(letter) > 127:
                    chosen.extend([p for p in ranked if p[0] == letter][:1])
        lower[name] = set(chosen)
        candidates[name] = set()
        for p in chosen:
            candidates[name] |= with_capital(p)

    # A pair another charset lists whose bytes read the same here, in letters of the
    # languages held here, counts here too: text that reads alike in two charsets then
    # scores alike in both, and only the letters that differ tell them apart.
    alphabet = {}
    for name, codec, langs in CHARSETS:
        alphabet[name] = set()
        for lang in langs:
            alphabet[name] |= {c for c in models[lang][0] if encodable(c, codec)}
    for name, codec, langs in CHARSETS:
        if codec == "utf-8":
            continue
        for other, other_codec, _ in CHARSETS:
            if other == name or other_codec == "utf-8":
                continue
            for pair in sorted(lower[other]):
                raw = pair.encode(other_codec)
                if raw.decode(codec, "replace") == pair and set(pair) <= alphabet[name] | set(
                    "abcdefghijklmnopqrstuvwxyz"
                ):
                    lower[name].add(pair)
                    candidates[name] |= with_capital(pair)

    sections = []
    for name, codec, langs in CHARSETS:
        kept = set()
        dropped = 0
        for pair in sorted(candidates[name]):
            raw = pair.encode(codec)
            clash = False
            for other, other_codec, _ in CHARSETS:
                if other == name:
                    continue
                seen = raw.decode(other_codec, "replace")
                # A common pair yields only to a common pair; a capital one (a sentence's
                # first word) to any.
                common = lower[other] if pair in lower[name] else candidates[other]
                if seen != pair and seen in common:
                    clash = True
                    break
            if clash:
                dropped += 1
            else:
                kept.add(pair)
        sections.append((name, langs, kept, dropped))

    with open(out, "w", encoding="ascii", newline="\n") as f:
        f.write(HEADER)
        for name, langs, kept, dropped in sections:
            f.write(
                "\n; %s: %s; %d pairs (%d dropped as read alike elsewhere)\n"
                % (name, ", ".join(langs), len(kept), dropped)
            )
            f.write("%s=%s\n" % (name, expression(kept)))
        f.write(ALPHABETS_HEADER)
        for name, codec, langs in CHARSETS:
            alphabets = []
            for lang in langs:
                letters = {c for c in models[lang][0] if ord(c) > 127 and encodable(c, codec)}
                letters |= {c.upper() for c in letters if len(c.upper()) == 1 and encodable(c.upper(), codec)}
                alphabets.append("".join(ref(c) for c in sorted(letters)))
            f.write("; %s: %s\n%s=%s\n" % (name, ", ".join(langs), name, " ".join(alphabets)))


def ref(c):
    return c if ord(c) < 128 else "&#%d;" % ord(c)


def expression(pairs):
    """Pairs grouped by their second letter's first letter: "[aA][bc]|...", shortest first."""
    by_first = collections.defaultdict(set)
    for p in pairs:
        by_first[p[0]].add(p[1])
    # Merge first letters that take the same followers.
    by_followers = collections.defaultdict(set)
    for first, followers in by_first.items():
        by_followers[frozenset(followers)].add(first)
    parts = []
    for followers, firsts in sorted(by_followers.items(), key=lambda kv: sorted(kv[1])):
        parts.append(group(firsts) + group(followers))
    return "|".join(parts)


def group(chars):
    chars = sorted(chars)
    if len(chars) == 1:
        return ref(chars[0])
    return "[" + "".join(ref(c) for c in chars) + "]"


ALPHABETS_HEADER = """
; The letters from U+0080 up of each language a charset holds, one run of letters per
; language, separated by spaces. When charsets tie on the score, a reading counts the
; characters outside the alphabet of the language it fits best, and the fewest win.
; A charset without a line here uses the letters its expression names.

[alphabets]
"""

HEADER = """\
; Charset detection rules. Made by scripts/make-detect-rules.py from the hunspell
; dictionaries of ten languages; run it again rather than editing the lines below
; (or add your own entries and keep them when you regenerate).
;
; When a document is opened with the "Default" charset and its file type has
; AutoDetect=1, the first 40 lines of the file are decoded in each charset below and
; the charset whose expression matches most often wins; a charset declared in the file
; itself ("charset=...", "encoding=..." or "coding: ...", names mapped through
; [html-charsets] of pelmar.ini) counts 200 for every line that declares it. When two
; charsets score the same, the one whose reading has fewer characters outside the
; alphabet of a language it holds ([alphabets] below) wins; then the profile's default
; charset, if it is one of them; then the entry listed first. Nothing scored: the
; profile's default charset.
;
; Keys are charset names (UTF-8, Windows = the ANSI code page, or a [charsets] name of
; pelmar.ini); values are expressions, with characters from U+0080 up as "&#code;".
; Each expression lists the common letter pairs of the languages the charset holds
; (a first letter may be upper-case) that contain at least one non-ASCII letter, and
; leaves out the pairs whose bytes another charset reads as one of its own pairs.

[*]
"""

if __name__ == "__main__":
    main()
