#include "codec/stealth/stealth_weights.h"

#include "codec/seal/derivation_aside.h"

namespace veil::codec::stealth {
namespace {

// Seconds a sample (a hidden bit, for the code and the reading back) takes
// in each stage, as measured on 24-megapixel covers (a 12-megapixel JPEG)
// on two cores; only their ratios matter.
struct StageRates {
  double read, costs, write, read_low_bits;
};

StageRates RatesOf(CoverKind kind) {
  switch (kind) {
    case CoverKind::kPng: return {20e-9, 16e-9, 38e-9, 18e-9};
    case CoverKind::kJpeg: return {12e-9, 6e-9, 18e-9, 7e-9};
    default: return {6.7e-9, 16e-9, 3.2e-9, 3e-9};
  }
}
constexpr double kCodePerBit = 1e-6, kReadBackPerBit = 180e-9, kLowBitsPerSample = 1.5e-9;

double DerivationSeconds(const KdfCosts& costs) {
  SealParams params;
  params.operations = costs.operations;
  params.memory_kib = costs.memory_kib;
  return ExpectedDerivationSeconds(params);
}

}  // namespace

std::uint64_t LikelySamples(CoverKind kind, std::uint64_t file_length) {
  switch (kind) {
    case CoverKind::kPng: return file_length + file_length / 2;
    case CoverKind::kJpeg: return 4 * file_length;
    default: return file_length;
  }
}

void WeighHide(RunProgress& progress, CoverKind kind, std::uint64_t samples, std::uint64_t file_length,
               const KdfCosts& costs) {
  const StageRates rates = RatesOf(kind);
  const auto n = static_cast<double>(samples);
  const double bits = 8.0 * static_cast<double>(file_length);
  progress.Weigh(RunStage::kReading, n * rates.read);
  progress.Weigh(RunStage::kCosts, n * rates.costs);
  progress.Weigh(RunStage::kKeyDerivation, DerivationSeconds(costs));
  progress.Weigh(RunStage::kCode, bits * kCodePerBit);
  progress.Weigh(RunStage::kReadingBack, n * kLowBitsPerSample + bits * kReadBackPerBit);
  progress.Weigh(RunStage::kWriting, n * rates.write);
}

void WeighOpen(RunProgress& progress, CoverKind kind, std::uint64_t samples, const KdfCosts& costs) {
  const StageRates rates = RatesOf(kind);
  const auto n = static_cast<double>(samples);
  progress.Weigh(RunStage::kReading, n * rates.read_low_bits);
  progress.Weigh(RunStage::kKeyDerivation, DerivationSeconds(costs));
  // The file's length is not known before its frame: a file of a fiftieth
  // of a bit a sample, as a hide at a low rate leaves.
  progress.Weigh(RunStage::kReadingBack, n * 0.02 * kReadBackPerBit);
}

}  // namespace veil::codec::stealth
