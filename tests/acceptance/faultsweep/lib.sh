# The fault sweep's parts (faultsweep.sh).
# shellcheck shell=bash
#
#   fs_prepare NAME SCENARIO [OS]
#                              a machine (win98 by default, or winxp) in the state before the
#                              run: install-fresh (package only), reinstall and uninstall (the
#                              package installed, restarted)
#   fs_trace NAME SCENARIO OUT the numbered system calls of an unfailing run ("n name caller");
#                              its log is CLEAN.LOG beside OUT (the program upper-cases the
#                              names of the logs it makes), its end state the folder clean
#   fs_run NAME SCENARIO K DIR a copy of the prepared machine runs the scenario with call K
#                              failing; DIR gets rc, RUN.LOG, and the end state (fs_state)
#   fs_state MACHINE DIR       the machine's state: every file of C: (path, size, hash; the
#                              package folder aside) and the registry hives without timestamps
#   fs_same_state DIR1 DIR2 [SKIP]
#                              the two states are identical (lines matching the regular
#                              expression SKIP aside); prints the differences otherwise
#
# Needs bb.sh. The prepared machine is copied for every run: a run starts from exactly the
# same bytes each time.

FS_EXE=$BB_TREE/bin/Morvisk_faults.exe
FS_MACHINES=${MORVISK_BUILD:-$BB_SOURCE/build}/machines

# A host path as the machine sees it (Z: is the host's root).
fs_windows_path() { echo "Z:${1//\//\\}"; }

fs_args() {
    case $1 in
    uninstall) echo "/Q /U /NORB /LOG" ;;
    *) echo "/Q /NORB /LOG" ;;
    esac
}

# Runs C:\PKG\Morvisk_faults.exe on machine $1 with the scenario's arguments; sets BB_RC.
# The stand-in setupapi.dll, where it lies beside the program, is loaded before Wine's.
fs_morvisk() {
    local machine=$1 scenario=$2 log=$3
    local args overrides=${WINEDLLOVERRIDES:-}
    args=$(fs_args "$scenario")
    [ -f "$FS_MACHINES/$machine/drive_c/PKG/setupapi.dll" ] && overrides="setupapi=n,b"
    BB_RC=0
    # shellcheck disable=SC2086
    DISPLAY='' WINEDLLOVERRIDES=$overrides "$BB_MACHINE" run "$machine" --timeout 120 -- \
        'C:\PKG\Morvisk_faults.exe' $args "$(fs_windows_path "$log")" >/dev/null 2>&1 || BB_RC=$?
}

fs_prepare() {
    local name=$1 scenario=$2 os=${3:-win98}
    bb_machine "$name" "$os"
    bb_package current
    cp "$FS_EXE" "$BB_C/PKG/"
    if [ "$os" != win98 ]; then
        # The NT family installs its devices through the parts of the Setup API Wine lacks.
        cp "$BB_TREE/standins/pnp/setupapi.dll" "$BB_C/PKG/"
        cp "$BB_C/windows/system32/setupapi.dll" "$BB_C/PKG/winesetupapi.dll"
    fi
    if [ "$scenario" != install-fresh ]; then
        fs_morvisk "$name" install "$FS_MACHINES/$name-prepare.log"
        rm -f "$FS_MACHINES/$name-prepare.log"
        [ "$BB_RC" = 0 ] || [ "$BB_RC" = 1 ] || {
            echo "faultsweep: the preparing install ended with $BB_RC" >&2
            exit 2
        }
        "$BB_MACHINE" restart "$name"
    fi
    "$BB_MACHINE" stop "$name"
}

fs_trace() {
    local name=$1 scenario=$2 out=$3
    local run=$name-trace
    fs_copy "$name" "$run"
    MORVISK_FAIL_AT=0 MORVISK_FAULT_TRACE=$(fs_windows_path "$out") \
        fs_morvisk "$run" "$scenario" "$(dirname "$out")/CLEAN.LOG"
    "$BB_MACHINE" stop "$run"
    fs_state "$run" "$(dirname "$out")/clean"
    "$BB_MACHINE" rm "$run"
    [ "$BB_RC" = 0 ] || [ "$BB_RC" = 1 ] || {
        echo "faultsweep: the unfailing $scenario run ended with $BB_RC" >&2
        return 1
    }
}

fs_copy() {
    "$BB_MACHINE" rm "$2"
    cp -a "$FS_MACHINES/$1" "$FS_MACHINES/$2"
}

fs_state() {
    local pfx=$FS_MACHINES/$1 dir=$2
    mkdir -p "$dir"
    (cd "$pfx/drive_c" && find . -path ./PKG -prune -o -type f -print0 | sort -z |
        xargs -0 md5sum) >"$dir/files"
    (cd "$pfx/drive_c" && find . -path ./PKG -prune -o -printf '%y %p\n' | sort) >"$dir/tree"
    local hive
    for hive in system.reg user.reg; do
        # Key lines carry the time of their last change, "#time=" lines too; Wine's display
        # driver writes the day's date at every start. The program records its language at every
        # start, before any flow: no flow's rollback is to take that back. The sample COM
        # modules unregister their own key and leave its parent, as modules leave CLSID
        # (Wine writes a key without values only while it has no subkeys). The stand-ins count
        # their calls under TestSwitches: bookkeeping of the test machine, not its state.
        sed -E -e '/^#time=/d' -e 's/^(\[.*\]) [0-9]+$/\1/' -e '/^"DriverDate(Data)?"=/d' \
            "$pfx/$hive" | awk '
                /^\[/ { skip = ($0 == "[Software\\\\Norvane\\\\Language]" ||
                                $0 == "[Software\\\\Norvane\\\\Zentavo\\\\Registered]" ||
                                index($0, "[Software\\\\Morvisk\\\\TestSwitches") == 1) }
                !skip' >"$dir/$hive"
    done
}

fs_same_state() {
    local a=$1 b=$2 skip=${3:-} part same=0
    for part in files tree system.reg user.reg; do
        if [ -n "$skip" ]; then
            cmp -s <(grep -Ev "$skip" "$a/$part") <(grep -Ev "$skip" "$b/$part")
        else
            cmp -s "$a/$part" "$b/$part"
        fi || {
            same=1
            diff "$a/$part" "$b/$part" | head -n 20 | sed "s|^|    $part: |"
        }
    done
    return $same
}

fs_run() {
    local name=$1 scenario=$2 k=$3 dir=$4
    local run=$name-run
    mkdir -p "$dir"
    fs_copy "$name" "$run"
    MORVISK_FAIL_AT=$k fs_morvisk "$run" "$scenario" "$dir/RUN.LOG"
    echo "$BB_RC" >"$dir/rc"
    "$BB_MACHINE" stop "$run"
    fs_state "$run" "$dir"
}
