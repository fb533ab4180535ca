#include "scale/transpose.h"

#if defined(__x86_64__) || defined(__i386__)
#include <emmintrin.h>
#define TEVPNG_TRANSPOSE_SSE2 1
#endif

namespace tevpng::detail {
namespace {

void TransposeScalar(const std::uint8_t* src, std::ptrdiff_t srcStride, std::uint8_t* dst, std::ptrdiff_t dstStride,
                     std::int32_t rows, std::int32_t columns) {
    for (std::int32_t r = 0; r < rows; ++r) {
        const std::uint8_t* row = src + r * srcStride;
        for (std::int32_t c = 0; c < columns; ++c) dst[c * dstStride + r] = row[c];
    }
}

#if TEVPNG_TRANSPOSE_SSE2
// One 16 x 16 block in four rounds of interleaving: bytes, pairs, quads, halves.
void Transpose16x16(const std::uint8_t* src, std::ptrdiff_t srcStride, std::uint8_t* dst, std::ptrdiff_t dstStride) {
    __m128i y[16];
    for (int i = 0; i < 8; ++i) {
        const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + (2 * i) * srcStride));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + (2 * i + 1) * srcStride));
        y[i] = _mm_unpacklo_epi8(a, b);      // rows 2i, 2i+1; columns 0-7
        y[i + 8] = _mm_unpackhi_epi8(a, b);  // columns 8-15
    }
    __m128i z[4][4];  // [rows 4j..4j+3][columns 4g..4g+3]
    for (int j = 0; j < 4; ++j) {
        z[j][0] = _mm_unpacklo_epi16(y[2 * j], y[2 * j + 1]);
        z[j][1] = _mm_unpackhi_epi16(y[2 * j], y[2 * j + 1]);
        z[j][2] = _mm_unpacklo_epi16(y[2 * j + 8], y[2 * j + 9]);
        z[j][3] = _mm_unpackhi_epi16(y[2 * j + 8], y[2 * j + 9]);
    }
    for (int g = 0; g < 4; ++g) {
        const __m128i p01 = _mm_unpacklo_epi32(z[0][g], z[1][g]);  // columns 4g, 4g+1; rows 0-7
        const __m128i q01 = _mm_unpackhi_epi32(z[0][g], z[1][g]);  // columns 4g+2, 4g+3; rows 0-7
        const __m128i p23 = _mm_unpacklo_epi32(z[2][g], z[3][g]);  // rows 8-15
        const __m128i q23 = _mm_unpackhi_epi32(z[2][g], z[3][g]);
        std::uint8_t* column = dst + (4 * g) * dstStride;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(column), _mm_unpacklo_epi64(p01, p23));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(column + dstStride), _mm_unpackhi_epi64(p01, p23));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(column + 2 * dstStride), _mm_unpacklo_epi64(q01, q23));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(column + 3 * dstStride), _mm_unpackhi_epi64(q01, q23));
    }
}
#endif

}  // namespace

void TransposeBytes(const std::uint8_t* src, std::ptrdiff_t srcStride, std::uint8_t* dst, std::ptrdiff_t dstStride,
                    std::int32_t rows, std::int32_t columns) {
    std::int32_t blockRows = 0, blockColumns = 0;
#if TEVPNG_TRANSPOSE_SSE2
    blockRows = rows / 16 * 16;
    blockColumns = columns / 16 * 16;
    for (std::int32_t r = 0; r < blockRows; r += 16) {
        for (std::int32_t c = 0; c < blockColumns; c += 16) {
            Transpose16x16(src + r * srcStride + c, srcStride, dst + c * dstStride + r, dstStride);
        }
    }
#endif
    // The edges the blocks leave: the last columns of the block rows, then the last rows.
    TransposeScalar(src + blockColumns, srcStride, dst + blockColumns * dstStride, dstStride, blockRows,
                    columns - blockColumns);
    TransposeScalar(src + blockRows * srcStride, srcStride, dst + blockRows, dstStride, rows - blockRows, columns);
}

}  // namespace tevpng::detail
