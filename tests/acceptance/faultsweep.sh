#!/usr/bin/env bash
# Fault sweep of the install (on a fresh machine and over an installed one) and the uninstall
# on Windows 98: every system call through which the product changes or reads the machine
# fails in turn (Morvisk_faults.exe). An install that fails (exit 5) must leave the machine
# exactly as it found it: every file of C: byte for byte, the registry hives (services,
# Norvane, the card database, RunOnce, pending renames), WININIT.INI. A run that completes
# (exit 0 or 1; the uninstall, whose steps are all non-critical, also with 5) must say in its
# log what failed (more failure lines than the unfailing run's log); the runs that complete
# without naming the failure are listed. Prints the figure at the end.
#
# The calls of a successful run are numbered; a call whose function changes the machine is
# failed at every occurrence, a call that only reads (queries, the log's writes) once per
# call site (function and caller), since its other occurrences take the same path.
#   FAULTSWEEP_SCENARIOS="install-fresh reinstall uninstall"   which to sweep
#   FAULTSWEEP_KEEP=DIR                                        keep every run's state there
source "$(dirname "$0")/../lib/bb.sh"
source "$BB_SOURCE/tests/faultsweep/lib.sh"

scenarios=${FAULTSWEEP_SCENARIOS:-install-fresh reinstall uninstall}
work=${FAULTSWEEP_KEEP:-$(mktemp -d)}
mkdir -p "$work"
[ -n "${FAULTSWEEP_KEEP:-}" ] || trap 'rm -rf "$work"' EXIT

# Functions whose every call is failed: they change the machine.
changing='^(CopyFileA|CreateDirectoryA|DeleteFileA|MoveFileA|MoveFileExA|RemoveDirectoryA|SetFileAttributesA|SetEndOfFile|GetTempFileNameA|CreateProcessA|GetExitCodeProcess|RegCreateKeyExA|RegSetValueExA|RegDeleteKeyA|RegDeleteValueA|StartServiceA|ControlService|SCardIntroduceCardTypeA|SCardForgetCardTypeA|SCardForgetReaderA|SetupDiCallClassInstaller)$'

# Failure lines of a log: a completed run that met a failure has more than the unfailing one.
failures() { grep -ciE 'fail|error' "$1" || true; }

swept=0 identical=0 differences=0 reported=0 silent=0 unlogged=0
for scenario in $scenarios; do
    name=fs-$scenario
    fs_prepare "$name" "$scenario"
    fs_state "$name" "$work/$scenario/before"
    fs_trace "$name" "$scenario" "$work/$scenario/trace" || {
        bb_fail "$scenario: an unfailing run completes"
        continue
    }
    clean_failures=$(failures "$work/$scenario/CLEAN.LOG")
    calls=$(awk -v changing="$changing" '
        $2 ~ changing { print $1; next }
        !seen[$2 " " $3]++ { print $1 }' "$work/$scenario/trace")
    echo "$scenario: $(wc -l <"$work/$scenario/trace") calls, $(echo "$calls" | wc -w) swept"
    for k in $calls; do
        call=$(awk -v k="$k" '$1 == k { print $2 }' "$work/$scenario/trace")
        dir=$work/$scenario/$k
        fs_run "$name" "$scenario" "$k" "$dir"
        rc=$(cat "$dir/rc")
        swept=$((swept + 1))
        # Every step of the uninstall is non-critical: a failure there (result 5 when a file
        # stays behind) is reported, nothing is rolled back.
        [ "$scenario" = uninstall ] && [ "$rc" = 5 ] && rc=completed
        case $rc in
        5)
            if out=$(fs_same_state "$work/$scenario/before" "$dir"); then
                identical=$((identical + 1))
            else
                differences=$((differences + 1))
                bb_fail "$scenario: call $k ($call) failed, exit 5, the machine differs" "$out"
            fi
            ;;
        0 | 1 | completed)
            if [ ! -f "$dir/RUN.LOG" ]; then
                unlogged=$((unlogged + 1))
            elif [ "$(failures "$dir/RUN.LOG")" -gt "$clean_failures" ]; then
                reported=$((reported + 1))
            else
                silent=$((silent + 1))
                echo "note $scenario: call $k ($call) failed, exit $rc, the log names no failure"
            fi
            ;;
        *)
            differences=$((differences + 1))
            bb_fail "$scenario: call $k ($call) failed, the run ended with $rc"
            ;;
        esac
        [ -n "${FAULTSWEEP_KEEP:-}" ] || rm -rf "$dir"
    done
    "$BB_MACHINE" rm "$name-run"
done

echo "steps swept: $swept, rollbacks identical: $identical, differences found: $differences," \
    "completed runs reporting the failure: $reported, not naming it: $silent," \
    "without a log (its own file failed): $unlogged"
[ "$differences" = 0 ] && bb_pass "fault sweep: every failed run left the machine as it was"
bb_done
