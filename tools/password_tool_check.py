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

Protection (--protect, --convert): under wine the tool protects a password with
Windows' data protection and the sensor logs on with it; a damaged protected line and one
copied into another profile fail with error 1004 and call the RFC library not at all; a
folder is converted in one step, a profile that cannot be converted left byte for byte.
Natively the tool refuses to protect and leaves every profile as it was.
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


LANDSCAPE = """[system PRD]
host = sapprd
sysnr = 0
gwhost = sapprd
gwservice = sapgw00
client = 100
user = MONITOR
password = %s
rfcsi.RFCHOST = sapprd
rfcsi.RFCDBSYS = DB4
db02.DBSYS = DB4
db02.FS_A_DATE = 20261210
db02.FS_A_TIME = 061500
db02.SYSID = PRD
db02.SYS_ASP_P = 71.5
db02.SYS_ASP_S = 524288.0
db02.ASP_TOT_S = 2097152.0
""" % PASSWORD
CALL_LOG = "C:\\calls.log"


def sensor_logs_on(runner, args, name):
    """The sensor's status, output, and whether it called the RFC library at all."""
    log = os.path.join(runner.root, "C", "calls.log")
    if os.path.exists(log):
        os.remove(log)
    status, out, err = runner.run(args.sensor, [name], b"", {"KORVANEL_RFC_CALL_LOG": CALL_LOG})
    return status, out + err, os.path.exists(log)


def check_protection(runner, args):
    """Problems of protected passwords: made, read, refused when damaged or copied."""
    problems = []
    secret = PASSWORD.encode()
    with open(os.path.join(runner.cwd, "SapLandscape.txt"), "w") as f:
        f.write(LANDSCAPE)
    path = os.path.join(runner.cwd, "PRD.P00")
    original = (PROFILE % ("Password...: " + "<;?7N`mw\")Odu9!e}z6=;kfu")).replace("\n", "\r\n").encode("ascii")
    with open(path, "wb") as f:
        f.write(original)
    status, out, err = runner.run(args.tool, ["--protect", "PRD.P00"], secret + b"\r\n")
    if secret in out or secret in err:
        problems.append("protect: the password appears in the tool's output")
    with open(path, "rb") as f:
        written = f.read()
    if not runner.wine:
        if status == 0 or written != original or b"only on Windows" not in err:
            problems.append("protect natively: status %d, unchanged %s, message %r" % (status, written == original, err))
        status, out, err = runner.run(args.tool, ["--convert", "."], b"")
        with open(path, "rb") as f:
            unchanged = f.read() == original
        if status == 0 or not unchanged or b"left unchanged" not in err:
            problems.append("convert natively: status %d, unchanged %s, message %r" % (status, unchanged, err))
        return problems
    lines = written.decode("ascii").split("\r\n")
    protected = [line for line in lines if line.startswith("Protected..: ")]
    if status != 0 or len(protected) != 1 or any(line.startswith("Password...:") for line in lines):
        return problems + ["protect: status %d, message %r, profile %r" % (status, err, lines)]
    if secret in written or PASSWORD.encode("utf-16-le") in written:
        problems.append("protect: the plain password is in the profile")
    status, output, called = sensor_logs_on(runner, args, "PRD")
    if status != 0 or b"<Error>" in output or not called:
        problems.append("protected profile: the sensor did not log on: status %d, %r" % (status, output))
    if secret in output:
        problems.append("protected profile: the password appears in the sensor's output")

    value = protected[0][len("Protected..: "):]
    # In the encrypted bytes near the end: wine leaves the description in the middle
    # of the protected bytes unchecked, which Windows checks too.
    at = len(value) - 40
    damaged = value[:at] + ("A" if value[at] != "A" else "B") + value[at + 1:]
    copies = [("a damaged line", "PRD", written.replace(value.encode(), damaged.encode())),
              ("a cut line", "PRD", written.replace(value.encode(), value[:-8].encode())),
              ("a line copied into another profile", "QAS", written)]
    for name, profile, data in copies:
        with open(os.path.join(runner.cwd, profile + ".P00"), "wb") as f:
            f.write(data)
        status, output, called = sensor_logs_on(runner, args, profile)
        expected = b"Error 1004: Invalid Password in Profile %s.P00 found..." % profile.encode()
        if status != 2 or expected not in output or called:
            problems.append("%s: status %d, library called %s, %r" % (name, status, called, output))
        if secret in output:
            problems.append("%s: the password appears in the sensor's output" % name)

    # A folder in one step: the good profile protected, the unreadable one untouched.
    with open(path, "wb") as f:
        f.write(original)
    bad = os.path.join(runner.cwd, "OLD.P00")
    bad_bytes = (PROFILE % WRONG_LINE).encode("ascii")
    with open(bad, "wb") as f:
        f.write(bad_bytes)
    os.remove(os.path.join(runner.cwd, "QAS.P00"))
    status, out, err = runner.run(args.tool, ["--convert", "C:\\work"], b"")
    with open(bad, "rb") as f:
        untouched = f.read() == bad_bytes
    with open(path, "rb") as f:
        converted = f.read()
    if status != 2 or not untouched or b"OLD.P00: left unchanged" not in err or b"Protected..: " not in converted \
            or b"Password...:" in converted:
        problems.append("convert: status %d, untouched %s, message %r, profile %r" % (status, untouched, err, converted))
    status, output, called = sensor_logs_on(runner, args, "PRD")
    if status != 0 or b"<Error>" in output:
        problems.append("converted profile: the sensor did not log on: %r" % output)
    if secret in out or secret in err or secret in output:
        problems.append("convert: the password appears in an output")
    for name in ("OLD.P00", "SapLandscape.txt"):
        os.remove(os.path.join(runner.cwd, name))
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

    def run(self, program, arguments, stdin_bytes, extra_env=None):
        env, command = self.command(program, arguments)
        env.update(extra_env or {})
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
    parser.add_argument("--protection-only", action="store_true", help="check protected passwords alone")
    args = parser.parse_args()
    use_wine_loader(args.wine_loader)
    runner = Runner(args)
    failures = []
    if args.protection_only:
        failures = check_protection(runner, args)
        for failure in failures:
            print(failure)
        print("password tool check %s" % ("FAILED" if failures else "passed"))
        return 1 if failures else 0
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
    failures += check_protection(runner, args)

    for failure in failures:
        print(failure)
    print("password tool check %s" % ("FAILED" if failures else "passed"))
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
