#!/bin/sh
# Installs everything the build and the tests need on a fresh Debian 12 machine.
# Idempotent: run it as often as you like. Needs root (or sudo).
set -eu

if [ "$(id -u)" -ne 0 ]; then
    exec sudo "$0" "$@"
fi

export DEBIAN_FRONTEND=noninteractive
stamp=/var/lib/dovrel-setup.stamp
packages="cmake make g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev g++-mingw-w64-i686-posix mingw-w64-i686-dev \
wine wine64 xvfb fonts-wine python3 x11-utils xauth imagemagick locales \
fonts-wqy-microhei googletest dpkg-dev 7zip ccache nsis clang clang-format libclang-rt-14-dev"

# The x86 program and NSIS setups are 32-bit: Wine runs them with its
# 32-bit part only, which needs a kernel that runs 32-bit programs. Some
# virtual machines' kernels don't: there wine32 would stop Wine altogether,
# so it is installed only when a 93-byte 32-bit program (exit 0) runs.
probe=$(mktemp)
printf '\177\105\114\106\001\001\001\000\000\000\000\000\000\000\000\000\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000\000\000\000\000\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010\135\000\000\000\135\000\000\000\005\000\000\000\000\020\000\000\270\001\000\000\000\061\333\315\200' > "$probe"
chmod +x "$probe"
if "$probe" 2>/dev/null; then
    packages="$packages wine32:i386"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        dpkg --add-architecture i386
        rm -f "$stamp"
    fi
else
    echo "setup: this kernel runs no 32-bit programs; Wine's 32-bit part is left out" >&2
fi
rm -f "$probe"

missing=""
for p in $packages; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done

# minizip's sources come from Debian's zlib source package, so apt needs a
# deb-src entry. apt refuses a deb-src entry whose Signed-By differs from the
# matching deb entry, so reuse the key the system's own entry names.
srcfile=/etc/apt/sources.list.d/dovrel-bookworm-src.sources
if [ ! -f "$srcfile" ] && ! grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    key=$(grep -rhs -A4 'URIs: *http://deb.debian.org/debian$' /etc/apt/sources.list.d/*.sources \
          | sed -n 's/^Signed-By: *//p' | head -n1)
    {
        echo "Types: deb-src"
        echo "URIs: http://deb.debian.org/debian"
        echo "Suites: bookworm"
        echo "Components: main"
        [ -n "$key" ] && echo "Signed-By: $key"
    } > "$srcfile"
    rm -f "$stamp"
fi

if [ -n "$missing" ] || [ ! -f "$stamp" ]; then
    apt-get update
    apt-get install -y --no-install-recommends $missing
    touch "$stamp"
fi

# zh_CN for the tests' code page 936; en_US and zh_TW for the end-to-end
# runs under an English (1252) and a Traditional Chinese (950) Windows.
generate=""
for locale in zh_CN en_US zh_TW; do
    if ! locale -a 2>/dev/null | grep -qi "^$locale\.utf8\$"; then
        sed -i "s/^# *\($locale.UTF-8 UTF-8\)/\1/" /etc/locale.gen
        grep -q "^$locale.UTF-8 UTF-8" /etc/locale.gen || echo "$locale.UTF-8 UTF-8" >> /etc/locale.gen
        generate=yes
    fi
done
if [ -n "$generate" ]; then locale-gen; fi
