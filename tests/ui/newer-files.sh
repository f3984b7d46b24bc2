#!/usr/bin/env bash
# The newer-files question in the program's install flow, with the install that follows each
# answer: "Only new modules" keeps the newer installed module (the question comes again),
# Cancel installs nothing, "Complete reinstall" puts the package's older modules in place
# (the question does not come again). Then the reader count chosen in dialog 107 is the one
# the next showing starts from.
source "$(dirname "$0")/../lib/bb.sh"

bb_machine ui-newer
bb_package
bb_put "$BB_TREE/testenv/uidriver.exe" TOOLS
bb_display
export DISPLAY=$BB_DISPLAY
artefacts=$BB_TREE/artefacts
mkdir -p "$artefacts"

caption="Zentavo drivers setup"
installed="Zentavo drivers have been successfully installed."
drive() { bb_drive --lang ru "$@"; }
has() { grep -qE -- "$1" <<<"$OUT"; }
main=(--title "$caption" --id 1001)
question=(--title "$caption" --id 1006)
box=(--title "$caption" --id 1 --class '#32770')
start_main() {
    "$BB_MACHINE" start "$BB_M" --lang ru --desktop 640x480 -- 'C:\PKG\Morvisk.exe' /LE /NORB >/dev/null
    drive wait "${main[@]}"
}
# reinstall: clicks Reinstall drivers; OUT is then the dump of the window that comes first:
# the question or the success box.
reinstall() {
    drive click "${main[@]}" 1001
    drive dump --title "$caption" --id 1
}
success_then_main() {
    drive dump "${box[@]}"
    check "$1: success box" has "^control 65535 Static \"$installed\""
    drive click "${box[@]}" 1
    drive wait "${main[@]}"
}

bb_morvisk /Q /NORB
check "the current package is installed (0 or 1): $BB_RC" test "$BB_RC" -le 1

# One module of the package older than the installed one: dialog 201.
cp "$BB_TREE/package/older/zvAPI.dll" "$BB_C/PKG/"
start_main
reinstall
check "an older zvAPI.dll: the question with Only new modules" has '^control 1007 Button .* visible=1 enabled=1 '
check "an older zvAPI.dll: its row alone" test "$(grep '^row 1003' <<<"$OUT" | cut -d' ' -f3,4)" = '0 "zvAPI.dll"'
drive click "${question[@]}" 1007
success_then_main "Only new modules"
reinstall
check "Only new modules kept the newer zvAPI.dll: asked again" has '^control 1006 '
drive click "${question[@]}" 2
drive wait "${main[@]}"
reinstall
check "Cancel installed nothing: asked again" has '^control 1006 '
drive click "${question[@]}" 2
drive click "${main[@]}" 2 --exit

# Every module older: dialog 203, then a complete reinstall.
cp "$BB_TREE/package/older/"*.dll "$BB_TREE/package/older/"*.sys "$BB_TREE/package/older/"*.exe "$BB_C/PKG/"
cp "$BB_TREE/bin/Morvisk.exe" "$BB_C/PKG/"
start_main
reinstall
check "an older package: the question without Only new modules" has '^control 1007 Button .* visible=0 enabled=0 '
drive click "${question[@]}" 1
success_then_main "Complete reinstall"
reinstall
check "Complete reinstall put the older modules in place: not asked again" has "^control 65535 Static \"$installed\""
drive click "${box[@]}" 1
drive wait "${main[@]}"

# Set number of readers with the installed drivers.
readers=(--title "Number of readers" --id 1000)
drive click "${main[@]}" 1003
drive dump "${readers[@]}"
current=$(sed -n 's/^control 1000 ComboBox .* selected=\([0-9-]*\)$/\1/p' <<<"$OUT")
items=$(sed -n 's/^control 1000 ComboBox .* items=\([0-9]*\) .*/\1/p' <<<"$OUT")
check "readers: the current count ($current) is selected among $items" test "${current:--1}" -ge 0
want=$(( current == 1 ? 2 : 1 ))
drive select "${readers[@]}" 1000 $want
drive click "${readers[@]}" 1
drive dump "${box[@]}"
check "readers: updated" has '^control 65535 Static "Number of Zentavo readers have been successfully updated\." '
drive click "${box[@]}" 1
drive gone "${box[@]}"
# Windows 98 takes the new readers at the next restart: No to restarting now.
drive click --title "$caption" --id 7 --class '#32770' 7
drive gone --title "$caption" --id 7 --class '#32770'
drive click "${main[@]}" 1003
drive dump "${readers[@]}"
check "readers: the next showing starts from the chosen count $want" has " selected=$want\$"
drive click "${readers[@]}" 2
drive gone "${readers[@]}"
drive click "${main[@]}" 2 --exit

bb_done
