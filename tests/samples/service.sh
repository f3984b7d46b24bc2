#!/usr/bin/env bash
# zvService.exe under the service control manager of an NT machine (XP): "/Service" registers
# the own-process service "Zentavo Service" (exit 0), the service control manager starts and
# stops it, "/UnRegServer" removes it (exit 0); the test switches force exit codes.
source "$(dirname "$0")/../lib/bb.sh"

bb_machine smp-service winxp
bb_put "$BB_TREE/package/current" PKGS
bb_put "$BB_TREE/bin/samples_svcctl.exe" TOOLS
service_key='HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Zentavo Service'
exe='C:\PKGS\current\zvService.exe'

# svcctl STEP...: what the service control manager says, one line per step
svcctl() { bb_run -- 'C:\TOOLS\samples_svcctl.exe' "Zentavo Service" "$@" | tr -d '\r'; }
service_key_exists() { "$BB_MACHINE" reg "$BB_M" "$service_key" /dev/null; }

check "no service on a fresh machine" bash -c "! $(printf %q "$BB_MACHINE") reg $BB_M '$service_key' /dev/null"

# The installer passes the switch alone as the command line, without the program path.
spawn() { bb_run -- 'C:\TOOLS\samples_svcctl.exe' --spawn "$exe" "$1" | tr -d '\r'; }
expect_eq "/Service alone as the command line exits 0" "exit 0" "$(spawn /Service)"
check "the service key exists" service_key_exists
expect_eq "registered: stopped, own process, demand start, quoted path" \
    "state=1 type=0x10 start=3 path=\"$exe\"" "$(svcctl query)"

bb_run -- "$exe" -service
expect_eq "registering again (-service, any case) exits 0" 0 "$BB_RC"

expect_eq "started by the service control manager it runs, and stops on request" \
    "start ok state=4|state=4 type=0x10 start=3 path=\"$exe\"|stop ok state=1|state=1 type=0x10 start=3 path=\"$exe\"" \
    "$(svcctl start query stop query | paste -sd'|')"

# /UnRegServer stops a running service before removing it.
expect_eq "started again" "start ok state=4" "$(svcctl start)"
expect_eq "/UnRegServer alone as the command line exits 0" "exit 0" "$(spawn /UnRegServer)"
check "the service key is gone" bash -c "! $(printf %q "$BB_MACHINE") reg $BB_M '$service_key' /dev/null"
expect_eq "the service control manager no longer knows it" "open error 1060" "$(svcctl query)"

bb_run -- "$exe" /UnRegServer
expect_eq "/UnRegServer without a service: nothing to remove, exit 0" 0 "$BB_RC"

# Without a switch and outside the service control manager it cannot run as a service.
bb_run -- "$exe"
expect_eq "run by hand: exit 1063 mod 256 (not started by the service control manager)" 39 "$BB_RC"

# Test switches force the exit codes of the two commands.
bb_run -- 'C:\windows\system32\reg.exe' add 'HKLM\SOFTWARE\Morvisk\TestSwitches\zvService' /v ServiceExitCode /t REG_DWORD /d 5 /f >/dev/null
bb_run -- 'C:\windows\system32\reg.exe' add 'HKLM\SOFTWARE\Morvisk\TestSwitches\zvService' /v UnRegServerExitCode /t REG_DWORD /d 1072 /f >/dev/null
bb_run -- "$exe" /Service
expect_eq "switched /Service exits 5" 5 "$BB_RC"
check "and registers nothing" bash -c "! $(printf %q "$BB_MACHINE") reg $BB_M '$service_key' /dev/null"
bb_run -- "$exe" /UnRegServer
expect_eq "switched /UnRegServer exits 1072 (mod 256: 48)" 48 "$BB_RC"

bb_done
