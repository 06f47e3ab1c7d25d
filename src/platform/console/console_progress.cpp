#include "platform/console/console_progress.h"

#include <cstdlib>
#include <string>

namespace veil {
namespace {
constexpr auto kWorthShowingAfter = std::chrono::milliseconds(300);
constexpr int kBarWidth = 40;
}  // namespace

void ConsoleProgress::Watch(MemoryControls& controls, std::string_view percent_control) {
  controls.SetListener([this, name = std::string(percent_control)](const MemoryControl& c, std::string_view,
                                                                   const PropertyValue& value) {
    if (c.Name() != name) return;
    if (const auto* text = std::get_if<std::string>(&value)) Update(std::atoi(text->c_str()));
  });
}

void ConsoleProgress::Update(int percent) {
  if (!enabled_) return;
  if (!drawn_ && std::chrono::steady_clock::now() - started_ < kWorthShowingAfter) return;
  const int filled = percent * kBarWidth / 100;
  std::fprintf(terminal_, "\r[%s%s] %3d%%", std::string(static_cast<std::size_t>(filled), '#').c_str(),
               std::string(static_cast<std::size_t>(kBarWidth - filled), ' ').c_str(), percent);
  std::fflush(terminal_);
  drawn_ = true;
}

void ConsoleProgress::Finish() {
  if (drawn_) std::fputc('\n', terminal_);
  drawn_ = false;
}

}  // namespace veil
