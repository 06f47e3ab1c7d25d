#pragma once

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace veil {

// The environment variable that forces the group kernels, for tests and
// benchmarks, read by the programs: one name for both operations ("avx2"), or each operation's
// own ("place:avx2,gather:portable"); an operation not named is left to the
// timing. Unset or empty, both are chosen by timing.
inline constexpr const char* kKernelVariable = "VEILWRIGHT_KERNEL";

// Every kernel name there is, on any processor.
inline constexpr std::string_view kKernelNames[] = {"portable", "avx2", "bmi2"};

struct KernelRequest {
  std::optional<std::size_t> place, gather;  // the forced kernel's index among the operation's kernels
  std::string problem;                       // why the text was not used; then nothing is forced
};

// Reads the variable's text against the names of the kernels this processor
// can run for each operation (in their lists' order).
KernelRequest ParseKernelRequest(std::string_view text, std::span<const char* const> place_names,
                                 std::span<const char* const> gather_names);

}  // namespace veil
