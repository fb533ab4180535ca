// The AVX-512 kernels: eight values per vector. Compiled with -mavx512f -mavx512vl
// (and AVX2, FMA); run only on processors that have AVX-512 F and VL.

#if defined(__GNUC__) && !defined(__clang__)
// GCC 12's AVX-512 intrinsics start from deliberately undefined vectors, which its
// own -Wuninitialized and -Wmaybe-uninitialized then report inside the system header.
#pragma GCC diagnostic ignored "-Wuninitialized"
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <immintrin.h>

#include "scale/weighted_sum_simd.h"
#include "scale/weighted_sum_x86.h"

namespace tevpng::detail {
namespace {

// The product of a byte and a float weight is exact in double, so one fused
// multiply-add rounds acc + value x weight exactly as the separate product and sum do.
struct Avx512Converting {
    using Vector = __m512d;
    static constexpr int Lanes = 8;

    static Vector Zero() { return _mm512_setzero_pd(); }
    static Vector Broadcast(double weight) { return _mm512_set1_pd(weight); }
    static Vector Step(Vector accumulator, const double* values, Vector weight) {
        return _mm512_cvtps_pd(
            _mm512_cvtpd_ps(_mm512_fmadd_pd(_mm512_loadu_pd(values), weight, accumulator)));
    }
    static void StoreBytes(Vector accumulator, std::uint8_t* out) {
        const __m256i clamped = _mm256_max_epi32(ToInt32(accumulator), _mm256_setzero_si256());
        _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm256_cvtepi32_epi8(clamped));
    }
    // The packs work within 128-bit lanes; the last permutation puts the lanes in order.
    static void StoreBytes4(const Vector* accumulators, std::uint8_t* out) {
        const __m256i low = _mm256_packs_epi32(ToInt32(accumulators[0]), ToInt32(accumulators[1]));
        const __m256i high = _mm256_packs_epi32(ToInt32(accumulators[2]), ToInt32(accumulators[3]));
        const __m256i bytes = _mm256_packus_epi16(low, high);
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out),
                            _mm256_permutevar8x32_epi32(bytes, _mm256_setr_epi32(0, 4, 1, 5, 2, 6, 3, 7)));
    }

private:
    // See ByteConversion in weighted_sum_simd.h.
    static __m256i ToInt32(Vector accumulator) {
        return _mm512_cvtpd_epi32(_mm512_min_pd(_mm512_set1_pd(255.0), accumulator));
    }
};

// For lists whose sums stay in the normal float range (FitsDoubleAccumulators):
// rounded by the split instead.
struct Avx512 : Avx512Converting {
    static Vector Step(Vector accumulator, const double* values, Vector weight) {
        const __m512d sum = _mm512_fmadd_pd(_mm512_loadu_pd(values), weight, accumulator);
        const __m512d scaled = _mm512_mul_pd(sum, _mm512_set1_pd(SplitFactor));
        return _mm512_sub_pd(scaled, _mm512_sub_pd(scaled, sum));
    }
};

// 96 values, then 48; with 8 registers, 40 and then 24.
constexpr int Avx512Block = WideRegisterFile ? 12 : 5;
constexpr int Avx512SmallBlock = WideRegisterFile ? 6 : 3;

}  // namespace

void WeightedSumAvx512(const Term* terms, std::int32_t length, std::ptrdiff_t count, std::uint8_t* out) {
    if (FitsDoubleAccumulators(terms, length)) {
        WeightedSumBlocks<Avx512, Avx512Block, Avx512SmallBlock>(terms, length, count, out);
    } else {
        WeightedSumBlocks<Avx512Converting, Avx512Block, Avx512SmallBlock>(terms, length, count, out);
    }
}

void WidenAvx512(const std::uint8_t* bytes, std::ptrdiff_t count, double* out) {
    std::ptrdiff_t v = 0;
    for (; v + 8 <= count; v += 8) {
        const __m128i eight = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(bytes + v));
        _mm512_storeu_pd(out + v, _mm512_cvtepi32_pd(_mm256_cvtepu8_epi32(eight)));
    }
    if (v < count) WidenScalar(bytes + v, count - v, out + v);
}

}  // namespace tevpng::detail
