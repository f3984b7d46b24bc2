#!/usr/bin/env bash
# The test machine itself: which kind (32- or 64-bit Wine) a host gets and what
# testenv/machine doctor says about it, for both kinds whichever this host is.
source "$(dirname "$0")/../lib/bb.sh"

# doctor ARCH WINE TREE: machine doctor on a made-up host: ARCH for MORVISK_ARCH (auto: none),
# WINE ok|broken|only64 (loaders that run, fail, or no 32-bit one), TREE 014c|8664|none (the
# machine field of Morvisk.exe in both trees). Prints the exit code and what doctor said.
doctor() {
    local host status=0 loader dir rc=0 out chosen=()
    host=$(mktemp -d)
    mkdir -p "$host/wine" "$host/build"
    [ "$2" = broken ] && status=1
    for loader in wine wine64; do printf '#!/bin/sh\nexit %s\n' $status >"$host/wine/$loader"; done
    [ "$2" = only64 ] && rm "$host/wine/wine"
    chmod +x "$host/wine"/*
    for dir in i686 x86_64; do
        [ "$3" != none ] || continue
        mkdir -p "$host/build/$dir/bin"
        # MZ, e_lfanew 64 at offset 60, then the PE signature and the machine field.
        { printf 'MZ%058d' 0; printf '\x40\0\0\0PE\0\0'; printf "\\x${3:2:2}\\x${3:0:2}"; } \
            >"$host/build/$dir/bin/Morvisk.exe"
    done
    [ "$1" = auto ] || chosen=(MORVISK_ARCH="$1")
    out=$(env -u MORVISK_TREE -u MORVISK_ARCH "${chosen[@]}" MORVISK_WINE_DIR="$host/wine" \
        MORVISK_BUILD="$host/build" "$BB_MACHINE" doctor 2>&1) || rc=$?
    echo "$rc $(sed "s|$host|H|g; s/  */ /g" <<<"$out" | grep -v '^template' | paste -sd'|')"
    rm -rf "$host"
}
while IFS='|' read -r args want; do
    # shellcheck disable=SC2086
    expect_eq "doctor $args" "$want" "$(doctor $args)"
done <<'TABLE'
win32 ok 014c|0 arch win32 (from MORVISK_ARCH)|wine H/wine/wine|tree H/build/i686
win64 ok 8664|0 arch win64 (from MORVISK_ARCH)|wine H/wine/wine64|tree H/build/x86_64
auto only64 8664|0 arch win64|wine H/wine/wine64|tree H/build/x86_64
win64 ok 014c|1 arch win64 (from MORVISK_ARCH)|wine H/wine/wine64|tree H/build/x86_64|machine doctor: H/build/x86_64 holds programs of the other architecture than win64
win32 ok none|1 arch win32 (from MORVISK_ARCH)|wine H/wine/wine|tree H/build/i686|machine doctor: H/build/i686 is not built: run scripts/build
win32 broken 014c|1 arch win32 (from MORVISK_ARCH)|wine H/wine/wine|tree H/build/i686|machine doctor: H/wine/wine does not run here (a kernel without 32-bit code needs MORVISK_ARCH=win64)
win16 ok 014c|2 machine: unknown MORVISK_ARCH 'win16' (win32 or win64)
TABLE
check "this host's machine can be used" "$BB_MACHINE" doctor

bb_done
