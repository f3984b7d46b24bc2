# Black-box test helpers: source from a bash test script run by ctest.
#
#   bb_machine NAME [OS]       fresh machine; sets BB_M (its name) and BB_C (its C: folder)
#   bb_put FILE... WINDIR      copy host files into C:\WINDIR
#   bb_morvisk [--display] [--lang ru] ARGS...
#                              run C:\PKG\Morvisk.exe (copied in by bb_package); sets BB_RC
#   bb_package [VARIANT]       lay out C:\PKG: the sample package (current by default) if the
#                              tree has it, and Morvisk.exe
#   bb_run ARGS...             testenv/machine run BB_M ARGS...; sets BB_RC
#   check NAME CONDITION...    one named check: runs the condition, records pass or fail
#   expect_eq NAME WANT GOT    equality check with both values printed on failure
#   bb_drive [--os OS] [--lang L] ARGS...
#                              runs C:\TOOLS\uidriver.exe (put there with bb_put); sets OUT
#                              (its stdout) and RC (its exit status)
#   wait_until SECONDS CMD...  polls CMD every half second until it succeeds or time is up
#   bb_done                    prints the summary; removes the machines when all passed
#
# Machines made here are removed at the end when every check passed, kept (stopped) otherwise.

set -uo pipefail
BB_SOURCE=${MORVISK_SOURCE:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
BB_TREE=${MORVISK_TREE:-$("$BB_SOURCE/testenv/machine" tree)}
BB_MACHINE=$BB_SOURCE/testenv/machine
BB_PASSED=0
BB_FAILED=0
BB_MACHINES=()
BB_DISPLAY=""

bb_machine() {
    BB_M=$1
    BB_C=$("$BB_MACHINE" new "$1" --os "${2:-win98}") || {
        echo "bb: cannot make machine $1" >&2
        exit 2
    }
    BB_MACHINES+=("$1")
}

bb_put() {
    local dir=${*: -1}
    mkdir -p "$BB_C/$dir"
    cp -r "${@:1:$#-1}" "$BB_C/$dir/"
}

bb_package() {
    local variant=${1:-current}
    mkdir -p "$BB_C/PKG"
    if [ -d "$BB_TREE/package/$variant" ]; then
        cp -r "$BB_TREE/package/$variant/." "$BB_C/PKG/"
    fi
    cp "$BB_TREE/bin/Morvisk.exe" "$BB_C/PKG/"
}

bb_run() {
    BB_RC=0
    "$BB_MACHINE" run "$BB_M" --timeout 120 "$@" || BB_RC=$?
}

# Runs Morvisk from C:\PKG. Without --display it runs headless: no window can be created.
bb_morvisk() {
    local opts=()
    while [ $# -gt 0 ]; do
        case $1 in
        --display) bb_display; opts+=(--desktop 640x480); shift ;;
        --lang) opts+=(--lang "$2"); shift 2 ;;
        --os) opts+=(--os "$2"); shift 2 ;;
        *) break ;;
        esac
    done
    if [ ${#opts[@]} -gt 0 ] && [[ " ${opts[*]} " == *" --desktop "* ]]; then
        DISPLAY=$BB_DISPLAY bb_run "${opts[@]}" -- 'C:\PKG\Morvisk.exe' "$@"
    else
        DISPLAY= bb_run "${opts[@]}" -- 'C:\PKG\Morvisk.exe' "$@"
    fi
}

# One Xvfb display per test script, stopped by bb_done.
bb_display() {
    [ -n "$BB_DISPLAY" ] && return 0
    BB_DISPLAY=$("$BB_MACHINE" display start)
}

bb_shot() {
    DISPLAY=$BB_DISPLAY "$BB_MACHINE" shot "$1"
}

bb_pass() {
    BB_PASSED=$((BB_PASSED + 1))
    echo "ok   $1"
}

bb_fail() {
    BB_FAILED=$((BB_FAILED + 1))
    echo "FAIL $1"
    shift
    [ $# -gt 0 ] && printf '     %s\n' "$@"
    return 0
}

check() {
    local name=$1
    shift
    if "$@"; then bb_pass "$name"; else bb_fail "$name" "condition: $*"; fi
}

expect_eq() {
    if [ "$2" == "$3" ]; then
        bb_pass "$1"
    else
        bb_fail "$1" "want: $(printf %q "$2")" "got:  $(printf %q "$3")"
    fi
}

bb_drive() {
    local opts=()
    while [ $# -gt 0 ]; do
        case $1 in
        --os | --lang) opts+=("$1" "$2"); shift 2 ;;
        *) break ;;
        esac
    done
    RC=0
    OUT=$("$BB_MACHINE" run "$BB_M" --timeout 120 "${opts[@]}" -- 'C:\TOOLS\uidriver.exe' "$@") || RC=$?
}

wait_until() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        [ $SECONDS -ge $deadline ] && return 1
        sleep 0.5
    done
}

bb_done() {
    local m
    if [ $BB_FAILED -eq 0 ]; then
        for m in "${BB_MACHINES[@]}"; do "$BB_MACHINE" rm "$m"; done
    else
        for m in "${BB_MACHINES[@]}"; do "$BB_MACHINE" stop "$m"; done
        echo "machines kept for a look: ${BB_MACHINES[*]}"
    fi
    [ -n "$BB_DISPLAY" ] && "$BB_MACHINE" display stop "$BB_DISPLAY"
    echo "$BB_PASSED passed, $BB_FAILED failed"
    [ $BB_FAILED -eq 0 ]
}
