#include "platform/console/terminal_secret.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace veil {

std::optional<std::string> ReadSecretFromTerminal(const std::string& prompt) {
  const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (tty < 0) return std::nullopt;
  termios saved{};
  const bool can_hide = ::tcgetattr(tty, &saved) == 0;
  if (can_hide) {
    termios quiet = saved;
    quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
    ::tcsetattr(tty, TCSAFLUSH, &quiet);
  }
  [[maybe_unused]] ssize_t ignored = ::write(tty, prompt.data(), prompt.size());
  std::string line;
  char c;
  bool got_any = false;
  while (::read(tty, &c, 1) == 1) {
    got_any = true;
    if (c == '\n' || c == '\r') break;
    line.push_back(c);
  }
  if (can_hide) ::tcsetattr(tty, TCSAFLUSH, &saved);
  ignored = ::write(tty, "\n", 1);
  ::close(tty);
  if (!got_any) return std::nullopt;
  return line;
}

}  // namespace veil
