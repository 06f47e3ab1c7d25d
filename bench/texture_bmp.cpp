// Writes a 24-bit BMP that looks like a photograph to a steganographer's
// costs: a smooth sky at the top, fractal texture (value noise over six
// octaves) below it, sensor noise everywhere, and a few clipped highlights.
//   veilwright_texture_bmp WIDTH HEIGHT SEED PATH
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

namespace {

struct ValueNoise {
  explicit ValueNoise(std::uint32_t seed) : grid(256 * 256) {
    std::mt19937 random(seed);
    for (auto& v : grid) v = static_cast<float>(random() % 1000) / 1000.0f;
  }
  float At(float x, float y) const {
    const int x0 = static_cast<int>(std::floor(x)), y0 = static_cast<int>(std::floor(y));
    const float fx = x - static_cast<float>(x0), fy = y - static_cast<float>(y0);
    const float sx = fx * fx * (3 - 2 * fx), sy = fy * fy * (3 - 2 * fy);
    auto g = [&](int i, int j) { return grid[static_cast<std::size_t>((j & 255) * 256 + (i & 255))]; };
    const float a = g(x0, y0) + sx * (g(x0 + 1, y0) - g(x0, y0));
    const float b = g(x0, y0 + 1) + sx * (g(x0 + 1, y0 + 1) - g(x0, y0 + 1));
    return a + sy * (b - a);
  }
  std::vector<float> grid;
};

void Put32(std::FILE* f, std::uint32_t v) {
  const unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                              static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
  std::fwrite(b, 1, 4, f);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: %s WIDTH HEIGHT SEED PATH\n", argv[0]);
    return 2;
  }
  const auto width = static_cast<std::uint32_t>(std::atol(argv[1])),
             height = static_cast<std::uint32_t>(std::atol(argv[2]));
  const auto seed = static_cast<std::uint32_t>(std::atol(argv[3]));
  std::FILE* f = std::fopen(argv[4], "wb");
  if (!f) return 1;
  const std::uint32_t stride = (width * 3 + 3) / 4 * 4, size = stride * height;
  std::fwrite("BM", 1, 2, f);
  Put32(f, 54 + size);
  Put32(f, 0);
  Put32(f, 54);
  Put32(f, 40);
  Put32(f, width);
  Put32(f, height);
  Put32(f, 1 | (24 << 16));
  Put32(f, 0);
  Put32(f, size);
  Put32(f, 2835);
  Put32(f, 2835);
  Put32(f, 0);
  Put32(f, 0);
  ValueNoise noise[3] = {ValueNoise(seed), ValueNoise(seed + 1), ValueNoise(seed + 2)};
  std::mt19937 random(seed);
  std::normal_distribution<float> sensor(0, 2.5f);
  std::vector<unsigned char> row(stride, 0);
  const float scale = 1.0f / static_cast<float>(std::max(width, height));
  for (std::uint32_t r = 0; r < height; ++r) {
    const std::uint32_t y = height - 1 - r;
    for (std::uint32_t x = 0; x < width; ++x) {
      const float u = static_cast<float>(x) * scale, v = static_cast<float>(y) * scale;
      const bool sky = y < height / 5;
      for (int c = 0; c < 3; ++c) {
        float value;
        if (sky) {
          value = 150 + 60 * v + 15.0f * static_cast<float>(2 - c);
        } else {
          float t = 0, amplitude = 1, frequency = 8;
          for (int o = 0; o < 6; ++o, amplitude *= 0.55f, frequency *= 2.1f)
            t += amplitude * noise[c].At(u * frequency + 17.0f * static_cast<float>(c), v * frequency);
          value = 40 + 110 * t;
          if (noise[0].At(u * 20, v * 20) > 0.93f) value = 255;  // clipped highlights
        }
        value += sensor(random);
        row[3 * x + static_cast<unsigned>(2 - c)] =
            static_cast<unsigned char>(std::lround(std::fmin(255.0f, std::fmax(0.0f, value))));
      }
    }
    std::fwrite(row.data(), 1, stride, f);
  }
  return std::fclose(f) == 0 ? 0 : 1;
}
