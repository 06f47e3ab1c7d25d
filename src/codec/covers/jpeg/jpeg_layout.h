#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

namespace veil::codec::jpeg {

// A marker segment: where its 0xFF lies and how many bytes it takes,
// marker and length field included.
struct Segment {
  std::uint8_t marker = 0;
  std::size_t offset = 0;
  std::size_t size = 0;
};

// The most scans a JPEG may have: a progressive file of endless scans would
// keep a decoder busy without end.
inline constexpr int kMostScans = 256;

// One scan's header: the components it codes (by their ids) and its
// spectral selection and successive approximation.
struct ScanHeader {
  std::vector<std::uint8_t> component_ids;
  std::vector<std::uint8_t> tables;  // each component's DC table << 4 | AC table
  std::uint8_t ss = 0, se = 63, ah = 0, al = 0;
};

// How a JPEG file is laid out, marker by marker, as far as rewriting its
// coefficients needs: what comes before the first scan is kept, what comes
// from there to the end of the image is written anew, and what follows
// the end of the image is kept.
struct Layout {
  std::vector<Segment> header;  // every segment between SOI and the first SOS
  std::size_t first_scan = 0;   // where the first SOS marker lies
  std::size_t end = 0;          // just past EOI
  std::uint8_t frame_marker = 0;
  std::vector<ScanHeader> scans;
  bool tables_between_scans = false;  // DHT segments after the first scan
};

// Why the bytes are no JPEG this program rewrites: damaged (the file does
// not hold up as a JPEG, which any decoder shows) or a kind it does not
// take; one English line for the user.
struct LayoutRefusal {
  bool damaged = true;
  std::string reason;
};

// Walks the markers from SOI to EOI, skipping each scan's entropy-coded
// data; bounded by the bytes, never reading past them.
std::variant<Layout, LayoutRefusal> ReadLayout(std::span<const std::uint8_t> bytes);

}  // namespace veil::codec::jpeg
