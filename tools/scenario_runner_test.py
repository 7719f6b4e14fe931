#!/usr/bin/env python3
"""Shows that the scenario runner's strict reader rejects what PRTG rejects and passes
what PRTG reads, and that it knows which scenarios' output is meant for PRTG."""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from scenario_runner import prtg_problems, read_by_prtg  # noqa: E402

SUCCESS = (b"\n<Prtg>\n\n<Text>(PRD) Korvanel: Info=DB4</Text>\n\n<Result><Channel>System ASP used</Channel>\n"
           b"<Unit>Custom</Unit>\n<CustomUnit>PerCent</CustomUnit>\n<Value>87</Value></Result>\n\n</Prtg>\n")
ERROR = b"<Prtg>\n<Error>1</Error>\n<Text>Error 1011: RFC-Open for M&#220;N failed !</Text>\n</Prtg>\n"

# (what, output, a piece of the problem the reader must name; None: it must pass)
CASES = [
    ("a success document", SUCCESS, None),
    ("an error document with a reference", ERROR, None),
    ("the root in other letter case", ERROR.replace(b"Prtg", b"prtg"), None),
    ("a line before the document", b"* SapRfc.Ini.......: PRD<\n" + SUCCESS, "well-formed"),
    ("an unclosed head before an error document", b"\n<Prtg>\n\n" + ERROR, "well-formed"),
    ("a console report", b"RFC error\noperation/code  : RfcCall\n", "well-formed"),
    ("a control character", ERROR.replace(b"RFC-Open", b"RFC\x01Open"), "well-formed"),
    ("a raw ANSI byte", ERROR.replace(b"&#220;", b"\xdc"), "beyond ASCII"),
    ("raw UTF-8", ERROR.replace(b"&#220;", b"\xc3\x9c"), "beyond ASCII"),
    ("an unescaped ampersand", ERROR.replace(b"M&#220;N", b"R&D"), "well-formed"),
    ("another root", ERROR.replace(b"Prtg", b"Sensor"), "root"),
    ("a text too long", ERROR.replace(b"Error 1011", b"x" * 2001), "more than 2000"),
    ("a result without value", SUCCESS.replace(b"<Value>87</Value>", b""), "without channel or value"),
    ("an error value other than 1", ERROR.replace(b"<Error>1</Error>", b"<Error>2</Error>"), "not 1"),
    ("an error document without text", b"<Prtg>\n<Error>1</Error>\n</Prtg>\n", "without a text"),
]

# (arguments, meant for PRTG)
ARGUMENTS = [
    ([b"PRD"], True),
    ([b"PRD", b"GIGABYTE"], True),
    ([b"PRD", b"GIGABYTE #"], False),
    ([b"GLOBAL", b"ASP", b"@"], False),
    ([b"PRD", b"FLAVOUR=Gantries"], False),
    ([b"PRD", b"x flavour=Brimtol,CH=1"], False),
    ([b"PRD", b"FLAVOUR=Lumaset"], True),
    ([b"PRD", b"FLAVOUR=gantries"], True),  # no flavour in another letter case: EXEXML
    ([b"PRD", b"GIGABYTE", b"x", b"#"], True),  # only two parameter arguments are read
]


def main():
    failures = 0
    for what, output, expected in CASES:
        problems = prtg_problems(output)
        if expected is None and problems:
            print("FAIL %s: %s" % (what, problems))
            failures += 1
        elif expected is not None and not any(expected in problem for problem in problems):
            print("FAIL %s: expected a problem with %r, got %s" % (what, expected, problems))
            failures += 1
    for arguments, expected in ARGUMENTS:
        if read_by_prtg(arguments) != expected:
            print("FAIL read_by_prtg(%r) is not %s" % (arguments, expected))
            failures += 1
    print("strict reader: %d cases, %d failed" % (len(CASES) + len(ARGUMENTS), failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
