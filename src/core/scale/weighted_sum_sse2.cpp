// The SSE2 kernels: two values per vector. Every x86 processor the DLL meets has SSE2.
//
// The accumulators are rounded to float by converting there and back: that is exact
// for every weight (no range to check), and with SSE2 faster than the split the wider
// kernels use (weighted_sum_simd.h), which takes one more instruction per step here.

#include <emmintrin.h>

#include <cstring>

#include "scale/weighted_sum_simd.h"
#include "scale/weighted_sum_x86.h"

namespace tevpng::detail {
namespace {

struct Sse2 {
    using Vector = __m128d;
    static constexpr int Lanes = 2;

    static Vector Zero() { return _mm_setzero_pd(); }
    static Vector Broadcast(double weight) { return _mm_set1_pd(weight); }
    static Vector Step(Vector accumulator, const double* values, Vector weight) {
        const __m128d sum = _mm_add_pd(accumulator, _mm_mul_pd(_mm_loadu_pd(values), weight));
        return _mm_cvtps_pd(_mm_cvtpd_ps(sum));
    }
    static void StoreBytes(Vector accumulator, std::uint8_t* out) {
        const __m128i words = _mm_packs_epi32(ToInt32(accumulator), _mm_setzero_si128());
        const std::uint16_t bytes =
            static_cast<std::uint16_t>(_mm_cvtsi128_si32(_mm_packus_epi16(words, words)));
        std::memcpy(out, &bytes, sizeof bytes);
    }
    static void StoreBytes4(const Vector* accumulators, std::uint8_t* out) {
        const __m128i low = _mm_unpacklo_epi64(ToInt32(accumulators[0]), ToInt32(accumulators[1]));
        const __m128i high = _mm_unpacklo_epi64(ToInt32(accumulators[2]), ToInt32(accumulators[3]));
        const __m128i words = _mm_packs_epi32(low, high);
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(words, words));
    }

private:
    // See ByteConversion in weighted_sum_simd.h.
    static __m128i ToInt32(Vector accumulator) {
        return _mm_cvtpd_epi32(_mm_min_pd(_mm_set1_pd(255.0), accumulator));
    }
};

constexpr int Sse2Block = WideRegisterFile ? 12 : 6;

}  // namespace

void WeightedSumSse2(const Term* terms, std::int32_t length, std::ptrdiff_t count, std::uint8_t* out) {
    WeightedSumBlocks<Sse2, Sse2Block, 0>(terms, length, count, out);
}

void WidenSse2(const std::uint8_t* bytes, std::ptrdiff_t count, double* out) {
    const __m128i zero = _mm_setzero_si128();
    std::ptrdiff_t v = 0;
    for (; v + 16 <= count; v += 16) {
        const __m128i sixteen = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + v));
        const __m128i words[2] = {_mm_unpacklo_epi8(sixteen, zero), _mm_unpackhi_epi8(sixteen, zero)};
        for (int h = 0; h < 2; ++h) {
            const __m128i quads[2] = {_mm_unpacklo_epi16(words[h], zero), _mm_unpackhi_epi16(words[h], zero)};
            for (int q = 0; q < 2; ++q) {
                double* o = out + v + 8 * h + 4 * q;
                _mm_storeu_pd(o, _mm_cvtepi32_pd(quads[q]));
                _mm_storeu_pd(o + 2, _mm_cvtepi32_pd(_mm_shuffle_epi32(quads[q], 0xEE)));
            }
        }
    }
    if (v < count) WidenScalar(bytes + v, count - v, out + v);
}

}  // namespace tevpng::detail
