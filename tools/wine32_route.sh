#!/usr/bin/env bash
# How the tests run the 32-bit Windows programs: with the machine's own 32-bit wine where
# the kernel runs 32-bit code, else with wine's i386 loader under qemu-i386 (user-mode
# emulation) through a binfmt_misc entry that only this command's user and mount
# namespace sees, so nothing on the machine changes. Everything else of wine (the
# wineserver, the 64-bit half) stays native.
#
#   wine32_route.sh prepare DIR   decides the route and prints it as one line:
#                                 "native", "qemu", or "none: <reason>"; for "qemu" it
#                                 leaves the static qemu-i386 in DIR (taken from Debian's
#                                 backports suite through an apt configuration of DIR's own)
#   wine32_route.sh run DIR CMD.. runs CMD inside the namespace with the entry registered
#                                 (after "prepare" said "qemu"); exits with CMD's status
set -euo pipefail

# Debian ships qemu 10 in bookworm-backports; bookworm's own 7.2 also runs wine but
# spends about a minute of processor time on each process start.
backports_source="deb [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] http://deb.debian.org/debian bookworm-backports main"
# qemu's own binfmt description of i386 ELF programs (executables and shared objects).
i386_magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
i386_mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
entry_name=korvanel-i386

# The private apt configuration: its own sources, lists and cache below DIR; apt reads
# nothing of the machine's sources and installs nothing.
private_apt() {
    local dir=$1
    shift
    apt-get -o Dir::Etc::SourceList="$dir/apt/sources.list" -o Dir::Etc::SourceParts=/dev/null \
        -o Dir::State::Lists="$dir/apt/lists" -o Dir::Cache="$dir/apt/cache" \
        -o APT::Architecture=amd64 -o APT::Architectures::=amd64 -o APT::Sandbox::User=root "$@"
}

fetch_qemu() {
    local dir=$1
    [ -x "$dir/qemu-i386" ] && return 0
    mkdir -p "$dir/apt/lists/partial" "$dir/apt/cache/archives/partial" "$dir/download"
    echo "$backports_source" > "$dir/apt/sources.list"
    private_apt "$dir" update -qq >"$dir/apt/update.log" 2>&1 || return 1
    (cd "$dir/download" && private_apt "$dir" download -qq qemu-user) >"$dir/apt/download.log" 2>&1 || return 1
    # Only the static qemu-i386 is kept; the package itself is never installed.
    dpkg-deb --fsys-tarfile "$dir"/download/qemu-user_*.deb | tar -x -O ./usr/bin/qemu-i386 > "$dir/qemu-i386.part" || return 1
    chmod 755 "$dir/qemu-i386.part"
    mv "$dir/qemu-i386.part" "$dir/qemu-i386"
    rm -rf "$dir/download" "$dir/apt/cache"
}

# Runs "$@" inside a new user and mount namespace whose own binfmt_misc sends i386 ELF
# programs to DIR/qemu-i386 (flag F: the interpreter is opened once, at registration).
# Every user and group ID maps to itself, so that inside, as outside, root may act as
# any user (the tests run programs as an unprivileged user); the map is written from
# outside while the namespace's first process waits on a FIFO.
in_namespace() {
    local dir
    dir=$(cd "$1" && pwd)
    shift
    local gate
    gate=$(mktemp -u "${TMPDIR:-/tmp}/korvanel-wine32.XXXXXX")
    mkfifo "$gate"
    unshare --user --mount bash -c '
        set -e
        read -r _ < "$0"
        rm -f "$0"
        mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
        printf "%s" ":'"$entry_name"':M::'"$i386_magic"':'"$i386_mask"':'"$dir"'/qemu-i386:F" \
            > /proc/sys/fs/binfmt_misc/register
        exec "$@"' "$gate" "$@" &
    local inside=$!
    # The map can be written only once the process has entered its new namespace.
    local own_namespace
    own_namespace=$(readlink /proc/self/ns/user)
    while [ "$(readlink "/proc/$inside/ns/user" 2>/dev/null)" = "$own_namespace" ]; do
        sleep 0.01
    done
    if ! { echo "0 0 4294967295" > "/proc/$inside/uid_map" && echo "0 0 4294967295" > "/proc/$inside/gid_map"; }; then
        kill "$inside" 2>/dev/null
        rm -f "$gate"
        return 1
    fi
    echo > "$gate"
    local status=0
    wait "$inside" || status=$?
    return "$status"
}

prepare() {
    mkdir -p "$1"
    local dir
    dir=$(cd "$1" && pwd)
    if wine --version >/dev/null 2>&1; then
        echo native
        return 0
    fi
    local release
    release=$(uname -r)
    local major=${release%%.*} rest=${release#*.}
    local minor=${rest%%[!0-9]*}
    if [ "$major" -lt 6 ] || { [ "$major" -eq 6 ] && [ "$minor" -lt 7 ]; }; then
        echo "none: this kernel ($release) runs no 32-bit programs and is older than 6.7, which gives a user namespace a binfmt_misc of its own"
        return 0
    fi
    if ! fetch_qemu "$dir"; then
        echo "none: this kernel runs no 32-bit programs and qemu-user could not be fetched from Debian's bookworm-backports: $(tail -n 1 "$dir"/apt/*.log 2>/dev/null | tr '\n' ' ')"
        return 0
    fi
    local problem
    if ! problem=$(in_namespace "$dir" wine --version 2>&1); then
        echo "none: this kernel runs no 32-bit programs and wine under qemu-i386 in a private binfmt_misc did not start: $(echo "$problem" | tail -n 2 | tr '\n' ' ')"
        return 0
    fi
    echo qemu
}

case "${1:-}" in
prepare) prepare "$2" ;;
run)
    dir=$2
    shift 2
    in_namespace "$dir" "$@"
    ;;
*)
    sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'
    exit 2
    ;;
esac
