#pragma once

#include <array>
#include <cstdint>

namespace veil {

// The bit placement of one data group (3 bytes of the hidden file) in one
// pixel group (12 cover bytes), as thirteen small operations over the state
// below. The runs move whole groups with the word-wide kernels in
// group_kernel.h, which produce exactly what these produce (the tests
// cross-check them); these serve the last, partial group.
class Module2 {
 public:
  // Placing operations: change pixelGroup[targetIndex] from maskedBits.
  void EmbedLow2();
  void EmbedBit2();
  void EmbedBits5to3();
  void EmbedBits7to6();
  void EmbedBit6();
  void EmbedBit7();
  // Gathering operations: change a byte of dataGroup from maskedBits.
  void GatherLow2();
  void GatherBit2();
  void GatherBits5to3();
  void GatherByte0Bits7to6();
  void GatherByte1Bit6();
  void GatherByte1Bit7();
  void GatherByte2Bits7to6();

  // The first data_bytes (1 to 3) bytes of dataGroup into pixelGroup, and back.
  void PlaceDataGroup(int data_bytes);
  void GatherDataGroup(int data_bytes);

  std::array<std::uint8_t, 12> pixelGroup{};
  std::array<std::uint8_t, 3> dataGroup{};
  std::int16_t maskedBits = 0;
  std::int16_t targetIndex = 0;
};

}  // namespace veil
