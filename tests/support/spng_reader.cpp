#include "support/spng_reader.h"

#include <spng.h>

#include <cstring>
#include <memory>

namespace veil::test {
namespace {

struct ContextDeleter {
  void operator()(spng_ctx* ctx) const { spng_ctx_free(ctx); }
};

int ChannelsOf(int colour_type) {
  switch (colour_type) {
    case SPNG_COLOR_TYPE_TRUECOLOR: return 3;
    case SPNG_COLOR_TYPE_GRAYSCALE_ALPHA: return 2;
    case SPNG_COLOR_TYPE_TRUECOLOR_ALPHA: return 4;
    default: return 1;
  }
}

SpngPicture Failed(SpngPicture picture, const std::string& step, int error) {
  picture.decoded = false;
  picture.error = step + ": " + spng_strerror(error);
  return picture;
}

}  // namespace

SpngPicture DecodeWithSpng(const Bytes& png, std::uint64_t max_bytes) {
  SpngPicture picture;
  std::unique_ptr<spng_ctx, ContextDeleter> ctx(spng_ctx_new(0));
  if (!ctx) {
    picture.error = "libspng could not start";
    return picture;
  }
  // Every checksum counts, as it does for a careful reader.
  spng_set_crc_action(ctx.get(), SPNG_CRC_ERROR, SPNG_CRC_ERROR);
  if (int e = spng_set_png_buffer(ctx.get(), png.data(), png.size())) return Failed(picture, "input", e);
  spng_ihdr ihdr{};
  if (int e = spng_get_ihdr(ctx.get(), &ihdr)) return Failed(picture, "IHDR", e);
  picture.width = ihdr.width;
  picture.height = ihdr.height;
  picture.colour_type = ihdr.color_type;
  picture.depth = ihdr.bit_depth;
  picture.interlace = ihdr.interlace_method;
  picture.channels = ChannelsOf(ihdr.color_type);
  std::size_t size = 0;
  if (int e = spng_decoded_image_size(ctx.get(), SPNG_FMT_PNG, &size)) return Failed(picture, "size", e);
  if (size > max_bytes) {
    picture.error = "larger than " + std::to_string(max_bytes) + " bytes decoded";
    return picture;
  }
  std::vector<std::uint8_t> raw(size);
  if (int e = spng_decode_image(ctx.get(), raw.data(), raw.size(), SPNG_FMT_PNG, 0)) return Failed(picture, "image", e);
  if (int e = spng_decode_chunks(ctx.get())) return Failed(picture, "chunks after the image", e);
  if (picture.depth == 8) {
    picture.samples.assign(raw.begin(), raw.end());
  } else if (picture.depth == 16) {
    // SPNG_FMT_PNG gives 16-bit samples in the host's byte order.
    picture.samples.resize(raw.size() / 2);
    for (std::size_t i = 0; i < picture.samples.size(); ++i) {
      std::uint16_t v;
      std::memcpy(&v, raw.data() + 2 * i, 2);
      picture.samples[i] = v;
    }
  }
  picture.decoded = true;
  return picture;
}

}  // namespace veil::test
