#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs one test in a fresh private home: its own XDG folders, runtime dir and
# port map, so no test touches the user's profile or sees another test's files.
# A sanitizer report any of its processes left in the home (see
# cmake/ZRQ7Testing.cmake) fails the test, even when the test itself passed.
set -e
home="$ZRQ7_TEST_HOME"
rm -rf "$home"
mkdir -p "$home/config" "$home/data" "$home/run" "$home/ports" "$home/tmp"
chmod 700 "$home/run"

# In the background so a stop request (ctest's time-out) reaches the test; the
# shell ignores SIGINT and SIGQUIT in background commands, the test must not.
env --default-signal=INT,QUIT "$@" &
test_pid=$!
trap 'kill -TERM "$test_pid" 2>/dev/null' TERM INT HUP
status=0
wait "$test_pid" || status=$?
# A trapped signal ends the first wait early: wait for the test itself.
while kill -0 "$test_pid" 2>/dev/null; do
    status=0
    wait "$test_pid" || status=$?
done

for report in "$home"/sanitizer.*; do
    [ -e "$report" ] || continue
    echo "---- sanitizer report $report" >&2
    cat "$report" >&2
    [ "$status" -ne 0 ] || status=1
done
exit "$status"
