#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# check_install.sh SOURCE_DIR BUILD_DIR
# 1. `cmake --install` into a throw-away root under /usr: every file where a Linux system looks
#    for it, the library in the multiarch folder, no path into the build tree.
# 2. The Debian packages (scripts/package) installed one by one with dpkg into a second
#    throw-away root that knows this machine's installed packages (so Qt and the C library
#    count as present): the development package alone is refused, the order library,
#    development package, simulator, panel, recorder service resolves, each file belongs to
#    its package.
# 3. In both roots, what a user gets (check_user_view.sh). Installs nothing on this machine.
set -euo pipefail
src=$1
build=$2
here=$(cd "$(dirname "$0")" && pwd)
work=${TMPDIR:?}/install
rm -rf "$work"
mkdir -p "$work"
ma=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# ---- 1. cmake --install ----
root=$work/cmake-root
DESTDIR=$root cmake --install "$build" --prefix /usr >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
libdir=usr/lib/$ma
for f in usr/bin/cpl_zrq7 usr/bin/zrq7sim usr/bin/zrq7rec; do
    [ -x "$root/$f" ] || fail "$f missing or not executable"
done
for f in "$libdir/libZRQ7DLL.so" "$libdir/libZRQ7DLL.so.1" "$libdir/pkgconfig/ZRQ7DLL.pc" \
    usr/include/ZRQ7DLL.h \
    usr/share/applications/cpl_zrq7.desktop \
    usr/share/icons/hicolor/scalable/apps/cpl_zrq7.svg \
    usr/share/metainfo/pl.zrq7.cpl_zrq7.metainfo.xml \
    usr/share/CPL_ZRQ7/help/index.html \
    usr/share/man/man1/cpl_zrq7.1 usr/share/man/man1/zrq7sim.1 usr/share/man/man1/zrq7rec.1 \
    usr/lib/systemd/system/zrq7rec@.service usr/lib/systemd/user/zrq7rec.service \
    usr/share/doc/CPL_ZRQ7/zrq7rec/example.conf \
    usr/share/doc/CPL_ZRQ7/LICENSE; do
    [ -e "$root/$f" ] || fail "$f missing"
done
[ -L "$root/$libdir/libZRQ7DLL.so" ] || fail "libZRQ7DLL.so is not the development link"
[ "$(readlink "$root/$libdir/libZRQ7DLL.so.1")" = libZRQ7DLL.so.1.0.0 ] || fail "soname link"
# The program finds its guide beside itself: ../share/CPL_ZRQ7/help from bin/.
[ -e "$root/usr/bin/../share/CPL_ZRQ7/help/index.html" ] || fail "guide not where the program looks"

# The manual pages format without a warning.
for page in cpl_zrq7 zrq7sim zrq7rec; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$root/usr/share/man/man1/$page.1" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man page $page: $warnings"
done

# The desktop entry and the metainfo pass the freedesktop checkers, and agree on the program.
desktop-file-validate "$root/usr/share/applications/cpl_zrq7.desktop" || fail "desktop entry invalid"
appstreamcli validate --no-net "$root/usr/share/metainfo/pl.zrq7.cpl_zrq7.metainfo.xml" >"$work/as.log" 2>&1 ||
    { cat "$work/as.log"; fail "metainfo invalid"; }
grep -qx 'Exec=cpl_zrq7' "$root/usr/share/applications/cpl_zrq7.desktop" || fail "desktop Exec"
grep -qx 'Icon=cpl_zrq7' "$root/usr/share/applications/cpl_zrq7.desktop" || fail "desktop Icon"
grep -q '<launchable type="desktop-id">cpl_zrq7.desktop</launchable>' \
    "$root/usr/share/metainfo/pl.zrq7.cpl_zrq7.metainfo.xml" || fail "metainfo launchable"
[ "$(sed -nE 's/^Version: //p' "$root/$libdir/pkgconfig/ZRQ7DLL.pc")" = "$(grep -m1 -oP '<release version="\K[^"]+' \
    "$root/usr/share/metainfo/pl.zrq7.cpl_zrq7.metainfo.xml")" ] || fail "versions of .pc and metainfo differ"

# The installed units start the installed program.
grep -qx 'ExecStart=/usr/bin/zrq7rec --config /etc/zrq7rec/%i.conf' "$root/usr/lib/systemd/system/zrq7rec@.service" ||
    fail "the system unit does not start /usr/bin/zrq7rec"
grep -q '^ExecStart=/usr/bin/zrq7rec ' "$root/usr/lib/systemd/user/zrq7rec.service" ||
    fail "the user unit does not start /usr/bin/zrq7rec"

# Installed binaries carry no path into the build tree, and find every library they need.
for f in usr/bin/cpl_zrq7 usr/bin/zrq7sim usr/bin/zrq7rec "$libdir/libZRQ7DLL.so.1"; do
    # (Outputs are taken whole: `grep -q` on a pipe can end the writer early, and pipefail.)
    runpath=$(readelf -d "$root/$f" | grep -E 'R(UN)?PATH' || true)
    if [[ $runpath == *"$build"* ]]; then
        fail "$f still points into the build tree"
    fi
    if grep -q 'not found' <<<"$(LD_LIBRARY_PATH=$root/$libdir ldd "$root/$f")"; then
        fail "$f: a library is not found"
    fi
done

# Only the C surface leaves the library.
nm -D --defined-only "$root/$libdir/libZRQ7DLL.so.1" | awk '{print $3}' | sort >"$work/exports"
grep -qx COM_GetOpenFailure "$work/exports" || fail "COM_GetOpenFailure not exported"
if grep -q '^_Z' "$work/exports"; then
    fail "C++ symbols exported: $(grep '^_Z' "$work/exports" | head -3 | tr '\n' ' ')"
fi
"$here/check_user_view.sh" "$root" "$work/cmake-user" || fail "user view of the cmake install"

# ---- 2. the packages ----
"$src/scripts/package" --build-dir "$build" --no-lintian "$work/packages" >"$work/package.log" 2>&1 ||
    { cat "$work/package.log"; exit 1; }
deb() { find "$work/packages" -maxdepth 1 -name "$1_*.deb" | head -n1; }
lib=$(deb libzrq7dll1)
dev=$(deb libzrq7dll-dev)
sim=$(deb zrq7sim)
panel=$(deb cpl-zrq7)
rec=$(deb zrq7rec)
for p in "$lib" "$dev" "$sim" "$panel" "$rec"; do
    [ -n "$p" ] || { ls "$work/packages"; echo "FAIL: a package is missing"; exit 1; }
done
field() { dpkg-deb -f "$1" "$2"; }
names() { tr ',|' '\n\n' <<<"$1" | sed -E 's/\(.*\)//; s/^ +| +$//g' | sort -u; }
version=$(field "$lib" Version)
echo "packages $version: $(cd "$work/packages" && echo ./*.deb)"
[ "$(field "$dev" Depends | grep -oE "libzrq7dll1 \([^)]*\)")" = "libzrq7dll1 (= $version)" ] ||
    fail "libzrq7dll-dev does not depend on exactly its library: $(field "$dev" Depends)"
grep -qE 'libzrq7dll1 \(>= [0-9.]+\)' <<<"$(field "$panel" Depends)" ||
    fail "cpl-zrq7 does not depend on libzrq7dll1 through its symbols: $(field "$panel" Depends)"
for needed in libc6 libstdc++6 libqt6core6 libqt6gui6 libqt6widgets6 libqt6svg6; do
    grep -qxF "$needed" <<<"$(names "$(field "$panel" Depends)")" || fail "cpl-zrq7 Depends lacks $needed"
done
for needed in libzrq7dll1 libqt6core6 libmosquitto1 libsystemd0; do
    grep -qxF "$needed" <<<"$(names "$(field "$rec" Depends)")" || fail "zrq7rec Depends lacks $needed"
done
for p in "$lib" "$dev"; do
    [ "$(field "$p" Multi-Arch)" = same ] || fail "$(basename "$p") is not Multi-Arch: same"
done
# The library's package: symbols and shlibs for its users, the ldconfig trigger instead of
# maintainer scripts.
mkdir -p "$work/lib-control"
dpkg-deb -e "$lib" "$work/lib-control"
grep -qx 'activate-noawait ldconfig' "$work/lib-control/triggers" 2>/dev/null || fail "no ldconfig trigger"
grep -q '^ DLL_SetIOTimeout@Base ' "$work/lib-control/symbols" 2>/dev/null || fail "symbols file"
grep -qx 'libZRQ7DLL 1 libzrq7dll1 (>= [0-9.]*)' "$work/lib-control/shlibs" 2>/dev/null || fail "shlibs file"
for script in preinst postinst prerm postrm; do
    [ ! -e "$work/lib-control/$script" ] || fail "libzrq7dll1 has a $script"
done
# Each file in its package, and only there.
contents() { dpkg-deb -c "$1" | awk '{print $6}' | sed 's|^\./|/|' | grep -v '/$' | grep -v '^/usr/share/doc/'; }
[ "$(contents "$lib" | sort | tr '\n' ' ')" = "/usr/lib/$ma/libZRQ7DLL.so.1 /usr/lib/$ma/libZRQ7DLL.so.1.0.0 " ] ||
    fail "libzrq7dll1 holds: $(contents "$lib" | tr '\n' ' ')"
[ "$(contents "$dev" | sort | tr '\n' ' ')" = "/usr/include/ZRQ7DLL.h /usr/lib/$ma/libZRQ7DLL.so /usr/lib/$ma/pkgconfig/ZRQ7DLL.pc " ] ||
    fail "libzrq7dll-dev holds: $(contents "$dev" | tr '\n' ' ')"
grep -qx '/usr/share/man/man1/cpl_zrq7.1.gz' <<<"$(contents "$panel")" || fail "cpl-zrq7 has no manual page"
grep -qx '/usr/share/man/man1/zrq7sim.1.gz' <<<"$(contents "$sim")" || fail "zrq7sim has no manual page"
grep -q 'ZRQ7DLL\|zrq7sim\|zrq7rec' <<<"$(contents "$panel")" && fail "cpl-zrq7 holds the library or another program"
[ "$(contents "$rec" | sort | tr '\n' ' ')" = "/usr/bin/zrq7rec /usr/lib/systemd/system/zrq7rec@.service \
/usr/lib/systemd/user/zrq7rec.service /usr/share/man/man1/zrq7rec.1.gz " ] || fail "zrq7rec holds: $(contents "$rec" | tr '\n' ' ')"
grep -qx '\./usr/share/doc/zrq7rec/example.conf' <<<"$(dpkg-deb -c "$rec" | awk '{print $6}')" ||
    fail "zrq7rec has no example config"

# A throw-away dpkg root that knows what this machine has installed.
skeleton=$work/dpkg-skeleton
mkdir -p "$skeleton/var/lib/dpkg/info" "$skeleton/var/lib/dpkg/updates" "$skeleton/var/lib/dpkg/triggers" \
    "$skeleton/var/log"
cp /var/lib/dpkg/status "$skeleton/var/lib/dpkg/status"
touch "$skeleton/var/lib/dpkg/available"
install_into() { dpkg --root="$1" --force-not-root --log="$work/dpkg.log" -i "${@:2}"; }
# The service's maintainer scripts (systemd's user-unit bookkeeping) run outside the root, with
# DPKG_ROOT set, which they take as "not this system" and leave the units alone.
install_with_scripts() { dpkg --root="$1" --force-not-root --force-script-chrootless --log="$work/dpkg.log" -i "${@:2}"; }

# Without its library the development package is refused.
cp -a "$skeleton" "$work/refusing-root"
if install_into "$work/refusing-root" "$dev" >"$work/refused.log" 2>&1; then
    fail "libzrq7dll-dev installed without libzrq7dll1"
fi
grep -q 'depends on libzrq7dll1' "$work/refused.log" || { cat "$work/refused.log"; fail "refusal names no dependency"; }

root=$work/package-root
cp -a "$skeleton" "$root"
for p in "$lib" "$dev" "$sim" "$panel"; do
    install_into "$root" "$p" >"$work/dpkg-$(basename "$p").log" 2>&1 ||
        { cat "$work/dpkg-$(basename "$p").log"; fail "dpkg -i $(basename "$p")"; }
done
install_with_scripts "$root" "$rec" >"$work/dpkg-$(basename "$rec").log" 2>&1 ||
    { cat "$work/dpkg-$(basename "$rec").log"; fail "dpkg -i $(basename "$rec")"; }
[ "$(dpkg-query --root="$root" -W -f='${db:Status-Status}' zrq7rec)" = installed ] || fail "zrq7rec not installed"
[ "$(dpkg-query --root="$root" -S "/usr/lib/$ma/libZRQ7DLL.so.1" 2>/dev/null | cut -d: -f1)" = libzrq7dll1 ] ||
    fail "libZRQ7DLL.so.1 does not belong to libzrq7dll1"
[ "$(dpkg-query --root="$root" -W -f='${db:Status-Status}' cpl-zrq7)" = installed ] || fail "cpl-zrq7 not installed"
"$here/check_user_view.sh" "$root" "$work/package-user" || fail "user view of the installed packages"

if [ "$failures" -gt 0 ]; then
    echo "$failures failure(s)"
    exit 1
fi
echo "install layout and packages: all checks passed"
