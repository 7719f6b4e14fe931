#!/usr/bin/env python3
"""Checks the release zip: its listing, and an installation that follows the guide's
steps with nothing but the zip's contents, on a probe under wine (--wine) or natively
with the Linux build's programs laid out as the zip lays out the Windows ones (--native).

Listing: one top folder; the two programs, the README and the whole guide with every
example; the stand-in librfc32.dll only in standin-for-trials/, nowhere it could shadow
SAP's DLL; the NetWeaver stand-in sapnwrfc.dll only in standin-for-trials/nwrfc/, saying
in its bytes what it is; the bridge's librfc32.dll only in rfc-bridge/; the same zip
from the same inputs.

Walkthrough, on a drive laid out like a probe's: Korvanel.exe unpacked alone does not
start (it needs a librfc32.dll); the trial copies the programs, the stand-in and a demo
profile into PRTG's sensor folder, appends the password line that korvanel-password.exe
prints, and runs the sensor from PRTG's directory in trace mode (success), on the
systems that refuse the logon (1014) and run on another database (1018), and over the
demo's global listing, demanding the answers of the demo's scenarios. Then the bridge takes the stand-in's place: without sapnwrfc.dll
beside it the logon fails (1011) and Dev_Rfc.Trc names the path it tried; with the
NetWeaver stand-in beside it the same runs give the same answers. No output or trace
shows the password.
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
from make_release import NWRFC_STANDIN_FOLDER, build_release, program_version, text_entries  # noqa: E402
from scenario_runner import expected_pattern, point_drives, rfc_library_problems, wine_environment  # noqa: E402

PASSWORD = b"Monitor#2024"
PRTG_DIR = ["Program Files (x86)", "PRTG Network Monitor"]
SENSOR_DIR = PRTG_DIR + ["Custom Sensors", "EXEXML"]

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

CLASSIC_ROUTE = "the stand-in librfc32"
BRIDGE_ROUTE = "the bridge and the NetWeaver stand-in"


def error_document(message):
    return b"<Prtg>\n<Error>1</Error>\n<Text>" + message + b"</Text>\n</Prtg>\n"


def check_listing(zip_path, source_dir):
    problems = []
    top = os.path.basename(zip_path)[: -len(".zip")] + "/"
    with zipfile.ZipFile(zip_path) as archive:
        names = archive.namelist()
        nwrfc_standin = top + NWRFC_STANDIN_FOLDER + "/sapnwrfc.dll"
        nwrfc_standin_bytes = archive.read(nwrfc_standin) if nwrfc_standin in names else None
    outside = [n for n in names if not n.startswith(top)]
    if outside:
        problems.append("entries outside %s: %s" % (top, outside))
    inside = sorted(n[len(top):] for n in names if n.startswith(top))
    wanted = ["Korvanel.exe", "korvanel-password.exe", "README.txt", "standin-for-trials/librfc32.dll",
              "standin-for-trials/README.txt", "standin-for-trials/SapLandscape.txt", "standin-for-trials/DEMO.P00",
              "standin-for-trials/nwrfc/sapnwrfc.dll", "standin-for-trials/nwrfc/README.txt",
              "rfc-bridge/librfc32.dll", "rfc-bridge/README.txt"]
    docs_dir = os.path.join(source_dir, "docs")
    for directory, dirs, files in os.walk(docs_dir):
        dirs[:] = [d for d in dirs if d != "release" or directory != docs_dir]
        wanted += [os.path.relpath(os.path.join(directory, f), source_dir).replace(os.sep, "/") for f in files]
    problems += ["missing from the zip: %s" % name for name in wanted if name not in inside]
    libraries = [n for n in inside if n.lower().endswith(".dll")]
    allowed = ["rfc-bridge/librfc32.dll", "standin-for-trials/librfc32.dll", "standin-for-trials/nwrfc/sapnwrfc.dll"]
    if libraries != allowed:
        problems.append("DLLs of the zip: %s (only %s belong there)" % (libraries, ", ".join(allowed)))
    # Whoever finds the NetWeaver stand-in on a probe can tell it from SAP's DLL: its
    # version text and its file properties say what it is.
    for mark in ("Korvanel stand-in", "NOT SAP's, for trials only"):
        if nwrfc_standin_bytes is not None and mark.encode("utf-16-le") not in nwrfc_standin_bytes:
            problems.append("the NetWeaver stand-in sapnwrfc.dll does not say %r" % mark)
    return problems


def unpack(zip_path, into):
    shutil.rmtree(into, ignore_errors=True)
    with zipfile.ZipFile(zip_path) as archive:
        archive.extractall(into)
    return os.path.join(into, os.path.basename(zip_path)[: -len(".zip")])


# The Linux build's names for the zip's programs and libraries, and where its tree has them.
NATIVE_NAMES = {"Korvanel.exe": "korvanel", "korvanel-password.exe": "korvanel-password",
                "librfc32.dll": "librfc32.so", "sapnwrfc.dll": "libsapnwrfc.so"}
NATIVE_BUILT = {"Korvanel.exe": "korvanel", "korvanel-password.exe": "korvanel-password",
                "standin-for-trials/librfc32.dll": "librfc32.so",
                NWRFC_STANDIN_FOLDER + "/sapnwrfc.dll": "nwrfc-standin/libsapnwrfc.so",
                "rfc-bridge/librfc32.dll": "bridge/librfc32.so"}


def native_release(source_dir, native_dir, into):
    """Lays out the release as the zip does, with the zip's very texts and the Linux
    build's programs and libraries under their Linux names; returns its top folder."""
    version = program_version(source_dir)
    top = os.path.join(into, "Korvanel-%s" % version)
    shutil.rmtree(into, ignore_errors=True)
    for name, data, _ in text_entries(source_dir, version):
        path = os.path.join(top, *name.split("/"))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    for name, built in NATIVE_BUILT.items():
        folder, file_name = os.path.split(name)
        target = os.path.join(top, folder, NATIVE_NAMES[file_name])
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy2(os.path.join(native_dir, *built.split("/")), target)
    return top


class Probe:
    """A probe's drive C: below WORK/drives; the subclasses say how its programs run."""

    lone_program_skip = None  # why the start of the program alone says nothing here
    def __init__(self, work):
        self.root = os.path.join(work, "drives")
        shutil.rmtree(self.root, ignore_errors=True)
        self.sensor_dir = os.path.join(self.root, "C", *SENSOR_DIR)
        self.prtg_dir = os.path.join(self.root, "C", *PRTG_DIR)
        os.makedirs(self.sensor_dir)
        self.outputs = []

    def name(self, windows_name):
        """The name this probe's build gives the zip's file WINDOWS_NAME."""
        return windows_name

    def shown_path(self, path):
        """PATH as the programs on this probe name it."""
        return path

    def run(self, program, arguments, cwd, stdin_bytes=b""):
        """Runs PROGRAM (a path on the drive or in the unpacked release) with its input
        and output in files: wine's helper processes may keep the handles of the first
        program open after it ended. Returns the exit status and standard output."""
        with tempfile.TemporaryFile() as given, tempfile.TemporaryFile() as out:
            given.write(stdin_bytes)
            given.seek(0)
            process = subprocess.Popen(self.command(program) + arguments, cwd=cwd, env=self.environment(),
                                       stdin=given, stdout=out, stderr=subprocess.DEVNULL)
            returncode = process.wait(timeout=120)
            out.seek(0)
            stdout = out.read()
        self.outputs.append(stdout)
        return returncode, stdout


class WineProbe(Probe):
    """The Windows build's programs under wine (or WINE, such as wine64), with the
    prefix's drive C: pointed at the probe's."""

    def __init__(self, work, prefix, wine="wine"):
        super().__init__(work)
        self.prefix = os.path.abspath(prefix)
        self.wine = wine
        point_drives(self.prefix, self.root)

    def shown_path(self, path):
        relative = os.path.relpath(path, os.path.join(self.root, "C"))
        if relative.startswith(".."):
            return path
        return "C:\\" + relative.replace(os.sep, "\\")

    def command(self, program):
        # A program on the probe's drive by its Windows path, as PRTG starts it.
        return [self.wine, self.shown_path(program)]

    def environment(self):
        return wine_environment(self.prefix)


class NativeProbe(Probe):
    """The Linux build's programs: they find drive C: through KORVANEL_DRIVE_ROOT, and
    the librfc32.so beside them through their RUNPATH."""

    lone_program_skip = ("the start of the program alone, natively: the build's RUNPATH names its build tree "
                         "after $ORIGIN, and a librfc32.so lies there")
    def name(self, windows_name):
        return NATIVE_NAMES.get(windows_name, windows_name)

    def command(self, program):
        return [program]

    def environment(self):
        env = dict(os.environ)
        env["KORVANEL_DRIVE_ROOT"] = self.root
        # Only the libraries laid out beside the programs count, as on a probe.
        env.pop("LD_LIBRARY_PATH", None)
        return env


def scenario_answer(source_dir, scenario):
    """The standard output and exit status a demo scenario demands: the trial runs the
    same systems from the same files, and must give the same answers."""
    folder = os.path.join(source_dir, "scenarios", scenario)
    with open(os.path.join(folder, "stdout"), "rb") as f:
        stdout = f.read()
    with open(os.path.join(folder, "status"), "rb") as f:
        return stdout, int(f.read().split()[0])


def run_cases(probe, route, source_dir):
    """The trial's runs of the installed sensor; their problems, each naming ROUTE."""
    problems = []
    sensor = os.path.join(probe.sensor_dir, probe.name("Korvanel.exe"))
    for arguments, (expected, status) in [
        (["DEMO", "#"], (DEMO_TRACE_RUN, 0)),
        (["LCK"], scenario_answer(source_dir, "demo_refused_logon")),
        (["ORA"], (error_document(b"Error 1018: DataBase mismatch !"), 2)),
        (["GLOBAL", "ASP"], scenario_answer(source_dir, "demo_global_listing")),
    ]:
        returned, output = probe.run(sensor, arguments, probe.prtg_dir)
        matched = expected_pattern(expected).match(output)
        # The librfc32 beside the sensor answers (and on the bridge's route SAP's library
        # beside it), not a copy left in the unpacked release.
        netweaver = os.path.join(probe.sensor_dir, probe.name("sapnwrfc.dll")) if route == BRIDGE_ROUTE else None
        for said in matched.groups() if matched else ():
            problems += ["%s: Korvanel.exe %s: the RFC library line: %s" % (route, " ".join(arguments), problem)
                         for problem in rfc_library_problems(said, os.path.join(probe.sensor_dir, probe.name("librfc32.dll")),
                                                             netweaver, isinstance(probe, WineProbe))]
        if returned != status or not matched:
            problems.append("%s: Korvanel.exe %s: status %d, output\n%s" % (
                route, " ".join(arguments), returned, output.replace(PASSWORD, b"<secret>").decode("latin-1")))
    return problems


def take_trace(probe):
    """Dev_Rfc.Trc of PRTG's directory, removed so the next route writes its own; None when missing."""
    path = os.path.join(probe.prtg_dir, "Dev_Rfc.Trc")
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        trace = f.read()
    os.remove(path)
    return trace


def walkthrough(release, probe, source_dir):
    """Installs from the unpacked RELEASE on PROBE as the guide says; the problems found."""
    problems = []

    # Unpacked as it is, the sensor finds no librfc32.dll beside it: nothing shadows SAP's.
    if probe.lone_program_skip:
        print("skipped: %s" % probe.lone_program_skip)
    else:
        status, output = probe.run(os.path.join(release, probe.name("Korvanel.exe")), ["DEMO"], probe.prtg_dir)
        if status in (0, 1, 2) or b"<Prtg>" in output:
            problems.append("Korvanel.exe ran without a librfc32.dll beside it (status %d)" % status)

    standin = os.path.join(release, "standin-for-trials")
    for name in ("Korvanel.exe", "korvanel-password.exe"):
        shutil.copy(os.path.join(release, probe.name(name)), probe.sensor_dir)
    shutil.copy(os.path.join(standin, probe.name("librfc32.dll")), probe.sensor_dir)
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
    status, said = probe.run(os.path.join(probe.sensor_dir, probe.name("korvanel-password.exe")), ["DEMO.P00"],
                             probe.sensor_dir, PASSWORD + b"\r\n")
    if status != 0 or said != b"korvanel-password: DEMO.P00: password line added (line %d)\n" % (len(kept) + 1):
        problems.append("the password tool gave status %d and said %r" % (status, said))
    with open(profile, "rb") as f:
        written = f.read()
    if not re.search(rb"\nPassword\.\.\.: [ -~]{24}(\r?\n)\Z", written) or not written.startswith(b"".join(kept)):
        problems.append("the password tool did not add its line to the profile: %r" % written[-60:])

    problems += run_cases(probe, CLASSIC_ROUTE, source_dir)
    traces = [take_trace(probe)]
    if traces[0] is None:
        problems.append("the refused logon left no Dev_Rfc.Trc in the working directory")

    # The bridge in the stand-in's place, first without SAP's library beside it.
    nwrfc = probe.name("sapnwrfc.dll")
    library = os.path.join(probe.sensor_dir, probe.name("librfc32.dll"))
    os.remove(library)
    shutil.copy(os.path.join(release, "rfc-bridge", probe.name("librfc32.dll")), library)
    returned, output = probe.run(os.path.join(probe.sensor_dir, probe.name("Korvanel.exe")), ["DEMO"], probe.prtg_dir)
    if returned != 2 or output != error_document(b"Error 1011: RFC-Open for DEMO failed !"):
        problems.append("the bridge without %s: status %d, output\n%s" % (nwrfc, returned, output.decode("latin-1")))
    traces.append(take_trace(probe))
    trace = (traces[-1] or b"").decode("latin-1")
    tried = probe.shown_path(os.path.join(probe.sensor_dir, nwrfc))
    for text in (nwrfc + " not found", tried):
        if text.lower() not in trace.lower():
            problems.append("the bridge without %s: Dev_Rfc.Trc lacks %r:\n%s" % (nwrfc, text, trace))

    # With the NetWeaver stand-in beside it: the very answers of the classic stand-in.
    shutil.copy(os.path.join(release, *NWRFC_STANDIN_FOLDER.split("/"), nwrfc), probe.sensor_dir)
    problems += run_cases(probe, BRIDGE_ROUTE, source_dir)
    traces.append(take_trace(probe))
    if b"RFC bridge" not in (traces[-1] or b""):
        problems.append("%s: the refused logon left no error block of the bridge in Dev_Rfc.Trc:\n%s" % (
            BRIDGE_ROUTE, (traces[-1] or b"<missing>").decode("latin-1")))

    if any(PASSWORD in text for text in probe.outputs + [t for t in traces if t]):
        problems.append("the password appears in an output or a trace")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--source", required=True, help="the source tree")
    parser.add_argument("--win32", help="the Windows build tree (for the zip)")
    parser.add_argument("--work", required=True, help="a scratch folder")
    parser.add_argument("--wine", metavar="PREFIX", help="install and run the release under wine")
    parser.add_argument("--wine-loader", default="wine", help="the wine that runs the programs (default: wine)")
    parser.add_argument("--native", metavar="DIR",
                        help="walk through with the Linux build tree DIR laid out as the zip, without wine")
    args = parser.parse_args()
    source_dir = os.path.abspath(args.source)
    work = os.path.abspath(args.work)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)

    if args.native:
        release = native_release(source_dir, os.path.abspath(args.native), os.path.join(work, "unpacked"))
        problems = walkthrough(release, NativeProbe(work), source_dir)
        label = "native layout of the release"
    else:
        if not args.win32:
            parser.error("--win32 is needed unless --native is given")
        zip_path = build_release(source_dir, os.path.abspath(args.win32), os.path.join(work, "first"))
        label = os.path.basename(zip_path)
        if args.wine:
            release = unpack(zip_path, os.path.join(work, "unpacked"))
            problems = walkthrough(release, WineProbe(work, args.wine, args.wine_loader), source_dir)
        else:
            problems = check_listing(zip_path, source_dir)
            again = build_release(source_dir, os.path.abspath(args.win32), os.path.join(work, "second"))
            with open(zip_path, "rb") as first, open(again, "rb") as second:
                if first.read() != second.read():
                    problems.append("two builds of the zip from the same inputs differ")
    for problem in problems:
        print(problem)
    print("release %s: %s" % (label, "%d problems" % len(problems) if problems else "as expected"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
