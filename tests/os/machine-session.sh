# shellcheck shell=bash
# Sourced by the restart tests after bb.sh. Wine performs the boot-time renames whenever a
# machine's session starts (its first process after all had ended), not only on a restart.
# A process that holds the session keeps requests written in between from being performed
# before the restart that the test means.

# Starts the holding process and waits until the session's start-up work is done.
session_hold() {
    rm -f "$BB_C/TOOLS/release"
    "$BB_MACHINE" start "$BB_M" -- 'C:\TOOLS\os_tool.exe' hold 'C:\TOOLS\release' >/dev/null
    "$BB_MACHINE" run "$BB_M" -- 'C:\TOOLS\os_tool.exe' family >/dev/null
}

# Lets the holding process end; a restart that a program asked for runs in the background.
session_release() {
    touch "$BB_C/TOOLS/release"
}

# Restart, then hold the new session. Nothing of the test runs any more, so the old session
# is ended at once rather than waiting for the system's own processes to wind down.
session_restart() {
    "$BB_MACHINE" stop "$BB_M"
    "$BB_MACHINE" restart "$BB_M"
    session_hold
}

# At the end of a test: the holding process goes; the machine is removed or kept by bb_done.
session_end() {
    touch "$BB_C/TOOLS/release"
}
