#!/usr/bin/env bash
# The UI driver against a dialog of our own on the virtual machine's display: it finds the
# window, reports controls, states, list rows and combo items as they are, and its clicks,
# keys, texts and selections reach the program as a user's would (the program's exit code
# and its own report say what it saw).
source "$(dirname "$0")/../lib/bb.sh"

bb_machine tools-uidriver
bb_put "$BB_TREE/testenv/uidriver.exe" "$BB_TREE/tests/testenv/dlgprobe.exe" TOOLS
bb_display
export DISPLAY=$BB_DISPLAY
artefacts=$BB_TREE/artefacts
mkdir -p "$artefacts"
title=(--title "Driver Test")

# drive [--lang ru] ARGS...: runs the driver; OUT its stdout, RC its exit status.
drive() { bb_drive "$@"; }

# The dialog in the background, in a Wine desktop window as the product's GUI tests run.
start_probe() {
    rm -f "$BB_C/probe.txt"
    "$BB_MACHINE" start "$BB_M" --desktop 640x480 "$@" -- 'C:\TOOLS\dlgprobe.exe' 'C:\probe.txt' >/dev/null
}

has_line() { grep -qxF -- "$1" <<<"$OUT"; }

# shot NAME SELECTOR...: screenshot once the window is drawn; true when the window's area
# of the picture is mostly light (dialogs are light grey; undrawn windows come out black).
shot() {
    local file=$artefacts/$1.png
    shift
    drive paint "$@" || return 1
    drive wait "$@"
    local rect
    rect=$(sed -n 's/.* rect=\([-0-9,]*\) .*/\1/p' <<<"$OUT")
    bb_shot "$file"
    [ -n "$rect" ] && [ -f "$file" ] || return 1
    local left top right bottom
    IFS=, read -r left top right bottom <<<"$rect"
    local mean
    mean=$(convert "$file" -crop "$((right - left))x$((bottom - top))+$left+$top" \
        -colorspace Gray -format '%[fx:mean]' info: 2>/dev/null)
    awk -v m="${mean:-0}" 'BEGIN { exit !(m > 0.6) }'
}
has_match() { grep -qE -- "$1" <<<"$OUT"; }
lacks_match() { ! grep -qE -- "$1" <<<"$OUT"; }

# --- finding and reporting -------------------------------------------------------------
start_probe
drive wait "${title[@]}"
expect_eq "wait finds the dialog" 0 "$RC"
check "wait prints the window line" has_match '^window 0x[0-9A-F]+ #32770 "Driver Test" pid=[0-9]+ .* visible=1 enabled=1 .*defid=1001 '
drive list
check "list shows the dialog" has_match '^window 0x[0-9A-F]+ #32770 "Driver Test" '
check "list leaves hidden windows out" lacks_match ' visible=0 '
drive list --all
check "list --all shows hidden windows too" has_match '^window 0x[0-9A-F]+ .* visible=0 '
drive wait --class "#32770" --id 1003
check "found by class and control id" has_match '^window 0x[0-9A-F]+ #32770 "Driver Test" '

drive dump "${title[@]}"
dump=$OUT
expect_eq "dump runs" 0 "$RC"
expect_eq "controls in tab order" "1020 1005 1010 1015 1000 1003 1001 1004 1002 1008 2" \
    "$(grep '^control ' <<<"$dump" | cut -d' ' -f2 | tr '\n' ' ' | sed 's/ $//')"
check "check box checked" has_match '^control 1005 Button "English" type=autocheckbox visible=1 enabled=1 checked=1 '
check "edit text" has_match '^control 1010 Edit "hello" type=edit visible=1 enabled=1 '
check "number field" has_match '^control 1015 Edit "5" type=edit visible=1 enabled=1 '
number_style=$(sed -n 's/^control 1015 .* style=\(0x[0-9A-F]*\)$/\1/p' <<<"$dump")
check "number field takes digits only (ES_NUMBER)" test $((${number_style:-0} & 0x2000)) -ne 0
check "default button" has_match '^control 1001 Button "Go" type=defpushbutton visible=1 enabled=1 '
check "disabled button" has_match '^control 1002 Button "Disabled" type=pushbutton visible=1 enabled=0 '
check "hidden button" has_match '^control 1008 Button "Hidden" type=pushbutton visible=0 enabled=1 '
check "cancel button" has_match '^control 2 Button "Cancel" type=pushbutton visible=1 enabled=1 '
check "combo box with its selection" has_match '^control 1000 ComboBox "3" type=dropdownlist visible=1 enabled=1 style=0x[0-9A-F]+ items=6 selected=3$'
expect_eq "combo items" '"0" "1" "2" "3" "4" "5"' \
    "$(grep '^item 1000 ' <<<"$dump" | cut -d' ' -f4 | tr '\n' ' ' | sed 's/ $//')"
check "selected combo item" has_line 'item 1000 3 "3" selected=1'
check "list view" has_match '^control 1003 SysListView32 "" type=listview visible=1 enabled=1 style=0x[0-9A-F]+ items=3 columns=2 lvexstyle=0x00000021$'
expect_eq "list columns and rows" 'column 1003 0 "File name"
column 1003 1 "Version"
row 1003 0 "zvIFDH.sys" "1.1.0.0" selected=0 focused=0
row 1003 1 "zvUSB.sys" "2.0.3.1" selected=0 focused=0
row 1003 2 "say \"hi\"" "-" selected=0 focused=0' "$(grep -E '^(column|row) 1003 ' <<<"$dump")"
check "dump ends with the window" has_match '^end 0x[0-9A-F]+$'
check "screenshot shows the drawn dialog" shot testenv_uidriver_dialog "${title[@]}"

# --- what a user could not do is refused and changes nothing -------------------------------
drive click "${title[@]}" 1002
expect_eq "disabled button refused" 4 "$RC"
drive click "${title[@]}" 1008
expect_eq "hidden button refused" 4 "$RC"
drive click "${title[@]}" 4242
expect_eq "missing control" 3 "$RC"
drive select "${title[@]}" 1005 0
expect_eq "select on a button" 3 "$RC"
drive select "${title[@]}" 1000 9
expect_eq "select beyond the combo items" 5 "$RC"
drive wait --title "No Such Window" --timeout 1
expect_eq "wait times out" 1 "$RC"
drive gone "${title[@]}" --timeout 1
expect_eq "gone times out while the dialog is up" 1 "$RC"
drive click 1001
expect_eq "no window named" 2 "$RC"
drive press "${title[@]}"
expect_eq "unknown command" 2 "$RC"

# --- actions reach the program ------------------------------------------------------------
drive settext "${title[@]}" 1010 'new "name"'
expect_eq "settext" 'settext 1010 "new \"name\""' "$OUT"
drive settext "${title[@]}" 1015 ""
# The number field takes digits only, as from the keyboard.
drive type "${title[@]}" 1015 "12a8"
expect_eq "type" 'typed 1015 "12a8"' "$OUT"
drive select "${title[@]}" 1000 5
expect_eq "select combo item" "selected 1000 5" "$OUT"
drive select "${title[@]}" 1003 1
expect_eq "select list row" "selected 1003 1" "$OUT"
drive click "${title[@]}" 1005
expect_eq "click check box" "clicked 1005" "$OUT"
drive dump "${title[@]}"
check "check box cleared" has_match '^control 1005 Button "English" type=autocheckbox visible=1 enabled=1 checked=0 '
check "edit text set" has_match '^control 1010 Edit "new \\"name\\"" '
check "digits typed" has_match '^control 1015 Edit "128" '
check "combo selection moved" has_match '^control 1000 ComboBox "5" .* selected=5$'
check "list row selected" has_line 'row 1003 1 "zvUSB.sys" "2.0.3.1" selected=1 focused=1'
check "other rows not selected" has_line 'row 1003 0 "zvIFDH.sys" "1.1.0.0" selected=0 focused=0'
drive click "${title[@]}" 1001 --exit
expect_eq "Go ends the program with 11" "clicked 1001
exit 11" "$OUT"
expect_eq "the program saw the user's changes" 'name=new "name"
count=128
english=0
choice=5
name_changes=1
choice_changes=1
selected_file=1' "$(tr -d '\r' <"$BB_C/probe.txt" 2>/dev/null)"
drive gone "${title[@]}" --timeout 10
expect_eq "gone after the exit" 0 "$RC"

# --- message boxes ----------------------------------------------------------------------
start_probe
drive click "${title[@]}" 1004
expect_eq "Ask clicked" 0 "$RC"
drive dump --title "Driver Test" --id 65535
expect_eq "message box found by its text id" 0 "$RC"
check "message text" has_match '^control 65535 Static "Proceed with the test\?" type=text visible=1 enabled=1 '
check "Yes button" has_match '^control 6 Button "&Yes" '
check "No button" has_match '^control 7 Button "&No" '
drive paint --title "Driver Test" --id 65535
expect_eq "message box painted" 0 "$RC"
bb_shot "$artefacts/testenv_uidriver_message.png"
drive wait --title "Driver Test" --id 1001
check "owner disabled under the box" has_match ' visible=1 enabled=0 '
drive click --title "Driver Test" --id 1001 1001
expect_eq "owner's button out of reach" 4 "$RC"
drive click --title "Driver Test" --id 65535 7 --exit
expect_eq "No ends the program with 7" "clicked 7
exit 7" "$OUT"

# --- keys and closing -------------------------------------------------------------------
start_probe
drive key "${title[@]}" ESCAPE --exit
check "Escape cancels" has_line "exit 2"
start_probe
drive key "${title[@]}" RETURN --exit
check "Return presses the default button" has_line "exit 11"
start_probe
drive close "${title[@]}" --exit
check "WM_CLOSE closes" has_line "exit 3"

# --- Russian texts come out as UTF-8 ----------------------------------------------------
start_probe --lang ru
drive --lang ru dump "${title[@]}"
check "Cyrillic static text" has_match '^control 1020 Static "Привет, мир" type=text '
drive --lang ru key "${title[@]}" ESCAPE 1010 --exit
check "Escape sent to a control" has_line "exit 2"

bb_done
