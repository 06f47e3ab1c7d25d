#!/usr/bin/env bash
# Rebuilds tests/corpus/bmp: BMP files written by other programs, taken from
# Debian's source packages of image libraries and programs (their test
# pictures, fuzz finds and resources), plus variants written by ImageMagick.
# Not part of the build: the suite reads the committed files. Needs a
# deb-src entry (see build-libsodium-mingw.sh), python3 and ImageMagick.
set -euo pipefail
cd "$(dirname "$0")/.."
corpus=tests/corpus/bmp
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

packages=(pillow gdk-pixbuf libsdl2-image graphicsmagick imagemagick qtbase-opensource-src leptonlib
          golang-golang-x-image libgdiplus libjpeg-turbo wxwidgets3.2 wine)
# BMP_CORPUS_SOURCES: a folder that holds the packages' tarballs already.
tarballs=${BMP_CORPUS_SOURCES:-$work}
[ -n "${BMP_CORPUS_SOURCES:-}" ] ||
  (cd "$work" && for p in "${packages[@]}"; do apt-get source -qq --download-only "$p" >/dev/null; done)
mkdir "$work/src"
for t in "$tarballs"/*.orig.tar.*; do
  tar -xf "$t" -C "$work/src" --wildcards --no-anchored '*.bmp' '*.BMP' '*.dib' 2>/dev/null || true
done
profile=$(mktemp "$work/srgb.XXXX.icc")
tar -xOf "$tarballs"/gdk-pixbuf_*.orig.tar.* --wildcards '*/gif-test-suite/sRGB.icc' >"$profile"

rm -rf "$corpus"/*/
python3 - "$work/src" "$corpus" "$profile" <<'PY'
import hashlib, os, struct, subprocess, sys

src, corpus, profile = sys.argv[1:]
seen = set()
picked = []  # (group, path, bytes)

def group_of(top):
    # The Debian source package each unpacked tree came from.
    for prefix, package in [("pillow", "pillow"), ("gdk-pixbuf", "gdk-pixbuf"), ("SDL2_image", "libsdl2-image"),
                            ("GraphicsMagick", "graphicsmagick"), ("ImageMagick", "imagemagick"),
                            ("qtbase", "qtbase-opensource-src"), ("leptonica", "leptonlib"),
                            ("golang-golang-x-image", "golang-golang-x-image"), ("libgdiplus", "libgdiplus"),
                            ("libjpeg-turbo", "libjpeg-turbo"), ("wxWidgets", "wxwidgets3.2"), ("wine", "wine")]:
        if top.startswith(prefix):
            return package
    raise SystemExit("unknown tree " + top)

def bits_of(data):
    if data[:2] != b"BM" or len(data) < 30:
        return None
    size = struct.unpack("<I", data[14:18])[0]
    return struct.unpack("<H", data[24:26] if size == 12 else data[28:30])[0]

for top in sorted(os.listdir(src)):
    group = group_of(top)
    wine_kept = 0
    for root, dirs, files in sorted(os.walk(os.path.join(src, top))):
        dirs.sort()
        for name in sorted(files):
            if not name.lower().endswith((".bmp", ".dib")):
                continue
            path = os.path.join(root, name)
            data = open(path, "rb").read()
            digest = hashlib.sha256(data).hexdigest()
            if digest in seen:
                continue
            # Wine carries hundreds of resources: its 24-bit ones and a
            # share of the small others keep the corpus small.
            if group == "wine" and (len(data) > 40000 or (bits_of(data) != 24 and wine_kept % 2)):
                wine_kept += 1
                continue
            wine_kept += 1
            seen.add(digest)
            picked.append((group, os.path.relpath(path, os.path.join(src, top)), data))

for group, rel, data in picked:
    out = os.path.join(corpus, group, rel.replace(os.sep, "__"))
    os.makedirs(os.path.dirname(out), exist_ok=True)
    open(out, "wb").write(data)

# ImageMagick's writers: every header it writes, odd widths for every row
# padding, palettes, run-length coding, alpha and an embedded profile.
variants = [("bmp3-24", ["-type", "TrueColor"], "BMP3"), ("bmp2-24", ["-type", "TrueColor"], "BMP2"),
            ("bmp4-24", ["-type", "TrueColor"], "BMP"), ("bmp4-32", ["-alpha", "set", "-type", "TrueColorAlpha"], "BMP"),
            ("bmp3-8", ["-type", "Palette"], "BMP3"), ("bmp3-rle8", ["-type", "Palette", "-compress", "RLE"], "BMP3"),
            ("bmp3-1", ["-monochrome"], "BMP3"), ("bmp4-24-icc", ["-profile", profile, "-type", "TrueColor"], "BMP")]
sources = [p for p in picked if bits_of(p[2]) in (8, 24, 32)][:60]
out_dir = os.path.join(corpus, "imagemagick-variants")
os.makedirs(out_dir, exist_ok=True)
for i, (group, rel, data) in enumerate(sources):
    source = os.path.join(out_dir, "source.bmp")
    open(source, "wb").write(data)
    size = "%dx%d!" % (5 + (i * 7) % 37, 3 + (i * 5) % 29)
    for name, options, coder in variants:
        out = os.path.join(out_dir, "%02d-%s.bmp" % (i, name))
        result = subprocess.run(["convert", source + "[0]", "-resize", size] + options + [coder + ":" + out],
                                stderr=subprocess.DEVNULL)
        if result.returncode != 0 and os.path.exists(out):
            os.remove(out)
    os.remove(source)
PY
find "$corpus" -type f ! -name README.md | wc -l
du -sh "$corpus"
