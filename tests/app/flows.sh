#!/usr/bin/env bash
# The program as a user meets it on a desktop: install and uninstall from the main dialog with
# their boxes and the restart question (No), and the log of it all; quiet runs that show no
# window to wait on; the 9x gate (box 121 on NT) and box 114 naming a missing package file.
source "$(dirname "$0")/../lib/bb.sh"
source "$(dirname "$0")/lib.sh"

bb_machine app-flows
bb_package
bb_put "$BB_TREE/testenv/uidriver.exe" TOOLS
bb_display
export DISPLAY=$BB_DISPLAY
golden=$BB_SOURCE/tests/app/golden
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

bb_run -- 'C:\PKG\Morvisk.exe' /Q /U
expect_eq "with a display, /Q hides the error box (nothing to uninstall: 5)" 5 "$BB_RC"

has() { grep -qE -- "$1" <<<"$OUT"; }
caption="Zentavo drivers setup"
main=(--id 1001 --class '#32770')
box=(--title "$caption" --id 65535)
# answer TEXT-PATTERN BUTTON: the message box shows the text; the button closes it.
answer() {
    bb_drive dump "${box[@]}"
    check "box: $1" has "^control 65535 Static \"$1\""
    bb_drive click "${box[@]}" "$2"
}
# flow BUTTON SUCCESS-TEXT NEW-LABEL: one flow from the main dialog, back to the main dialog.
flow() {
    bb_drive click "${main[@]}" "$1"
    answer "$2" 1
    answer "Reboot is needed\. Reboot right now\?" 7
    bb_drive dump "${main[@]}"
    check "the main dialog comes back with '$3'" \
        has "^control 1001 Button \"$3\" type=defpushbutton visible=1 enabled=1 "
}

"$BB_MACHINE" start "$BB_M" --desktop 640x480 -- 'C:\PKG\Morvisk.exe' /LE /LOG >/dev/null
bb_drive dump "${main[@]}"
check "a fresh machine offers 'Install drivers'" \
    has '^control 1001 Button "Install drivers" type=defpushbutton visible=1 enabled=1 '
flow 1001 "Zentavo drivers have been successfully installed\." "Reinstall drivers"
flow 1002 "Zentavo drivers have been successfully uninstalled\." "Install drivers"
bb_drive key "${main[@]}" ESCAPE --exit
check "Escape ends the run with 0" has "^exit 0$"
# The quiet flows' logs, with the restart question asked and declined.
declined="option \/NORB doesn't set. Trying to reboot OS \r\nUser does not want reboot right now !!! \r"
cat "$golden/install.log" "$golden/uninstall.log" | sed "s/^option .NORB is set.*\r$/$declined/" >"$tmp/want"
app_log_normalised "$BB_C/PKG/Morvisk.Log" >"$tmp/got"
expect_same_bytes "the log of the whole run" "$tmp/want" "$tmp/got"

bb_morvisk --os winxp /Q /LOG 'C:\GATE.LOG'
expect_eq "winxp: a quiet run ends with 3" 3 "$BB_RC"
check "winxp: the log is created and stays empty" test -e "$BB_C/GATE.LOG" -a ! -s "$BB_C/GATE.LOG"
for os in win95 winme; do
    bb_morvisk --os "$os" /Q /U
    expect_eq "$os passes the gate (uninstall with nothing installed: 5)" 5 "$BB_RC"
done
bb_run --os win98 -- 'C:\PKG\Morvisk.exe' /Q /ED /NORB
expect_eq "with a display, /Q /ED hides the success box (installed: 1)" 1 "$BB_RC"
# message_box OS EXIT-CODE [ARGS...]: the box the program shows on OS (code page 1251 with
# lang=ru), and the exit code of its OK.
message_box() {
    local m=(--os "$1" --lang "${lang:-en}") rc=$2
    shift 2
    "$BB_MACHINE" start "$BB_M" "${m[@]}" --desktop 640x480 -- 'C:\PKG\Morvisk.exe' "$@" >/dev/null
    bb_drive "${m[@]}" dump --title "$caption"
    echo "$OUT" >"$tmp/box"
    bb_drive "${m[@]}" click --title "$caption" 1 --exit
    check "${m[*]} $*: OK ends the run with $rc" has "^exit $rc$"
}
message_box winxp 3
check "winxp: box 121" grep -qF "designed for Windows 98 and Me only!" "$tmp/box"
# Without the smart-card components an install is refused, in either language.
WINEDLLOVERRIDES=winscard= message_box win98 5 /Q /ED /LE
check "no WinSCard: the box says why" grep -qF \
    'Static "The smart card components of Windows are not installed. Install them first,' "$tmp/box"
lang=ru caption="Установка драйверов Zentavo" WINEDLLOVERRIDES=winscard= message_box win98 5 /Q /ED /LR
check "no WinSCard: the Russian box says why" grep -qF \
    'Static "Компоненты Windows для работы со смарт-картами не установлены.' "$tmp/box"
rm -f "$BB_C/PKG/zvERR.dll" "$BB_C/PKG/zvAPIEX.dll"
message_box win98 5
check "box 114 names the first missing file, in the order of the install" grep -qF \
    'Static "C:\\PKG\\zvAPIEX.dll file does not exist. Installation is terminated."' "$tmp/box"

bb_done
