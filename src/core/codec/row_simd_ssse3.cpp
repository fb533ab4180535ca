// The row converters for an identity gamma table in SSSE3 byte shuffles: 8-bit RGB and RGBA
// into the DIB's blue, green, red and the alpha plane. Compiled for SSSE3 alone, run only
// after CpuRuns has seen the processor support it.
#include <tmmintrin.h>

#include <cstddef>
#include <cstdint>

#include "codec/row_simd_x86.h"

namespace tevpng::simd {

namespace {

__m128i Load(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
void Store(std::uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

}  // namespace

void RgbaToBgrAlphaSsse3(const std::uint8_t* source, std::uint8_t* dib, std::uint8_t* alpha,
                         std::uint32_t width, const std::uint8_t*) {
    // Per 4 pixels: B G R of each into bytes 0..11, the four alphas into 12..15.
    const __m128i split = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, 3, 7, 11, 15);
    std::uint32_t x = 0;
    // 16 pixels a step; the last 16-byte store of a step reaches 4 bytes further, into the
    // next step's pixels, so steps stop 2 pixels before the row ends.
    for (; x + 18 <= width; x += 16) {
        const std::uint8_t* s = source + 4 * static_cast<std::size_t>(x);
        std::uint8_t* d = dib + 3 * static_cast<std::size_t>(x);
        const __m128i p0 = _mm_shuffle_epi8(Load(s), split);
        const __m128i p1 = _mm_shuffle_epi8(Load(s + 16), split);
        const __m128i p2 = _mm_shuffle_epi8(Load(s + 32), split);
        const __m128i p3 = _mm_shuffle_epi8(Load(s + 48), split);
        Store(d, p0);
        Store(d + 12, p1);
        Store(d + 24, p2);
        Store(d + 36, p3);
        const __m128i a01 = _mm_unpackhi_epi32(p0, p1);  // ., ., alpha0, alpha1
        const __m128i a23 = _mm_unpackhi_epi32(p2, p3);
        Store(alpha + x, _mm_unpackhi_epi64(a01, a23));
    }
    for (; x < width; ++x) {
        const std::uint8_t* s = source + 4 * static_cast<std::size_t>(x);
        std::uint8_t* d = dib + 3 * static_cast<std::size_t>(x);
        d[0] = s[2];
        d[1] = s[1];
        d[2] = s[0];
        alpha[x] = s[3];
    }
}

void RgbToBgrSsse3(const std::uint8_t* source, std::uint8_t* dib, std::uint8_t*, std::uint32_t width,
                   const std::uint8_t*) {
    // 16 pixels (48 bytes, three registers a, b, c) a step. Each output register takes its
    // bytes from two or three inputs, swapped within each pixel; -1 leaves a byte zero.
    const __m128i a0 = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, -1);
    const __m128i b0 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 1);
    const __m128i a1 = _mm_setr_epi8(-1, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i b1 = _mm_setr_epi8(0, -1, 4, 3, 2, 7, 6, 5, 10, 9, 8, 13, 12, 11, -1, 15);
    const __m128i c1 = _mm_setr_epi8(-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, 0, -1);
    const __m128i b2 = _mm_setr_epi8(14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i c2 = _mm_setr_epi8(-1, 3, 2, 1, 6, 5, 4, 9, 8, 7, 12, 11, 10, 15, 14, 13);
    std::uint32_t x = 0;
    for (; x + 16 <= width; x += 16) {
        const std::size_t at = 3 * static_cast<std::size_t>(x);
        const __m128i a = Load(source + at), b = Load(source + at + 16), c = Load(source + at + 32);
        Store(dib + at, _mm_or_si128(_mm_shuffle_epi8(a, a0), _mm_shuffle_epi8(b, b0)));
        Store(dib + at + 16, _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(a, a1), _mm_shuffle_epi8(b, b1)),
                                          _mm_shuffle_epi8(c, c1)));
        Store(dib + at + 32, _mm_or_si128(_mm_shuffle_epi8(b, b2), _mm_shuffle_epi8(c, c2)));
    }
    for (; x < width; ++x) {
        const std::size_t at = 3 * static_cast<std::size_t>(x);
        dib[at] = source[at + 2];
        dib[at + 1] = source[at + 1];
        dib[at + 2] = source[at];
    }
}

}  // namespace tevpng::simd
