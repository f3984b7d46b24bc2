# Shared by the acceptance suites: where the product leaves its marks on a 9x machine, and one
# helper per kind of check over them. Source after tests/lib/bb.sh.
# shellcheck shell=bash

ACC_TMP=$(mktemp -d)
trap 'rm -rf "$ACC_TMP"' EXIT

# The package files a 9x install copies, and where they land (below C:\).
declare -A ACC_TARGET=(
    [zvIFDH.sys]=windows/system32/drivers/zvIFDH.sys
    [zvUSB.sys]=windows/system32/drivers/zvUSB.sys
    [zvUSB.inf]=windows/inf/zvUSB.inf
    [zvCSP.dll]=windows/system32/zvCSP.dll
    [zvCSP.sig]=windows/system32/zvCSP.sig
    [zvICCSP.dll]=windows/system32/zvICCSP.dll
    [zvPKCS11.dll]=windows/system32/zvPKCS11.dll
    [zvAPI.dll]=windows/system32/zvAPI.dll
    [zvAPIEX.dll]=windows/system32/zvAPIEX.dll
    [zvERR.dll]=windows/system32/zvERR.dll
)
# The registry keys the install and the uninstall touch.
ACC_KEYS=(
    'HKLM\SYSTEM\CurrentControlSet\Services\zvIFDH'
    'HKLM\SYSTEM\CurrentControlSet\Services\zvusb'
    'HKLM\SOFTWARE\Norvane\Zentavo'
    'HKLM\SOFTWARE\Microsoft\Cryptography\Calais'
    'HKCU\SOFTWARE\Microsoft\Cryptography\Calais'
    'HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\RunOnce'
)
ACC_SERVICE_KEY='HKLM\SYSTEM\CurrentControlSet\Services\zvIFDH'
ACC_REGISTERED_KEY='HKLM\SOFTWARE\Norvane\Zentavo\Registered'
ACC_CARD_KEY='HKLM\SOFTWARE\Microsoft\Cryptography\Calais\SmartCards'
ACC_RUNONCE_KEY='HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\RunOnce'

# acc_key KEY: the key's export (without the header line), or nothing when it is absent.
acc_key() {
    "$BB_MACHINE" reg "$BB_M" "$1" "$ACC_TMP/key" 2>/dev/null && sed 1d "$ACC_TMP/key"
}

# acc_snapshot FILE: every file of the machine's C: outside C:\PKG and C:\TOOLS with its
# checksum, then the product's registry keys. Two machines in the same state give the same
# text.
acc_snapshot() {
    {
        (cd "$BB_C" && find . -path ./PKG -prune -o -path ./TOOLS -prune -o -type f -print0 |
            sort -z | xargs -0 md5sum)
        local key
        for key in "${ACC_KEYS[@]}"; do
            echo "# $key"
            acc_key "$key"
        done
    } >"$1"
}

# acc_same NAME WANT_SNAPSHOT: the machine's state equals a snapshot taken before.
acc_same() {
    acc_snapshot "$ACC_TMP/now"
    if cmp -s "$2" "$ACC_TMP/now"; then
        bb_pass "$1"
    else
        bb_fail "$1" "$(diff "$2" "$ACC_TMP/now" | head -n 20)"
    fi
}

# acc_run NAME RC ARGS...: one run of C:\PKG\Morvisk.exe with its exit code checked.
acc_run() {
    local name=$1 rc=$2
    shift 2
    bb_morvisk "$@"
    expect_eq "$name: Morvisk $* ends with $rc" "$rc" "$BB_RC"
}

# acc_installed NAME FOLDER: every target holds the copy of FOLDER byte for byte, no
# temporary copy or pending rename is left, and the service key with its reader count, both
# COM registrations and the card type are in place.
acc_installed() {
    local name=$1 folder=$2 file differing=() leftovers
    for file in "${!ACC_TARGET[@]}"; do
        cmp -s "$folder/$file" "$BB_C/${ACC_TARGET[$file]}" || differing+=("$file")
    done
    expect_eq "$name: every target is the package's copy" "" "${differing[*]}"
    leftovers=$(cd "$BB_C/windows" && find . -iname '_zv*' -o -iname wininit.ini | sort | tr '\n' ' ')
    expect_eq "$name: no temporary copy, no WININIT.INI left" "" "$leftovers"
    check "$name: service key with ReadersCount" grep -q '^"ReadersCount"=dword:' \
        <(acc_key "$ACC_SERVICE_KEY")
    expect_eq "$name: both COM modules registered" "zvCSP zvICCSP" \
        "$(acc_key "$ACC_REGISTERED_KEY" | sed -n 's/^\[.*\\Registered\\\(.*\)\]$/\1/p' | sort | tr '\n' ' ' | sed 's/ $//')"
    check "$name: the card type with its ATR" grep -qi '^"ATR"=hex:3b' \
        <(acc_key "$ACC_CARD_KEY\\zenTavo")
    expect_eq "$name: no RunOnce command left" "" "$(acc_key "$ACC_RUNONCE_KEY" | grep '^"')"
}

# acc_removed NAME: no file, service key, registration or card type of the product is left.
acc_removed() {
    local name=$1 file left=()
    for file in "${!ACC_TARGET[@]}"; do
        [ -e "$BB_C/${ACC_TARGET[$file]}" ] && left+=("$file")
    done
    expect_eq "$name: every file gone" "" "${left[*]}"
    expect_eq "$name: no service key" "" "$(acc_key "$ACC_SERVICE_KEY")"
    expect_eq "$name: no COM registration" "" "$(acc_key "$ACC_REGISTERED_KEY" | grep '\\Registered\\')"
    expect_eq "$name: no card type" "" "$(acc_key "$ACC_CARD_KEY\\zenTavo")"
}

# acc_hold FILES...: each installed target held open by a running program until the restart.
acc_hold() {
    local file out
    bb_put "$BB_TREE/testenv/holdfile.exe" TOOLS
    for file in "$@"; do
        out=$ACC_TMP/hold-$file
        "$BB_MACHINE" run "$BB_M" --timeout 120 -- 'C:\TOOLS\holdfile.exe' \
            "C:\\${ACC_TARGET[$file]//\//\\}" >"$out" &
        wait_until 20 grep -q holding "$out" || bb_fail "holdfile could not hold $file"
    done
}

# acc_offers NAME TEXT: an interactive start shows TEXT on the main dialog's first button.
acc_offers() {
    bb_display
    bb_put "$BB_TREE/testenv/uidriver.exe" TOOLS
    DISPLAY=$BB_DISPLAY "$BB_MACHINE" start "$BB_M" --desktop 640x480 -- 'C:\PKG\Morvisk.exe' >/dev/null
    DISPLAY=$BB_DISPLAY bb_drive dump --id 1001 --class '#32770'
    check "$1: the main dialog offers '$2'" grep -q "^control 1001 Button \"$2\" " <<<"$OUT"
    DISPLAY=$BB_DISPLAY bb_drive key --id 1001 --class '#32770' ESCAPE --exit
}
