#pragma once

// The two passes of Stretch over byte rasters, on the kernels of one level.

#include <cstddef>
#include <cstdint>

#include "scale/resampler.h"
#include "scale/weighted_sum.h"

namespace tevpng::detail {

// Bytes of `rows` rows of `rowBytes`, or 0 when that does not fit in memory at all.
std::size_t BufferBytes(std::int64_t rowBytes, std::int64_t rows);

// Resamples `source` into `target` (valid views of the same channel count): the
// horizontal pass with `horizontal` (one list per target column) into intermediate
// rows, the vertical pass with `vertical` (one per target row) from them. False, with
// nothing written, when the working memory cannot be allocated.
bool RunPasses(const Kernels& kernels, const ContributorLists& horizontal, const ContributorLists& vertical,
               ConstRasterView source, RasterView target);

}  // namespace tevpng::detail
