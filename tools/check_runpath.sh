#!/usr/bin/env bash
# Checks that the native program loads librfc32.so itself (dlopen, never a NEEDED entry,
# so that a library it cannot load gets an answer) and finds it through a RUNPATH
# ($ORIGIN), never an RPATH: a RUNPATH yields to LD_LIBRARY_PATH, so another librfc32
# found first by the loader takes the place of ours without a rebuild, as SAP's does.
set -euo pipefail
program=$1
dynamic=$(readelf -d "$program")
status=0
grep -q 'NEEDED.*\[librfc32\.so\]' <<<"$dynamic" && { echo "imports librfc32.so at load time"; status=1; }
grep -q '(RPATH)' <<<"$dynamic" && { echo "has an RPATH, which LD_LIBRARY_PATH cannot override"; status=1; }
grep -q '(RUNPATH).*\[\$ORIGIN' <<<"$dynamic" || { echo "has no RUNPATH beginning with \$ORIGIN"; status=1; }
exit $status
