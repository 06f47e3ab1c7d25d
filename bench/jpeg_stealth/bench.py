"""JPEG steganalysis benchmark: Veilwright's stealth form in JPEG covers
(UERD's costs, and J-UNIWARD's as "juniward") against DCTR features and the FLD
ensemble, beside steghide, outguess and random +-1 at non-zero AC
coefficients, on the same tiles.

    bench.py PHOTO_LIST CACHE [--workers N] [--splits N] [--qualities 75,95]
             [--tools veilwright,juniward,pm1,steghide,outguess]

Tiles: each photograph (a JPEG from a Debian package) decoded, turned grey,
downscaled to three quarters (Lanczos; less where that leaves no tile) to
wash out its own blocks, cut into up to 8 tiles of 512x512, and compressed by libjpeg's cjpeg at quality 75 and 95.
Training and testing keep photographs apart: each split puts half of the
photographs' tiles in training and the other half in testing."""
import argparse
import hashlib
import os
import subprocess
import sys
from multiprocessing import Pool

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import dctr  # noqa: E402
from ensemble import FldEnsemble  # noqa: E402

RATES = (0.05, 0.1, 0.2, 0.4)
QUALITIES = (75, 95)
TOOLS = ("veilwright", "juniward", "pm1", "steghide", "outguess")
OWN_TOOLS = ("veilwright", "juniward", "pm1")
PEER_RATES = (0.05, 0.1, 0.2)
BENCH_TOOL = os.environ.get("VEILWRIGHT_JPEG_BENCH", "build/bench/veilwright-jpeg-bench")


def run(args, **kw):
    return subprocess.run(args, check=True, stdout=subprocess.PIPE, stderr=subprocess.PIPE, **kw)


TILE = 512


def make_tiles(job):
    index, photo, cache, qualities = job
    made = []
    size = run(["identify", "-format", "%w %h", photo]).stdout.decode().split()
    width, height = int(size[0]), int(size[1])
    # Down by a non-integer factor, which washes out the photograph's own
    # blocks (less where that leaves no tile; never up).
    scale = max(0.75, (TILE + 16) / min(width, height))
    if scale > 1:
        return made
    width, height = int(width * scale), int(height * scale)
    spots = [(8 + TILE * x, 8 + TILE * y) for y in range((height - 16) // TILE) for x in range((width - 16) // TILE)]
    step = max(1, len(spots) // 8)
    for x, y in spots[::step][:8]:
        grey = run(["convert", photo, "-colorspace", "Gray", "-filter", "Lanczos", "-resize", f"{100 * scale:.4f}%",
                    "-crop", f"{TILE}x{TILE}+{x}+{y}", "+repage", "pgm:-"]).stdout
        for quality in qualities:
            name = os.path.join(cache, "covers", f"q{quality}", f"p{index:03d}_{x}_{y}.jpg")
            if not os.path.exists(name):
                with open(name, "wb") as out:
                    out.write(run(["cjpeg", "-quality", str(quality), "-grayscale"], input=grey).stdout)
            made.append(name)
    return made


def nonzero_ac(dump):
    blocks, _ = dctr.read_dump(dump)
    flat = blocks.reshape(-1, 64)
    return int(np.count_nonzero(flat[:, 1:]))


def seed_of(*parts):
    return int(hashlib.sha256("/".join(map(str, parts)).encode()).hexdigest()[:8], 16) % 1000000


def embed(job):
    tool, rate, cover, out, cache = job
    if os.path.exists(out) or os.path.exists(out + ".failed"):
        return
    dump = cover + ".bin"
    seed = seed_of(tool, rate, cover)
    try:
        if tool in ("veilwright", "juniward"):
            run([BENCH_TOOL, "hide" if tool == "veilwright" else "hide-juniward", str(rate), str(seed), cover, out])
        elif tool == "pm1":
            run([BENCH_TOOL, "pm1", str(rate), str(seed), cover, out])
        else:
            size = int(rate * nonzero_ac(dump) / 8)
            payload = out + ".payload"
            with open(payload, "wb") as f:
                f.write(np.random.default_rng(seed).integers(0, 256, size, dtype=np.uint8).tobytes())
            if tool == "steghide":
                run(["steghide", "embed", "-cf", cover, "-ef", payload, "-sf", out, "-p", f"pw{seed}", "-Z", "-q",
                     "-f"])
            else:
                run(["outguess", "-k", f"pw{seed}", "-d", payload, cover, out])
            os.remove(payload)
    except subprocess.CalledProcessError:
        open(out + ".failed", "w").close()
        if os.path.exists(out):
            os.remove(out)


def feature_of(path):
    dump = path + ".bin"
    if not os.path.exists(dump):
        run([BENCH_TOOL, "dump", path, dump])
    return dctr.features(dump)


def auc(neg, pos):
    scores = np.concatenate([neg, pos])
    ranks = scores.argsort().argsort() + 1
    return (ranks[len(neg):].sum() - len(pos) * (len(pos) + 1) / 2) / (len(neg) * len(pos))


def p_error(neg, pos):
    thresholds = np.unique(np.concatenate([neg, pos]))
    best = 0.5
    for t in thresholds:
        best = min(best, ((neg >= t).mean() + (pos < t).mean()) / 2)
    return best


def evaluate(cover_x, stego_x, photos, splits):
    aucs, errors = [], []
    unique = np.unique(photos)
    for split in range(splits):
        rng = np.random.default_rng(1000 + split)
        train_photos = rng.choice(unique, size=len(unique) // 2, replace=False)
        train = np.isin(photos, train_photos)
        model = FldEnsemble(learners=31, subspace=800, seed=split).fit(cover_x[train], stego_x[train])
        neg, pos = model.score(cover_x[~train]), model.score(stego_x[~train])
        aucs.append(auc(neg, pos))
        errors.append(p_error(neg, pos))
    aucs = np.array(aucs)
    return aucs.mean(), np.percentile(aucs, 2.5), np.percentile(aucs, 97.5), float(np.mean(errors))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("photos")
    parser.add_argument("cache")
    parser.add_argument("--workers", type=int, default=2)
    parser.add_argument("--splits", type=int, default=10)
    parser.add_argument("--qualities", default=",".join(map(str, QUALITIES)))
    parser.add_argument("--tools", default=",".join(TOOLS))
    args = parser.parse_args()
    qualities = [int(q) for q in args.qualities.split(",")]
    tools = args.tools.split(",")
    photos = [line.strip() for line in open(args.photos) if line.strip()]
    for quality in qualities:
        os.makedirs(os.path.join(args.cache, "covers", f"q{quality}"), exist_ok=True)
    with Pool(args.workers) as pool:
        covers = sorted(sum(pool.map(make_tiles, [(i, p, args.cache, qualities) for i, p in enumerate(photos)]), []))
        for cover in covers:
            if not os.path.exists(cover + ".bin"):
                run([BENCH_TOOL, "dump", cover, cover + ".bin"])
        jobs = []
        for cover in covers:
            for tool in tools:
                for rate in RATES if tool in OWN_TOOLS else PEER_RATES:
                    folder = os.path.join(os.path.dirname(cover), f"{tool}_{rate}")
                    os.makedirs(folder, exist_ok=True)
                    jobs.append((tool, rate, cover, os.path.join(folder, os.path.basename(cover)), args.cache))
        pool.map(embed, jobs, chunksize=8)
        print(f"{len(covers)} cover tiles from {len(photos)} photographs; embedded", flush=True)
        for quality in qualities:
            these = [c for c in covers if f"/q{quality}/" in c]
            cover_x = np.stack(pool.map(feature_of, these, chunksize=8))
            photo_of = np.array([int(os.path.basename(c)[1:4]) for c in these])
            print(f"\nquality {quality}: {len(these)} tiles of {len(np.unique(photo_of))} photographs")
            print("tool        rate   pairs  AUC (2.5-97.5% over splits)  P_E")
            for tool in tools:
                for rate in RATES if tool in OWN_TOOLS else PEER_RATES:
                    folder = f"{tool}_{rate}"
                    made = [os.path.join(os.path.dirname(c), folder, os.path.basename(c)) for c in these]
                    keep = np.array([os.path.exists(m) for m in made])
                    if keep.sum() < 40:
                        print(f"{tool:10s}  {rate:<5}  {keep.sum():5d}  too few stego pictures")
                        continue
                    stego_x = np.stack(pool.map(feature_of, [m for m, k in zip(made, keep) if k], chunksize=8))
                    mean, low, high, pe = evaluate(cover_x[keep], stego_x, photo_of[keep], args.splits)
                    print(f"{tool:10s}  {rate:<5}  {keep.sum():5d}  {mean:.3f} ({low:.3f}-{high:.3f})"
                          f"          {pe:.3f}", flush=True)


if __name__ == "__main__":
    main()
