# Shared by the app_ black-box scripts: log normalisation and byte comparison.
# shellcheck shell=bash

# The log with every timestamp of a flow header replaced by DATE.
app_log_normalised() {
    sed -E 's#[0-9]{4}/[0-9]{2}/[0-9]{2}   [0-9]{2}:[0-9]{2}:[0-9]{2}#DATE#g' "$1"
}

# expect_same_bytes NAME WANT_FILE GOT_FILE: byte equality of two files, with a diff on failure.
expect_same_bytes() {
    if cmp -s "$2" "$3"; then
        bb_pass "$1"
    else
        bb_fail "$1" "$(diff <(od -c "$2") <(od -c "$3") | head -n 20)"
    fi
}
