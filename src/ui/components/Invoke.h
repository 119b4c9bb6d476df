#pragma once

#include <utility>

namespace corvane {

// Calls a copy of `callback`. The call may hand the panel a new view value,
// which replaces the stored callback while it is still running.
template <typename Callback, typename... Args>
void invokeCallback(const Callback& callback, Args&&... args) {
    if (!callback) {
        return;
    }
    Callback copy = callback;
    copy(std::forward<Args>(args)...);
}

}  // namespace corvane
