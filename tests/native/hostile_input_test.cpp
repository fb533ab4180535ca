// Files made to cost a reader time or memory out of proportion: each loads (or fails)
// as the rules say, and takes no more than a few times the time of an ordinary PNG of the
// same size, and no more memory than a sound load needs.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>

#include "child_run.h"
#include "hostile_pngs.h"
#include "codec/png_image.h"
#include "io/memory_stream.h"

namespace tevpng {
namespace {

using tevtest::Bytes;

bool Load(const Bytes& png) {
    MemoryStream stream(png.data(), png.size());
    PngImage image;
    return image.LoadStream(stream);
}

// The best of a few runs: the cost of the load itself, not of what else the machine does.
double FastestLoadSeconds(const Bytes& png) {
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        const auto start = std::chrono::steady_clock::now();
        Load(png);
        best =
            std::min(best, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return best;
}

class HostileInput : public testing::TestWithParam<tevtest::HostilePng> {};

TEST_P(HostileInput, LoadsInTimeAndMemoryInProportionToItsSize) {
    const tevtest::HostilePng& input = GetParam();
    EXPECT_EQ(Load(input.png), input.loads);
    if (tevtest::UnderAddressSanitizer()) GTEST_SKIP() << "the sanitizers change what time and memory mean";

    const Bytes ordinary = tevtest::OrdinaryPngOfAtLeast(input.png.size());
    const double ordinarySeconds = FastestLoadSeconds(ordinary);
    const double hostileSeconds = FastestLoadSeconds(input.png);
    std::printf("%s: %zu bytes in %.2f ms; an ordinary PNG of %zu bytes in %.2f ms\n", input.name.c_str(),
                input.png.size(), hostileSeconds * 1000, ordinary.size(), ordinarySeconds * 1000);
    // A few times the ordinary load, and a few milliseconds for the smallest files.
    EXPECT_LE(hostileSeconds, 4 * ordinarySeconds + 0.005)
        << input.png.size() << " bytes: " << hostileSeconds << " s against " << ordinarySeconds << " s for "
        << ordinary.size() << " ordinary bytes";

    const tevtest::ChildRun ordinaryRun = tevtest::RunInChild([&] { Load(ordinary); }, 60);
    const tevtest::ChildRun hostileRun = tevtest::RunInChild([&] { Load(input.png); }, 60);
    ASSERT_TRUE(hostileRun.exited) << hostileRun.Describe();
    // What a sound load may hold beyond the ordinary one: the ancillary chunks the limits allow.
    const long allowedKb =
        ordinaryRun.peakRssGrowthKb + static_cast<long>(kAncillaryBytesLimit / 1024) + 4096;
    EXPECT_LE(hostileRun.peakRssGrowthKb, allowedKb)
        << hostileRun.Describe() << "; the ordinary load: " << ordinaryRun.Describe();
}

INSTANTIATE_TEST_SUITE_P(Files, HostileInput, testing::ValuesIn(tevtest::HostilePngs()),
                         [](const auto& info) { return info.param.name; });

}  // namespace
}  // namespace tevpng
