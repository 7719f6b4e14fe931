#!/usr/bin/env python3
"""Checks the release zip: its listing, and an installation that follows the guide's
steps with nothing but the zip's contents, on a probe under wine (--wine) or natively
with the Linux build's programs laid out as the zip lays out the Windows ones (--native).

Listing: one top folder; the programs of both widths, the README and the whole guide
with every example; the stand-in librfc32.dll only in standin-for-trials/ (its x64/ for
64 bits), nowhere it could shadow SAP's DLL; the NetWeaver stand-in sapnwrfc.dll only in
standin-for-trials/nwrfc/ (and nwrfc/x64/), saying in its bytes what it is; the bridge's
librfc32.dll only in rfc-bridge/ (and rfc-bridge/x64/); every binary of the width its
place says; the same zip from the same inputs.

Walkthrough of one width (--width win32 or win64), on a drive laid out like a probe's:
the sensor unpacked alone does not start (it needs a librfc32.dll); the trial copies the
sensor, the password tool, the stand-in (in x64\\ beside Korvanel64.exe) and a demo
profile into PRTG's sensor folder, appends the password line that korvanel-password.exe
prints, and runs the sensor from PRTG's directory in trace mode (success), on the
systems that refuse the logon (1014) and run on another database (1018), and over the
demo's global listing, demanding the answers of the demo's scenarios. Then the bridge
takes the stand-in's place: without sapnwrfc.dll beside it the logon fails (1011) and
Dev_Rfc.Trc names the path it tried; with the NetWeaver stand-in beside it the same runs
give the same answers. With --width both, both widths are installed at once in the one
sensor folder and each answers so, whatever the other's libraries beside or below it.
No output or trace shows the password.
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
from make_release import (AMD64, BINARIES, MACHINES, NWRFC_STANDIN_FOLDER, X64_FOLDER,  # noqa: E402
                          build_release, pe_machine, program_version, text_entries)
from scenario_runner import (expected_pattern, library_folder, point_drives, rfc_library_problems,  # noqa: E402
                             wine_environment)

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
WINE64_LOADER = "/usr/lib/wine/wine64"


class Width:
    """One width of the release: its sensor's file name and the folder, below the sensor's
    and below each library folder of the zip, that holds its libraries."""

    def __init__(self, bits, sensor, folder):
        self.bits, self.sensor, self.folder = bits, sensor, folder

    def below(self, folder):
        """FOLDER (a path) followed by this width's library folder."""
        return os.path.join(folder, self.folder) if self.folder else folder


WIDTHS = {"win32": Width(32, "Korvanel.exe", ""), "win64": Width(64, "Korvanel64.exe", X64_FOLDER)}

# The guide's table "Which Korvanel for your probe": a row per SAP library, its cells
# "`FILE`, ... to `FOLDER`" clauses parted by "; ". The walkthroughs install as it says.
GUIDE_TABLE_PAGE = ("docs", "installation.md")
GUIDE_TABLE_HEADING = "## Which Korvanel for your probe"
TABLE_ROW = re.compile(r"^\| (classic|NetWeaver) `[^`]+`, (32|64)-bit \| (.+) \| (.+) \|$")
SENSOR_FOLDER = "EXEXML\\"


def table_clauses(cell):
    """The (files, folder) of each "`FILE`, ... to `FOLDER`" clause of a table cell."""
    clauses = []
    for clause in cell.split("; "):
        files, separator, folder = clause.rpartition(" to ")
        names = re.findall(r"`([^`]+)`", files)
        folder = re.fullmatch(r"`([^`]+)`", folder.strip())
        if not separator or not names or not folder:
            raise SystemExit("the guide's table has a cell this check cannot read: %r" % cell)
        clauses.append((names, folder.group(1)))
    return clauses


def guide_table(source_dir):
    """The guide's table: {(kind, bits): (zip clauses, SAP clauses)}, kind "classic" or
    "NetWeaver", each clause ([file, ...], folder below EXEXML)."""
    with open(os.path.join(source_dir, *GUIDE_TABLE_PAGE), encoding="utf-8") as f:
        text = f.read()
    at = text.find(GUIDE_TABLE_HEADING + "\n")
    rows = {}
    for line in text[at:].split("\n")[1:] if at >= 0 else []:
        if line.startswith("## "):
            break
        match = TABLE_ROW.match(line)
        if match:
            rows[(match.group(1), int(match.group(2)))] = (table_clauses(match.group(3)),
                                                           table_clauses(match.group(4)))
    if len(rows) != 4:
        raise SystemExit("the guide's table %r has %d rows of a library and width, not 4" % (GUIDE_TABLE_HEADING, len(rows)))
    return rows


def sensor_folder_path(probe, folder):
    """The guide's folder (`EXEXML\\`, `EXEXML\\x64\\`) on PROBE."""
    if not folder.startswith(SENSOR_FOLDER):
        raise SystemExit("the guide's table names a folder outside the sensor folder: %s" % folder)
    return os.path.join(probe.sensor_dir, *[part for part in folder[len(SENSOR_FOLDER):].split("\\") if part])


def copy_from_zip(release, probe, clauses):
    """Copies the zip's files as the table's clauses say."""
    for names, folder in clauses:
        target = sensor_folder_path(probe, folder)
        os.makedirs(target, exist_ok=True)
        for name in names:
            *where, file_name = name.split("\\")
            shutil.copy(os.path.join(release, *where, probe.name(file_name)), target)


def sap_library_folder(probe, clauses, library):
    """The folder the table puts SAP's LIBRARY into, on PROBE (made if missing)."""
    for names, folder in clauses:
        if library in names:
            path = sensor_folder_path(probe, folder)
            os.makedirs(path, exist_ok=True)
            return path
    raise SystemExit("the guide's table puts no %s anywhere" % library)


def error_document(message):
    return b"<Prtg>\n<Error>1</Error>\n<Text>" + message + b"</Text>\n</Prtg>\n"


def check_listing(zip_path, source_dir):
    problems = []
    top = os.path.basename(zip_path)[: -len(".zip")] + "/"
    with zipfile.ZipFile(zip_path) as archive:
        names = archive.namelist()
        nwrfc_standin = top + NWRFC_STANDIN_FOLDER + "/sapnwrfc.dll"
        nwrfc_standin_bytes = archive.read(nwrfc_standin) if nwrfc_standin in names else None
        machines = {n[len(top):]: pe_machine(archive.read(n)) for n in names
                    if n.startswith(top) and n.lower().endswith((".exe", ".dll"))}
    outside = [n for n in names if not n.startswith(top)]
    if outside:
        problems.append("entries outside %s: %s" % (top, outside))
    inside = sorted(n[len(top):] for n in names if n.startswith(top))
    wanted = ["Korvanel.exe", "Korvanel64.exe", "korvanel-password.exe", "README.txt", "standin-for-trials/librfc32.dll",
              "standin-for-trials/README.txt", "standin-for-trials/SapLandscape.txt", "standin-for-trials/DEMO.P00",
              "standin-for-trials/nwrfc/sapnwrfc.dll", "standin-for-trials/nwrfc/README.txt",
              "rfc-bridge/librfc32.dll", "rfc-bridge/README.txt", "standin-for-trials/x64/librfc32.dll",
              "standin-for-trials/nwrfc/x64/sapnwrfc.dll", "rfc-bridge/x64/librfc32.dll"]
    docs_dir = os.path.join(source_dir, "docs")
    for directory, dirs, files in os.walk(docs_dir):
        dirs[:] = [d for d in dirs if d != "release" or directory != docs_dir]
        wanted += [os.path.relpath(os.path.join(directory, f), source_dir).replace(os.sep, "/") for f in files]
    # What the guide's table tells to copy from the zip is in it.
    for zip_clauses, _ in guide_table(source_dir).values():
        wanted += [name.replace("\\", "/") for names, _ in zip_clauses for name in names]
    problems += ["missing from the zip: %s" % name for name in sorted(set(wanted)) if name not in inside]
    libraries = [n for n in inside if n.lower().endswith(".dll")]
    allowed = ["rfc-bridge/librfc32.dll", "rfc-bridge/x64/librfc32.dll", "standin-for-trials/librfc32.dll",
               "standin-for-trials/nwrfc/sapnwrfc.dll", "standin-for-trials/nwrfc/x64/sapnwrfc.dll",
               "standin-for-trials/x64/librfc32.dll"]
    if libraries != allowed:
        problems.append("DLLs of the zip: %s (only %s belong there)" % (libraries, ", ".join(allowed)))
    # A library of the wrong width where a program of the other looks for it would fail
    # on the probe: every binary's machine is the one its place in the zip says.
    for name, width, _ in BINARIES:
        if name in machines and machines[name] != MACHINES[width]:
            problems.append("%s is not a %d-bit binary (machine %s)" % (name, width, machines[name]))
    unknown = sorted(set(machines) - {name for name, _, _ in BINARIES})
    if unknown:
        problems.append("binaries of no known place: %s" % unknown)
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
            process = subprocess.Popen(self.command(program) + arguments, cwd=cwd, env=self.environment(program),
                                       stdin=given, stdout=out, stderr=subprocess.DEVNULL)
            returncode = process.wait(timeout=120)
            out.seek(0)
            stdout = out.read()
        self.outputs.append(stdout)
        return returncode, stdout


class WineProbe(Probe):
    """The Windows programs under wine, each by the loader of its width (wine for 32-bit
    programs, wine64 for 64-bit ones), with the prefix's drive C: pointed at the probe's."""

    def __init__(self, work, prefix):
        super().__init__(work)
        self.prefix = os.path.abspath(prefix)
        point_drives(self.prefix, self.root)

    def loader(self, program):
        with open(program, "rb") as f:
            return WINE64_LOADER if pe_machine(f.read(4096)) == AMD64 else "wine"

    def shown_path(self, path):
        relative = os.path.relpath(path, os.path.join(self.root, "C"))
        if relative.startswith(".."):
            return path
        return "C:\\" + relative.replace(os.sep, "\\")

    def command(self, program):
        # A program on the probe's drive by its Windows path, as PRTG starts it.
        return [self.loader(program), self.shown_path(program)]

    def environment(self, program):
        env = wine_environment(self.prefix)
        if self.loader(program) != "wine":
            # Wine's helpers (wineboot, services, a child's start) find the loader here.
            env["WINELOADER"] = self.loader(program)
        return env


class NativeProbe(Probe):
    """The Linux build's programs: they find drive C: through KORVANEL_DRIVE_ROOT, and
    the librfc32.so beside them through their RUNPATH."""

    lone_program_skip = ("the start of the program alone, natively: the build's RUNPATH names its build tree "
                         "after $ORIGIN, and a librfc32.so lies there")
    def name(self, windows_name):
        return NATIVE_NAMES.get(windows_name, windows_name)

    def command(self, program):
        return [program]

    def environment(self, program):
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


def run_cases(probe, width, route, source_dir):
    """The trial's runs of the installed sensor of WIDTH; their problems, each naming ROUTE."""
    problems = []
    sensor = os.path.join(probe.sensor_dir, probe.name(width.sensor))
    libraries = width.below(probe.sensor_dir)
    for arguments, (expected, status) in [
        (["DEMO", "#"], (DEMO_TRACE_RUN, 0)),
        (["LCK"], scenario_answer(source_dir, "demo_refused_logon")),
        (["ORA"], (error_document(b"Error 1018: DataBase mismatch !"), 2)),
        (["GLOBAL", "ASP"], scenario_answer(source_dir, "demo_global_listing")),
    ]:
        returned, output = probe.run(sensor, arguments, probe.prtg_dir)
        matched = expected_pattern(expected).match(output)
        # The librfc32 where the sensor looks answers (and on the bridge's route SAP's
        # library beside it), not a copy left in the unpacked release nor one of the other width.
        netweaver = os.path.join(libraries, probe.name("sapnwrfc.dll")) if route == BRIDGE_ROUTE else None
        for said in matched.groups() if matched else ():
            problems += ["%s: %s %s: the RFC library line: %s" % (route, width.sensor, " ".join(arguments), problem)
                         for problem in rfc_library_problems(said, os.path.join(libraries, probe.name("librfc32.dll")),
                                                             netweaver, isinstance(probe, WineProbe))]
        if returned != status or not matched:
            problems.append("%s: %s %s: status %d, output\n%s" % (
                route, width.sensor, " ".join(arguments), returned,
                output.replace(PASSWORD, b"<secret>").decode("latin-1")))
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


def lone_program(release, probe, width):
    """Unpacked as it is, the sensor finds no librfc32.dll where it looks (nothing of the
    zip shadows SAP's library) and says so in an error document PRTG can read (error
    1016), never with Windows' loader message. The problems found."""
    if probe.lone_program_skip:
        print("skipped: %s" % probe.lone_program_skip)
        return []
    status, output = probe.run(os.path.join(release, probe.name(width.sensor)), ["DEMO"], probe.prtg_dir)
    take_trace(probe)
    if status != 2 or not output.startswith(b"<Prtg>\n<Error>1</Error>\n<Text>Error 1016: ") \
            or b"librfc32.dll" not in output:
        return ["%s without a librfc32.dll where it looks: status %d, output %r, expected error 1016"
                % (width.sensor, status, output)]
    return []


def install_classic(release, probe, width, table):
    """The guide's row of SAP's classic library of WIDTH, the zip's stand-in in place of SAP's."""
    zip_clauses, sap_clauses = table[("classic", width.bits)]
    copy_from_zip(release, probe, zip_clauses)
    shutil.copy(os.path.join(width.below(os.path.join(release, "standin-for-trials")), probe.name("librfc32.dll")),
                sap_library_folder(probe, sap_clauses, "librfc32.dll"))


def install_profiles(release, probe, password_tool):
    """The demo's profiles and landscape, the password line written by PASSWORD_TOOL (the
    zip's, copied into the sensor folder, unless another is given); the problems found."""
    problems = []
    standin = os.path.join(release, "standin-for-trials")
    shutil.copy(os.path.join(release, probe.name("korvanel-password.exe")), probe.sensor_dir)
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
    tool = password_tool or os.path.join(probe.sensor_dir, probe.name("korvanel-password.exe"))
    status, said = probe.run(tool, ["DEMO.P00"], probe.sensor_dir, PASSWORD + b"\r\n")
    if status != 0 or said != b"korvanel-password: DEMO.P00: password line added (line %d)\n" % (len(kept) + 1):
        problems.append("the password tool gave status %d and said %r" % (status, said))
    with open(profile, "rb") as f:
        written = f.read()
    if not re.search(rb"\nPassword\.\.\.: [ -~]{24}(\r?\n)\Z", written) or not written.startswith(b"".join(kept)):
        problems.append("the password tool did not add its line to the profile: %r" % written[-60:])
    return problems


def bridge_without_netweaver(release, probe, width, table):
    """The zip's files of the guide's row of SAP's NetWeaver library of WIDTH (the bridge in
    the stand-in's place), without SAP's library: error 1011, and Dev_Rfc.Trc names the
    path tried. The problems found and the trace."""
    problems = []
    nwrfc = probe.name("sapnwrfc.dll")
    zip_clauses, sap_clauses = table[("NetWeaver", width.bits)]
    libraries = sap_library_folder(probe, sap_clauses, "sapnwrfc.dll")
    os.remove(os.path.join(width.below(probe.sensor_dir), probe.name("librfc32.dll")))
    copy_from_zip(release, probe, zip_clauses)
    returned, output = probe.run(os.path.join(probe.sensor_dir, probe.name(width.sensor)), ["DEMO"], probe.prtg_dir)
    if returned != 2 or output != error_document(b"Error 1011: RFC-Open for DEMO failed !"):
        problems.append("%s through the bridge without %s: status %d, output\n%s" % (
            width.sensor, nwrfc, returned, output.decode("latin-1")))
    trace = take_trace(probe)
    text = (trace or b"").decode("latin-1")
    tried = probe.shown_path(os.path.join(libraries, nwrfc))
    for wanted in (nwrfc + " not found", tried):
        if wanted.lower() not in text.lower():
            problems.append("%s through the bridge without %s: Dev_Rfc.Trc lacks %r:\n%s" % (
                width.sensor, nwrfc, wanted, text))
    return problems, trace


def bridge_with_netweaver(release, probe, width, table, source_dir):
    """The NetWeaver stand-in of WIDTH where the guide's row puts SAP's library: the very
    answers of the classic stand-in. The problems found and the trace."""
    nwrfc = probe.name("sapnwrfc.dll")
    shutil.copy(os.path.join(width.below(os.path.join(release, *NWRFC_STANDIN_FOLDER.split("/"))), nwrfc),
                sap_library_folder(probe, table[("NetWeaver", width.bits)][1], "sapnwrfc.dll"))
    problems = run_cases(probe, width, BRIDGE_ROUTE, source_dir)
    trace = take_trace(probe)
    if b"RFC bridge" not in (trace or b""):
        problems.append("%s, %s: the refused logon left no error block of the bridge in Dev_Rfc.Trc:\n%s" % (
            width.sensor, BRIDGE_ROUTE, (trace or b"<missing>").decode("latin-1")))
    return problems, trace


def walkthrough(release, probe, source_dir, widths, password_tool=None):
    """Installs from the unpacked RELEASE on PROBE as the guide says, the sensors of
    WIDTHS (one, or both at once in the one sensor folder); the problems found."""
    problems = []
    table = guide_table(source_dir)
    for width in widths:
        install_classic(release, probe, width, table)
    problems += install_profiles(release, probe, password_tool)
    # The profile in place, the sensor of the unpacked zip gets as far as its library.
    for width in widths:
        problems += lone_program(release, probe, width)

    traces = []
    for width in widths:
        problems += run_cases(probe, width, CLASSIC_ROUTE, source_dir)
        traces.append(take_trace(probe))
        if traces[-1] is None:
            problems.append("%s: the refused logon left no Dev_Rfc.Trc in the working directory" % width.sensor)

    # Each width's bridge in its stand-in's place in turn, the other width's sensor
    # still on its own library: first without SAP's library, then with the NetWeaver stand-in.
    for width in widths:
        for step in (bridge_without_netweaver(release, probe, width, table),
                     bridge_with_netweaver(release, probe, width, table, source_dir)):
            problems += step[0]
            traces.append(step[1])
        for other in widths:
            if other is not width:
                problems += run_cases(probe, other, CLASSIC_ROUTE if widths.index(other) > widths.index(width)
                                      else BRIDGE_ROUTE, source_dir)
                take_trace(probe)

    if any(PASSWORD in text for text in probe.outputs + [t for t in traces if t]):
        problems.append("the password appears in an output or a trace")
    return problems


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--source", required=True, help="the source tree")
    parser.add_argument("--win32", help="the 32-bit Windows build tree (for the zip)")
    parser.add_argument("--win64", help="the 64-bit Windows build tree (for the zip)")
    parser.add_argument("--work", required=True, help="a scratch folder")
    parser.add_argument("--wine", metavar="PREFIX", help="install and run the release under wine")
    parser.add_argument("--width", choices=("win32", "win64", "both"), default="win32",
                        help="with --wine: the width installed, or both at once (default: win32)")
    parser.add_argument("--password-tool", metavar="EXE",
                        help="with --wine: write the password line with EXE, where the zip's 32-bit tool cannot start")
    parser.add_argument("--native", metavar="DIR",
                        help="walk through with the Linux build tree DIR laid out as the zip, without wine")
    args = parser.parse_args()
    source_dir = os.path.abspath(args.source)
    work = os.path.abspath(args.work)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)

    if args.native:
        release = native_release(source_dir, os.path.abspath(args.native), os.path.join(work, "unpacked"))
        problems = walkthrough(release, NativeProbe(work), source_dir, [WIDTHS["win32"]])
        label = "native layout of the release"
    else:
        if not args.win32 or not args.win64:
            parser.error("--win32 and --win64 are needed unless --native is given")
        builds = (os.path.abspath(args.win32), os.path.abspath(args.win64))
        zip_path = build_release(source_dir, *builds, os.path.join(work, "first"))
        label = os.path.basename(zip_path)
        if args.wine:
            release = unpack(zip_path, os.path.join(work, "unpacked"))
            widths = [WIDTHS["win32"], WIDTHS["win64"]] if args.width == "both" else [WIDTHS[args.width]]
            label += " (%s)" % ("both widths at once" if args.width == "both" else args.width)
            if args.password_tool:
                print("the zip's 32-bit korvanel-password.exe cannot start here: %s writes the password line"
                      % args.password_tool)
            problems = walkthrough(release, WineProbe(work, args.wine), source_dir, widths,
                                   os.path.abspath(args.password_tool) if args.password_tool else None)
        else:
            problems = check_listing(zip_path, source_dir)
            again = build_release(source_dir, *builds, os.path.join(work, "second"))
            with open(zip_path, "rb") as first, open(again, "rb") as second:
                if first.read() != second.read():
                    problems.append("two builds of the zip from the same inputs differ")
    for problem in problems:
        print(problem)
    print("release %s: %s" % (label, "%d problems" % len(problems) if problems else "as expected"))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
