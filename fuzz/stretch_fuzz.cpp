// Resizes arbitrary small rasters to arbitrary small sizes (including 0, negative and
// 1): nothing may read or write outside the rasters, leak, or differ between the
// scalar kernel and the one Stretch picks.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_target.h"
#include "scale/resampler.h"
#include "scale/weighted_sum.h"

namespace {

using namespace tevpng;

struct Input {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t used = 0;
    int Take(int lo, int hi) {  // a value in lo..hi from the next byte
        const int byte = used < size ? data[used++] : 0;
        return lo + byte % (hi - lo + 1);
    }
};

}  // namespace

TEVPNG_FUZZ_TARGET(stretch_fuzz) {
    Input in{data, size};
    const int channels = in.Take(0, 1) ? 3 : 1;
    const int sourceWidth = in.Take(-1, 40), sourceHeight = in.Take(-1, 40);
    const int targetWidth = in.Take(-1, 70), targetHeight = in.Take(-1, 70);
    const int padding = in.Take(0, 3);
    const bool sharedRow = in.Take(0, 7) == 0;

    const int rowBytes = (sourceWidth > 0 ? sourceWidth : 0) * channels + padding;
    const int rows = sharedRow ? 1 : (sourceHeight > 0 ? sourceHeight : 0);
    std::vector<std::uint8_t> source(static_cast<std::size_t>(rowBytes) * rows);
    for (std::size_t i = 0; i < source.size(); ++i)
        source[i] = in.used + i < size ? data[in.used + i] : std::uint8_t(i);
    const ConstRasterView sourceView{source.empty() ? nullptr : source.data(), sourceWidth, sourceHeight,
                                     channels, sharedRow ? 0 : rowBytes};

    const std::size_t targetBytes = static_cast<std::size_t>(targetWidth > 0 ? targetWidth : 0) *
                                    (targetHeight > 0 ? targetHeight : 0) * channels;
    std::vector<std::uint8_t> best(targetBytes, 0xAB), scalar(targetBytes, 0xAB);
    const RasterView bestView{best.empty() ? nullptr : best.data(), targetWidth, targetHeight, channels,
                              std::ptrdiff_t{targetWidth} * channels};
    RasterView scalarView = bestView;
    scalarView.pixels = scalar.empty() ? nullptr : scalar.data();

    const StretchResult a = Stretch(sourceView, bestView, kLanczos3);
    const StretchResult b = detail::StretchWith(detail::SimdLevel::Scalar, sourceView, scalarView, kLanczos3);
    if (a.code() != b.code() || best != scalar) std::abort();

    if (channels == 3 && !sharedRow) {
        std::vector<std::uint8_t> alpha(source.size() / 3 + 1, 200);
        ResampledImage out;
        ResampleColorAndAlpha(sourceView,
                              {alpha.data(), sourceWidth, sourceHeight, 1, sourceWidth > 0 ? sourceWidth : 1},
                              targetWidth, targetHeight, out);
        ResampleColorAndAlpha(sourceView, {}, targetWidth, targetHeight, out);
    }
    return 0;
}
