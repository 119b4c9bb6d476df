#include "platform/linux/process/TerminationRequests.h"

#include <signal.h>
#include <sys/prctl.h>
#include <unistd.h>

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

TerminationRequests::TerminationRequests(std::function<void()> onRequest) {
    const sigset_t signals = terminationSignals();
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    watcher_ = std::jthread([signals, onRequest = std::move(onRequest)](std::stop_token stop) {
        // Waits in short slices so that the destructor's stop is seen.
        const timespec slice{0, 100'000'000};
        while (!stop.stop_requested()) {
            if (sigtimedwait(&signals, nullptr, &slice) > 0) {
                onRequest();
                return;
            }
        }
    });
}

void terminateWithParent(pid_t parent) {
    prctl(PR_SET_PDEATHSIG, SIGTERM);
    // The parent may have ended before the request was made.
    if (getppid() != parent) {
        kill(getpid(), SIGTERM);
    }
}

}  // namespace corvane::process
