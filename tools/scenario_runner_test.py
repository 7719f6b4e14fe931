#!/usr/bin/env python3
"""Shows that the scenario runner's strict reader rejects what PRTG rejects and passes
what PRTG reads, and that it knows which scenarios' output is meant for PRTG; and that
the {rfc library} placeholder stands for the rest of its line only, whose text must name
the library each route loads; and that only a run wine never started is tried again."""
import os
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from scenario_runner import Result, expected_pattern, prtg_problems, read_by_prtg, rfc_library_problems  # noqa: E402
from scenario_runner import wine_did_not_start, without_description_note  # noqa: E402

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

# (what, exit status, standard output, output expected, a failed start of wine, so tried once more)
WINE_STARTS = [
    ("nothing printed, ended with 1", 1, b"", True, True),
    ("the sensor's abort report", 1, b"RFC error\n", True, False),
    ("nothing printed where nothing is expected", 1, b"", False, False),
    ("nothing printed, ended with the error document's status", 2, b"", True, False),
    ("a crash", 3221225477, b"", True, False),
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


EXPECTED_TRACE = b"* {hh:mm:ss} Korvanel - (No Parameters) State=Executing\n* RFC library......: {rfc library}\n<Prtg>\n"

# (what, actual output, the placeholder's text; None: the output must not match)
PLACEHOLDER_CASES = [
    ("a path", b"* 06:15:02 Korvanel - (No Parameters) State=Executing\n* RFC library......: /b/librfc32.so\n<Prtg>\n",
     b"/b/librfc32.so"),
    ("a path with the bridge's words", b"* 06:15:02 Korvanel - (No Parameters) State=Executing\n"
     b"* RFC library......: C:\\x\\librfc32.dll, RFC bridge librfc32 over sapnwrfc 7500,0,12 from C:\\x\\sapnwrfc.dll\n<Prtg>\n",
     b"C:\\x\\librfc32.dll, RFC bridge librfc32 over sapnwrfc 7500,0,12 from C:\\x\\sapnwrfc.dll"),
    ("no line", b"* 06:15:02 Korvanel - (No Parameters) State=Executing\n<Prtg>\n", None),
    ("an empty rest", b"* 06:15:02 Korvanel - (No Parameters) State=Executing\n* RFC library......: \n<Prtg>\n", None),
    ("the line swallowing the next", b"* 06:15:02 Korvanel - (No Parameters) State=Executing\n"
     b"* RFC library......: /b/librfc32.so <Prtg>\n", None),
]


LINE = b"* RFC library......: C:\\x\\librfc32.dll, RFC bridge librfc32 over sapnwrfc 7500,0,0 from C:\\x\\sapnwrfc.dll"
NOTE = b"; RFC_SYSTEM_INFO, DB02_DB4_GET_INFO with the system's descriptions"
# (what, output, what must remain): the repeated library line that names the calls made
# with the system's descriptions goes; nothing else does.
NOTE_CASES = [
    ("the note after its line", LINE + b"\n" + LINE + NOTE + b"\n<Prtg>\n", LINE + b"\n<Prtg>\n"),
    ("no note", LINE + b"\n<Prtg>\n", LINE + b"\n<Prtg>\n"),
    ("a note without its line before", LINE + NOTE + b"\n<Prtg>\n", LINE + NOTE + b"\n<Prtg>\n"),
    ("a note naming another library", LINE + b"\n" + LINE.replace(b"x", b"y") + NOTE + b"\n",
     LINE + b"\n" + LINE.replace(b"x", b"y") + NOTE + b"\n"),
    ("two notes", LINE + b"\n" + LINE + NOTE + b"\n" + LINE + NOTE + b"\n",
     LINE + b"\n" + LINE + NOTE + b"\n" + LINE + NOTE + b"\n"),
    ("a note naming another function", LINE + b"\n" + LINE + NOTE.replace(b"DB02_DB4", b"Z_DB4") + b"\n",
     LINE + b"\n" + LINE + NOTE.replace(b"DB02_DB4", b"Z_DB4") + b"\n"),
]


def library_cases(folder):
    """(what, said, library, netweaver, windows, a piece of the problem; None: no problem),
    against files laid out in `folder`: a classic librfc32 and a bridge route."""
    classic = os.path.join(folder, "librfc32.so")
    bridge = os.path.join(folder, "route", "librfc32.so")
    netweaver = os.path.join(folder, "route", "libsapnwrfc.so")
    os.makedirs(os.path.dirname(bridge))
    for path in (classic, bridge, netweaver):
        open(path, "wb").close()
    described = ", RFC bridge librfc32 over sapnwrfc 7500,0,12 from "
    unix_to_z = lambda path: "Z:" + path.replace("/", "\\")  # noqa: E731
    return [
        ("the classic library", classic, classic, None, False, None),
        ("another librfc32 than the loader's", bridge, classic, None, False, "not " + classic),
        ("a path cut short", classic[:-4] + "...", classic, None, False, "not " + classic),
        ("the classic route with the bridge's words", classic + described + netweaver, classic, None, False,
         "described as the bridge"),
        ("the bridge over its NetWeaver library", bridge + described + netweaver, bridge, netweaver, False, None),
        ("the bridge without its words", bridge, bridge, netweaver, False, "no description"),
        ("the bridge that did not load SAP's library",
         bridge + ", RFC bridge, sapnwrfc not loaded: libsapnwrfc.so not found, see Dev_Rfc.Trc", bridge, netweaver,
         False, "no description"),
        ("the bridge over another NetWeaver library", bridge + described + "/usr/lib/libsapnwrfc.so", bridge,
         netweaver, False, "the bridge names"),
        ("the bridge with the destination keys it dropped", bridge + described + netweaver +
         "; ABAP_DEBUG=1 dropped: no ABAP debugger starts from a probe's service", bridge, netweaver, False, None),
        ("wine: a Z: path", unix_to_z(classic), classic, None, True, None),
        ("wine: the bridge over its library by Z: paths", unix_to_z(bridge) + described + unix_to_z(netweaver), bridge,
         netweaver, True, None),
        ("wine: a drive of the probe", "C:\\PRTG\\EXEXML\\librfc32.dll", "/root/C/PRTG/ExeXml/librfc32.dll", None,
         True, None),
        ("wine: another folder", "C:\\Windows\\SysWOW64\\librfc32.dll", "/root/C/PRTG/ExeXml/librfc32.dll", None,
         True, "not /root"),
    ]


def problems_as_expected(what, problems, expected):
    """True when PROBLEMS are none and none were EXPECTED, or one holds EXPECTED; else
    says what went wrong."""
    if expected is None and problems:
        print("FAIL %s: %s" % (what, problems))
        return False
    if expected is not None and not any(expected in problem for problem in problems):
        print("FAIL %s: expected a problem with %r, got %s" % (what, expected, problems))
        return False
    return True


def main():
    failures = 0
    for what, output, expected in PLACEHOLDER_CASES:
        matched = expected_pattern(EXPECTED_TRACE).match(output)
        said = matched.groups() if matched else None
        if said != (None if expected is None else (expected,)):
            print("FAIL {rfc library} with %s: got %r" % (what, said))
            failures += 1
    with tempfile.TemporaryDirectory() as folder:
        cases = library_cases(folder)
        for what, said, library, netweaver, windows, expected in cases:
            failures += not problems_as_expected(
                what, rfc_library_problems(said.encode("latin-1"), library, netweaver, windows), expected)
    for what, output, expected in CASES:
        failures += not problems_as_expected(what, prtg_problems(output), expected)
    for arguments, expected in ARGUMENTS:
        if read_by_prtg(arguments) != expected:
            print("FAIL read_by_prtg(%r) is not %s" % (arguments, expected))
            failures += 1
    for what, output, expected in NOTE_CASES:
        if without_description_note(output) != expected:
            print("FAIL without_description_note with %s: %r" % (what, without_description_note(output)))
            failures += 1
    for what, status, output, expected, retried in WINE_STARTS:
        if wine_did_not_start(Result(status, output, b"wine client error"), expected) != retried:
            print("FAIL wine_did_not_start with %s is not %s" % (what, retried))
            failures += 1
    print("strict reader, RFC library line and wine's start: %d cases, %d failed" % (
        len(CASES) + len(ARGUMENTS) + len(PLACEHOLDER_CASES) + len(cases) + len(WINE_STARTS) + len(NOTE_CASES),
        failures))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
