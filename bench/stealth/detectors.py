"""Steganalysis of 24-bit BMP pictures: the header check, RS analysis, sample
pair analysis, the chi-square attack and second-order SPAM features.

Every function takes the picture as the BMP file's bytes or as the pixel
array in FILE order (first row in the file first, bytes B, G, R), because the
sequential embedders write in file order from the first pixel row.
"""
import io
import struct

import numpy as np
from PIL import Image
from scipy.stats import chi2

# Row bands from the start of the pixel array (in file order) that RS and SPA
# also look at alone, where a sequential embedder puts all its changes.
BANDS = (4, 8, 16, 32, 64, 128, 256)
# Stretches of the byte stream, as fractions, for the chi-square attack.
CHI_PREFIXES = (0.01, 0.02, 0.05, 0.1, 0.25, 0.5, 1.0)
CHI_WINDOW = 0.05


def pixels_of(bmp):
    """The pixel array of a bottom-up 24-bit BMP as (rows, cols, 3) in file order."""
    offset, = struct.unpack_from('<I', bmp, 10)
    width, height, planes, bits = struct.unpack_from('<iiHH', bmp, 18)
    if bits != 24 or height <= 0:
        raise ValueError('not a bottom-up 24-bit BMP')
    stride = (width * 3 + 3) // 4 * 4
    raw = np.frombuffer(bmp, np.uint8, stride * height, offset).reshape(height, stride)
    return raw[:, :width * 3].reshape(height, width, 3)


def pixel_span(bmp):
    offset, = struct.unpack_from('<I', bmp, 10)
    width, height = struct.unpack_from('<ii', bmp, 18)
    return offset, offset + (width * 3 + 3) // 4 * 4 * abs(height)


def clean_save(bmp):
    """The same picture written afresh by a plain BMP writer (Pillow)."""
    out = io.BytesIO()
    Image.open(io.BytesIO(bmp)).convert('RGB').save(out, 'BMP')
    return out.getvalue()


def header_score(bmp):
    """How many bytes outside the pixel array differ from a clean save of the
    same picture, counting any difference in length as that many bytes."""
    clean = clean_save(bmp)
    start, end = pixel_span(bmp)
    cstart, cend = pixel_span(clean)
    outside = bmp[:start] + bmp[end:]
    expected = clean[:cstart] + clean[cend:]
    n = min(len(outside), len(expected))
    differ = np.count_nonzero(np.frombuffer(outside[:n], np.uint8) != np.frombuffer(expected[:n], np.uint8))
    return float(differ + abs(len(outside) - len(expected)) + abs(len(bmp) - len(clean)))


# ---------------------------------------------------------------- RS analysis

def _flip(x, direction):
    if direction > 0:
        return x ^ 1
    return ((x + 1) ^ 1) - 1


def _rs_counts(groups, mask):
    """Regular and singular group counts for the mask and the negative mask."""
    def smoothness(g):
        return np.abs(np.diff(g, axis=-1)).sum(axis=-1)
    base = smoothness(groups)
    out = []
    for direction in (1, -1):
        flipped = groups.copy()
        flipped[..., mask] = _flip(groups[..., mask], direction)
        f = smoothness(flipped)
        out += [np.count_nonzero(f > base), np.count_nonzero(f < base)]
    return np.array(out, dtype=np.float64)


def rs_estimate(channels):
    """Fridrich-Goljan-Du estimate of the share of samples carrying LSB
    replacement, from groups of four horizontal neighbours, pooled over the
    given channels (a list of 2-D int arrays)."""
    mask = np.array([False, True, True, False])
    c0 = np.zeros(4)
    c1 = np.zeros(4)
    for ch in channels:
        w = ch.shape[1] // 4 * 4
        g = ch[:, :w].astype(np.int16).reshape(ch.shape[0], -1, 4)
        c0 += _rs_counts(g, mask)
        c1 += _rs_counts(g ^ 1, mask)
    d0 = c0[0] - c0[1]
    dm0 = c0[2] - c0[3]
    d1 = c1[0] - c1[1]
    dm1 = c1[2] - c1[3]
    a = 2 * (d1 + d0)
    b = dm0 - dm1 - d1 - 3 * d0
    c = d0 - dm0
    if abs(a) < 1e-9:
        x = -c / b if abs(b) > 1e-9 else 0.0
    else:
        disc = b * b - 4 * a * c
        if disc < 0:
            x = -b / (2 * a)
        else:
            r = np.sqrt(disc)
            x = min((-b + r) / (2 * a), (-b - r) / (2 * a), key=abs)
    return float(x / (x - 0.5)) if abs(x - 0.5) > 1e-9 else 1.0


# ------------------------------------------------------- sample pair analysis

def spa_estimate(channels):
    """Dumitrescu-Wu-Wang estimate of the LSB replacement rate from
    horizontally adjacent sample pairs, pooled over the given channels."""
    x = y = k = p = 0
    for ch in channels:
        u = ch[:, :-1].astype(np.int16)
        v = ch[:, 1:].astype(np.int16)
        even = (v & 1) == 0
        x += np.count_nonzero((even & (u < v)) | (~even & (u > v)))
        y += np.count_nonzero((even & (u > v)) | (~even & (u < v)))
        k += np.count_nonzero((u >> 1) == (v >> 1))
        p += u.size
    if k == 0:
        return 0.0
    a, b, c = 0.5 * k, 2.0 * x - p, float(y - x)
    disc = b * b - 4 * a * c
    if disc < 0:
        return float(-b / (2 * a))
    r = np.sqrt(disc)
    return float(min((-b + r) / (2 * a), (-b - r) / (2 * a)))


def band_estimates(pix, estimator):
    """The estimate over each band of rows from the start of the pixel array."""
    chans = [pix[:, :, i] for i in range(3)]
    return np.array([estimator([c[:rows] for c in chans]) for rows in BANDS])


# ---------------------------------------------------------- chi-square attack

def _chi_logp(samples):
    """log of the chi-square CDF of the pairs-of-values histogram: very
    negative when the pairs 2k, 2k+1 are as even as LSB replacement makes them."""
    h = np.bincount(samples, minlength=256).astype(np.float64)
    even, odd = h[0::2], h[1::2]
    expected = (even + odd) / 2
    use = expected >= 4
    if np.count_nonzero(use) < 2:
        return 0.0
    stat = (((even[use] - expected[use]) ** 2) / expected[use]).sum()
    return float(chi2.logcdf(stat, np.count_nonzero(use) - 1))


def chi_windows(pix):
    """-log10 of the chi-square attack's p over stream prefixes and over
    sliding 5% windows (half-overlapping); their maximum is the score."""
    stream = pix.reshape(-1)
    n = stream.size
    out = [-_chi_logp(stream[:max(64, int(n * f))]) for f in CHI_PREFIXES]
    size = int(n * CHI_WINDOW)
    for start in range(0, n - size + 1, size // 2):
        out.append(-_chi_logp(stream[start:start + size]))
    return np.array(out) / np.log(10)


# ----------------------------------------------------------------------- SPAM

T = 3


def _transitions(a, b, c):
    """Pr(c | a, b) over clipped differences, as a 343-vector."""
    joint = np.bincount((a * 49 + b * 7 + c).ravel(), minlength=343).astype(np.float64)
    joint = joint.reshape(49, 7)
    total = joint.sum(axis=1, keepdims=True)
    return np.divide(joint, total, out=np.zeros_like(joint), where=total > 0).ravel()


def _straight(x):
    """Transitions of horizontal differences, left to right."""
    d = np.clip(x[:, :-1] - x[:, 1:], -T, T) + T
    return _transitions(d[:, :-2], d[:, 1:-1], d[:, 2:])


def _diagonal(x):
    """Transitions of differences along the down-right diagonals."""
    d = np.clip(x[:-1, :-1] - x[1:, 1:], -T, T) + T
    return _transitions(d[:-2, :-2], d[1:-1, 1:-1], d[2:, 2:])


def spam_channel(x):
    """Second-order SPAM (Pevny, Bas, Fridrich 2010), T=3: 343 straight plus
    343 diagonal features of one channel."""
    x = x.astype(np.int16)
    straight = []
    for img in (x, x[:, ::-1], x.T, x.T[:, ::-1]):
        straight.append(_straight(img))
    diagonal = [_diagonal(img) for img in (x, x[::-1, ::-1], x[::-1, :], x[:, ::-1])]
    return np.concatenate([np.mean(straight, axis=0), np.mean(diagonal, axis=0)])


def spam(pix):
    """The three channels' SPAM features, averaged (686 features)."""
    return np.mean([spam_channel(pix[:, :, i]) for i in range(3)], axis=0)


def spam_cross(pix):
    """SPAM features of the differences between the colour channels, blue
    minus green and red minus green, averaged (686 features). The channels
    of a photograph move together; changes made to each channel on its own
    show in their differences."""
    x = pix.astype(np.int16)
    return np.mean([spam_channel(x[:, :, 0] - x[:, :, 1]), spam_channel(x[:, :, 2] - x[:, :, 1])], axis=0)


def all_scores(bmp):
    """Everything the benchmark measures of one picture."""
    pix = pixels_of(bmp)
    return {
        'header': header_score(bmp),
        'rs': band_estimates(pix, rs_estimate),
        'spa': band_estimates(pix, spa_estimate),
        'chi': chi_windows(pix),
        'spam': spam(pix),
        'spam_cross': spam_cross(pix),
    }
