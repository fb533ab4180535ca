#include "codec/blend_row.h"

#include <algorithm>
#include <cstring>

#if defined(__i386__) || defined(__x86_64__)
#define TEVPNG_BLEND_X86 1
#include <immintrin.h>
#endif

#include "codec/png_format.h"

namespace tevpng {

namespace {

// ---------------------------------------------------------------------------------------------
// Reference: one channel at a time, exactly as the blend is defined.

inline std::uint8_t BlendChannel(unsigned s, unsigned d, unsigned a) {
    // Largest value 255 * 255 + 255 = 65 280, so 32 bits never overflow.
    return static_cast<std::uint8_t>((s * a + (255 - a) * d + 255) >> 8);
}

inline void BlendPixel(std::uint8_t* pixel, unsigned blue, unsigned green, unsigned red, unsigned a) {
    pixel[2] = BlendChannel(red, pixel[2], a);
    pixel[1] = BlendChannel(green, pixel[1], a);
    pixel[0] = BlendChannel(blue, pixel[0], a);
}

void BgrAlphaReference(std::uint8_t* surface, const std::uint8_t* bgr, const std::uint8_t* alpha, int width) {
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* s = bgr + 3 * x;
        BlendPixel(surface + 4 * x, s[0], s[1], s[2], alpha[x]);
    }
}

void GreyAlphaReference(std::uint8_t* surface, const std::uint8_t* grey, const std::uint8_t* alpha,
                        int width) {
    for (int x = 0; x < width; ++x) BlendPixel(surface + 4 * x, grey[x], grey[x], grey[x], alpha[x]);
}

// Source pixels already in blue, green, red, alpha order (palette colours looked up).
void BgraReference(std::uint8_t* surface, const std::uint8_t* bgra, int width) {
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* s = bgra + 4 * x;
        BlendPixel(surface + 4 * x, s[0], s[1], s[2], s[3]);
    }
}

bool IsPaletteDepth(int bitsPerPixel) { return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8; }

void PaletteReference(std::uint8_t* surface, const std::uint8_t* indices, int bitsPerPixel,
                      const BlendPalette& palette, int width) {
    if (!IsPaletteDepth(bitsPerPixel)) return;
    for (int x = 0; x < width; ++x) {
        const std::uint8_t* entry =
            palette.bgra[PackedIndex(indices, bitsPerPixel, static_cast<std::size_t>(x))];
        BlendPixel(surface + 4 * x, entry[0], entry[1], entry[2], entry[3]);
    }
}

// The fast palette blends look the colours of a stretch of pixels up into a small buffer and
// blend that buffer as ready-made blue, green, red, alpha pixels.
constexpr int kPaletteStretch = 256;

template <int BitsPerPixel>
void LookUpPaletteStretch(std::uint8_t* bgra, const std::uint8_t* indices, const BlendPalette& palette,
                          int first, int count) {
    for (int i = 0; i < count; ++i) {
        const unsigned index = PackedIndex(indices, BitsPerPixel, static_cast<std::size_t>(first + i));
        std::memcpy(bgra + 4 * i, palette.bgra[index], 4);
    }
}

void LookUpPaletteStretch(std::uint8_t* bgra, const std::uint8_t* indices, int bitsPerPixel,
                          const BlendPalette& palette, int first, int count) {
    switch (bitsPerPixel) {
        case 1:
            return LookUpPaletteStretch<1>(bgra, indices, palette, first, count);
        case 4:
            return LookUpPaletteStretch<4>(bgra, indices, palette, first, count);
        default:
            return LookUpPaletteStretch<8>(bgra, indices, palette, first, count);
    }
}

template <void (*BlendBgra)(std::uint8_t*, const std::uint8_t*, int)>
void PaletteByStretches(std::uint8_t* surface, const std::uint8_t* indices, int bitsPerPixel,
                        const BlendPalette& palette, int width) {
    if (!IsPaletteDepth(bitsPerPixel)) return;
    std::uint8_t stretch[kPaletteStretch * 4];
    for (int first = 0; first < width; first += kPaletteStretch) {
        const int count = std::min(kPaletteStretch, width - first);
        LookUpPaletteStretch(stretch, indices, bitsPerPixel, palette, first, count);
        BlendBgra(surface + 4 * first, stretch, count);
    }
}

// ---------------------------------------------------------------------------------------------
// Vector blends. The 24-bit and grey rows read a step's alpha first, as 64-bit runs of eight
// pixels: a step whose pixels are all transparent leaves the surface as it is, one whose pixels
// are all opaque takes the source colours as they are (a = 0 gives d and a = 255 gives s
// exactly), and only the rest go through the arithmetic. Images with alpha are mostly fully
// transparent or fully opaque, with partial alpha only along the edges.

#if defined(TEVPNG_BLEND_X86) && defined(__SSE2__)

constexpr std::uint64_t kTransparent8 = 0;
constexpr std::uint64_t kOpaque8 = ~std::uint64_t{0};

inline std::uint64_t LoadAlpha8(const std::uint8_t* alpha) {
    std::uint64_t run;
    std::memcpy(&run, alpha, 8);
    return run;
}

inline __m128i LoadLow32(const std::uint8_t* p) {
    std::uint32_t v;
    std::memcpy(&v, p, 4);
    return _mm_cvtsi32_si128(static_cast<int>(v));
}

inline __m128i LoadLow64(const std::uint8_t* p) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(p));
}
inline __m128i Load4(const std::uint8_t* p) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p)); }
inline void Store4(std::uint8_t* p, __m128i v) { _mm_storeu_si128(reinterpret_cast<__m128i*>(p), v); }

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

// The source colours with the surface's fourth bytes: the blend of opaque pixels.
inline __m128i Opaque4Sse2(__m128i d, __m128i s) {
    const __m128i fourth = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    return _mm_or_si128(_mm_and_si128(d, fourth), _mm_andnot_si128(fourth, s));
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

#define TEVPNG_HAVE_SSE2_KERNELS 1
#endif

// ---------------------------------------------------------------------------------------------
// SSSE3: the arithmetic of the AVX2 blends below (see Blend8Avx2) on four pixels, for processors
// without AVX2. Byte shuffles and the multiply-add of bytes need about half the instructions of
// the SSE2 blends. Only these functions are compiled for SSSE3; they run only after the CPU
// check, and hand their last few pixels to the SSE2 blends.

#if defined(TEVPNG_HAVE_SSE2_KERNELS)

#define TEVPNG_SSSE3 __attribute__((target("ssse3")))

// Four blended surface pixels d. s: source pixels as dwords (blue, green, red, anything);
// a: the alpha bytes of pixels 0..3 in bytes 0..3.
TEVPNG_SSSE3 inline __m128i Blend4Ssse3(__m128i d, __m128i s, __m128i a) {
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
TEVPNG_SSSE3 inline void LoadBgr8Ssse3(const std::uint8_t* bgr, __m128i& s0, __m128i& s1) {
    const __m128i spreadLow = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i spreadHigh = _mm_setr_epi8(4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
    s0 = _mm_shuffle_epi8(Load4(bgr), spreadLow);
    s1 = _mm_shuffle_epi8(Load4(bgr + 8), spreadHigh);
}

// Eight grey bytes as two vectors of the pixels (g, g, g, 0).
TEVPNG_SSSE3 inline void LoadGrey8Ssse3(const std::uint8_t* grey, __m128i& s0, __m128i& s1) {
    const __m128i spreadLow = _mm_setr_epi8(0, 0, 0, -1, 1, 1, 1, -1, 2, 2, 2, -1, 3, 3, 3, -1);
    const __m128i spreadHigh = _mm_setr_epi8(4, 4, 4, -1, 5, 5, 5, -1, 6, 6, 6, -1, 7, 7, 7, -1);
    const __m128i bytes = LoadLow64(grey);
    s0 = _mm_shuffle_epi8(bytes, spreadLow);
    s1 = _mm_shuffle_epi8(bytes, spreadHigh);
}

// One step of eight pixels whose source pixels s0, s1 are loaded; the alpha run decides how.
TEVPNG_SSSE3 inline void BlendStep8Ssse3(std::uint8_t* out, __m128i s0, __m128i s1, const std::uint8_t* alpha,
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

TEVPNG_SSSE3 void BgrAlphaSsse3(std::uint8_t* surface, const std::uint8_t* bgr, const std::uint8_t* alpha,
                                int width) {
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

TEVPNG_SSSE3 void GreyAlphaSsse3(std::uint8_t* surface, const std::uint8_t* grey, const std::uint8_t* alpha,
                                 int width) {
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

TEVPNG_SSSE3 void BgraSsse3(std::uint8_t* surface, const std::uint8_t* bgra, int width) {
    const __m128i alphaBytes = _mm_setr_epi8(3, 7, 11, 15, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    int x = 0;
    for (; x <= width - 4; x += 4) {
        const __m128i s = Load4(bgra + 4 * x);
        Store4(surface + 4 * x, Blend4Ssse3(Load4(surface + 4 * x), s, _mm_shuffle_epi8(s, alphaBytes)));
    }
    BgraSse2(surface + 4 * x, bgra + 4 * x, width - x);
}

const BlendRowKernels kSsse3Kernels{"ssse3", BgrAlphaSsse3, GreyAlphaSsse3, PaletteByStretches<BgraSsse3>};

bool CpuRunsSsse3() {
    __builtin_cpu_init();
    return __builtin_cpu_supports("ssse3");
}

#define TEVPNG_HAVE_SSSE3_KERNELS 1
#endif

// ---------------------------------------------------------------------------------------------
// AVX2: eight pixels a blend, two blends a step for the 24-bit and grey rows. Only these
// functions are compiled for AVX2; they run only after the CPU check, and hand their last few
// pixels to the SSE2 blends.

#if defined(TEVPNG_HAVE_SSE2_KERNELS)

#define TEVPNG_AVX2 __attribute__((target("avx2")))

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
TEVPNG_AVX2 inline __m256i Blend8Avx2(__m256i d, __m256i s, __m256i a) {
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

TEVPNG_AVX2 inline __m256i Opaque8Avx2(__m256i d, __m256i s) {
    return _mm256_blendv_epi8(s, d, _mm256_set1_epi32(static_cast<int>(0xFF000000u)));
}

TEVPNG_AVX2 inline __m256i Load8(const std::uint8_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
TEVPNG_AVX2 inline void Store8(std::uint8_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

// Eight bytes in the low 64 bits of both halves.
TEVPNG_AVX2 inline __m256i LoadBytes8(const std::uint8_t* p) { return _mm256_broadcastq_epi64(LoadLow64(p)); }

// Eight 3-byte pixels as dwords. The low half takes source bytes 0..15 (pixels 0..3 in its bytes
// 0..11), the high half bytes 8..23 (pixels 4..7 in its bytes 4..15): 24 bytes read, all used.
TEVPNG_AVX2 inline __m256i LoadBgr8(const std::uint8_t* bgr) {
    const __m256i spread = _mm256_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1,  //
                                            4, 5, 6, -1, 7, 8, 9, -1, 10, 11, 12, -1, 13, 14, 15, -1);
    const __m256i bytes = _mm256_inserti128_si256(
        _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr))),
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(bgr + 8)), 1);
    return _mm256_shuffle_epi8(bytes, spread);
}

// Eight grey bytes as the pixels (g, g, g, 0).
TEVPNG_AVX2 inline __m256i LoadGrey8(const std::uint8_t* grey) {
    const __m256i spread = _mm256_setr_epi8(0, 0, 0, -1, 1, 1, 1, -1, 2, 2, 2, -1, 3, 3, 3, -1,  //
                                            4, 4, 4, -1, 5, 5, 5, -1, 6, 6, 6, -1, 7, 7, 7, -1);
    return _mm256_shuffle_epi8(LoadBytes8(grey), spread);
}

// One step of sixteen pixels whose source pixels s0, s1 are loaded; the alpha runs decide how.
TEVPNG_AVX2 inline void BlendStep16Avx2(std::uint8_t* out, __m256i d0, __m256i d1, __m256i s0, __m256i s1,
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

TEVPNG_AVX2 void BgrAlphaAvx2(std::uint8_t* surface, const std::uint8_t* bgr, const std::uint8_t* alpha,
                              int width) {
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

TEVPNG_AVX2 void GreyAlphaAvx2(std::uint8_t* surface, const std::uint8_t* grey, const std::uint8_t* alpha,
                               int width) {
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

TEVPNG_AVX2 void BgraAvx2(std::uint8_t* surface, const std::uint8_t* bgra, int width) {
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

const BlendRowKernels kAvx2Kernels{"avx2", BgrAlphaAvx2, GreyAlphaAvx2, PaletteByStretches<BgraAvx2>};

bool CpuRunsAvx2() {
    // Also false when the operating system does not save the AVX registers.
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2");
}

#define TEVPNG_HAVE_AVX2_KERNELS 1
#endif

const BlendRowKernels kReferenceKernels{"reference", BgrAlphaReference, GreyAlphaReference, PaletteReference};

}  // namespace

BlendPalette MakeBlendPalette(const std::uint8_t* colourTable, int count, const std::uint8_t* alphaTable) {
    BlendPalette palette{};
    for (int i = 0; i < 256; ++i) {
        std::uint8_t* entry = palette.bgra[i];
        if (i < count) std::memcpy(entry, colourTable + 4 * i, 3);
        entry[3] = alphaTable[i];
    }
    return palette;
}

const BlendRowKernels& ReferenceBlendRows() { return kReferenceKernels; }

const BlendRowKernels* Sse2BlendRows() {
#if defined(TEVPNG_HAVE_SSE2_KERNELS)
    return &kSse2Kernels;
#else
    return nullptr;
#endif
}

const BlendRowKernels* Ssse3BlendRows() {
#if defined(TEVPNG_HAVE_SSSE3_KERNELS)
    static const bool available = CpuRunsSsse3();
    return available ? &kSsse3Kernels : nullptr;
#else
    return nullptr;
#endif
}

const BlendRowKernels* Avx2BlendRows() {
#if defined(TEVPNG_HAVE_AVX2_KERNELS)
    static const bool available = CpuRunsAvx2();
    return available ? &kAvx2Kernels : nullptr;
#else
    return nullptr;
#endif
}

const BlendRowKernels& BlendRows() {
    static const BlendRowKernels& chosen = Avx2BlendRows()    ? *Avx2BlendRows()
                                           : Ssse3BlendRows() ? *Ssse3BlendRows()
                                           : Sse2BlendRows()  ? *Sse2BlendRows()
                                                              : ReferenceBlendRows();
    return chosen;
}

}  // namespace tevpng
