"""Builds the tile corpus: photographs from Debian packages, downscaled, cut
into 256x256 tiles and saved as clean 24-bit BMPs, with a record of where
each tile came from and which half (train or test) its photograph is in.

    corpus.py CACHE_DIR      (writes CACHE_DIR/tiles/*.bmp and tiles.tsv)
"""
import hashlib
import io
import os
import subprocess
import sys

from PIL import Image

import rcc

HERE = os.path.dirname(os.path.abspath(__file__))
TILE = 256
MAX_FACTOR = 4        # downscale by 2 to 4 to wash out the JPEG/WebP blocks
MIN_FACTOR = 2        # photographs too small to shrink by 2 are left out
TILES_PER_PHOTO = 4   # so that the big wallpapers do not outweigh the rest

Image.MAX_IMAGE_PIXELS = None


def read_manifest():
    rows = []
    with open(os.path.join(HERE, 'photos.tsv')) as f:
        for line in f:
            if line.startswith('#') or not line.strip():
                continue
            package, path, member = line.rstrip('\n').split('\t')
            rows.append((package, path, None if member == '-' else member))
    return rows


def unpack_packages(manifest, cache):
    """Downloads each package once and unpacks only the files the corpus uses."""
    debs = os.path.join(cache, 'debs')
    root = os.path.join(cache, 'pkgroot')
    os.makedirs(debs, exist_ok=True)
    wanted = {}
    for package, path, _ in manifest:
        wanted.setdefault(package, set()).add('./' + path)
    for package in sorted(wanted):
        target = os.path.join(root, package)
        if os.path.isdir(target):
            continue
        have = [f for f in os.listdir(debs) if f.startswith(package + '_')]
        if not have:
            subprocess.run(['apt-get', 'download', package], cwd=debs, check=True,
                           stdout=subprocess.DEVNULL)
            have = [f for f in os.listdir(debs) if f.startswith(package + '_')]
        os.makedirs(target + '.part', exist_ok=True)
        tar = subprocess.Popen(['dpkg-deb', '--fsys-tarfile', os.path.join(debs, have[0])],
                               stdout=subprocess.PIPE)
        subprocess.run(['tar', '-x', '-C', target + '.part'] + sorted(wanted[package]),
                       stdin=tar.stdout, check=True)
        if tar.wait() != 0:
            raise RuntimeError('cannot unpack ' + have[0])
        os.rename(target + '.part', target)
    return root


def load_photo(root, package, path, member, archives):
    full = os.path.join(root, package, path)
    if member is None:
        return Image.open(full)
    if full not in archives:
        with open(full, 'rb') as f:
            archives[full] = dict(rcc.members(f.read()))
    return Image.open(io.BytesIO(archives[full][member]))


def photo_split(name):
    # A fixed hash, so the halves stay the same from run to run and machine to machine.
    return 'train' if hashlib.sha256(name.encode()).digest()[0] < 128 else 'test'


def tiles_of(im):
    im = im.convert('RGB')
    w, h = im.size
    # The strongest shrink that still gives two tiles, else one tile.
    fits = [f for f in range(MAX_FACTOR, MIN_FACTOR - 1, -1) if w // f >= TILE and h // f >= TILE]
    if not fits:
        return []
    two = [f for f in fits if (w // f // TILE) * (h // f // TILE) >= 2]
    factor = two[0] if two else fits[0]
    small = im.resize((w // factor, h // factor), Image.LANCZOS)
    cols, rows = small.width // TILE, small.height // TILE
    spots = [(c, r) for r in range(rows) for c in range(cols)]
    if len(spots) > TILES_PER_PHOTO:
        step = len(spots) / TILES_PER_PHOTO
        spots = [spots[int(i * step + step / 2)] for i in range(TILES_PER_PHOTO)]
    return [(c * TILE, r * TILE, factor, small.crop((c * TILE, r * TILE, c * TILE + TILE, r * TILE + TILE)))
            for c, r in spots]


def main():
    cache = sys.argv[1]
    out = os.path.join(cache, 'tiles')
    index = os.path.join(cache, 'tiles.tsv')
    if os.path.exists(index):
        return
    manifest = read_manifest()
    root = unpack_packages(manifest, cache)
    os.makedirs(out, exist_ok=True)
    archives = {}
    lines = ['tile\tphoto\tsplit\tpackage\tfile\tmember\tfactor\tx\ty']
    for photo_id, (package, path, member) in enumerate(manifest):
        name = f'{package}:{path}' + (f'!{member}' if member else '')
        split = photo_split(name)
        for n, (x, y, factor, tile) in enumerate(tiles_of(load_photo(root, package, path, member, archives))):
            tile_id = f'p{photo_id:03d}t{n}'
            tile.save(os.path.join(out, tile_id + '.bmp'))
            lines.append(f'{tile_id}\t{photo_id}\t{split}\t{package}\t{path}\t{member or "-"}'
                         f'\t{factor}\t{x}\t{y}')
    with open(index + '.part', 'w') as f:
        f.write('\n'.join(lines) + '\n')
    os.rename(index + '.part', index)


if __name__ == '__main__':
    main()
