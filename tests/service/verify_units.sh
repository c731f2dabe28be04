#!/bin/sh
# SPDX-License-Identifier: MIT
# Checks the systemd units with `systemd-analyze verify`: the system template as
# an instance (zrq7rec@line1) and the user unit. verify needs ExecStart's program
# to exist; the configured units name the installed path, so this copies them
# with ExecStart pointed at the built program. verify exits 0 on unknown keys and
# bad values (it only prints them): any output fails the test.
# usage: verify_units.sh UNIT_FOLDER PROGRAM
set -eu
units="$1"
program="$2"
[ -x "$program" ] || { echo "FAIL: $program is not a program"; exit 1; }
stage="${TMPDIR:-/tmp}/units"
rm -rf "$stage"
mkdir -p "$stage"
for unit in 'zrq7rec@.service' zrq7rec.service; do
    sed "s|^ExecStart=[^ ]*|ExecStart=$program|" "$units/$unit" > "$stage/$unit"
done

status=0
check() {
    rc=0
    output=$("$@" 2>&1) || rc=$?
    if [ "$rc" -ne 0 ] || [ -n "$output" ]; then
        echo "$output"
        echo "FAIL: $* (exit $rc)"
        status=1
    else
        echo "ok: $*"
    fi
}
check systemd-analyze verify --man=no "$stage/zrq7rec@line1.service"
check systemd-analyze --user verify --man=no "$stage/zrq7rec.service"

# The settings the service relies on, present as written.
grep -q '^Type=notify$' "$stage/zrq7rec@.service" || { echo "FAIL: no Type=notify"; status=1; }
grep -q '^StateDirectory=zrq7rec/%i$' "$stage/zrq7rec@.service" || { echo "FAIL: no StateDirectory"; status=1; }
grep -q '^ExecStart=.* --config /etc/zrq7rec/%i.conf$' "$stage/zrq7rec@.service" || { echo "FAIL: config"; status=1; }
exit "$status"
