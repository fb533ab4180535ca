#pragma once

// What the benchmarks share: keeping each benchmark's fastest repetition, and libpng
// decoding from memory as the peer.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace tevbench {

using Bytes = std::vector<std::uint8_t>;

// Adds the "min" statistic: on a shared machine other work only ever adds time, so the
// fastest repetition is the steadiest figure.
benchmark::internal::Benchmark* KeepFastest(benchmark::internal::Benchmark* benchmark);

// Prints the usual table and keeps, per benchmark name, the CPU time of its fastest
// repetition (its one run without repetitions). CPU time, because the machine may be shared.
class FastestTimes : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override;
    // The time of `name` (its function name, arguments included), 0 when it did not run.
    double Time(const std::string& name) const;
    const std::map<std::string, double>& Times() const { return times_; }

private:
    std::map<std::string, double> times_;
    std::map<std::string, bool> fromMinimum_;
};

// Decodes `png` with libpng from memory into one block of rows, interlaced files through
// libpng's interlace handling. Unchecked: CRCs and the Adler-32 are not verified (what
// tevpng does by default). Aborts on a file libpng refuses.
enum class LibpngChecks { Verified, Unchecked };
void DecodeWithLibpng(const Bytes& png, LibpngChecks checks);

}  // namespace tevbench
