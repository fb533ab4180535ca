// The vector kernels. Each keeps eight accumulator vectors in flight (one block) so
// that the conversion latency of one accumulation step hides behind the others.

#if defined(__GNUC__) && !defined(__clang__)
// GCC 12's AVX-512 intrinsics start from deliberately undefined vectors, which its
// own -Wmaybe-uninitialized then reports inside the system header.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

#include <immintrin.h>

#include <cstring>

#include "scale/weighted_sum.h"

namespace tevpng::detail {
namespace {

inline std::int32_t Load32(const std::uint8_t* p) {
    std::int32_t v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

// ---- SSE2: four values per vector, 32 per block ----

// acc + wide x w for four values, each rounded as Accumulate rounds it.
inline __m128 StepSse2(__m128 acc, __m128i wide, __m128d w) {
    const __m128d lo = _mm_add_pd(_mm_cvtps_pd(acc), _mm_mul_pd(_mm_cvtepi32_pd(wide), w));
    const __m128d hi = _mm_add_pd(_mm_cvtps_pd(_mm_movehl_ps(acc, acc)),
                                  _mm_mul_pd(_mm_cvtepi32_pd(_mm_shuffle_epi32(wide, 0xEE)), w));
    return _mm_movelh_ps(_mm_cvtpd_ps(lo), _mm_cvtpd_ps(hi));
}

// Clamps to 0..255 (max puts NaN to 0, its second operand) and rounds to nearest even.
inline __m128i ToInt32Sse2(__m128 acc) {
    const __m128 clamped = _mm_min_ps(_mm_max_ps(acc, _mm_setzero_ps()), _mm_set1_ps(255.0f));
    return _mm_cvtps_epi32(clamped);
}

inline __m128i ToBytesSse2(__m128 a, __m128 b, __m128 c, __m128 d) {
    const __m128i ab = _mm_packs_epi32(ToInt32Sse2(a), ToInt32Sse2(b));
    const __m128i cd = _mm_packs_epi32(ToInt32Sse2(c), ToInt32Sse2(d));
    return _mm_packus_epi16(ab, cd);
}

// Sixteen bytes widened to four vectors of 32-bit integers.
inline void WidenSse2(const std::uint8_t* p, __m128i wide[4]) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i lo = _mm_unpacklo_epi8(bytes, zero), hi = _mm_unpackhi_epi8(bytes, zero);
    wide[0] = _mm_unpacklo_epi16(lo, zero);
    wide[1] = _mm_unpackhi_epi16(lo, zero);
    wide[2] = _mm_unpacklo_epi16(hi, zero);
    wide[3] = _mm_unpackhi_epi16(hi, zero);
}

}  // namespace

void WeightedSumSse2(const Contributor* list, std::int32_t length, const std::uint8_t* source,
                     std::ptrdiff_t step, std::ptrdiff_t valueCount, std::uint8_t* out) {
    std::ptrdiff_t v = 0;
    for (; v + 32 <= valueCount; v += 32) {
        __m128 acc[8];
        #pragma GCC unroll 8
        for (__m128& a : acc) a = _mm_setzero_ps();
        for (std::int32_t k = 0; k < length; ++k) {
            const __m128d w = _mm_set1_pd(list[k].weight);
            const std::uint8_t* p = source + list[k].index * step + v;
            __m128i wide[8];
            WidenSse2(p, wide);
            WidenSse2(p + 16, wide + 4);
            #pragma GCC unroll 8
            for (int q = 0; q < 8; ++q) acc[q] = StepSse2(acc[q], wide[q], w);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + v), ToBytesSse2(acc[0], acc[1], acc[2], acc[3]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + v + 16), ToBytesSse2(acc[4], acc[5], acc[6], acc[7]));
    }
    if (v < valueCount) WeightedSumScalar(list, length, source + v, step, valueCount - v, out + v);
}

#if TEVPNG_WIDE_KERNELS

#define TEVPNG_AVX2 __attribute__((target("avx2")))
#define TEVPNG_AVX512 __attribute__((target("avx2,avx512f,avx512vl")))
#define TEVPNG_AVX512_FMA __attribute__((target("avx2,fma,avx512f,avx512vl")))

namespace {

// ---- AVX2: four values per vector (in double: one 256-bit register), 32 per block ----

TEVPNG_AVX2 inline __m128 StepAvx2(__m128 acc, const std::uint8_t* p, __m256d w) {
    const __m128i wide = _mm_cvtepu8_epi32(_mm_cvtsi32_si128(Load32(p)));
    return _mm256_cvtpd_ps(_mm256_add_pd(_mm256_cvtps_pd(acc), _mm256_mul_pd(_mm256_cvtepi32_pd(wide), w)));
}

// ---- AVX-512: eight values per vector (in double: one 512-bit register), 64 per block ----

TEVPNG_AVX512 inline __m256 StepAvx512(__m256 acc, const std::uint8_t* p, __m512d w) {
    const __m256i wide = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
    return _mm512_cvtpd_ps(_mm512_add_pd(_mm512_cvtps_pd(acc), _mm512_mul_pd(_mm512_cvtepi32_pd(wide), w)));
}

TEVPNG_AVX512 inline void StoreBytesAvx512(__m256 acc, std::uint8_t* out) {
    const __m256 clamped = _mm256_min_ps(_mm256_max_ps(acc, _mm256_setzero_ps()), _mm256_set1_ps(255.0f));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm256_cvtepi32_epi8(_mm256_cvtps_epi32(clamped)));
}

// ---- accumulators kept in double, rounded to float precision without conversions ----
//
// For a double s whose magnitude lies in the normal float range, with e its binary
// exponent and c = 1.5 x 2^(e + 29), (s + c) - c is s rounded to 24 significant bits,
// to nearest with ties to even: the sum lies in [2^(e+29), 2^(e+30)), where a double's
// last place is worth 2^(e-23), a float's last place at exponent e. c itself is an
// even multiple of that, so ties go to even as a float conversion sends them.
// And value x weight has at most 32 significant bits, so a fused multiply-add rounds
// acc + value x weight exactly as the separate product and sum do.
//
// Every sum stays in the normal float range when each weight lies in [2^-100, 2^64]
// in magnitude and a list is short: all values are then multiples of 2^-123 (a
// weight's last place), so none is a float subnormal, and none comes near overflow.
// Lists outside that (only an unusual filter makes them) take the converting kernel.

bool FitsDoubleAccumulators(const Contributor* list, std::int32_t length) {
    if (length > (1 << 16)) return false;
    for (std::int32_t k = 0; k < length; ++k) {
        const float magnitude = list[k].weight < 0.0f ? -list[k].weight : list[k].weight;
        if (!(magnitude >= 0x1p-100f && magnitude <= 0x1p64f)) return false;
    }
    return true;
}

TEVPNG_AVX512_FMA inline __m512d RoundToFloatAvx512(__m512d s) {
    const __m512d power = _mm512_castsi512_pd(
        _mm512_and_si512(_mm512_castpd_si512(s), _mm512_set1_epi64(0x7FF0000000000000)));
    const __m512d c = _mm512_mul_pd(power, _mm512_set1_pd(0x1.8p29));
    return _mm512_sub_pd(_mm512_add_pd(s, c), c);
}

TEVPNG_AVX512_FMA inline __m512d StepAvx512Fma(__m512d acc, const std::uint8_t* p, __m512d w) {
    const __m256i wide = _mm256_cvtepu8_epi32(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)));
    return RoundToFloatAvx512(_mm512_fmadd_pd(_mm512_cvtepi32_pd(wide), w, acc));
}

TEVPNG_AVX512_FMA inline void StoreBytesAvx512(__m512d acc, std::uint8_t* out) {
    const __m512d clamped = _mm512_min_pd(_mm512_max_pd(acc, _mm512_setzero_pd()), _mm512_set1_pd(255.0));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm256_cvtepi32_epi8(_mm512_cvtpd_epi32(clamped)));
}

}  // namespace

void WeightedSumAvx512(const Contributor*, std::int32_t, const std::uint8_t*, std::ptrdiff_t, std::ptrdiff_t,
                       std::uint8_t*);

TEVPNG_AVX512_FMA void WeightedSumAvx512Fma(const Contributor* list, std::int32_t length, const std::uint8_t* source,
                                     std::ptrdiff_t step, std::ptrdiff_t valueCount, std::uint8_t* out) {
    if (!FitsDoubleAccumulators(list, length)) {
        WeightedSumAvx512(list, length, source, step, valueCount, out);
        return;
    }
    std::ptrdiff_t v = 0;
    for (; v + 64 <= valueCount; v += 64) {
        __m512d acc[8];
        #pragma GCC unroll 8
        for (__m512d& a : acc) a = _mm512_setzero_pd();
        for (std::int32_t k = 0; k < length; ++k) {
            const __m512d w = _mm512_set1_pd(list[k].weight);
            const std::uint8_t* p = source + list[k].index * step + v;
            #pragma GCC unroll 8
            for (int q = 0; q < 8; ++q) acc[q] = StepAvx512Fma(acc[q], p + 8 * q, w);
        }
        #pragma GCC unroll 8
        for (int q = 0; q < 8; ++q) StoreBytesAvx512(acc[q], out + v + 8 * q);
    }
    for (; v + 8 <= valueCount; v += 8) {
        __m512d acc = _mm512_setzero_pd();
        for (std::int32_t k = 0; k < length; ++k) {
            acc = StepAvx512Fma(acc, source + list[k].index * step + v, _mm512_set1_pd(list[k].weight));
        }
        StoreBytesAvx512(acc, out + v);
    }
    if (v < valueCount) WeightedSumScalar(list, length, source + v, step, valueCount - v, out + v);
}

TEVPNG_AVX2 void WeightedSumAvx2(const Contributor* list, std::int32_t length, const std::uint8_t* source,
                                 std::ptrdiff_t step, std::ptrdiff_t valueCount, std::uint8_t* out) {
    std::ptrdiff_t v = 0;
    for (; v + 32 <= valueCount; v += 32) {
        __m128 acc[8];
        #pragma GCC unroll 8
        for (__m128& a : acc) a = _mm_setzero_ps();
        for (std::int32_t k = 0; k < length; ++k) {
            const __m256d w = _mm256_set1_pd(list[k].weight);
            const std::uint8_t* p = source + list[k].index * step + v;
            #pragma GCC unroll 8
            for (int q = 0; q < 8; ++q) acc[q] = StepAvx2(acc[q], p + 4 * q, w);
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + v), ToBytesSse2(acc[0], acc[1], acc[2], acc[3]));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + v + 16), ToBytesSse2(acc[4], acc[5], acc[6], acc[7]));
    }
    if (v < valueCount) WeightedSumScalar(list, length, source + v, step, valueCount - v, out + v);
}

TEVPNG_AVX512 void WeightedSumAvx512(const Contributor* list, std::int32_t length, const std::uint8_t* source,
                                     std::ptrdiff_t step, std::ptrdiff_t valueCount, std::uint8_t* out) {
    std::ptrdiff_t v = 0;
    for (; v + 64 <= valueCount; v += 64) {
        __m256 acc[8];
        #pragma GCC unroll 8
        for (__m256& a : acc) a = _mm256_setzero_ps();
        for (std::int32_t k = 0; k < length; ++k) {
            const __m512d w = _mm512_set1_pd(list[k].weight);
            const std::uint8_t* p = source + list[k].index * step + v;
            #pragma GCC unroll 8
            for (int q = 0; q < 8; ++q) acc[q] = StepAvx512(acc[q], p + 8 * q, w);
        }
        #pragma GCC unroll 8
        for (int q = 0; q < 8; ++q) StoreBytesAvx512(acc[q], out + v + 8 * q);
    }
    for (; v + 8 <= valueCount; v += 8) {
        __m256 acc = _mm256_setzero_ps();
        for (std::int32_t k = 0; k < length; ++k) {
            acc = StepAvx512(acc, source + list[k].index * step + v, _mm512_set1_pd(list[k].weight));
        }
        StoreBytesAvx512(acc, out + v);
    }
    if (v < valueCount) WeightedSumScalar(list, length, source + v, step, valueCount - v, out + v);
}

#endif  // TEVPNG_WIDE_KERNELS

}  // namespace tevpng::detail
