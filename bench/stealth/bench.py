"""Measures how well steganalysis finds each hiding tool's pictures and prints
the table of ROC areas with 95% intervals.

    bench.py CACHE_DIR CLI [--tools a,b,...] [--workers 2] [--boot 2000]

CACHE_DIR holds the corpus (corpus.py) and the measurements of each tool at
each rate, so a second run only measures what is new.
"""
import argparse
import hashlib
import multiprocessing
import os
import shutil
import sys
import tempfile
import time

import numpy as np

import detectors
import embedders

RATES = (0.1, 0.25)
TOOLS = {
    'plain': 'Veilwright plain (v1)',
    'sealed': 'Veilwright sealed (--seal)',
    'steghide': 'steghide 0.5.1 (-Z -N)',
    'pm1': '+-1 at random places (simulated)',
    'lsb_seq': 'LSB replacement, sequential (simulated)',
    'lsb_rand': 'LSB replacement, random places (simulated)',
    'stealth': 'Veilwright stealth (--stealth)',
    'stealth_png': 'Veilwright stealth, PNG covers',
}
CHECK_EVERY = 10   # extract again from every tenth tile's picture
SIDE = 256


def payload_bytes(rate):
    return int(round(rate * SIDE * SIDE / 8))


def read_tiles(cache):
    rows = []
    with open(os.path.join(cache, 'tiles.tsv')) as f:
        next(f)
        for line in f:
            tile, photo, split = line.split('\t')[:3]
            rows.append((tile, int(photo), split))
    return rows


def _seed(*parts):
    return int.from_bytes(hashlib.sha256('/'.join(map(str, parts)).encode()).digest()[:8], 'little')


_CLI = None
_WORK = None


def _init(cli):
    global _CLI, _WORK
    _CLI = cli
    _WORK = tempfile.mkdtemp(prefix='stealthbench-')


def _measure(job):
    """One tile under one tool at one rate (or the cover itself)."""
    cache, tile, index, tool, rate = job
    with open(os.path.join(cache, 'tiles', tile + '.bmp'), 'rb') as f:
        cover = f.read()
    if tool == 'cover':
        return detectors.all_scores(cover), {}
    payload = np.random.default_rng(_seed(tile, tool, rate)).integers(
        0, 256, payload_bytes(rate), dtype=np.uint8).tobytes()
    check = index % CHECK_EVERY == 0
    started = time.perf_counter()
    if tool in ('plain', 'sealed', 'stealth'):
        stego, notes = embedders.veilwright(_CLI, tool, cover, payload, _WORK, check)
    elif tool == 'stealth_png':
        stego, notes = embedders.veilwright_png(_CLI, cover, payload, _WORK, check)
    elif tool == 'steghide':
        stego, notes = embedders.steghide(cover, payload, _WORK, check)
    else:
        stego, notes = embedders.simulated(tool, cover, payload, _seed(tile, tool, rate, 'places'))
    notes['seconds'] = time.perf_counter() - started
    if stego is None:
        return None, notes
    notes.update(_changes(cover, stego))
    scores = detectors.all_scores(stego)
    if 'png_outside' in notes:
        # A PNG's "header" is every chunk but the image data.
        notes['outside'] = notes.pop('png_outside')
        scores['header'] = float(notes['outside'])
    return scores, notes


def _changes(cover, stego):
    """What changed: bytes outside the pixel array, the largest change of a
    pixel byte, and how many pixel bytes changed."""
    start, end = detectors.pixel_span(cover)
    if len(cover) != len(stego):
        return {'outside': abs(len(cover) - len(stego)) + 1, 'largest': -1, 'changed': -1}
    a = np.frombuffer(cover, np.uint8).astype(np.int16)
    b = np.frombuffer(stego, np.uint8).astype(np.int16)
    outside = np.count_nonzero(a[:start] != b[:start]) + np.count_nonzero(a[end:] != b[end:])
    diff = np.abs(a[start:end] - b[start:end])
    return {'outside': int(outside), 'largest': int(diff.max()), 'changed': int(np.count_nonzero(diff))}


def _stack(scores):
    return {k: np.array([s[k] for s in scores]) for k in scores[0]}


def _save(path, part):
    ok = np.array([s is not None for s, _ in part])
    filler = next(s for s, _ in part if s is not None)
    stacked = _stack([s if s is not None else filler for s, _ in part])
    extra = {}
    for key in ('seconds', 'outside', 'largest', 'changed', 'max_rate', 'extracts'):
        extra['note_' + key] = np.array([float(n.get(key, np.nan)) for _, n in part])
    np.savez(path + '.part.npz', ok=ok, **stacked, **extra)
    os.rename(path + '.part.npz', path)


def measure(cache, cli, tiles, jobs, workers):
    """Runs the jobs not yet in the cache; returns {(tool, rate): results}."""
    results_dir = os.path.join(cache, 'results')
    os.makedirs(results_dir, exist_ok=True)
    todo = [(tool, rate) for tool, rate in jobs
            if not os.path.exists(os.path.join(results_dir, f'{tool}_{rate}.npz'))]
    if todo:
        started = time.time()
        with multiprocessing.Pool(workers, _init, (cli,)) as pool:
            # Each tool and rate is saved as soon as it is measured, so an
            # interrupted run keeps what it has done.
            for tool, rate in todo:
                work = [(cache, t, i, tool, rate) for i, (t, _, _) in enumerate(tiles)]
                part = list(pool.imap(_measure, work, chunksize=4))
                print(f'  measured {tool} at {rate} bpp, {time.time() - started:.0f} s', file=sys.stderr)
                _save(os.path.join(results_dir, f'{tool}_{rate}.npz'), part)
    return {job: dict(np.load(os.path.join(results_dir, f'{job[0]}_{job[1]}.npz'))) for job in jobs}


# --------------------------------------------------------------- statistics

def auc(neg, pos):
    """Area under the ROC curve: Pr(pos > neg) + Pr(tie) / 2."""
    scores = np.concatenate([neg, pos])
    order = scores.argsort(kind='mergesort')
    ranks = np.empty(scores.size)
    sorted_scores = scores[order]
    # average ranks over ties
    boundaries = np.flatnonzero(np.diff(sorted_scores)) + 1
    starts = np.concatenate([[0], boundaries])
    ends = np.concatenate([boundaries, [scores.size]])
    avg = (starts + ends - 1) / 2 + 1
    ranks[order] = np.repeat(avg, ends - starts)
    rpos = ranks[neg.size:].sum()
    return (rpos - pos.size * (pos.size + 1) / 2) / (pos.size * neg.size)


def auc_with_interval(neg, pos, photos, boot, seed):
    """The area, and a 95% interval from resampling the test photographs."""
    value = auc(neg, pos)
    rng = np.random.default_rng(seed)
    unique = np.unique(photos)
    members = [np.flatnonzero(photos == p) for p in unique]
    draws = []
    for _ in range(boot):
        pick = np.concatenate([members[i] for i in rng.integers(0, unique.size, unique.size)])
        draws.append(auc(neg[pick], pos[pick]))
    lo, hi = np.percentile(draws, [2.5, 97.5])
    return value, lo, hi


def band_z(cover_train, values):
    """Each band's estimate as a z-score against the training covers, and the
    largest over the bands: a sequential embedder shows in its first band, a
    spread one over the whole picture."""
    mean = cover_train.mean(axis=0)
    std = cover_train.std(axis=0) + 1e-12
    return ((values - mean) / std).max(axis=1)


class Fisher:
    """Fisher linear discriminant on standardised features, with shrinkage
    chosen by cross-validation over the training photographs."""

    def fit(self, x, y, groups):
        self.mean = x.mean(axis=0)
        self.scale = x.std(axis=0) + 1e-9
        z = (x - self.mean) / self.scale
        unique = np.unique(groups)
        folds = np.array_split(np.random.default_rng(7).permutation(unique), 4)
        best = None
        for shrink in (1e-3, 1e-2, 1e-1, 1.0, 10.0):
            areas = []
            for fold in folds:
                held = np.isin(groups, fold)
                w = self._direction(z[~held], y[~held], shrink)
                s = z[held] @ w
                areas.append(auc(s[y[held] == 0], s[y[held] == 1]))
            if best is None or np.mean(areas) > best[0]:
                best = (np.mean(areas), shrink)
        self.shrink = best[1]
        self.w = self._direction(z, y, self.shrink)
        return self

    @staticmethod
    def _direction(z, y, shrink):
        m0, m1 = z[y == 0].mean(axis=0), z[y == 1].mean(axis=0)
        centred = np.concatenate([z[y == 0] - m0, z[y == 1] - m1])
        sw = centred.T @ centred / len(z)
        sw += shrink * np.trace(sw) / sw.shape[0] * np.eye(sw.shape[0])
        return np.linalg.solve(sw, m1 - m0)

    def score(self, x):
        return ((x - self.mean) / self.scale) @ self.w


def evaluate(cover, stego, train, test, photos, boot):
    """Every detector's area on the test tiles that the tool could hide in."""
    ok = stego['ok']
    tr = train & ok
    te = test & ok
    out = {}
    p = photos[te]
    out['header'] = auc_with_interval(cover['header'][te], stego['header'][te], p, boot, 1)
    for name in ('rs', 'spa'):
        out[name + ' whole'] = auc_with_interval(cover[name][te, -1], stego[name][te, -1], p, boot, 2)
        out[name + ' bands'] = auc_with_interval(band_z(cover[name][train], cover[name][te]),
                                                 band_z(cover[name][train], stego[name][te]), p, boot, 3)
    out['chi'] = auc_with_interval(band_z(cover['chi'][train], cover['chi'][te]),
                                   band_z(cover['chi'][train], stego['chi'][te]), p, boot, 4)
    x = np.concatenate([cover['spam'][tr], stego['spam'][tr]])
    y = np.concatenate([np.zeros(tr.sum()), np.ones(tr.sum())])
    g = np.concatenate([photos[tr], photos[tr]])
    model = Fisher().fit(x, y, g)
    out['spam'] = auc_with_interval(model.score(cover['spam'][te]), model.score(stego['spam'][te]), p, boot, 5)
    out['_shrink'] = model.shrink
    # The same classifier on the channels' SPAM and their differences' SPAM
    # together, where both were measured.
    if 'spam_cross' in cover and 'spam_cross' in stego:
        both_cover = np.concatenate([cover['spam'], cover['spam_cross']], axis=1)
        both_stego = np.concatenate([stego['spam'], stego['spam_cross']], axis=1)
        x = np.concatenate([both_cover[tr], both_stego[tr]])
        model = Fisher().fit(x, y, g)
        out['spam+cross'] = auc_with_interval(model.score(both_cover[te]), model.score(both_stego[te]), p, boot, 6)
    else:
        out['spam+cross'] = None
    return out


CLASSICAL = ('rs whole', 'rs bands', 'spa whole', 'spa bands', 'chi')


def fmt(a):
    return '-' if a is None else f'{a[0]:.2f} [{a[1]:.2f}, {a[2]:.2f}]'


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument('cache')
    ap.add_argument('cli')
    ap.add_argument('--tools', default=','.join(TOOLS))
    ap.add_argument('--workers', type=int, default=2)
    ap.add_argument('--boot', type=int, default=2000)
    ap.add_argument('--rates', default=','.join(map(str, RATES)), help='bits per pixel, e.g. 0.1')
    args = ap.parse_args()
    started = time.time()
    tools = args.tools.split(',')
    tiles = read_tiles(args.cache)
    split = np.array([s for _, _, s in tiles])
    photos = np.array([p for _, p, _ in tiles])
    train, test = split == 'train', split == 'test'
    print(f'corpus: {len(tiles)} tiles of {np.unique(photos).size} photographs; '
          f'train {train.sum()} tiles of {np.unique(photos[train]).size} photographs, '
          f'test {test.sum()} tiles of {np.unique(photos[test]).size} photographs')
    if 'steghide' in tools and shutil.which('steghide') is None:
        sys.exit('steghide is not installed')
    rates = tuple(float(r) for r in args.rates.split(','))
    jobs = [(t, r) for t in tools for r in rates]
    res = measure(args.cache, args.cli, tiles, [('cover', 0)] + jobs, args.workers)
    cover = res[('cover', 0)]
    rows = {}
    for tool, rate in jobs:
        rows[(tool, rate)] = evaluate(cover, res[(tool, rate)], train, test, photos, args.boot)

    print()
    print('| tool | ' + ' | '.join(f'{r:g} bpp: {what}' for r in rates
                                   for what in ('header', 'best classical', 'SPAM, trained')) + ' |')
    print('|---|' + '---|' * (3 * len(rates)))
    for tool in tools:
        cells = []
        for rate in rates:
            r = rows[(tool, rate)]
            best = max(CLASSICAL, key=lambda k: r[k][0])
            cells += [fmt(r['header']), f'{fmt(r[best])} ({best})', fmt(r['spam'])]
        print(f'| {TOOLS[tool]} | ' + ' | '.join(cells) + ' |')
    print()
    print('Every detector (area [95% interval]):')
    print('| tool | bpp | tiles hidden | ' + ' | '.join(('header',) + CLASSICAL + ('spam', 'spam+cross')) + ' |')
    print('|---|---|---|' + '---|' * (len(CLASSICAL) + 3))
    for tool, rate in jobs:
        r = rows[(tool, rate)]
        s = res[(tool, rate)]
        cells = [fmt(r[k]) for k in ('header',) + CLASSICAL + ('spam', 'spam+cross')]
        print(f'| {tool} | {rate} | {int(s["ok"].sum())}/{len(tiles)} | ' + ' | '.join(cells) + ' |')
    # The stealth form refuses a payload over its default cap; the rows above
    # count the tiles that took it with a higher --max-rate too. These count
    # only the tiles that took it within the cap.
    for tool, rate in jobs:
        s = res[(tool, rate)]
        within = s['ok'] & (s['note_max_rate'] == 0)
        if (within & test).sum() < 30:
            continue
        r = evaluate(cover, dict(s, ok=within), train, test, photos, args.boot)
        cells = [fmt(r[k]) for k in ('header',) + CLASSICAL + ('spam', 'spam+cross')]
        print(f'| {tool}, default cap only | {rate} | {int(within.sum())}/{len(tiles)} | ' + ' | '.join(cells) + ' |')
    print()
    print('What the tools changed, and their time per 256x256 picture (wall clock, shared machine):')
    for tool, rate in jobs:
        s = res[(tool, rate)]
        ok = s['ok']
        line = (f'  {tool} {rate}: bytes outside the pixel array changed in {int((s["note_outside"][ok] > 0).sum())}'
                f' pictures; largest pixel-byte change {int(np.nanmax(s["note_largest"][ok]))}; '
                f'pixel bytes changed, median {np.nanmedian(s["note_changed"][ok]):.0f}; '
                f'{np.nanmean(s["note_seconds"]):.2f} s a picture')
        checked = s['note_extracts'][~np.isnan(s['note_extracts'])]
        if checked.size:
            line += f'; extracted byte-exact {int(checked.sum())}/{checked.size}'
        rates = s['note_max_rate'][ok & ~np.isnan(s['note_max_rate'])]
        if rates.size:
            at_default = int((rates == 0).sum())
            line += (f'; within the default cap {at_default}/{rates.size}'
                     + (f', --max-rate up to {rates.max():g}' if rates.max() > 0 else ''))
        print(line)
    print()
    print(f'SPAM: second-order, T=3, 686 features averaged over B, G, R; Fisher discriminant, shrinkage by '
          f'4-fold cross-validation over training photographs; intervals: {args.boot} bootstrap draws '
          f'of test photographs. Run time {time.time() - started:.0f} s.')


if __name__ == '__main__':
    main()
