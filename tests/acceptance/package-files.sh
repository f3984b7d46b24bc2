#!/usr/bin/env bash
# Damaged and awkward package files, made here from the sample package. A package the
# install cannot use is refused before anything is done: box 114 naming the file (a quiet run
# with /ED shows it), exit code 5, and a machine exactly as it was. A package that is only awkward (read-only, a folder
# path near MAX_PATH) installs, and uninstalls again.
source "$(dirname "$0")/../lib/bb.sh"
source "$(dirname "$0")/lib.sh"

# A folder name of N characters below C:\ (one level, each part under 255 characters).
long_folder() {
    local n=$1 first=$(( $1 / 2 ))
    printf 'C:\\%s\\%s' "$(head -c $((first - 4)) /dev/zero | tr '\0' a)" \
        "$(head -c $((n - first)) /dev/zero | tr '\0' b)"
}

# The version resource's fixed record of a module: "short" claims fewer bytes than the
# record has; "unsigned" wipes the record's signature.
damage_version() {
    python3 - "$@" <<'EOF'
import sys
path, how = sys.argv[1], sys.argv[2]
data = bytearray(open(path, 'rb').read())
key = data.find('VS_VERSION_INFO'.encode('utf-16-le'))
if how == 'short':
    data[key - 4:key - 2] = (20).to_bytes(2, 'little')
else:
    signature = data.find(bytes.fromhex('bd04effe'), key)
    data[signature:signature + 4] = bytes(4)
open(path, 'wb').write(data)
EOF
}

# name | damage, run in the package folder | package folder length (0: C:\PKG) | refused file or "installs"
cases=(
    "truncated-driver|truncate -s 3000 zvIFDH.sys|0|zvIFDH.sys"
    "truncated-module|truncate -s 6000 zvAPI.dll|0|zvAPI.dll"
    "truncated-com-module|truncate -s 14000 zvICCSP.dll|0|zvICCSP.dll"
    "short-fixed-record|damage_version zvIFDH.sys short|0|zvIFDH.sys"
    "unsigned-fixed-record|damage_version zvIFDH.sys unsigned|0|zvIFDH.sys"
    "zero-length|truncate -s 0 zvCSP.sig|0|zvCSP.sig"
    "folder-for-a-file|rm zvERR.dll && mkdir zvERR.dll|0|zvERR.dll"
    "read-only-package|chmod a-w * .|0|installs"
    "folder-near-max-path|true|246|installs"
    "names-past-max-path|true|250|zvIFDH.sys"
)

caption="Zentavo drivers setup"
bb_display
for row in "${cases[@]}"; do
    IFS='|' read -r name damage length outcome <<<"$row"
    echo "--- $name"
    bb_machine "acc-pkg-$name"
    bb_package current
    bb_put "$BB_TREE/testenv/uidriver.exe" TOOLS
    folder='C:\PKG'
    [ "$length" = 0 ] || folder=$(long_folder "$length")
    host=$BB_C/$(tr '\\' / <<<"${folder#C:\\}")
    if [ "$length" != 0 ]; then
        mkdir -p "$host"
        mv "$BB_C/PKG"/zv* "$host/"
    fi
    (cd "$host" && eval "$damage")
    acc_snapshot "$ACC_TMP/before"
    if [ "$outcome" = installs ]; then
        acc_run "$name" 1 /Q /NORB /DISTR "$folder"
        acc_installed "$name" "$BB_TREE/package/current"
        acc_run "$name" 1 /Q /U /NORB
        acc_removed "$name"
    else
        DISPLAY=$BB_DISPLAY "$BB_MACHINE" start "$BB_M" --desktop 640x480 -- \
            'C:\PKG\Morvisk.exe' /Q /ED /NORB /DISTR "$folder" >/dev/null
        DISPLAY=$BB_DISPLAY bb_drive dump --title "$caption" --id 65535
        # The UI driver prints a backslash as two.
        check "$name: box 114 names $outcome" grep -qiF "Static \"${folder//\\/\\\\}\\\\$outcome \
file does not exist. Installation is terminated.\"" <<<"$OUT"
        DISPLAY=$BB_DISPLAY bb_drive click --title "$caption" --id 65535 1 --exit
        check "$name: refused with 5" grep -qx "exit 5" <<<"$OUT"
        acc_same "$name: nothing installed, nothing written" "$ACC_TMP/before"
    fi
    chmod -R u+w "$host"
    "$BB_MACHINE" stop "$BB_M"
done

bb_done
