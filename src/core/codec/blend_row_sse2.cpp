// The row blends in SSE2, the baseline of every x86 build. The 24-bit and grey rows read a
// step's alpha first, as 64-bit runs of eight pixels: a step whose pixels are all
// transparent leaves the surface as it is, one whose pixels are all opaque takes the source
// colours as they are (a = 0 gives d and a = 255 gives s exactly), and only the rest go
// through the arithmetic. Images with alpha are mostly fully transparent or fully opaque,
// with partial alpha only along the edges.
#include "codec/blend_row_x86.h"

namespace tevpng::blend {

namespace {

// SSE2 splits every pixel into 16-bit lanes of its even bytes (blue, red) and of its odd bytes
// (green, fourth), so nothing has to be shuffled back together, and rests on
//
//   s * a + (255 - a) * d + 255  =  (256 * d + 255) + ((s - d) * a - d)
//
// The whole lies in 0..65 280, so it is computed modulo 2^16 with one wrapping 16-bit multiply;
// the result is its high byte. The fourth byte is weighted 0 and so comes out as
// (255 * d + 255) >> 8 = d.

// Four blended surface pixels d. sEven, sOdd: the source as lanes (blue, red) and (green,
// anything); wEven, wOdd: the alpha of each pixel as lanes (a, a) and (a, 0).
inline __m128i Blend4Sse2(__m128i d, __m128i sEven, __m128i sOdd, __m128i wEven, __m128i wOdd) {
    const __m128i low = _mm_set1_epi16(0x00FF);
    const __m128i dEven = _mm_and_si128(d, low);
    const __m128i dOdd = _mm_srli_epi16(d, 8);
    const __m128i termEven = _mm_sub_epi16(_mm_mullo_epi16(_mm_sub_epi16(sEven, dEven), wEven), dEven);
    const __m128i termOdd = _mm_sub_epi16(_mm_mullo_epi16(_mm_sub_epi16(sOdd, dOdd), wOdd), dOdd);
    const __m128i sumEven = _mm_add_epi16(_mm_or_si128(_mm_slli_epi16(d, 8), low), termEven);
    const __m128i sumOdd = _mm_add_epi16(_mm_or_si128(d, low), termOdd);
    return _mm_or_si128(_mm_srli_epi16(sumEven, 8), _mm_andnot_si128(low, sumOdd));
}

// A value zero-extended in each 32 bits, repeated in both 16-bit halves: (v, v).
inline __m128i Doubled(__m128i v32) { return _mm_or_si128(v32, _mm_slli_epi32(v32, 16)); }

// Source pixels as dwords (blue, green, red, anything), alpha as dwords (a, 0, 0, 0).
inline __m128i BlendColour4Sse2(__m128i d, __m128i s, __m128i a32) {
    return Blend4Sse2(d, _mm_and_si128(s, _mm_set1_epi16(0x00FF)), _mm_srli_epi16(s, 8), Doubled(a32), a32);
}

// Grey g is the pixel (g, g, g): lanes (g, g) and (g, anything).
inline __m128i BlendGrey4Sse2(__m128i d, __m128i g32, __m128i a32) {
    return Blend4Sse2(d, Doubled(g32), g32, Doubled(a32), a32);
}

// Grey zero-extended in each dword as the pixel (g, g, g, 0).
inline __m128i GreyPixels4(__m128i g32) { return _mm_or_si128(Doubled(g32), _mm_slli_epi32(g32, 8)); }

// Four 3-byte pixels as dwords (the fourth byte is left over and never used). Reads exactly the
// 12 bytes.
inline __m128i LoadBgr4(const std::uint8_t* bgr) {
    const __m128i first = LoadLow64(bgr);       // bytes 0..7: pixels 0, 1
    const __m128i second = LoadLow64(bgr + 4);  // bytes 4..11: pixels 2, 3 at its bytes 2 and 5
    const __m128i lowDword = _mm_set_epi32(0, 0, 0, -1);
    const __m128i p01 =
        _mm_or_si128(_mm_and_si128(first, lowDword), _mm_andnot_si128(lowDword, _mm_slli_epi64(first, 8)));
    const __m128i p23 = _mm_or_si128(_mm_and_si128(_mm_srli_epi64(second, 16), lowDword),
                                     _mm_andnot_si128(lowDword, _mm_srli_epi64(second, 8)));
    return _mm_unpacklo_epi64(p01, p23);
}

}  // namespace

void BgrAlphaSse2(std::uint8_t* surface, const std::uint8_t* bgr, const std::uint8_t* alpha, int width) {
    if (width <= 0) return;  // also keeps width - 16 from overflowing
    const __m128i zero = _mm_setzero_si128();
    int x = 0;
    for (; x <= width - 8; x += 8) {
        const std::uint64_t run = LoadAlpha8(alpha + x);
        if (run == kTransparent8) continue;
        std::uint8_t* out = surface + 4 * x;
        const __m128i d0 = Load4(out), d1 = Load4(out + 16);
        const __m128i s0 = LoadBgr4(bgr + 3 * x), s1 = LoadBgr4(bgr + 3 * x + 12);
        if (run == kOpaque8) {
            Store4(out, Opaque4Sse2(d0, s0));
            Store4(out + 16, Opaque4Sse2(d1, s1));
            continue;
        }
        const __m128i a16 = _mm_unpacklo_epi8(LoadLow64(alpha + x), zero);
        Store4(out, BlendColour4Sse2(d0, s0, _mm_unpacklo_epi16(a16, zero)));
        Store4(out + 16, BlendColour4Sse2(d1, s1, _mm_unpackhi_epi16(a16, zero)));
    }
    if (x <= width - 4) {
        std::uint8_t* out = surface + 4 * x;
        const __m128i a16 = _mm_unpacklo_epi8(LoadLow32(alpha + x), zero);
        Store4(out, BlendColour4Sse2(Load4(out), LoadBgr4(bgr + 3 * x), _mm_unpacklo_epi16(a16, zero)));
        x += 4;
    }
    BgrAlphaReference(surface + 4 * x, bgr + 3 * x, alpha + x, width - x);
}

void GreyAlphaSse2(std::uint8_t* surface, const std::uint8_t* grey, const std::uint8_t* alpha, int width) {
    if (width <= 0) return;  // also keeps width - 16 from overflowing
    const __m128i zero = _mm_setzero_si128();
    int x = 0;
    for (; x <= width - 8; x += 8) {
        const std::uint64_t run = LoadAlpha8(alpha + x);
        if (run == kTransparent8) continue;
        std::uint8_t* out = surface + 4 * x;
        const __m128i d0 = Load4(out), d1 = Load4(out + 16);
        const __m128i g16 = _mm_unpacklo_epi8(LoadLow64(grey + x), zero);
        const __m128i g0 = _mm_unpacklo_epi16(g16, zero), g1 = _mm_unpackhi_epi16(g16, zero);
        if (run == kOpaque8) {
            Store4(out, Opaque4Sse2(d0, GreyPixels4(g0)));
            Store4(out + 16, Opaque4Sse2(d1, GreyPixels4(g1)));
            continue;
        }
        const __m128i a16 = _mm_unpacklo_epi8(LoadLow64(alpha + x), zero);
        Store4(out, BlendGrey4Sse2(d0, g0, _mm_unpacklo_epi16(a16, zero)));
        Store4(out + 16, BlendGrey4Sse2(d1, g1, _mm_unpackhi_epi16(a16, zero)));
    }
    if (x <= width - 4) {
        std::uint8_t* out = surface + 4 * x;
        const __m128i g16 = _mm_unpacklo_epi8(LoadLow32(grey + x), zero);
        const __m128i a16 = _mm_unpacklo_epi8(LoadLow32(alpha + x), zero);
        Store4(out, BlendGrey4Sse2(Load4(out), _mm_unpacklo_epi16(g16, zero), _mm_unpacklo_epi16(a16, zero)));
        x += 4;
    }
    GreyAlphaReference(surface + 4 * x, grey + x, alpha + x, width - x);
}

void BgraSse2(std::uint8_t* surface, const std::uint8_t* bgra, int width) {
    int x = 0;
    for (; x <= width - 4; x += 4) {
        const __m128i s = Load4(bgra + 4 * x);
        Store4(surface + 4 * x, BlendColour4Sse2(Load4(surface + 4 * x), s, _mm_srli_epi32(s, 24)));
    }
    BgraReference(surface + 4 * x, bgra + 4 * x, width - x);
}

const BlendRowKernels kSse2Kernels{"sse2", BgrAlphaSse2, GreyAlphaSse2, PaletteByStretches<BgraSse2>};

}  // namespace tevpng::blend
