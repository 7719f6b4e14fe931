#!/usr/bin/env python3
"""Checks that sensors started together in one working directory, each logging on
through a destination file of its own, never fail for each other.

PRTG starts many sensors at the same time in one working directory. Each run that
takes the destination-file route copies "SapRfc.<destination>" over the one
"SapRfc.ini" there, which SAP's library then reads; without the sensor's lock, the
other run could replace it in between and the logon fails (error 1011). Here two
runs with different destination files are started together, round after round, and
each must print its own success document. Then a run whose logon hangs holds the
lock, and another run started beside it waits for the lock until its own time limit
and answers error 1022 for the step "logon". The password never appears in a report.

  concurrent_destination_check.py --program build/native/korvanel --work DIR [--rounds 200]
  concurrent_destination_check.py --program Korvanel.exe --wine PREFIX --work DIR --rounds 20
"""
import argparse
import os
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from scenario_runner import Result, point_drives, use_wine_loader, wine, wine_did_not_start, wine_environment  # noqa: E402

# The password Monitor#2024, scrambled as the password tool writes it.
STORED_PASSWORD = '<;?7N`mw")Odu9!e}z6=;kfu'
SYSTEMS = {"PRD": ("sapprd", 0), "QAS": ("sapqas", 1)}


def lay_out(work, hung=None):
    """The working directory: both profiles, both destination files, the landscape
    (with the system `hung` never answering its logon)."""
    os.makedirs(work)
    landscape = []
    for name, (host, number) in SYSTEMS.items():
        with open(os.path.join(work, name + ".P00"), "w", newline="\n") as f:
            f.write("Extcompany.: Korvanel Check\nDestination: %s\nClient.....: 100\nUser.......: MONITOR\n"
                    "Password...: %s\nLanguage...: EN\nMode.......: R/3\nHostname...: %s\n"
                    "Sysnr......: %02d\nGwhost.....: %s\nGwservice..: sapgw%02d\n"
                    % (name, STORED_PASSWORD, host, number, host, number))
        # The destination file names another application server than the profile: only
        # a logon that read this system's own "SapRfc.ini" block reaches the system.
        with open(os.path.join(work, "SapRfc." + name), "w", newline="\n") as f:
            f.write("DEST=%s\nTYPE=A\nASHOST=%s\nSYSNR=%02d\n" % (name, host, number))
        landscape += ["[system %s]" % name, "host = %s" % host, "sysnr = %d" % number, "client = 100",
                      "user = MONITOR", "password = Monitor#2024", "rfcsi.RFCDBSYS = DB4", "db02.DBSYS = DB4",
                      "db02.SYSID = %s" % name, "db02.SYS_ASP_P = 50"]
        landscape += ["fault = hang_on_open", ""] if name == hung else [""]
    with open(os.path.join(work, "SapLandscape.txt"), "w", newline="\n") as f:
        f.write("\n".join(landscape))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--program", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--wine", metavar="PREFIX")
    parser.add_argument("--wine-loader", metavar="LOADER", help="start wine runs with LOADER instead of \"wine\"")
    parser.add_argument("--rounds", type=int, default=200)
    args = parser.parse_args()
    use_wine_loader(args.wine_loader)

    root = os.path.abspath(args.work)
    shutil.rmtree(root, ignore_errors=True)
    work = os.path.join(root, "C", "work")
    lay_out(work)
    if args.wine:
        env = wine_environment(os.path.abspath(args.wine))
        point_drives(os.path.abspath(args.wine), root)
        command = wine(os.path.abspath(args.program))
    else:
        env = dict(os.environ)
        env["KORVANEL_DRIVE_ROOT"] = root
        env.pop("LD_LIBRARY_PATH", None)
        command = [os.path.abspath(args.program)]

    def run_round(round_number, again):
        """Starts both runs together; returns how many failed, or None when wine did
        not start one of them and the round is worth one more try."""
        runs = {name: subprocess.Popen(command + [name], cwd=work, env=env, stdin=subprocess.DEVNULL,
                                       stdout=subprocess.PIPE, stderr=subprocess.PIPE)
                for name in SYSTEMS}
        answers = {name: process.communicate(timeout=120) + (process.returncode,) for name, process in runs.items()}
        if args.wine and not again and any(wine_did_not_start(Result(status, out, err), True)
                                           for out, err, status in answers.values()):
            print("round %d: wine did not start a run; the round once more" % round_number)
            return None
        failures = 0
        for name, (out, err, status) in answers.items():
            text = out.decode("latin-1")
            if status != 0 or "Sid=%s" % name not in text:
                failures += 1
                shown = (text + err.decode("latin-1")).replace("Monitor#2024", "<secret>")
                print("round %d: %s ended with %d:\n%s" % (round_number, name, status, shown))
        return failures

    failed = 0
    for round_number in range(1, args.rounds + 1):
        failures = run_round(round_number, again=False)
        failed += run_round(round_number, again=True) if failures is None else failures
    print("%d rounds of two runs started together: %d runs failed" % (args.rounds, failed))

    # PRD hangs in its logon, holding the lock; QAS, started after it, waits for the lock.
    shutil.rmtree(work)
    lay_out(work, hung="PRD")
    # PRD's own limit lies far beyond QAS's, however slowly a loaded machine starts QAS:
    # PRD still holds the lock when QAS gives up, and is ended once QAS has answered.
    hung = subprocess.Popen(command + ["PRD", "TIMEOUT=60"], cwd=work, env=env, stdin=subprocess.DEVNULL,
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    while not os.path.exists(os.path.join(work, "SapRfc.ini")):
        time.sleep(0.01)
    waiting = subprocess.run(command + ["QAS", "TIMEOUT=2"], cwd=work, env=env, stdin=subprocess.DEVNULL,
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=120)
    hung.kill()
    hung.communicate(timeout=120)
    document = ("<Prtg>\n<Error>1</Error>\n"
                "<Text>Error 1022: Time limit of 2 s reached for QAS during logon !</Text>\n</Prtg>\n")
    answer = waiting.stdout.decode("latin-1").replace("Monitor#2024", "<secret>")
    # The destination-file line may stand before the document (where it is printed at all).
    if waiting.returncode != 2 or answer not in (document, "* SapRfc.Ini.......: QAS<\n" + document):
        failed += 1
        print("a run waiting for the lock of a hung one ended with %d:\n%s" % (waiting.returncode, answer))
    else:
        print("a run waiting for the lock of a hung one answered error 1022 for its logon")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
