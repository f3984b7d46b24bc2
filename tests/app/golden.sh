#!/usr/bin/env bash
# Every flow's log, byte for byte, against a golden file in tests/app/golden/ (timestamps
# replaced by DATE), with the flow's exit code. Each scenario runs on a fresh Windows 98
# machine: a preparation, then one run whose log is compared.
# GOLDEN_UPDATE=1 writes the logs into tests/app/golden/ instead, for review.
source "$(dirname "$0")/../lib/bb.sh"
source "$(dirname "$0")/lib.sh"

golden=$BB_SOURCE/tests/app/golden
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
holder=$BB_TREE/testenv/holdfile.exe

quiet_install() {
    bb_morvisk /Q /NORB /LOG 'C:\PREP.LOG'
    expect_eq "$name: the preparing install needs only the restart" 1 "$BB_RC"
    [ "$BB_RC" = 1 ] || tr -d '\r' <"$BB_C/PREP.LOG"
}
# A reinstall while zvAPI.dll is in use: it is replaced at the next restart.
install_then_hold() {
    quiet_install
    bb_put "$holder" TOOLS
    "$BB_MACHINE" run "$BB_M" --timeout 120 -- 'C:\TOOLS\holdfile.exe' \
        'C:\windows\system32\zvAPI.dll' >"$tmp/holding" &
    wait_until 20 grep -q holding "$tmp/holding"
}
# The current package installed, then the package of the scenario laid out over it.
install_current_first() {
    local variant=$1
    rm -rf "$BB_C/PKG"
    bb_package current
    quiet_install
    rm -rf "$BB_C/PKG"
    bb_package "$variant"
}

# name | package | preparation | arguments | exit code
scenarios=(
    "install|current|-|/Q /NORB /LOG|1"
    "reinstall-in-use|current|install_then_hold|/Q /NORB /LOG|1"
    "uninstall|current|quiet_install|/Q /U /NORB /LOG|1"
    "uninstall-nothing-installed|current|-|/Q /U /LOG|5"
    "older-package-quiet|older|install_current_first older|/Q /LOG|0"
    "older-package-overwrite|older|install_current_first older|/Q /O /NORB /LOG|1"
    "critical-step-fails|golden_iccsp_refused|-|/Q /NORB /LOG|5"
    "legacy-install|legacy|-|/Q /NORB /LOG|1"
    "legacy-uninstall|legacy|quiet_install|/Q /U /NORB /LOG|0"
)

for row in "${scenarios[@]}"; do
    IFS='|' read -r name variant prepare args rc <<<"$row"
    bb_machine "golden-$name"
    bb_package "$variant"
    # shellcheck disable=SC2086
    [ "$prepare" = - ] || $prepare
    rm -f "$BB_C/PKG/Morvisk.Log"
    # shellcheck disable=SC2086
    bb_morvisk $args
    touch "$BB_C/windows/system32/zvAPI.dll.stop"
    expect_eq "$name: exit code" "$rc" "$BB_RC"
    app_log_normalised "$BB_C/PKG/Morvisk.Log" >"$tmp/$name.log"
    if [ -n "${GOLDEN_UPDATE:-}" ]; then
        cp "$tmp/$name.log" "$golden/$name.log"
    else
        expect_same_bytes "$name: log" "$golden/$name.log" "$tmp/$name.log"
    fi
    "$BB_MACHINE" stop "$BB_M"
done

bb_done
