#!/usr/bin/env bash
# The command line and every quiet flow, one after another on one Windows 98 machine: each
# flow's exit code, and the part it appends to the log, byte for byte against a golden file in
# tests/app/golden/ (timestamps replaced by DATE). GOLDEN_UPDATE=1 writes those files instead.
source "$(dirname "$0")/../lib/bb.sh"
source "$(dirname "$0")/lib.sh"

golden=$BB_SOURCE/tests/app/golden
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# flow NAME|- RC ARGS...: one run; NAME's golden file is compared with what the run appended.
flow() {
    local name=$1 rc=$2 size
    shift 2
    size=$(stat -c %s "$log" 2>/dev/null || echo 0)
    bb_morvisk "$@"
    expect_eq "$* ends with $rc" "$rc" "$BB_RC"
    tail -c +$((size + 1)) "$log" 2>/dev/null >"$tmp/part"
    if [ "$name" = - ]; then
        check "$*: the default log gains nothing" test ! -s "$tmp/part"
    elif [ -n "${GOLDEN_UPDATE:-}" ]; then
        app_log_normalised "$tmp/part" >"$golden/$name.log"
    else
        app_log_normalised "$tmp/part" >"$tmp/got"
        expect_same_bytes "$*: log $name" "$golden/$name.log" "$tmp/got"
    fi
}
package() { rm -rf "$BB_C/PKG"/zv*; bb_package "$1"; }

bb_machine app-golden
bb_package current
log=$BB_C/PKG/Morvisk.Log
flow - 255 /Q bogus /LOG
check "the usage ends the run before the log is opened" test ! -e "$log"
flow - 5 /LOG
mkdir -p "$BB_C/LOGS"
flow - 5 /LOG 'c:\logs\run.txt' /Q /U /NORB
expect_same_bytes "a path after /LOG is used" "$golden/uninstall-nothing-installed.log" \
    "$BB_C/LOGS/RUN.TXT"
flow - 5 /Q /U /LOG 'C:\NO\SUCH\DIR\x.log'
# The default name follows the program's own file name, cut at the last dot.
mkdir -p "$BB_C/OTHER"
cp "$BB_C/PKG/Morvisk.exe" "$BB_C/OTHER/Setup.v2.exe"
bb_run -- 'C:\OTHER\Setup.v2.exe' /Q /U /LOG
check "a renamed program logs into Setup.v2.Log" test -s "$BB_C/OTHER/Setup.v2.Log"

package golden_iccsp_refused
flow critical-step-fails 5 /Q /NORB /LOG
# A refused package says why: the signature, alone beside its provider, or the folder.
rm "$BB_C/PKG/zvCSP.sig"
flow refused-signature 5 /Q /LOG
flow refused-folder 5 /Q /LOG /DISTR 'C:\NO\PKG'
package current
flow install 1 -q -log -norb
flow uninstall 1 /Q /U /NORB /LOG
flow uninstall-nothing-installed 5 /Q /U /LOG
flow - 1 /Q /NORB
# Without the smart-card components an uninstall removes the rest, and an install changes
# nothing.
WINEDLLOVERRIDES=winscard= flow no-winscard-uninstall 1 /Q /U /NORB /LOG
find "$BB_C/windows" | sort >"$tmp/before"
WINEDLLOVERRIDES=winscard= flow no-winscard-install 5 /Q /NORB /LOG
check "without WinSCard the install changes no file" cmp -s "$tmp/before" <(find "$BB_C/windows" | sort)
flow - 1 /Q /NORB
package older
flow older-package-quiet 0 /Q /LOG
flow older-package-overwrite 1 /Q /O /NORB /LOG
flow legacy-uninstall 0 /Q /U /NORB /LOG

# An uninstall cut short after the reader driver went: the next one removes the rest.
package current
bb_morvisk /Q /NORB
rm "$BB_C/windows/system32/drivers/zvIFDH.sys"
flow - 1 /Q /U /NORB
expect_eq "then no file of the package is left" "" "$(find "$BB_C/windows" -iname 'zv*')"

bb_put "$BB_TREE/testenv/holdfile.exe" TOOLS
# hold PATH...: each file held open, without write or delete sharing, until release.
hold() {
    local held
    for held; do
        "$BB_MACHINE" run "$BB_M" --timeout 120 -- 'C:\TOOLS\holdfile.exe' "$held" >"$tmp/held" &
        wait_until 20 grep -q holding "$tmp/held" || bb_fail "holdfile could not hold $held"
    done
}
# release FILE...: the holds on these files (below C:\) end.
release() {
    local f
    for f; do touch "$BB_C/$f.stop"; done
    for f; do wait_until 20 test ! -e "$BB_C/$f.stop"; done
}
# The modules, COM registrations, RunOnce entries and WININIT.INI requests an install leaves.
traces() {
    (cd "$BB_C/windows" && find . -iname 'zv*' -type f -exec md5sum {} + | sort -k2)
    for key in 'HKLM\Software\Norvane\Zentavo\Registered' \
        'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce'; do
        "$BB_MACHINE" reg "$BB_M" "$key" "$tmp/key" 2>/dev/null && grep -v '^$' "$tmp/key"
    done
    grep -i 'zv' "$BB_C/windows/WININIT.INI" 2>/dev/null
}

# A reinstall over older modules with the installed provider in use: its copy and its
# registration wait for the restart (WININIT.INI, RunOnce). The last registration fails, and
# the rollback takes both requests back and leaves the older modules and registrations.
package older
flow - 1 /Q /NORB
traces >"$tmp/before"
package golden_iccsp_refused
hold 'C:\windows\system32\zvCSP.dll'
flow reinstall-fails 5 /Q /O /NORB /LOG
release windows/system32/zvCSP.dll
traces >"$tmp/after"
expect_same_bytes "the failed reinstall leaves the older install as it was" "$tmp/before" "$tmp/after"

# Files in use that can neither go now nor at the restart (WININIT.INI is held as well): the
# install and the uninstall must not report success. Then, after an install, the uninstall
# leaves a file in use to the restart, and a module that is gone cannot be unregistered.
package current
flow - 1 /Q /O /NORB
printf '[Rename]\r\n' >"$BB_C/windows/WININIT.INI"
hold 'C:\windows\system32\zvAPI.dll' 'C:\windows\WININIT.INI'
flow reinstall-held 5 /Q /O /NORB /LOG
flow uninstall-held 5 /Q /U /NORB /LOG
expect_eq "the held file and WININIT.INI stay" "yes|[Rename]" \
    "$(test -e "$BB_C/windows/system32/zvAPI.dll" && echo yes)|$(tr -d '\r\n' <"$BB_C/windows/WININIT.INI")"
release windows/WININIT.INI windows/system32/zvAPI.dll
flow - 1 /Q /NORB
hold 'C:\windows\system32\zvAPI.dll'
rm "$BB_C/windows/system32/zvICCSP.dll"
flow uninstall-at-restart 1 /Q /U /NORB /LOG
release windows/system32/zvAPI.dll

bb_done
