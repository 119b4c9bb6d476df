#pragma once

#include <sys/types.h>

#include <functional>
#include <thread>

namespace corvane::process {

// Blocks SIGTERM and SIGINT in the calling thread and in the threads it
// starts later, so that they wait for a TerminationRequests. Call it first
// thing in main, before any library can start a thread.
void blockTerminationRequests();

// Runs `onRequest` once, on a thread of its own, when SIGTERM or SIGINT
// arrives for this process, however busy the other threads are; a second
// request ends the process at once. The signals must be blocked in every
// thread (blockTerminationRequests()).
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

// For a child between fork and exec: has the kernel send it SIGTERM when
// the thread that started it ends, and sends it at once when `parent` has
// ended already. Async-signal-safe.
void terminateWithParent(pid_t parent);

}  // namespace corvane::process
