#pragma once

#include <string_view>

namespace veil::names {

// The main window's controls that the codec runs touch.
inline constexpr std::string_view kChkPassword = "ChkPassword";
inline constexpr std::string_view kLabtmp = "Labtmp";
inline constexpr std::string_view kLabfinish = "labfinish";

}  // namespace veil::names
