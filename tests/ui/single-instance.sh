#!/usr/bin/env bash
# One interactive copy at a time: a second interactive copy ends with 5 and brings the first
# copy's main dialog to the front; a quiet copy runs its flow, and its start also brings the
# first copy to the front. The first copy's hidden answering window is there. (The Russian
# texts are checked with the dialogs.)
source "$(dirname "$0")/../lib/bb.sh"

bb_machine ui-instance
bb_package
bb_put "$BB_TREE/testenv/uidriver.exe" "$BB_TREE/testenv/dialoghost.exe" TOOLS
bb_display
export DISPLAY=$BB_DISPLAY

drive() { bb_drive --lang ru "$@"; }
start() { "$BB_MACHINE" start "$BB_M" --lang ru --desktop 640x480 -- "$@" >/dev/null; }
# The title of the topmost visible window of the desktop.
topmost() {
    drive list
    sed -n 's/^window [^ ]* #32770 "\(.*\)" pid=.* visible=1 .*/\1/p' <<<"$OUT" | head -n 1
}
is_topmost() { [ "$(topmost)" = "$1" ]; }
# second_copy ARGS...: Morvisk started in the same desktop; prints its exit code.
second_copy() {
    rm -f "$BB_C/rc.txt"
    start 'C:\TOOLS\dialoghost.exe' en spawn 'C:\rc.txt' 'C:\PKG\Morvisk.exe' "$@"
    wait_until 60 test -s "$BB_C/rc.txt" && tr -d '\r\n' <"$BB_C/rc.txt"
}

main_title="Zentavo drivers setup" usage_title="Zentavo driver setup"
start 'C:\PKG\Morvisk.exe' /LE
drive wait --title "$main_title" --id 1001
expect_eq "the first copy shows its main dialog" 0 "$RC"
drive list --all
check "the first copy's hidden answering window" \
    grep -qE '^window 0x[0-9A-F]+ AllreadyLuanchedClassName "None" .* visible=0 ' <<<"$OUT"

# Another program's window covers the main dialog.
start 'C:\TOOLS\dialoghost.exe' en usage
drive wait --title "$usage_title" --id 1
check "another window is in front" is_topmost "$usage_title"
expect_eq "a second interactive copy ends with 5" 5 "$(second_copy /LE)"
check "the first copy's main dialog comes to the front" wait_until 20 is_topmost "$main_title"

# Covered again; a quiet copy does not stop, and still brings the first copy forward.
drive click --title "$usage_title" --id 1 1 --exit
start 'C:\TOOLS\dialoghost.exe' en usage
drive wait --title "$usage_title" --id 1
check "covered again" is_topmost "$usage_title"
quiet=$(second_copy /Q /NORB)
check "a quiet copy runs its install to the end (0 or 1, not 5): $quiet" grep -qx '[01]' <<<"$quiet"
check "the quiet copy's start brings the first copy forward" \
    wait_until 20 is_topmost "$main_title"
drive click --title "$usage_title" --id 1 1 --exit

drive click --title "$main_title" --id 1001 2 --exit
expect_eq "the first copy ends with Exit" "exit 0" "$(tail -n 1 <<<"$OUT")"

bb_done
