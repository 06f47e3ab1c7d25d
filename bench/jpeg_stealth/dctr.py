"""DCTR features (Holub and Fridrich, "Low-complexity features for JPEG
steganalysis using undecimated DCT", IEEE TIFS 2015): the JPEG decompressed
to the spatial domain without rounding, convolved with the 64 8x8 DCT basis
patterns, each residual's magnitudes quantised with step q = 8 (2 - QF / 50)
and threshold T = 4, and histogrammed by its position on the 8x8 grid, the
64 positions merged into 25 by the symmetries of the basis: 64 x 25 x 5 =
8,000 features."""
import numpy as np
from scipy.fft import idctn

T = 4


def read_dump(path):
    """The luminance (first component) of a veilwright-jpeg-bench dump: its
    coefficients as blocks and its quantisation steps."""
    data = np.fromfile(path, dtype=np.uint8)
    at = 4
    width, height = np.frombuffer(data[at:at + 8].tobytes(), dtype="<u4")
    at += 8
    quant = np.frombuffer(data[at:at + 128].tobytes(), dtype="<u2").astype(np.float64).reshape(8, 8)
    at += 128
    count = int(width) * int(height) * 64
    coefficients = np.frombuffer(data[at:at + 2 * count].tobytes(), dtype="<i2").astype(np.float64)
    return coefficients.reshape(int(height), int(width), 8, 8), quant


def quality_of(quant):
    """libjpeg's quality factor that gives this luminance table, by its
    scaling of the standard table (the nearest)."""
    standard = np.array([16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55, 14, 13, 16, 24, 40, 57, 69,
                         56, 14, 17, 22, 29, 51, 87, 80, 62, 18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55, 64, 81, 104,
                         113, 92, 49, 64, 78, 87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99],
                        dtype=np.float64).reshape(8, 8)
    best, best_error = 75, np.inf
    for quality in range(1, 101):
        scale = 5000 / quality if quality < 50 else 200 - 2 * quality
        table = np.clip(np.floor((standard * scale + 50) / 100), 1, 255)
        error = np.abs(table - quant).sum()
        if error < best_error:
            best, best_error = quality, error
    return best


def decompress(blocks, quant):
    """The spatial picture, unrounded: each block's dequantised coefficients
    through the orthonormal inverse DCT (JPEG's), plus 128."""
    pixels = idctn(blocks * quant, axes=(2, 3), norm="ortho") + 128
    height, width = blocks.shape[:2]
    return pixels.transpose(0, 2, 1, 3).reshape(8 * height, 8 * width)


def _basis():
    k = np.arange(8)
    weights = np.where(k == 0, 1 / np.sqrt(2), 1.0)
    # c[k, m] = w_k / 2 cos(pi k (2m + 1) / 16): the 1-D DCT patterns
    return (weights[:, None] / 2) * np.cos(np.pi * k[:, None] * (2 * k[None, :] + 1) / 16)


_C = _basis()
# The 25 merged positions: a position a on one axis pairs with 8 - a.
_FOLD = np.array([0, 1, 2, 3, 4, 3, 2, 1])


def features(path):
    blocks, quant = read_dump(path)
    q = 8 * (2 - quality_of(quant) / 50)
    q = max(q, 0.2)
    x = decompress(blocks, quant)
    rows, cols = x.shape
    out_rows, out_cols = rows - 7, cols - 7
    # Separable: the 8-tap pattern along the rows, then along the columns.
    along_rows = np.stack([sum(_C[l, n] * x[:, n:n + out_cols] for n in range(8)) for l in range(8)])
    fold_r = _FOLD[np.arange(out_rows) % 8]
    fold_c = _FOLD[np.arange(out_cols) % 8]
    position = (fold_r[:, None] * 5 + fold_c[None, :]).ravel()
    counts = np.bincount(position, minlength=25).astype(np.float64)
    result = []
    for k in range(8):
        for l in range(8):
            u = sum(_C[k, m] * along_rows[l, m:m + out_rows, :] for m in range(8))
            bins = np.minimum(np.round(np.abs(u) / q), T).astype(np.int64).ravel()
            histogram = np.bincount(position * (T + 1) + bins, minlength=25 * (T + 1)).reshape(25, T + 1)
            result.append(histogram / counts[:, None])
    return np.concatenate([h.ravel() for h in result]).astype(np.float32)
