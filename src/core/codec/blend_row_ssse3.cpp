// The row blends in SSSE3: the arithmetic of the AVX2 blends (see Blend8Avx2) on four
// pixels, for processors without AVX2. Byte shuffles and the multiply-add of bytes need
// about half the instructions of the SSE2 blends. Compiled for SSSE3 alone, run only after
// CpuRuns has seen the processor support it; the last few pixels go to the SSE2 blends.
#include "codec/blend_row_x86.h"

namespace tevpng::blend {

namespace {

// Four blended surface pixels d. s: source pixels as dwords (blue, green, red, anything);
// a: the alpha bytes of pixels 0..3 in bytes 0..3.
inline __m128i Blend4Ssse3(__m128i d, __m128i s, __m128i a) {
    const __m128i pairsLo = _mm_setr_epi8(0, 0, 0, 0, 0, 0, -1, -1, 1, 1, 1, 1, 1, 1, -1, -1);
    const __m128i pairsHi = _mm_setr_epi8(2, 2, 2, 2, 2, 2, -1, -1, 3, 3, 3, 3, 3, 3, -1, -1);
    const __m128i complementSecond = _mm_set1_epi16(static_cast<short>(0xFF00));
    const __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));
    const __m128i rebias = _mm_set1_epi16(static_cast<short>(32640 + 255));
    const __m128i sSigned = _mm_xor_si128(s, bias);
    const __m128i dSigned = _mm_xor_si128(d, bias);
    const __m128i wLo = _mm_xor_si128(_mm_shuffle_epi8(a, pairsLo), complementSecond);
    const __m128i wHi = _mm_xor_si128(_mm_shuffle_epi8(a, pairsHi), complementSecond);
    const __m128i sumLo = _mm_add_epi16(_mm_maddubs_epi16(wLo, _mm_unpacklo_epi8(sSigned, dSigned)), rebias);
    const __m128i sumHi = _mm_add_epi16(_mm_maddubs_epi16(wHi, _mm_unpackhi_epi8(sSigned, dSigned)), rebias);
    return _mm_packus_epi16(_mm_srli_epi16(sumLo, 8), _mm_srli_epi16(sumHi, 8));
}

// Eight 3-byte pixels as two vectors of dwords: bytes 0..15 hold pixels 0..3 in 0..11, bytes
// 8..23 pixels 4..7 in 4..15; 24 bytes read, all used.
inline void LoadBgr8Ssse3(const std::uint8_t* bgr, __m128i& s0, __m128i& s1) {
    const __m128i spreadLow = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i spreadHigh = _mm_setr_epi8(4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
    s0 = _mm_shuffle_epi8(Load4(bgr), spreadLow);
    s1 = _mm_shuffle_epi8(Load4(bgr + 8), spreadHigh);
}

// Eight grey bytes as two vectors of the pixels (g, g, g, 0).
inline void LoadGrey8Ssse3(const std::uint8_t* grey, __m128i& s0, __m128i& s1) {
    const __m128i spreadLow = _mm_setr_epi8(0, 0, 0, -1, 1, 1, 1, -1, 2, 2, 2, -1, 3, 3, 3, -1);
    const __m128i spreadHigh = _mm_setr_epi8(4, 4, 4, -1, 5, 5, 5, -1, 6, 6, 6, -1, 7, 7, 7, -1);
    const __m128i bytes = LoadLow64(grey);
    s0 = _mm_shuffle_epi8(bytes, spreadLow);
    s1 = _mm_shuffle_epi8(bytes, spreadHigh);
}

// One step of eight pixels whose source pixels s0, s1 are loaded; the alpha run decides how.
inline void BlendStep8Ssse3(std::uint8_t* out, __m128i s0, __m128i s1, const std::uint8_t* alpha,
                            std::uint64_t run) {
    const __m128i d0 = Load4(out), d1 = Load4(out + 16);
    if (run == kOpaque8) {
        Store4(out, Opaque4Sse2(d0, s0));
        Store4(out + 16, Opaque4Sse2(d1, s1));
        return;
    }
    const __m128i a = LoadLow64(alpha);
    Store4(out, Blend4Ssse3(d0, s0, a));
    Store4(out + 16, Blend4Ssse3(d1, s1, _mm_srli_epi64(a, 32)));
}

void BgrAlphaSsse3(std::uint8_t* surface, const std::uint8_t* bgr, const std::uint8_t* alpha, int width) {
    if (width <= 0) return;  // also keeps width - 8 from overflowing
    int x = 0;
    for (; x <= width - 8; x += 8) {
        const std::uint64_t run = LoadAlpha8(alpha + x);
        if (run == kTransparent8) continue;
        __m128i s0, s1;
        LoadBgr8Ssse3(bgr + 3 * x, s0, s1);
        BlendStep8Ssse3(surface + 4 * x, s0, s1, alpha + x, run);
    }
    BgrAlphaSse2(surface + 4 * x, bgr + 3 * x, alpha + x, width - x);
}

void GreyAlphaSsse3(std::uint8_t* surface, const std::uint8_t* grey, const std::uint8_t* alpha, int width) {
    if (width <= 0) return;  // also keeps width - 8 from overflowing
    int x = 0;
    for (; x <= width - 8; x += 8) {
        const std::uint64_t run = LoadAlpha8(alpha + x);
        if (run == kTransparent8) continue;
        __m128i s0, s1;
        LoadGrey8Ssse3(grey + x, s0, s1);
        BlendStep8Ssse3(surface + 4 * x, s0, s1, alpha + x, run);
    }
    GreyAlphaSse2(surface + 4 * x, grey + x, alpha + x, width - x);
}

void BgraSsse3(std::uint8_t* surface, const std::uint8_t* bgra, int width) {
    const __m128i alphaBytes = _mm_setr_epi8(3, 7, 11, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    int x = 0;
    for (; x <= width - 4; x += 4) {
        const __m128i s = Load4(bgra + 4 * x);
        Store4(surface + 4 * x, Blend4Ssse3(Load4(surface + 4 * x), s, _mm_shuffle_epi8(s, alphaBytes)));
    }
    BgraSse2(surface + 4 * x, bgra + 4 * x, width - x);
}

}  // namespace

const BlendRowKernels kSsse3Kernels{"ssse3", BgrAlphaSsse3, GreyAlphaSsse3, PaletteByStretches<BgraSsse3>};

}  // namespace tevpng::blend
