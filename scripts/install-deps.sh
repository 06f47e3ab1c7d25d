#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, only those that
# are missing; quick when everything is there already.
#   --screenshot  also what scripts/screenshot.sh needs (a virtual X server)
set -euo pipefail

packages=(
  g++ cmake make
  libgtest-dev googletest
  qt6-base-dev libgl-dev
  fonts-wqy-microhei
  clang libclang-rt-14-dev
)
if [ "${1:-}" = "--screenshot" ]; then
  packages+=(xvfb xauth x11-utils imagemagick)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
