#pragma once

#include "platform/message_pump.h"

namespace veil {

// The command-line program has no window messages to process.
class ConsolePump final : public MessagePump {
 public:
  ConsolePump() : MessagePump(std::chrono::milliseconds(100)) {}

 protected:
  void DispatchPending() override {}
};

}  // namespace veil
