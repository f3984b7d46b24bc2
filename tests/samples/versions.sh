#!/usr/bin/env bash
# The sample packages as the installer meets them on the 98 machine: every module of every
# built variant read back with GetFileVersionInfo (fixed record and strings), the INF files
# read by the Setup API, the exact file set of each package.
source "$(dirname "$0")/../lib/bb.sh"

bb_machine smp-versions win98
bb_put "$BB_TREE/bin/samples_verdump.exe" TOOLS
for variant in current legacy older; do
    bb_put "$BB_TREE/package/$variant" PKGS
done
bb_put "$BB_TREE/samples-test/broken" PKGS

# dump VARIANT FILE...: the dumper's lines for those files of C:\PKGS\VARIANT
dump() {
    local variant=$1
    shift
    local paths=() file
    for file in "$@"; do paths+=("C:\\PKGS\\$variant\\$file"); done
    bb_run -- 'C:\TOOLS\samples_verdump.exe' "${paths[@]}" | tr -d '\r'
}

# What morvisk_sample_package says it built, as the dumper would print it.
expected_from_manifest() {
    awk '$2 == "none" { print $1 " none"; next }
         { print $1 " " $2 " " $3 " " $4 " " $2 " " $3 " named" }' \
        "$BB_TREE/samples-gen/$1/versions.txt"
}

modules=(zvIFDH.sys zvUSB.sys zvAPI.dll zvERR.dll zvCSP.dll zvICCSP.dll zvPKCS11.dll
    zvService.exe zvAPIEX.dll)
package_files="Morvisk.exe zvAPI.dll zvAPIEX.dll zvCSP.dll zvCSP.sig zvERR.dll zvICCSP.dll zvIFDH.inf zvIFDH.sys zvPKCS11.dll zvService.exe zvUSB.inf zvUSB.sys"

declare -A dumped
declare -A manifest=([current]=current [legacy]=legacy [older]=older [broken]=samples_broken)
for variant in current legacy older broken; do
    dumped[$variant]=$(dump "$variant" "${modules[@]}")
    expected=$(expected_from_manifest "${manifest[$variant]}" | sort)
    expect_eq "$variant: every module reads back as built" "$expected" \
        "$(sort <<<"${dumped[$variant]}")"
done
for variant in current legacy older; do
    expect_eq "$variant: the twelve files and Morvisk.exe" "$package_files" \
        "$(ls "$BB_C/PKGS/$variant" | LC_ALL=C sort -f | tr '\n' ' ' | sed 's/ $//')"
    check "$variant: Morvisk.exe is the product's" cmp -s "$BB_TREE/bin/Morvisk.exe" \
        "$BB_C/PKGS/$variant/Morvisk.exe"
done

# The facts the installer's procedures hang on.
line_of() { grep "^$2 " <<<"${dumped[$1]}"; }
expect_eq "current: reader driver product 1.1.0.0, file version differs" \
    "zvIFDH.sys 1.1.0.0 1.1.2.15 040904b0 1.1.0.0 1.1.2.15 named" "$(line_of current zvIFDH.sys)"
expect_eq "legacy: reader driver product 1.0.9.9" \
    "zvIFDH.sys 1.0.9.9 1.0.9.9 040904b0 1.0.9.9 1.0.9.9 named" "$(line_of legacy zvIFDH.sys)"
expect_eq "current: a module with the ANSI code page" \
    "zvPKCS11.dll 2.0.0.10 2.0.0.10 040904e4 2.0.0.10 2.0.0.10 named" \
    "$(line_of current zvPKCS11.dll)"

# version_key A.B.C.D -> a sortable number string (four 5-digit fields)
version_key() { awk -F. '{ printf "%05d%05d%05d%05d\n", $1, $2, $3, $4 }' <<<"$1"; }
for module in "${modules[@]}"; do
    newer=$(line_of current "$module" | cut -d' ' -f2)
    older=$(line_of older "$module" | cut -d' ' -f2)
    check "older: $module $older is older than $newer" \
        test "$(version_key "$older")" \< "$(version_key "$newer")"
    legacy=$(line_of legacy "$module" | cut -d' ' -f2)
    [ "$module" = zvIFDH.sys ] ||
        expect_eq "legacy: $module as in current" "$newer" "$legacy"
done

expect_eq "broken: unversioned modules, equal product versions of a newer file" \
    "zvAPI.dll none|zvERR.dll 7.0.0.0 0.0.0.1 040904b0 7.0.0.0 0.0.0.1 named|zvIFDH.sys none" \
    "$(grep -E '^(zvAPI.dll|zvIFDH.sys|zvERR.dll) ' <<<"${dumped[broken]}" | sort | paste -sd'|')"
check "broken: zvCSP.sig and Morvisk.exe left out" \
    test ! -e "$BB_C/PKGS/broken/zvCSP.sig" -a ! -e "$BB_C/PKGS/broken/Morvisk.exe"

# INF files: what the Setup API reads, and DriverVer naming the driver's file version.
for variant in current legacy older; do
    expect_eq "$variant: INF classes and hardware IDs" \
        "zvIFDH.inf inf SmartCardReader {50DD5230-BA8A-11D1-BF5D-0000F805F530} *ZV0001|zvUSB.inf inf USB {36FC9E60-C465-11CF-8056-444553540000} USB\\VID_F055&PID_0004" \
        "$(dump "$variant" zvIFDH.inf zvUSB.inf | paste -sd'|')"
    for driver in zvIFDH zvUSB; do
        file_version=$(line_of "$variant" "$driver.sys" | cut -d' ' -f3)
        check "$variant: $driver.inf DriverVer names $file_version" \
            grep -q "^DriverVer=11/02/2026,$file_version"$'\r'"\$" "$BB_C/PKGS/$variant/$driver.inf"
    done
    check "$variant: zvCSP.sig is the binary signature" \
        cmp -s "$BB_SOURCE/samples/zvCSP.sig" "$BB_C/PKGS/$variant/zvCSP.sig"
done
check "zvCSP.sig holds NUL, CR LF and high bytes" \
    bash -c "od -An -tx1 '$BB_SOURCE/samples/zvCSP.sig' | tr -s ' \n' ' ' | grep -q '00 ff 0d 0a'"

bb_done
