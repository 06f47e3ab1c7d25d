#!/usr/bin/env bash
# Checks the Debian package in dist/: its files and dependencies, lintian
# (no error and no warning), then installs it on this machine, starts both programs as installed, and
# removes it again, leaving nothing behind.
set -euo pipefail
cd "$(dirname "$0")/.."
deb=$(ls dist/veilwright_*_amd64.deb | head -1)
version=$(dpkg-deb -f "$deb" Version)
version=${version%-*}  # the programs' version, without the Debian revision
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
fail() { echo "package check: $*" >&2; exit 1; }

files=$(dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|')
for wanted in /usr/bin/veilwright /usr/bin/veilwright-cli /usr/share/applications/veilwright.desktop \
              /usr/share/icons/hicolor/scalable/apps/veilwright.svg /usr/share/icons/hicolor/64x64/apps/veilwright.png \
              /usr/share/man/man1/veilwright-cli.1.gz /usr/share/man/man1/veilwright.1.gz \
              /usr/share/doc/veilwright/README.md /usr/share/doc/veilwright/changelog.Debian.gz \
              /usr/share/doc/veilwright/copyright; do
  grep -qx "$wanted" <<<"$files" || fail "$wanted is missing"
done
depends=$(dpkg-deb -f "$deb" Depends)
for wanted in libqt6widgets6 libsodium23 qt6-qpa-plugins qt6-translations-l10n; do
  grep -q "$wanted" <<<"$depends" || fail "it does not depend on $wanted"
done
dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/veilwright.desktop >/tmp/veilwright-check.desktop
desktop-file-validate /tmp/veilwright-check.desktop || fail "the desktop entry does not validate"
echo "ok - $deb holds both programs, the desktop entry, the icons, the man pages, the README and the licence"

status=0
lintian --fail-on error,warning --tag-display-limit 0 "$deb" >/tmp/veilwright-lintian.txt 2>&1 || status=$?
# Run as root, lintian says so first; that line is no finding.
grep -v 'running with root privileges' /tmp/veilwright-lintian.txt || true
[ $status -eq 0 ] || fail "lintian reports errors or warnings"
echo "ok - lintian finds no error and no warning"

DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "./$deb" >/dev/null
[ "$(veilwright-cli --version)" = "veilwright-cli $version" ] || fail "the installed veilwright-cli is not $version"
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/veilwright.desktop)
status=0
QT_QPA_PLATFORM=offscreen timeout 3 $exec_line >/dev/null 2>&1 || status=$?
[ $status -eq 124 ] || fail "the window did not start from its desktop entry (status $status)"
echo "ok - installed, veilwright-cli $version runs, the window starts from its desktop entry"

DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get remove -y -qq veilwright >/dev/null
left=""
for file in $files; do
  [ -e "$file" ] && [ ! -d "$file" ] && left="$left $file"
done
[ -z "$left" ] || fail "removing it left:$left"
[ ! -e /usr/share/doc/veilwright ] || fail "removing it left /usr/share/doc/veilwright"
echo "ok - removed, nothing left behind"
