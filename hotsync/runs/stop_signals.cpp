#include "stop_signals.h"

namespace oq::hotsync {

volatile std::sig_atomic_t stopRequested = 0;

namespace {

void RequestStop(int) { stopRequested = 1; }

}  // namespace

void CatchStopSignals() {
  stopRequested = 0;
  struct sigaction action {};
  action.sa_handler = RequestStop;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
}

}  // namespace oq::hotsync
