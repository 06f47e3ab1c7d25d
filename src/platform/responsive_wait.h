#pragma once

#include <chrono>
#include <future>
#include <utility>

#include "platform/message_pump.h"

namespace veil {

// Runs work on a thread of its own and keeps the window's messages going
// until it is done, with the window showing that it waits: a slow step (a
// key derivation that may take a minute) never freezes the window. The
// caller keeps whatever work touches out of other hands meanwhile.
template <typename Work>
auto WaitResponsively(MessagePump& pump, Work&& work) {
  struct Waiting {
    MessagePump& pump;
    explicit Waiting(MessagePump& p) : pump(p) { pump.ShowWaiting(true); }
    ~Waiting() { pump.ShowWaiting(false); }
  } waiting(pump);
  auto done = std::async(std::launch::async, std::forward<Work>(work));
  while (done.wait_for(std::chrono::milliseconds(10)) != std::future_status::ready) pump.ProcessPendingMessages();
  return done.get();
}

}  // namespace veil
