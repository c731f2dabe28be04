#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs one test in a fresh private home: its own XDG folders, runtime dir and
# port map, so no test touches the user's profile or sees another test's files.
set -e
home="$ZRQ7_TEST_HOME"
rm -rf "$home"
mkdir -p "$home/config" "$home/data" "$home/run" "$home/ports" "$home/tmp"
chmod 700 "$home/run"
exec "$@"
