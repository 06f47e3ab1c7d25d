#include "platform/console/terminal_secret.h"

#include <fcntl.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

namespace veil {
namespace {

// The signals that may end or stop the program while echo is off; each is
// caught only long enough to put the terminal back, then delivered as it
// would have been.
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGTSTP, SIGQUIT, SIGHUP, SIGTTIN, SIGTTOU};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

volatile sig_atomic_t caught = 0;

void Catch(int signal) { caught = signal; }

class SignalsCaught {
 public:
  SignalsCaught() {
    struct sigaction action {};
    action.sa_handler = Catch;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: the read returns with EINTR
    for (int i = 0; i < kSignalCount; ++i) ::sigaction(kSignals[i], &action, &saved_[i]);
  }
  ~SignalsCaught() {
    for (int i = 0; i < kSignalCount; ++i) ::sigaction(kSignals[i], &saved_[i], nullptr);
  }
  SignalsCaught(const SignalsCaught&) = delete;
  SignalsCaught& operator=(const SignalsCaught&) = delete;

 private:
  struct sigaction saved_[kSignalCount];
};

}  // namespace

std::optional<std::string> ReadSecretFromTerminal(const std::string& prompt) {
  const int tty = ::open("/dev/tty", O_RDWR | O_CLOEXEC);
  if (tty < 0) return std::nullopt;
  termios saved{};
  const bool can_hide = ::tcgetattr(tty, &saved) == 0;
  std::string line;
  bool got_any = false;
  for (bool reading = true; reading;) {
    caught = 0;
    {
      const SignalsCaught signals;
      if (can_hide) {
        termios quiet = saved;
        quiet.c_lflag &= static_cast<tcflag_t>(~ECHO);
        ::tcsetattr(tty, TCSAFLUSH, &quiet);
      }
      [[maybe_unused]] ssize_t ignored = ::write(tty, prompt.data(), prompt.size());
      char c;
      for (;;) {
        const ssize_t n = caught ? -1 : ::read(tty, &c, 1);
        if (n == 1) {
          got_any = true;
          if (c == '\n' || c == '\r') {
            reading = false;
            break;
          }
          line.push_back(c);
          continue;
        }
        if (n < 0 && errno == EINTR && !caught) continue;
        if (!caught) reading = false;  // the end of the input, or an error
        break;
      }
      if (can_hide) ::tcsetattr(tty, TCSAFLUSH, &saved);
      ignored = ::write(tty, "\n", 1);
    }
    // The terminal is as it was and the program's own handlers are back:
    // the signal now does what it would have done. A stop returns here on
    // continuing, and the prompt is asked again from the start.
    if (caught) {
      const int signal = caught;
      line.clear();
      got_any = false;
      ::kill(::getpid(), signal);
      if (signal != SIGTSTP && signal != SIGTTIN && signal != SIGTTOU) {
        ::close(tty);
        return std::nullopt;  // a handled signal: the question is abandoned
      }
    }
  }
  ::close(tty);
  if (!got_any) return std::nullopt;
  return line;
}

}  // namespace veil
