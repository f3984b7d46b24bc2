# Shared by the app_ black-box scripts: log normalisation and the expected header.
# shellcheck shell=bash

# The program's version text, as its version resource carries it.
APP_VERSION=$(sed -n 's/^#define MORVISK_VERSION_TEXT "\(.*\)"$/\1/p' "$BB_SOURCE/ui/Version.rc")

# The log with every timestamp of a flow header replaced by DATE.
app_log_normalised() {
    sed -E 's#[0-9]{4}/[0-9]{2}/[0-9]{2}   [0-9]{2}:[0-9]{2}:[0-9]{2}#DATE#g' "$1"
}

# printf format of one flow header (what: "installation" or " deinstallation ") on Windows 98.
app_header() {
    printf '\r\n\r\n==================================\r\nStarting %s at DATE \r\n\r\n\r\nSystem Info : \r\n------------- \r\nOS : Windows 98 \r\nWinDir : C:\\windows \r\nSystem Dir : C:\\windows\\system32 \r\n\r\n\r\n==================================\r\n\r\nThis Module Version (string presentation) : '"'"'%s'"'"', This Module Version (Numeric presentation) : %s \r\n\r\n\r\n' \
        "$1" "$APP_VERSION" "$APP_VERSION"
}

app_install_success() {
    app_header installation
    printf '\r\n\r\n\r\n\r\n\r\nFinishing installation WITH SUCCESS \r\n==============================\r\n\r\n'
}

app_uninstall_success() {
    app_header ' deinstallation '
    printf '\r\n\r\nFinishing destallation WITH SUCCESS \r\n==============================\r\n\r\n'
}

# expect_text NAME WANT_FILE GOT_FILE: byte equality of two files, with a diff on failure.
expect_same_bytes() {
    if cmp -s "$2" "$3"; then
        bb_pass "$1"
    else
        bb_fail "$1" "$(diff <(od -c "$2") <(od -c "$3") | head -n 20)"
    fi
}
