#!/usr/bin/env python3
"""Checks that every include of the launcher's own code follows the layering.

Each folder's rule is the DEPS file nearest above it (its own, else its
parent's, and so on). A DEPS file lists what the code under it may include,
one entry a line, "#" starting a comment:

    allow base/              a folder of the tree (trailing "/") or one file
    use app/util/DEPS        everything another rule allows

Includes are written from the repository root ("base/...", "app/util/...").
A quoted include is looked up as the compiler does: beside the including file
first, then (for code under tests/) in tests/, then from the root. Includes of
anything outside the launcher's own top folders (system and dependency
headers) are not checked. A C or C++ file with no DEPS file above it fails the
check too, so a new folder cannot come in without its rule.

Usage: check_includes.py [ROOT]   (ROOT defaults to the repository root)
Exits 1 and prints one line per broken include when any is found.
"""

import os
import re
import sys

SOURCE_SUFFIXES = (".h", ".hh", ".hpp", ".inl", ".c", ".cc", ".cpp", ".rc")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
RULE_FILE = "DEPS"


class RuleError(Exception):
    pass


class Rules:
    def __init__(self, root):
        self.root = root
        self._allowed = {}  # rule path -> list of prefixes

    def allowed(self, rule, seen=()):
        """The prefixes `rule` (a DEPS path from the root) allows."""
        if rule in self._allowed:
            return self._allowed[rule]
        if rule in seen:
            raise RuleError("%s: its \"use\" lines go round in a circle" % rule)
        path = os.path.join(self.root, rule)
        if not os.path.isfile(path):
            raise RuleError("%s: no such rule file" % rule)
        prefixes = []
        with open(path, encoding="utf-8") as f:
            for number, line in enumerate(f, 1):
                words = line.split("#", 1)[0].split()
                if not words:
                    continue
                if words[0] == "allow" and len(words) >= 2:
                    prefixes.extend(words[1:])
                elif words[0] == "use" and len(words) >= 2:
                    for other in words[1:]:
                        try:
                            prefixes.extend(self.allowed(other, seen + (rule,)))
                        except RuleError as e:
                            raise RuleError("%s:%d: %s" % (rule, number, e))
                else:
                    raise RuleError("%s:%d: expected \"allow PREFIX...\" or \"use RULE...\", "
                                    "found %r" % (rule, number, line.strip()))
        self._allowed[rule] = prefixes
        return prefixes

    def rule_for(self, relative_file):
        """The DEPS path nearest above the file, or None."""
        folder = os.path.dirname(relative_file)
        while True:
            candidate = os.path.join(folder, RULE_FILE) if folder else RULE_FILE
            if os.path.isfile(os.path.join(self.root, candidate)):
                return candidate.replace(os.sep, "/")
            if not folder:
                return None
            folder = os.path.dirname(folder)


def own_top_folders(root):
    return {name for name in os.listdir(root)
            if os.path.isdir(os.path.join(root, name)) and not name.startswith(".")
            and not is_build_tree(os.path.join(root, name))}


def is_build_tree(path):
    return os.path.isfile(os.path.join(path, "CMakeCache.txt"))


def source_files(root):
    for folder, subfolders, files in os.walk(root):
        subfolders[:] = sorted(d for d in subfolders if not d.startswith(".")
                               and not is_build_tree(os.path.join(folder, d)))
        for name in sorted(files):
            if name.endswith(SOURCE_SUFFIXES):
                yield os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")


def resolve(root, relative_file, written, quoted):
    """The include's path from the root, as the compiler would find it."""
    if quoted:
        beside = os.path.normpath(os.path.join(os.path.dirname(relative_file), written))
        if not beside.startswith("..") and os.path.isfile(os.path.join(root, beside)):
            return beside.replace(os.sep, "/")
        if relative_file.startswith("tests/") and os.path.isfile(
                os.path.join(root, "tests", written)):
            return "tests/" + written
    return os.path.normpath(written).replace(os.sep, "/")


def is_allowed(path, prefixes):
    return any(path == p or (p.endswith("/") and path.startswith(p)) for p in prefixes)


def check(root):
    """Every broken include under `root`, as printable lines."""
    rules = Rules(root)
    ours = own_top_folders(root)
    problems = []
    for relative_file in source_files(root):
        rule = rules.rule_for(relative_file)
        if rule is None:
            problems.append("%s: no %s file above it says what it may include"
                            % (relative_file, RULE_FILE))
            continue
        try:
            prefixes = rules.allowed(rule)
        except RuleError as e:
            problems.append(str(e))
            continue
        with open(os.path.join(root, relative_file), encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                quoted, written = match.group(1) == '"', match.group(2)
                path = resolve(root, relative_file, written, quoted)
                if path.split("/", 1)[0] not in ours:
                    continue
                if not is_allowed(path, prefixes):
                    problems.append(
                        '%s:%d: #include "%s" breaks the layering: the rule %s allows only %s'
                        % (relative_file, number, written, rule, " ".join(prefixes)))
    # A rule file that nothing uses still has to read right.
    for relative_file in sorted(set(_rule_files(root))):
        try:
            rules.allowed(relative_file)
        except RuleError as e:
            problems.append(str(e))
    return sorted(set(problems), key=problems.index)


def _rule_files(root):
    for folder, subfolders, files in os.walk(root):
        subfolders[:] = sorted(d for d in subfolders if not d.startswith(".")
                               and not is_build_tree(os.path.join(folder, d)))
        if RULE_FILE in files:
            yield os.path.relpath(os.path.join(folder, RULE_FILE), root).replace(os.sep, "/")


def main(argv):
    root = argv[1] if len(argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    root = os.path.abspath(root)
    problems = check(root)
    for problem in problems:
        print(problem)
    if problems:
        print("%d include(s) break the layering" % len(problems))
        return 1
    print("includes follow the layering")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
