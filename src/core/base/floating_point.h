#pragma once

// The plug-in computes in one floating-point state of its own, whatever its host runs
// with: hosts of this kind unmask x87 and SSE exceptions, lower the x87 precision to 24
// bits or switch rounding to truncate or down, and any of it would change pixels (the
// gamma tables round through the x87) or raise an exception inside the plug-in. Every
// entry from outside (export, window procedure, timer) holds a FloatingPointGuard; the
// host's state comes back, flags included, when it returns. The resampler holds one of its
// own, so that its bytes do not depend on the caller's state wherever it is called from.
#include <cstdint>

namespace tevpng {

// x87: every exception masked, 64-bit precision, round to nearest (what fninit gives).
inline constexpr std::uint16_t kPluginX87ControlWord = 0x037F;
// SSE: every exception masked, round to nearest, no flush to zero, denormals kept.
inline constexpr std::uint32_t kPluginMxcsr = 0x1F80;

// The x87 environment as fnstenv stores it: control, status and tag words, the last
// instruction and operand pointers (28 bytes in 32-bit and 64-bit mode alike).
struct X87Environment {
    std::uint32_t words[7];
};
static_assert(sizeof(X87Environment) == 28);

struct FloatingPointState {
    X87Environment x87;
    std::uint32_t mxcsr;
};

#if defined(__i386__) || defined(__x86_64__)
inline FloatingPointState SaveFloatingPoint() {
    FloatingPointState state;
    // fnstenv masks every x87 exception after storing, so nothing traps before the load below.
    __asm__ volatile("fnstenv %0" : "=m"(state.x87)::"memory");
    __asm__ volatile("stmxcsr %0" : "=m"(state.mxcsr)::"memory");
    return state;
}

inline void LoadPluginFloatingPoint() {
    const std::uint16_t control = kPluginX87ControlWord;
    const std::uint32_t mxcsr = kPluginMxcsr;
    // The caller's pending flags are cleared so that none is seen as ours.
    __asm__ volatile("fnclex\n\tfldcw %0" ::"m"(control) : "memory");
    __asm__ volatile("ldmxcsr %0" ::"m"(mxcsr) : "memory");
}

inline void RestoreFloatingPoint(const FloatingPointState& state) {
    __asm__ volatile("ldmxcsr %0" ::"m"(state.mxcsr) : "memory");
    __asm__ volatile("fldenv %0" ::"m"(state.x87) : "memory");
}
#else
inline FloatingPointState SaveFloatingPoint() { return {}; }
inline void LoadPluginFloatingPoint() {}
inline void RestoreFloatingPoint(const FloatingPointState&) {}
#endif

// Saves the caller's state and loads the plug-in's; the destructor restores the caller's.
// Guards nest: an inner one saves and restores the plug-in's own state. Only the thread
// that calls the exports keeps track of the outermost guard (see CallerFloatingPoint);
// another thread (the multimedia timer's) passes Track::No.
class FloatingPointGuard {
public:
    enum class Track { Yes, No };

    explicit FloatingPointGuard(Track track = Track::Yes) : saved_(SaveFloatingPoint()) {
        LoadPluginFloatingPoint();
        if (track == Track::Yes && !outermost_) {
            outermost_ = this;
            isOutermost_ = true;
        }
    }
    ~FloatingPointGuard() {
        if (isOutermost_) outermost_ = nullptr;
        RestoreFloatingPoint(saved_);
    }
    FloatingPointGuard(const FloatingPointGuard&) = delete;
    FloatingPointGuard& operator=(const FloatingPointGuard&) = delete;

private:
    friend class CallerFloatingPoint;

    FloatingPointState saved_;
    bool isOutermost_ = false;
    static inline FloatingPointGuard* outermost_ = nullptr;
};

// While the plug-in lets the host's own code run inside an export (a nested message
// loop, a message box), the host gets its own state back; the plug-in's returns after.
// The plug-in's window procedures and timers guard themselves again meanwhile.
class CallerFloatingPoint {
public:
    CallerFloatingPoint() {
        outer_ = FloatingPointGuard::outermost_;
        if (!outer_) return;
        RestoreFloatingPoint(outer_->saved_);
        // A guard entered meanwhile (a window procedure of ours) becomes the outermost one.
        FloatingPointGuard::outermost_ = nullptr;
    }
    ~CallerFloatingPoint() {
        if (!outer_) return;
        FloatingPointGuard::outermost_ = outer_;
        LoadPluginFloatingPoint();
    }
    CallerFloatingPoint(const CallerFloatingPoint&) = delete;
    CallerFloatingPoint& operator=(const CallerFloatingPoint&) = delete;

private:
    FloatingPointGuard* outer_ = nullptr;
};

}  // namespace tevpng
