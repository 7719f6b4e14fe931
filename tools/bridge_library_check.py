#!/usr/bin/env python3
"""Runs the demo's DEMO profile through the bridge where SAP's NetWeaver library
cannot be loaded, and checks the diagnosis an administrator gets: error 1011, exit 2,
and an error block in Dev_Rfc.Trc that names the library, where it was looked for and
the loader's reason; in trace mode, the line that names the RFC library says that
SAP's library is not loaded and why in a few words.

  --program   the sensor (korvanel)
  --bridge    a folder holding the bridge's librfc32.so and no libsapnwrfc.so
  --work      where the demo's drive is laid out
  --broken    also place a libsapnwrfc.so there that needs a library nobody has
              (this file is built by the test), and expect the missing companion named
"""
import argparse
import os
import shutil
import subprocess
import sys


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--program", required=True)
    parser.add_argument("--bridge", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--source", required=True, help="the source tree (for the demo's files)")
    parser.add_argument("--broken", metavar="LIBRARY", help="a libsapnwrfc.so whose companion is missing")
    args = parser.parse_args()

    root = os.path.abspath(args.work)
    shutil.rmtree(root, ignore_errors=True)
    shutil.copytree(os.path.join(args.source, "demo", "drives"), root)
    route = os.path.join(root, "route")
    os.makedirs(route)
    shutil.copy(os.path.join(args.bridge, "librfc32.so"), route)
    if args.broken:
        shutil.copy(args.broken, os.path.join(route, "libsapnwrfc.so"))
    cwd = os.path.join(root, "C", "PRTG")
    env = dict(os.environ)
    env["KORVANEL_DRIVE_ROOT"] = root
    env["LD_LIBRARY_PATH"] = route
    result = subprocess.run([os.path.abspath(args.program), "DEMO"], cwd=cwd, env=env, capture_output=True,
                            timeout=60)
    failures = []
    expected = b"<Prtg>\n<Error>1</Error>\n<Text>Error 1011: RFC-Open for DEMO failed !</Text>\n</Prtg>\n"
    if result.stdout != expected:
        failures.append("standard output: %r" % result.stdout)
    if result.returncode != 2:
        failures.append("exit status %d, expected 2" % result.returncode)
    try:
        with open(os.path.join(cwd, "Dev_Rfc.Trc"), "rb") as f:
            trace = f.read().decode("latin-1")
    except OSError:
        trace = ""
        failures.append("no Dev_Rfc.Trc")
    wanted = ["**** ERROR file opened at ", "RFC bridge, sapnwrfc not loaded", os.path.join(route, "libsapnwrfc.so"),
              "<* RfcOpen [0] : returns 0"]
    if args.broken:
        wanted += ["======> libsapnwrfc.so could not be loaded", "libsapnwrfc_missing_companion.so"]
    else:
        wanted += ["======> libsapnwrfc.so not found", "then the loader's search path"]
    for text in wanted:
        if text not in trace:
            failures.append("Dev_Rfc.Trc lacks %r" % text)
    reason = b"libsapnwrfc.so could not be loaded" if args.broken else b"libsapnwrfc.so not found"
    line = b"* RFC library......: %s, RFC bridge, sapnwrfc not loaded: %s, see Dev_Rfc.Trc\n" % (
        os.path.join(route, "librfc32.so").encode(), reason)
    traced = subprocess.run([os.path.abspath(args.program), "DEMO", "#"], cwd=cwd, env=env, capture_output=True,
                            timeout=60)
    if line not in traced.stdout or not traced.stdout.endswith(expected):
        failures.append("trace mode: %r, expected the line %r before the document" % (traced.stdout, line))
    if b"Monitor#2024" in result.stdout + traced.stdout or "Monitor#2024" in trace:
        failures.append("the password appears in the output or the trace")
    if failures:
        print("bridge library check FAILED\n" + "\n".join(failures) + "\n--- Dev_Rfc.Trc\n" + trace)
        return 1
    print("bridge library check passed")
    return 0


if __name__ == "__main__":
    sys.exit(main())
