#include "codec/kernels/kernel_request.h"

#include <algorithm>

namespace veil {
namespace {

std::string List(std::span<const char* const> names) {
  std::string list;
  for (const char* name : names) list += (list.empty() ? "" : ", ") + std::string(name);
  return list;
}

std::string Known() {
  std::string list;
  for (std::string_view name : kKernelNames) list += (list.empty() ? "" : ", ") + std::string(name);
  return list;
}

}  // namespace

KernelRequest ParseKernelRequest(std::string_view text, std::span<const char* const> place_names,
                                 std::span<const char* const> gather_names) {
  KernelRequest request;
  if (text.empty()) return request;
  const std::string quoted = std::string(kKernelVariable) + "=\"" + std::string(text) + "\": ";
  auto refuse = [&](const std::string& why) {
    KernelRequest refused;
    refused.problem = quoted + why;
    return refused;
  };
  // The forced kernel for one operation, or a problem.
  auto find = [&](std::string_view name, std::span<const char* const> names, std::optional<std::size_t>& into,
                  std::string& problem) {
    if (std::find(std::begin(kKernelNames), std::end(kKernelNames), name) == std::end(kKernelNames)) {
      problem = "no kernel is named \"" + std::string(name) + "\" (the kernels: " + Known() + ")";
      return;
    }
    for (std::size_t i = 0; i < names.size(); ++i)
      if (name == names[i]) {
        into = i;
        return;
      }
    problem = "the " + std::string(name) + " kernel cannot run here (available: " + List(names) + ")";
  };

  std::string problem;
  if (text.find_first_of(":,") == std::string_view::npos) {
    find(text, place_names, request.place, problem);
    if (problem.empty()) find(text, gather_names, request.gather, problem);
    return problem.empty() ? request : refuse(problem);
  }
  const std::string form = "expected one kernel name, or place:NAME and gather:NAME separated by a comma";
  while (true) {
    const std::size_t comma = text.find(',');
    const std::string_view item = text.substr(0, comma);
    const std::size_t colon = item.find(':');
    if (colon == std::string_view::npos) return refuse(form);
    const std::string_view operation = item.substr(0, colon), name = item.substr(colon + 1);
    std::optional<std::size_t>* into = operation == "place"    ? &request.place
                                       : operation == "gather" ? &request.gather
                                                               : nullptr;
    if (!into || into->has_value() || name.empty() || name.find(':') != std::string_view::npos) return refuse(form);
    find(name, operation == "place" ? place_names : gather_names, *into, problem);
    if (!problem.empty()) return refuse(problem);
    if (comma == std::string_view::npos) return request;
    text = text.substr(comma + 1);
  }
}

}  // namespace veil
