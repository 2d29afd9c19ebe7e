#!/usr/bin/env python3
"""The manual checker finds what it is there to find: a link to a missing page, an anchor
that no page defines, a page one language lacks; and passes a sound pair of manuals."""
import os
import runpy
import tempfile
import unittest

check_help = runpy.run_path(
    os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "check-help.py"))["check_help"]

INDEX = """<!DOCTYPE html><html><head><title>t</title><link rel="stylesheet" href="../manual.css">
</head><body><a href="keys.html#macros">m</a> <a href="#top">t</a> <h1 id="top">x</h1>
<a href="https://example.org/">out</a></body></html>"""
KEYS = """<!DOCTYPE html><html><head><title>k</title></head><body>
<h2 id="macros">Macros</h2><a href="index.html">back</a></body></html>"""


class CheckHelpTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory()
        self.root = self.dir.name
        with open(os.path.join(self.root, "manual.css"), "w") as f:
            f.write("body{}")
        for language in ("english", "german"):
            self.write(language, "index.html", INDEX)
            self.write(language, "keys.html", KEYS)

    def tearDown(self):
        self.dir.cleanup()

    def write(self, language, name, text):
        os.makedirs(os.path.join(self.root, language), exist_ok=True)
        with open(os.path.join(self.root, language, name), "w", encoding="utf-8") as f:
            f.write(text)

    def test_sound_manuals_pass(self):
        self.assertEqual(check_help(self.root), [])

    def test_link_to_a_missing_page(self):
        self.write("german", "keys.html", KEYS.replace("index.html", "start.html"))
        problems = check_help(self.root)
        self.assertEqual(len(problems), 1, problems)
        self.assertIn("german/keys.html", problems[0])
        self.assertIn("start.html", problems[0])

    def test_anchor_that_no_page_defines(self):
        self.write("english", "keys.html", KEYS.replace('id="macros"', 'id="macro"'))
        problems = check_help(self.root)
        self.assertEqual(len(problems), 1, problems)
        self.assertIn("no anchor 'macros'", problems[0])

    def test_anchor_on_the_same_page(self):
        self.write("english", "index.html", INDEX.replace('id="top"', 'id="head"'))
        problems = check_help(self.root)
        self.assertEqual(len(problems), 1, problems)
        self.assertIn("'#top'", problems[0])

    def test_page_that_one_language_lacks(self):
        self.write("english", "search.html", KEYS)
        problems = check_help(self.root)
        self.assertEqual(problems, [f"{self.root}/german: search.html is missing (it is in english)"])

    def test_link_out_of_the_manual_folder(self):
        self.write("english", "keys.html", KEYS.replace("index.html", "../../../etc/passwd"))
        problems = check_help(self.root)
        self.assertEqual(len(problems), 1, problems)
        self.assertIn("leaves the manual's folder", problems[0])


if __name__ == "__main__":
    unittest.main()
