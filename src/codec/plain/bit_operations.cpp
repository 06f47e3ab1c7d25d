// The thirteen bit operations and the fixed order in which a data group is
// placed into, and gathered from, a pixel group. A value of maskedBits that
// an operation does not list leaves its byte unchanged.
#include "codec/plain/module2.h"

namespace veil {
namespace {

std::uint8_t& At(std::array<std::uint8_t, 12>& group, std::int16_t index) {
  return group.at(static_cast<std::size_t>(index));  // throws std::out_of_range
}
std::uint8_t& At(std::array<std::uint8_t, 3>& group, std::int16_t index) {
  return group.at(static_cast<std::size_t>(index));
}

void Assign(std::uint8_t& byte, std::uint8_t keep_mask, int bits) {
  byte = static_cast<std::uint8_t>((byte & keep_mask) | bits);
}

}  // namespace

void Module2::EmbedLow2() {
  if (maskedBits >= 0 && maskedBits <= 3) Assign(At(pixelGroup, targetIndex), 0xFC, maskedBits);
}

void Module2::EmbedBit2() {
  if (maskedBits == 0 || maskedBits == 4) Assign(At(pixelGroup, targetIndex), 0xFE, maskedBits >> 2);
}

void Module2::EmbedBits5to3() {
  if (maskedBits >= 0 && maskedBits <= 56 && maskedBits % 8 == 0)
    Assign(At(pixelGroup, targetIndex), 0xF8, maskedBits >> 3);
}

void Module2::EmbedBits7to6() {
  if (maskedBits >= 0 && maskedBits <= 192 && maskedBits % 64 == 0)
    Assign(At(pixelGroup, targetIndex), 0xFC, maskedBits >> 6);
}

void Module2::EmbedBit6() {
  if (maskedBits == 0 || maskedBits == 64) Assign(At(pixelGroup, targetIndex), 0xFE, maskedBits >> 6);
}

void Module2::EmbedBit7() {
  if (maskedBits == 0 || maskedBits == 128) Assign(At(pixelGroup, targetIndex), 0xFB, maskedBits >> 5);
}

void Module2::GatherLow2() {
  if (maskedBits >= 0 && maskedBits <= 3) Assign(At(dataGroup, targetIndex), 0xFC, maskedBits);
}

void Module2::GatherBit2() {
  if (maskedBits == 0 || maskedBits == 1) Assign(At(dataGroup, targetIndex), 0xFB, maskedBits << 2);
}

void Module2::GatherBits5to3() {
  if (maskedBits >= 0 && maskedBits <= 7) Assign(At(dataGroup, targetIndex), 0xC7, maskedBits << 3);
}

void Module2::GatherByte0Bits7to6() {
  if (maskedBits >= 0 && maskedBits <= 3) Assign(dataGroup[0], 0x3F, maskedBits << 6);
}

void Module2::GatherByte1Bit6() {
  if (maskedBits == 0 || maskedBits == 1) Assign(dataGroup[1], 0xBF, maskedBits << 6);
}

void Module2::GatherByte1Bit7() {
  if (maskedBits == 0 || maskedBits == 4) Assign(dataGroup[1], 0x7F, maskedBits << 5);
}

void Module2::GatherByte2Bits7to6() {
  if (maskedBits >= 0 && maskedBits <= 3) Assign(dataGroup[2], 0x3F, maskedBits << 6);
}

void Module2::PlaceDataGroup(int data_bytes) {
  auto step = [this](int data, int mask, int index, void (Module2::*op)()) {
    maskedBits = static_cast<std::int16_t>(dataGroup[static_cast<std::size_t>(data)] & mask);
    targetIndex = static_cast<std::int16_t>(index);
    (this->*op)();
  };
  for (int j = 0; j < data_bytes; ++j) {
    step(j, 0x03, 3 * j, &Module2::EmbedLow2);
    step(j, 0x04, 3 * j + 1, &Module2::EmbedBit2);
    step(j, 0x38, 3 * j + 2, &Module2::EmbedBits5to3);
  }
  step(0, 0xC0, 9, &Module2::EmbedBits7to6);
  if (data_bytes >= 2) {
    step(1, 0x40, 10, &Module2::EmbedBit6);
    step(1, 0x80, 11, &Module2::EmbedBit7);
  }
  if (data_bytes == 3) step(2, 0xC0, 11, &Module2::EmbedBits7to6);
}

void Module2::GatherDataGroup(int data_bytes) {
  auto entry = [this](int cover, int mask, void (Module2::*op)()) {
    maskedBits = static_cast<std::int16_t>(pixelGroup[static_cast<std::size_t>(cover)] & mask);
    (this->*op)();
  };
  for (int j = 0; j < data_bytes; ++j) {
    targetIndex = static_cast<std::int16_t>(j);
    entry(3 * j, 0x03, &Module2::GatherLow2);
    entry(3 * j + 1, 0x01, &Module2::GatherBit2);
    entry(3 * j + 2, 0x07, &Module2::GatherBits5to3);
    switch (j) {
      case 0: entry(9, 0x03, &Module2::GatherByte0Bits7to6); break;
      case 1:
        entry(10, 0x01, &Module2::GatherByte1Bit6);
        entry(11, 0x04, &Module2::GatherByte1Bit7);
        break;
      default: entry(11, 0x03, &Module2::GatherByte2Bits7to6); break;
    }
  }
}

}  // namespace veil
