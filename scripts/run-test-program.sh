#!/bin/sh
# ctest runs each test program under Wine through this:
#   run-test-program.sh <wine> <program> [arguments]
# The program writes to a file, shown as it grows until the program ends.
# Had it ctest's pipe, any Wine process it starts would inherit the pipe:
# Wine's services, when they have ended and the test program is the one that
# starts them again, live until the session ends, and ctest would wait for
# them until its timeout long after the program itself had ended.
set -u
log=$(mktemp "${TMPDIR:-/tmp}/dovrel-test.XXXXXX") || exit 1
"$@" </dev/null >"$log" 2>&1 &
program=$!
trap 'kill "$program" 2>/dev/null; rm -f "$log"; exit 130' INT TERM
tail -n +1 -f --pid="$program" "$log"
wait "$program"
status=$?
rm -f "$log"
exit "$status"
