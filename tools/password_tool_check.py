#!/usr/bin/env python3
"""Checks the password tool as administrators use it, natively or under wine.

The password is piped to korvanel-password; its "Password...:" line goes into a
profile beside the sensor, and the sensor must then read that profile without a
profile error (1003 to 1007). Refused inputs must give a message on standard error,
nothing on standard output and a non-zero status. No report ever shows a password.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from scenario_runner import point_drives, run_to_files, wine_environment  # noqa: E402

PASSWORD = "Monitor#2024"
PROFILE = ("Extcompany.: Korvanel Check\nDestination: PRD\nClient.....: 100\nUser.......: MONITOR\n"
           "%s\nLanguage...: EN\nMode.......: R/3\nHostname...: sapprd\nSysnr......: 00\n"
           "Gwhost.....: sapprd\nGwservice..: sapgw00\n")
STORED_LINE = re.compile(rb"\APassword\.\.\.: ([!-~][ -~]{22}[!-~])\n\Z")


class Runner:
    def __init__(self, args):
        self.wine = os.path.abspath(args.wine) if args.wine else None
        self.root = os.path.abspath(args.work)
        shutil.rmtree(self.root, ignore_errors=True)
        self.cwd = os.path.join(self.root, "C", "work")
        os.makedirs(self.cwd)
        if self.wine:
            point_drives(self.wine, self.root)

    def run(self, program, arguments, stdin_bytes):
        program = os.path.abspath(program)
        if self.wine:
            env, command = wine_environment(self.wine), ["wine", program] + arguments
        else:
            env, command = dict(os.environ), [program] + arguments
            env["KORVANEL_DRIVE_ROOT"] = self.root
        process = subprocess.run(command, cwd=self.cwd, env=env, input=stdin_bytes,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        return process.returncode, process.stdout, process.stderr


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--tool", required=True, help="korvanel-password or korvanel-password.exe")
    parser.add_argument("--sensor", required=True, help="korvanel or Korvanel.exe")
    parser.add_argument("--work", required=True, help="a scratch folder for the drives")
    parser.add_argument("--wine", metavar="PREFIX", help="run both under wine with this prefix")
    args = parser.parse_args()
    runner = Runner(args)
    failures = []
    secret = PASSWORD.encode()

    for name, typed in [("line feed", PASSWORD + "\n"), ("carriage return and line feed", PASSWORD + "\r\n"),
                        ("no line end", PASSWORD)]:
        status, out, err = runner.run(args.tool, [], typed.encode())
        if secret in out or secret in err:
            failures.append("%s: the password appears in the tool's output" % name)
            continue
        match = STORED_LINE.match(out)
        if status != 0 or not match:
            failures.append("%s: status %d, output %r" % (name, status, out))
            continue
        with open(os.path.join(runner.cwd, "PRD.P00"), "wb") as f:
            f.write((PROFILE % out.decode("ascii").rstrip("\n")).encode("ascii"))
        status, out, err = runner.run(args.sensor, ["PRD"], b"")
        if re.search(rb"Error 100[3-7]", out):
            failures.append("%s: the sensor refused the profile: %r" % (name, out))
        if secret in out or secret in err:
            failures.append("%s: the password appears in the sensor's output" % name)

    refused = [("empty", b"\n", b"no password"), ("one character", b"x\n", b"too short"),
               ("21 characters", b"x" * 21 + b"\n", b"too long"),
               ("a very long line", b"y" * 5000 + b"\n", b"too long"),
               ("a tab", b"pass\tword\n", b"printable"), ("a latin-1 letter", b"pass\xe9word\n", b"printable")]
    for name, typed, reason in refused:
        status, out, err = runner.run(args.tool, [], typed)
        if status == 0 or out != b"" or reason not in err:
            failures.append("%s: status %d, output %r, message %r" % (name, status, out, err))
    status, out, err = runner.run(args.tool, ["Monitor#2024"], b"")
    if status == 0 or out != b"" or b"usage" not in err:
        failures.append("an argument: status %d, output %r" % (status, out))

    for failure in failures:
        print(failure)
    print("password tool check %s" % ("FAILED" if failures else "passed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
