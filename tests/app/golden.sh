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

# A file in use that can neither go now nor at the restart (WININIT.INI is held as well): the
# uninstall must not report success.
package current
bb_morvisk /Q /NORB
bb_put "$BB_TREE/testenv/holdfile.exe" TOOLS
printf '[Rename]\r\n' >"$BB_C/windows/WININIT.INI"
for held in 'C:\windows\system32\zvAPI.dll' 'C:\windows\WININIT.INI'; do
    "$BB_MACHINE" run "$BB_M" --timeout 120 -- 'C:\TOOLS\holdfile.exe' "$held" >"$tmp/held" &
    wait_until 20 grep -q holding "$tmp/held" || bb_fail "holdfile could not hold $held"
done
flow - 5 /Q /U /NORB
expect_eq "the held file and WININIT.INI stay" "yes|[Rename]" \
    "$(test -e "$BB_C/windows/system32/zvAPI.dll" && echo yes)|$(tr -d '\r\n' <"$BB_C/windows/WININIT.INI")"

bb_done
