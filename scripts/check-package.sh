#!/usr/bin/env bash
# Checks the Debian package in dist/: its files, dependencies, description,
# documents and desktop entry, lintian (no error and no warning), then
# installs it on this machine, runs both programs as installed as an
# unprivileged user (hiding and extracting in their home folder, the window
# offscreen), and removes it again, leaving nothing behind.
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
              /usr/share/doc/veilwright/README.md /usr/share/doc/veilwright/format.md \
              /usr/share/doc/veilwright/changelog.Debian.gz \
              /usr/share/doc/veilwright/copyright; do
  grep -qx "$wanted" <<<"$files" || fail "$wanted is missing"
done
depends=$(dpkg-deb -f "$deb" Depends)
for wanted in libqt6widgets6 libsodium23 qt6-qpa-plugins qt6-translations-l10n; do
  grep -q "$wanted" <<<"$depends" || fail "it does not depend on $wanted"
done
description=$(dpkg-deb -f "$deb" Description)
for form in PNG JPEG stealth sealed plain; do
  grep -q "$form" <<<"$description" || fail "the package's description does not mention $form"
done
echo "ok - $deb holds both programs, the desktop entry, the icons, the man pages, the README, the format and the licence"

unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
desktop=$unpacked/usr/share/applications/veilwright.desktop
desktop-file-validate "$desktop" || fail "the desktop entry does not validate"
entry() { sed -n "s/^$1=//p" "$desktop"; }
[ "$(entry Exec)" = "veilwright %f" ] || fail "the desktop entry does not pass the picture to the window: $(entry Exec)"
# The window opens BMP pictures in its main window and PNG and JPEG ones in
# its password dialog: a file manager offers it for exactly those.
[ "$(entry MimeType)" = "image/bmp;image/png;image/jpeg;" ] || fail "the desktop entry's types are not those the window opens: $(entry MimeType)"
[ -n "$(entry 'Name\[zh_CN\]')" ] || fail "the desktop entry has no Chinese name"
for key in Comment 'Comment\[zh_CN\]'; do
  for kind in BMP PNG JPEG; do
    grep -q "$kind" <<<"$(entry "$key")" || fail "the desktop entry's $key does not mention $kind"
  done
done
echo "ok - the desktop entry validates, passes the picture (%f), names its types and reads in Chinese too"

# The installed README is the user's: the forms, what each hides and what
# it does not, the covers; not the developer's build instructions.
readme=$unpacked/usr/share/doc/veilwright/README.md
for wanted in "not encryption" "still shows that it holds a file, and how long the file is" \
              "does not hide anything from someone who holds the cover" "two versions of the picture" \
              "--allow-decoded-jpeg" "--max-rate" "Choosing a cover" "PNG" "JPEG" \
              "/usr/share/doc/veilwright/format.md"; do
  grep -qF -- "$wanted" "$readme" || fail "the installed README does not say \"$wanted\""
done
for unwanted in "scripts/" "build/" "## Layout"; do
  if grep -qF -- "$unwanted" "$readme"; then fail "the installed README is the developer's (it says \"$unwanted\")"; fi
done
# The man pages point to documents the package installs, and say what each
# form protects and what it does not.
for page in veilwright-cli veilwright; do
  text=$(zcat "$unpacked/usr/share/man/man1/$page.1.gz")
  for named in $(grep -o '/usr/share/doc/veilwright/[A-Za-z.]*[A-Za-z]' <<<"$text" | sort -u); do
    [ -f "$unpacked$named" ] || fail "$page(1) points to $named, which the package does not install"
  done
  grep -q '/usr/share/doc/veilwright/format.md' <<<"$text" || fail "$page(1) does not point to the installed format"
  if grep -q "project's docs" <<<"$text"; then fail "$page(1) points into the project's sources"; fi
  for wanted in "not encryption" "the file's length"; do
    grep -q "$wanted" <<<"$text" || fail "$page(1) does not say \"$wanted\""
  done
done
grep -q "holds the cover" <<<"$(zcat "$unpacked/usr/share/man/man1/veilwright-cli.1.gz")" ||
  fail "veilwright-cli(1) does not say that the stealth form hides nothing from the cover's holder"
echo "ok - the installed README is the user's; the man pages point to the installed format and say what each form protects"

status=0
lintian --fail-on error,warning --tag-display-limit 0 "$deb" >/tmp/veilwright-lintian.txt 2>&1 || status=$?
# Run as root, lintian says so first; that line is no finding.
grep -v 'running with root privileges' /tmp/veilwright-lintian.txt || true
[ $status -eq 0 ] || fail "lintian reports errors or warnings"
echo "ok - lintian finds no error and no warning"

DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "./$deb" >/dev/null
[ "$(veilwright-cli --version)" = "veilwright-cli $version" ] || fail "the installed veilwright-cli is not $version"
echo "ok - installed, veilwright-cli $version runs"

# As a user would: someone without privileges, in their own home folder, the
# programs from the PATH. A throwaway user, removed with their home at the end.
user=veilwright-check
remove_user() { if id "$user" >/dev/null 2>&1; then "${sudo_cmd[@]}" userdel --remove "$user" 2>/dev/null || true; fi; }
remove_user  # a check cut short earlier may have left it
"${sudo_cmd[@]}" useradd --create-home --shell /bin/sh "$user"
trap 'remove_user; rm -rf "$unpacked"' EXIT
home=$(getent passwd "$user" | cut -d: -f6)
as_user() { "${sudo_cmd[@]}" runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 "$@"; }
in_home() { as_user sh -c "cd && $1"; }
scripts/clean-bmp.sh 400 >"$unpacked/noise.bmp"
for file in "$unpacked/noise.bmp" tests/data/png/imagemagick/plasma-rgb8.png tests/data/jpeg/exiv2-bug1026.jpg; do
  "${sudo_cmd[@]}" install -o "$user" -m 0644 "$file" "$home/"
done
in_home "head -c 3000 /dev/urandom >notes.txt && head -c 100 /dev/urandom >small.bin && \
         veilwright-cli passphrase >pass 2>/dev/null && mkdir out" || fail "cannot prepare $user's home"
in_home "veilwright-cli hide noise.bmp notes.txt --password pw8 --output plain.bmp && \
         veilwright-cli extract plain.bmp --password pw8 --output-dir out && cmp out/output.txt notes.txt" ||
  fail "$user cannot hide and extract in the plain form"
in_home "veilwright-cli hide noise.bmp notes.txt --seal --password-file pass --output sealed.bmp && \
         veilwright-cli inspect sealed.bmp | grep -q 'sealed' && \
         veilwright-cli extract sealed.bmp --password-file pass --output sealed.txt && cmp sealed.txt notes.txt" ||
  fail "$user cannot hide and extract in the sealed form"
for cover in noise.bmp plasma-rgb8.png exiv2-bug1026.jpg; do
  in_home "veilwright-cli hide $cover small.bin --stealth --password-file pass --output stealth-$cover && \
           veilwright-cli extract stealth-$cover --stealth --password-file pass --output back-$cover.bin && \
           cmp back-$cover.bin small.bin" || fail "$user cannot hide and extract in the stealth form in $cover"
done
echo "ok - $user hides and extracts in their home folder: plain and sealed BMP, stealth BMP, PNG and JPEG"

# The window as its desktop entry starts it, with a picture for %f: it opens
# that picture, and stays up until it is stopped.
exec_line=$(sed -n 's/^Exec=//p' /usr/share/applications/veilwright.desktop)
given='"$HOME/plain.bmp"'
status=0
as_user sh -c "cd && QT_QPA_PLATFORM=offscreen strace -f -qq -e trace=openat -o window.trace timeout 5 \
               ${exec_line/\%f/$given}" >/dev/null 2>&1 || status=$?
[ $status -eq 124 ] || fail "the window did not start from its desktop entry (status $status)"
grep -q "\"$home/plain.bmp\", O_RDONLY" "$home/window.trace" || fail "the window did not open the picture it was given"
echo "ok - as $user the window starts offscreen from its desktop entry and opens the picture given for %f"
remove_user
[ ! -e "$home" ] || fail "the check's user's home folder $home was left behind"

DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get remove -y -qq veilwright >/dev/null
left=""
for file in $files; do
  [ -e "$file" ] && [ ! -d "$file" ] && left="$left $file"
done
[ -z "$left" ] || fail "removing it left:$left"
[ ! -e /usr/share/doc/veilwright ] || fail "removing it left /usr/share/doc/veilwright"
echo "ok - removed, nothing left behind"
