#!/usr/bin/env python3
"""Checks the multi-system run's child processes as they really run, natively or under
wine (--wine PREFIX, --wine-loader LOADER; there the checks that read /proc do not apply):

  hung       a listing of 40 systems, 5 of them hung at DB02_DB4_GET_INFO, TIMEOUT=5:
             the summary within the budget and a margin, the 5 counted failed at that
             step, the 35 others processed, no child left running, no folder left
  secrets    while the children of a listing of slow systems run, no child's command
             line or environment holds the password (read from /proc), also when half
             the profiles take it from PRTG's prtg_windowspassword: no child has any of
             PRTG's variables in its environment
  stale      a run removes the private folders a killed run left more than an hour
             ago, and nothing else; those whose lock it can take at any age and depth,
             never one whose lock is held, a link only as a link, never what it points
             to, and never what a bind mount inside shows (natively, as root)
  fulldisk   a working directory on a full disk: the answer is right (a child's result
             comes through a pipe, never through a file), with DETAIL=YES every
             healthy system keeps its own value and none shows a 0 % nobody measured,
             and trace mode names the disk
  quota      the children's files refused with the quota's error (a library preloaded
             into the Linux build, --failing-writes): the same sound answer, and trace
             mode names the quota instead of giving no reason
  collision  folders of a live run hold the names the next run would choose first:
             it still visits each system in a process of its own (a crash costs only
             its system)
  readonly   where no private folder can be made (a working directory the run may not
             write to, tried as an unprivileged user), the run visits the systems
             itself, one after another, and answers as with children
  refused    with the start of a child refused (a library preloaded into the Linux
             build, --failing-spawn) once, several times, always, or whenever three
             children run: the listing answers as if no start had been refused, and
             nothing is left; a system visited in-process after its refused starts
             that then hangs at the logon fails for the time limit (1022) alone
  tracelock  with the trace file's lock held by another process for longer than the
             time limit, a listing answers within it, every error block appended whole
  killed     a listing whose children all hang, killed with SIGKILL (the hardest kill
             there is): within 2 s no child of it is left; stopped instead (SIGSTOP,
             so that it can end nothing), its children end themselves within a
             second of its time limit
  crashed    a listing whose library crashes in some children (at the logon and at a
             call), one child at a time and all at once: the others processed, and
             no private folder left behind, the crashed children's neither
  trace      a listing of failing systems leaves the same "Dev_Rfc.Trc" (the time
             stamps aside) one system at a time and 64 at once: each system's error
             blocks whole, in listing order, after what the file held before

Usage: children_check.py --program build/native/korvanel --work DIR [CHECK...]
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from scenario_runner import private_folders, reset_drives, use_wine_loader, wine, wine_environment  # noqa: E402

PASSWORD = "Monitor#2024"
SCRAMBLED = '<;?7N`mw")Odu9!e}z6=;kfu'  # PASSWORD as the password tool stores it
# The budget of the hung listing and what a loaded machine may add before the summary.
BUDGET = 5
MARGIN = 2.5


def profile(name, host):
    return ("Extcompany.: Korvanel Test\nDestination: %s\nClient.....: 100\nUser.......: MONITOR\n"
            "Password...: %s\nLanguage...: EN\nMode.......: R/3\nHostname...: %s\nSysnr......: 00\n"
            "Gwhost.....: %s\nGwservice..: sapgw00\n" % (name, SCRAMBLED, host, host))


def system(host, extra, percent="87.12345"):
    return ("[system %s]\nhost = %s\nsysnr = 0\ngwhost = %s\ngwservice = sapgw00\nclient = 100\n"
            "user = MONITOR\npassword = %s\nrfcsi.RFCHOST = %s\nrfcsi.RFCDBSYS = DB4\ndb02.DBSYS = DB4\n"
            "db02.SYS_ASP_P = %s\n%s" % (host, host, host, PASSWORD, host, percent, extra))


def lay_out(work, name, hosts, landscape):
    """A working directory with one profile per entry of `hosts` and a global listing."""
    folder = os.path.join(work, name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    names = []
    for number, host in enumerate(hosts):
        entry = "S%02d" % number
        names.append(entry + ".P00")
        with open(os.path.join(folder, entry + ".P00"), "w") as f:
            f.write(profile(entry, host))
    with open(os.path.join(folder, "SapLandscape.txt"), "w") as f:
        f.write(landscape)
    # Listing lines are read in pieces of limited length: eight entries a line.
    lines = "".join("# GSNG: ASP         %s#\n" % "#".join(names[k:k + 8]) for k in range(0, len(names), 8))
    with open(os.path.join(folder, "SAP Wendmark.Gbl"), "w") as f:
        f.write(lines + '# GSNX: ASP        Item=Listing,Sensor="SAP Korvanel"\n')
    return folder


# How the checks start the sensor: natively, or under wine with a prefix.
wine_prefix = None
# The library that refuses children's starts (the Linux build's), when given.
failing_spawn = None
# The library that refuses children's files with the quota's error, when given.
failing_writes = None


def run_sensor(program, arguments, folder, **options):
    """Starts the sensor in `folder` with `arguments`, as subprocess.run or (popen=True) Popen."""
    popen = options.pop("popen", False)
    if wine_prefix:
        command, env = wine(program) + arguments, wine_environment(wine_prefix)
    else:
        command, env = [program] + arguments, None
    if popen:
        return subprocess.Popen(command, cwd=folder, env=env, **options)
    return subprocess.run(command, cwd=folder, env=env, **options)


def processes_in(folder):
    """Processes whose current directory lies in `folder`."""
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        try:
            cwd = os.readlink("/proc/%s/cwd" % pid)
        except OSError:
            continue
        if cwd == folder or cwd.startswith(folder + os.sep):
            found.append(int(pid))
    return found


def children_of_run(folder):
    """The children of listings in `folder` still running: natively those working below
    it, under wine the processes of the check's prefix started to visit a system."""
    if not wine_prefix:
        return [pid for pid in processes_in(folder) if b"--visit-system" in read_proc(pid, "cmdline")]
    found = []
    for pid in os.listdir("/proc"):
        if not pid.isdigit():
            continue
        if b"--visit-system" in read_proc(pid, "cmdline") and \
                ("WINEPREFIX=%s" % wine_prefix).encode() in read_proc(pid, "environ").split(b"\0"):
            found.append(int(pid))
    return found


def children_begun(folder):
    """How many children of listings in `folder` have begun their visit (their progress
    file names a step): past their start, and so past their guard."""
    begun = 0
    for root, _, files in os.walk(folder):
        if "Korvanel.progress" in files and os.path.getsize(os.path.join(root, "Korvanel.progress")) > 0:
            begun += 1
    return begun


def read_proc(pid, name):
    try:
        with open("/proc/%s/%s" % (pid, name), "rb") as f:
            return f.read()
    except OSError:
        return b""


def wait_for(condition, seconds):
    """Polls `condition` until it holds or `seconds` have passed; returns whether it held."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        if condition():
            return True
        time.sleep(0.05)
    return condition()


def wine_startup(program, folder):
    """Under wine a run's time limit counts from when wine has made the process, seconds
    after the start on a loaded machine: that start-up, measured by a run that ends at
    once, is not the sensor's time. Natively 0."""
    if not wine_prefix:
        return 0
    started = time.monotonic()
    run_sensor(program, [], folder, capture_output=True, timeout=120)
    return time.monotonic() - started


def check_killed(program, work):
    failures = []
    landscape = system("saphang", "fault = hang_on_open\n")
    hosts = ["saphang"] * 6
    # Killed: the run's children go with it, whatever their time limit.
    folder = lay_out(work, "killed", hosts, landscape)
    run = run_sensor(program, ["GLOBAL", "ASP TIMEOUT=0 PARALLEL=6"], folder, popen=True,
                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        if not wait_for(lambda: len(children_of_run(folder)) == 6, 60):
            failures.append("killed: %d of 6 children started" % len(children_of_run(folder)))
        if wine_prefix:
            # A child wine is still making when the run dies finishes being made first
            # (seconds under the emulated loader); on Windows it would belong to the
            # run's job from its start. The check kills once every child has begun.
            wait_for(lambda: children_begun(folder) == 6, 60)
        run.kill()
        run.wait()
        killed = time.monotonic()
        # Under wine the server ends the job's processes, each an emulated 32-bit process
        # where the kernel runs no 32-bit code, which takes a second more on a loaded machine.
        allowed = 3 if wine_prefix else 2
        gone = wait_for(lambda: not children_of_run(folder), allowed)
        print("killed: children left %d s after the kill: %d (all gone after %.2f s)" % (
            allowed, len(children_of_run(folder)), time.monotonic() - killed))
        if not gone:
            failures.append("killed: children still running %d s after the run was killed: %s" %
                            (allowed, children_of_run(folder)))
    finally:
        for pid in children_of_run(folder):
            os.kill(pid, 9)
        if run.poll() is None:
            run.kill()
    # Stopped: the run cannot end its children, which end themselves at its time limit.
    budget = 3
    folder = lay_out(work, "stopped", hosts, landscape)
    startup = wine_startup(program, folder)
    started = time.monotonic()
    run = run_sensor(program, ["GLOBAL", "ASP TIMEOUT=%d PARALLEL=6" % budget], folder, popen=True,
                     stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        if not wait_for(lambda: len(children_of_run(folder)) == 6, budget + startup - 0.5):
            failures.append("stopped: %d of 6 children started" % len(children_of_run(folder)))
        if wine_prefix:
            # A run frozen while wine makes a child freezes that child's making too (as
            # Windows leaves a child suspended until its maker resumes it): only children
            # that have begun can end themselves. Each start takes a while under the
            # emulated loader, so the time limit is long enough for all six to begin.
            wait_for(lambda: children_begun(folder) == 6, budget + startup)
        run.send_signal(19)  # SIGSTOP
        gone = wait_for(lambda: not children_of_run(folder), budget + startup + MARGIN + 1)
        after = time.monotonic() - started
        print("stopped: children of a stopped run gone %.2f s after its start (time limit %d s, start-up %.2f s)" % (
            after, budget, startup))
        if not gone or after > budget + startup + 1 + MARGIN:
            failures.append("stopped: children still running %.2f s after the start, time limit %d s, start-up %.2f s"
                            % (after, budget, startup))
    finally:
        for pid in children_of_run(folder):
            os.kill(pid, 9)
        run.send_signal(18)  # SIGCONT
        run.kill()
        run.wait()
    return failures


def check_hung(program, work):
    hosts = ["saphung" if number % 8 == 3 else "sapgood" for number in range(40)]
    landscape = system("sapgood", "") + system("saphung", "fault = hang_on_call DB02_DB4_GET_INFO\n")
    folder = lay_out(work, "hung", hosts, landscape)
    budget = BUDGET
    startup = wine_startup(program, folder)
    started = time.monotonic()
    # Sixteen at a time: with five slots held by hung systems, eleven remain for the others
    # even on a slow or sanitizer build.
    result = run_sensor(program, ["GLOBAL", "ASP # TIMEOUT=%d PARALLEL=16" % budget], folder,
                        capture_output=True, timeout=120)
    elapsed = time.monotonic() - started
    out = result.stdout.decode("latin-1")
    failures = []
    if elapsed > budget + startup + MARGIN:
        failures.append("the summary came after %.2f s, budget %d s, start-up %.2f s" % (elapsed, budget, startup))
    if result.returncode != 0:
        failures.append("exit status %d" % result.returncode)
    limits = re.findall(r"\n\* \d\d:\d\d:\d\d (S\d\d)\.P00, saphung.*State=Rfc Failure\n"
                        r"\* \d\d:\d\d:\d\d Time limit of %d s reached during DB02_DB4_GET_INFO\n" % budget, out)
    if wine_prefix:
        # Each process start under wine costs a good part of a second: at the deadline
        # healthy systems may still be on their way or waiting to start. Every system
        # is shown, each failed one with its time-limit line, no hung one processed.
        reached = len(re.findall(r"\n\* \d\d:\d\d:\d\d Time limit of %d s reached " % budget, out))
        summary = re.search(r"NoSystems=40, Processed=(\d+), Failed=(\d+)</Text>", out)
        if not summary or int(summary.group(1)) + int(summary.group(2)) != 40 or \
                int(summary.group(2)) != reached or re.search(r"saphung.*State=Processed", out):
            failures.append("summary: %s, %d time-limit lines" % (re.findall(r"<Text>.*</Text>", out), reached))
    else:
        if "NoSystems=40, Processed=35, Failed=5</Text>" not in out:
            failures.append("summary: %s" % re.findall(r"<Text>.*</Text>", out))
        if len(limits) != 5:
            failures.append("hung systems with their time-limit line: %s" % limits)
    left = [] if wine_prefix else processes_in(folder)
    if left:
        failures.append("processes still running in the working directory: %s" % left)
    if private_folders(folder):
        failures.append("private folders left: %s" % private_folders(folder))
    print("hung: summary after %.2f s (budget %d s, start-up %.2f s)" % (elapsed, budget, startup))
    return failures


def check_crashed(program, work):
    landscape = (system("sapgood", "") + system("sapcrash", "fault = crash_on_open\n") +
                 system("sapcrsh2", "fault = crash_on_call DB02_DB4_GET_INFO\n"))
    hosts = ["sapgood", "sapcrash", "sapgood", "sapcrsh2", "sapgood", "sapcrash"]
    failures = []
    for parallel in (1, 6):
        folder = lay_out(work, "crashed%d" % parallel, hosts, landscape)
        result = run_sensor(program, ["GLOBAL", "ASP PARALLEL=%d" % parallel], folder, capture_output=True,
                            timeout=120)
        left = private_folders(folder)
        print("crashed: PARALLEL=%d, 3 children crashed, private folders left: %d" % (parallel, len(left)))
        if result.returncode != 0 or b"NoSystems=6, Processed=3, Failed=3" not in result.stdout:
            failures.append("PARALLEL=%d: exit %s, %r" % (parallel, result.returncode, result.stdout[-300:]))
        if left:
            failures.append("PARALLEL=%d: private folders left: %s" % (parallel, left))
    return failures


def check_secrets(program, work):
    landscape = system("sapslow", "delay_open = 1500\n")
    folder = lay_out(work, "secrets", ["sapslow"] * 6, landscape)
    # Half the systems take their password from PRTG, as a sensor with placeholders set.
    for number in range(0, 6, 2):
        name = os.path.join(folder, "S%02d.P00" % number)
        with open(name) as f:
            text = f.read()
        with open(name, "w") as f:
            f.write(text.replace("Password...: %s\n" % SCRAMBLED, "Credentials: prtg_windowspassword\n"))
    env = dict(os.environ, prtg_windowspassword=PASSWORD, prtg_windowsuser="MONITOR", PRTG_HOST="sapslow")
    run = subprocess.Popen([program, "GLOBAL", "ASP PARALLEL=3 TIMEOUT=0"], cwd=folder, stdout=subprocess.PIPE,
                           stderr=subprocess.DEVNULL, env=env)
    secret = PASSWORD.encode()
    seen, failures = set(), []
    while run.poll() is None:
        for pid in processes_in(folder):
            if pid == run.pid:
                continue
            for part in ("cmdline", "environ"):
                try:
                    with open("/proc/%d/%s" % (pid, part), "rb") as f:
                        data = f.read()
                except OSError:
                    continue
                seen.add(pid)
                if secret in data:
                    failures.append("the password is in /proc/%d/%s" % (pid, part))
                if part == "environ" and any(v.lower().startswith(b"prtg_") for v in data.split(b"\0")):
                    failures.append("a variable of PRTG's is in /proc/%d/environ" % pid)
        time.sleep(0.05)
    out = run.stdout.read().decode("latin-1")
    if len(seen) < 2:
        failures.append("saw %d children while the run ran" % len(seen))
    if "Processed=6, Failed=0" not in out:
        failures.append("summary: %s" % re.findall(r"<Text>.*</Text>", out))
    print("secrets: looked at %d children" % len(seen))
    return sorted(set(failures))


def check_stale(program, work):
    folder = lay_out(work, "stale", ["sapgood"], system("sapgood", ""))
    two_hours_ago = time.time() - 7200
    made = {"Korvanel.4242.0.tmp": True, "Korvanel.4242.1.tmp": False, "Korvanel.old.tmp": True,
            "Korvanel.4242.2.tmp.keep": True}
    for name, old in made.items():
        os.makedirs(os.path.join(folder, name, "deeper"))
        with open(os.path.join(folder, name, "Dev_Rfc.Trc"), "w") as f:
            f.write("left behind\n")
        if old:
            os.utime(os.path.join(folder, name), (two_hours_ago, two_hours_ago))
    result = run_sensor(program, ["GLOBAL", "ASP"], folder, capture_output=True, timeout=60)
    failures = []
    left = sorted(n for n in os.listdir(folder) if n.startswith("Korvanel."))
    expected = sorted(["Korvanel.4242.1.tmp", "Korvanel.old.tmp", "Korvanel.4242.2.tmp.keep"])
    if left != expected:
        failures.append("folders after the run: %s, expected %s" % (left, expected))
    if b"Processed=1, Failed=0" not in result.stdout:
        failures.append("the run itself: %r" % result.stdout[-200:])
    return failures + check_stale_by_lock(program, work)


def check_stale_by_lock(program, work):
    """Folders whose lock a run can take are removed at any age, those whose lock is
    held are kept; links are removed as links and never followed."""
    import fcntl
    folder = lay_out(work, "stale_lock", ["sapgood"], system("sapgood", ""))
    outside = os.path.join(work, "stale_lock_outside")
    shutil.rmtree(outside, ignore_errors=True)
    os.makedirs(outside)
    with open(os.path.join(outside, "precious.txt"), "w") as f:
        f.write("not the sensor's\n")
    for name in ("Korvanel.4243.0.tmp", "Korvanel.4243.1.tmp", "Korvanel.4243.2.tmp"):
        os.makedirs(os.path.join(folder, name))
        open(os.path.join(folder, name, "Korvanel.lock"), "w").close()
    # A link to a folder elsewhere, inside a stale folder and as a stale folder itself.
    # Wine 8 shows a Unix link as a plain folder, never as the reparse point a Windows
    # junction is, so under wine the links' cases cannot be played: they run natively.
    links = not wine_prefix
    if links:
        os.symlink(outside, os.path.join(folder, "Korvanel.4243.2.tmp", "elsewhere"))
        os.symlink(outside, os.path.join(folder, "Korvanel.4243.3.tmp"))
    else:
        print("stale: the links' cases skipped under wine (it shows a Unix link as a plain folder)")
    # A leftover deeper than any walk of a fixed depth: it goes all the same.
    deep = os.path.join(folder, "Korvanel.4243.5.tmp")
    os.makedirs(os.path.join(deep, *["d%d" % level for level in range(40)]))
    open(os.path.join(deep, "Korvanel.lock"), "w").close()
    # A bind mount of the folder elsewhere inside a leftover (natively, where mounting is
    # allowed): never entered, so the leftover stays with it.
    mounted = os.path.join(folder, "Korvanel.4243.4.tmp", "mounted")
    if not wine_prefix:
        os.makedirs(mounted)
        open(os.path.join(folder, "Korvanel.4243.4.tmp", "Korvanel.lock"), "w").close()
        refused = subprocess.run(["mount", "--bind", outside, mounted], capture_output=True).returncode != 0
        if refused:
            print("stale: the bind mount's case skipped (mounting is refused here)")
            shutil.rmtree(os.path.dirname(mounted))
    else:
        refused = True
    expected = ["Korvanel.4243.1.tmp"] + ([] if refused else ["Korvanel.4243.4.tmp"])
    try:
        with open(os.path.join(folder, "Korvanel.4243.1.tmp", "Korvanel.lock"), "w") as held:
            # A run that still uses its folder. Wine's server locks with fcntl's record
            # locks, the Linux build with flock: the check holds the kind the build honours.
            (fcntl.lockf if wine_prefix else fcntl.flock)(held, fcntl.LOCK_EX)
            result = run_sensor(program, ["GLOBAL", "ASP"], folder, capture_output=True, timeout=60)
            left = sorted(n for n in os.listdir(folder) if n.startswith("Korvanel."))
    finally:
        if not refused:
            subprocess.run(["umount", mounted], capture_output=True)
    failures = []
    if left != expected:
        failures.append("by lock: folders after the run: %s, expected %s" % (left, expected))
    if os.listdir(outside) != ["precious.txt"]:
        failures.append("by lock: a link's target was changed: %s" % os.listdir(outside))
    if b"Processed=1, Failed=0" not in result.stdout:
        failures.append("by lock: the run itself: %r" % result.stdout[-200:])
    return failures


# A listing of two healthy systems around an unreachable one, each healthy one with a
# value of its own, so that a channel showing another's value, or a 0 nobody
# measured, is seen.
LOST_RESULT_HOSTS = ["sap10", "sapdown", "sap13"]
LOST_RESULT_LANDSCAPE = (system("sap10", "", "10.2") + system("sapdown", "fault = unreachable\n") +
                         system("sap13", "", "13.4"))


def lost_result_failures(name, result, reason):
    """What is wrong with the answers of the LOST_RESULT listing whose children could not
    write their files for `reason`: it must be the answer of a sound disk."""
    out = result.stdout.decode("latin-1")
    failures = []
    parameters = " ".join(result.args[-1:])
    if result.returncode != 0 or "NoSystems=3, Processed=2, Failed=1" not in out:
        failures.append("%s %s: exit %d, %s" % (name, parameters, result.returncode, out[-400:]))
    if "DETAIL=YES" in parameters:
        channels = dict(re.findall(r"<Channel>(S\d\d\.P00)</Channel>\n<Unit>Custom</Unit>\n<CustomUnit>PerCent</CustomUnit>\n"
                                   r"<Value>(-?\d+)</Value>", out))
        if channels != {"S00.P00": "10", "S02.P00": "13"} or "; failed: S01.P00 (1011)</Text>" not in out:
            failures.append("%s %s: system channels %s, %s" % (name, parameters, channels,
                                                               re.findall(r"<Text>.*</Text>", out)))
    if "#" in parameters and ("(%s)" % reason not in out or "no reason given" in out):
        failures.append("%s: trace mode does not name the cause (%s):\n%s" % (name, reason, out))
    return failures


def check_fulldisk(program, work):
    """A working directory on a full disk (a small tmpfs, filled; mounting needs root):
    healthy systems count processed with their own values, a failing one failed, and
    trace mode names the disk."""
    mount_point = os.path.join(work, "fulldisk")
    subprocess.run(["umount", mount_point], capture_output=True)
    shutil.rmtree(mount_point, ignore_errors=True)
    os.makedirs(mount_point)
    if subprocess.run(["mount", "-t", "tmpfs", "-o", "size=256k", "tmpfs", mount_point],
                      capture_output=True).returncode != 0:
        print("fulldisk: skipped (a tmpfs cannot be mounted here)")
        return []
    failures = []
    try:
        folder = lay_out(mount_point, "work", LOST_RESULT_HOSTS, LOST_RESULT_LANDSCAPE)
        filler = os.open(os.path.join(folder, "filler"), os.O_WRONLY | os.O_CREAT)
        try:
            while os.write(filler, b"x" * 4096) > 0:
                pass
        except OSError:
            pass
        os.close(filler)
        for parameters in ("ASP", "ASP #", "ASP DETAIL=YES", "ASP # DETAIL=YES"):
            result = run_sensor(program, ["GLOBAL", parameters], folder, capture_output=True, timeout=60)
            failures += lost_result_failures("full disk", result, "No space left on device")
    finally:
        subprocess.run(["umount", mount_point], capture_output=True)
    return failures


def check_quota(program, work):
    """The children's files refused with the quota's error (EDQUOT, 122 on Linux), as
    a user's quota on the probe's disk does: the answer of a sound disk, the quota named."""
    if not failing_writes:
        print("quota: skipped (needs the Linux build's failing_writes library)")
        return []
    folder = lay_out(work, "quota", LOST_RESULT_HOSTS, LOST_RESULT_LANDSCAPE)
    env = dict(os.environ, LD_PRELOAD=failing_writes, KORVANEL_FAILING_WRITES=str(122))
    failures = []
    for parameters in ("ASP", "ASP #", "ASP DETAIL=YES", "ASP # DETAIL=YES"):
        result = subprocess.run([program, "GLOBAL", parameters], cwd=folder, env=env, capture_output=True, timeout=60)
        failures += lost_result_failures("quota", result, os.strerror(122))
    return failures


def check_collision(program, work):
    """Folders of a live run with the names the next run would choose first (as when a
    process id comes back): the next run still visits each system in a process of its
    own, so a crash of the library costs only its system."""
    import fcntl
    landscape = system("sapgood", "") + system("sapcrash", "fault = crash_on_open\n")
    folder = lay_out(work, "collision", ["sapgood", "sapcrash", "sapgood"], landscape)
    # The run's process id is guessed from the last one given out; a guess that missed
    # (other processes started meanwhile) is tried again.
    for attempt in range(5):
        for name in os.listdir(folder):
            if name.startswith("Korvanel."):
                shutil.rmtree(os.path.join(folder, name))
        with open("/proc/sys/kernel/ns_last_pid") as f:
            last = int(f.read())
        taken = range(last + 1, last + 200)
        held = []
        try:
            for pid in taken:
                for number in range(2):
                    name = os.path.join(folder, "Korvanel.%d.%d.tmp" % (pid, number))
                    os.makedirs(name)
                    lock = open(os.path.join(name, "Korvanel.lock"), "w")
                    fcntl.flock(lock, fcntl.LOCK_EX)
                    held.append(lock)
            run = run_sensor(program, ["GLOBAL", "ASP"], folder, popen=True, stdout=subprocess.PIPE,
                             stderr=subprocess.PIPE)
            stdout, _ = run.communicate(timeout=60)
            result = subprocess.CompletedProcess(run.args, run.returncode, stdout)
        finally:
            for lock in held:
                lock.close()
        if run.pid in taken:
            break
    else:
        return ["collision: the run's process id never fell among the names taken"]
    failures = []
    if result.returncode != 0 or b"NoSystems=3, Processed=2, Failed=1" not in result.stdout:
        failures.append("with taken names: exit %d, %r" % (result.returncode, result.stdout[-300:]))
    return failures


def check_trace(program, work):
    # Systems that fail at different speeds, so that children end out of listing order.
    hosts, landscape = [], ""
    for number in range(12):
        host = "sapf%02d" % number
        hosts.append(host)
        fault = ["fault = unreachable\n", "fault = logon_refused\n",
                 "fault = call_fails DB02_DB4_GET_INFO\n"][number % 3]
        delay = "delay_open = %d\n" % ((12 - number) * 40)
        landscape += system(host, fault + delay)
    # The stand-in plays at most 16 systems: one landscape per run is enough here.
    traces = {}
    for parallel in (1, 64):
        folder = lay_out(work, "trace%d" % parallel, hosts, landscape)
        with open(os.path.join(folder, "Dev_Rfc.Trc"), "w") as f:
            f.write("an earlier line\n")
        result = run_sensor(program, ["GLOBAL", "ASP PARALLEL=%d TIMEOUT=0" % parallel], folder,
                            capture_output=True, timeout=120)
        with open(os.path.join(folder, "Dev_Rfc.Trc"), "rb") as f:
            traces[parallel] = re.sub(rb"\d{8} \d{6}", b"<time>", f.read())
        if b"NoSystems=12, Processed=0, Failed=12" not in result.stdout:
            return ["PARALLEL=%d: %r" % (parallel, result.stdout[-200:])]
    failures = []
    if traces[1] != traces[64]:
        failures.append("Dev_Rfc.Trc differs between PARALLEL=1 and PARALLEL=64")
    order = re.findall(rb"sapf(\d\d)", traces[64])
    blocks = traces[64].count(b"**** ERROR ")
    if not traces[64].startswith(b"an earlier line\n") or order != sorted(order) or blocks != 12:
        failures.append("%d blocks, hosts in the order %s" % (blocks, order))
    return failures


def check_tracelock(program, work):
    """Another sensor holds the trace file's lock for longer than this run may take: the
    run answers within its time limit, with every failing system's block appended whole."""
    import fcntl
    hosts = ["sapf%02d" % number for number in range(4)]
    landscape = "".join(system(host, "fault = unreachable\n") for host in hosts)
    folder = lay_out(work, "tracelock", hosts, landscape)
    budget = 3
    with open(os.path.join(folder, "Dev_Rfc.Trc.lck"), "w") as held:
        fcntl.flock(held, fcntl.LOCK_EX)
        started = time.monotonic()
        result = run_sensor(program, ["GLOBAL", "ASP TIMEOUT=%d" % budget], folder, capture_output=True,
                            timeout=60)
        elapsed = time.monotonic() - started
    failures = []
    print("tracelock: answer after %.2f s with the lock held elsewhere (time limit %d s)" % (elapsed, budget))
    if elapsed > budget + MARGIN:
        failures.append("the answer came after %.2f s, time limit %d s" % (elapsed, budget))
    if b"NoSystems=4, Processed=0, Failed=4" not in result.stdout:
        failures.append("the run: %r" % result.stdout[-300:])
    with open(os.path.join(folder, "Dev_Rfc.Trc"), "rb") as f:
        trace = f.read()
    if trace.count(b"**** ERROR ") != 4 or re.findall(rb"sapf(\d\d)", trace) != sorted(re.findall(rb"sapf(\d\d)", trace)):
        failures.append("Dev_Rfc.Trc: %r" % trace[:400])
    return failures


def check_readonly(program, work):
    if os.geteuid() != 0 or shutil.which("setpriv") is None:
        print("readonly: skipped (needs root and setpriv to run as an unprivileged user)")
        return []
    hosts = ["sapgood", "sapdeny", "sapgood"]
    landscape = system("sapgood", "") + system("sapdeny", "fault = logon_refused\n")
    failures = []
    # The detailed summary too: the figures and failures that children bring home are
    # what a visit in the run's own process finds.
    for parameters, detail in (("ASP #", b""), ("ASP # DETAIL=YES", b"; failed: ")):
        failures += readonly_answers(program, work, hosts, landscape, parameters, detail)
    return failures


def readonly_answers(program, work, hosts, landscape, parameters, detail):
    outputs = {}
    for name, unprivileged in (("children", False), ("readonly", True)):
        folder = lay_out(work, name + ("_detail" if detail else ""), hosts, landscape)
        command = [program, "GLOBAL", parameters]
        if unprivileged:
            # The program and its library must be reachable for the unprivileged user.
            for path in (os.path.dirname(program), folder):
                while path != "/":
                    os.chmod(path, os.stat(path).st_mode | 0o005)
                    path = os.path.dirname(path)
            os.chmod(folder, 0o555)
            command = ["setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"] + command
        result = subprocess.run(command, cwd=folder, capture_output=True, timeout=60)
        outputs[name] = re.sub(rb"\d\d:\d\d:\d\d", b"<time>", result.stdout)
        if name == "readonly":
            os.chmod(folder, 0o755)
    failures = []
    if b"NoSystems=3, Processed=2, Failed=1" + detail not in outputs["children"]:
        failures.append("the run with children: %r" % outputs["children"][-200:])
    if outputs["readonly"] != outputs["children"]:
        failures.append("in a read-only working directory the answer differs:\n%s" % outputs["readonly"].decode("latin-1"))
    return failures


def check_refused(program, work):
    if not failing_spawn:
        print("refused: skipped (needs the Linux build's failing_spawn library)")
        return []
    landscape = system("sapgood", "") + system("sapslow", "delay_open = 300\n")
    answers = {}
    failures = []
    # Refused once, twice, three times in a row; then a limit that lets only 3 of the 8
    # children of a listing run at once, and one that lets none start at all.
    cases = [("0", {}), ("1", {"KORVANEL_FAILING_SPAWNS": "1"}), ("2", {"KORVANEL_FAILING_SPAWNS": "2"}),
             ("3", {"KORVANEL_FAILING_SPAWNS": "3"}), ("limit", {"KORVANEL_SPAWN_LIMIT": "3"}),
             ("none", {"KORVANEL_FAILING_SPAWNS": "100000"})]
    for name, settings in cases:
        folder = lay_out(work, "refused_" + name, ["sapgood", "sapslow", "sapgood"] * 2, landscape)
        env = dict(os.environ, LD_PRELOAD=failing_spawn, **settings)
        result = subprocess.run([program, "GLOBAL", "ASP # PARALLEL=8"], cwd=folder, env=env, capture_output=True,
                                timeout=60)
        answers[name] = re.sub(rb"\d\d:\d\d:\d\d", b"<time>", result.stdout)
        left = private_folders(folder)
        if result.returncode != 0 or left:
            failures.append("refused %s: exit %s, folders left %s" % (name, result.returncode, left))
    if b"NoSystems=6, Processed=6, Failed=0" not in answers["0"]:
        failures.append("the run without refusals: %r" % answers["0"][-300:])
    # A refused start says nothing about SAP: every healthy system is processed, and
    # the answer is the one of a run whose starts were never refused.
    for name, _ in cases[1:]:
        if answers[name] != answers["0"]:
            failures.append("refused %s changed the answer:\n%s" % (name, answers[name].decode("latin-1")))
    # A start still refused at the time limit, while a hung system holds the one place:
    # failed, but for a local reason, in the system's own words, never as an SAP failure.
    folder = lay_out(work, "refused_deadline", ["sapgood", "saphang", "sapgood"],
                     landscape + system("saphang", "fault = hang_on_open\n"))
    env = dict(os.environ, LD_PRELOAD=failing_spawn, KORVANEL_SPAWN_LIMIT="1")
    result = subprocess.run([program, "GLOBAL", "ASP # TIMEOUT=2"], cwd=folder, env=env, capture_output=True,
                            timeout=60)
    out = result.stdout.decode("latin-1")
    if not re.search(r"\n\* \d\d:\d\d:\d\d S02\.P00, sapgood, .* State=Local Failure\n"
                     r"\* \d\d:\d\d:\d\d S02\.P00 could not be checked: its process could not be started "
                     r"before the time limit \(Resource temporarily unavailable\)\n", out) or \
            "NoSystems=3, Processed=1, Failed=2" not in out or private_folders(folder):
        failures.append("a start refused until the time limit:\n%s" % out)
    # Every start refused: the run visits the systems itself, and one that hangs at the
    # logon fails for the time limit alone; its refused starts no longer explain it.
    folder = lay_out(work, "refused_hang", ["sapgood", "saphang"], landscape + system("saphang", "fault = hang_on_open\n"))
    env = dict(os.environ, LD_PRELOAD=failing_spawn, KORVANEL_FAILING_SPAWNS="100000")
    result = subprocess.run([program, "GLOBAL", "ASP # DETAIL=YES,TIMEOUT=2"], cwd=folder, env=env,
                            capture_output=True, timeout=60)
    out = result.stdout.decode("latin-1")
    if not re.search(r"\n\* \d\d:\d\d:\d\d S01\.P00, saphang, .* State=Rfc Failure\n"
                     r"\* \d\d:\d\d:\d\d Time limit of 2 s reached during logon\n", out) or \
            "could not be started" in out or "Processed=1, Failed=1; failed: S01.P00 (1022)</Text>" not in out or \
            private_folders(folder):
        failures.append("a system visited in-process after refused starts, hung at the logon:\n%s" % out)
    return failures


CHECKS = {"collision": check_collision, "crashed": check_crashed, "fulldisk": check_fulldisk, "hung": check_hung,
          "killed": check_killed, "quota": check_quota, "readonly": check_readonly, "refused": check_refused,
          "secrets": check_secrets,
          "stale": check_stale, "trace": check_trace, "tracelock": check_tracelock}


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--program", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--wine", metavar="PREFIX", help="run the Windows build under wine with this prefix")
    parser.add_argument("--wine-loader", metavar="LOADER", help="start wine runs with LOADER instead of \"wine\"")
    parser.add_argument("--failing-spawn", metavar="LIBRARY", help="the library that refuses children's starts")
    parser.add_argument("--failing-writes", metavar="LIBRARY", help="the library that refuses children's files")
    parser.add_argument("checks", nargs="*", default=sorted(CHECKS))
    args = parser.parse_args()
    use_wine_loader(args.wine_loader)
    if args.failing_spawn:
        global failing_spawn
        failing_spawn = os.path.abspath(args.failing_spawn)
    if args.failing_writes:
        global failing_writes
        failing_writes = os.path.abspath(args.failing_writes)
    if args.wine:
        global wine_prefix
        wine_prefix = os.path.abspath(args.wine)
        # C: is the prefix's own drive; the sensor works in the check's folders below Z:.
        reset_drives(wine_prefix)
    program = os.path.abspath(args.program)
    work = os.path.abspath(args.work)
    os.makedirs(work, exist_ok=True)
    failed = False
    for name in args.checks:
        failures = CHECKS[name](program, work)
        for failure in failures:
            print("%s: %s" % (name, failure.replace(PASSWORD, "<secret>")))
        failed = failed or bool(failures)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
