#!/usr/bin/env bash
# Checks what every start of the sensor (and of each child of a listing) pays before
# its first step, for the program and the libraries of ours it loads: none may need the
# C++ runtime library (a guarded local static is enough to make it needed, and binding
# it costs a start more than the rest of the loader's work), and no object of 64 KiB or
# more may be initialized data (a process reads such a table in, 64 KiB at a time,
# wherever it touches a neighbour; left zero, it costs nothing until it is used).
set -euo pipefail
status=0
for file in "$@"; do
  runtime=$(readelf -d "$file" | grep -oE 'NEEDED.*\[lib(stdc\+\+|gcc_s)[^]]*' || true)
  if [[ -n $runtime ]]; then
    echo "$file needs the C++ runtime library: ${runtime##*[}"
    status=1
  fi
  while read -r _ size type name; do
    if [[ $type == [dD] ]] && (( 16#$size >= 65536 )); then
      echo "$file holds $name ($((16#$size)) bytes) as initialized data"
      status=1
    fi
  done < <(nm -C -S "$file" | grep -E '^[0-9a-f]+ [0-9a-f]+ [dD] ' || true)
done
exit $status
