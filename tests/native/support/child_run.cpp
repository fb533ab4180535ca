#include "child_run.h"

#include <signal.h>
#include <sys/resource.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace tevtest {

namespace {

struct Finished {
    int status = 0;
    long maxRssKb = 0;
    double seconds = 0;
    bool timedOut = false;
};

Finished ForkAndWait(const std::function<void()>& work, double timeoutSeconds) {
    Finished finished;
    const auto start = std::chrono::steady_clock::now();
    const pid_t child = fork();
    if (child == 0) {
        work();
        _exit(0);
    }
    rusage usage{};
    for (;;) {
        const pid_t done = wait4(child, &finished.status, WNOHANG, &usage);
        const double elapsed =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        if (done == child) {
            finished.seconds = elapsed;
            break;
        }
        if (elapsed > timeoutSeconds && !finished.timedOut) {
            finished.timedOut = true;
            kill(child, SIGKILL);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    finished.maxRssKb = usage.ru_maxrss;
    return finished;
}

}  // namespace

std::string ChildRun::Describe() const {
    std::string text =
        exited ? "exit code " + std::to_string(exitCode) : "killed by signal " + std::to_string(signal);
    return text + ", " + std::to_string(seconds) + " s, " + std::to_string(peakRssGrowthKb) +
           " KB above the baseline";
}

ChildRun RunInChild(const std::function<void()>& work, double timeoutSeconds) {
    const Finished baseline = ForkAndWait([] {}, 60);
    const Finished finished = ForkAndWait(work, timeoutSeconds);
    ChildRun run;
    run.seconds = finished.seconds;
    run.peakRssGrowthKb = finished.maxRssKb - baseline.maxRssKb;
    if (!finished.timedOut && WIFEXITED(finished.status)) {
        run.exited = true;
        run.exitCode = WEXITSTATUS(finished.status);
    } else if (WIFSIGNALED(finished.status)) {
        run.signal = WTERMSIG(finished.status);
    }
    return run;
}

bool UnderAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
    return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    return true;
#else
    return false;
#endif
#else
    return false;
#endif
}

}  // namespace tevtest
