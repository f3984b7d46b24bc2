#!/usr/bin/env bash
# The program as a user meets it on a desktop: install and uninstall from the main dialog with
# their boxes and the restart question (No, then Yes: the restart is asked for), and the log of
# it all; then one table of starts on other systems and packages: the 9x gate (box 121 on NT),
# a machine without the smart-card components, box 114 naming a missing package file, and
# quiet runs that show no window to wait on.
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
# flow BUTTON SUCCESS-TEXT: one flow from the main dialog, up to the restart question.
flow() {
    bb_drive click "${main[@]}" "$1"
    answer "$2" 1
    bb_drive dump "${box[@]}"
    check "box: the restart question" has '^control 65535 Static "Reboot is needed\. Reboot right now\?"'
}

"$BB_MACHINE" start "$BB_M" --desktop 640x480 -- 'C:\PKG\Morvisk.exe' /LE /LOG >/dev/null
bb_drive dump "${main[@]}"
check "a fresh machine offers 'Install drivers'" \
    has '^control 1001 Button "Install drivers" type=defpushbutton visible=1 enabled=1 '
flow 1001 "Zentavo drivers have been successfully installed\."
bb_drive click "${box[@]}" 7
bb_drive dump "${main[@]}"
check "No: the main dialog comes back with 'Reinstall drivers'" \
    has '^control 1001 Button "Reinstall drivers" type=defpushbutton visible=1 enabled=1 '
# A request that only a restart performs, put in while the machine runs.
touch "$BB_C/MARK.TXT"
printf '[Rename]\r\nNUL=C:\\MARK.TXT\r\n' >"$BB_C/windows/WININIT.INI"
flow 1002 "Zentavo drivers have been successfully uninstalled\."
bb_drive click "${box[@]}" 6 --exit
check "Yes: the run ends with 1" has "^exit 1$"
check "Yes: the restart is asked for (WININIT.INI performed)" wait_until 30 test ! -e "$BB_C/MARK.TXT"
# The quiet flows' logs, with the restart question asked and answered.
asked="option \/NORB doesn't set. Trying to reboot OS \r\n"
cat "$golden/install.log" "$golden/uninstall.log" |
    sed "s/^option .NORB is set.*\r$/${asked}User does not want reboot right now !!! \r/" |
    sed "\$s/^User does not want reboot right now !!! \r$/User want to reboot right now. Proceeding reboot \r/" >"$tmp/want"
app_log_normalised "$BB_C/PKG/Morvisk.Log" >"$tmp/got"
expect_same_bytes "the log of the whole run" "$tmp/want" "$tmp/got"

# os | language | WINEDLLOVERRIDES | files taken out of the package | arguments | exit code |
# a text of the box it shows ("-": none shows, and a run that waited on one would end only at
# its time limit)
while IFS='|' read -r os lang dlls gone args want text <&3; do
    (cd "$BB_C/PKG" && rm -f $gone)
    m=(--os "$os" --lang "$lang")
    if [ "$text" = - ]; then
        # shellcheck disable=SC2086
        WINEDLLOVERRIDES=$dlls bb_run "${m[@]}" -- 'C:\PKG\Morvisk.exe' $args
        got=$BB_RC
    else
        title=$caption && [ "$lang" = ru ] && title="Установка драйверов Zentavo"
        # shellcheck disable=SC2086
        WINEDLLOVERRIDES=$dlls "$BB_MACHINE" start "$BB_M" "${m[@]}" --desktop 640x480 -- \
            'C:\PKG\Morvisk.exe' $args >/dev/null
        bb_drive "${m[@]}" dump --title "$title"
        check "$os $lang $args: the box says '$text'" grep -qF -- "$text" <<<"$OUT"
        bb_drive "${m[@]}" click --title "$title" 1 --exit
        got=$(sed -n 's/^exit //p' <<<"$OUT")
    fi
    expect_eq "$os $lang $dlls $args: the exit code" "$want" "$got"
done 3<<'ROWS'
win98|en|||/Q /U|5|-
winxp|en|||/Q /LOG C:\GATE.LOG|3|-
win95|en|||/Q /U|5|-
winme|en|||/Q /U|5|-
win98|en|||/Q /ED /NORB|1|-
winxp|en||||3|designed for Windows 98 and Me only!
win98|en|winscard=||/Q /ED /LE|5|The smart card components of Windows are not installed. Install them first,
win98|ru|winscard=||/Q /ED /LR|5|Компоненты Windows для работы со смарт-картами не установлены.
win98|en||zvERR.dll zvAPIEX.dll||5|zvAPIEX.dll file does not exist. Installation is terminated.
ROWS
check "winxp: the log is created and stays empty" test -e "$BB_C/GATE.LOG" -a ! -s "$BB_C/GATE.LOG"

bb_done
