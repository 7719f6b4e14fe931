#!/usr/bin/env python3
"""Checks the password tool as administrators use it, natively or under wine.

The password is piped to korvanel-password; its "Password...:" line goes into a
profile beside the sensor, and the sensor must then read that profile without a
profile error (1003 to 1007). Refused inputs must give a message on standard error,
nothing on standard output and a non-zero status. No report ever shows a password.

With a profile named, the tool writes the line into it: profiles without a final line
end, with an old wrong password line, saved in UTF-16 (either order) or with a UTF-8
mark, or with a line PowerShell appended in UTF-16 LE, must afterwards be read by the
sensor, keep their encoding, line ends and other lines, and hold the line once; a
read-only profile and a name that is no file are left as they were. Two tools started
at once on one profile both write it, neither says that it does not exist, and the
profile ends with one password line.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from scenario_runner import point_drives, run_to_files, use_wine_loader, wine, wine_environment  # noqa: E402

PASSWORD = "Monitor#2024"
PROFILE = ("Extcompany.: Korvanel Check\nDestination: PRD\nClient.....: 100\nUser.......: MONITOR\n"
           "%s\nLanguage...: EN\nMode.......: R/3\nHostname...: sapprd\nSysnr......: 00\n"
           "Gwhost.....: sapprd\nGwservice..: sapgw00\n")
STORED_LINE = re.compile(rb"\APassword\.\.\.: ([!-~][ -~]{22}[!-~])\n\Z")
PASSWORD_LINE = re.compile(r"\APassword\.\.\.: [!-~][ -~]{22}[!-~]\Z")
WRONG_LINE = "Password...: <;?7N`mw\")Odu9!e}z6=;kfX"
BODY = ["* profile written with the password tool", "Extcompany.: Korvanel Check", "Destination: PRD",
        "Client.....: 100", "User.......: MONITOR", "Language...: EN", "Mode.......: R/3", "Hostname...: sapprd",
        "Sysnr......: 00", "Gwhost.....: sapprd", "Gwservice..: sapgw00"]


def utf16le(text):
    return text.encode("utf-16-le")


# name, profile bytes, how to read them back as lines, the line end, where the new line goes
PROFILE_CASES = [
    ("no final line end", "\n".join(BODY).encode("ascii"), "ascii", "\n", len(BODY)),
    ("old wrong password line", ("\r\n".join(BODY[:5] + [WRONG_LINE] + BODY[5:]) + "\r\n").encode("ascii"),
     "ascii", "\r\n", 5),
    ("utf-16 le profile", b"\xff\xfe" + utf16le("\r\n".join(BODY[:5] + [WRONG_LINE] + BODY[5:]) + "\r\n"),
     "utf-16-le", "\r\n", 5),
    ("utf-16 be profile", b"\xfe\xff" + ("\r\n".join(BODY) + "\r\n").encode("utf-16-be"), "utf-16-be", "\r\n",
     len(BODY)),
    ("utf-8 mark", b"\xef\xbb\xbf" + ("\r\n".join(BODY) + "\r\n").encode("ascii"), "utf-8-sig", "\r\n", len(BODY)),
    ("line appended by PowerShell", ("\r\n".join(BODY) + "\r\n").encode("ascii") + utf16le(WRONG_LINE + "\r\n"),
     "mixed", "\r\n", len(BODY)),
]


def profile_lines(data, encoding):
    """The profile's lines with their line ends, in the encoding it was saved in."""
    if encoding == "utf-16-le":
        text = data[2:].decode("utf-16-le")
    elif encoding == "utf-16-be":
        text = data[2:].decode("utf-16-be")
    elif encoding == "utf-8-sig":
        if not data.startswith(b"\xef\xbb\xbf"):
            return None
        text = data[3:].decode("ascii")
    else:
        text = data.decode("ascii")
    return text.splitlines(keepends=True)


def check_profile_case(runner, args, name, original, encoding, ending, position):
    """Problems of the tool writing into one profile (empty when it did as it should)."""
    problems = []
    path = os.path.join(runner.cwd, "PRD.P00")
    with open(path, "wb") as f:
        f.write(original)
    status, out, err = runner.run(args.tool, ["PRD.P00"], PASSWORD.encode() + b"\r\n")
    if PASSWORD.encode() in out or PASSWORD.encode() in err:
        problems.append("%s: the password appears in the tool's output" % name)
    if status != 0:
        return problems + ["%s: status %d, message %r" % (name, status, err)]
    with open(path, "rb") as f:
        written = f.read()
    if PASSWORD.encode() in written or PASSWORD.encode("utf-16-le") in written:
        problems.append("%s: the plain password is in the profile" % name)
    lines = profile_lines(written, "ascii" if encoding == "mixed" else encoding)
    if lines is None:
        return problems + ["%s: the profile lost its encoding: %r" % (name, written[:8])]
    passwords = [i for i, line in enumerate(lines) if line.startswith("Password...:")]
    if passwords != [position] or not PASSWORD_LINE.match(lines[position].rstrip("\r\n")):
        problems.append("%s: password lines at %s: %r" % (name, passwords, lines))
    others = [line for i, line in enumerate(lines) if i != position]
    if [line.rstrip("\r\n") for line in others] != BODY or any(not line.endswith(ending) for line in lines):
        problems.append("%s: the other lines or the line ends changed: %r" % (name, lines))
    status, out, err = runner.run(args.sensor, ["PRD"], b"")
    if re.search(rb"Error 100[3-7]", out):
        problems.append("%s: the sensor refused the written profile: %r" % (name, out))
    if PASSWORD.encode() in out or PASSWORD.encode() in err:
        problems.append("%s: the password appears in the sensor's output" % name)
    return problems


def check_unwritable(runner, args):
    """A read-only profile and a name that is no file are left as they were."""
    problems = []
    path = os.path.join(runner.cwd, "PRD.P00")
    original = ("\r\n".join(BODY) + "\r\n").encode("ascii")
    with open(path, "wb") as f:
        f.write(original)
    # The lock file that the earlier cases' tools left beside the profile, by design.
    if os.path.exists(path + ".lck"):
        os.remove(path + ".lck")
    os.chmod(path, 0o444)
    try:
        status, out, err = runner.run(args.tool, ["PRD.P00"], PASSWORD.encode() + b"\n")
    finally:
        os.chmod(path, 0o644)
    with open(path, "rb") as f:
        unchanged = f.read() == original
    if status == 0 or not unchanged or b"unchanged" not in err or out != b"":
        problems.append("read-only profile: status %d, unchanged %s, message %r" % (status, unchanged, err))
    leftovers = sorted(set(os.listdir(runner.cwd)) - {"PRD.P00", "Dev_Rfc.Trc"})
    if leftovers:
        problems.append("read-only profile: files left behind: %s" % leftovers)
    # A password given where the profile belongs is never shown back.
    status, out, err = runner.run(args.tool, [PASSWORD], b"")
    if status == 0 or out != b"" or PASSWORD.encode() in err or b"no profile file" not in err:
        problems.append("a password as the argument: status %d, output %r, message %r" % (
            status, out, err.replace(PASSWORD.encode(), b"<secret>")))
    if os.path.exists(os.path.join(runner.cwd, PASSWORD)):
        problems.append("a password as the argument: a file of that name was made")
    return problems


def check_two_at_once(runner, args, rounds=10):
    """Two tools at once on one profile: both write, neither says the profile is missing,
    and the profile ends with one password line."""
    problems = []
    path = os.path.join(runner.cwd, "PRD.P00")
    for round_number in range(rounds):
        with open(path, "wb") as f:
            f.write(("\r\n".join(BODY) + "\r\n").encode("ascii"))
        tools = [runner.start(args.tool, ["PRD.P00"], PASSWORD.encode() + b"\n") for _ in range(2)]
        for tool in tools:
            out, err = tool.communicate(timeout=120)
            if tool.returncode != 0 or b"no profile file" in err:
                problems.append("round %d: status %d, message %r" % (round_number, tool.returncode, err))
        with open(path, "rb") as f:
            lines = f.read().decode("ascii").split("\r\n")
        if sum(1 for line in lines if line.startswith("Password...:")) != 1:
            problems.append("round %d: the profile holds %r" % (round_number, lines))
    return problems


class Runner:
    def __init__(self, args):
        self.wine = os.path.abspath(args.wine) if args.wine else None
        self.root = os.path.abspath(args.work)
        shutil.rmtree(self.root, ignore_errors=True)
        self.cwd = os.path.join(self.root, "C", "work")
        os.makedirs(self.cwd)
        if self.wine:
            point_drives(self.wine, self.root)

    def command(self, program, arguments):
        program = os.path.abspath(program)
        if self.wine:
            return wine_environment(self.wine), wine(program) + arguments
        env = dict(os.environ)
        env["KORVANEL_DRIVE_ROOT"] = self.root
        return env, [program] + arguments

    def run(self, program, arguments, stdin_bytes):
        env, command = self.command(program, arguments)
        process = subprocess.run(command, cwd=self.cwd, env=env, input=stdin_bytes,
                                 stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
        return process.returncode, process.stdout, process.stderr

    def start(self, program, arguments, stdin_bytes):
        """Starts the program with `stdin_bytes` as its whole input; communicate() ends it."""
        env, command = self.command(program, arguments)
        process = subprocess.Popen(command, cwd=self.cwd, env=env, stdin=subprocess.PIPE,
                                   stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        process.stdin.write(stdin_bytes)
        process.stdin.close()
        process.stdin = None  # given whole: communicate() has nothing more to send
        return process


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--tool", required=True, help="korvanel-password or korvanel-password.exe")
    parser.add_argument("--sensor", required=True, help="korvanel or Korvanel.exe")
    parser.add_argument("--work", required=True, help="a scratch folder for the drives")
    parser.add_argument("--wine", metavar="PREFIX", help="run both under wine with this prefix")
    parser.add_argument("--wine-loader", metavar="LOADER", help="start wine runs with LOADER instead of \"wine\"")
    args = parser.parse_args()
    use_wine_loader(args.wine_loader)
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
    for arguments in (["PRD.P00", "PRD.P00"], ["--help"]):
        status, out, err = runner.run(args.tool, arguments, b"")
        if status == 0 or out != b"" or b"usage" not in err:
            failures.append("arguments %s: status %d, output %r" % (arguments, status, out))

    for case in PROFILE_CASES:
        failures += check_profile_case(runner, args, *case)
    failures += check_unwritable(runner, args)
    failures += check_two_at_once(runner, args)

    for failure in failures:
        print(failure)
    print("password tool check %s" % ("FAILED" if failures else "passed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
