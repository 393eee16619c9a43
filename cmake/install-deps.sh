#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12, and only what is missing.
# Runs as root, or through sudo.
set -euo pipefail

# imagemagick: `make run` takes its screenshot of the tool with `import`. fonts-wine: the font of
# the caption buttons (a recommended package of wine: without it the close box shows a letter).
# clang, clang-tidy and clang-format: the second compiler of `make test-clang` and the checks of
# `make lint` (which runs python3 too). zip and unzip: `make windows-kit`. gcovr: `make coverage`.
packages=(make cmake g++-mingw-w64-i686 mingw-w64-tools googletest wine wine32:i386 xvfb xauth
    imagemagick fonts-wine clang clang-tidy clang-format python3 zip unzip gcovr)

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

[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if ! dpkg --print-foreign-architectures | grep -qx i386; then
    as_root dpkg --add-architecture i386
fi
as_root env DEBIAN_FRONTEND=noninteractive apt-get update -qq
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
