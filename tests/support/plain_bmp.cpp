#include "support/plain_bmp.h"

#include <set>

namespace veil::test {
namespace {

// Little-endian fields read one byte at a time; reading past the end is a
// caller's fault, checked before every read.
long long Unsigned(const Bytes& b, std::size_t at, int size) {
  long long value = 0;
  for (int i = size - 1; i >= 0; --i) value = value * 256 + b[at + static_cast<std::size_t>(i)];
  return value;
}

long long Signed32(const Bytes& b, std::size_t at) {
  const long long u = Unsigned(b, at, 4);
  return u >= 0x80000000LL ? u - 0x100000000LL : u;
}

PlainBmp Not(const std::string& why) { return {false, why, 0, 0}; }

}  // namespace

PlainBmp JudgePlainBmp(const Bytes& file) {
  const std::size_t n = file.size();
  if (n < 18) return Not("shorter than a file header and a header size");
  if (file[0] != 0x42 || file[1] != 0x4D) return Not("no BM");
  const long long off_bits = Unsigned(file, 10, 4);
  const long long info = Unsigned(file, 14, 4);
  static const std::set<long long> sizes = {12, 40, 52, 56, 64, 108, 124};
  if (sizes.count(info) == 0) return Not("header size " + std::to_string(info));
  if (static_cast<long long>(n) < 14 + info) return Not("cut inside the info header");

  long long w, h, planes, bpp, compression = 0, clr_used = 0;
  if (info == 12) {  // BITMAPCOREHEADER
    w = Unsigned(file, 18, 2);
    h = Unsigned(file, 20, 2);
    planes = Unsigned(file, 22, 2);
    bpp = Unsigned(file, 24, 2);
  } else {  // BITMAPINFOHEADER and its extensions
    w = Signed32(file, 18);
    h = Signed32(file, 22);
    planes = Unsigned(file, 26, 2);
    bpp = Unsigned(file, 28, 2);
    compression = Unsigned(file, 30, 4);
    clr_used = Unsigned(file, 46, 4);
  }
  if (planes != 1) return Not("planes " + std::to_string(planes));
  if (w < 1) return Not("width " + std::to_string(w));
  if (h == 0 || h == -2147483648LL) return Not("height " + std::to_string(h));
  if (bpp != 24) return Not("bpp " + std::to_string(bpp));
  const bool masks = compression == 3;
  if (compression != 0 && !(masks && info != 64)) return Not("compression " + std::to_string(compression));

  long long first_free = 14 + info;
  if (masks && info == 40) first_free += 3 * 4;   // red, green and blue masks
  first_free += clr_used * (info == 12 ? 3 : 4);  // RGBTRIPLE or RGBQUAD entries
  if (off_bits < first_free) return Not("pixels inside the headers");

  const long long rows = h < 0 ? -h : h;
  long long row_bytes = w * 3;
  while (row_bytes % 4 != 0) ++row_bytes;
  const long long length = static_cast<long long>(n);
  if (off_bits > length || rows > (length - off_bits) / row_bytes) return Not("pixels past the end");
  const long long end = off_bits + row_bytes * rows;

  if (info == 124) {
    // bV5CSType at 56 of the header, bV5ProfileData at 112 and bV5ProfileSize at 116.
    const bool embedded = file[14 + 56] == 'D' && file[14 + 57] == 'E' && file[14 + 58] == 'B' && file[14 + 59] == 'M';
    const long long from = 14 + Unsigned(file, 14 + 112, 4);
    const long long size = Unsigned(file, 14 + 116, 4);
    if (embedded && size > 0 && from < end && from + size > off_bits) return Not("profile among the pixels");
  }
  return {true, "", static_cast<std::size_t>(off_bits), static_cast<std::size_t>(end)};
}

}  // namespace veil::test
