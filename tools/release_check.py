#!/usr/bin/env python3
"""Checks the release zip: its listing, and (with --wine) an installation that follows the
guide's steps with nothing but the zip's contents.

Listing: one top folder; the two programs, the README and the whole guide with every
example; the stand-in librfc32.dll only in standin-for-trials/, nowhere it could shadow
SAP's DLL, and the bridge's only in rfc-bridge/;
the same zip from the same inputs.

Walkthrough, on a drive laid out like a probe's: Korvanel.exe unpacked alone does not
start (it needs a librfc32.dll); the trial copies the programs, the stand-in and a demo
profile into PRTG's sensor folder, appends the password line that korvanel-password.exe
prints, and runs the sensor from PRTG's directory in trace mode (success) and on the
systems that refuse the logon (1011) and run on another database (1018), and over the
demo's global listing. No output shows the password.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_release import build_release  # noqa: E402
from scenario_runner import expected_pattern, point_drives, rfc_library_problems, wine_environment  # noqa: E402

PASSWORD = b"Monitor#2024"
PRTG_DIR = ["Program Files (x86)", "PRTG Network Monitor"]
SENSOR_DIR = PRTG_DIR + ["Custom Sensors", "EXEXML"]
SENSOR_WINDOWS = "C:\\" + "\\".join(SENSOR_DIR)

DEMO_DOCUMENT = (b"\n<Prtg>\n\n<Text>(DEMO) Korvanel: Info=DB4,Date=20261210,Time=140359,Sid=DEM     </Text>\n"
                 b"\n<Result><Channel>System ASP used</Channel>\n<Unit>Custom</Unit>\n<CustomUnit>PerCent</CustomUnit>"
                 b"\n<Value>87</Value></Result>\n"
                 b"\n<Result><Channel>Size of system ASP</Channel>\n<Unit>Custom</Unit>\n<CustomUnit>MByte</CustomUnit>"
                 b"\n<Value>1234567</Value></Result>\n"
                 b"\n<Result><Channel>Total ASP size</Channel>\n<Unit>Custom</Unit>\n<CustomUnit>MByte</CustomUnit>"
                 b"\n<Value>2345678</Value></Result>\n\n</Prtg>\n")
DEMO_TRACE_RUN = (b"* {hh:mm:ss} SAP Korvanel Vers 4.3 / 29.08.22\n"
                  b"* {hh:mm:ss} DEMO.P00, sapdemo, DEMO, 00, 100 State=Processing\n"
                  b"* {hh:mm:ss} Korvanel - (No Parameters) State=Executing\n"
                  b"* RFC library......: {rfc library}\n" + DEMO_DOCUMENT +
                  b"\n* {hh:mm:ss} SAP Korvanel now processed...\n")


def error_document(message):
    return b"<Prtg>\n<Error>1</Error>\n<Text>" + message + b"</Text>\n</Prtg>\n"


def check_listing(zip_path, source_dir):
    problems = []
    with zipfile.ZipFile(zip_path) as archive:
        names = archive.namelist()
    top = os.path.basename(zip_path)[: -len(".zip")] + "/"
    outside = [n for n in names if not n.startswith(top)]
    if outside:
        problems.append("entries outside %s: %s" % (top, outside))
    inside = sorted(n[len(top):] for n in names if n.startswith(top))
    wanted = ["Korvanel.exe", "korvanel-password.exe", "README.txt", "standin-for-trials/librfc32.dll",
              "standin-for-trials/README.txt", "standin-for-trials/SapLandscape.txt", "standin-for-trials/DEMO.P00",
              "rfc-bridge/librfc32.dll", "rfc-bridge/README.txt"]
    docs_dir = os.path.join(source_dir, "docs")
    for directory, dirs, files in os.walk(docs_dir):
        dirs[:] = [d for d in dirs if d != "release" or directory != docs_dir]
        wanted += [os.path.relpath(os.path.join(directory, f), source_dir).replace(os.sep, "/") for f in files]
    problems += ["missing from the zip: %s" % name for name in wanted if name not in inside]
    libraries = [n for n in inside if n.lower().endswith(".dll")]
    if libraries != ["rfc-bridge/librfc32.dll", "standin-for-trials/librfc32.dll"]:
        problems.append("DLLs of the zip: %s (only rfc-bridge/librfc32.dll and standin-for-trials/librfc32.dll "
                        "belong there)" % libraries)
    return problems


def unpack(zip_path, into):
    shutil.rmtree(into, ignore_errors=True)
    with zipfile.ZipFile(zip_path) as archive:
        archive.extractall(into)
    return os.path.join(into, os.path.basename(zip_path)[: -len(".zip")])


class Probe:
    """A probe's drive C: below WORK/drives, run through wine."""

    def __init__(self, work, prefix):
        self.prefix = os.path.abspath(prefix)
        self.root = os.path.join(work, "drives")
        shutil.rmtree(self.root, ignore_errors=True)
        self.sensor_dir = os.path.join(self.root, "C", *SENSOR_DIR)
        self.prtg_dir = os.path.join(self.root, "C", *PRTG_DIR)
        os.makedirs(self.sensor_dir)
        point_drives(self.prefix, self.root)
        self.outputs = []

    def run(self, program, arguments, cwd, stdin_bytes=b""):
        """Runs a program with its input and output in files: wine's helper processes may
        keep the handles of the first program open after it ended."""
        with tempfile.TemporaryFile() as given, tempfile.TemporaryFile() as out:
            given.write(stdin_bytes)
            given.seek(0)
            process = subprocess.Popen(["wine", program] + arguments, cwd=cwd, env=wine_environment(self.prefix),
                                       stdin=given, stdout=out, stderr=subprocess.DEVNULL)
            returncode = process.wait(timeout=120)
            out.seek(0)
            stdout = out.read()
        self.outputs.append(stdout)
        return returncode, stdout


def walkthrough(zip_path, work, prefix):
    problems = []
    release = unpack(zip_path, os.path.join(work, "unpacked"))
    probe = Probe(work, prefix)

    # Unpacked as it is, the sensor finds no librfc32.dll beside it: nothing shadows SAP's.
    status, output = probe.run(os.path.join(release, "Korvanel.exe"), ["DEMO"], probe.prtg_dir)
    if status in (0, 1, 2) or b"<Prtg>" in output:
        problems.append("Korvanel.exe ran without a librfc32.dll beside it (status %d)" % status)

    standin = os.path.join(release, "standin-for-trials")
    for name in ("Korvanel.exe", "korvanel-password.exe"):
        shutil.copy(os.path.join(release, name), probe.sensor_dir)
    shutil.copy(os.path.join(standin, "librfc32.dll"), probe.sensor_dir)
    for name in ("ORA.P00", "LCK.P00", "SAP Wendmark.Gbl"):
        shutil.copy(os.path.join(standin, name), probe.sensor_dir)
    shutil.copy(os.path.join(standin, "SapLandscape.txt"), probe.prtg_dir)

    # The profile without its password line, then the tool writes the line into it.
    with open(os.path.join(standin, "DEMO.P00"), "rb") as f:
        lines = f.read().splitlines(keepends=True)
    profile = os.path.join(probe.sensor_dir, "DEMO.P00")
    kept = [line for line in lines if not line.startswith(b"Password...:")]
    with open(profile, "wb") as f:
        f.writelines(kept)
    status, said = probe.run(SENSOR_WINDOWS + "\\korvanel-password.exe", ["DEMO.P00"], probe.sensor_dir,
                             PASSWORD + b"\r\n")
    if status != 0 or said != b"korvanel-password: DEMO.P00: password line added (line %d)\n" % (len(kept) + 1):
        problems.append("the password tool gave status %d and said %r" % (status, said))
    with open(profile, "rb") as f:
        written = f.read()
    if not re.search(rb"\nPassword\.\.\.: [ -~]{24}(\r?\n)\Z", written) or not written.startswith(b"".join(kept)):
        problems.append("the password tool did not add its line to the profile: %r" % written[-60:])

    sensor = SENSOR_WINDOWS + "\\Korvanel.exe"
    for arguments, expected, status in [
        (["DEMO", "#"], DEMO_TRACE_RUN, 0),
        (["LCK"], error_document(b"Error 1011: RFC-Open for LCK failed !"), 2),
        (["ORA"], error_document(b"Error 1018: DataBase mismatch !"), 2),
        (["GLOBAL", "ASP"], b"\n<Prtg>\n\n\n<Text>(***) Demo Landscape: NoSystems=3, Processed=1, Failed=1</Text>\n"
                            b"\n</Prtg>\n\n", 0),
    ]:
        returned, output = probe.run(sensor, arguments, probe.prtg_dir)
        matched = expected_pattern(expected).match(output)
        # The stand-in beside the sensor answers, not the one left in standin-for-trials.
        for said in matched.groups() if matched else ():
            problems += ["Korvanel.exe %s: the RFC library line: %s" % (" ".join(arguments), problem) for problem in
                         rfc_library_problems(said, os.path.join(probe.sensor_dir, "librfc32.dll"), None, True)]
        if returned != status or not matched:
            problems.append("Korvanel.exe %s: status %d, output\n%s" % (
                " ".join(arguments), returned, output.replace(PASSWORD, b"<secret>").decode("latin-1")))
    if not os.path.exists(os.path.join(probe.prtg_dir, "Dev_Rfc.Trc")):
        problems.append("the refused logon left no Dev_Rfc.Trc in the working directory")
    if any(PASSWORD in output for output in probe.outputs):
        problems.append("the password appears in an output")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--source", required=True, help="the source tree")
    parser.add_argument("--win32", required=True, help="the Windows build tree")
    parser.add_argument("--work", required=True, help="a scratch folder")
    parser.add_argument("--wine", metavar="PREFIX", help="also install and run the release under wine")
    args = parser.parse_args()
    source_dir = os.path.abspath(args.source)
    work = os.path.abspath(args.work)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)

    zip_path = build_release(source_dir, os.path.abspath(args.win32), os.path.join(work, "first"))
    if args.wine:
        problems = walkthrough(zip_path, work, args.wine)
    else:
        problems = check_listing(zip_path, source_dir)
        again = build_release(source_dir, os.path.abspath(args.win32), os.path.join(work, "second"))
        with open(zip_path, "rb") as first, open(again, "rb") as second:
            if first.read() != second.read():
                problems.append("two builds of the zip from the same inputs differ")
    for problem in problems:
        print(problem)
    print("release %s: %s" % (os.path.basename(zip_path), "%d problems" % len(problems) if problems else "as expected"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
