#!/usr/bin/env python3
"""Packs the release zip Korvanel-<version>.zip from the two Windows builds and the guide.

Layout, all below the folder Korvanel-<version>/:
  Korvanel.exe, korvanel-password.exe   the 32-bit programs, stripped of debugging data
  Korvanel64.exe                        the 64-bit sensor, which finds its librfc32.dll
                                        in the folder x64 beside itself
  README.txt                            what is in the zip and installing in short
  docs/                                 the administrator's guide with its examples
  standin-for-trials/                   the stand-in librfc32.dll with its README.txt and
                                        the demo's landscape, profiles and listings
  standin-for-trials/nwrfc/             the stand-in sapnwrfc.dll (for SAP's NetWeaver
                                        library, behind the bridge) with its README.txt
  rfc-bridge/                           the bridge librfc32.dll (on SAP's NetWeaver RFC
                                        library) with its README.txt
  standin-for-trials/x64/, standin-for-trials/nwrfc/x64/, rfc-bridge/x64/
                                        the same libraries in 64 bits, in a folder x64 as
                                        Korvanel64.exe looks for them
The stand-ins lie in folders of their own so that unpacking the zip beside SAP's DLLs
never puts one in the place of SAP's; the bridge's folder holds no sapnwrfc.dll, so
copying rfc-bridge/ onto a probe never brings the NetWeaver stand-in along. The password
tool ships in 32 bits alone: it loads no SAP library, and a 32-bit program runs on every
64-bit Windows. Entries are sorted and dated 1980-01-01, so the same inputs give the same
zip. Texts meant for Notepad get CR LF line ends.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

# Each width's binaries, stripped by its own toolchain's strip.
I386, AMD64 = 0x014C, 0x8664
STRIP = {I386: "i686-w64-mingw32-strip", AMD64: "x86_64-w64-mingw32-strip"}
ZIP_DATE = (1980, 1, 1, 0, 0, 0)
STANDIN_FOLDER = "standin-for-trials"
NWRFC_STANDIN_FOLDER = STANDIN_FOLDER + "/nwrfc"
BRIDGE_FOLDER = "rfc-bridge"
# The folder, beside Korvanel64.exe and in each library folder of the zip, that holds
# the 64-bit libraries.
X64_FOLDER = "x64"
DEMO_FILES = ("SapLandscape.txt", "DEMO.P00", "ORA.P00", "LCK.P00", "SAP Wendmark.Gbl", "Wendmark.Prf")


def program_version(source_dir):
    """The version of the sensor's banner ("Vers 4.3 / ..." gives "4.3")."""
    with open(os.path.join(source_dir, "core", "program_identity.h"), encoding="latin-1") as f:
        match = re.search(r'version_text = "Vers ([0-9][0-9.]*)', f.read())
    if not match:
        raise SystemExit("no version text in core/program_identity.h")
    return match.group(1)


def with_crlf(data):
    return data.replace(b"\r\n", b"\n").replace(b"\n", b"\r\n")


def pe_machine(data):
    """The machine a Windows binary's bytes are built for (I386, AMD64), None if not one."""
    if data[:2] != b"MZ" or len(data) < 0x40:
        return None
    header = int.from_bytes(data[0x3C:0x40], "little")
    if data[header:header + 4] != b"PE\0\0":
        return None
    return int.from_bytes(data[header + 4:header + 6], "little")


def stripped(path, machine, scratch):
    """The bytes of a Windows binary for MACHINE without its debugging data."""
    target = os.path.join(scratch, "%x-%s" % (machine, os.path.basename(path)))
    original = read(path)
    if pe_machine(original) != machine:
        raise SystemExit("%s is not built for the machine 0x%x its place in the zip demands" % (path, machine))
    header = int.from_bytes(original[0x3C:0x40], "little")
    subprocess.run([STRIP[machine], "-o", target, path], check=True)
    with open(target, "rb") as f:
        data = bytearray(f.read())
    # strip stamps the PE header with the current time; the link time of the input is
    # kept instead, so the same build always gives the same zip.
    stamp = header + 8
    data[stamp:stamp + 4] = original[stamp:stamp + 4]
    checksum_at = stamp - 8 + 24 + 64  # the optional header's CheckSum field
    data[checksum_at:checksum_at + 4] = pe_checksum(data, checksum_at).to_bytes(4, "little")
    return bytes(data)


def pe_checksum(data, checksum_at):
    """The PE image checksum: 16-bit words summed with carries folded, the CheckSum
    field itself counted as zero, plus the file length."""
    padded = bytes(data) + b"\0" * (len(data) % 2)
    total = 0
    for i in range(0, len(padded), 2):
        if checksum_at <= i < checksum_at + 4:
            continue
        total += padded[i] | (padded[i + 1] << 8)
        total = (total & 0xFFFF) + (total >> 16)
    total = (total & 0xFFFF) + (total >> 16)
    return (total + len(data)) & 0xFFFFFFFF


def read(path):
    with open(path, "rb") as f:
        return f.read()


# The zip's programs and libraries: its name for each, the width's build that has it
# (32 or 64) and the build's name for it.
BINARIES = (
    ("Korvanel.exe", 32, "Korvanel.exe"),
    ("korvanel-password.exe", 32, "korvanel-password.exe"),
    (STANDIN_FOLDER + "/librfc32.dll", 32, "librfc32.dll"),
    (NWRFC_STANDIN_FOLDER + "/sapnwrfc.dll", 32, "nwrfc-standin/sapnwrfc.dll"),
    (BRIDGE_FOLDER + "/librfc32.dll", 32, "bridge/librfc32.dll"),
    ("Korvanel64.exe", 64, "Korvanel64.exe"),
    (STANDIN_FOLDER + "/" + X64_FOLDER + "/librfc32.dll", 64, "librfc32.dll"),
    (NWRFC_STANDIN_FOLDER + "/" + X64_FOLDER + "/sapnwrfc.dll", 64, "nwrfc-standin/sapnwrfc.dll"),
    (BRIDGE_FOLDER + "/" + X64_FOLDER + "/librfc32.dll", 64, "bridge/librfc32.dll"),
)
MACHINES = {32: I386, 64: AMD64}


def release_entries(source_dir, build_dirs, version, scratch):
    """The zip's files as (name below the top folder, bytes, executable); BUILD_DIRS maps
    32 and 64 to the Windows build trees of that width."""
    entries = [(name, stripped(os.path.join(build_dirs[width], *built.split("/")), MACHINES[width], scratch), True)
               for name, width, built in BINARIES]
    return sorted(entries + text_entries(source_dir, version))


def text_entries(source_dir, version):
    """The zip's texts (READMEs, the demo's files, the guide) as (name, bytes, False)."""
    entries = [
        ("README.txt", with_crlf(read(os.path.join(source_dir, "docs", "release", "README.txt"))
                                 .replace(b"@VERSION@", version.encode())), False),
        (STANDIN_FOLDER + "/README.txt",
         with_crlf(read(os.path.join(source_dir, "docs", "release", "standin-for-trials.txt"))), False),
        (NWRFC_STANDIN_FOLDER + "/README.txt",
         with_crlf(read(os.path.join(source_dir, "docs", "release", "nwrfc-standin.txt"))), False),
        (BRIDGE_FOLDER + "/README.txt", with_crlf(read(os.path.join(source_dir, "docs", "release", "rfc-bridge.txt"))),
         False),
    ]
    demo_dir = os.path.join(source_dir, "demo", "drives", "C", "PRTG")
    for name in DEMO_FILES:
        entries.append((STANDIN_FOLDER + "/" + name, with_crlf(read(os.path.join(demo_dir, name))), False))
    docs_dir = os.path.join(source_dir, "docs")
    for directory, dirs, names in os.walk(docs_dir):
        dirs[:] = [d for d in dirs if os.path.join(directory, d) != os.path.join(docs_dir, "release")]
        for name in names:
            path = os.path.join(directory, name)
            # The examples stay byte for byte as the tests ran them.
            entries.append((os.path.relpath(path, source_dir).replace(os.sep, "/"), read(path), False))
    return entries


def build_release(source_dir, win32_dir, win64_dir, out_dir):
    """Writes OUT_DIR/Korvanel-<version>.zip from the two Windows builds and returns its path."""
    version = program_version(source_dir)
    top = "Korvanel-%s" % version
    os.makedirs(out_dir, exist_ok=True)
    zip_path = os.path.join(out_dir, top + ".zip")
    scratch = tempfile.mkdtemp(prefix="korvanel-release-")
    try:
        entries = release_entries(source_dir, {32: win32_dir, 64: win64_dir}, version, scratch)
        partial = zip_path + ".partial"
        with zipfile.ZipFile(partial, "w", zipfile.ZIP_DEFLATED) as archive:
            for name, data, executable in entries:
                info = zipfile.ZipInfo(top + "/" + name, ZIP_DATE)
                info.compress_type = zipfile.ZIP_DEFLATED
                info.external_attr = (0o755 if executable else 0o644) << 16
                archive.writestr(info, data)
        os.replace(partial, zip_path)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    return zip_path


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--source", required=True, help="the source tree")
    parser.add_argument("--win32", required=True, help="the 32-bit Windows build tree (Korvanel.exe, librfc32.dll)")
    parser.add_argument("--win64", required=True, help="the 64-bit Windows build tree (Korvanel64.exe, librfc32.dll)")
    parser.add_argument("--out", required=True, help="where the zip is written")
    args = parser.parse_args()
    print(build_release(os.path.abspath(args.source), os.path.abspath(args.win32), os.path.abspath(args.win64),
                        os.path.abspath(args.out)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
