#!/usr/bin/env bash
# Fault sweep of the install (on a fresh machine and over an installed one) and the uninstall
# on Windows 98 and on Windows XP: every system call through which the product changes or
# reads the machine fails in turn (Morvisk_faults.exe). An install that fails (exit 5) must
# leave the machine exactly as it found it: every file of C: byte for byte, the registry hives
# (services, device keys, Norvane, the card database, RunOnce, pending renames), WININIT.INI.
# A run that completes (exit 0 or 1; the uninstall, whose steps are all non-critical, also
# with 5) either absorbed the failure (it ends where the unfailing run ends) or ends elsewhere
# and must say so: in its log (more failure lines, or more steps left for the restart, than
# the unfailing run's log) or by asking for a restart the unfailing run did not ask for. Any other end is a silent difference, but
# for one: the program's own scratch folder in the user's temp folder, which stays when it
# cannot be deleted at the end of the run (counted apart). An uninstall that stops before its
# first step (exit 5, the machine as it was) counts as a failure left without a trace.
# Prints the figure of each system at the end.
#
# The calls of a successful run are numbered; a call whose function changes the machine is
# failed at every occurrence, a call that only reads (queries, the log's writes) once per
# call site (function and caller), since its other occurrences take the same path.
#   FAULTSWEEP_OS="win98 winxp"                                which systems to sweep
#   FAULTSWEEP_SCENARIOS="install-fresh reinstall uninstall"   which to sweep
#   FAULTSWEEP_KEEP=DIR                                        keep every run's state there
source "$(dirname "$0")/../lib/bb.sh"
source "$(dirname "$0")/faultsweep/lib.sh"

systems=${FAULTSWEEP_OS:-win98 winxp}
scenarios=${FAULTSWEEP_SCENARIOS:-install-fresh reinstall uninstall}
work=${FAULTSWEEP_KEEP:-$(mktemp -d)}
mkdir -p "$work"
[ -n "${FAULTSWEEP_KEEP:-}" ] || trap 'rm -rf "$work"' EXIT

# Functions whose every call is failed: they change the machine.
changing='^(CopyFileA|CreateDirectoryA|DeleteFileA|MoveFileA|MoveFileExA|RemoveDirectoryA|SetFileAttributesA|SetEndOfFile|GetTempFileNameA|CreateProcessA|GetExitCodeProcess|RegCreateKeyExA|RegSetValueExA|RegSetValueExW|RegDeleteKeyA|RegDeleteValueA|StartServiceA|ControlService|ChangeServiceConfigA|CreateServiceA|DeleteService|SCardIntroduceCardTypeA|SCardForgetCardTypeA|SCardForgetReaderA|SetupDiCreateDeviceInfoA|SetupDiRegisterDeviceInfo|SetupDiCallClassInstaller|CM_Reenumerate_DevNode)$'

# Failure lines of a log: a completed run that met a failure has more than the unfailing one.
failures() { grep -ciE 'fail|error|abort' "$1" || true; }
restarts() { grep -ci 'reboot' "$1" || true; }
# The program's scratch folder, removed at the end of a run when it can be.
scratch='/[Tt][Ee][Mm][Pp]/NVSETUP\.[0-9]+(/|$)'

for os in $systems; do
    swept=0 identical=0 differences=0 absorbed=0 reported=0 silent=0 scratched=0 unlogged=0
    for scenario in $scenarios; do
        name=fs-$os-$scenario
        dir0=$work/$os/$scenario
        fs_prepare "$name" "$scenario" "$os"
        fs_state "$name" "$dir0/before"
        fs_trace "$name" "$scenario" "$dir0/trace" || {
            bb_fail "$os $scenario: an unfailing run completes"
            continue
        }
        clean_rc=$BB_RC
        clean_failures=$(failures "$dir0/CLEAN.LOG")
        clean_restarts=$(restarts "$dir0/CLEAN.LOG")
        calls=$(awk -v changing="$changing" '
            $2 ~ changing { print $1; next }
            !seen[$2 " " $3]++ { print $1 }' "$dir0/trace")
        echo "$os $scenario: $(wc -l <"$dir0/trace") calls, $(echo "$calls" | wc -w) swept"
        for k in $calls; do
            call=$(awk -v k="$k" '$1 == k { print $2 }' "$dir0/trace")
            what="$os $scenario: call $k ($call) failed"
            dir=$dir0/$k
            fs_run "$name" "$scenario" "$k" "$dir"
            rc=$(cat "$dir/rc")
            swept=$((swept + 1))
            # Every step of the uninstall is non-critical: a failure there (result 5 when a
            # file stays behind) is reported, nothing is rolled back.
            [ "$scenario" = uninstall ] && [ "$rc" = 5 ] &&
                ! fs_same_state "$dir0/before" "$dir" >/dev/null && rc=completed
            case $rc in
            5)
                if out=$(fs_same_state "$dir0/before" "$dir"); then
                    identical=$((identical + 1))
                else
                    differences=$((differences + 1))
                    bb_fail "$what, exit 5, the machine differs" "$out"
                fi
                ;;
            0 | 1 | completed)
                if out=$(fs_same_state "$dir0/clean" "$dir"); then
                    absorbed=$((absorbed + 1))
                elif fs_same_state "$dir0/clean" "$dir" "$scratch" >/dev/null; then
                    scratched=$((scratched + 1))
                elif [ ! -f "$dir/RUN.LOG" ]; then
                    unlogged=$((unlogged + 1))
                elif [ "$(failures "$dir/RUN.LOG")" -gt "$clean_failures" ] ||
                    [ "$(restarts "$dir/RUN.LOG")" -gt "$clean_restarts" ] ||
                    { [ "$rc" = 1 ] && [ "$clean_rc" = 0 ]; }; then
                    reported=$((reported + 1))
                else
                    silent=$((silent + 1))
                    bb_fail "$what, exit $rc, the machine differs and the log names no failure" \
                        "$out"
                fi
                ;;
            *)
                differences=$((differences + 1))
                bb_fail "$what, the run ended with $rc"
                ;;
            esac
            [ -n "${FAULTSWEEP_KEEP:-}" ] || rm -rf "$dir"
        done
        "$BB_MACHINE" rm "$name-run"
    done
    echo "$os: steps swept: $swept, rollbacks identical: $identical, differences found:" \
        "$differences, completed runs absorbing the failure: $absorbed, reporting it:" \
        "$reported, silent differences: $silent, only the scratch folder left: $scratched," \
        "without a log (its own file failed): $unlogged"
done
[ "$BB_FAILED" = 0 ] && bb_pass "fault sweep: every failed run left the machine as it was"
bb_done
