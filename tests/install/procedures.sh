#!/usr/bin/env bash
# The install and uninstall procedures through Morvisk.exe /Q on the Windows 98 machine:
# files in the system folders, registry, WININIT.INI and the card-type database.
source "$(dirname "$0")/../lib/bb.sh"

PKG=$BB_TREE/package
MODULES=(zvAPI.dll zvAPIEX.dll zvERR.dll zvCSP.dll zvCSP.sig zvICCSP.dll zvPKCS11.dll)
DRIVER_KEY='HKLM\SYSTEM\CurrentControlSet\Services\zvIFDH'
USB_KEY='HKLM\SYSTEM\CurrentControlSet\Services\zvusb'
CARD_KEY='HKLM\SOFTWARE\Microsoft\Cryptography\Calais\SmartCards\zenTavo'
COM_KEY='HKLM\SOFTWARE\Norvane\Zentavo\Registered'
REG_OUT=$(mktemp)

# installed FILE: where the machine keeps a package file.
installed() {
    case $1 in
    *.sys) echo "$BB_C/windows/system32/drivers/$1" ;;
    *.inf) echo "$BB_C/windows/inf/$1" ;;
    *) echo "$BB_C/windows/system32/$1" ;;
    esac
}

# same_files NAME VARIANT FILE...: each installed file has the variant's bytes.
same_files() {
    local name=$1 variant=$2 f differing=()
    shift 2
    for f in "$@"; do cmp -s "$PKG/$variant/$f" "$(installed "$f")" || differing+=("$f"); done
    expect_eq "$name" "" "${differing[*]}"
}

# absent_files NAME FILE...: none of the files is installed.
absent_files() {
    local name=$1 f present=()
    shift
    for f in "$@"; do [ -e "$(installed "$f")" ] && present+=("$f"); done
    expect_eq "$name" "" "${present[*]}"
}

# reg_text KEY: the exported key, empty when it does not exist.
reg_text() {
    : >"$REG_OUT"
    "$BB_MACHINE" reg "$BB_M" "$1" "$REG_OUT" 2>/dev/null || : >"$REG_OUT"
    tr -d '\r' <"$REG_OUT"
}

readers_count() {
    reg_text "$DRIVER_KEY" | sed -n 's/^"ReadersCount"=dword:0*\([0-9a-f]\)/\1/p'
}

# other_package VARIANT: the variant's files in C:\OTHER, run through /DISTR.
other_package() {
    rm -rf "$BB_C/OTHER"
    mkdir -p "$BB_C/OTHER"
    cp -r "$PKG/$1/." "$BB_C/OTHER/"
    rm -f "$BB_C/OTHER/Morvisk.exe"
}

ALL_CURRENT=(zvIFDH.sys zvUSB.sys zvUSB.inf "${MODULES[@]}")
OLDER_FILES=(zvIFDH.sys zvUSB.sys zvUSB.inf zvAPI.dll zvERR.dll zvCSP.dll zvCSP.sig zvICCSP.dll)

# Exit codes and logs of these flows are in the golden logs; here, what lands on the machine.
# --- current package: install, reinstall, uninstall -------------------------------------
bb_machine install-current
bb_package current
bb_morvisk /Q /NORB
same_files "fresh install copies every file of the 9x tree" current "${ALL_CURRENT[@]}"

bb_run -- reg add "$DRIVER_KEY" /v ReadersCount /t REG_DWORD /d 5 /f
bb_morvisk /Q /NORB
expect_eq "reinstall keeps the chosen reader count" 5 "$(readers_count)"

rm -f "$(installed zvAPIEX.dll)"
bb_morvisk /Q /U /NORB
expect_eq "uninstall on 9x asks for a restart, a missing file is harmless" 1 "$BB_RC"
absent_files "uninstall removes every file" "${ALL_CURRENT[@]}"
expect_eq "uninstall removes the driver, USB and card keys and the COM registrations" "" \
    "$(reg_text "$DRIVER_KEY")$(reg_text "$USB_KEY")$(reg_text "$CARD_KEY")$(reg_text "$COM_KEY\\zvCSP")"

# --- incomplete package; a critical step that fails --------------------------------------
bb_machine install-failures
bb_package current
rm -f "$BB_C/PKG/zvAPI.dll"
bb_morvisk /Q /NORB
expect_eq "a missing package file stops the install" 5 "$BB_RC"
absent_files "nothing installed from an incomplete package" "${ALL_CURRENT[@]}"

other_package older
bb_morvisk /Q /NORB /DISTR 'C:\OTHER'
other_package install_csp_fails
bb_morvisk /Q /NORB /DISTR 'C:\OTHER'
expect_eq "a failing CSP registration fails the install" 5 "$BB_RC"
same_files "every replaced file is back" older "${OLDER_FILES[@]}"
check "the old CSP registration is back" grep -q 'zvCSP.dll' <(reg_text "$COM_KEY\\zvCSP")

# Machines kept after a failure must not hold the test's output open.
for m in "${BB_MACHINES[@]}"; do "$BB_MACHINE" stop "$m"; done
bb_done
