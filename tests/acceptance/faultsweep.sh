#!/usr/bin/env bash
# Fault sweep of the install (on a fresh machine, over the older package, and over an installed
# one whose files, service values and COM registrations differ from the package's) and of the
# uninstall, on Windows 98 and on Windows XP: every system call through which the product
# changes or reads the machine fails in turn (Morvisk_faults.exe).
#
# An install that fails (exit 5) must leave the machine exactly as it found it: every file of
# C: byte for byte, the registry hives (services, device keys, Norvane, the card database,
# RunOnce, pending renames), WININIT.INI; and so it must stay after a restart, which plays out
# what the run left for it. Its rollback is then swept in its turn: each call of the rollback
# fails (once per call site and scenario). That run must end with 5, delete no file the machine
# had before, and name in its log whatever it could not put back.
#
# A run that completes (exit 0 or 1; the uninstall, whose steps are all non-critical, also
# with 5) either absorbed the failure (it ends where the unfailing run ends, or, when it asks
# for a restart, ends there after the restart) or ends elsewhere and its log names every file,
# key or value that differs. Any other end is a silent
# difference, but for one: the program's own scratch folder in the user's temp folder, which
# stays when it cannot be deleted at the end of the run (counted apart). An uninstall that
# stops before its first step (exit 5, the machine as it was) counts as a failure left without
# a trace. A process that crashes during a run fails the sweep, with Wine's report of it.
# Prints the figure of each system at the end.
#
# The calls of a successful run are numbered; a call whose function changes the machine or
# decides about what it holds (existence, attributes, values, versions) is failed at every
# occurrence, any other call that only reads (queries, the log's writes) once per call site
# (function and caller), since its other occurrences take the same path.
#   FAULTSWEEP_OS="win98 winxp"                                       which systems to sweep
#   FAULTSWEEP_SCENARIOS="install-fresh upgrade reinstall uninstall"  which to sweep
#   FAULTSWEEP_KEEP=DIR                                   keep every run's state there
#   FAULTSWEEP_CALLS="N..."                               sweep only these calls
#   FAULTSWEEP_PLANT=1   proves that the sweep sees a rollback that restores nothing: the test
#                        build skips every file copy and value write after its failure, and
#                        the sweep passes only when it finds the file and the value that were
#                        not put back (it stops there; use it with upgrade or reinstall)
source "$(dirname "$0")/../lib/bb.sh"
source "$BB_SOURCE/tests/faultsweep/lib.sh"

systems=${FAULTSWEEP_OS:-win98 winxp}
scenarios=${FAULTSWEEP_SCENARIOS:-install-fresh upgrade reinstall uninstall}
plant=${FAULTSWEEP_PLANT:-}
work=${FAULTSWEEP_KEEP:-$(mktemp -d)}
mkdir -p "$work"
[ -n "${FAULTSWEEP_KEEP:-}" ] || trap 'rm -rf "$work"' EXIT
[ -z "$plant" ] || export MORVISK_FAULT_PLANT=restores

# Functions whose every call is failed: they change the machine, or decide whether something
# of it exists (a check that fails must never make an existing file or value look new).
changing='CopyFileA|CreateDirectoryA|DeleteFileA|MoveFileA|MoveFileExA|RemoveDirectoryA|SetFileAttributesA|SetEndOfFile|GetTempFileNameA|CreateProcessA|GetExitCodeProcess|RegCreateKeyExA|RegSetValueExA|RegSetValueExW|RegDeleteKeyA|RegDeleteValueA|StartServiceA|ControlService|ChangeServiceConfigA|CreateServiceA|DeleteService|SCardIntroduceCardTypeA|SCardForgetCardTypeA|SCardForgetReaderA|SetupDiCreateDeviceInfoA|SetupDiRegisterDeviceInfo|SetupDiCallClassInstaller|CM_Reenumerate_DevNode'
deciding='FindFirstFileA|GetFileAttributesA|RegQueryValueExA|RegQueryValueExW|GetFileVersionInfoSizeA'
every="^($changing|$deciding)\$"

# Machine $1 after what an earlier install or an administrator left different from what the
# package writes: the installed files (bytes added, the version kept), the service values and
# the COM registrations (the changed modules register themselves again, with their own size).
# A rollback there must restore what the package would not write. What a module registers is
# its own business: the program puts back the module and its registration, not data that no
# module writes.
fs_change_installed() {
    BB_C=$("$BB_MACHINE" c "$1")
    find "$BB_C/windows" -type f -iname 'zv*' -exec sh -c 'printf "\r\n;\r\n" >>"$1"' _ {} \;
    local module
    find "$BB_C/windows" -type f \( -iname zvCSP.dll -o -iname zvICCSP.dll \) |
        while read -r module; do
            module=C:${module#"$BB_C"}
            "$BB_MACHINE" run "$1" -- regsvr32 /s "${module//\//\\}" </dev/null >/dev/null
        done
    cat >"$BB_C/earlier.reg" <<'REG'
REGEDIT4

[HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\zvIFDH]
"Start"=dword:00000004
"DisplayName"="Earlier reader"
"ReadersCount"=dword:00000007
REG
    "$BB_MACHINE" run "$1" -- reg import 'C:\earlier.reg' >/dev/null
    rm "$BB_C/earlier.reg"
    "$BB_MACHINE" restart "$1"
    "$BB_MACHINE" stop "$1"
}

# Restarts machine $1 after a run; $2/restarted gets its state.
fs_restart() {
    "$BB_MACHINE" restart "$1" >>"$2/wine.out" 2>&1
    "$BB_MACHINE" stop "$1"
    fs_state "$1" "$2/restarted"
}

# Wine's report when a program of the machine crashed in the run of $1: the fault and its
# address, the frame it happened in, and the process (marked D).
fs_crash() {
    grep -E '^wine: Unhandled|^Unhandled exception|^=>|^[0-9a-f]{8} \(D\)' "$1/wine.out"
}

# The program's scratch folder, removed at the end of a run when it can be.
scratch='/[Tt][Ee][Mm][Pp]/NVSETUP\.[0-9]+(/|$)'
# What a restart keeps of the WININIT.INI it carried out: the system's record, not the run's.
done_wininit='/windows/wininit\.bak$'

# The files, keys and values that differ between two states and that the lines of the run's
# log (the second) not in the first log do not name, in any letter case; prints them, each as
# its names separated by "|" (file; key|value; ...).
unnamed() {
    local a=$1 b=$2 log0=$3 log=$4 item
    {
        cat "$a/tree" "$b/tree" | grep -Ev "$scratch" | sort | uniq -u | sed 's|.*/||'
        cat "$a/files" "$b/files" | grep -Ev "$scratch" | sort | uniq -u | sed 's|.*/||'
        for part in system.reg user.reg; do
            # Each line with its key, so that a changed value names the key it is in.
            cat <(awk '/^\[/ { key = $0 } { print key "\t" $0 }' "$a/$part") \
                <(awk '/^\[/ { key = $0 } { print key "\t" $0 }' "$b/$part") | sort | uniq -u |
                awk -F '\t' '{ n = split($1, parts, /\\\\/); sub(/\]$/, "", parts[n])
                               sub(/^\[/, "", parts[n]); name = parts[n]
                               # The log calls the smart-card database entry the card type.
                               if ($1 ~ /SmartCards/) { print name "|card type"; next }
                               # A device is named by its instance, by the hardware ID it
                               # carries, or, when it could not be made (and so has no
                               # instance yet), by its number in the device lines.
                               if ($1 ~ /\\\\Enum\\\\/) {
                                   devices[$1] = name
                                   if ($2 ~ /^"HardwareId"=/) {
                                       split($2, v, "\""); sub(/\\0.*/, "", v[4])
                                       ids[$1] = v[4]
                                   }
                                   next
                               }
                               # A pending rename is named by the files it renames.
                               if ($2 ~ /^"PendingFileRenameOperations"=/) {
                                   files = $2; gsub(/\\\\/, "/", files)
                                   count = split(files, paths, /\\0/)
                                   for (i = 1; i <= count; i++) {
                                       sub(/.*\//, "", paths[i]); sub(/"$/, "", paths[i])
                                       if (paths[i] != "") name = name "|" paths[i]
                                   }
                               }
                               if ($2 ~ /^"/) { split($2, v, "\""); name = name "|" v[2] }
                               print name }
                   END { for (key in devices)
                             print devices[key] (ids[key] == "" ? "" : "|" ids[key]) \
                                   "|Registering device" }'
        done
    } | sort -u | while IFS='|' read -r -a names; do
        local patterns=()
        for item in "${names[@]}"; do patterns+=(-e "$item"); done
        grep -vxFf "$log0" "$log" 2>/dev/null | grep -qiF "${patterns[@]}" ||
            (IFS='|' && echo "${names[*]}")
    done
}

# Whether the second state lacks a file or folder of the first; prints them. (A key or card
# type the run removed and its rollback could not put back is to be named in the log.)
deleted() {
    comm -23 <(sort "$1/tree") <(sort "$2/tree") | grep .
}

for os in $systems; do
    swept=0 identical=0 differences=0 absorbed=0 reported=0 silent=0 scratched=0 unlogged=0
    at_restart=0
    restarted=0 rollback_swept=0 rollback_sound=0 crashed=0 planted_files=0 planted_values=0
    checked_late=0
    for scenario in $scenarios; do
        name=fs-$os-$scenario
        dir0=$work/$os/$scenario
        fs_prepare "$name" "$scenario" "$os"
        [ "$scenario" != reinstall ] || fs_change_installed "$name"
        fs_state "$name" "$dir0/before"
        fs_trace "$name" "$scenario" "$dir0/trace" || {
            bb_fail "$os $scenario: an unfailing run completes"
            continue
        }
        # Checks decide about the machine's data once the flow has begun (its log written; the
        # package check comes before) and where there is data: on a fresh machine they are
        # swept once per call site, as other reads are.
        every_here=$every
        [ "$scenario" != install-fresh ] || every_here="^($changing)\$"
        calls=${FAULTSWEEP_CALLS:-$(awk -v every="$every_here" -v changing="^($changing)\$" '
            $2 == "WriteFile" { begun = 1 }
            $2 ~ changing || (begun && $2 ~ every) { print $1; next }
            !seen[$2 " " $3]++ { print $1 }' "$dir0/trace")}
        # The planted fault shows soonest in the latest steps, whose rollbacks restore the most.
        [ -z "$plant" ] || calls=$(echo "$calls" | tac)
        echo "$os $scenario: $(wc -l <"$dir0/trace") calls, $(echo "$calls" | wc -w) swept"
        declare -A rollback_seen=()
        late='' unsure=''
        for k in $calls; do
            call=$(awk -v k="$k" '$1 == k { print $2 }' "$dir0/trace")
            what="$os $scenario: call $k ($call) failed"
            dir=$dir0/$k
            fs_run "$name" "$scenario" "$k" "$dir"
            rc=$(cat "$dir/rc")
            swept=$((swept + 1))
            if out=$(fs_crash "$dir"); then
                crashed=$((crashed + 1))
                bb_fail "$what, a process crashed" "$out"
                continue
            fi
            # Every step of the uninstall is non-critical: a failure there (result 5 when a
            # file stays behind) is reported, nothing is rolled back.
            [ "$scenario" = uninstall ] && [ "$rc" = 5 ] &&
                ! fs_same_state "$dir0/before" "$dir" >/dev/null && rc=completed
            if [ -n "$plant" ]; then
                # Only the rollbacks count: after its failure the run copies and writes nothing.
                if [ "$rc" = 5 ]; then
                    cmp -s "$dir0/before/files" "$dir/files" || planted_files=1
                    cmp -s "$dir0/before/system.reg" "$dir/system.reg" || planted_values=1
                fi
                [ -n "${FAULTSWEEP_KEEP:-}" ] || rm -rf "$dir"
                [ "$planted_files$planted_values" = 11 ] && break
                continue
            fi
            case $rc in
            5)
                # The latest step whose failure rolls the run back: its function, its caller and
                # how many calls from there come after it.
                late=$(awk -v k="$k" '$1 == k { fn = $2; site = $3 }
                    fn != "" && $2 == fn && $3 == site { after++ }
                    END { print fn, site, after - 1 }' "$dir0/trace")
                read -r late_fn late_site late_after <<<"$late"
                if out=$(fs_same_state "$dir0/before" "$dir"); then
                    identical=$((identical + 1))
                else
                    differences=$((differences + 1))
                    bb_fail "$what, exit 5, the machine differs" "$out"
                fi
                # What the run left for the restart must not change the machine either.
                fs_restart "$name-run" "$dir"
                restarted=$((restarted + 1))
                if ! out=$(fs_same_state "$dir0/before" "$dir/restarted"); then
                    differences=$((differences + 1))
                    bb_fail "$what, exit 5, the machine differs after a restart" "$out"
                fi
                # The calls of its rollback (those after call k that change or decide), each
                # call site once per scenario.
                while read -r m fn site; do
                    [ -z "${rollback_seen[${fn}_$site]:-}" ] || continue
                    rollback_seen[${fn}_$site]=1
                    sub=$dir/rollback-$m
                    what2="$what, then call $m ($fn) of its rollback"
                    fs_run "$name" "$scenario" "$k,$m" "$sub"
                    rollback_swept=$((rollback_swept + 1))
                    rc2=$(cat "$sub/rc")
                    if out=$(fs_crash "$sub"); then
                        crashed=$((crashed + 1))
                        bb_fail "$what2, a process crashed" "$out"
                    elif [ "$rc2" != 5 ]; then
                        bb_fail "$what2, the run ended with $rc2"
                    elif out=$(deleted "$dir0/before" "$sub"); then
                        bb_fail "$what2, it deleted what the machine had" "$out"
                    elif out=$(unnamed "$dir0/before" "$sub" "$dir/RUN.LOG" "$sub/RUN.LOG") &&
                        [ -n "$out" ]; then
                        bb_fail "$what2, the log does not name what was not put back" "$out" \
                            "$(fs_same_state "$dir0/before" "$sub")"
                    else
                        rollback_sound=$((rollback_sound + 1))
                    fi
                    [ -n "${FAULTSWEEP_KEEP:-}" ] || rm -rf "$sub"
                done < <(awk -v k="$k" -v every="$every" '$1 > k && $2 ~ every' "$dir/trace")
                ;;
            0 | 1 | completed)
                # A check that failed and let the run go on may have taken something of the
                # machine for new: a later failure, whose rollback then deletes or loses it,
                # shows that.
                if [[ $call =~ ^($deciding)$ ]] && [ "$scenario" != uninstall ]; then
                    unsure+=" $k"
                    cp "$dir/trace" "$dir0/$k.trace"
                fi
                if out=$(fs_same_state "$dir0/clean" "$dir"); then
                    absorbed=$((absorbed + 1))
                elif fs_same_state "$dir0/clean" "$dir" "$scratch" >/dev/null; then
                    scratched=$((scratched + 1))
                elif [ "$rc" = 1 ] && fs_restart "$name-run" "$dir" &&
                    fs_same_state "$dir0/clean" "$dir/restarted" "$done_wininit" >/dev/null; then
                    # It took the way of a file in use: the restart completes it.
                    at_restart=$((at_restart + 1))
                elif [ ! -f "$dir/RUN.LOG" ]; then
                    unlogged=$((unlogged + 1))
                elif missing=$(unnamed "$dir0/clean" "$dir" "$dir0/CLEAN.LOG" "$dir/RUN.LOG") &&
                    [ -z "$missing" ]; then
                    reported=$((reported + 1))
                else
                    silent=$((silent + 1))
                    bb_fail "$what, exit $rc, the log does not name what differs:" \
                        "$missing" "$out"
                fi
                ;;
            *)
                differences=$((differences + 1))
                bb_fail "$what, the run ended with $rc"
                ;;
            esac
            [ -n "${FAULTSWEEP_KEEP:-}" ] || rm -rf "$dir"
        done
        for k in $unsure; do
            [ -n "$late" ] || break
            # Found in the run with call k failing by its caller, counted from the end: an
            # earlier check that failed may have moved its number.
            m=$(awk -v fn="$late_fn" -v site="$late_site" -v after="$late_after" '
                $2 == fn && $3 == site { n[++count] = $1 }
                END { if (count > after) print n[count - after] }' "$dir0/$k.trace")
            [ -n "$m" ] || {
                bb_fail "$os $scenario: call $k failed, then no call $late_fn from $late_site"
                continue
            }
            dir=$dir0/$k-late
            fs_run "$name" "$scenario" "$k,$m" "$dir"
            swept=$((swept + 1)) checked_late=$((checked_late + 1))
            rc=$(cat "$dir/rc")
            what="$os $scenario: call $k failed, then call $m ($late_fn)"
            if [ "$rc" != 5 ]; then
                bb_fail "$what: the run ended with $rc"
            elif out=$(fs_same_state "$dir0/before" "$dir"); then
                identical=$((identical + 1))
            else
                differences=$((differences + 1))
                bb_fail "$what: the machine differs" "$out"
            fi
            [ -n "${FAULTSWEEP_KEEP:-}" ] || rm -rf "$dir"
        done
        unset rollback_seen
        "$BB_MACHINE" rm "$name-run"
        rm -f "$FS_MACHINES/$name.crash"
        [ "$planted_files$planted_values" = 11 ] && break
    done
    if [ -n "$plant" ]; then
        expect_eq "$os: the planted rollback leaves a file and a value as the run made them" \
            11 "$planted_files$planted_values"
        continue
    fi
    echo "$os: steps swept: $swept, rollbacks identical: $identical, differences found:" \
        "$differences (also after $restarted restarts), completed runs absorbing the failure:" \
        "$absorbed, absorbing it at the restart: $at_restart, reporting it: $reported, silent" \
        "differences: $silent, only the scratch folder left: $scratched, without a log (its own" \
        "file failed): $unlogged; rollback calls failed: $rollback_swept, sound:" \
        "$rollback_sound; failed checks followed by a late failure: $checked_late; crashes:" \
        "$crashed"
done
[ "$BB_FAILED" = 0 ] && [ -z "$plant" ] &&
    bb_pass "fault sweep: every failed run left the machine as it was"
bb_done
