#!/usr/bin/env bash
# A file in use replaced and another deleted at the next restart on the 98 machine: the
# operations leave a temporary copy and WININIT.INI lines; the restart carries them out.
source "$(dirname "$0")/../lib/bb.sh"

# A machine with a package driver, an installed driver held open the way the running system
# holds it, and a library to delete; then the program installs and deinstalls over them.
prepare() {
    bb_machine "$1" "$2"
    mkdir -p "$BB_C/OPSR/PKG" "$BB_C/OPSR/SYS"
    printf 'driver 1.1' >"$BB_C/OPSR/PKG/zvIFDH.sys"
    printf 'driver 1.0' >"$BB_C/OPSR/SYS/zvIFDH.sys"
    printf 'old library' >"$BB_C/OPSR/SYS/zvOLD.dll"
    bb_put "$BB_TREE/bin/ops_restart_prepare.exe" TEST
    bb_put "$BB_TREE/testenv/holdfile.exe" TOOLS
    "$BB_MACHINE" start "$BB_M" -- 'C:\TOOLS\holdfile.exe' 'C:\OPSR\SYS\zvIFDH.sys' 120 >/dev/null
    bb_run -- 'C:\TEST\ops_restart_prepare.exe'
}

prepare ops-restart win98
expect_eq "install and deinstall of files in use (doctest exit code)" 0 "$BB_RC"

wininit=$(find "$BB_C" -maxdepth 2 -iname wininit.ini | head -n 1)
check "WININIT.INI written" test -n "$wininit"
# Short names: letter case as the file system gives it.
rename_lines=$(tr -d '\r' <"${wininit:-/dev/null}" | sed -n '/^\[Rename\]$/,/^\[/p' | grep ' = ')
check "a rename line for the driver" grep -qix 'C:\\OPSR\\SYS\\zvIFDH.sys = C:\\OPSR\\SYS\\_ZVIFDH.SYS' <<<"$rename_lines"
check "a delete line for the library" grep -qix 'NUL = C:\\OPSR\\SYS\\ZVOLD.DLL' <<<"$rename_lines"
expect_file_bytes "before the restart the target is unchanged" "$BB_C/OPSR/SYS/zvIFDH.sys" 'driver 1.0'
expect_file_bytes "the copy beside it holds the new driver" "$BB_C/OPSR/SYS/_zvIFDH.sys" 'driver 1.1'
expect_file_bytes "before the restart the library is there" "$BB_C/OPSR/SYS/zvOLD.dll" 'old library'

# The restart ends every program, the lock helper too.
"$BB_MACHINE" restart "$BB_M"
expect_file_bytes "after the restart the target holds the new driver" \
    "$BB_C/OPSR/SYS/zvIFDH.sys" 'driver 1.1'
check "after the restart the temporary copy is gone" test ! -e "$BB_C/OPSR/SYS/_zvIFDH.sys"
check "after the restart the library is gone" test ! -e "$BB_C/OPSR/SYS/zvOLD.dll"

# The same on the NT family, where the system's pending rename list does the work.
prepare ops-restart-nt winxp
expect_eq "NT: install and deinstall of files in use (doctest exit code)" 0 "$BB_RC"
expect_file_bytes "NT: before the restart the target is unchanged" "$BB_C/OPSR/SYS/zvIFDH.sys" 'driver 1.0'
"$BB_MACHINE" restart "$BB_M"
expect_file_bytes "NT: after the restart the target holds the new driver" \
    "$BB_C/OPSR/SYS/zvIFDH.sys" 'driver 1.1'
check "NT: after the restart the temporary copy is gone" test ! -e "$BB_C/OPSR/SYS/_zvIFDH.sys"
check "NT: after the restart the library is gone" test ! -e "$BB_C/OPSR/SYS/zvOLD.dll"
bb_done
