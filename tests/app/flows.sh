#!/usr/bin/env bash
# The flows as a user meets them on a Windows 98 desktop: install and uninstall from the main
# dialog, each with its success box and the restart question (answered No), the main dialog
# coming back with the drivers' new state, Escape ending the run; the log of the whole run
# against its golden file. Quiet runs with a display show no window that would wait.
source "$(dirname "$0")/../lib/bb.sh"
source "$(dirname "$0")/lib.sh"

bb_machine app-flows
bb_package
bb_put "$BB_TREE/testenv/uidriver.exe" TOOLS
bb_display
export DISPLAY=$BB_DISPLAY
artefacts=$BB_TREE/artefacts
mkdir -p "$artefacts"
log=$BB_C/PKG/Morvisk.Log
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

bb_run -- 'C:\PKG\Morvisk.exe' /Q /U
expect_eq "with a display, a quiet run ends by itself (nothing to uninstall: 5)" 5 "$BB_RC"

has_match() { grep -qE -- "$1" <<<"$OUT"; }
main=(--id 1001 --class '#32770')
box=(--title "Zentavo drivers setup" --id 65535)
# answer TEXT-PATTERN BUTTON: the message box shows the text; the button closes it.
answer() {
    bb_drive dump "${box[@]}"
    check "box: $1" has_match "^control 65535 Static \"$1\""
    bb_drive click "${box[@]}" "$2"
}
# flow BUTTON SUCCESS-TEXT NEW-LABEL: one flow from the main dialog, back to the main dialog.
flow() {
    bb_drive click "${main[@]}" "$1"
    answer "$2" 1
    answer "Reboot is needed\. Reboot right now\?" 7
    bb_drive dump "${main[@]}"
    check "the main dialog comes back with '$3'" \
        has_match "^control 1001 Button \"$3\" type=defpushbutton visible=1 enabled=1 "
}

"$BB_MACHINE" start "$BB_M" --desktop 640x480 -- 'C:\PKG\Morvisk.exe' /LE /LOG >/dev/null
bb_drive dump "${main[@]}"
check "a fresh machine offers 'Install drivers'" \
    has_match '^control 1001 Button "Install drivers" type=defpushbutton visible=1 enabled=1 '
bb_shot "$artefacts/app_main_fresh.png"
flow 1001 "Zentavo drivers have been successfully installed\." "Reinstall drivers"
flow 1002 "Zentavo drivers have been successfully uninstalled\." "Install drivers"
bb_drive key "${main[@]}" ESCAPE --exit
check "Escape ends the run with 0" has_match "^exit 0$"

app_log_normalised "$log" >"$tmp/got"
expect_same_bytes "the log of the whole run" "$BB_SOURCE/tests/app/golden/interactive.log" "$tmp/got"
[ -n "${GOLDEN_UPDATE:-}" ] && cp "$tmp/got" "$BB_SOURCE/tests/app/golden/interactive.log"

bb_done
