#!/usr/bin/env bash
# Runs that meet work left for the restart by an earlier run, or another copy changing the
# machine; across the restart (WININIT.INI and RunOnce performed). One row a scenario, each on
# a copy of a prepared Windows 98 machine (nothing, or the older or current package installed):
#   part name | machine | held during the first run | first run | second run | expected machine
# The rows of one part (the script's argument) run in one go: ctest runs the parts side by side.
# held: FILE (others may read it), !FILE (no one may), LOCK (another copy's lock; the first
# run must wait for it, and the "meanwhile" file then appears in the system folder).
# A run is "RC PACKAGE ARGS...": the package laid out first ("-": as it is). A run ending with
# 5 leaves WININIT.INI and RunOnce as it found them. A note before [Rename] stays byte for byte.
source "$(dirname "$0")/../lib/bb.sh"
source "$BB_SOURCE/tests/acceptance/lib.sh"
source "$BB_SOURCE/tests/faultsweep/lib.sh"

note=$'[Other]\r\nnote=see [Rename] below\r\n\r\n[Rename]\r\n'
rows=(
    "1 csp-update-then-uninstall|older|zvCSP.dll|1 current /Q /NORB|1 - /Q /U /NORB|removed"
    "1 unreadable-module|older|!zvAPI.dll|1 current /Q /NORB|-|installed"
    "2 api-removal-then-install|current|zvAPI.dll|1 - /Q /U /NORB|1 - /Q /NORB|installed"
    "2 failed-run-keeps-pending|current|zvCSP.dll|1 - /Q /U /NORB|5 golden_iccsp_refused /Q /NORB|removed"
    "3 note-before-rename|current+note|zvAPI.dll|1 - /Q /U /NORB|-|removed"
    "3 second-copy-waits|none|LOCK|0 older /Q /NORB /LOG|-|refused"
    "3 second-copy-gives-up|none|LOCK|5 current /Q /NORB /LOG|-|untouched"
)

machine_of() { echo "restart$part-$1"; }
prepare() {
    bb_machine "$(machine_of "$1")"
    bb_package "${1%+note}"
    [ "$1" = none ] || { bb_morvisk /Q /NORB; "$BB_MACHINE" restart "$BB_M"; }
    cp "$BB_TREE/bin/Morvisk_faults.exe" "$BB_TREE/testenv/holdfile.exe" "$BB_C/PKG/"
    "$BB_MACHINE" stop "$BB_M"
}
# The file a holder holds, or the stop file's place for the lock.
held_path() { [ "$1" = LOCK ] && echo 'PKG/lock' || echo "${ACC_TARGET[${1#!}]}"; }
hold() {
    local path out=$ACC_TMP/hold-$name-${1#!} args=()
    path=$(held_path "$1")
    case $1 in
    LOCK) args=(--mutex "$LOCK_NAME") ;;
    !*) args=(--exclusive) ;;
    esac
    "$BB_MACHINE" run "$BB_M" --timeout 120 -- 'C:\PKG\holdfile.exe' "${args[@]}" \
        "C:\\${path//\//\\}" >"$out" &
    wait_until 20 grep -q holding "$out" || bb_fail "$name: holdfile could not hold $1"
}
release() {
    local file
    for file in $held; do touch "$BB_C/$(held_path "$file").stop"; done
    for file in $held; do
        wait_until 20 grep -q released "$ACC_TMP/hold-$name-${file#!}" || bb_fail "$name: $file stays held"
    done
}
pending() { cat "$BB_C/windows/WININIT.INI" 2>/dev/null; acc_key "$ACC_RUNONCE_KEY"; }
# run NAME "RC PACKAGE ARGS...": one run, its exit code checked.
run() {
    local rc package args before
    read -r rc package args <<<"$2"
    [ "$package" = - ] || { rm -rf "$BB_C"/PKG/zv*; cp -r "$BB_TREE/package/$package/." "$BB_C/PKG/"; }
    before=$(pending)
    # shellcheck disable=SC2086
    bb_morvisk $args
    expect_eq "$1: Morvisk $args ends with $rc" "$rc" "$BB_RC"
    [ "$rc" != 5 ] || expect_eq "$1: the failed run leaves the pending work as it was" "$before" "$(pending)"
}
LOCK_NAME='Zentavo drivers setup is changing the system {3F6A2C91-7B4E-4D58-9E07-C1B82D5A64F3}'
# The first run waits for the lock: started aside, and its log must say so before the machine
# changes under it; the faults build gives up after half a second.
run_waiting() {
    local rc package args log=$BB_C/PKG/Morvisk.Log exe=Morvisk.exe out=$ACC_TMP/run-$1
    read -r rc package args <<<"$2"
    [ "$package" = - ] || { rm -rf "$BB_C"/PKG/zv*; cp -r "$BB_TREE/package/$package/." "$BB_C/PKG/"; }
    [ "$rc" = 5 ] && exe=Morvisk_faults.exe log=$BB_C/PKG/Morvisk_faults.Log
    # shellcheck disable=SC2086
    (MORVISK_LOCK_WAIT_MS=500 DISPLAY= "$BB_MACHINE" run "$BB_M" --timeout 120 -- "C:\\PKG\\$exe" $args; echo $? >"$out") &
    check "$1: the run waits for the other copy" wait_until 30 grep -qs 'Waiting for it' "$log"
    cp "$BB_TREE/package/current/zvAPI.dll" "$BB_C/windows/system32/"
    # One that is to give up ends while the other copy still holds the lock.
    [ "$rc" = 5 ] && wait_until 60 test -s "$out"
    release
    wait_until 60 test -s "$out"
    expect_eq "$1: Morvisk $args ends with $rc" "$rc" "$(cat "$out")"
    [ "$rc" != 5 ] || check "$1: the log says another copy is still running" grep -q 'still running' "$log"
}
expect_refused() {
    check "$1: the newer module stays, nothing else is installed" test ! -e "$BB_C/windows/system32/drivers/zvIFDH.sys"
    expect_eq "$1: no COM registration" "" "$(acc_key "$ACC_REGISTERED_KEY" | grep '\\Registered\\')"
}
expect_untouched() { expect_refused "$@"; }
expect_installed() { acc_installed "$1" "$BB_TREE/package/current"; }
expect_removed() {
    acc_removed "$1"
    expect_eq "$1: no temporary copy, no RunOnce command left" "" \
        "$(cd "$BB_C/windows" && find . -iname '_zv*')$(acc_key "$ACC_RUNONCE_KEY" | grep '^"')"
}

part=$1
declare -A prepared=()
for row in "${rows[@]}"; do
    IFS='|' read -r name setup held first second expected <<<"$row"
    [ "${name%% *}" = "$part" ] || continue
    name=${name#* }
    [ -n "${prepared[${setup%+note}]:-}" ] || { prepare "${setup%+note}"; prepared[${setup%+note}]=1; }
    echo "--- $name"
    BB_M=$(machine_of "${setup%+note}")-$name
    fs_copy "$(machine_of "${setup%+note}")" "$BB_M"
    BB_MACHINES+=("$BB_M")
    BB_C=$("$BB_MACHINE" c "$BB_M")
    for file in $held; do hold "$file"; done
    if [ "$held" = LOCK ]; then
        run_waiting "$name" "$first"
    else
        # Written while the holders keep the machine up: a start would perform it at once.
        [ "$setup" = "${setup%+note}" ] || printf '%s' "$note" >"$BB_C/windows/WININIT.INI"
        run "$name" "$first"
        [ "$setup" = "${setup%+note}" ] ||
            check "$name: every byte before the Rename section stays" \
                cmp -n ${#note} <(printf '%s' "$note") "$BB_C/windows/WININIT.INI"
        release
        [ "$second" = - ] || run "$name" "$second"
        [ "$expected" != removed ] ||
            expect_eq "$name: no RunOnce command waits" "" "$(acc_key "$ACC_RUNONCE_KEY" | grep '^"')"
        "$BB_MACHINE" restart "$BB_M"
    fi
    "expect_$expected" "$name"
    "$BB_MACHINE" stop "$BB_M"
done
bb_done
