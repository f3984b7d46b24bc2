#!/usr/bin/env bash
# Files in use: an install replaces a held module at the next restart; an uninstall that can
# neither delete a held module nor schedule its deletion fails after removing the rest.
source "$(dirname "$0")/../lib/bb.sh"

PKG=$BB_TREE/package
SYS32=
HOLD_OUT=$(mktemp)

# hold PATH: holdfile in the background until PATH.stop appears; returns once it holds.
hold() {
    : >"$HOLD_OUT"
    "$BB_MACHINE" run "$BB_M" --timeout 120 -- 'C:\TOOLS\holdfile.exe' "$1" >"$HOLD_OUT" &
    holder=$!
    wait_until 60 grep -q '^holding ' "$HOLD_OUT"
}

release() {
    touch "$1.stop"
    wait "$holder"
}

bb_machine install-held
bb_put "$BB_TREE/testenv/holdfile.exe" TOOLS
bb_package current
SYS32=$BB_C/windows/system32
mkdir -p "$BB_C/OTHER"
cp -r "$PKG/older/." "$BB_C/OTHER/"
bb_morvisk /Q /NORB /DISTR 'C:\OTHER'
expect_eq "older package installed" 1 "$BB_RC"

# --- install over a held module ----------------------------------------------------------
check "zvAPI.dll held" hold 'C:\windows\system32\zvAPI.dll'
bb_morvisk /Q /NORB
expect_eq "install over a held module asks for a restart" 1 "$BB_RC"
check "the held module is still the old one" cmp -s "$PKG/older/zvAPI.dll" "$SYS32/zvAPI.dll"
pending=$(find "$SYS32" -maxdepth 1 -name '_*' -type f -exec cmp -s "$PKG/current/zvAPI.dll" {} \; -print)
check "the new module waits beside it under another name" test -n "$pending"
check "WININIT.INI renames it at the restart" grep -qi 'zvapi' "$BB_C/windows/WININIT.INI"
release "$SYS32/zvAPI.dll"
"$BB_MACHINE" restart "$BB_M"
check "after the restart the package's module is in place" \
    cmp -s "$PKG/current/zvAPI.dll" "$SYS32/zvAPI.dll"

# --- uninstall that can neither delete nor schedule --------------------------------------
rm -f "$BB_C/windows/WININIT.INI"
mkdir "$BB_C/windows/WININIT.INI" # no Rename section can be written
check "zvERR.dll held" hold 'C:\windows\system32\zvERR.dll'
bb_morvisk /Q /U /NORB
expect_eq "an uninstall that leaves a file behind fails" 5 "$BB_RC"
check "the held file stays" test -e "$SYS32/zvERR.dll"
check "the other steps still ran" test ! -e "$SYS32/zvAPI.dll" -a ! -e "$SYS32/zvCSP.dll"
release "$SYS32/zvERR.dll"

for m in "${BB_MACHINES[@]}"; do "$BB_MACHINE" stop "$m"; done
bb_done
