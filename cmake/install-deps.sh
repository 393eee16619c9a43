#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, and only what is missing.
# Runs as root, or through sudo.
set -euo pipefail

# imagemagick: `make run` takes its screenshot of the tool with `import`. fonts-wine: the font of
# the caption buttons (a recommended package of wine: without it the close box shows a letter).
# clang, clang-tidy and clang-format: the second compiler of `make test-clang` and the checks of
# `make lint` (which runs python3 too). zip and unzip: `make windows-kit`. gcovr: `make coverage`.
# wine64: the native 64-bit wineserver, which serves 32-bit programs as well. locales: the locales
# that the tests run in besides the machine's own (below).
packages=(make cmake g++-mingw-w64-i686 mingw-w64-tools googletest wine wine32:i386 wine64 xvfb xauth
    imagemagick fonts-wine clang clang-tidy clang-format python3 zip unzip gcovr locales)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

installed() {
    [ "$(dpkg-query -W -f='${db:Status-Abbrev}' "$1" 2>/dev/null)" = "ii " ]
}

missing=()
for p in "${packages[@]}"; do
    installed "$p" || missing+=("$p")
done
# The posix-threads compiler comes with g++-mingw-w64-i686, but an older install may lack it.
command -v i686-w64-mingw32-g++-posix >/dev/null || missing+=(g++-mingw-w64-i686-posix)

if [ ${#missing[@]} -ne 0 ]; then
    echo "Installing: ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
    fi
    as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
        "${missing[@]}"
fi

# Wine takes a Windows process's ANSI code page from the Unix locale it starts in: the tests that
# run in code pages 932 and 936 (tests/CMakeLists.txt) need the Japanese and Chinese locales, which
# must exist. Each one missing is turned on in /etc/locale.gen and generated; those there are kept.
test_locales=(ja_JP.UTF-8 zh_CN.UTF-8)
present_locales=$(locale -a 2>/dev/null || true)
missing_locales=()
for l in "${test_locales[@]}"; do
    # locale -a names ja_JP.UTF-8 as ja_JP.utf8.
    grep -qixF "${l%.UTF-8}.utf8" <<<"$present_locales" || missing_locales+=("$l")
done
if [ ${#missing_locales[@]} -ne 0 ]; then
    echo "Generating the locales ${missing_locales[*]}"
    for l in "${missing_locales[@]}"; do
        if grep -qE "^# *$l UTF-8\$" /etc/locale.gen 2>/dev/null; then
            as_root sed -i -E "s/^# *($l UTF-8)\$/\1/" /etc/locale.gen
        elif ! grep -qE "^$l UTF-8\$" /etc/locale.gen 2>/dev/null; then
            echo "$l UTF-8" | as_root tee -a /etc/locale.gen >/dev/null
        fi
    done
    as_root locale-gen --keep-existing >/dev/null
fi

# Wine's 32-bit side (its loader, and every Windows process of a 32-bit prefix) is i386 Linux code.
# Some 64-bit kernels run no 32-bit user code (IA-32 emulation off: execve answers ENOEXEC). There
# the i386 programs run under QEMU's user-mode emulator, registered with binfmt_misc so that the
# kernel hands it every i386 program. QEMU 7.2 (Debian 12) ignores MAP_FIXED_NOREPLACE, and Wine's
# start-up then probes the address space for minutes: the emulator comes from bookworm-backports
# (QEMU 10), which honours it. The registration lasts until the machine restarts, so this runs on
# every call.
runs_i386() {
    /lib/ld-linux.so.2 --version >/dev/null 2>&1
}
if ! runs_i386; then
    echo "This kernel runs no 32-bit code: i386 programs will run under qemu-i386"
    backports=/etc/apt/sources.list.d/quorvel-bookworm-backports.list
    if ! grep -rqs 'bookworm-backports' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        echo 'deb http://deb.debian.org/debian bookworm-backports main' | as_root tee "$backports" >/dev/null
        as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    fi
    if ! qemu-i386-static --version 2>/dev/null | grep -qE 'version ([89]|[1-9][0-9])\.'; then
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
            -t bookworm-backports qemu-user-static
    fi
    binfmt=/proc/sys/fs/binfmt_misc
    [ -f "$binfmt/register" ] || as_root mount -t binfmt_misc binfmt_misc "$binfmt"
    # A registration made before the emulator was upgraded holds the old one open (flag F).
    [ -f "$binfmt/qemu-i386" ] && echo -1 | as_root tee "$binfmt/qemu-i386" >/dev/null
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" |
        as_root tee "$binfmt/register" >/dev/null
    runs_i386 || { echo "i386 programs still do not run" >&2; exit 1; }
fi
