#include "support/jpeg_test_files.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include <jpeglib.h>

namespace veil::test {
namespace {

void Throw(j_common_ptr cinfo) {
  char message[JMSG_LENGTH_MAX];
  (*cinfo->err->format_message)(cinfo, message);
  throw std::runtime_error(message);
}

std::uint8_t Texture(std::uint32_t x, std::uint32_t y, int c, std::uint32_t& state) {
  state = state * 1664525u + 1013904223u;
  const int noise = static_cast<int>(state >> 27) - 16;
  const int base = static_cast<int>((x * (3 + c) + y * (5 - c)) % 200) + 28;
  return static_cast<std::uint8_t>(std::clamp(base + noise, 0, 255));
}

}  // namespace

Bytes EncodeJpeg(const JpegShape& shape) {
  jpeg_compress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  errors.error_exit = Throw;
  jpeg_create_compress(&cinfo);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  Bytes jpeg;
  try {
    jpeg_mem_dest(&cinfo, &out, &size);
    cinfo.image_width = shape.width;
    cinfo.image_height = shape.height;
    cinfo.input_components = shape.components;
    cinfo.in_color_space = shape.components == 1 ? JCS_GRAYSCALE : shape.components == 3 ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, shape.quality, TRUE);
    if (shape.components >= 3) {
      cinfo.comp_info[0].h_samp_factor = shape.h_sampling;
      cinfo.comp_info[0].v_samp_factor = shape.v_sampling;
    }
    cinfo.optimize_coding = shape.optimize ? TRUE : FALSE;
    cinfo.arith_code = shape.arithmetic ? TRUE : FALSE;
    cinfo.restart_in_rows = static_cast<int>(shape.restart_rows);
    if (shape.progressive) jpeg_simple_progression(&cinfo);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(shape.width) * static_cast<std::size_t>(shape.components));
    std::uint32_t state = shape.seed;
    const auto flat_rows = static_cast<std::uint32_t>(shape.flat_share * shape.height);
    while (cinfo.next_scanline < cinfo.image_height) {
      for (std::uint32_t x = 0; x < shape.width; ++x)
        for (int c = 0; c < shape.components; ++c)
          row[x * static_cast<std::size_t>(shape.components) + static_cast<std::size_t>(c)] =
              cinfo.next_scanline < flat_rows ? static_cast<JSAMPLE>(90 + 20 * c)
                                              : Texture(x, cinfo.next_scanline, c, state);
      JSAMPROW rows[1] = {row.data()};
      jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg.assign(out, out + size);
  } catch (...) {
    jpeg_destroy_compress(&cinfo);
    std::free(out);
    throw;
  }
  jpeg_destroy_compress(&cinfo);
  std::free(out);
  return jpeg;
}

Bytes JpegSegment(std::uint8_t marker, const Bytes& body) {
  Bytes segment(4 + body.size());
  segment[0] = 0xFF;
  segment[1] = marker;
  segment[2] = static_cast<std::uint8_t>((body.size() + 2) >> 8);
  segment[3] = static_cast<std::uint8_t>((body.size() + 2) & 0xFF);
  std::copy(body.begin(), body.end(), segment.begin() + 4);
  return segment;
}

Bytes InsertAfterSoi(const Bytes& jpeg, const Bytes& segment) {
  std::size_t at = 2;
  if (jpeg.size() > 6 && jpeg[2] == 0xFF && jpeg[3] == 0xE0) at += 2 + (jpeg[4] << 8 | jpeg[5]);
  Bytes out(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(at));
  out.insert(out.end(), segment.begin(), segment.end());
  out.insert(out.end(), jpeg.begin() + static_cast<std::ptrdiff_t>(at), jpeg.end());
  return out;
}

Bytes BeforeFirstScan(const Bytes& jpeg) {
  std::size_t at = 2;
  while (at + 4 <= jpeg.size() && !(jpeg[at] == 0xFF && jpeg[at + 1] == 0xDA))
    at += 2 + (jpeg[at + 2] << 8 | jpeg[at + 3]);
  return Bytes(jpeg.begin(), jpeg.begin() + static_cast<std::ptrdiff_t>(std::min(at, jpeg.size())));
}

DecodedJpeg DecodeJpegPixels(const Bytes& jpeg) {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  errors.error_exit = Throw;
  jpeg_create_decompress(&cinfo);
  DecodedJpeg decoded;
  try {
    jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    jpeg_start_decompress(&cinfo);
    decoded.width = cinfo.output_width;
    decoded.height = cinfo.output_height;
    decoded.components = cinfo.output_components;
    const std::size_t row = std::size_t{decoded.width} * static_cast<std::size_t>(decoded.components);
    decoded.pixels.resize(row * decoded.height);
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW rows[1] = {decoded.pixels.data() + row * cinfo.output_scanline};
      jpeg_read_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_decompress(&cinfo);
  } catch (...) {
    jpeg_destroy_decompress(&cinfo);
    throw;
  }
  jpeg_destroy_decompress(&cinfo);
  return decoded;
}

std::vector<int> DecodeJpegCoefficients(const Bytes& jpeg) {
  jpeg_decompress_struct cinfo{};
  jpeg_error_mgr errors{};
  cinfo.err = jpeg_std_error(&errors);
  errors.error_exit = Throw;
  jpeg_create_decompress(&cinfo);
  std::vector<int> values;
  try {
    jpeg_mem_src(&cinfo, jpeg.data(), static_cast<unsigned long>(jpeg.size()));
    jpeg_read_header(&cinfo, TRUE);
    jvirt_barray_ptr* arrays = jpeg_read_coefficients(&cinfo);
    for (int ci = 0; ci < cinfo.num_components; ++ci) {
      const jpeg_component_info& info = cinfo.comp_info[ci];
      for (JDIMENSION row = 0; row < info.height_in_blocks; ++row) {
        JBLOCKARRAY rows =
            (*cinfo.mem->access_virt_barray)(reinterpret_cast<j_common_ptr>(&cinfo), arrays[ci], row, 1, FALSE);
        for (JDIMENSION column = 0; column < info.width_in_blocks; ++column)
          for (int k = 0; k < 64; ++k) values.push_back(rows[0][column][k]);
      }
    }
    jpeg_finish_decompress(&cinfo);
  } catch (...) {
    jpeg_destroy_decompress(&cinfo);
    throw;
  }
  jpeg_destroy_decompress(&cinfo);
  return values;
}

}  // namespace veil::test
