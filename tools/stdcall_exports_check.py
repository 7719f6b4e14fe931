#!/usr/bin/env python3
"""Holds the __stdcall names of the 32-bit stand-in DLLs against the hand-written table
of SAP's documented argument sizes (core/stdcall_argument_bytes.h).

The compiler decorates each exported function "Name@N" from the declaration it was
compiled with, and the program and the bridge are compiled from the same declarations:
a declaration with one argument of the wrong size would change caller and callee alike.
The decorated exports show what the declarations really say; the table says what SAP
documents. Every decorated export must carry the table's N, every plain export the
table knows must have its decorated twin, and each DLL must export the functions it
is named with (--expect librfc32 or sapnwrfc).

Usage: stdcall_exports_check.py --table core/stdcall_argument_bytes.h
           --dll build/win32/librfc32.dll:librfc32 --dll build/win32/nwrfc-standin/sapnwrfc.dll:sapnwrfc
"""
import argparse
import re
import subprocess
import sys

CLASSIC = ["RfcEnvironment", "RfcOpen", "RfcOpenEx", "RfcInstallStructure", "RfcCall", "RfcReceive",
           "RfcLastError", "RfcLastErrorEx", "RfcClose", "ItCreate", "ItDelete", "ItFill", "ItGetLine"]


def read_table(path):
    """The table's entries, name -> bytes."""
    table = {}
    for name, size in re.findall(r'\{"(\w+)",\s*(\d+)\}', open(path, encoding="utf-8").read()):
        table[name] = int(size)
    return table


def exported_names(dll, objdump):
    listing = subprocess.run([objdump, "-p", dll], check=True, capture_output=True, text=True).stdout
    section = listing.split("[Ordinal/Name Pointer] Table", 1)
    if len(section) < 2:
        return []
    names = []
    for line in section[1].splitlines()[1:]:
        found = re.match(r"\s*\[\s*\d+\]\s+(\S+)\s*$", line)
        if not found:
            break
        names.append(found.group(1))
    return names


def check(dll, kind, table, objdump):
    problems = []
    names = exported_names(dll, objdump)
    plain = {name for name in names if "@" not in name}
    decorated = {}
    for name in names:
        if "@" in name:
            base, size = name.lstrip("_").rsplit("@", 1)
            decorated[base] = int(size)
    for base, size in sorted(decorated.items()):
        if base not in table:
            problems.append("%s exports %s@%d, which the table of SAP's functions lacks" % (dll, base, size))
        elif table[base] != size:
            problems.append("%s exports %s@%d: SAP documents %d argument bytes" % (dll, base, size, table[base]))
    for name in sorted(plain):
        if name in table and name not in decorated:
            problems.append("%s exports %s without its __stdcall name to hold against the table" % (dll, name))
    if kind == "librfc32":
        expected = CLASSIC
    else:
        expected = [name for name in table if name not in CLASSIC and name in plain]
        if len(expected) < 30:
            problems.append("%s exports only %d NetWeaver functions" % (dll, len(expected)))
    for name in expected:
        if name not in plain or name not in decorated:
            problems.append("%s lacks %s or its __stdcall name" % (dll, name))
    return problems, len(decorated)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--table", required=True)
    parser.add_argument("--dll", action="append", required=True, metavar="PATH:KIND")
    parser.add_argument("--objdump", default="i686-w64-mingw32-objdump")
    args = parser.parse_args()
    table = read_table(args.table)
    problems = []
    for item in args.dll:
        path, kind = item.rsplit(":", 1)
        found, count = check(path, kind, table, args.objdump)
        problems += found
        print("%s: %d __stdcall exports held against the table" % (path, count))
    for problem in problems:
        print("FAIL: " + problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
