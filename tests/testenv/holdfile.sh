#!/usr/bin/env bash
# holdfile on the virtual machine: while it holds a file, other programs may read it but
# cannot overwrite, delete or replace it (Wine enforces the share mode as Windows does);
# after the stop file, or after its time, all of that works again.
source "$(dirname "$0")/../lib/bb.sh"

bb_machine tools-holdfile
bb_put "$BB_TREE/testenv/holdfile.exe" "$BB_TREE/tests/testenv/fileprobe.exe" TOOLS
mkdir -p "$BB_C/T"
printf 'original' >"$BB_C/T/held.txt"
printf 'newer' >"$BB_C/T/new.txt"
out=$(mktemp)

# probe ARGS...: one file access by another program; OUT its output, RC its exit status.
probe() {
    RC=0
    OUT=$("$BB_MACHINE" run "$BB_M" --timeout 60 -- 'C:\TOOLS\fileprobe.exe' "$@") || RC=$?
}

# hold PATH [SECONDS]: holdfile in the background; returns once it says it holds the file
# (false when it ended or never said so).
hold() {
    : >"$out"
    "$BB_MACHINE" run "$BB_M" --timeout 120 -- 'C:\TOOLS\holdfile.exe' "$@" >"$out" &
    holder=$!
    local i
    for ((i = 0; i < 600; i++)); do
        grep -q '^holding ' "$out" && return 0
        kill -0 "$holder" 2>/dev/null || return 1
        sleep 0.1
    done
    return 1
}

# --- held ---------------------------------------------------------------------------------
check "holdfile holds the file" hold 'C:\T\held.txt'
expect_eq "it says so" 'holding C:\T\held.txt' "$(head -n 1 "$out")"
probe read 'C:\T\held.txt'
expect_eq "others may read it" "0 original
ok" "$RC $OUT"
probe write 'C:\T\held.txt' overwritten
expect_eq "overwriting fails with a sharing violation" "1 error 32" "$RC $OUT"
probe delete 'C:\T\held.txt'
expect_eq "deleting fails with a sharing violation" "1 error 32" "$RC $OUT"
probe replace 'C:\T\new.txt' 'C:\T\held.txt'
expect_eq "replacing it fails" 1 "$RC"
expect_file_bytes "held file unchanged" "$BB_C/T/held.txt" 'original'
expect_file_bytes "replacement still there" "$BB_C/T/new.txt" 'newer'
check "holdfile still running" kill -0 "$holder"

# --- released by the stop file --------------------------------------------------------
touch "$BB_C/T/held.txt.stop"
rc=0
wait "$holder" || rc=$?
expect_eq "holdfile ends with 0 on the stop file" 0 "$rc"
expect_eq "it says it released the file" 'holding C:\T\held.txt
released C:\T\held.txt' "$(cat "$out")"
check "stop file removed" test ! -e "$BB_C/T/held.txt.stop"
probe write 'C:\T\held.txt' overwritten
expect_eq "overwriting works again" "0 ok" "$RC $OUT"
expect_file_bytes "overwritten" "$BB_C/T/held.txt" 'overwritten'
probe replace 'C:\T\new.txt' 'C:\T\held.txt'
expect_eq "replacing works again" "0 ok" "$RC $OUT"
expect_file_bytes "replaced" "$BB_C/T/held.txt" 'newer'
probe delete 'C:\T\held.txt'
expect_eq "deleting works again" "0 ok" "$RC $OUT"
check "deleted" test ! -e "$BB_C/T/held.txt"

# --- released when the time is up -------------------------------------------------------
printf 'short' >"$BB_C/T/short.txt"
check "holds for a given time" hold 'C:\T\short.txt' 1
rc=0
wait "$holder" || rc=$?
expect_eq "ends with 0 by itself" "0 released C:\T\short.txt" "$rc $(tail -n 1 "$out")"
probe delete 'C:\T\short.txt'
expect_eq "free after its time" "0 ok" "$RC $OUT"

# --- refusals ----------------------------------------------------------------------------
rc=0
"$BB_MACHINE" run "$BB_M" --timeout 60 -- 'C:\TOOLS\holdfile.exe' 'C:\T\missing.txt' >"$out" 2>/dev/null || rc=$?
expect_eq "missing file: exit 1, nothing held" "1 " "$rc $(cat "$out")"
rc=0
"$BB_MACHINE" run "$BB_M" --timeout 60 -- 'C:\TOOLS\holdfile.exe' 'C:\T\x' ten >/dev/null 2>&1 || rc=$?
expect_eq "bad seconds: usage" 2 "$rc"

rm -f "$out"
bb_done
