#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# check_install.sh BUILD_DIR C_COMPILER
# Installs the build into a throw-away root under /usr and checks that every file is where a
# Linux system looks for it, that a C program builds and runs against the installed library
# through pkg-config, and that the Debian package holds the same files and names its
# dependencies. Works in the test's private TMPDIR; installs nothing on the machine itself.
set -euo pipefail
build=$1
cc=$2
work=${TMPDIR:?}/install
rm -rf "$work"
mkdir -p "$work"
root=$work/root
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

DESTDIR=$root cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }

# ---- the files, in their standard places ----
libdir=$(cd "$root" && dirname "$(find usr/lib* -name 'libZRQ7DLL.so.1' | head -n1)")
[ "$libdir" != . ] || fail "libZRQ7DLL.so.1 not installed"
for f in usr/bin/cpl_zrq7 usr/bin/zrq7sim; do
    [ -x "$root/$f" ] || fail "$f missing or not executable"
done
for f in "$libdir/libZRQ7DLL.so" "$libdir/libZRQ7DLL.so.1" "$libdir/pkgconfig/ZRQ7DLL.pc" \
    usr/include/ZRQ7DLL.h \
    usr/share/applications/cpl_zrq7.desktop \
    usr/share/icons/hicolor/scalable/apps/cpl_zrq7.svg \
    usr/share/metainfo/pl.zrq7.cpl_zrq7.metainfo.xml \
    usr/share/CPL_ZRQ7/help/index.html \
    usr/share/doc/cpl-zrq7/copyright; do
    [ -e "$root/$f" ] || fail "$f missing"
done
[ -L "$root/$libdir/libZRQ7DLL.so" ] || fail "libZRQ7DLL.so is not the development link"
[ "$(readlink "$root/$libdir/libZRQ7DLL.so.1")" = libZRQ7DLL.so.1.0.0 ] || fail "soname link"

# The program finds its guide beside itself: ../share/CPL_ZRQ7/help from bin/.
[ -e "$root/usr/bin/../share/CPL_ZRQ7/help/index.html" ] || fail "guide not where the program looks"

# The desktop entry and the metainfo pass the freedesktop checkers, and agree on the program.
desktop-file-validate "$root/usr/share/applications/cpl_zrq7.desktop" || fail "desktop entry invalid"
appstreamcli validate --no-net "$root/usr/share/metainfo/pl.zrq7.cpl_zrq7.metainfo.xml" >"$work/as.log" 2>&1 ||
    { cat "$work/as.log"; fail "metainfo invalid"; }
grep -qx 'Exec=cpl_zrq7' "$root/usr/share/applications/cpl_zrq7.desktop" || fail "desktop Exec"
grep -qx 'Icon=cpl_zrq7' "$root/usr/share/applications/cpl_zrq7.desktop" || fail "desktop Icon"
grep -q '<launchable type="desktop-id">cpl_zrq7.desktop</launchable>' \
    "$root/usr/share/metainfo/pl.zrq7.cpl_zrq7.metainfo.xml" || fail "metainfo launchable"

# Installed binaries carry no path into the build tree, and find every library they need.
for f in usr/bin/cpl_zrq7 usr/bin/zrq7sim "$libdir/libZRQ7DLL.so.1"; do
    if readelf -d "$root/$f" | grep -E 'R(UN)?PATH' | grep -q "$build"; then
        fail "$f still points into the build tree"
    fi
    if LD_LIBRARY_PATH=$root/$libdir ldd "$root/$f" | grep -q 'not found'; then
        fail "$f: a library is not found"
    fi
done
"$root/usr/bin/zrq7sim" --help >/dev/null || fail "installed zrq7sim --help"

# Only the C surface leaves the library.
nm -D --defined-only "$root/$libdir/libZRQ7DLL.so.1" | awk '{print $3}' | sort >"$work/exports"
grep -qx COM_GetOpenFailure "$work/exports" || fail "COM_GetOpenFailure not exported"
if grep -q '^_Z' "$work/exports"; then
    fail "C++ symbols exported: $(grep '^_Z' "$work/exports" | head -3 | tr '\n' ' ')"
fi

# ---- a C program against the installed library, through pkg-config ----
cat >"$work/client.c" <<'CLIENT'
#include <ZRQ7DLL.h>
#include <stdio.h>
int main(void)
{
    char path[64];
    if (COM_GetDevicePath(u"COM33", path, sizeof path) != 0)
        return 1;
    const int opened = COM_Open(0);
    printf("%u %s %d %u\n", dll_nID, path, opened, COM_GetOpenFailure());
    return 0;
}
CLIENT
export PKG_CONFIG_PATH=$root/$libdir/pkgconfig
flags=$(pkg-config --cflags --libs ZRQ7DLL) || fail "pkg-config does not know ZRQ7DLL"
[ "$(pkg-config --modversion ZRQ7DLL)" = "$(grep -m1 -oP '<release version="\K[^"]+' \
    "$root/usr/share/metainfo/pl.zrq7.cpl_zrq7.metainfo.xml")" ] || fail "versions of .pc and metainfo differ"
# shellcheck disable=SC2086
"$cc" -std=c11 -Wall -Werror -o "$work/client" "$work/client.c" $flags || fail "client does not build"
out=$(ZRQ7_PORTS=$work/no-ports LD_LIBRARY_PATH=$root/$libdir "$work/client") || fail "client does not run"
[ "$out" = "11 /dev/ttyUSB0 -1 1" ] || fail "client printed '$out'"

# ---- the Debian package ----
(cd "$work" && cpack -G DEB -B "$work/package" --config "$build/CPackConfig.cmake" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log"; exit 1; }
deb=$(find "$work/package" -maxdepth 1 -name 'cpl-zrq7_*.deb' | head -n1)
[ -n "$deb" ] || { cat "$work/cpack.log"; exit 1; }
echo "package: $(basename "$deb")"
dpkg-deb --info "$deb" >/dev/null || fail "dpkg-deb cannot read the package"
[ "$(dpkg-deb -f "$deb" Package)" = cpl-zrq7 ] || fail "package name"
[ "$(dpkg-deb -f "$deb" Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
# The package names alone, without versions and alternatives.
names=$(tr ',|' '\n\n' <<<"$depends" | sed -E 's/\(.*\)//; s/^ +| +$//g' | sort -u)
for needed in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6; do
    grep -qxF "$needed" <<<"$names" || fail "Depends lacks $needed"
done
grep -qi zrq7 <<<"$depends" && fail "Depends names the package's own library"
# Every dependency is a package this Debian has.
for pkg in $names; do
    apt-cache show "$pkg" >/dev/null 2>&1 || dpkg-query -W "$pkg" >/dev/null 2>&1 || fail "unknown dependency $pkg"
done
# The package holds exactly what the install put into the root.
dpkg-deb --fsys-tarfile "$deb" | tar -t | sed -E 's|^\./||; /\/$/d; /^$/d' | sort >"$work/deb-files"
(cd "$root" && find . ! -type d | sed 's|^\./||' | sort) >"$work/root-files"
if ! diff -u "$work/root-files" "$work/deb-files"; then
    fail "the package's files differ from the install"
fi
# Its binaries were stripped, and they still run.
mkdir -p "$work/unpacked"
dpkg-deb -x "$deb" "$work/unpacked"
readelf -S "$work/unpacked/usr/bin/cpl_zrq7" | grep -q '\.symtab' && fail "cpl_zrq7 not stripped"
"$work/unpacked/usr/bin/zrq7sim" --help >/dev/null || fail "packaged zrq7sim --help"

if [ "$failures" -gt 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "install layout and package: all checks passed"
