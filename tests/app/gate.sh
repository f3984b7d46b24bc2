#!/usr/bin/env bash
# The Windows 9x gate: on an NT-family version the run ends with 3 before any flow, with
# box 121 unless /Q (also with /ED), and a /LOG file is created but stays empty. Windows 95,
# 98 and ME pass. The box is read back in both languages and photographed.
source "$(dirname "$0")/../lib/bb.sh"

bb_machine app-gate winxp
bb_package
bb_put "$BB_TREE/testenv/uidriver.exe" TOOLS
log=$BB_C/PKG/Morvisk.Log
artefacts=$BB_TREE/artefacts
mkdir -p "$artefacts"

# --- headless: exit codes and the empty log ------------------------------------------------
for os in winxp win2k; do
    for args in "/Q /LOG" "/Q /ED /LOG" "/Q /U /LOG" "/LOG"; do
        rm -f "$log"
        # shellcheck disable=SC2086
        bb_morvisk --os "$os" $args
        expect_eq "$os: '$args' ends with 3" 3 "$BB_RC"
        check "$os: '$args' creates the log" test -e "$log"
        check "$os: '$args' writes nothing into it" test ! -s "$log"
    done
done
bb_morvisk --os winxp /H
expect_eq "winxp: the usage still comes first (-1)" 255 "$BB_RC"

for os in win95 winme win98; do
    bb_morvisk --os "$os" /Q
    expect_eq "$os passes the gate (quiet install, 0)" 0 "$BB_RC"
done

# --- with a desktop: the box and its texts -----------------------------------------------
bb_display
export DISPLAY=$BB_DISPLAY
drive() { bb_drive --os winxp "$@"; }
start() { "$BB_MACHINE" start "$BB_M" --os winxp --desktop 640x480 "$@" >/dev/null; }
has_line() { grep -qxF -- "$1" <<<"$OUT"; }

# /Q and /Q /ED with windows possible: no box at all, so the run ends by itself instead of
# waiting for a click (a box would hold it until the time-out, 124).
for args in "/Q" "/Q /ED"; do
    # shellcheck disable=SC2086
    bb_run --os winxp -- 'C:\PKG\Morvisk.exe' $args
    expect_eq "winxp with a display: '$args' shows no box and ends with 3" 3 "$BB_RC"
done

english=(--title "Zentavo drivers setup")
start --lang en -- 'C:\PKG\Morvisk.exe' /LE
drive dump "${english[@]}"
expect_eq "English box found" 0 "$RC"
check "English text of 121" has_line 'control 65535 Static "This version of Zentavo Drivers designed for Windows 98 and Me only!\nIt'"'"'s impossible to continue installation of Zentavo Drivers!" type=text visible=1 enabled=1 style=0x50020080'
expect_eq "the error box has one button, OK" 'control 1 Button "OK"' \
    "$(grep '^control [0-9]* Button' <<<"$OUT" | cut -d' ' -f1-4)"
bb_shot "$artefacts/app_gate_121_english.png"
drive click "${english[@]}" 1 --exit
expect_eq "English box: OK ends the run" 0 "$RC"
check "English box: result 3" has_line "exit 3"

russian=(--title "Установка драйверов Zentavo")
start --lang ru -- 'C:\PKG\Morvisk.exe' /LR
drive --lang ru dump "${russian[@]}"
expect_eq "Russian box found" 0 "$RC"
check "Russian text of 121" has_line 'control 65535 Static "Данная версия Драйверов Zentavo предназначена только для Windows 98 и Me!\nПродолжение установки Драйверов Zentavo невозможно!" type=text visible=1 enabled=1 style=0x50020080'
bb_shot "$artefacts/app_gate_121_russian.png"
drive --lang ru click "${russian[@]}" 1 --exit
check "Russian box: result 3" has_line "exit 3"

bb_done
