#!/usr/bin/env bash
# The flows on a Windows 98 machine with a desktop, driven through the main dialog as a user
# would: its controls and their states, install and uninstall with their boxes and log
# lines, the language switch with its record, "Set number of readers", and Exit/Escape.
# Quiet runs with a display show no window that would wait for a user.
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
key='HKEY_LOCAL_MACHINE\Software\Norvane\Language'
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

drive() { bb_drive --lang ru "$@"; }
has_line() { grep -qxF -- "$1" <<<"$OUT"; }
has_match() { grep -qE -- "$1" <<<"$OUT"; }
recorded() {
    "$BB_MACHINE" reg "$BB_M" "$key" "$tmp/reg" 2>/dev/null && sed -n 's/^@="\(.*\)"$/\1/p' "$tmp/reg"
}
main=(--id 1001 --class '#32770')

# --- quiet runs with windows possible: nothing waits for a user -------------------------
for args in "/Q" "/Q /U" "/Q /O" "/Q /RB" "/Q /ED /NORB"; do
    # shellcheck disable=SC2086
    bb_run -- 'C:\PKG\Morvisk.exe' $args
    expect_eq "with a display, '$args' ends by itself with 0" 0 "$BB_RC"
done

# --- the main dialog -----------------------------------------------------------------------
rm -f "$log"
# A Cyrillic code page, so that the Russian dialog can show its letters after the switch;
# the recorded ENGLISH of the quiet runs above makes it start in English.
"$BB_MACHINE" start "$BB_M" --lang ru --desktop 640x480 -- 'C:\PKG\Morvisk.exe' /LOG >/dev/null
drive dump "${main[@]}"
expect_eq "the main dialog appears" 0 "$RC"
check "title" has_match '^window 0x[0-9A-F]+ #32770 "Zentavo drivers setup" .* visible=1 enabled=1 .*defid=1001 '
style=$(sed -n 's/^window .* style=\(0x[0-9A-F]*\) .*/\1/p' <<<"$OUT")
check "a caption without system menu (no close box)" \
    test $((${style:-0} & 0x00C00000)) -eq $((0x00C00000)) -a $((${style:-0} & 0x00080000)) -eq 0
check "static text" has_match '^control 65535 Static "Zentavo drivers setup utility\." type=text visible=1 '
check "the icon" has_match '^control 65535 Static .* type=icon visible=1 '
# The stand-in factory builds an uninstall procedure, so the drivers count as installed.
check "drivers installed: Reinstall drivers" has_match '^control 1001 Button "Reinstall drivers" type=defpushbutton visible=1 enabled=1 '
check "Uninstall drivers enabled" has_match '^control 1002 Button "Uninstall drivers" type=pushbutton visible=1 enabled=1 '
check "Set number of readers enabled" has_match '^control 1003 Button "Set number of readers" type=pushbutton visible=1 enabled=1 '
check "Exit" has_match '^control 2 Button "Exit" type=pushbutton visible=1 enabled=1 '
check "English checked on an English run" has_match '^control 1005 Button "English" type=autocheckbox visible=1 enabled=1 checked=1 '
check "Versions shown for the full program" has_match '^control 1008 Button "Versions" type=pushbutton visible=1 enabled=1 '
check "no version label for the full program" has_match '^control 1004 Static "Version" type=text visible=0 '
bb_shot "$artefacts/app_main_english.png"

# Install: the success box, then the main dialog again.
drive click "${main[@]}" 1001
drive dump --title "Zentavo drivers setup" --id 65535
check "install: success box 104" has_match '^control 65535 Static "Zentavo drivers have been successfully installed\." '
bb_shot "$artefacts/app_installed_english.png"
drive click --title "Zentavo drivers setup" --id 65535 1
drive wait "${main[@]}"
expect_eq "install: the main dialog comes back" 0 "$RC"

# Uninstall: box 105, then the main dialog again.
drive click "${main[@]}" 1002
drive dump --title "Zentavo drivers setup" --id 65535
check "uninstall: success box 105" has_match '^control 65535 Static "Zentavo drivers have been successfully uninstalled\." '
drive click --title "Zentavo drivers setup" --id 65535 1
drive wait "${main[@]}"
expect_eq "uninstall: the main dialog comes back" 0 "$RC"

# Set number of readers keeps the main dialog, usable.
drive click "${main[@]}" 1003
drive click --title "Number of readers" --id 1000 2
drive gone --title "Number of readers" --id 1000
drive wait "${main[@]}"
check "readers: the main dialog stays, enabled and visible" has_match '^window .* visible=1 enabled=1 '

# The language switch: Russian with the box unchecked, recorded; and back.
drive click "${main[@]}" 1005
drive dump --title "Установка драйверов Zentavo" --id 1001
expect_eq "switch: the Russian main dialog appears" 0 "$RC"
check "switch: Russian texts" has_match '^control 1001 Button "Переустановить драйверы" type=defpushbutton '
check "switch: Russian Exit" has_match '^control 2 Button "Выход" '
check "switch: English unchecked" has_match '^control 1005 Button "English" type=autocheckbox visible=1 enabled=1 checked=0 '
expect_eq "switch to Russian records NATIVE" "NATIVE" "$(recorded)"
bb_shot "$artefacts/app_main_russian.png"
drive click --title "Установка драйверов Zentavo" --id 1001 1005
drive dump --title "Zentavo drivers setup" --id 1001
check "switch back: English checked" has_match '^control 1005 Button "English" type=autocheckbox visible=1 enabled=1 checked=1 '
expect_eq "switch back to English records ENGLISH" "ENGLISH" "$(recorded)"

# Escape acts as Exit: the run ends with 0.
drive key "${main[@]}" ESCAPE --exit
check "Escape ends the run with 0" has_line "exit 0"

app_log_normalised "$log" >"$tmp/got"
{ app_install_success; app_uninstall_success; } >"$tmp/want"
expect_same_bytes "the log holds the install and the uninstall flow" "$tmp/want" "$tmp/got"

# Exit itself, in a Russian run.
"$BB_MACHINE" start "$BB_M" --lang ru --desktop 640x480 -- 'C:\PKG\Morvisk.exe' /LR >/dev/null
drive click --title "Установка драйверов Zentavo" --id 1001 2 --exit
check "Exit ends the run with 0" has_line "exit 0"

bb_done
