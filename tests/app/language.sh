#!/usr/bin/env bash
# The language of a run and its record "Software\Norvane\Language" in HKEY_LOCAL_MACHINE:
# first runs on English and Russian machines, recorded choices, the lower-case value that is
# not recognised, and /LR and /LE for one run without storing. The language is read from
# the usage dialog that /H shows (its title and texts), which is photographed in both.
source "$(dirname "$0")/../lib/bb.sh"

bb_display
export DISPLAY=$BB_DISPLAY
artefacts=$BB_TREE/artefacts
mkdir -p "$artefacts"
key='HKEY_LOCAL_MACHINE\Software\Norvane\Language'
english_title="Zentavo driver setup"
russian_title="Установка драйверов Zentavo"

fresh() {
    bb_machine "$1"
    bb_package
    bb_put "$BB_TREE/testenv/uidriver.exe" TOOLS
}

# recorded: the default value of the language key, or "(none)".
recorded() {
    local out
    out=$(mktemp)
    if "$BB_MACHINE" reg "$BB_M" "$key" "$out" 2>/dev/null; then
        sed -n 's/^@="\(.*\)"$/\1/p' "$out"
    else
        echo "(none)"
    fi
    rm -f "$out"
}

record() {
    "$BB_MACHINE" run "$BB_M" -- reg add 'HKLM\Software\Norvane\Language' /ve /d "$1" /f >/dev/null 2>&1
}

# usage_title LANG ARGS...: starts Morvisk /H ARGS on the machine's display, prints the title
# of the usage dialog, photographs it when SHOT is set, and closes it (the run ends with -1).
usage_title() {
    local lang=$1
    shift
    "$BB_MACHINE" start "$BB_M" --lang "$lang" --desktop 640x480 -- 'C:\PKG\Morvisk.exe' /H "$@" >/dev/null
    local window
    # The driver reads texts in the Cyrillic code page whatever the program's machine speaks.
    window=$("$BB_MACHINE" run "$BB_M" --lang ru --timeout 60 -- 'C:\TOOLS\uidriver.exe' wait --id 1 --class '#32770')
    [ -n "${SHOT:-}" ] && bb_shot "$SHOT"
    "$BB_MACHINE" run "$BB_M" --lang "$lang" --timeout 60 -- 'C:\TOOLS\uidriver.exe' click --id 1 --class '#32770' 1 --exit >/dev/null
    sed -n 's/^window [^ ]* #32770 "\(.*\)" pid=.*/\1/p' <<<"$window"
}

# --- English machine -----------------------------------------------------------------------
fresh app-lang-en
expect_eq "nothing recorded before the first run" "(none)" "$(recorded)"
bb_morvisk --lang en /Q /U
expect_eq "English machine: first run (nothing to uninstall) ends with 5" 5 "$BB_RC"
expect_eq "English machine: the first run records ENGLISH" "ENGLISH" "$(recorded)"
expect_eq "English machine speaks English" "$english_title" \
    "$(SHOT=$artefacts/app_usage_english.png usage_title en)"
"$BB_MACHINE" start "$BB_M" --lang en --desktop 640x480 -- 'C:\PKG\Morvisk.exe' /H >/dev/null
usage=$("$BB_MACHINE" run "$BB_M" --timeout 60 -- 'C:\TOOLS\uidriver.exe' dump --id 1 --class '#32770')
"$BB_MACHINE" run "$BB_M" --timeout 60 -- 'C:\TOOLS\uidriver.exe' click --id 1 --class '#32770' 1 --exit >/dev/null
expect_eq "English usage texts" '"Usage: Morvisk [/LE | /LR] [/LOG] [/Q [options]]"
"/LE\n/LR\n/LOG\n/Q\n/U\n/O\n/RB\n/NORB\n/ED"
"- English messages\n- Russian messages\n- Create LOG file\n- Quiet mode\n- Uninstall drivers\n- Always overwrite drivers\n- Ignore /Q option for reboot query\n- Do not reboot the system\n- Ignore /Q option for error messages"' \
    "$(sed -n 's/^control 65535 Static \(".*"\) type=text .*/\1/p' <<<"$usage")"
# The Russian template on a Western code page: Cyrillic letters cannot be shown there (as on
# an English Windows 98), but it is not the English dialog.
title=$(usage_title en /LR)
check "/LR on the English machine: the Russian dialog for this run" \
    test "$title" != "$english_title" -a "${title% Zentavo}" != "$title"
expect_eq "/LR is not recorded" "ENGLISH" "$(recorded)"
record NATIVE
expect_eq "NATIVE on an English machine: English" "$english_title" "$(usage_title en)"
expect_eq "NATIVE on an English machine becomes ENGLISH" "ENGLISH" "$(recorded)"

# --- Russian machine -----------------------------------------------------------------------
fresh app-lang-ru
bb_morvisk --lang ru /Q /U
expect_eq "Russian machine: first run (nothing to uninstall) ends with 5" 5 "$BB_RC"
expect_eq "Russian machine: the first run records NATIVE" "NATIVE" "$(recorded)"
expect_eq "Russian machine speaks Russian" "$russian_title" \
    "$(SHOT=$artefacts/app_usage_russian.png usage_title ru)"
# The Russian usage texts as a user reads them.
"$BB_MACHINE" start "$BB_M" --lang ru --desktop 640x480 -- 'C:\PKG\Morvisk.exe' /H >/dev/null
usage=$("$BB_MACHINE" run "$BB_M" --lang ru --timeout 60 -- 'C:\TOOLS\uidriver.exe' dump --id 1 --class '#32770')
"$BB_MACHINE" run "$BB_M" --lang ru --timeout 60 -- 'C:\TOOLS\uidriver.exe' click --id 1 --class '#32770' 1 --exit >/dev/null
expect_eq "Russian usage texts" '"Использование: Morvisk [/LE | /LR] [/LOG] [/Q [опции]]"
"/LE\n/LR\n/LOG\n/Q\n/U\n/O\n/RB\n/NORB\n/ED"
"- Английские сообщения\n- Русские сообщения\n- Создать файл отчета\n- Отключить вывод на экран\n- Удалить драйверы"
"\n- Всегда перезаписывать драйверы\n- Игнорировать /Q для вопроса о перезагрузке\n- Не перезагружать систему\n- Игнорировать /Q для сообщений об ошибках"' \
    "$(sed -n 's/^control 65535 Static \(".*"\) type=text .*/\1/p' <<<"$usage")"
expect_eq "/LE on the Russian machine: English for this run" "$english_title" "$(usage_title ru /LE)"
expect_eq "/LE is not recorded" "NATIVE" "$(recorded)"

record ENGLISH
expect_eq "ENGLISH on a Russian machine: English" "$english_title" "$(usage_title ru)"
expect_eq "ENGLISH stays recorded" "ENGLISH" "$(recorded)"

record english
expect_eq "lower-case english is not recognised: Russian" "$russian_title" "$(usage_title ru)"
expect_eq "the unrecognised value is replaced by NATIVE" "NATIVE" "$(recorded)"

bb_done
