#!/usr/bin/env bash
# The dialogs with data given to them (tests/ui/DialogHost.cpp shows them), driven through
# the UI driver in English and Russian: the main dialog's states and its icons, the
# newer-files question to each answer, the package module list, the two reader-count dialogs
# with valid and refused entries; and the program's own language switch across runs. Every
# dialog is photographed in both languages.
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
# host LANG ARGS...: shows a dialog on the desktop (Cyrillic code page for both languages).
host() { "$BB_MACHINE" start "$BB_M" --lang ru --desktop 640x480 -- 'C:\TOOLS\dialoghost.exe' "$@" >/dev/null; }
# shot NAME SELECTOR...: the dialog painted, then the screen.
shot() {
    local name=$1
    shift
    drive paint "$@"
    bb_shot "$artefacts/ui_$name.png"
}
last() { tail -n 1 <<<"$OUT"; }
any=(--class '#32770')

for lang in en ru; do
    if [ $lang = en ]; then
        caption="Zentavo drivers setup" readers="Number of readers"
        install="Install drivers" reinstall="Reinstall drivers" checked=1
        only_new="Only new modules" cancel="Cancel"
        t_file="File name" t_installed="Installed Version" t_package="Version in Package"
        t_module="File name" t_version="Version" t_description="Description"
        header="Morvisk Version 1\.0\.0\.1 Copyright \(C\) 2026 Norvane"
    else
        caption="Установка драйверов Zentavo" readers="Количество ридеров"
        install="Установить драйверы" reinstall="Переустановить драйверы" checked=0
        only_new="Только новые модули" cancel="Отмена"
        t_file="Имя файла" t_installed="Версия в системе" t_package="Версия в дистрибутиве"
        t_module="Имя файла" t_version="Версия" t_description="Описание"
        header="Morvisk Версия 1\.0\.0\.1 Copyright \(C\) 2026 Norvane"
    fi

    # --- main dialog: drivers not installed, full program ----------------------------------
    host $lang main 0 ""
    drive dump --id 1001 "${any[@]}"
    check "$lang main, not installed: Install drivers" has "^control 1001 Button \"$install\" type=defpushbutton visible=1 enabled=1 "
    check "$lang main, not installed: Uninstall disabled" has '^control 1002 Button .* visible=1 enabled=0 '
    check "$lang main, not installed: readers disabled" has '^control 1003 Button .* visible=1 enabled=0 '
    check "$lang main: English box" has "^control 1005 Button \"English\" type=autocheckbox visible=1 enabled=1 checked=$checked "
    check "$lang main, full program: Versions shown" has '^control 1008 Button .* visible=1 enabled=1 '
    check "$lang main, full program: no version text" has '^control 1004 Static .* visible=0 '
    shot main_not_installed_$lang --id 1001 "${any[@]}"
    drive click --id 1001 "${any[@]}" 1001 --exit
    expect_eq "$lang main: Install ends it with 1001" "exit 1001" "$(last)"

    # --- main dialog: drivers installed, drivers-only program with its version -------------
    host $lang main 1 2.1.0.5
    drive dump --id 1001 "${any[@]}"
    check "$lang main, installed: Reinstall drivers" has "^control 1001 Button \"$reinstall\" type=defpushbutton visible=1 enabled=1 "
    check "$lang main, installed: Uninstall enabled" has '^control 1002 Button .* visible=1 enabled=1 '
    check "$lang main, installed: readers enabled" has '^control 1003 Button .* visible=1 enabled=1 '
    check "$lang main, version text shown" has '^control 1004 Static "v 2\.1\.0\.5" type=text visible=1 '
    check "$lang main, version text: no Versions button" has '^control 1008 Button .* visible=0 '
    shot main_installed_$lang --id 1001 "${any[@]}"
    drive click --id 1001 "${any[@]}" 1002 --exit
    expect_eq "$lang main: Uninstall ends it with 1002" "exit 1002" "$(last)"

    # --- newer installed files, some of them ------------------------------------------------
    host $lang fresher some 'zvAPI.dll/1.0.0.1/2.0.0.0' 'zvCSP.dll//3.1.0.0'
    drive dump --id 1007 "${any[@]}"
    check "$lang 201: title" has "^window .* \"$caption\" .*defid=1007 "
    check "$lang 201: columns" test "$(sed -n 's/^column 1003 [0-9] //p' <<<"$OUT" | tr '\n' '|')" = "\"$t_file\"|\"$t_installed\"|\"$t_package\"|"
    check "$lang 201: rows, installed before package version, empty as -" test \
        "$(sed -n 's/^row 1003 \([0-9] .*\) selected=.*/\1/p' <<<"$OUT" | tr '\n' '|')" = \
        '0 "zvAPI.dll" "2.0.0.0" "1.0.0.1"|1 "zvCSP.dll" "3.1.0.0" "-"|'
    check "$lang 201: Only new modules offered" has "^control 1007 Button \"$only_new\" type=defpushbutton visible=1 enabled=1 "
    drive select --id 1007 "${any[@]}" 1003 1
    drive dump --id 1007 "${any[@]}"
    check "$lang 201: a clicked row does not stay selected" has '^row 1003 1 .* selected=0 focused=0'
    shot fresher_some_$lang --id 1007 "${any[@]}"
    drive click --id 1007 "${any[@]}" 1007 --exit
    expect_eq "$lang 201: Only new modules answers 2" "exit 2" "$(last)"
    for answer in "1 1" "2 3"; do
        host $lang fresher some 'zvAPI.dll/1.0.0.1/2.0.0.0'
        drive click --id 1007 "${any[@]}" ${answer% *} --exit
        expect_eq "$lang 201: button ${answer% *} answers ${answer#* }" "exit ${answer#* }" "$(last)"
    done
    host $lang fresher some 'zvAPI.dll/1.0.0.1/2.0.0.0'
    drive close --id 1007 "${any[@]}" --exit
    expect_eq "$lang 201: closing the window answers 3" "exit 3" "$(last)"

    # --- every compared file newer: no "only new", Enter cancels -----------------------------
    host $lang fresher all 'zvIFDH.sys/1.0.0.0/1.2.0.0'
    drive dump --id 1002 "${any[@]}"
    check "$lang 203: Cancel is the default" has "^window .* \"$caption\" .*defid=2 "
    check "$lang 203: Only new modules hidden and disabled" has '^control 1007 Button .* visible=0 enabled=0 '
    shot fresher_all_$lang --id 1002 "${any[@]}"
    drive key --id 1002 "${any[@]}" RETURN --exit
    expect_eq "$lang 203: Enter answers 3 (cancel)" "exit 3" "$(last)"
    host $lang fresher all 'zvIFDH.sys/1.0.0.0/1.2.0.0'
    drive click --id 1002 "${any[@]}" 1 --exit
    expect_eq "$lang 203: Complete reinstall answers 1" "exit 1" "$(last)"

    # --- the package's modules ---------------------------------------------------------------
    host $lang package 'C:\PKG\zvIFDH.sys' 'C:\PKG\zvCSP.dll' 'C:\PKG\zvIFDH.inf'
    drive dump --id 1010 "${any[@]}"
    check "$lang 202: title" has "^window .* \"$caption\" "
    check "$lang 202: header with the program's version and copyright" has "^control 1010 Static \"$header\" "
    check "$lang 202: columns" test "$(sed -n 's/^column 1003 [0-9] //p' <<<"$OUT" | tr '\n' '|')" = "\"$t_module\"|\"$t_version\"|\"$t_description\"|"
    rows=$(sed -n 's/^row 1003 \([0-9] .*\) selected=.*/\1/p' <<<"$OUT")
    check "$lang 202: one row per module given" test "$(wc -l <<<"$rows")" -eq 3
    check "$lang 202: the driver's version" grep -qE '^0 "zvIFDH\.sys" "[0-9]+\.[0-9]+\.[0-9]+\.[0-9]+" ' <<<"$rows"
    check "$lang 202: a file without version shows -" grep -qE '^2 "zvIFDH\.inf" "-" ""$' <<<"$rows"
    shot package_$lang --id 1010 "${any[@]}"
    drive click --id 1010 "${any[@]}" 1 --exit
    expect_eq "$lang 202: OK closes it" "exit 0" "$(last)"

    # --- reader count, list --------------------------------------------------------------------
    host $lang list 10 3
    drive dump --title "$readers" --id 1000
    check "$lang 107: 0 to 10 with 3 selected" has '^control 1000 ComboBox "3" type=dropdownlist visible=1 enabled=1 .* items=11 selected=3$'
    # (Wine hands another process two-digit item texts cut to one letter: the last item is
    # checked by choosing it.)
    check "$lang 107: items in order" test "$(sed -n 's/^item 1000 \([0-9]*\) "\([0-9]*\)".*/\1=\2/p' <<<"$OUT" | head -n 10 | tr '\n' ' ')" = "0=0 1=1 2=2 3=3 4=4 5=5 6=6 7=7 8=8 9=9 "
    shot readers_list_$lang --title "$readers" --id 1000
    drive select --title "$readers" --id 1000 1000 10
    drive click --title "$readers" --id 1000 1 --exit
    expect_eq "$lang 107: OK gives the chosen count, up to the maximum" "exit 10" "$(last)"
    # Five token readers and six of other makers: a maximum of 4 below the current count.
    host $lang list 4 5
    drive dump --title "$readers" --id 1000
    check "$lang 107: a count above the maximum selects nothing" has ' items=5 selected=-1$'
    drive click --title "$readers" --id 1000 1 --exit
    expect_eq "$lang 107: OK without a choice keeps the current count" "exit 5" "$(last)"
    host $lang list 10 3
    drive select --title "$readers" --id 1000 1000 9
    drive click --title "$readers" --id 1000 2 --exit
    expect_eq "$lang 107: Cancel" "exit 200" "$(last)"

    # --- reader count, number --------------------------------------------------------------
    host $lang number 127 5
    drive dump --title "$readers" --id 1015
    check "$lang 205: the current count" has '^control 1015 Edit "5" type=edit visible=1 enabled=1 '
    shot readers_number_$lang --title "$readers" --id 1015
    drive settext --title "$readers" --id 1015 1015 ""
    drive type --title "$readers" --id 1015 1015 128
    drive dump --title "$readers" --id 1015
    check "$lang 205: typing 12 then 8 gives back 12" has '^control 1015 Edit "12" '
    drive settext --title "$readers" --id 1015 1015 "-5"
    drive dump --title "$readers" --id 1015
    check "$lang 205: a pasted -5 is refused" has '^control 1015 Edit "12" '
    drive click --title "$readers" --id 1015 1 --exit
    expect_eq "$lang 205: OK gives the last accepted count" "exit 12" "$(last)"
    host $lang number 20 5
    drive settext --title "$readers" --id 1015 1015 "30"
    drive dump --title "$readers" --id 1015
    check "$lang 205: above the maximum is refused" has '^control 1015 Edit "5" '
    drive settext --title "$readers" --id 1015 1015 ""
    drive click --title "$readers" --id 1015 1 --exit
    expect_eq "$lang 205: an empty field gives 0" "exit 0" "$(last)"

    # --- usage and please-wait boxes, for their pictures -----------------------------------
    host $lang usage
    shot usage_$lang --id 1 "${any[@]}"
    drive click --id 1 "${any[@]}" 1 --exit
    for box in 102 104 204; do
        host $lang wait $box
        drive wait --id 1010 "${any[@]}"
        expect_eq "$lang please-wait box $box shows" 0 "$RC"
        shot wait_${box}_$lang --id 1010 "${any[@]}"
        drive gone --id 1010 "${any[@]}"
    done
done

# The language switch of the main dialog is remembered by the next run, both ways.
run_main() { "$BB_MACHINE" start "$BB_M" --lang ru --desktop 640x480 -- 'C:\PKG\Morvisk.exe' >/dev/null; }
english="Zentavo drivers setup" russian="Установка драйверов Zentavo"
run_main
drive dump --title "$russian" --id 1001
check "a Russian machine starts in Russian, English unchecked" has '^control 1005 Button "English" .* checked=0 '
# Versions lists the package's executable modules, which the install procedure names.
drive click --title "$russian" --id 1001 1008
drive dump --title "$russian" --id 1010
rows=$(sed -n 's/^row 1003 [0-9]* \("[^"]*"\) \("[^"]*"\) .*/\1 \2/p' <<<"$OUT")
check "Versions: the reader driver with its version" grep -qE '^"zvIFDH\.sys" "[0-9.]+"$' <<<"$rows"
check "Versions: the service provider with its version" grep -qE '^"zvCSP\.dll" "[0-9.]+"$' <<<"$rows"
check "Versions: only executable modules" test -z "$(grep -vE '^"[^"]+\.(sys|dll|exe)" ' <<<"$rows")"
shot package_program_ru --title "$russian" --id 1010
drive click --title "$russian" --id 1010 1
drive gone --title "$russian" --id 1010
drive click --title "$russian" --id 1001 1005
drive wait --title "$english" --id 1001
drive click --title "$english" --id 1001 2 --exit
run_main
drive dump --title "$english" --id 1001
expect_eq "the switch to English is remembered by the next run" 0 "$RC"
check "the next run's English box is checked" has '^control 1005 Button "English" .* checked=1 '
drive click --title "$english" --id 1001 1005
drive wait --title "$russian" --id 1001
drive click --title "$russian" --id 1001 2 --exit
run_main
drive dump --title "$russian" --id 1001
expect_eq "the switch back to Russian is remembered too" 0 "$RC"
drive click --title "$russian" --id 1001 2 --exit

# The main dialog's icons are freed with it, every time it closes.
host en spawn 'C:\icons.txt' 'C:\TOOLS\dialoghost.exe' en mainicons
wait_until 60 test -s "$BB_C/icons.txt"
expect_eq "the main dialog's icons are freed each time it closes" 0 "$(tr -d '\r\n' <"$BB_C/icons.txt")"
bb_done
