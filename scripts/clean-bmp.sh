#!/usr/bin/env bash
# Writes to standard output a 24-bit BMP picture, SIDE by SIDE pixels of
# noise, that holds no hidden file:  scripts/clean-bmp.sh SIDE > FILE
set -euo pipefail
side=$1
pixels=$(((side * 3 + 3) / 4 * 4 * side))
le32() { printf '\\x%02x' $(($1 & 255)) $(($1 >> 8 & 255)) $(($1 >> 16 & 255)) $(($1 >> 24 & 255)); }
printf 'BM'; printf "$(le32 $((54 + pixels)))\\0\\0\\0\\0$(le32 54)"
printf "$(le32 40)$(le32 "$side")$(le32 "$side")\\x01\\0\\x18\\0$(le32 0)$(le32 0)$(le32 2835)$(le32 2835)$(le32 0)$(le32 0)"
head -c "$pixels" /dev/urandom
