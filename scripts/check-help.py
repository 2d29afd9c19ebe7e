#!/usr/bin/env python3
"""Checks the user manuals under data/Help: every local link and anchor resolves, every
page is well-formed enough to parse, and all the language folders hold the same pages.

    scripts/check-help.py [HELP_FOLDER]      (default: data/Help beside this script)

Prints one line per problem and exits with 1 when there is any.
"""
import html.parser
import os
import sys
import urllib.parse


class _Page(html.parser.HTMLParser):
    """The links and the anchors (id and a name) of one page."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.links = []    # (line, href)
        self.anchors = set()
        self.duplicates = []
        self.has_title = False

    def handle_starttag(self, tag, attrs):
        values = dict(attrs)
        for key in ("id",) + (("name",) if tag == "a" else ()):
            name = values.get(key)
            if name:
                if name in self.anchors:
                    self.duplicates.append((self.getpos()[0], name))
                self.anchors.add(name)
        for key in ("href", "src"):
            if key in values and values[key] is not None and tag in ("a", "link", "img", "script"):
                self.links.append((self.getpos()[0], values[key]))
        if tag == "title":
            self.has_title = True


def _parse(path):
    page = _Page()
    with open(path, encoding="utf-8") as f:
        page.feed(f.read())
    page.close()
    return page


def _pages(folder):
    """The HTML pages of a manual, relative to its folder."""
    found = []
    for root, _dirs, files in os.walk(folder):
        for name in files:
            if name.endswith(".html"):
                found.append(os.path.relpath(os.path.join(root, name), folder))
    return sorted(found)


def check_manual(help_folder, language):
    """Problems of one language's manual; links may reach the shared files of the help
    folder (../manual.css) but nothing outside it."""
    problems = []
    folder = os.path.join(help_folder, language)
    pages = _pages(folder)
    if "index.html" not in pages:
        problems.append(f"{folder}: no index.html")
    parsed = {}  # by path relative to the help folder
    for rel in pages:
        try:
            parsed[os.path.join(language, rel)] = _parse(os.path.join(folder, rel))
        except (UnicodeDecodeError, OSError) as e:
            problems.append(f"{os.path.join(folder, rel)}: cannot be read: {e}")
    for name, page in parsed.items():
        where = os.path.join(help_folder, name)
        if not page.has_title:
            problems.append(f"{where}: no <title>")
        for line, anchor in page.duplicates:
            problems.append(f"{where}:{line}: anchor '{anchor}' is defined twice")
        for line, href in page.links:
            url = urllib.parse.urlsplit(href)
            if url.scheme or url.netloc:
                continue  # outside the manual
            target = name
            if url.path:
                path = urllib.parse.unquote(url.path)
                target = os.path.normpath(os.path.join(os.path.dirname(name), path))
                if os.path.isabs(path) or target.startswith(".."):
                    problems.append(f"{where}:{line}: '{href}' leaves the manual's folder")
                    continue
                if not os.path.isfile(os.path.join(help_folder, target)):
                    problems.append(f"{where}:{line}: '{href}': no such file")
                    continue
            if url.fragment:
                other = parsed.get(target)
                if other is None:
                    problems.append(f"{where}:{line}: '{href}': anchor in a page that is not HTML")
                elif urllib.parse.unquote(url.fragment) not in other.anchors:
                    problems.append(f"{where}:{line}: '{href}': no anchor '{url.fragment}' in {target}")
    return problems, set(pages)


def check_help(help_folder):
    problems = []
    languages = sorted(d for d in os.listdir(help_folder)
                       if os.path.isdir(os.path.join(help_folder, d)))
    if not languages:
        return [f"{help_folder}: no manuals"]
    page_sets = {}
    for language in languages:
        found, pages = check_manual(help_folder, language)
        problems += found
        page_sets[language] = pages
    first = languages[0]
    for language in languages[1:]:
        for rel in sorted(page_sets[first] - page_sets[language]):
            problems.append(f"{help_folder}/{language}: {rel} is missing (it is in {first})")
        for rel in sorted(page_sets[language] - page_sets[first]):
            problems.append(f"{help_folder}/{first}: {rel} is missing (it is in {language})")
    return problems


def main(argv):
    here = os.path.dirname(os.path.abspath(__file__))
    folder = argv[1] if len(argv) > 1 else os.path.join(here, "..", "data", "Help")
    problems = check_help(folder)
    for p in problems:
        print(p)
    if problems:
        print(f"check-help: {len(problems)} problem(s)", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
