#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# clean_root.sh PACKAGE_DIR
# Installs the packages in PACKAGE_DIR with apt into a fresh minimal Debian 12 root (debootstrap,
# from deb.debian.org), so apt resolves every dependency the way a plant's machine would, and
# runs check_user_view.sh inside it (chroot). Needs root and the network; downloads are kept in
# build/debootstrap-cache for the next run. Run by `scripts/package --clean-root`.
set -euo pipefail
packages=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
cache=$(cd "$here/../.." && pwd)/build/debootstrap-cache
mirror=${ZRQ7_DEBIAN_MIRROR:-http://deb.debian.org/debian}
root=$(mktemp -d "${TMPDIR:-/tmp}/zrq7-clean-root.XXXXXX")
chmod 755 "$root" # apt's own user reads the package lists in there
cleanup() {
    umount "$root/proc" 2>/dev/null || true
    rm -rf --one-file-system "$root"
}
trap cleanup EXIT
mkdir -p "$cache"
start=$SECONDS

echo "clean root: debootstrap bookworm into $root"
debootstrap --variant=minbase --cache-dir="$cache" bookworm "$root" "$mirror" >"$root.log" 2>&1 ||
    { tail -n 30 "$root.log"; exit 1; }
rm -f "$root.log"
echo "clean root: base system in $((SECONDS - start)) s"

mount -t proc proc "$root/proc"
mkdir -p "$root/tmp/packages"
cp "$packages"/*.deb "$root/tmp/packages/"
debs=()
for deb in "$root"/tmp/packages/*.deb; do debs+=("/tmp/packages/${deb##*/}"); done
cp "$here/check_user_view.sh" "$root/tmp/"
# apt orders the four packages itself and fetches Qt and the rest; a compiler and pkg-config
# for the C program against the development package.
chroot "$root" apt-get update -q >"$root/tmp/apt.log" 2>&1 || { tail -n 20 "$root/tmp/apt.log"; exit 1; }
chroot "$root" env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends \
    "${debs[@]}" gcc libc6-dev pkgconf >>"$root/tmp/apt.log" 2>&1 ||
    { tail -n 40 "$root/tmp/apt.log"; exit 1; }
echo "clean root: packages installed with their dependencies in $((SECONDS - start)) s"
chroot "$root" dpkg-query -W libzrq7dll1 libzrq7dll-dev cpl-zrq7 zrq7sim
chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root /tmp/check_user_view.sh / /tmp/user
echo "clean root: all checks passed in $((SECONDS - start)) s"
