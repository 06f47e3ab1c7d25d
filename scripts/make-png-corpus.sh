#!/usr/bin/env bash
# Rebuilds tests/corpus/png: PNG files written by other programs, taken from
# Debian's source packages of image libraries and programs (their test
# pictures, reference renderings, fuzz finds and icons). Not part of the
# build: the suite reads the committed files. Needs a deb-src entry (see
# build-libsodium-mingw.sh) and python3.
set -euo pipefail
cd "$(dirname "$0")/.."
corpus=tests/corpus/png
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"  # apt's own user fetches into it

packages=(pillow gdk-pixbuf libspng graphicsmagick imagemagick qtbase-opensource-src golang-golang-x-image
          libsdl2-image leptonlib cairo libpng1.6 optipng)
# PNG_CORPUS_SOURCES: a folder that holds the packages' tarballs already.
tarballs=${PNG_CORPUS_SOURCES:-$work}
if [ -z "${PNG_CORPUS_SOURCES:-}" ]; then
  for p in "${packages[@]}"; do
    # The newest version's files may be gone from the mirror: an older one.
    (cd "$work" && apt-get source -qq --download-only "$p" >/dev/null 2>&1) && continue
    for version in $(apt-cache showsrc "$p" | sed -n 's/^Version: //p' | sort -rV | uniq); do
      (cd "$work" && apt-get source -qq --download-only "$p=$version" >/dev/null 2>&1) && break
    done
  done
fi
mkdir "$work/src"
for t in "$tarballs"/*.orig.tar.*; do
  case $t in *.asc) continue ;; esac
  tar -xf "$t" -C "$work/src" --wildcards --no-anchored '*.png' '*.PNG' 2>/dev/null || true
done

rm -rf "$corpus"/*/
python3 - "$work/src" "$corpus" tests/data/png <<'PY'
import hashlib, os, sys

src, corpus, known = sys.argv[1:]
largest = 64 * 1024
seen = set()
# The pictures the PNG cover tests hold already.
for root, _, files in os.walk(known):
    for name in files:
        seen.add(hashlib.sha256(open(os.path.join(root, name), "rb").read()).hexdigest())

def group_of(top):
    # The Debian source package each unpacked tree came from.
    for prefix, package in [("pillow", "pillow"), ("gdk-pixbuf", "gdk-pixbuf"), ("libspng", "libspng"),
                            ("GraphicsMagick", "graphicsmagick"), ("ImageMagick", "imagemagick"),
                            ("qtbase", "qtbase-opensource-src"), ("golang-golang-x-image", "golang-golang-x-image"),
                            ("SDL2_image", "libsdl2-image"), ("leptonica", "leptonlib"), ("cairo", "cairo"),
                            ("libpng", "libpng1.6"), ("optipng", "optipng")]:
        if top.startswith(prefix):
            return package
    raise SystemExit("unknown tree " + top)

# Cairo's thousands of reference renderings and Qt's icons are alike: a
# share of their small ones keeps the corpus small and the test quick.
def kept(group, data, index):
    if group == "cairo":
        return len(data) <= 16384 and index % 5 == 0
    if group == "qtbase-opensource-src":
        return len(data) <= 12288
    return True

picked = []
for top in sorted(os.listdir(src)):
    group = group_of(top)
    index = 0
    for root, dirs, files in sorted(os.walk(os.path.join(src, top))):
        dirs.sort()
        for name in sorted(files):
            if not name.lower().endswith(".png"):
                continue
            path = os.path.join(root, name)
            data = open(path, "rb").read()
            digest = hashlib.sha256(data).hexdigest()
            if len(data) > largest or digest in seen:
                continue
            index += 1
            if not kept(group, data, index - 1):
                continue
            seen.add(digest)
            picked.append((group, os.path.relpath(path, os.path.join(src, top)), data))

for group, rel, data in picked:
    out = os.path.join(corpus, group, rel.replace(os.sep, "__"))
    os.makedirs(os.path.dirname(out), exist_ok=True)
    open(out, "wb").write(data)
PY
for d in "$corpus"/*/; do echo "$(basename "$d") $(find "$d" -type f | wc -l) $(du -sk "$d" | cut -f1) KiB"; done
find "$corpus" -type f ! -name README.md | wc -l
du -sh "$corpus"
