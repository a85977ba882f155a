#include "platform/stop_signal.h"

#include <csignal>
#include <initializer_list>

namespace {
volatile std::sig_atomic_t g_stop = 0;
void onStop(int) {
    g_stop = 1;
}
} // namespace

void installStopSignals() {
    g_stop = 0;
    struct sigaction sa {};
    sa.sa_handler = onStop;
    sigemptyset(&sa.sa_mask);
    for (int s : {SIGINT, SIGTERM, SIGHUP}) sigaction(s, &sa, nullptr);
}

bool stopSignalled() {
    return g_stop != 0;
}
