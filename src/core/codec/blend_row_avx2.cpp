// The row blends in AVX2: eight pixels a blend, two blends a step for the 24-bit and grey
// rows. Compiled for AVX2 alone, run only after CpuRuns has seen the processor and its
// operating system support it; the last few pixels go to the SSE2 blends.
#include "codec/blend_row_x86.h"

namespace tevpng::blend {

namespace {

// Eight blended surface pixels d. AVX2 forms the sum with one multiply-add of unsigned weights
// and signed bytes: moving s and d down by 128 makes them signed bytes, and
//
//   a * (s - 128) + (255 - a) * (d - 128)  =  s * a + (255 - a) * d - 32 640
//
// lies in -32 640..32 385, so the pairwise sum never saturates; adding 32 640 + 255 back gives
// the sum (modulo 2^16, in which it fits), and the result is its high byte. The fourth byte gets
// the weights (0, 255) and so comes out as d.
// s: source pixels as dwords (blue, green, red, anything); a: the alpha bytes of pixels 0..3 in
// bytes 0..3 of the low half and of pixels 4..7 in bytes 4..7 of the high half (LoadBytes8 puts
// all eight in both).
inline __m256i Blend8Avx2(__m256i d, __m256i s, __m256i a) {
    // Weight pairs (a, a) for the colour bytes and (0, 0) for the fourth, in the pixel order of
    // unpacklo and unpackhi: pixels 0, 1 | 4, 5 and 2, 3 | 6, 7. The second of each pair then
    // becomes 255 - a.
    const __m256i pairsLo = _mm256_setr_epi8(0, 0, 0, 0, 0, 0, -1, -1, 1, 1, 1, 1, 1, 1, -1, -1,  //
                                             4, 4, 4, 4, 4, 4, -1, -1, 5, 5, 5, 5, 5, 5, -1, -1);
    const __m256i pairsHi = _mm256_setr_epi8(2, 2, 2, 2, 2, 2, -1, -1, 3, 3, 3, 3, 3, 3, -1, -1,  //
                                             6, 6, 6, 6, 6, 6, -1, -1, 7, 7, 7, 7, 7, 7, -1, -1);
    const __m256i complementSecond = _mm256_set1_epi16(static_cast<short>(0xFF00));
    const __m256i bias = _mm256_set1_epi8(static_cast<char>(0x80));
    const __m256i rebias = _mm256_set1_epi16(static_cast<short>(32640 + 255));  // 0x807F as 16 bits
    const __m256i sSigned = _mm256_xor_si256(s, bias);
    const __m256i dSigned = _mm256_xor_si256(d, bias);
    const __m256i wLo = _mm256_xor_si256(_mm256_shuffle_epi8(a, pairsLo), complementSecond);
    const __m256i wHi = _mm256_xor_si256(_mm256_shuffle_epi8(a, pairsHi), complementSecond);
    const __m256i sumLo =
        _mm256_add_epi16(_mm256_maddubs_epi16(wLo, _mm256_unpacklo_epi8(sSigned, dSigned)), rebias);
    const __m256i sumHi =
        _mm256_add_epi16(_mm256_maddubs_epi16(wHi, _mm256_unpackhi_epi8(sSigned, dSigned)), rebias);
    return _mm256_packus_epi16(_mm256_srli_epi16(sumLo, 8), _mm256_srli_epi16(sumHi, 8));
}

inline __m256i Opaque8Avx2(__m256i d, __m256i s) {
    return _mm256_blendv_epi8(s, d, _mm256_set1_epi32(static_cast<int>(0xFF000000u)));
}

inline __m256i Load8(const std::uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
inline void Store8(std::uint8_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }

// Eight bytes in the low 64 bits of both halves.
inline __m256i LoadBytes8(const std::uint8_t* p) { return _mm256_broadcastq_epi64(LoadLow64(p)); }

// Eight 3-byte pixels as dwords. The low half takes source bytes 0..15 (pixels 0..3 in its bytes
// 0..11), the high half bytes 8..23 (pixels 4..7 in its bytes 4..15): 24 bytes read, all used.
inline __m256i LoadBgr8(const std::uint8_t* bgr) {
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                            4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
    const __m256i bytes = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 8)), 1);
    return _mm256_shuffle_epi8(bytes, spread);
}

// Eight grey bytes as the pixels (g, g, g, 0).
inline __m256i LoadGrey8(const std::uint8_t* grey) {
    const __m256i spread = _mm256_setr_epi8(0, 0, 0, -1, 1, 1, 1, -1, 2, 2, 2, -1, 3, 3, 3, -1,  //
                                            4, 4, 4, -1, 5, 5, 5, -1, 6, 6, 6, -1, 7, 7, 7, -1);
    return _mm256_shuffle_epi8(LoadBytes8(grey), spread);
}

// One step of sixteen pixels whose source pixels s0, s1 are loaded; the alpha runs decide how.
inline void BlendStep16Avx2(std::uint8_t* out, __m256i d0, __m256i d1, __m256i s0, __m256i s1,
                            const std::uint8_t* alpha, bool opaque) {
    if (opaque) {
        Store8(out, Opaque8Avx2(d0, s0));
        Store8(out + 32, Opaque8Avx2(d1, s1));
    } else {
        const __m256i a0 = LoadBytes8(alpha), a1 = LoadBytes8(alpha + 8);
        Store8(out, Blend8Avx2(d0, s0, a0));
        Store8(out + 32, Blend8Avx2(d1, s1, a1));
    }
}

void BgrAlphaAvx2(std::uint8_t* surface, const std::uint8_t* bgr, const std::uint8_t* alpha, int width) {
    if (width <= 0) return;  // also keeps width - 16 from overflowing
    int x = 0;
    for (; x <= width - 16; x += 16) {
        const std::uint64_t run0 = LoadAlpha8(alpha + x), run1 = LoadAlpha8(alpha + x + 8);
        if ((run0 | run1) == kTransparent8) continue;
        std::uint8_t* out = surface + 4 * x;
        const __m256i d0 = Load8(out), d1 = Load8(out + 32);
        const __m256i s0 = LoadBgr8(bgr + 3 * x), s1 = LoadBgr8(bgr + 3 * x + 24);
        BlendStep16Avx2(out, d0, d1, s0, s1, alpha + x, (run0 & run1) == kOpaque8);
    }
    BgrAlphaSse2(surface + 4 * x, bgr + 3 * x, alpha + x, width - x);
}

void GreyAlphaAvx2(std::uint8_t* surface, const std::uint8_t* grey, const std::uint8_t* alpha, int width) {
    if (width <= 0) return;  // also keeps width - 16 from overflowing
    int x = 0;
    for (; x <= width - 16; x += 16) {
        const std::uint64_t run0 = LoadAlpha8(alpha + x), run1 = LoadAlpha8(alpha + x + 8);
        if ((run0 | run1) == kTransparent8) continue;
        std::uint8_t* out = surface + 4 * x;
        const __m256i d0 = Load8(out), d1 = Load8(out + 32);
        const __m256i s0 = LoadGrey8(grey + x), s1 = LoadGrey8(grey + x + 8);
        BlendStep16Avx2(out, d0, d1, s0, s1, alpha + x, (run0 & run1) == kOpaque8);
    }
    GreyAlphaSse2(surface + 4 * x, grey + x, alpha + x, width - x);
}

void BgraAvx2(std::uint8_t* surface, const std::uint8_t* bgra, int width) {
    // The alpha bytes where Blend8Avx2 looks for them: pixels 0..3 in bytes 0..3 of the low
    // half, pixels 4..7 in bytes 4..7 of the high half.
    const __m256i alphaBytes =
        _mm256_setr_epi8(3, 7, 11, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,  //
                         -1, -1, -1, -1, 3, 7, 11, 15, -1, -1, -1, -1, -1, -1, -1, -1);
    int x = 0;
    for (; x <= width - 8; x += 8) {
        const __m256i s = Load8(bgra + 4 * x);
        Store8(surface + 4 * x, Blend8Avx2(Load8(surface + 4 * x), s, _mm256_shuffle_epi8(s, alphaBytes)));
    }
    BgraSse2(surface + 4 * x, bgra + 4 * x, width - x);
}

}  // namespace

const BlendRowKernels kAvx2Kernels{"avx2", BgrAlphaAvx2, GreyAlphaAvx2, PaletteByStretches<BgraAvx2>};

}  // namespace tevpng::blend
