#!/usr/bin/env bash
# Boot-time renames on both families across the restart that ShutdownSystem asks for: ours
# (long names, a deletion, and the file operations' over files in use) are performed,
# cancelled ones are not, and another program's request stays whole.
source "$(dirname "$0")/../lib/bb.sh"
tool() { bb_run -- 'C:\TOOLS\os_tool.exe' "$@"; }
hold() { "$BB_MACHINE" start "$BB_M" -- 'C:\TOOLS\holdfile.exe' "$1" 600 >/dev/null; }
files() { (cd "$1" && for f in *; do printf '%s=%s ' "$f" "$(cat "$f")"; done); }
# WININIT.INI goes last; the library's deletion is the last pending rename. No program may
# start meanwhile: a new session would perform the requests itself.
performed() { test ! -e "$BB_C/windows/WININIT.INI" -a ! -e "$BB_C/OPSR/SYS/zvOLD.dll"; }

for os in win98:9x winxp:nt; do
    bb_machine "os-restart-${os%:*}" "${os%:*}"
    os=${os#*:} R=$BB_C/R S=$BB_C/OPSR/SYS
    bb_put "$BB_TREE/bin/os_tool.exe" "$BB_TREE/bin/ops_restart_prepare.exe" \
        "$BB_TREE/testenv/holdfile.exe" TOOLS
    mkdir -p "$R" "$S" "$BB_C/OPSR/PKG"
    # Wine performs the renames whenever a session starts: a held one waits for the restart.
    touch "$BB_C/TOOLS/session"
    hold 'C:\TOOLS\session'
    expect_eq "$os: the manager picks the family" "$os" "$(tool family | tr -d '\r')"

    for f in 'a long target.dll' 'a long new name.dll' b.dll b.new doomed.dll keep.dll theirs.dll; do
        printf '%s' "$f" >"$R/$f"
    done
    if [ $os = 9x ]; then
        printf '[Rename]\r\nNUL=C:\\R\\theirs.dll' >"$BB_C/windows/WININIT.INI"
    else
        tool foreign 'C:\R\theirs.dll' -
    fi
    tool move 'C:\R\a long new name.dll' 'C:\R\a long target.dll'
    tool move 'C:\R\doomed.dll' -
    tool move 'C:\R\b.new' 'C:\R\b.dll'
    tool move 'C:\R\keep.dll' -
    tool cancel 'C:\R\b.new' 'C:\R\b.dll'
    tool cancel 'C:\R\keep.dll' -
    # The file operations replace a driver held open and delete a library in use.
    printf 'driver 1.1' >"$BB_C/OPSR/PKG/zvIFDH.sys"
    printf 'driver 1.0' >"$S/zvIFDH.sys"
    printf 'old library' >"$S/zvOLD.dll"
    hold 'C:\OPSR\SYS\zvIFDH.sys'
    bb_run -- 'C:\TOOLS\ops_restart_prepare.exe'
    expect_eq "$os: install and deinstall over files in use (doctest exit code)" 0 "$BB_RC"
    touch "$S/zvIFDH.sys.stop"
    wait_until 60 test ! -e "$S/zvIFDH.sys.stop"

    tool restart
    expect_eq "$os: ShutdownSystem succeeded" 0 "$BB_RC"
    touch "$BB_C/TOOLS/session.stop"
    check "$os: the restart performed the requests" wait_until 60 performed
    expect_eq "$os: ours and theirs performed, the cancelled ones not" \
        'a long target.dll=a long new name.dll b.dll=b.dll b.new=b.new keep.dll=keep.dll ' "$(files "$R")"
    expect_eq "$os: the held driver replaced, the library in use gone" \
        'zvIFDH.sys=driver 1.1 ' "$(files "$S")"
done
bb_done
