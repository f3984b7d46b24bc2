#!/usr/bin/env bash
# Every dialog (shown by tests/ui/DialogHost.cpp) photographed in English and Russian, its
# states and answers driven once. Then the real program: its Versions list and language
# switch, one interactive copy at a time, the newer-files answers each with the install that
# follows, and a new reader count is where the next showing starts.
source "$(dirname "$0")/../lib/bb.sh"

bb_machine ui-dialogs
bb_package
bb_put "$BB_TREE/testenv/uidriver.exe" "$BB_TREE/testenv/dialoghost.exe" TOOLS
bb_display
export DISPLAY=$BB_DISPLAY
artefacts=$BB_TREE/artefacts && mkdir -p "$artefacts"

drive() { bb_drive --lang ru "$@"; }
has() { grep -qE -- "$1" <<<"$OUT"; }
# On the desktop, in the Cyrillic code page for both languages.
start() { "$BB_MACHINE" start "$BB_M" --lang ru --desktop 640x480 -- "$@" >/dev/null; }
host() { start 'C:\TOOLS\dialoghost.exe' "$@"; }
# see NAME REGEX...: the dialog found by sel shows a line matching each REGEX.
see() {
    local name=$1 r
    shift
    drive dump "${sel[@]}"
    for r; do check "$lang $name: $r" has "$r"; done
}
# finish NAME EXIT ACTION ARGS...: photographed, then ended by ACTION with EXIT.
finish() {
    local name=$1 want=$2 action=$3
    shift 3
    drive paint "${sel[@]}"
    bb_shot "$artefacts/ui_${name}_$lang.png"
    drive "$action" "${sel[@]}" "$@" --exit
    expect_eq "$lang $name: $action $* ends it" "exit $want" "$(tail -n 1 <<<"$OUT")"
}
rows() { sed -n 's/^row 1003 \([0-9] .*\) selected=.*/\1/p' <<<"$OUT" | tr '\n' '|'; }
any=(--class '#32770')
some=(fresher some 'zvAPI.dll/1.0.0.1/2.0.0.0' 'zvCSP.dll//3.1.0.0')

for lang in en ru; do
    en=false && [ $lang = en ] && en=true
    sel=(--id 1001 "${any[@]}")
    host $lang main 0 ""
    $en && see "main, not installed" '^control 1002 .* visible=1 enabled=0 ' '^control 1003 .* visible=1 enabled=0 ' \
        '^control 1004 .* visible=0 ' '^control 1008 .* visible=1 enabled=1 '
    finish main_not_installed 1001 click 1001
    host $lang main 1 2.1.0.5
    $en && see "main, installed" '^control 1002 .* visible=1 enabled=1 ' '^control 1003 .* visible=1 enabled=1 ' \
        '^control 1004 Static "v 2\.1\.0\.5" type=text visible=1 ' '^control 1008 .* visible=0 '
    finish main_installed 1002 click 1002

    # Some installed files newer: the installed version first, none as -; Only new by default.
    sel=(--id 1007 "${any[@]}")
    host $lang "${some[@]}"
    $en && see 201 'defid=1007 ' '^control 1007 .* visible=1 enabled=1 ' &&
        check "201: rows" test "$(rows)" = '0 "zvAPI.dll" "2.0.0.0" "1.0.0.1"|1 "zvCSP.dll" "3.1.0.0" "-"|'
    # A row chosen, Enter still answers Only new modules (2); closing the question cancels.
    $en && drive select "${sel[@]}" 1003 1 && finish fresher_some 2 key RETURN
    $en || finish fresher_some 3 close
    # Every compared file newer: no Only new, Enter cancels, also with the row chosen.
    sel=(--id 1002 "${any[@]}")
    host $lang fresher all 'zvIFDH.sys/1.0.0.0/1.2.0.0'
    $en && see 203 '^control 1007 .* visible=0 enabled=0 ' && drive select "${sel[@]}" 1003 0
    finish fresher_all 3 key RETURN

    # The package's modules: a file without a version shows -.
    sel=(--id 1010 "${any[@]}")
    host $lang package 'C:\PKG\zvIFDH.sys' 'C:\PKG\zvCSP.dll' 'C:\PKG\zvIFDH.inf'
    $en && see 202 && check "202: rows" grep -qE '^0 "zvIFDH\.sys" "[0-9]+(\.[0-9]+){3}" [^|]*\|1 "zvCSP\.dll" [^|]*\|2 "zvIFDH\.inf" "-" ""\|$' <<<"$(rows)"
    finish package 0 click 1

    # Reader count as a list from 0 to the maximum, the current one chosen; with a maximum
    # below the current count none is, and OK keeps the count.
    sel=(--id 1000 "${any[@]}")
    host $lang list $($en && echo 10 3 || echo 4 5)
    see 107 "$($en && echo 'items=11 selected=3$' || echo 'items=5 selected=-1$')"
    $en && drive select "${sel[@]}" 1000 10
    finish readers_list "$($en && echo 10 || echo 5)" click 1
    # Reader count as a number: typing 128 gives 12, a pasted -5 is refused.
    sel=(--id 1015 "${any[@]}")
    host $lang number 127 5
    if $en; then
        drive settext "${sel[@]}" 1015 ""
        drive type "${sel[@]}" 1015 128
        drive settext "${sel[@]}" 1015 "-5"
        see 205 '^control 1015 Edit "12" '
    fi
    finish readers_number "$($en && echo 12 || echo 5)" click 1

    sel=(--id 1 "${any[@]}")
    host $lang usage
    finish usage 0 click 1
    sel=(--id 1010 "${any[@]}")
    for box in 102 104 204; do
        host $lang wait $box
        drive paint "${sel[@]}"
        expect_eq "$lang please-wait box $box shows" 0 "$RC"
        bb_shot "$artefacts/ui_wait_${box}_$lang.png"
        drive gone "${sel[@]}"
    done
done

# The real program on a Russian machine: Versions lists the package's executable modules.
english="Zentavo drivers setup" russian="Установка драйверов Zentavo" lang=ru
start 'C:\PKG\Morvisk.exe'
sel=(--title "$russian" --id 1001) && see "starts in Russian" '^control 1005 Button "English" .* checked=0 '
drive click "${sel[@]}" 1008
sel=(--title "$russian" --id 1010) && see Versions
rows=$(sed -n 's/^row 1003 [0-9]* \("[^"]*"\) \("[^"]*"\) .*/\1 \2/p' <<<"$OUT")
check "Versions: the driver and the provider with versions" test "$(grep -cE '^"zv(IFDH\.sys|CSP\.dll)" "[0-9.]+"$' <<<"$rows")" -eq 2
check "Versions: only executable modules" test -z "$(grep -vE '^"[^"]+\.(sys|dll|exe)" ' <<<"$rows")"
drive click "${sel[@]}" 1
for to in "$english" "$russian"; do
    from=$english && [ "$to" = "$english" ] && from=$russian
    drive click --title "$from" --id 1001 1005
    drive click --title "$to" --id 1001 2 --exit
    start 'C:\PKG\Morvisk.exe'
    drive wait --title "$to" --id 1001
    expect_eq "the switch to $to is remembered by the next run" 0 "$RC"
done

# A second copy started in the same desktop while the main dialog is covered: it brings the
# first copy's main dialog to the front, and an interactive one ends with 5.
caption=$english usage="Zentavo driver setup"
main=(--title "$caption" --id 1001)
box=(--title "$caption" --id 1 --class '#32770')
is_topmost() {
    drive list
    [ "$(sed -n 's/^window [^ ]* #32770 "\(.*\)" pid=.* visible=1 .*/\1/p' <<<"$OUT" | head -n 1)" = "$1" ]
}
# cover_then ARGS...: prints the exit code of Morvisk ARGS.
cover_then() {
    start 'C:\TOOLS\dialoghost.exe' en usage
    drive wait --title "$usage" --id 1
    is_topmost "$usage" || echo -n "not covered: "
    rm -f "$BB_C/rc.txt"
    start 'C:\TOOLS\dialoghost.exe' en spawn 'C:\rc.txt' 'C:\PKG\Morvisk.exe' "$@"
    wait_until 60 test -s "$BB_C/rc.txt" && tr -d '\r\n' <"$BB_C/rc.txt"
    wait_until 20 is_topmost "$russian" || echo " (still covered)"
    drive click --title "$usage" --id 1 1 --exit
}

expect_eq "a second interactive copy ends with 5 and brings the first forward" 5 "$(cover_then /LE)"
check "a quiet copy installs (0 or 1, not 5) and brings the first forward" grep -qx '[01]' <<<"$(cover_then /Q /NORB)"
drive click --title "$russian" --id 1001 2 --exit

# reinstall: OUT is the dump of what comes first: the question or the success box.
reinstall() {
    drive click "${main[@]}" 1001
    drive dump --title "$caption" --id 1
}
success() {
    drive dump "${box[@]}"
    check "$1: success box" has '^control 65535 Static "Zentavo drivers have been successfully installed\."'
    drive click "${box[@]}" 1
    drive gone "${box[@]}"
}
question=(--title "$caption" --id 1006)
# One module of the package older than the installed one: "Only new modules" keeps the newer
# one (asked again), Cancel installs nothing (asked again).
cp "$BB_TREE/package/older/zvAPI.dll" "$BB_C/PKG/"
start 'C:\PKG\Morvisk.exe' /LE /NORB
reinstall
check "an older zvAPI.dll: its row alone" test "$(grep '^row 1003' <<<"$OUT" | cut -d' ' -f3,4)" = '0 "zvAPI.dll"'
check "an older zvAPI.dll: with Only new modules" has '^control 1007 .* visible=1 enabled=1 '
drive click "${question[@]}" 1007
success "Only new modules"
for answer in "Only new modules" Cancel; do
    reinstall
    check "after $answer the newer zvAPI.dll stays: asked again" has '^control 1006 '
    drive click "${question[@]}" 2
    drive gone "${question[@]}"
done
drive click "${main[@]}" 2 --exit
# Every module older: no Only new modules; a complete reinstall puts them in place.
cp "$BB_TREE/package/older/"*.dll "$BB_TREE/package/older/"*.sys "$BB_TREE/package/older/"*.exe "$BB_C/PKG/"
cp "$BB_TREE/bin/Morvisk.exe" "$BB_C/PKG/"
start 'C:\PKG\Morvisk.exe' /LE /NORB
reinstall
check "an older package: the question without Only new modules" has '^control 1007 .* visible=0 enabled=0 '
drive click "${question[@]}" 1
success "Complete reinstall"
reinstall
success "Complete reinstall put the older modules in place: not asked again"

# A new reader count is stored; Windows 98 takes it at the restart, answered No.
readers=(--title "Number of readers" --id 1000)
drive click "${main[@]}" 1003
drive dump "${readers[@]}"
want=$(grep -q ' selected=1$' <<<"$OUT" && echo 2 || echo 1)
drive select "${readers[@]}" 1000 $want
drive click "${readers[@]}" 1
drive dump "${box[@]}"
check "readers: updated" has '^control 65535 Static "Number of Zentavo readers have been successfully updated\." '
drive click "${box[@]}" 1
drive click --title "$caption" --id 7 --class '#32770' 7
drive gone --title "$caption" --id 7 --class '#32770'
drive click "${main[@]}" 1003
drive dump "${readers[@]}"
check "readers: the next showing starts from the chosen count $want" has " selected=$want\$"
drive click "${readers[@]}" 2
drive click "${main[@]}" 2 --exit
bb_done
