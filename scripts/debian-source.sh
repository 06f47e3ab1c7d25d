# Sourced by the scripts that build a library for Windows from Debian's own
# source package: what they share.
#   need_packages PACKAGE...  installs those of them that are missing
#   make_work_dir             a scratch folder in $work, removed on exit
#   fetch_source PACKAGE      unpacks PACKAGE's source into $work; when the
#                             newest version's files are not (or no longer)
#                             on the mirror, an older listed one is taken
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)

need_packages() {
  local missing=() package
  for package in "$@"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
  [ ${#missing[@]} -eq 0 ] ||
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

make_work_dir() {
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  chmod 755 "$work"  # apt's own user fetches into it
}

fetch_source() {
  local package=$1 version
  (cd "$work" && apt-get source -qq "$package" >/dev/null 2>&1) && return 0
  for version in $(apt-cache showsrc "$package" | sed -n 's/^Version: //p' | sort -rV | uniq); do
    (cd "$work" && apt-get source -qq "$package=$version" >/dev/null 2>&1) && return 0
  done
  echo "cannot fetch Debian's source of $package" >&2
  return 1
}
