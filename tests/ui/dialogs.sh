#!/usr/bin/env bash
# The dialogs with data given to them (tests/ui/DialogHost.cpp shows them), driven through the
# UI driver: each is shown, its texts checked and photographed in English and Russian; its
# states and answers are driven in English only, as both languages share the code. Then the
# program's own language switch across runs, and the main dialog's icons freed.
source "$(dirname "$0")/../lib/bb.sh"

bb_machine ui-dialogs
bb_package
bb_put "$BB_TREE/testenv/uidriver.exe" "$BB_TREE/testenv/dialoghost.exe" TOOLS
bb_display
export DISPLAY=$BB_DISPLAY
artefacts=$BB_TREE/artefacts
mkdir -p "$artefacts"

drive() { bb_drive --lang ru "$@"; }
has() { grep -qE -- "$1" <<<"$OUT"; }
last() { tail -n 1 <<<"$OUT"; }
# host LANG ARGS...: shows a dialog on the desktop (Cyrillic code page for both languages).
host() { "$BB_MACHINE" start "$BB_M" --lang ru --desktop 640x480 -- 'C:\TOOLS\dialoghost.exe' "$@" >/dev/null; }
# The shown dialog is found by the selector in sel.
# states NAME REGEX...: the last dump holds each line; see dumps first.
states() {
    local name=$1 r
    shift
    for r; do check "$lang $name: $r" has "$r"; done
}
see() { drive dump "${sel[@]}" && states "$@"; }
# finish NAME EXIT ACTION ARGS...: photographed, then ended by ACTION with EXIT.
finish() {
    local name=$1 want=$2 action=$3
    shift 3
    drive paint "${sel[@]}"
    bb_shot "$artefacts/ui_${name}_$lang.png"
    drive "$action" "${sel[@]}" "$@" --exit
    expect_eq "$lang $name: $action $* ends it" "exit $want" "$(last)"
}
columns() { sed -n 's/^column 1003 [0-9] //p' <<<"$OUT" | tr '\n' '|'; }
rows() { sed -n 's/^row 1003 \([0-9] .*\) selected=.*/\1/p' <<<"$OUT" | tr '\n' '|'; }
any=(--class '#32770')
some=(fresher some 'zvAPI.dll/1.0.0.1/2.0.0.0')
all=(fresher all 'zvIFDH.sys/1.0.0.0/1.2.0.0')

for lang in en ru; do
    if [ $lang = en ]; then
        en=true caption="Zentavo drivers setup" readers="Number of readers"
        install="Install drivers" reinstall="Reinstall drivers" checked=1 only_new="Only new modules"
        fresher='"File name"|"Installed Version"|"Version in Package"|'
        package='"File name"|"Version"|"Description"|' version=Version
    else
        en=false caption="Установка драйверов Zentavo" readers="Количество ридеров"
        install="Установить драйверы" reinstall="Переустановить драйверы" checked=0
        only_new="Только новые модули"
        fresher='"Имя файла"|"Версия в системе"|"Версия в дистрибутиве"|'
        package='"Имя файла"|"Версия"|"Описание"|' version=Версия
    fi

    sel=(--id 1001 "${any[@]}")
    host $lang main 0 ""
    see "main, not installed" "^control 1001 Button \"$install\" type=defpushbutton visible=1 enabled=1 " \
        "^control 1005 Button \"English\" type=autocheckbox visible=1 enabled=1 checked=$checked "
    $en && states "main, not installed, full program" '^control 1002 Button .* visible=1 enabled=0 ' \
        '^control 1003 Button .* visible=1 enabled=0 ' '^control 1008 Button .* visible=1 enabled=1 ' \
        '^control 1004 Static .* visible=0 '
    finish main_not_installed 1001 click 1001
    host $lang main 1 2.1.0.5
    see "main, installed" "^control 1001 Button \"$reinstall\" type=defpushbutton visible=1 enabled=1 "
    $en && states "main, installed, with version text" '^control 1002 Button .* visible=1 enabled=1 ' \
        '^control 1003 Button .* visible=1 enabled=1 ' '^control 1004 Static "v 2\.1\.0\.5" type=text visible=1 ' \
        '^control 1008 Button .* visible=0 '
    finish main_installed 1002 click 1002

    # Newer installed files, some of them: rows show the installed version first, empty as -.
    sel=(--id 1007 "${any[@]}")
    host $lang "${some[@]}" 'zvCSP.dll//3.1.0.0'
    see 201 "^window .* \"$caption\" .*defid=1007 " "^control 1007 Button \"$only_new\" type=defpushbutton visible=1 enabled=1 "
    check "$lang 201: columns" test "$(columns)" = "$fresher"
    if $en; then
        check "201: rows" test "$(rows)" = '0 "zvAPI.dll" "2.0.0.0" "1.0.0.1"|1 "zvCSP.dll" "3.1.0.0" "-"|'
        drive select "${sel[@]}" 1003 1
        see 201 '^row 1003 1 .* selected=0 focused=0'
    fi
    finish fresher_some 2 click 1007
    # Every compared file newer: no "only new", Enter cancels.
    sel=(--id 1002 "${any[@]}")
    host $lang "${all[@]}"
    see 203 "^window .* \"$caption\" .*defid=2 "
    $en && states 203 '^control 1007 Button .* visible=0 enabled=0 '
    finish fresher_all 3 key RETURN

    # The package's modules: a file without version shows -.
    sel=(--id 1010 "${any[@]}")
    host $lang package 'C:\PKG\zvIFDH.sys' 'C:\PKG\zvCSP.dll' 'C:\PKG\zvIFDH.inf'
    see 202 "^window .* \"$caption\" " "^control 1010 Static \"Morvisk $version 1\.0\.0\.1 Copyright \(C\) 2026 Norvane\" "
    check "$lang 202: columns" test "$(columns)" = "$package"
    $en && check "202: rows" grep -qE '^0 "zvIFDH\.sys" "[0-9]+(\.[0-9]+){3}" [^|]*\|1 "zvCSP\.dll" [^|]*\|2 "zvIFDH\.inf" "-" ""\|$' <<<"$(rows)"
    finish package 0 click 1

    # Reader count as a list. (Wine hands another process two-digit item texts cut to one
    # letter: the last item is checked by choosing it.)
    sel=(--title "$readers" --id 1000)
    host $lang list 10 3
    see 107 '^control 1000 ComboBox "3" type=dropdownlist visible=1 enabled=1 .* items=11 selected=3$'
    $en && check "107: items in order" test "$(sed -n 's/^item 1000 \([0-9]*\) "\([0-9]*\)".*/\1=\2/p' <<<"$OUT" | head -n 10 | tr '\n' ' ')" = "0=0 1=1 2=2 3=3 4=4 5=5 6=6 7=7 8=8 9=9 "
    drive select "${sel[@]}" 1000 10
    finish readers_list 10 click 1
    # Reader count as a number: typing 12 then 8 gives back 12, a pasted -5 is refused.
    sel=(--title "$readers" --id 1015)
    host $lang number 127 5
    see 205 '^control 1015 Edit "5" type=edit visible=1 enabled=1 '
    if $en; then
        drive settext "${sel[@]}" 1015 ""
        drive type "${sel[@]}" 1015 128
        drive settext "${sel[@]}" 1015 "-5"
        see 205 '^control 1015 Edit "12" '
    fi
    finish readers_number "$($en && echo 12 || echo 5)" click 1

    # Usage and please-wait boxes, for their pictures.
    sel=(--id 1 "${any[@]}")
    host $lang usage
    finish usage 0 click 1
    sel=(--id 1010 "${any[@]}")
    for box in 102 104 204; do
        host $lang wait $box
        drive wait "${sel[@]}"
        expect_eq "$lang please-wait box $box shows" 0 "$RC"
        drive paint "${sel[@]}"
        bb_shot "$artefacts/ui_wait_${box}_$lang.png"
        drive gone "${sel[@]}"
    done
done

# The answers tests/ui/newer-files.sh does not give. Five token readers and six of other
# makers: a maximum of 4 below the current count selects nothing, and OK keeps the count.
lang=en
answer() {
    local want=$1 how=$2 to=$3
    shift 3
    host en "$@"
    drive "$how" "${sel[@]}" $to --exit
    expect_eq "$* answers $want to $how $to" "exit $want" "$(last)"
}
sel=(--id 1007 "${any[@]}") && answer 1 click 1 "${some[@]}"
answer 3 close "" "${some[@]}"
sel=(--title "Number of readers" --id 1000) && answer 200 click 2 list 10 3
host en list 4 5
see 107 ' items=5 selected=-1$'
drive click "${sel[@]}" 1 --exit
expect_eq "107: OK without a choice keeps the current count" "exit 5" "$(last)"
sel=(--title "Number of readers" --id 1015)
host en number 20 5
drive settext "${sel[@]}" 1015 "30"
see "205 above the maximum refused" '^control 1015 Edit "5" '
drive settext "${sel[@]}" 1015 ""
drive click "${sel[@]}" 1 --exit
expect_eq "205: an empty field gives 0" "exit 0" "$(last)"

# The language switch of the main dialog is remembered by the next run, both ways.
run_main() { "$BB_MACHINE" start "$BB_M" --lang ru --desktop 640x480 -- 'C:\PKG\Morvisk.exe' >/dev/null; }
english="Zentavo drivers setup" russian="Установка драйверов Zentavo" lang=ru
run_main
sel=(--title "$russian" --id 1001)
see "a Russian machine starts in Russian" '^control 1005 Button "English" .* checked=0 '
# Versions lists the package's executable modules, which the install procedure names.
drive click "${sel[@]}" 1008
sel=(--title "$russian" --id 1010)
drive dump "${sel[@]}"
rows=$(sed -n 's/^row 1003 [0-9]* \("[^"]*"\) \("[^"]*"\) .*/\1 \2/p' <<<"$OUT")
check "Versions: the driver and the service provider with versions" test "$(grep -cE '^"zv(IFDH\.sys|CSP\.dll)" "[0-9.]+"$' <<<"$rows")" -eq 2
check "Versions: only executable modules" test -z "$(grep -vE '^"[^"]+\.(sys|dll|exe)" ' <<<"$rows")"
drive paint "${sel[@]}"
bb_shot "$artefacts/ui_package_program_ru.png"
drive click "${sel[@]}" 1
drive gone "${sel[@]}"
for to in "$english" "$russian"; do
    from=$english
    [ "$to" = "$english" ] && from=$russian
    drive click --title "$from" --id 1001 1005
    drive wait --title "$to" --id 1001
    drive click --title "$to" --id 1001 2 --exit
    run_main
    drive dump --title "$to" --id 1001
    expect_eq "the switch to $to is remembered by the next run" 0 "$RC"
done
drive click --title "$russian" --id 1001 2 --exit

# The main dialog's icons are freed with it, every time it closes.
host en spawn 'C:\icons.txt' 'C:\TOOLS\dialoghost.exe' en mainicons
wait_until 60 test -s "$BB_C/icons.txt"
expect_eq "the main dialog's icons are freed each time it closes" 0 "$(tr -d '\r\n' <"$BB_C/icons.txt")"
bb_done
