#!/usr/bin/env bash
# The Windows 9x gate and the distributive check as a user meets them: on an NT-family
# version the run ends with 3 before any flow, with box 121 unless /Q, and a /LOG file stays
# empty; Windows 95, 98 and ME pass. A package with a missing file is refused with box 114
# naming it. The boxes are read back in both languages and photographed.
source "$(dirname "$0")/../lib/bb.sh"

bb_machine app-gate winxp
bb_package
bb_put "$BB_TREE/testenv/uidriver.exe" TOOLS
log=$BB_C/PKG/Morvisk.Log
artefacts=$BB_TREE/artefacts
mkdir -p "$artefacts"

bb_morvisk --os winxp /Q /LOG
expect_eq "winxp: a quiet run ends with 3" 3 "$BB_RC"
check "winxp: the log is created and stays empty" test -e "$log" -a ! -s "$log"
for os in win95 winme; do
    bb_morvisk --os "$os" /Q /U
    expect_eq "$os passes the gate (uninstall with nothing installed: 5)" 5 "$BB_RC"
done

bb_display
export DISPLAY=$BB_DISPLAY
has_line() { grep -qxF -- "$1" <<<"$OUT"; }
# box OS LANG TITLE ARGS...: starts the program, waits for its box and dumps it.
box() {
    local os=$1 lang=$2 title=$3
    shift 3
    "$BB_MACHINE" start "$BB_M" --os "$os" --lang "$lang" --desktop 640x480 -- \
        'C:\PKG\Morvisk.exe' "$@" >/dev/null
    bb_drive --os "$os" --lang "$lang" dump --title "$title"
}
close_box() { bb_drive --os "$1" --lang "$2" click --title "$3" 1 --exit; }

english="Zentavo drivers setup"
box winxp en "$english" /LE
check "English text of 121" has_line 'control 65535 Static "This version of Zentavo Drivers designed for Windows 98 and Me only!\nIt'"'"'s impossible to continue installation of Zentavo Drivers!" type=text visible=1 enabled=1 style=0x50020080'
bb_shot "$artefacts/app_gate_121_english.png"
close_box winxp en "$english"
check "English box: OK ends the run with 3" has_line "exit 3"

russian="Установка драйверов Zentavo"
box winxp ru "$russian" /LR
check "Russian text of 121" has_line 'control 65535 Static "Данная версия Драйверов Zentavo предназначена только для Windows 98 и Me!\nПродолжение установки Драйверов Zentavo невозможно!" type=text visible=1 enabled=1 style=0x50020080'
bb_shot "$artefacts/app_gate_121_russian.png"
close_box winxp ru "$russian"
check "Russian box: result 3" has_line "exit 3"

# The first missing file of the package, in the order the install would copy it.
rm -f "$BB_C/PKG/zvERR.dll" "$BB_C/PKG/zvAPIEX.dll"
box win98 en "$english" /LE
check "box 114 names the first missing file" grep -qF 'Static "C:\\PKG\\zvAPIEX.dll file does not exist. Installation is terminated."' <<<"$OUT"
close_box win98 en "$english"
check "a missing file ends the run with 5" has_line "exit 5"

bb_done
