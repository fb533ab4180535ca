// The AVX2 kernels: four values per vector. Compiled with -mavx2 -mfma; run only on
// processors that have both.

#include <immintrin.h>

#include <cstring>

#include "scale/weighted_sum_simd.h"
#include "scale/weighted_sum_x86.h"

namespace tevpng::detail {
namespace {

// The product of a byte and a float weight is exact in double, so one fused
// multiply-add rounds acc + value x weight exactly as the separate product and sum do.
struct Avx2Converting {
    using Vector = __m256d;
    static constexpr int Lanes = 4;

    static Vector Zero() { return _mm256_setzero_pd(); }
    static Vector Broadcast(double weight) { return _mm256_set1_pd(weight); }
    static Vector Step(Vector accumulator, const double* values, Vector weight) {
        return _mm256_cvtps_pd(
            _mm256_cvtpd_ps(_mm256_fmadd_pd(_mm256_loadu_pd(values), weight, accumulator)));
    }
    static void StoreBytes(Vector accumulator, std::uint8_t* out) {
        const __m128i words = _mm_packs_epi32(ToInt32(accumulator), _mm_setzero_si128());
        const std::int32_t bytes = _mm_cvtsi128_si32(_mm_packus_epi16(words, words));
        std::memcpy(out, &bytes, sizeof bytes);
    }
    static void StoreBytes4(const Vector* accumulators, std::uint8_t* out) {
        const __m128i low = _mm_packs_epi32(ToInt32(accumulators[0]), ToInt32(accumulators[1]));
        const __m128i high = _mm_packs_epi32(ToInt32(accumulators[2]), ToInt32(accumulators[3]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_packus_epi16(low, high));
    }

private:
    // See ByteConversion in weighted_sum_simd.h.
    static __m128i ToInt32(Vector accumulator) {
        return _mm256_cvtpd_epi32(_mm256_min_pd(_mm256_set1_pd(255.0), accumulator));
    }
};

// For lists whose sums stay in the normal float range (FitsDoubleAccumulators):
// rounded by the split instead.
struct Avx2 : Avx2Converting {
    static Vector Step(Vector accumulator, const double* values, Vector weight) {
        const __m256d sum = _mm256_fmadd_pd(_mm256_loadu_pd(values), weight, accumulator);
        const __m256d scaled = _mm256_mul_pd(sum, _mm256_set1_pd(SplitFactor));
        return _mm256_sub_pd(scaled, _mm256_sub_pd(scaled, sum));
    }
};

// 48 values; with 8 registers, 20 and then 12 (96 and 192 values per strip column).
constexpr int Avx2Block = WideRegisterFile ? 12 : 5;
constexpr int Avx2SmallBlock = WideRegisterFile ? 0 : 3;

}  // namespace

void WeightedSumAvx2(const Term* terms, std::int32_t length, std::ptrdiff_t count, std::uint8_t* out) {
    if (FitsDoubleAccumulators(terms, length)) {
        WeightedSumBlocks<Avx2, Avx2Block, Avx2SmallBlock>(terms, length, count, out);
    } else {
        WeightedSumBlocks<Avx2Converting, Avx2Block, Avx2SmallBlock>(terms, length, count, out);
    }
}

void WidenAvx2(const std::uint8_t* bytes, std::ptrdiff_t count, double* out) {
    std::ptrdiff_t v = 0;
    for (; v + 4 <= count; v += 4) {
        std::int32_t four;
        std::memcpy(&four, bytes + v, sizeof four);
        _mm256_storeu_pd(out + v, _mm256_cvtepi32_pd(_mm_cvtepu8_epi32(_mm_cvtsi32_si128(four))));
    }
    if (v < count) WidenScalar(bytes + v, count - v, out + v);
}

}  // namespace tevpng::detail
