#include "StopSignals.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <stdexcept>

namespace corvane::devdesktop {

namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// A signal handler can reach nothing but static storage; this is the one
// value it needs, set while a StopSignals exists.
volatile sig_atomic_t gWriteEnd = -1;

extern "C" void writeSignalNumber(int number) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    // A full pipe already holds a pending stop; dropping this byte is fine.
    [[maybe_unused]] const ssize_t written = write(gWriteEnd, &byte, 1);
    errno = savedErrno;
}

}  // namespace

StopSignals::StopSignals() {
    if (gWriteEnd != -1) {
        throw std::logic_error("StopSignals exists already");
    }
    int ends[2];
    if (pipe2(ends, O_CLOEXEC | O_NONBLOCK) != 0) {
        throw std::runtime_error("cannot create the signal pipe");
    }
    readEnd_ = ends[0];
    gWriteEnd = ends[1];

    struct sigaction action {};
    action.sa_handler = writeSignalNumber;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : kStopSignals) {
        // A shell starts background jobs with SIGINT ignored (and nohup
        // SIGHUP), so that Ctrl-C reaches only the script, which then
        // stops its jobs in its own order. That choice is kept.
        struct sigaction previous {};
        sigaction(number, nullptr, &previous);
        if (number != SIGTERM && previous.sa_handler == SIG_IGN) {
            continue;
        }
        sigaction(number, &action, nullptr);
        caught_.push_back(number);
    }

    notifier_ = std::make_unique<QSocketNotifier>(readEnd_, QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        if (drain()) {
            emit arrived(received_);
        }
    });
}

StopSignals::~StopSignals() {
    notifier_.reset();
    struct sigaction action {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (const int number : caught_) {
        sigaction(number, &action, nullptr);
    }
    close(gWriteEnd);
    gWriteEnd = -1;
    close(readEnd_);
}

int StopSignals::received() {
    drain();
    return received_;
}

bool StopSignals::drain() {
    bool any = false;
    unsigned char buffer[16];
    ssize_t got;
    while ((got = read(readEnd_, buffer, sizeof(buffer))) > 0 || (got < 0 && errno == EINTR)) {
        if (got > 0) {
            received_ = buffer[got - 1];
            any = true;
        }
    }
    return any;
}

}  // namespace corvane::devdesktop
