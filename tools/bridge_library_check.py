#!/usr/bin/env python3
"""Runs the demo's DEMO profile through the bridge where SAP's NetWeaver library
cannot be loaded, and checks the diagnosis an administrator gets: error 1011, exit 2,
and an error block in Dev_Rfc.Trc that names the library, where it was looked for and
the loader's reason; in trace mode, the line that names the RFC library says that
SAP's library is not loaded and why in a few words.

  --program   the sensor (korvanel, or Korvanel.exe with --wine)
  --bridge    a folder holding the bridge's librfc32.so (librfc32.dll) and no
              NetWeaver library
  --work      where the demo's drive is laid out
  --broken    also place a libsapnwrfc.so (sapnwrfc.dll) there that needs a library
              nobody has (this file is built by the test: on Windows it needs SAP's
              companion libsapucum.dll), and expect the missing companion named
  --other-width  (with --wine) place a sapnwrfc.dll of the other width there and
              expect Windows error 193 explained
  --wine PREFIX, --wine-loader LOADER   run the Windows build under wine: the program
              copied to C:\\route, the bridge where it looks (C:\\route\\x64 for
              Korvanel64.exe), Windows' own loader diagnosis
"""
import argparse
import os
import shutil
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from scenario_runner import (library_folder, point_drives, run_to_files, use_wine_loader, wine,  # noqa: E402
                             wine_environment)


def windows_expectations(args, route):
    """What the trace must say on Windows, the bridge being in ROUTE (a Windows path ending in a backslash)."""
    if args.broken:
        return ["sapnwrfc.dll could not be loaded", route + "sapnwrfc.dll (beside librfc32.dll)", "Windows error 126",
                "missing beside it: libsapucum.dll, libicudecnumber.dll, icuuc*.dll, icuin*.dll, icudt*.dll",
                "Visual C++ runtime"]
    if args.other_width:
        return ["sapnwrfc.dll could not be loaded", route + "sapnwrfc.dll (beside librfc32.dll)", "Windows error 193",
                "-bit DLL: it fits the ", " needs SAP's "]
    return ["sapnwrfc.dll not found", route + "sapnwrfc.dll (beside librfc32.dll), then the DLL search path",
            "Windows error 126"]


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--program", required=True)
    parser.add_argument("--bridge", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--source", required=True, help="the source tree (for the demo's files)")
    parser.add_argument("--broken", metavar="LIBRARY", help="a libsapnwrfc.so whose companion is missing")
    parser.add_argument("--other-width", metavar="DLL", help="a sapnwrfc.dll of the other width (with --wine)")
    parser.add_argument("--wine", metavar="PREFIX", help="run the Windows build under wine with this prefix")
    parser.add_argument("--wine-loader", metavar="LOADER", help="start wine runs with LOADER instead of \"wine\"")
    args = parser.parse_args()
    use_wine_loader(args.wine_loader)

    root = os.path.abspath(args.work)
    shutil.rmtree(root, ignore_errors=True)
    shutil.copytree(os.path.join(args.source, "demo", "drives"), root)
    cwd = os.path.join(root, "C", "PRTG")
    if args.wine:
        # The same sensor in C:\\route, the bridge where it looks for its librfc32.dll
        # (beside Korvanel.exe, in x64\\ beside Korvanel64.exe).
        program = os.path.join(root, "C", "route", os.path.basename(args.program))
        libraries = library_folder(program)
        os.makedirs(libraries)
        shutil.copy(os.path.join(args.bridge, "librfc32.dll"), libraries)
        shutil.copy(os.path.abspath(args.program), program)
        if args.broken or args.other_width:
            shutil.copy(args.broken or args.other_width, os.path.join(libraries, "sapnwrfc.dll"))
        point_drives(os.path.abspath(args.wine), root)
        environment = wine_environment(os.path.abspath(args.wine))

        def run(*arguments):
            return run_to_files(wine(program, *arguments), cwd, environment)
        windows_route = "C:\\" + os.path.relpath(libraries, os.path.join(root, "C")).replace(os.sep, "\\") + "\\"
        library, netweaver = windows_route + "librfc32.dll", "sapnwrfc.dll"
    else:
        route = os.path.join(root, "route")
        os.makedirs(route)
        shutil.copy(os.path.join(args.bridge, "librfc32.so"), route)
        if args.broken:
            shutil.copy(args.broken, os.path.join(route, "libsapnwrfc.so"))
        env = dict(os.environ)
        env["KORVANEL_DRIVE_ROOT"] = root
        env["LD_LIBRARY_PATH"] = route

        def run(*arguments):
            return subprocess.run([os.path.abspath(args.program)] + list(arguments), cwd=cwd, env=env,
                                  capture_output=True, timeout=60)
        library, netweaver = os.path.join(route, "librfc32.so"), "libsapnwrfc.so"
    result = run("DEMO")
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
    wanted = ["**** ERROR file opened at ", "RFC bridge, sapnwrfc not loaded", "<* RfcOpen [0] : returns 0"]
    if args.wine:
        wanted += windows_expectations(args, windows_route)
    elif args.broken:
        wanted += ["======> libsapnwrfc.so could not be loaded", "libsapnwrfc_missing_companion.so"]
    else:
        wanted += ["======> libsapnwrfc.so not found", "then the loader's search path"]
    if not args.wine:
        wanted.append(os.path.join(route, "libsapnwrfc.so"))
    for text in wanted:
        if text not in trace:
            failures.append("Dev_Rfc.Trc lacks %r" % text)
    if "%1" in trace:
        failures.append("Dev_Rfc.Trc shows Windows' insert %1 instead of the library's name")
    reason = netweaver + (" could not be loaded" if args.broken or args.other_width else " not found")
    line = ("* RFC library......: %s, RFC bridge, sapnwrfc not loaded: %s, see Dev_Rfc.Trc\n" % (library, reason)).encode()
    traced = run("DEMO", "#")
    if line.lower() not in traced.stdout.lower() or not traced.stdout.endswith(expected):
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
