// The golden digests as a plain program, for builds that run outside CTest (the
// 32-bit x86 build under qemu-i386, tools/check_i686_golden.sh), on every kernel the
// processor (or emulator) runs; the lines name them.

#include <cstdio>
#include "resize_golden.h"

using namespace tevpng;
int main() {
    int passed = 0, failed = 0;
    auto check = [&](const char* what, unsigned long long got, unsigned long long want) {
        const bool ok = got == want;
        (ok ? passed : failed)++;
        std::printf("  %s %s: %016llx\n", ok ? "ok  " : "FAIL", what, got);
    };
    for (auto level : {detail::SimdLevel::Scalar, detail::SimdLevel::Sse2, detail::SimdLevel::Avx2, detail::SimdLevel::Avx512}) {
        if (!detail::SimdLevelAvailable(level)) continue;
        check(detail::SimdLevelName(level), golden::ResizeDigest(level), golden::ExpectedResizeDigest);
    }
    check("filter", golden::FilterDigest(), golden::ExpectedFilterDigest);
    std::printf("i686 golden check: %d passed, %d failed\n", passed, failed);
    return failed != 0;
}
