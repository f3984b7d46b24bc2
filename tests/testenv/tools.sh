#!/usr/bin/env bash
# The test tools on the virtual machine. The UI driver reads a dialog of ours as it is and
# its actions reach the program as a user's would; holdfile holds a file so that another
# program cannot write it, until its stop file appears.
source "$(dirname "$0")/../lib/bb.sh"

bb_machine tools
bb_put "$BB_TREE/testenv/uidriver.exe" "$BB_TREE/testenv/holdfile.exe" \
    "$BB_TREE/tests/testenv/dlgprobe.exe" "$BB_TREE/tests/testenv/fileprobe.exe" TOOLS
has() { grep -qE -- "$1" <<<"$OUT"; }

# --- UI driver ------------------------------------------------------------------------------
bb_display
export DISPLAY=$BB_DISPLAY
"$BB_MACHINE" start "$BB_M" --desktop 640x480 -- 'C:\TOOLS\dlgprobe.exe' 'C:\probe.txt' >/dev/null
title=(--title "Driver Test")
bb_drive dump "${title[@]}"
check "dump: window, states, combo, list rows" has '^window 0x[0-9A-F]+ #32770 "Driver Test" .* visible=1 enabled=1 .*defid=1001 '
check "  check box checked" has '^control 1005 Button "English" type=autocheckbox visible=1 enabled=1 checked=1 '
check "  disabled button" has '^control 1002 Button "Disabled" type=pushbutton visible=1 enabled=0 '
check "  combo selection" has '^control 1000 ComboBox "3" type=dropdownlist .* items=4 selected=3$'
check "  list row" has '^row 1003 1 "zvUSB.sys" "2.0.3.1" selected=0 focused=0$'
bb_drive click "${title[@]}" 1002
expect_eq "a disabled button is refused" 4 "$RC"
bb_drive settext "${title[@]}" 1010 'new "name"'
bb_drive select "${title[@]}" 1000 1
bb_drive select "${title[@]}" 1003 1
bb_drive click "${title[@]}" 1005
bb_drive click "${title[@]}" 1001 --exit
expect_eq "Go ends the program with its exit code" "clicked 1001
exit 11" "$OUT"
expect_eq "the program saw the user's changes" \
    'name=new "name" english=0 choice=1 name_changes=1 selected_file=1' \
    "$(tr -d '\r' <"$BB_C/probe.txt" 2>/dev/null)"

# --- holdfile -----------------------------------------------------------------------------
mkdir -p "$BB_C/T"
printf 'original' >"$BB_C/T/held.txt"
write() { "$BB_MACHINE" run "$BB_M" --timeout 60 -- 'C:\TOOLS\fileprobe.exe' 'C:\T\held.txt' "$1" | tr -d '\r'; }
held=$(mktemp)
"$BB_MACHINE" run "$BB_M" --timeout 120 -- 'C:\TOOLS\holdfile.exe' 'C:\T\held.txt' >"$held" &
holder=$!
wait_until 60 grep -q '^holding ' "$held"
expect_eq "while held, writing fails with a sharing violation" "error 32" "$(write overwritten)"
touch "$BB_C/T/held.txt.stop"
rc=0
wait "$holder" || rc=$?
expect_eq "the stop file ends holdfile with 0" 0 "$rc"
expect_eq "then writing works" "ok|overwritten" "$(write overwritten)|$(cat "$BB_C/T/held.txt")"
rm -f "$held"

bb_done
