#pragma once
// Runs a piece of work in a child process and reports what it cost: so that a test can
// bound the time and memory of one load without the rest of the test program counting,
// and survive an abort or a crash of the work to report it.

#include <functional>
#include <string>

namespace tevtest {

struct ChildRun {
    bool exited = false;  // the work returned (not killed by a signal or a timeout)
    int exitCode = -1;
    int signal = 0;            // the signal that ended it, if any
    double seconds = 0;        // wall time of the whole child
    long peakRssGrowthKb = 0;  // peak resident memory above that of a child that does nothing
    std::string Describe() const;
};

// Forks, runs `work` in the child and waits for it; the child is killed after
// `timeoutSeconds`. The memory baseline is a child that returns at once.
ChildRun RunInChild(const std::function<void()>& work, double timeoutSeconds);

// Whether this program runs under AddressSanitizer, whose shadow memory and quarantine
// make resident-memory figures meaningless for bounds.
bool UnderAddressSanitizer();

}  // namespace tevtest
