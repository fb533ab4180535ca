#pragma once

#include <utility>

namespace tevpng {

// Runs an export's body so that no C++ exception ever unwinds into the host:
// a failure returns the export's neutral result and leaves the state as the
// body left it.
template <typename Result, typename Body>
Result Guarded(Result fallback, Body&& body) noexcept {
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return fallback;
    }
}

template <typename Body>
void Guarded(Body&& body) noexcept {
    try {
        std::forward<Body>(body)();
    } catch (...) {
    }
}

}  // namespace tevpng
