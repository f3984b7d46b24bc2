#!/usr/bin/env bash
# The command line end to end on a Windows 98 machine, headless: exit codes, the usage
# dialog's -1, and the log file (default name, given path, appending, header letter for letter).
source "$(dirname "$0")/../lib/bb.sh"
source "$(dirname "$0")/lib.sh"

bb_machine app-cmdline
bb_package
log=$BB_C/PKG/Morvisk.Log
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# --- the usage dialog: unknown tokens and /H end with -1 (255), also under /Q -------------
for args in "/H" "/h" "-H" "/Q /H" "INSTALL" "/QX" "/LOGX" "/HELP" "/" "/1" "/Q bogus" \
    "/LOG /Q /U /ED extra" "/Q /LOG /H" "/LOG \"C:\\My Logs\\x.log\" /Q"; do
    # shellcheck disable=SC2086
    bb_morvisk $args
    expect_eq "usage: $args ends with -1" 255 "$BB_RC"
done
check "the usage ends the run before the log is opened" test ! -e "$log"

# --- quiet runs: every spelling of the options -----------------------------------------
for args in "/q /log" "-Q -LOG" "/LOG /Q" "-LR -LE /Q /LOG" "/Q /Q /LOG /LOG" "/Q /O /LOG"; do
    rm -f "$log"
    # shellcheck disable=SC2086
    bb_morvisk $args
    expect_eq "quiet: $args ends with 0" 0 "$BB_RC"
    app_log_normalised "$log" >"$tmp/got"
    app_install_success >"$tmp/want"
    expect_same_bytes "quiet: $args writes one install flow to Morvisk.Log" "$tmp/want" "$tmp/got"
done

# --- the timestamp of the header is the local time in its fixed form ----------------------
check "header timestamp form" grep -qE \
    $'^Starting installation at [0-9]{4}/[0-9]{2}/[0-9]{2}   [0-9]{2}:[0-9]{2}:[0-9]{2} \r$' "$log"

# --- appending across runs, with the uninstall flow's own header ---------------------------
rm -f "$log"
bb_morvisk /Q /LOG
bb_morvisk /Q /U /LOG
expect_eq "quiet uninstall ends with 0" 0 "$BB_RC"
app_log_normalised "$log" >"$tmp/got"
{ app_install_success; app_uninstall_success; } >"$tmp/want"
expect_same_bytes "a second run appends its flow after the first" "$tmp/want" "$tmp/got"

# --- a path after /LOG is used (upper-cased); without /LOG nothing is written ---------------
rm -f "$log"
mkdir -p "$BB_C/LOGS"
bb_morvisk /LOG 'c:\logs\run.txt' /Q
expect_eq "/LOG with a path ends with 0" 0 "$BB_RC"
check "the given log file is written" test -s "$BB_C/LOGS/RUN.TXT"
check "the default log file is not" test ! -e "$log"
app_log_normalised "$BB_C/LOGS/RUN.TXT" >"$tmp/got"
app_install_success >"$tmp/want"
expect_same_bytes "the given log file holds the flow" "$tmp/want" "$tmp/got"

bb_morvisk /Q
expect_eq "without /LOG the run ends with 0" 0 "$BB_RC"
check "without /LOG no log file appears" test ! -e "$log"

# A log that cannot be opened is not reported: the run goes on.
bb_morvisk /Q /LOG 'C:\NO\SUCH\DIR\x.log'
expect_eq "an unopenable log path does not stop the run" 0 "$BB_RC"

# --- the default name follows the program's own file name -------------------------------
mkdir -p "$BB_C/OTHER"
cp "$BB_C/PKG/Morvisk.exe" "$BB_C/OTHER/Setup.v2.exe"
bb_run -- 'C:\OTHER\Setup.v2.exe' /Q /LOG
expect_eq "a renamed program ends with 0" 0 "$BB_RC"
check "its log is named after the program, cut at the last dot" test -s "$BB_C/OTHER/Setup.v2.Log"

# --- interactive without a desktop: the main dialog cannot be made, the run ends with 5 ----
for args in "" "/LOG" "/U" "/O /NORB"; do
    rm -f "$log"
    # shellcheck disable=SC2086
    bb_morvisk $args
    expect_eq "interactive '$args' without a desktop ends with 5" 5 "$BB_RC"
done

bb_done
