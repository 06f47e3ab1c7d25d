#include "cli/console_progress.h"

#include <algorithm>
#include <cmath>

namespace veil {
namespace {
constexpr auto kWorthShowingAfter = std::chrono::milliseconds(300);
constexpr int kBarWidth = 40;
}  // namespace

const char* ConsoleProgress::StageName(codec::RunStage stage) {
  switch (stage) {
    case codec::RunStage::kReading: return "reading";
    case codec::RunStage::kKeyDerivation: return "deriving the key";
    case codec::RunStage::kCosts: return "weighing changes";
    case codec::RunStage::kCode: return "coding";
    case codec::RunStage::kWriting: return "writing";
    case codec::RunStage::kReadingBack: return "reading back";
  }
  return "working";
}

void ConsoleProgress::Progress(int percent) {
  if (!staged_) Draw({}, percent * 10);
}

void ConsoleProgress::Advanced(codec::RunStage stage, double fraction) {
  staged_ = true;
  Draw(StageName(stage), static_cast<int>(std::floor(std::clamp(fraction, 0.0, 1.0) * 1000)));
}

void ConsoleProgress::Draw(const std::string& label, int permille) {
  if (!enabled_ || (permille == shown_ && label == shown_label_)) return;
  if (!drawn_ && std::chrono::steady_clock::now() - started_ < kWorthShowingAfter) return;
  const int filled = permille * kBarWidth / 1000;
  std::string line = label.empty() ? std::string() : label + " ";
  line += "[" + std::string(static_cast<std::size_t>(filled), '#') +
          std::string(static_cast<std::size_t>(kBarWidth - filled), ' ') + "] ";
  char percent[16];
  if (label.empty())
    std::snprintf(percent, sizeof percent, "%3d%%", permille / 10);
  else
    std::snprintf(percent, sizeof percent, "%5.1f%%", permille / 10.0);
  line += percent;
  // A shorter line than the last one blanks what is left of it.
  const std::size_t width = line.size();
  if (width < shown_width_) line += std::string(shown_width_ - width, ' ');
  std::fprintf(terminal_, "\r%s", line.c_str());
  std::fflush(terminal_);
  drawn_ = true;
  shown_ = permille;
  shown_label_ = label;
  shown_width_ = std::max(shown_width_, width);
}

void ConsoleProgress::Finish() {
  if (drawn_) std::fputc('\n', terminal_);
  drawn_ = false;
  staged_ = false;
  shown_ = -1;
  shown_label_.clear();
  shown_width_ = 0;
}

}  // namespace veil
