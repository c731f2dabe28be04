#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# check_user_view.sh ROOT WORK
# What a user of the installed packages gets: the loader's cache finds the library, pkg-config
# knows ZRQ7DLL, a C program builds against the development package and runs, and the programs
# answer their help option. ROOT is the root the packages were installed into: "/" inside a
# clean Debian root (chroot), or a throw-away folder on this machine, whose library folder the
# checks then name to the loader and to pkg-config. WORK is a scratch folder. Exit 1 on a fault.
set -euo pipefail
root=${1%/}
work=$2
ma=$(gcc -dumpmachine 2>/dev/null || dpkg-architecture -qDEB_HOST_MULTIARCH)
libdir=$root/usr/lib/$ma
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
mkdir -p "$work"
chmod 700 "$work"

# The loader's cache of that root.
if [ -n "$root" ]; then
    if [ ! -e "$root/etc/ld.so.conf" ]; then
        mkdir -p "$root/etc"
        cp -r /etc/ld.so.conf /etc/ld.so.conf.d "$root/etc/"
    fi
    ldconfig -r "$root"
    cache=(-C "$root/etc/ld.so.cache")
    export LD_LIBRARY_PATH=$libdir
    export PKG_CONFIG_LIBDIR=$libdir/pkgconfig
else
    cache=()
fi
# A path the loader names is the installed library itself, by whichever name: on a merged-/usr
# system the cache and ldd say /lib/<triplet>, the same folder as /usr/lib/<triplet>.
library=$(readlink -f "$libdir/libZRQ7DLL.so.1")
same_library() { [ -n "$1" ] && [ "$(readlink -f "$2$1")" = "$library" ]; }
cached=$(ldconfig "${cache[@]}" -p | awk '$1 == "libZRQ7DLL.so.1" && !seen++ { print $NF }')
same_library "$cached" "$root" || fail "ldconfig -p does not list /usr/lib/$ma/libZRQ7DLL.so.1 (it says '$cached')"

# A C program against the development package, through pkg-config.
cat >"$work/client.c" <<'CLIENT'
#include <ZRQ7DLL.h>
#include <stdio.h>
int main(void)
{
    char path[64];
    if (COM_GetDevicePath(u"COM33", path, sizeof path) != 0)
        return 1;
    const int opened = COM_Open(0);
    printf("%u %u %s %d %u\n", dll_nID, dll_nVerDll, path, opened, COM_GetOpenFailure());
    return 0;
}
CLIENT
if flags=$(pkg-config --cflags --libs ZRQ7DLL); then
    # shellcheck disable=SC2086
    cc -std=c11 -Wall -Werror -o "$work/client" "$work/client.c" $flags || fail "the C program does not build"
    out=$(ZRQ7_PORTS=$work/no-ports "$work/client") || fail "the C program does not run"
    [ "$out" = "11 40 /dev/ttyUSB0 -1 1" ] || fail "the C program printed '$out'"
    loaded=$(ldd "$work/client" | awk '$1 == "libZRQ7DLL.so.1" { print $3 }')
    same_library "$loaded" "" || fail "the C program loads '$loaded', not $libdir/libZRQ7DLL.so.1"
else
    fail "pkg-config does not know ZRQ7DLL"
fi

# The programs, each from the package that holds it.
"$root/usr/bin/zrq7sim" --help >"$work/sim-help" || fail "zrq7sim --help"
grep -q '^Usage: zrq7sim' "$work/sim-help" || fail "zrq7sim --help printed no usage"
# The panel shows its usage in a message box; the message log answers it.
rm -f "$work/messages"
XDG_RUNTIME_DIR=$work QT_QPA_PLATFORM=offscreen ZRQ7_MESSAGE_LOG=$work/messages \
    "$root/usr/bin/cpl_zrq7" -help || fail "cpl_zrq7 -help"
grep -q 'Zastosowanie' "$work/messages" 2>/dev/null || fail "cpl_zrq7 -help showed no usage message"

# The recorder service answers --help on stdout with its usage line.
"$root/usr/bin/zrq7rec" --help >"$work/rec-help" || fail "zrq7rec --help"
grep -q '^użycie: zrq7rec' "$work/rec-help" || fail "zrq7rec --help printed no usage"

[ "$failures" -eq 0 ] || { echo "$failures failure(s) in what the user gets"; exit 1; }
echo "user view: ldconfig, pkg-config, a C program, zrq7sim --help, cpl_zrq7 -help, zrq7rec --help all fine"
