#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that
# are missing; quick when everything is there already.
#   --screenshot  also what scripts/screenshot.sh needs (a virtual X server)
#   --windows     the 32-bit Windows cross compiler and Wine (enables i386)
#   --windows64   the 64-bit ones, for machines without 32-bit Wine
#   --release     what making the Debian package needs
set -euo pipefail

packages=(
  g++ cmake make
  libgtest-dev googletest
  qt6-base-dev libgl-dev
  libsodium-dev libutf8proc-dev libzxcvbn-dev pkg-config
  libpng-dev zlib1g-dev libjpeg62-turbo-dev
  libspng-dev
  qt6-translations-l10n qt6-qpa-plugins
  fonts-wqy-microhei
  clang libclang-rt-14-dev
)
display=(xvfb xauth x11-utils)
need_i386=no
for option in "$@"; do
  case $option in
    --screenshot) packages+=("${display[@]}" imagemagick xdotool) ;;
    --release) packages+=(dpkg-dev desktop-file-utils lintian strace) ;;
    --windows) packages+=("${display[@]}" locales g++-mingw-w64-i686-posix mingw-w64-i686-dev wine wine32:i386)
               need_i386=yes ;;
    --windows64) packages+=("${display[@]}" locales g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev wine wine64) ;;
    *) echo "unknown option: $option" >&2; exit 2 ;;
  esac
done

sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
if [ $need_i386 = yes ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386

fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
