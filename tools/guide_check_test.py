#!/usr/bin/env python3
"""Shows that the guide check notices drift: each case changes one thing in a copy of
the guide, its examples or the program's sources, and the check must name a problem of
the expected kind; the untouched copy must pass."""
import argparse
import os
import shutil
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from guide_check import check_guide  # noqa: E402

COPIED = ("docs", "run", "config", "rfc", "measure", "output", "tools", "password_tool")

# (what drifts, file, text, replacement, a piece of the problem the check must report)
CASES = [
    ("a shown output value", "docs/parameters.md", "<Value>524</Value>", "<Value>525</Value>", "output differs"),
    ("a shown profile line", "docs/profiles.md", "Client.....: 100\n", "Client.....: 101\n", "block differs"),
    ("a shown argument", "docs/parameters.md", "Korvanel.exe PRD GIGABYTE\n", "Korvanel.exe PRD Gigabyte\n",
     "arguments"),
    ("a shown exit status", "docs/messages.md", "echo %ERRORLEVEL%\n1\n", "echo %ERRORLEVEL%\n2\n", "exit status"),
    ("a shown working directory", "docs/parameters.md", "C:\\work>Korvanel.exe PRD GIGABYTE",
     "C:\\temp>Korvanel.exe PRD GIGABYTE", "working directory"),
    ("an example's output", "docs/examples/guide_gigabyte/stdout", "<Value>2097</Value>", "<Value>2098</Value>",
     "output differs"),
    ("a message text on a page", "docs/messages.md", "`Error 1018: DataBase mismatch !`",
     "`Error 1018: Database mismatch !`", "no message of the program"),
    ("a message text in the program", "run/run_driver.cpp", "\"Error 1011: RFC-Open for %s failed !\"",
     "\"Error 1011: RFC-Open of %s failed !\"", "no message of the program"),
    ("a password tool message", "docs/profiles.md", "korvanel-password: no password given`",
     "korvanel-password: no password was given`", "password tool has no message"),
    ("a link", "docs/README.md", "(trial.md)", "(trials.md)", "leads nowhere"),
    ("a link's heading", "docs/trial.md", "#step-4-add-the-sensor-in-prtg", "#step-4-add-the-sensor",
     "names no heading"),
    ("a marker without its block", "docs/trial.md", "-->\n```\n# The SAP systems", "-->\n\n# The SAP systems",
     "no fenced block"),
]


def copy_tree(source_dir, into):
    for name in COPIED:
        shutil.copytree(os.path.join(source_dir, name), os.path.join(into, name))


def change(root, relative, text, replacement):
    path = os.path.join(root, relative)
    with open(path, "rb") as f:
        data = f.read()
    if text.encode() not in data:
        raise SystemExit("the case's text is no longer in %s: %r" % (relative, text))
    with open(path, "wb") as f:
        f.write(data.replace(text.encode(), replacement.encode(), 1))


def main():
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--source", required=True, help="the source tree")
    args = parser.parse_args()
    source_dir = os.path.abspath(args.source)
    failures = []
    scratch = tempfile.mkdtemp(prefix="korvanel-guide-")
    try:
        untouched = os.path.join(scratch, "untouched")
        copy_tree(source_dir, untouched)
        problems, _ = check_guide(untouched)
        if problems:
            failures.append("the untouched guide fails: %s" % problems)

        cases = [(what, lambda root, c=(relative, text, replacement): change(root, *c), expected)
                 for what, relative, text, replacement, expected in CASES]
        cases.append(("an example that no page shows",
                      lambda root: shutil.copytree(os.path.join(root, "docs", "examples", "guide_gigabyte"),
                                                   os.path.join(root, "docs", "examples", "guide_unshown")),
                      "neither shown nor linked"))
        for number, (what, apply, expected) in enumerate(cases):
            root = os.path.join(scratch, "case%d" % number)
            copy_tree(source_dir, root)
            apply(root)
            problems, _ = check_guide(root)
            if not any(expected in problem for problem in problems):
                failures.append("%s changed: no problem reads %r (got %s)" % (what, expected, problems))
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    for failure in failures:
        print(failure)
    print("guide check: %d kinds of drift, %s" % (len(CASES) + 1, "%d missed" % len(failures) if failures else
                                                 "each one noticed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
