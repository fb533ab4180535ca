#pragma once

#include <utility>

#include "base/floating_point.h"

namespace tevpng {

// Runs an export's body so that no C++ exception ever unwinds into the host:
// a failure returns the export's neutral result and leaves the state as the
// body left it. The body computes in the plug-in's floating-point state; the
// host gets its own back.
template <typename Result, typename Body>
Result Guarded(Result fallback, Body&& body) noexcept {
    FloatingPointGuard floatingPoint;
    try {
        return std::forward<Body>(body)();
    } catch (...) {
        return fallback;
    }
}

template <typename Body>
void Guarded(Body&& body) noexcept {
    FloatingPointGuard floatingPoint;
    try {
        std::forward<Body>(body)();
    } catch (...) {
    }
}

}  // namespace tevpng
