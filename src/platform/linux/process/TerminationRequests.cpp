#include "platform/linux/process/TerminationRequests.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>

namespace corvane::process {

namespace {

sigset_t terminationSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    return signals;
}

}  // namespace

void blockTerminationRequests() {
    const sigset_t signals = terminationSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
}

TerminationRequests::TerminationRequests(std::function<void()> onRequest) {
    // The watcher inherits the block, which sigtimedwait() needs.
    blockTerminationRequests();
    watcher_ = std::jthread([onRequest = std::move(onRequest)](std::stop_token stop) {
        const sigset_t signals = terminationSignals();
        // Waits in short slices so that the destructor's stop is seen.
        const timespec slice{0, 100'000'000};
        bool requested = false;
        while (!stop.stop_requested()) {
            const int signal = sigtimedwait(&signals, nullptr, &slice);
            if (signal > 0 && requested) {
                std::_Exit(128 + signal);
            }
            if (signal > 0) {
                requested = true;
                onRequest();
            }
        }
    });
}

void terminateWithParent(pid_t parent) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    // The parent may have ended before the request was made.
    if (getppid() != parent) {
        raise(SIGTERM);
    }
}

}  // namespace corvane::process
