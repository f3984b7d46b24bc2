#!/usr/bin/env bash
# The self-registering modules through the system's RegSvr32 on the 98 machine: /s registers
# (the module's key appears, naming its path), /u /s removes it, a module whose
# DllRegisterServer fails and a missing module make RegSvr32 exit non-zero.
source "$(dirname "$0")/../lib/bb.sh"

bb_machine smp-regsvr32 win98
bb_put "$BB_TREE/package/current" PKGS
bb_put "$BB_TREE/samples-test/broken" PKGS
# A folder with a space, as installers meet them.
mkdir -p "$BB_C/Program Files/Zentavo"
cp "$BB_TREE/package/current/zvICCSP.dll" "$BB_C/Program Files/Zentavo/"

# By its full path, as the installer runs it.
regsvr32='C:\windows\system32\regsvr32.exe'
registered_key='HKEY_LOCAL_MACHINE\SOFTWARE\Norvane\Zentavo\Registered'
# registered NAME: the ModulePath value of the module's key, or "(none)"
registered() {
    local out
    out=$(mktemp)
    if "$BB_MACHINE" reg "$BB_M" "$registered_key\\$1" "$out"; then
        sed -n 's/^"ModulePath"="\(.*\)"$/\1/p' "$out" | sed 's/\\\\/\\/g'
    else
        echo "(none)"
    fi
    rm -f "$out"
}

expect_eq "nothing registered on a fresh machine" "(none)" "$(registered zvCSP)"

bb_run -- "$regsvr32" /s 'C:\PKGS\current\zvCSP.dll'
expect_eq "regsvr32 /s zvCSP.dll exits 0" 0 "$BB_RC"
expect_eq "zvCSP's key names the module" 'C:\PKGS\current\zvCSP.dll' "$(registered zvCSP)"

bb_run -- "$regsvr32" /s 'C:\Program Files\Zentavo\zvICCSP.dll'
expect_eq "regsvr32 /s of a path with a space exits 0" 0 "$BB_RC"
expect_eq "zvICCSP's key names its path" 'C:\Program Files\Zentavo\zvICCSP.dll' "$(registered zvICCSP)"

bb_run -- "$regsvr32" /u /s 'C:\PKGS\current\zvCSP.dll'
expect_eq "regsvr32 /u /s zvCSP.dll exits 0" 0 "$BB_RC"
expect_eq "zvCSP's key is gone" "(none)" "$(registered zvCSP)"
expect_eq "zvICCSP stays registered" 'C:\Program Files\Zentavo\zvICCSP.dll' "$(registered zvICCSP)"

bb_run -- "$regsvr32" /u /s 'C:\PKGS\current\zvCSP.dll'
expect_eq "unregistering twice still exits 0" 0 "$BB_RC"

# Wine's regsvr32: 3 when the module cannot be loaded, 5 when its entry point fails.
bb_run -- "$regsvr32" /s 'C:\PKGS\broken\zvCSP.dll'
expect_eq "failing DllRegisterServer: regsvr32 exits 5" 5 "$BB_RC"
expect_eq "failing DllRegisterServer writes no key" "(none)" "$(registered zvCSP)"

bb_run -- "$regsvr32" /s 'C:\PKGS\current\zvMissing.dll'
expect_eq "missing module: regsvr32 exits 3" 3 "$BB_RC"

bb_run -- "$regsvr32" /s 'C:\PKGS\current\zvAPI.dll'
check "a module without DllRegisterServer is refused" test "$BB_RC" -ne 0

bb_done
