#pragma once

#include <cmath>

namespace veil {

// Twips (1/1440 inch) to pixels and back, at the screen's logical dpi.
struct TwipScale {
  double dpi_x = 96;
  double dpi_y = 96;

  int ToPixelsX(double twips) const { return static_cast<int>(std::lround(twips * dpi_x / 1440.0)); }
  int ToPixelsY(double twips) const { return static_cast<int>(std::lround(twips * dpi_y / 1440.0)); }
  double ToTwipsX(double pixels) const { return pixels * 1440.0 / dpi_x; }
  double ToTwipsY(double pixels) const { return pixels * 1440.0 / dpi_y; }
};

}  // namespace veil
