# Shared by restart-9x.sh and restart-nt.sh.
source "$(dirname "$0")/../lib/bb.sh"

# Wine performs the boot-time renames whenever a session starts (the first process after all
# had ended), not only on a restart: a holding process keeps requests from being performed
# before the restart the test means. Returns once the session's start-up work is done.
session_hold() {
    rm -f "$BB_C/TOOLS/session.stop"
    "$BB_MACHINE" start "$BB_M" -- 'C:\TOOLS\holdfile.exe' 'C:\TOOLS\session' 600 >/dev/null
    FAMILY=$("$BB_MACHINE" run "$BB_M" -- 'C:\TOOLS\os_tool.exe' family | tr -d '\r')
}
session_restart() {
    "$BB_MACHINE" restart "$BB_M"
    session_hold
}
tool() { bb_run -- 'C:\TOOLS\os_tool.exe' "$@"; }

# NAME OS: the machine with the tools, a session held, R the folder of the files.
restart_setup() {
    bb_machine "$1" "$2"
    bb_put "$BB_TREE/bin/os_tool.exe" "$BB_TREE/testenv/holdfile.exe" TOOLS
    bb_put "$BB_TREE/bin/ops_restart_prepare.exe" TEST
    touch "$BB_C/TOOLS/session"
    R=$BB_C/R
    mkdir -p "$R"
    session_hold
}

# The file operations over files in use, as a procedure runs them: a driver held open is
# replaced through a copy beside it, a library in use is deleted.
files_in_use_prepare() {
    mkdir -p "$BB_C/OPSR/PKG" "$BB_C/OPSR/SYS"
    printf 'driver 1.1' >"$BB_C/OPSR/PKG/zvIFDH.sys"
    printf 'driver 1.0' >"$BB_C/OPSR/SYS/zvIFDH.sys"
    printf 'old library' >"$BB_C/OPSR/SYS/zvOLD.dll"
    "$BB_MACHINE" start "$BB_M" -- 'C:\TOOLS\holdfile.exe' 'C:\OPSR\SYS\zvIFDH.sys' 600 >/dev/null
    bb_run -- 'C:\TEST\ops_restart_prepare.exe'
    expect_eq "install and deinstall of files in use (doctest exit code)" 0 "$BB_RC"
}
files_in_use_done() {
    expect_file_bytes "the held driver is the new one" "$BB_C/OPSR/SYS/zvIFDH.sys" 'driver 1.1'
    check "its temporary copy is gone" test ! -e "$BB_C/OPSR/SYS/_zvIFDH.sys"
    check "the library in use is gone" test ! -e "$BB_C/OPSR/SYS/zvOLD.dll"
}
