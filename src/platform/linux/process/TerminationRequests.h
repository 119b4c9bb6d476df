#pragma once

#include <sys/types.h>

#include <functional>
#include <thread>

namespace corvane::process {

// Runs `onRequest` once, on a thread of its own, when SIGTERM or SIGINT
// arrives for this process, however busy the other threads are. Make it
// before any other thread starts: it blocks both signals in the calling
// thread, and threads started later inherit that, so that only its own
// thread takes them.
class TerminationRequests {
  public:
    explicit TerminationRequests(std::function<void()> onRequest);
    // Stops watching; the signals stay blocked.
    ~TerminationRequests() = default;

    TerminationRequests(const TerminationRequests&) = delete;
    TerminationRequests& operator=(const TerminationRequests&) = delete;

  private:
    std::jthread watcher_;
};

// Has the kernel send this process SIGTERM when the thread that started it
// ends, and sends it at once when `parent` has ended already.
void terminateWithParent(pid_t parent);

}  // namespace corvane::process
