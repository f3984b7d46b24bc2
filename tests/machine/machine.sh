#!/usr/bin/env bash
# The harness: a failing test program comes back failed, with its output, at once (which
# machine a host gets: tests/acceptance/machine-doctor.sh).
source "$(dirname "$0")/../lib/bb.sh"

# The kept machine's server must not hold the output open: this read would wait for it (and
# the test's timeout would report the hang).
rc=0
out=$("$BB_SOURCE/tests/lib/run-test-exe" machine-fails "$BB_TREE/testenv/fails.exe" 2>&1) || rc=$?
expect_eq "failing program: its exit code" 3 "$rc"
check "its output and the kept machine reported" grep -q "failing on purpose.*kept in" <<<"$(tr -d '\r\n' <<<"$out")"
"$BB_MACHINE" rm ut-machine-fails

bb_done
