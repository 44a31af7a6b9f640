#!/usr/bin/env python3
"""The layering check on small trees: what it lets through and what it stops."""

import os
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts"))
import check_includes  # noqa: E402

# A three-layer tree: low <- mid <- top, with tests of mid.
RULES = {
    "low/DEPS": "allow low/\n",
    "mid/DEPS": "use low/DEPS  # below\nallow mid/\n",
    "top/DEPS": "use mid/DEPS\nallow top/\n",
    "tests/mid/DEPS": "use mid/DEPS\nallow tests/mid/ tests/support/\n",
    "tests/support/DEPS": "allow tests/support/\n",
}


def make_tree(root, files):
    for path, text in files.items():
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w", encoding="utf-8") as f:
            f.write(text)


class CheckIncludesTest(unittest.TestCase):
    def problems(self, files, rules=None):
        with tempfile.TemporaryDirectory() as root:
            make_tree(root, dict(RULES if rules is None else rules, **files))
            return check_includes.check(root)

    def test_includes_that_keep_the_layering_pass(self):
        self.assertEqual([], self.problems({
            "low/a.h": "#include <windows.h>\n#include <json/json.h>\n",
            "mid/b.cc": '#include "mid/b.h"\n#include "low/a.h"\n#include "curl/curl.h"\n',
            "mid/b.h": "",
            "top/c.cc": '#include "low/a.h"\n#include "mid/b.h"\n',
            # beside the file, then from tests/
            "tests/mid/t.cc": '#include "helper.h"\n#include "support/s.h"\n#include "mid/b.h"\n',
            "tests/mid/helper.h": "",
            "tests/support/s.h": "",
            # a build tree is not looked at, whatever it holds
            "build/CMakeCache.txt": "",
            "build/x.cc": '#include "top/c.h"\n',
        }))

    def test_each_break_names_the_file_the_include_and_the_rule(self):
        cases = [
            ("upward", {"low/a.cc": '#include "mid/b.h"\n'},
             'low/a.cc:1: #include "mid/b.h" breaks the layering: the rule low/DEPS allows only low/'),
            ("two layers up, angle brackets", {"low/a.cc": "\n#include <top/c.h>\n"},
             'low/a.cc:2: #include "top/c.h" breaks the layering: the rule low/DEPS allows only low/'),
            ("a test beyond its subject", {"tests/mid/t.cc": '#include "top/c.h"\n'},
             'tests/mid/t.cc:1: #include "top/c.h" breaks the layering: the rule tests/mid/DEPS '
             'allows only low/ mid/ tests/mid/ tests/support/'),
            ("a folder without a rule", {"other/d.cc": ""},
             "other/d.cc: no DEPS file above it says what it may include"),
        ]
        for name, files, expected in cases:
            with self.subTest(name):
                self.assertEqual([expected], self.problems(files))

    def test_broken_rules_are_reported(self):
        cases = [
            ("use of a missing rule", {"low/DEPS": "use gone/DEPS\n"}, "gone/DEPS: no such rule file"),
            ("rules that use each other", {"low/DEPS": "use mid/DEPS\n", "mid/DEPS": "use low/DEPS\n"},
             "go round in a circle"),
            ("a line of neither kind", {"low/DEPS": "permit low/\n"}, 'expected "allow PREFIX..."'),
        ]
        for name, rules, expected in cases:
            with self.subTest(name):
                problems = self.problems({"low/a.cc": ""}, rules)
                self.assertTrue(problems)
                self.assertTrue(all(expected in p for p in problems), problems)


if __name__ == "__main__":
    unittest.main()
