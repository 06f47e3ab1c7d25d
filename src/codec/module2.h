#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "codec/shared_state.h"
#include "platform/control.h"
#include "platform/message_boxes.h"
#include "platform/message_pump.h"
#include "platform/numbered_files.h"

namespace veil {

// What the codec runs reach of the platform.
struct CodecPlatform {
  NumberedFiles& files;
  MessageBoxes& boxes;
  ControlSet& controls;
  MessagePump& pump;
};

enum class RunOutcome {
  kCompleted,
  kTooLarge,   // the file does not fit the picture (embedding only)
  kFailed,     // a file failure; the run has shown its failure message
};

struct RunReport {
  RunOutcome outcome = RunOutcome::kFailed;
  std::string detail;  // one English line for a failure, empty otherwise
  bool ok() const { return outcome == RunOutcome::kCompleted; }
};

inline constexpr int kCoverFile = 1;
inline constexpr int kSecondFile = 2;

// The codec module: the bit operations that place three data bytes into
// twelve cover bytes and gather them back, and the two long-running loops.
// The operations work on the module state below, as the runs set it.
class Module2 {
 public:
  Module2(SharedState& state, CodecPlatform platform) : state_(state), platform_(platform) {}

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

  // Hides the file at payloadPath in the picture at coverPath.
  RunReport RunEmbedding();
  // Streams markerValue hidden bytes from open file 1 into open file 2.
  RunReport RunExtraction();

  std::array<std::uint8_t, 12> pixelGroup{};
  std::array<std::uint8_t, 3> dataGroup{};
  std::int16_t maskedBits = 0;
  std::int16_t targetIndex = 0;
  std::int32_t pixelOffset = 0;
  std::array<std::uint8_t, 8> skipBuffer{};
  std::int32_t groupIndex = 0;
  std::int32_t groupCount = 0;
  double percentDone = 0;

 private:
  // Groups are moved in segments of at most this many (12 cover bytes each).
  static constexpr std::int64_t kSegmentGroups = 32 * 1024;

  // Shows the progress caption, then hands move each segment of the whole
  // groups of a hidden file of hidden bytes (groups counted from 1) with
  // buffers for its pixel and data bytes, and shows the progress after it.
  using SegmentMover = std::function<void(std::int64_t first_group, std::span<std::uint8_t> pixels,
                                          std::span<std::uint8_t> data)>;
  void MoveWholeGroups(std::uint64_t hidden, const SegmentMover& move);
  void ShowProgress(std::int64_t last_group);
  RunReport EmbedInto(NumberedFile& cover, NumberedFile& payload);
  RunReport ExtractFrom(NumberedFile& cover, NumberedFile& output);

  SharedState& state_;
  CodecPlatform platform_;
};

}  // namespace veil
