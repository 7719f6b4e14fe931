#!/usr/bin/env python3
"""Runs one end-to-end scenario of the sensor, natively or under wine.

A scenario is a folder:
  about      one or two lines: what the scenario shows
  args       the arguments after the program path, one per line (missing: none)
  cwd        the working directory as a Windows path (missing: C:\\work)
  drives/X/  the initial contents of drive X: (C: holds the working directory)
  env        KEY=VALUE lines added to the environment (the stand-in's settings)
  wine_folder  under wine, run the copy of the program in this folder of its build
             instead (Windows loads a librfc32.dll beside the program first)
  wine_only  why the scenario shows something only Windows' loader gives (a DLL of the
             other width, one whose dependency is missing): natively it is skipped, said so
  stdout     the exact expected standard output (stdout.win64, where present, for
             Korvanel64.exe, whose messages name its own file); {hh:mm:ss} stands for any time of day,
             {rfc library} for the rest of the trace line that names the RFC library
             that answers, which must name the librfc32 this route loads (and, through
             the bridge, SAP's library it loaded: see rfc_library_problems)
  status     the expected exit status, or "crash": the program died of an invalid
             memory access (natively SIGSEGV, or a sanitizer's report of it; under
             wine any status but the sensor's own 0, 1 and 2)
  elapsed    MIN MAX: the run must take at least MIN and at most MAX seconds, wall
             time from its start to its end (a run that hangs until a time limit);
             under a wrapper such as valgrind only MIN is checked, under wine
             MAX grows by wine's start-up allowance
  expect/X/  files that must exist afterwards on drive X:, with exactly this content
  absent     Windows-style paths that must not exist afterwards, one per line
  unchanged  Windows-style paths of files given under drives/ that must still be there
             afterwards with exactly their bytes, one per line
  kept       Windows-style paths of files given under drives/ that must still be there
             afterwards and still begin with their bytes: the run may append to them,
             never shorten, replace or remove them
  no_folders why the run's working directory takes no new entries: it is made read-only
             and the program runs without the power to override that (setpriv drops
             CAP_DAC_OVERRIDE; root runs the tests), so that a listing can make no
             private folder and visits its systems itself
  generate   files too large to keep in the repository, made before the run, one
             piece per line: PATH = COUNT x "TEXT", a Windows-style path, a count and
             a Python bytes literal's text (escapes such as \n, \0, \xff); TEXT is
             appended COUNT times to the file given under drives/ (or to an empty
             one), lines for the same path in order
  secrets    texts (plain passwords) that must appear neither in the output nor in
             any file the run wrote
  bridge_skip  checks that cannot apply when the scenario runs through the bridge to
             SAP's NetWeaver library (--bridge), one per line as "CHECK: reason", CHECK
             being stdout, status, or expect/unchanged/kept/absent and a path as in
             those files; the run says which checks it skipped and why
  not_prtg   why the standard output is not a document PRTG reads, for a scenario in
             an XML flavour without trace characters whose output is meant to be
             something else; without this file such output must pass the strict
             reader: the reader PRTG is (see prtg_problems)
With --extra-parameter TEXT the scenario runs with TEXT added to its parameters (to
the second parameter argument when there is one, else as one), expecting the very
same results: a multi-system run answers the same whatever PARALLEL= says.
With --netweaver-descriptions HANDLING (cut, refuse or refuse-lookup) the NetWeaver
stand-in's systems handle a description shorter than their records so, unless the
landscape says otherwise: every scenario answers the same whether SAP's library cuts
the system's longer records or refuses the caller's description (the bridge then
calls with the system's own).
With --wine-loader LOADER the wine runs use that loader instead of the "wine" command,
e.g. /usr/lib/wine/wine64 for the 64-bit check build where 32-bit programs cannot start.
Drive X: is ROOT/X; natively the program finds ROOT through KORVANEL_DRIVE_ROOT, under
wine the prefix's dosdevices point there. No report ever shows a secret.
Under wine the program's folder is laid out as an installation: Korvanel.exe finds its
librfc32.dll beside itself, Korvanel64.exe in the folder x64 beside itself (the build
trees, their variant/ and bridge-route/ folders hold the libraries so); through the
bridge, sapnwrfc.dll lies beside the bridge's librfc32.dll.
"""
import argparse
import ast
import os
import re
import shutil
import signal
import subprocess
import sys

TIME_PLACEHOLDER = b"{hh:mm:ss}"
RFC_LIBRARY_PLACEHOLDER = b"{rfc library}"
WINE_LOCALE = "C.UTF-8"
# Under wine the wall time also holds wine's start of the process before the program's
# own clock runs, seconds on a loaded machine: the upper bound of an `elapsed` file
# grows by this much there, still far below any hang.
WINE_START_ALLOWANCE = 3.0
# The command that starts a Windows program (and wine's own tools) in a prefix:
# Debian's "wine" script, or a loader named with --wine-loader.
wine_loader = "wine"


def use_wine_loader(loader):
    """Makes every later wine run start through LOADER (None keeps "wine")."""
    global wine_loader
    if loader:
        wine_loader = loader


# The sensors whose RFC library lies in a folder of its own beside them: the 64-bit
# Korvanel64.exe shares EXEXML\ with the 32-bit Korvanel.exe, and SAP's libraries of
# both widths carry the same names.
LIBRARY_SUBFOLDERS = {"korvanel64.exe": "x64"}


def library_folder(program):
    """The folder where the Windows sensor PROGRAM (a path here) finds its librfc32.dll."""
    subfolder = LIBRARY_SUBFOLDERS.get(os.path.basename(program).lower())
    folder = os.path.dirname(os.path.abspath(program))
    return os.path.join(folder, subfolder) if subfolder else folder


def expected_output_file(scenario, program):
    """The scenario's expected standard output for PROGRAM: stdout, or stdout.win64 for
    the 64-bit sensor where what it says names its own file and folder."""
    if os.path.basename(program).lower() == "korvanel64.exe":
        own = os.path.join(scenario, "stdout.win64")
        if os.path.exists(own):
            return own
    return os.path.join(scenario, "stdout")


def wine(*arguments):
    """The command that runs a Windows program, or one of wine's tools, under wine."""
    return [wine_loader] + list(arguments)


def read_lines(path):
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        data = f.read().decode("latin-1")
    if data.endswith("\n"):
        data = data[:-1]
    return data.split("\n") if data != "" or os.path.getsize(path) > 0 else []


def windows_to_root(root, name):
    """Maps a Windows-style path (X:\\a\\b) to its place below ROOT."""
    match = re.match(r"^([A-Za-z]):\\?(.*)$", name)
    if not match:
        raise SystemExit("not a drive path: %r" % name)
    parts = [p for p in match.group(2).split("\\") if p]
    return os.path.join(root, match.group(1).upper(), *parts)


def expected_pattern(expected):
    """The expected output as a pattern; each {rfc library} is a group of the match."""
    stands_for = {TIME_PLACEHOLDER: b"[0-2][0-9]:[0-5][0-9]:[0-5][0-9]", RFC_LIBRARY_PLACEHOLDER: b"([^\\n]+)"}
    pieces = re.split(b"(" + b"|".join(re.escape(p) for p in stands_for) + b")", expected)
    return re.compile(b"\\A" + b"".join(stands_for.get(p, re.escape(p)) for p in pieces) + b"\\Z", re.S)


# The bridge's description may end in the keys of the destination it left out
# ("; ABAP_DEBUG=1 dropped: ...").
BRIDGE_DESCRIPTION = re.compile(r"^, RFC bridge librfc32 over sapnwrfc \d+,\d+,\d+ from (.+?)(?:; [A-Z_0-9]+=.*)?$")


# Trace mode prints the RFC library line once more when the bridge had to call with the
# system's own descriptions, naming the function modules that needed them.
DESCRIPTION_NOTE = b" with the system's descriptions"
NOTE_LINE = re.compile(rb"^(\* RFC library\.{6}: [^\n]*); (?:RFC_SYSTEM_INFO|DB02_DB4_GET_INFO)"
                       rb"(?:, (?:RFC_SYSTEM_INFO|DB02_DB4_GET_INFO))? with the system's descriptions\n", re.M)


def without_description_note(stdout):
    """`stdout` without the one repeated RFC library line that names the calls made with
    the system's own descriptions, when an earlier line said the same without it: on a
    route whose library refuses the caller's descriptions every other line is as on
    any route. Anything else (a second note, one not repeating the line) stays and fails."""
    notes = list(NOTE_LINE.finditer(stdout))
    if len(notes) != 1:
        return stdout
    note = notes[0]
    if (note.group(1) + b"\n") not in stdout[:note.start()]:
        return stdout
    return stdout[:note.start()] + stdout[note.end():]


def names_file(shown, expected, windows):
    """True when the path the program showed is the file `expected` (a path here). Under
    wine a Z: path is this machine's own; on another drive the folder and the name must
    agree, in any letter case, as Windows compares them."""
    if windows:
        if re.match(r"^[Zz]:\\", shown):
            shown = shown[2:].replace("\\", "/")
        else:
            tail = [part.lower() for part in shown.split("\\")[-2:]]
            return tail == [part.lower() for part in os.path.normpath(expected).split(os.sep)[-2:]]
    try:
        return os.path.samefile(shown, expected)
    except OSError:
        return False


def rfc_library_problems(said, library, netweaver, windows):
    """What is wrong with the rest of an "* RFC library......: " line (`said`): it must
    name the librfc32 the route loads (`library`, a path here) and, on the bridge route,
    go on with the bridge's description naming SAP's library it loaded (`netweaver`);
    on the classic route (`netweaver` None) nothing follows the path."""
    text = said.decode("latin-1")
    at = text.find(", RFC bridge")
    path, description = (text, "") if at < 0 else (text[:at], text[at:])
    problems = []
    if not names_file(path, library, windows):
        problems.append("it names %s, not %s" % (path, library))
    if netweaver is None:
        if description:
            problems.append("the classic library described as the bridge: %s" % description)
        return problems
    match = BRIDGE_DESCRIPTION.match(description)
    if not match:
        problems.append("no description of the bridge over SAP's loaded library: %r" % description)
    elif not names_file(match.group(1), netweaver, windows):
        problems.append("the bridge names %s, not %s" % (match.group(1), netweaver))
    return problems


class Masker:
    def __init__(self, secrets):
        self.secrets = [s.encode("latin-1") for s in secrets if s]

    def __call__(self, data):
        for secret in self.secrets:
            data = data.replace(secret, b"<secret>")
        return data

    def leaks(self, data):
        return any(secret in data for secret in self.secrets)


TEXT_FLAVOURS = ("Gantries", "Brimtol")
TRACE_CHARACTERS = "#@$%"
PRTG_TEXT_LIMIT = 2000  # characters PRTG shows of a sensor's message


def parameters_of(program_args):
    """The parameter text as the sensor joins it: the second and third argument."""
    return b" ".join(program_args[1:3]).decode("latin-1")


def read_by_prtg(program_args):
    """True when the run's output is a document for PRTG: an XML flavour (FLAVOUR=,
    any letter case of the keyword, the exact name as value) and no trace character."""
    parameters = parameters_of(program_args)
    if any(c in parameters for c in TRACE_CHARACTERS):
        return False
    at = parameters.upper().find("FLAVOUR=")
    if at < 0:
        return True
    value = re.match(r"[^ ,]*", parameters[at + len("FLAVOUR="):]).group(0)
    return value not in TEXT_FLAVOURS


def prtg_problems(data):
    """What keeps PRTG from reading `data` as an EXE/XML sensor's answer, read as
    strictly as PRTG does (expat): well-formed, pure ASCII (so no encoding can be
    mistaken), one root element prtg in any case, a text of at most 2000 characters,
    every result with a channel and a value, an error document with the value 1 and a
    text. Empty when there is nothing to complain about."""
    import xml.parsers.expat
    problems = []
    if any(byte >= 0x80 for byte in data):
        problems.append("bytes beyond ASCII")
    elements = []  # [name, text, children] of the open elements
    root = []

    def start(name, attributes):
        element = [name, "", []]
        if elements:
            elements[-1][2].append(element)
        else:
            root.append(element)
        elements.append(element)

    def end(name):
        elements.pop()

    def characters(text):
        if elements:
            elements[-1][1] += text

    parser = xml.parsers.expat.ParserCreate()
    parser.StartElementHandler, parser.EndElementHandler = start, end
    parser.CharacterDataHandler = characters
    try:
        parser.Parse(data, True)
    except xml.parsers.expat.ExpatError as error:
        return problems + ["not well-formed XML: %s" % error]
    if len(root) != 1 or root[0][0].lower() != "prtg":
        return problems + ["the root element is not prtg"]
    children = {}
    for child in root[0][2]:
        children.setdefault(child[0].lower(), []).append(child)
    for text in children.get("text", []):
        if len(text[1]) > PRTG_TEXT_LIMIT:
            problems.append("a text of %d characters, more than %d" % (len(text[1]), PRTG_TEXT_LIMIT))
    for result in children.get("result", []):
        names = [child[0].lower() for child in result[2]]
        if "channel" not in names or "value" not in names:
            problems.append("a result without channel or value")
    if "error" in children:
        if [e[1].strip() for e in children["error"]] != ["1"]:
            problems.append("an error document whose error value is not 1")
        if not any(t[1].strip() for t in children.get("text", [])):
            problems.append("an error document without a text")
    elif "result" not in children and "text" not in children:
        problems.append("neither a result nor a text")
    return problems


GENERATE_LINE = re.compile(r'^(.+?) = (\d+) x (".*")$')


def generate_files(scenario, root):
    """Appends the pieces of the scenario's generate file to their files below ROOT."""
    for line in read_lines(os.path.join(scenario, "generate")) or []:
        if not line:
            continue
        match = GENERATE_LINE.match(line)
        if not match:
            raise SystemExit("not a generate line: %r" % line)
        text = ast.literal_eval("b" + match.group(3))
        path = windows_to_root(root, match.group(1))
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "ab") as f:
            f.write(text * int(match.group(2)))


def snapshot(root):
    """Contents of every regular file below root, by relative path."""
    files = {}
    for directory, dirs, names in os.walk(root):
        dirs[:] = [d for d in dirs if not os.path.islink(os.path.join(directory, d))]
        for name in names:
            path = os.path.join(directory, name)
            if os.path.islink(path) or not os.path.isfile(path):
                continue
            with open(path, "rb") as f:
                files[os.path.relpath(path, root)] = f.read()
    return files


class Result:
    def __init__(self, returncode, stdout, stderr):
        self.returncode, self.stdout, self.stderr = returncode, stdout, stderr


def run_to_files(command, cwd, env):
    """Runs the program with its output in files, waiting for the process alone: wine's
    helper processes may inherit and keep open the handles of the first program."""
    import tempfile
    import time
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        started = time.monotonic()
        process = subprocess.Popen(command, cwd=cwd, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        try:
            returncode = process.wait(timeout=120)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            returncode = "still running after 120 s"
        result_elapsed = time.monotonic() - started
        out.seek(0)
        err.seek(0)
        result = Result(returncode, out.read(), err.read())
        result.elapsed = result_elapsed
        return result


def crashed(result, wine):
    """True when the run ended as the process does on an invalid memory access."""
    if not isinstance(result.returncode, int):
        return False
    if wine:
        return result.returncode not in (0, 1, 2)
    if result.returncode == -signal.SIGSEGV:
        return True
    # A sanitizer reports the access and ends the process with a status of its own.
    return result.returncode != 0 and b"SEGV" in result.stderr


def wine_environment(prefix):
    env = dict(os.environ)
    # Wine takes its ANSI code page from the locale's language and its Unix code page
    # from the locale's charset: C.UTF-8 (present on every Debian system) names no
    # language, so wine takes English, whose ANSI code page is Windows-1252, the one the
    # native build reads text in; and arguments reach wine as UTF-8. Both builds then
    # print the same bytes for the same scenario.
    for variable in ("LANGUAGE", "LC_CTYPE", "LC_MESSAGES"):
        env.pop(variable, None)
    env["LANG"] = env["LC_ALL"] = WINE_LOCALE
    env["WINEPREFIX"] = prefix
    env["WINEDEBUG"] = "-all"
    # No debugger for a program that crashes on purpose: it ends as it would on Windows.
    env["WINEDLLOVERRIDES"] = "mscoree,mshtml=;winedbg.exe=d"
    env.pop("DISPLAY", None)
    if wine_loader != "wine":
        # Wine's helpers (wineboot, services, a child's start) find the loader here.
        env["WINELOADER"] = wine_loader
    return env


def wine_setup(prefix):
    env = wine_environment(prefix)
    if not os.path.isdir(os.path.join(prefix, "drive_c", "windows")):
        os.makedirs(prefix, exist_ok=True)
        subprocess.run(wine("wineboot", "-i"), env=env, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    # One warm server, with wine's services already running, for all scenarios that follow.
    subprocess.Popen(["wineserver", "-p"], env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                     stderr=subprocess.DEVNULL)
    subprocess.run(wine("cmd", "/c", "exit"), env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=300)
    return 0


def wine_stop(prefix):
    subprocess.run(["wineserver", "-k"], env=wine_environment(prefix), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return 0


def reset_drives(prefix):
    """Points the prefix's C: back at its own drive_c, where wine keeps its temporary
    directory; a scenario run earlier may have left it pointing at that scenario's root."""
    devices = os.path.join(prefix, "dosdevices")
    for name in os.listdir(devices):
        if re.match(r"^[a-y]:$", name):
            os.unlink(os.path.join(devices, name))
    os.symlink(os.path.join("..", "drive_c"), os.path.join(devices, "c:"))


def point_drives(prefix, root):
    """Points the prefix's drive letters at ROOT's drive folders (z: stays the real root)."""
    devices = os.path.join(prefix, "dosdevices")
    for name in os.listdir(devices):
        if re.match(r"^[a-y]:$", name):
            os.unlink(os.path.join(devices, name))
    for letter in os.listdir(root):
        if re.match(r"^[A-Y]$", letter):
            os.symlink(os.path.join(root, letter), os.path.join(devices, letter.lower() + ":"))
    windows = os.path.join(root, "C", "windows")
    if not os.path.lexists(windows):
        os.symlink(os.path.join(prefix, "drive_c", "windows"), windows)


def bridge_skips(scenario):
    """The checks the scenario's bridge_skip file lifts on the bridge route, with reasons."""
    skips = {}
    for line in read_lines(os.path.join(scenario, "bridge_skip")) or []:
        if not line.strip():
            continue
        check, separator, reason = line.partition(": ")
        if not separator or not reason.strip():
            raise SystemExit("bridge_skip line without a reason: %r" % line)
        skips[check.strip()] = reason.strip()
    return skips


def route_libraries(args, program, env):
    """The librfc32 this run loads and, through the bridge, SAP's library behind it
    (None on the classic route). Natively the loader takes the first LD_LIBRARY_PATH
    folder that holds librfc32.so, else the one beside the program (its RUNPATH); under
    wine the program that ran takes the DLL where it looks (see library_folder)."""
    if args.wine:
        library = os.path.join(library_folder(program), "librfc32.dll")
        netweaver = os.path.join(library_folder(program), "sapnwrfc.dll") if args.bridge else None
        return library, netweaver
    folders = [f for f in env.get("LD_LIBRARY_PATH", "").split(":") if f]
    found = [f for f in folders if os.path.isfile(os.path.join(f, "librfc32.so"))]
    library = os.path.join(found[0] if found else os.path.dirname(os.path.abspath(args.program)), "librfc32.so")
    netweaver = os.path.join(os.path.abspath(args.bridge), "libsapnwrfc.so") if args.bridge else None
    return library, netweaver


def wine_did_not_start(result, output_expected):
    """True when a run under wine never reached the sensor: it ended with 1 and printed
    nothing where the sensor prints something. The sensor prints before every exit
    with 1; wine's own start ends so when its server connection is lost or its loader
    cannot map itself, and says why on standard error, where the sensor never writes."""
    return result.returncode == 1 and not result.stdout and output_expected


def refuse_entries(folder, refuse):
    """Makes FOLDER read-only, or writable again; whether it worked."""
    if not os.path.isdir(folder):
        return not refuse
    try:
        os.chmod(folder, 0o555 if refuse else 0o755)
    except OSError:
        return False
    return True


def without_override(command):
    """COMMAND run without the capability that lets root write into a read-only folder,
    or None where that cannot be done (setpriv missing, not root)."""
    if os.geteuid() != 0 or shutil.which("setpriv") is None:
        return None
    return ["setpriv", "--bounding-set=-dac_override", "--"] + command


def private_folders(folder):
    """The private folders of a listing's children in `folder`."""
    return [n for n in os.listdir(folder) if re.match(r"^Korvanel\.\d+\.\d+\.tmp$", n)]


def run_scenario(args, retried=False):
    scenario = os.path.abspath(args.scenario)
    name = os.path.basename(scenario.rstrip("/"))
    wine_only = read_lines(os.path.join(scenario, "wine_only"))
    if wine_only and not args.wine:
        print("scenario %s skipped natively: %s" % (name, " ".join(wine_only)))
        return 0
    variant = name
    if args.extra_parameter:
        variant += "." + re.sub(r"[^A-Za-z0-9]+", "_", args.extra_parameter).strip("_")
    root = os.path.join(os.path.abspath(args.work), variant)
    no_folders = os.path.exists(os.path.join(scenario, "no_folders"))
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(root)
    if os.path.isdir(os.path.join(scenario, "drives")):
        shutil.copytree(os.path.join(scenario, "drives"), root, dirs_exist_ok=True, symlinks=True)
    os.makedirs(os.path.join(root, "C"), exist_ok=True)
    generate_files(scenario, root)
    cwd_lines = read_lines(os.path.join(scenario, "cwd"))
    cwd = windows_to_root(root, cwd_lines[0] if cwd_lines else "C:\\work")
    os.makedirs(cwd, exist_ok=True)

    masker = Masker(read_lines(os.path.join(scenario, "secrets")) or [])
    before = snapshot(root)
    before_folders = set(private_folders(cwd))
    # The arguments as the file holds their bytes (UTF-8, as a terminal would pass them);
    # wine hands them to the program in its ANSI code page.
    program_args = [a.encode("latin-1") for a in read_lines(os.path.join(scenario, "args")) or []]
    if args.extra_parameter:
        extra = args.extra_parameter.encode("latin-1")
        if len(program_args) >= 3:
            program_args[2] += b" " + extra
        elif program_args:
            program_args = program_args + [extra]

    skips = bridge_skips(scenario) if args.bridge else {}
    skipped = []

    def applies(check):
        if check in skips:
            skipped.append("%s: %s" % (check, skips[check]))
            return False
        return True

    if args.wine:
        env = wine_environment(os.path.abspath(args.wine))
        point_drives(os.path.abspath(args.wine), root)
        program = os.path.abspath(args.program)
        folder = read_lines(os.path.join(scenario, "wine_folder"))
        if args.bridge:
            # The same sensor in the bridge's folder: it loads the bridge's librfc32.dll
            # where it looks, and the bridge finds sapnwrfc.dll beside itself.
            program = os.path.join(os.path.abspath(args.bridge), os.path.basename(program))
        elif folder:
            program = os.path.join(os.path.dirname(program), folder[0], os.path.basename(program))
        command = wine(program) + program_args
    else:
        env = dict(os.environ)
        env["KORVANEL_DRIVE_ROOT"] = root
        program = os.path.abspath(args.program)
        command = args.wrapper.split() + [program] + program_args
        # Sanitizer reports end the run with a status of their own, never one of the sensor's
        # (0 to 5). A crash stays a crash (handle_segv=0): the stand-in's deliberate crash
        # in a listing's child must end that child as a crash does on a probe, not as an
        # exit with the sanitizer's status, which the run rightly reports otherwise.
        env["ASAN_OPTIONS"] = "exitcode=198:handle_segv=0:detect_leaks=1:detect_stack_use_after_return=1"
        env["UBSAN_OPTIONS"] = "halt_on_error=1:print_stacktrace=1"
    # A librfc32 found through the loader path would replace ours; only the test
    # that shows this replacement sets it, through the scenario's env file.
    env.pop("LD_LIBRARY_PATH", None)
    env.pop("KORVANEL_NWRFC_DESCRIPTIONS", None)
    if args.netweaver_descriptions:
        env["KORVANEL_NWRFC_DESCRIPTIONS"] = args.netweaver_descriptions
    for line in read_lines(os.path.join(scenario, "env")) or []:
        if "=" in line:
            key, value = line.split("=", 1)
            env[key] = value.replace("{root}", root).replace("{build}", os.path.dirname(os.path.abspath(args.program)))
    if args.bridge and not args.wine:
        # The bridge's librfc32.so found before the stand-in beside the program; the
        # NetWeaver stand-in lies beside the bridge.
        env["LD_LIBRARY_PATH"] = os.path.abspath(args.bridge)

    if no_folders:
        command = without_override(command)
        if command is None or not refuse_entries(cwd, True):
            print("scenario %s FAILED: its working directory cannot be made to refuse new entries "
                  "(it needs root and setpriv)" % variant)
            return 1
        if args.wine:
            # Wine's server makes files and folders for its programs: the warm one, started
            # with every power, would make the private folders all the same. The run starts
            # a server of its own, without the power either.
            wine_stop(args.wine)
    try:
        result = run_to_files(command, cwd, env)
    finally:
        if no_folders:
            refuse_entries(cwd, False)
            if args.wine:
                wine_stop(args.wine)
                wine_setup(args.wine)
    failures = []

    with open(expected_output_file(scenario, program), "rb") as f:
        expected = f.read()
    if args.wine and not retried and wine_did_not_start(result, bool(expected)):
        # Once, from a fresh layout, and said: a second such end is the sensor's own.
        print("wine did not start the sensor; once more. wine's standard error:\n%s"
              % masker(result.stderr).decode("latin-1"))
        return run_scenario(args, retried=True)
    stdout = result.stdout
    if args.netweaver_descriptions == "refuse" and DESCRIPTION_NOTE not in expected:
        stdout = without_description_note(stdout)
    matched = expected_pattern(expected).match(stdout)
    if applies("stdout") and not matched:
        failures.append("standard output differs\n--- expected\n%s\n--- actual\n%s" % (
            masker(expected).decode("latin-1"), masker(result.stdout).decode("latin-1")))
    elif matched:
        library, netweaver = route_libraries(args, program, env)
        for said in matched.groups():
            failures += ["the RFC library line: %s" % p for p in rfc_library_problems(said, library, netweaver, bool(args.wine))]
    if read_by_prtg(program_args) and not os.path.exists(os.path.join(scenario, "not_prtg")):
        for problem in prtg_problems(result.stdout):
            failures.append("PRTG cannot read the output: %s" % problem)
    status_lines = read_lines(os.path.join(scenario, "status"))
    expect_crash = bool(status_lines) and status_lines[0] == "crash"
    if not applies("status"):
        pass
    elif expect_crash:
        if not crashed(result, args.wine):
            failures.append("exit status %s, expected a crash" % result.returncode)
    else:
        expected_status = int(status_lines[0]) if status_lines else 0
        if result.returncode != expected_status:
            failures.append("exit status %s, expected %d" % (result.returncode, expected_status))
    # Only a crash may leave a report there: the sanitizer's or valgrind's.
    if not args.wine and result.stderr and not (expect_crash and (args.wrapper or result.returncode != -signal.SIGSEGV)):
        failures.append("standard error is not empty: %s" % masker(result.stderr).decode("latin-1"))
    elapsed_lines = read_lines(os.path.join(scenario, "elapsed"))
    if elapsed_lines:
        least, most = (float(word) for word in elapsed_lines[0].split())
        if args.wine:
            most += WINE_START_ALLOWANCE
        if result.elapsed < least or (result.elapsed > most and not args.wrapper):
            failures.append("the run took %.2f s, expected %g to %g s" % (result.elapsed, least, most))

    def content_after(relative, missing):
        path = os.path.join(root, relative)
        if not os.path.isfile(path):
            failures.append(missing)
            return None
        with open(path, "rb") as f:
            return f.read()

    expect_root = os.path.join(scenario, "expect")
    for relative, content in snapshot(expect_root).items():
        if not applies("expect " + relative):
            continue
        actual = content_after(relative, "expected file missing: %s" % relative)
        if actual is not None and actual != content:
            failures.append("file %s differs\n--- expected\n%s\n--- actual\n%s" % (
                relative, masker(content).decode("latin-1"), masker(actual).decode("latin-1")))
    for line in read_lines(os.path.join(scenario, "absent")) or []:
        if line and applies("absent " + line) and os.path.lexists(windows_to_root(root, line)):
            failures.append("file should be absent: %s" % line)
    if not expect_crash:
        # Each child of a listing works in a private folder of its own; the run that
        # made it removes it, whatever the child did, or they pile up run after run.
        left = sorted(n for n in private_folders(cwd) if n not in before_folders)
        if left:
            failures.append("private folders left: %s" % ", ".join(left))
    for check, whole in (("unchanged", True), ("kept", False)):
        for line in read_lines(os.path.join(scenario, check)) or []:
            if not line or not applies(check + " " + line):
                continue
            relative = os.path.relpath(windows_to_root(root, line), root)
            if relative not in before:
                raise SystemExit("%s names a file the scenario does not give: %s" % (check, line))
            actual = content_after(relative, "file lost: %s" % line)
            original = before[relative]
            if actual is not None and (actual != original if whole else not actual.startswith(original)):
                failures.append("file %s: %s" % ("changed" if whole else "not kept as it was", line))

    if masker.leaks(result.stdout):
        failures.append("a secret appears in standard output")
    if masker.leaks(result.stderr):
        failures.append("a secret appears in standard error")
    originals = set(before.values())
    for relative, content in snapshot(root).items():
        if before.get(relative) == content or content in originals:
            continue  # untouched, or a byte copy of a file the scenario provided
        if masker.leaks(content):
            failures.append("a secret appears in the file %s" % relative)

    route = ("wine" if args.wine else "native") + (" through the bridge" if args.bridge else "")
    for line in skipped:
        print("skipped on the bridge route: %s" % line)
    if failures:
        print("scenario %s FAILED (%s)" % (variant, route))
        for failure in failures:
            print(failure)
        if args.wine and result.stderr:
            # Wine's own complaints (a server that went away, a DLL it could not load)
            # explain a run that printed nothing.
            print("wine's standard error:\n%s" % masker(result.stderr).decode("latin-1"))
        return 1
    through = " through the bridge" if args.bridge else ""
    if elapsed_lines:
        print("scenario %s passed%s in %.2f s" % (variant, through, result.elapsed))
    else:
        print("scenario %s passed%s" % (variant, through))
    return 0


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--program", help="the sensor (korvanel, Korvanel.exe or Korvanel64.exe)")
    parser.add_argument("--scenario", help="the scenario folder")
    parser.add_argument("--work", help="where the scenario's drives are laid out")
    parser.add_argument("--wine", metavar="PREFIX", help="run under wine with this prefix")
    parser.add_argument("--extra-parameter", help="a parameter added to the scenario's own (e.g. PARALLEL=1)")
    parser.add_argument("--bridge", metavar="DIR", help="run through the bridge librfc32 and the NetWeaver stand-in in DIR")
    parser.add_argument("--netweaver-descriptions", choices=("cut", "refuse", "refuse-lookup"),
                        help="what the NetWeaver stand-in's systems do with a shorter description")
    parser.add_argument("--wrapper", default="", help="a command that runs the program (e.g. valgrind with options)")
    parser.add_argument("--wine-setup", metavar="PREFIX", help="create the prefix and start a warm wineserver")
    parser.add_argument("--wine-stop", metavar="PREFIX", help="stop the prefix's wineserver")
    parser.add_argument("--wine-exec", metavar="PREFIX", help="(first, or after --wine-loader) run the remaining "
                        "arguments under wine")
    parser.add_argument("--wine-loader", metavar="LOADER", help="start wine runs with LOADER instead of \"wine\"")
    argv = sys.argv[1:]
    if len(argv) > 2 and argv[0] == "--wine-loader":
        use_wine_loader(argv[1])
        argv = argv[2:]
    if len(argv) > 1 and argv[0] == "--wine-exec":
        prefix = os.path.abspath(argv[1])
        reset_drives(prefix)
        return subprocess.run(wine(*argv[2:]), env=wine_environment(prefix), stdin=subprocess.DEVNULL).returncode
    args = parser.parse_args()
    use_wine_loader(args.wine_loader)
    if args.wine_setup:
        return wine_setup(os.path.abspath(args.wine_setup))
    if args.wine_stop:
        return wine_stop(os.path.abspath(args.wine_stop))
    return run_scenario(args)


if __name__ == "__main__":
    sys.exit(main())
