#pragma once

#include <cstddef>
#include <cstdint>

namespace tevpng::detail {

// dst[c * dstStride + r] = src[r * srcStride + c] for r < rows, c < columns.
void TransposeBytes(const std::uint8_t* src, std::ptrdiff_t srcStride, std::uint8_t* dst, std::ptrdiff_t dstStride,
                    std::int32_t rows, std::int32_t columns);

}  // namespace tevpng::detail
