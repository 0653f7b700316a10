#include "platform/signals.h"

#include <pthread.h>
#include <signal.h>
#include <time.h>

#include <cerrno>

namespace {

sigset_t StopSet() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGTERM);
  sigaddset(&set, SIGINT);
  return set;
}

}  // namespace

void BlockStopSignals() {
  sigset_t set = StopSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
}

int WaitForStopSignal() {
  sigset_t set = StopSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  int signal = 0;
  while (sigwait(&set, &signal) != 0) {
  }
  return signal;
}

int WaitForStopSignalFor(int timeout_ms) {
  sigset_t set = StopSet();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  timespec wait{timeout_ms / 1000, (timeout_ms % 1000) * 1000000L};
  for (;;) {
    int signal = sigtimedwait(&set, nullptr, &wait);
    if (signal > 0)
      return signal;
    if (errno != EINTR)
      return 0;
  }
}
