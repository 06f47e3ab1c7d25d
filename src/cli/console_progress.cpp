#include "cli/console_progress.h"

#include <string>

namespace veil {
namespace {
constexpr auto kWorthShowingAfter = std::chrono::milliseconds(300);
constexpr int kBarWidth = 40;
}  // namespace

void ConsoleProgress::Progress(int percent) {
  if (!enabled_ || percent == shown_) return;
  if (!drawn_ && std::chrono::steady_clock::now() - started_ < kWorthShowingAfter) return;
  const int filled = percent * kBarWidth / 100;
  std::fprintf(terminal_, "\r[%s%s] %3d%%", std::string(static_cast<std::size_t>(filled), '#').c_str(),
               std::string(static_cast<std::size_t>(kBarWidth - filled), ' ').c_str(), percent);
  std::fflush(terminal_);
  drawn_ = true;
  shown_ = percent;
}

void ConsoleProgress::Finish() {
  if (drawn_) std::fputc('\n', terminal_);
  drawn_ = false;
}

}  // namespace veil
