#pragma once

#include <chrono>

namespace veil {

// Lets pending window messages be processed from inside a long loop. Callers
// may call ProcessPendingMessages() as often as they like: the pump itself
// decides when a real yield to the window system is due, so that a run of
// millions of groups yields a few times per frame and not millions of times.
class MessagePump {
 public:
  virtual ~MessagePump() = default;

  void ProcessPendingMessages() {
    const auto now = std::chrono::steady_clock::now();
    if (now - last_yield_ < interval_) return;
    last_yield_ = now;
    DispatchPending();
  }

  // The window shows that it waits for work done aside (a wait cursor),
  // or no longer does.
  virtual void ShowWaiting(bool /*waiting*/) {}

 protected:
  explicit MessagePump(std::chrono::microseconds interval) : interval_(interval) {}
  virtual void DispatchPending() = 0;

 private:
  std::chrono::microseconds interval_;
  std::chrono::steady_clock::time_point last_yield_{};
};

}  // namespace veil
