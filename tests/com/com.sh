#!/usr/bin/env bash
# COM module operations on the 98 machine, then the restart that replaces the module left in
# use and registers it by its RunOnce command.
source "$(dirname "$0")/../lib/bb.sh"

bb_machine com-modules win98
mkdir -p "$BB_C/COMT/NEW" "$BB_C/COMT/OLD" "$BB_C/COMT/BAD"
cp "$BB_TREE"/package/current/zv{CSP,ICCSP}.dll "$BB_C/COMT/NEW/"
cp "$BB_TREE"/package/older/zv{CSP,ICCSP}.dll "$BB_C/COMT/OLD/"
cp "$BB_TREE/samples-test/broken/zvCSP.dll" "$BB_C/COMT/BAD/"
bb_put "$BB_TREE/bin/com_module_test.exe" TEST

bb_run -- 'C:\TEST\com_module_test.exe'
expect_eq "COM module operations (doctest exit code)" 0 "$BB_RC"

registered_key='HKEY_LOCAL_MACHINE\SOFTWARE\Norvane\Zentavo\Registered\zvICCSP'
target="$BB_C/Program Files/Zentavo/zvICCSP.dll"

"$BB_MACHINE" restart "$BB_M"
out=$(mktemp)
"$BB_MACHINE" reg "$BB_M" "$registered_key" "$out" || true
expect_eq "after the restart zvICCSP is registered at its path with a space" \
    'C:\\Program Files\\Zentavo\\zvICCSP.dll' "$(sed -n 's/^"ModulePath"="\(.*\)"$/\1/p' "$out")"
check "after the restart the new module is in place" cmp -s "$BB_TREE/package/current/zvICCSP.dll" "$target"
rm -f "$out"
bb_done
