#!/usr/bin/env bash
# The virtual machine itself: Windows version, code page, exit codes, and a restart that
# performs RunOnce and the WININIT.INI renames.
source "$(dirname "$0")/../lib/bb.sh"

bb_machine machine-basics
bb_put "$BB_TREE/testenv/osinfo.exe" TOOLS

out=$("$BB_MACHINE" run "$BB_M" -- 'C:\TOOLS\osinfo.exe' 0 | tr -d '\r')
expect_eq "98 machine reports 4.10 on the 9x platform" "version 4.10 platform 1" "$(sed -n 1p <<<"$out")"
expect_eq "English machine uses code page 1252" "codepage 1252" "$(sed -n 2p <<<"$out")"
expect_eq "Windows folder" 'windows C:\windows' "$(sed -n 3p <<<"$out")"

out=$("$BB_MACHINE" run "$BB_M" --os winxp -- 'C:\TOOLS\osinfo.exe' | tr -d '\r')
expect_eq "XP machine reports 5.1 on the NT platform" "version 5.1 platform 2" "$(sed -n 1p <<<"$out")"
out=$("$BB_MACHINE" run "$BB_M" --os win98 --lang ru -- 'C:\TOOLS\osinfo.exe' | tr -d '\r')
expect_eq "Russian machine uses code page 1251" "codepage 1251" "$(sed -n 2p <<<"$out")"

bb_run -- 'C:\TOOLS\osinfo.exe' 7
expect_eq "exit code passes through" 7 "$BB_RC"
bb_run -- 'C:\TOOLS\osinfo.exe' -1
expect_eq "exit code -1 arrives as 255" 255 "$BB_RC"

# A restart performs the [Rename] section and the RunOnce entries.
echo old >"$BB_C/target.txt"
echo new >"$BB_C/source.txt"
echo doomed >"$BB_C/doomed.txt"
printf '[Rename]\r\nC:\\target.txt=C:\\source.txt\r\nNUL=C:\\doomed.txt\r\n' >"$BB_C/windows/wininit.ini"
bb_run -- reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v probe /d 'cmd /c echo ran>C:\ranonce.txt' /f
expect_eq "RunOnce entry written" 0 "$BB_RC"
"$BB_MACHINE" restart "$BB_M"
expect_eq "restart replaced the target" new "$(cat "$BB_C/target.txt" 2>/dev/null)"
check "restart deleted the NUL entry's file" test ! -e "$BB_C/doomed.txt"
check "restart renamed WININIT.INI away" test ! -e "$BB_C/windows/wininit.ini"
check "restart ran the RunOnce entry" test -f "$BB_C/ranonce.txt"
bb_run -- reg query 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunOnce' /v probe
expect_eq "restart removed the RunOnce entry" 1 "$BB_RC"

bb_done
