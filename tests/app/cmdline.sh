#!/usr/bin/env bash
# The command line end to end on a Windows 98 machine, headless: the usage dialog's -1, and
# where the log goes (default name, given path, appending, none). The parsing itself is
# covered by the options unit test; the log texts by the golden logs.
source "$(dirname "$0")/../lib/bb.sh"
source "$(dirname "$0")/lib.sh"

bb_machine app-cmdline
bb_package
log=$BB_C/PKG/Morvisk.Log
golden=$BB_SOURCE/tests/app/golden
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

for args in "/LOG /H" "INSTALL" "/Q bogus /LOG"; do
    # shellcheck disable=SC2086
    bb_morvisk $args
    expect_eq "usage: '$args' ends with -1" 255 "$BB_RC"
done
check "the usage ends the run before the log is opened" test ! -e "$log"

# Interactive without a desktop: the main dialog cannot be made.
bb_morvisk /LOG
expect_eq "interactive without a desktop ends with 5" 5 "$BB_RC"
rm -f "$log"

bb_morvisk -q -log -norb
bb_morvisk /Q /U /NORB /LOG
app_log_normalised "$log" >"$tmp/got"
cat "$golden/install.log" "$golden/uninstall.log" >"$tmp/want"
expect_same_bytes "a second run appends its flow to the default log" "$tmp/want" "$tmp/got"

# A path after /LOG is used; without /LOG nothing is written; an unopenable path stops nothing.
rm -f "$log"
mkdir -p "$BB_C/LOGS"
bb_morvisk /LOG 'c:\logs\run.txt' /Q /U /NORB
expect_eq "/LOG with a path: the uninstall runs (nothing installed: 5)" 5 "$BB_RC"
expect_same_bytes "the given log file holds the flow" "$golden/uninstall-nothing-installed.log" \
    "$BB_C/LOGS/RUN.TXT"
bb_morvisk /Q /U /LOG 'C:\NO\SUCH\DIR\x.log'
expect_eq "an unopenable log path does not stop the run" 5 "$BB_RC"
check "no default log without /LOG or with a path" test ! -e "$log"

# The default name follows the program's own file name, cut at the last dot.
mkdir -p "$BB_C/OTHER"
cp "$BB_C/PKG/Morvisk.exe" "$BB_C/OTHER/Setup.v2.exe"
bb_run -- 'C:\OTHER\Setup.v2.exe' /Q /U /LOG
check "a renamed program logs into Setup.v2.Log" test -s "$BB_C/OTHER/Setup.v2.Log"

bb_done
