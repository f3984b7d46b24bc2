#!/usr/bin/env bash
# The product as its users meet it, across real restarts (testenv/machine restart performs
# WININIT.INI, pending renames and RunOnce): install, reinstall over files in use, uninstall
# of files in use, install-uninstall-install, and a second copy beside a running one (a
# quiet copy runs, an interactive one ends with 5). One table, one runner; each row runs its
# steps on a fresh machine of its OS.
source "$(dirname "$0")/../lib/bb.sh"
source "$(dirname "$0")/lib.sh"

HELD="zvIFDH.sys zvCSP.dll zvICCSP.dll zvAPI.dll"

# name | OS | steps (separated by ';', see the step_ functions below)
scenarios=(
    "install|win98|offers Install drivers; run 1 /Q /NORB /LOG; restart; installed; offers Reinstall drivers; snapshot single"
    "install-over-held|win98|package older; run 1 /Q /NORB; package current; hold $HELD; run 1 /Q /NORB /LOG; pending $HELD; restart; installed"
    "install-over-held-me|winme|package older; run 1 /Q /NORB; package current; hold $HELD; run 1 /Q /NORB /LOG; pending $HELD; restart; installed"
    "install-over-held-95|win95|package older; run 1 /Q /NORB; package current; hold $HELD; run 1 /Q /NORB /LOG; pending $HELD; restart; installed"
    "uninstall-held|win98|run 1 /Q /NORB; restart; hold $HELD; run 1 /Q /U /NORB /LOG; restart; removed"
    "install-uninstall-install|win98|run 1 /Q /NORB; restart; run 1 /Q /U /NORB; restart; removed; run 1 /Q /NORB; restart; same single"
    "second-copy-beside-running-one|win98|alongside; second 5; run 1 /Q /NORB /LOG; close 0; restart; installed"
)

step_package() { rm -rf "$BB_C/PKG"; bb_package "$1"; }
step_run() { acc_run "$name" "$@"; }
step_restart() { "$BB_MACHINE" restart "$BB_M"; }
step_installed() { acc_installed "$name" "$BB_TREE/package/current"; }
step_removed() { acc_removed "$name"; }
step_hold() { acc_hold "$@"; }
step_offers() { acc_offers "$name" "$*"; }
step_snapshot() { acc_snapshot "$ACC_TMP/snapshot-$1"; }
step_same() { acc_same "$name: the machine is where the '$1' row left its machine" "$ACC_TMP/snapshot-$1"; }

# Each held file waits in WININIT.INI for the restart, and each held COM module's
# registration in RunOnce.
step_pending() {
    local file ini=$BB_C/windows/WININIT.INI missing=()
    for file in "$@"; do
        grep -qiF "C:\\${ACC_TARGET[$file]//\//\\} = " <(tr -d '\r' <"$ini" 2>/dev/null) ||
            missing+=("$file")
    done
    expect_eq "$name: WININIT.INI renames every held file" "" "${missing[*]}"
    missing=()
    for file in "$@"; do
        case $file in zvCSP.dll | zvICCSP.dll)
            acc_key "$ACC_RUNONCE_KEY" | grep -qF "\"$file\"=" || missing+=("$file") ;;
        esac
    done
    expect_eq "$name: RunOnce registers every held COM module" "" "${missing[*]}"
}

# An interactive copy showing its main dialog, and its end through Escape.
step_alongside() {
    bb_display
    bb_put "$BB_TREE/testenv/uidriver.exe" TOOLS
    DISPLAY=$BB_DISPLAY "$BB_MACHINE" start "$BB_M" --desktop 640x480 -- 'C:\PKG\Morvisk.exe' >/dev/null
    DISPLAY=$BB_DISPLAY bb_drive wait --id 1001 --class '#32770'
    expect_eq "$name: the first copy shows its main dialog" 0 "$RC"
}
# A second interactive copy, on the same display: it ends at once instead of showing its own
# main dialog (the bound only keeps a failing run from waiting for a user).
step_second() {
    local rc=0
    DISPLAY=$BB_DISPLAY "$BB_MACHINE" run "$BB_M" --timeout 30 -- 'C:\PKG\Morvisk.exe' || rc=$?
    expect_eq "$name: a second interactive copy ends with $1" "$1" "$rc"
}
step_close() {
    DISPLAY=$BB_DISPLAY bb_drive key --id 1001 --class '#32770' ESCAPE --exit
    check "$name: the first copy ends with $1" grep -qx "exit $1" <<<"$OUT"
}

for row in "${scenarios[@]}"; do
    IFS='|' read -r name os steps <<<"$row"
    echo "--- $name ($os)"
    bb_machine "acc-$name" "$os"
    bb_package current
    IFS=';' read -ra list <<<"$steps"
    for step in "${list[@]}"; do
        read -ra words <<<"$step"
        "step_${words[0]}" "${words[@]:1}"
    done
    "$BB_MACHINE" stop "$BB_M"
done

bb_done
