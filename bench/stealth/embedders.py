"""The hiding tools under test: each takes a cover BMP's bytes and a payload
and gives the stego BMP's bytes (or None when the tool refuses), plus notes.
The PNG one hides in the same pixels saved as a PNG and gives them back as
a BMP."""
import io
import os
import struct
import subprocess

import numpy as np
from PIL import Image

import detectors

PASSWORD = 'bench-password'
# The stealth form refuses above its default cap; these are tried in turn.
STEALTH_RATES = (None, 0.15, 0.2, 0.25, 0.3, 0.35, 0.4, 0.5, 0.6, 0.8)


def _run(cmd, cwd):
    return subprocess.run(cmd, cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE).returncode == 0


def _files(work, cover, payload):
    with open(os.path.join(work, 'cover.bmp'), 'wb') as f:
        f.write(cover)
    with open(os.path.join(work, 'payload.bin'), 'wb') as f:
        f.write(payload)
    out = os.path.join(work, 'stego.bmp')
    if os.path.exists(out):
        os.remove(out)
    return out


def _read(path):
    with open(path, 'rb') as f:
        return f.read()


def _extracts(cli, work, extra, payload):
    """Whether the CLI gives back the payload from the stego picture."""
    got = os.path.join(work, 'got.bin')
    if os.path.exists(got):
        os.remove(got)
    ok = _run([cli, 'extract', 'stego.bmp', '--output', 'got.bin'] + extra, work)
    return ok and _read(got) == payload


def _stealth_hide(cli, work, cover_name, stego_name, notes):
    """Hides payload.bin at the default cap, or at the least --max-rate that
    takes it; whether any did."""
    for rate in STEALTH_RATES:
        args = ['--stealth', '--password', PASSWORD, '--weak-password'] + ([] if rate is None else ['--max-rate', str(rate)])
        if _run([cli, 'hide', cover_name, 'payload.bin', '--output', stego_name] + args, work):
            notes['max_rate'] = rate or 0.0
            return True
    return False


def veilwright(cli, form, cover, payload, work, check):
    out = _files(work, cover, payload)
    notes = {}
    if form == 'plain':
        args, back = [], []
    elif form == 'sealed':
        args, back = ['--seal', '--password', PASSWORD, '--weak-password'], ['--password', PASSWORD]
    else:
        if not _stealth_hide(cli, work, 'cover.bmp', 'stego.bmp', notes):
            return None, notes
        stego = _read(out)
        if check:
            notes['extracts'] = _extracts(cli, work, ['--stealth', '--password', PASSWORD], payload)
        return stego, notes
    if not _run([cli, 'hide', 'cover.bmp', 'payload.bin', '--output', 'stego.bmp'] + args, work):
        return None, notes
    stego = _read(out)
    if check:
        notes['extracts'] = _extracts(cli, work, back, payload)
    return stego, notes


def _chunks_but_idat(png):
    """A PNG's bytes with its IDAT chunks left out."""
    out, at = bytearray(png[:8]), 8
    while at + 8 <= len(png):
        length, kind = struct.unpack_from('>I4s', png, at)
        end = at + 12 + length
        if kind != b'IDAT':
            out += png[at:end]
        at = end
    return bytes(out + png[at:])


def veilwright_png(cli, cover, payload, work, check):
    """The stealth form on the tile saved as an RGB PNG by Pillow. The stego
    PNG, decoded by Pillow, comes back as the cover BMP with its pixels, so
    the detectors see what they see in the BMP pictures; notes['png_outside']
    counts the bytes outside the IDAT chunks that differ from the cover PNG."""
    _files(work, cover, payload)
    cover_png = os.path.join(work, 'cover.png')
    Image.open(io.BytesIO(cover)).convert('RGB').save(cover_png, 'PNG')
    out = os.path.join(work, 'stego.png')
    if os.path.exists(out):
        os.remove(out)
    notes = {}
    if not _stealth_hide(cli, work, 'cover.png', 'stego.png', notes):
        return None, notes
    stego_png, before = _read(out), _chunks_but_idat(_read(cover_png))
    after = _chunks_but_idat(stego_png)
    n = min(len(before), len(after))
    notes['png_outside'] = int(np.count_nonzero(np.frombuffer(before[:n], np.uint8) != np.frombuffer(after[:n], np.uint8))
                               + abs(len(before) - len(after)))
    rgb = np.asarray(Image.open(io.BytesIO(stego_png)).convert('RGB'))
    if check:
        got = os.path.join(work, 'got.bin')
        if os.path.exists(got):
            os.remove(got)
        ok = _run([cli, 'extract', 'stego.png', '--output', 'got.bin', '--stealth', '--password', PASSWORD], work)
        notes['extracts'] = ok and _read(got) == payload
    # Bottom-up rows of blue, green, red, as the BMP keeps them.
    return _with_pixels(cover, rgb[::-1, :, ::-1]), notes


def steghide(cover, payload, work, check):
    out = _files(work, cover, payload)
    if not _run(['steghide', 'embed', '-cf', 'cover.bmp', '-ef', 'payload.bin', '-sf', 'stego.bmp',
                 '-p', PASSWORD, '-N', '-Z', '-q', '-f'], work):
        return None, {}
    notes = {}
    if check:
        got = os.path.join(work, 'got.bin')
        ok = _run(['steghide', 'extract', '-sf', 'stego.bmp', '-xf', 'got.bin', '-p', PASSWORD, '-q', '-f'], work)
        notes['extracts'] = ok and _read(got) == payload
    return _read(out), notes


def _with_pixels(cover, pix):
    start, _ = detectors.pixel_span(cover)
    height, width = pix.shape[:2]
    stride = (width * 3 + 3) // 4 * 4
    out = bytearray(cover)
    raw = np.frombuffer(cover, np.uint8, stride * height, start).reshape(height, stride).copy()
    raw[:, :width * 3] = pix.reshape(height, width * 3)
    out[start:start + raw.size] = raw.tobytes()
    return bytes(out)


def simulated(kind, cover, payload, seed):
    """LSB replacement from the first sample on (sequential), LSB replacement
    at random places, or +-1 at random places, carrying the payload's bits."""
    rng = np.random.default_rng(seed)
    pix = detectors.pixels_of(cover).copy()
    flat = pix.reshape(-1)
    bits = np.unpackbits(np.frombuffer(payload, np.uint8))
    if kind == 'lsb_seq':
        places = np.arange(bits.size)
    else:
        places = rng.choice(flat.size, bits.size, replace=False)
    values = flat[places]
    if kind in ('lsb_seq', 'lsb_rand'):
        flat[places] = (values & 0xFE) | bits
    else:
        wrong = (values & 1) != bits
        step = rng.choice(np.array([-1, 1], np.int16), bits.size)
        step[values == 0] = 1
        step[values == 255] = -1
        flat[places] = np.where(wrong, values.astype(np.int16) + step, values).astype(np.uint8)
    return _with_pixels(cover, pix), {}
