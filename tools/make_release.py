#!/usr/bin/env python3
"""Packs the release zip Korvanel-<version>.zip from the Windows build and the guide.

Layout, all below the folder Korvanel-<version>/:
  Korvanel.exe, korvanel-password.exe   the programs, stripped of debugging data
  README.txt                            what is in the zip and installing in short
  docs/                                 the administrator's guide with its examples
  standin-for-trials/                   the stand-in librfc32.dll with its README.txt and
                                        the demo's landscape, profiles and listings
  standin-for-trials/nwrfc/             the stand-in sapnwrfc.dll (for SAP's NetWeaver
                                        library, behind the bridge) with its README.txt
  rfc-bridge/                           the bridge librfc32.dll (on SAP's NetWeaver RFC
                                        library) with its README.txt
The stand-ins lie in folders of their own so that unpacking the zip beside SAP's DLLs
never puts one in the place of SAP's; the bridge's folder holds no sapnwrfc.dll, so
copying rfc-bridge/ onto a probe never brings the NetWeaver stand-in along. Entries are sorted and dated 1980-01-01, so the
same inputs give the same zip. Texts meant for Notepad get CR LF line ends.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import zipfile

# The release is the 32-bit build; the 64-bit check build (tested under wine64 where
# 32-bit programs cannot start) packs the same way with its own toolchain's strip.
STRIP = {0x014C: "i686-w64-mingw32-strip", 0x8664: "x86_64-w64-mingw32-strip"}
ZIP_DATE = (1980, 1, 1, 0, 0, 0)
STANDIN_FOLDER = "standin-for-trials"
NWRFC_STANDIN_FOLDER = STANDIN_FOLDER + "/nwrfc"
BRIDGE_FOLDER = "rfc-bridge"
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


def stripped(path, scratch):
    """The bytes of a Windows binary without its debugging data."""
    target = os.path.join(scratch, os.path.basename(path))
    original = read(path)
    header = int.from_bytes(original[0x3C:0x40], "little")
    machine = int.from_bytes(original[header + 4:header + 6], "little")
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


# The zip's programs and libraries: its name for each, and where the Windows build has it.
BINARIES = (
    ("Korvanel.exe", "Korvanel.exe"),
    ("korvanel-password.exe", "korvanel-password.exe"),
    (STANDIN_FOLDER + "/librfc32.dll", "librfc32.dll"),
    (NWRFC_STANDIN_FOLDER + "/sapnwrfc.dll", "nwrfc-standin/sapnwrfc.dll"),
    (BRIDGE_FOLDER + "/librfc32.dll", "bridge/librfc32.dll"),
)


def release_entries(source_dir, win32_dir, version, scratch):
    """The zip's files as (name below the top folder, bytes, executable)."""
    entries = [(name, stripped(os.path.join(win32_dir, *built.split("/")), scratch), True) for name, built in BINARIES]
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


def build_release(source_dir, win32_dir, out_dir):
    """Writes OUT_DIR/Korvanel-<version>.zip and returns its path."""
    version = program_version(source_dir)
    top = "Korvanel-%s" % version
    os.makedirs(out_dir, exist_ok=True)
    zip_path = os.path.join(out_dir, top + ".zip")
    scratch = tempfile.mkdtemp(prefix="korvanel-release-")
    try:
        entries = release_entries(source_dir, win32_dir, version, scratch)
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
    parser.add_argument("--win32", required=True, help="the Windows build tree (Korvanel.exe, librfc32.dll)")
    parser.add_argument("--out", required=True, help="where the zip is written")
    args = parser.parse_args()
    print(build_release(os.path.abspath(args.source), os.path.abspath(args.win32), os.path.abspath(args.out)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
