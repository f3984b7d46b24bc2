#!/usr/bin/env bash
# The sample packages as the installer meets them: every module reads back with the versions
# it was built with; a CSP registers through the system's RegSvr32 (and one built to fail
# does not); the service executable registers its service on an NT machine and removes it.
source "$(dirname "$0")/../lib/bb.sh"

bb_machine samples
bb_put "$BB_TREE/bin/samples_verdump.exe" TOOLS
for variant in current legacy; do bb_put "$BB_TREE/package/$variant" PKGS; done
bb_put "$BB_TREE/samples-test/broken" PKGS

modules=(zvIFDH.sys zvUSB.sys zvAPI.dll zvERR.dll zvCSP.dll zvICCSP.dll zvPKCS11.dll
    zvService.exe zvAPIEX.dll)
for variant in current:current legacy:legacy broken:samples_broken; do
    paths=()
    for module in "${modules[@]}"; do paths+=("C:\\PKGS\\${variant%%:*}\\$module"); done
    expect_eq "${variant%%:*}: every module reads back as built" \
        "$(cut -d' ' -f1-3 "$BB_TREE/samples-gen/${variant#*:}/versions.txt" | sort)" \
        "$(bb_run -- 'C:\TOOLS\samples_verdump.exe' "${paths[@]}" | tr -d '\r' | sort)"
done

registered() {
    "$BB_MACHINE" reg "$BB_M" 'HKEY_LOCAL_MACHINE\SOFTWARE\Norvane\Zentavo\Registered\zvCSP' /dev/stdout |
        sed -n 's/^"ModulePath"="\(.*\)"$/\1/p'
}
bb_run -- 'C:\windows\system32\regsvr32.exe' /s 'C:\PKGS\broken\zvCSP.dll'
expect_eq "failing registration: RegSvr32 exits 5, no key" "5|" "$BB_RC|$(registered)"
bb_run -- 'C:\windows\system32\regsvr32.exe' /s 'C:\PKGS\current\zvCSP.dll'
expect_eq "registration: the key names the module" '0|C:\\PKGS\\current\\zvCSP.dll' "$BB_RC|$(registered)"

service() { "$BB_MACHINE" reg "$BB_M" 'HKEY_LOCAL_MACHINE\System\CurrentControlSet\Services\Zentavo Service' /dev/null && echo yes || echo no; }
bb_run --os winxp -- 'C:\PKGS\current\zvService.exe' /Service
expect_eq "/Service registers the service" "0 yes" "$BB_RC $(service)"
bb_run -- 'C:\PKGS\current\zvService.exe' /UnRegServer
expect_eq "/UnRegServer removes it" "0 no" "$BB_RC $(service)"

bb_done
