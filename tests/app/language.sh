#!/usr/bin/env bash
# The language of a run and its record "Software\Norvane\Language" in HKEY_LOCAL_MACHINE, on
# English and Russian machines: read from the title of the usage dialog that /H shows.
source "$(dirname "$0")/../lib/bb.sh"

bb_display
export DISPLAY=$BB_DISPLAY
key='HKLM\Software\Norvane\Language'
english="Zentavo driver setup"
russian="Установка драйверов Zentavo"
bb_machine app-language
bb_package
bb_put "$BB_TREE/testenv/uidriver.exe" TOOLS

# recorded: the default value of the language key.
recorded() {
    "$BB_MACHINE" reg "$BB_M" "${key/HKLM/HKEY_LOCAL_MACHINE}" "$tmp" 2>/dev/null &&
        sed -n 's/^@="\(.*\)"$/\1/p' "$tmp"
}
tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT

# machine language | recorded before ("-": none) | arguments | title | recorded after
cases=(
    "en|-||$english|ENGLISH"
    "en|NATIVE||$english|ENGLISH"
    "ru|-||$russian|NATIVE"
    "ru|NATIVE|/LE|$english|NATIVE"
    "ru|ENGLISH|/LR|$russian|ENGLISH"
    "ru|ENGLISH||$english|ENGLISH"
    "ru|english||$russian|NATIVE"
)
for row in "${cases[@]}"; do
    IFS='|' read -r lang before args title after <<<"$row"
    if [ "$before" = - ]; then
        bb_run -- reg delete "$key" /f >/dev/null 2>&1
    else
        bb_run -- reg add "$key" /ve /d "$before" /f >/dev/null 2>&1
    fi
    # shellcheck disable=SC2086
    "$BB_MACHINE" start "$BB_M" --lang "$lang" --desktop 640x480 -- 'C:\PKG\Morvisk.exe' /H $args >/dev/null
    # The driver reads texts in the Cyrillic code page whatever the program's machine speaks.
    bb_drive --lang ru wait --id 1 --class '#32770'
    got=$(sed -n 's/^window [^ ]* #32770 "\(.*\)" pid=.*/\1/p' <<<"$OUT")
    bb_drive --lang "$lang" click --id 1 --class '#32770' 1 --exit
    expect_eq "$lang machine, '$before' recorded, /H $args: the title" "$title" "$got"
    expect_eq "$lang machine, '$before' recorded, /H $args: then recorded" "$after" "$(recorded)"
done

bb_done
